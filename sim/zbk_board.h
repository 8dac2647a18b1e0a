// ZbkBoard: the firmware of a simulated ZBK board, report in, reply out.
//
// The board takes output reports in the order the host writes them and queues one input report
// for every command that has a reply. It keeps its parameter blocks, runs cuts on a simulated
// clock (the caller passes the time a report arrives) and holds the PIC memory of the QD5500
// behind it. Whatever the host does against the board's contract is recorded as a readable
// violation, never thrown and never fatal: the board goes on as a real one would.
//
// Reports are indexed as they travel: byte 0 is the report id (0), byte 1 the command letter.
//
// Commands, and what this board answers:
//   's'  reply: byte 1 busy count (0 idle; else the remaining cut time in 2 ms units rounded up,
//        1..127), byte 2 motor on (1/0), byte 3 cuts run (low 8 bits), byte 4 the letter of the
//        previous command (0 before any), byte 5 violations seen (at most 255), bytes 6..8 = 0.
//   'v'  reply: the version text from byte 1, zero-terminated, cut to fit the report.
//   'I' n  reply in the read layout of block n (n = 0, 1, 2); another n: violation, zero reply.
//   'a' n  store block n from the write layout; reply byte 1 'a', byte 2 n.
//   'o'  byte 2: motor on (nonzero) or off. No reply.
//   'T'  byte 2: buffer test value, recorded. No reply.
//   'c' N  the next ceil(2N / D) reports (D = output length - 1) are step data reports (period
//        byte, pattern byte pairs); then a cut of N steps runs from the arrival of the last one,
//        each step lasting its period byte in timer ticks. N = 0: no data reports, no cut.
//   'q'  byte 2 count (2a + 2), byte 3 direction, byte 4 slot count a, a - 1 zero pairs, then
//        n * 0x11 twice: a cut of kQuickCutSteps steps of P = 16 (a - 1) + n ticks. A malformed
//        'q' is recorded and runs no cut.
//   'r'  reply: the four PIC words at the address in bytes 2, 3 and the three after it.
//   'R'  header: byte 2 = N + 1 (N words follow in the next report) or 0 to end a programming
//        run, byte 3 = 1 for a revision A PIC. The next report is the data report (bytes 1, 2
//        word address, then N words); its reply: bytes 1, 2 status (a ProgramStatus), bytes
//        3, 4 the word address, bytes 5, 6 the word count N.
//   'w'  byte 2 = 1 for a revision A PIC: when it matches the PIC, erase every area to its
//        erased value; when it does not, nothing is erased. No reply.
//
// Timer tick of the stored timer choice (block 0): 0 = 100 us, 1 = 50 us, 2 = 20 us; any other
// stored value runs at 100 us. A cut that the host starts while another runs (a violation) runs
// after the one in progress.
//
// PIC memory as a PIC16F87x programmer sees it, in word addresses: program 0x0000..0x1FFF, ID
// and configuration 0x2000..0x2007, data EEPROM image 0x2100..0x21FF. Words are 14 bits wide:
// every word written is stored as value & 0x3FFF. Erased program and ID/config words read 0x3FFF,
// erased EEPROM words 0x00FF (an erased EEPROM byte). Addresses outside these areas read 0x3FFF
// and cannot be programmed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sim {

// Steps of every 'q' cut; the command carries a period, not a step count.
inline constexpr int kQuickCutSteps = 100;

inline constexpr std::uint16_t kPicWordMask = 0x3FFF;
inline constexpr std::uint16_t kErasedWord = 0x3FFF;
inline constexpr std::uint16_t kErasedEepromWord = 0x00FF;
inline constexpr std::uint32_t kProgramWords = 0x2000;
inline constexpr std::uint32_t kConfigStart = 0x2000;
inline constexpr std::uint32_t kConfigWords = 8;
inline constexpr std::uint32_t kEepromStart = 0x2100;
inline constexpr std::uint32_t kEepromWords = 0x100;

// Status word of the reply to an 'R' data report.
enum ProgramStatus : std::uint16_t {
  kProgramAccepted = 0,
  kProgramWrongRevision = 1,  // the header's revision flag does not match the PIC
  kProgramOutsideMemory = 2,  // a word of the record lies outside every memory area
  kProgramTooLong = 3,        // the record's words do not fit the report
};

// The stored parameters, byte for byte as they travel.
struct StoredParameters {
  // Block 0, the timing block.
  std::uint8_t timerChoice = 0;       // 0 = 10 kHz, 1 = 20 kHz, 2 = 50 kHz
  std::uint8_t protocolV2 = 0;        // a property of the firmware; 'a' does not change it
  std::uint8_t stepDurationHalf = 5;  // microseconds / 2
  std::uint8_t dirDelayHalf = 0;      // microseconds / 2
  std::uint8_t braxoMode = 0;
  std::uint8_t stepMode = 0;
  // Block 1: data-bit numbers, Motor1..4 Step then Motor1..4 Dir.
  std::array<std::uint8_t, 8> pins{1, 3, 5, 7, 0, 2, 4, 6};
  // Block 2, the motor-on block.
  std::uint8_t motorOnPin = 1;  // 0 = pin 1, 1 = pin 17
  std::uint8_t activeHigh = 1;

  friend bool operator==(const StoredParameters&, const StoredParameters&) = default;
};

// One cut as the board ran it.
struct CutRun {
  char command = 0;  // 'c' or 'q'
  int steps = 0;
  std::vector<int> periodTicks;        // one entry a step
  std::vector<std::uint8_t> patterns;  // one entry a step for 'c'; empty for 'q'
  std::uint8_t direction = 0;          // 'q' direction byte
  int tickUs = 0;
  std::int64_t startUs = 0;
  std::int64_t endUs = 0;
};

class ZbkBoard {
 public:
  // versionText: the 'v' reply. Report lengths count the report id byte; each is at least 1.
  ZbkBoard(std::string versionText, std::size_t outputReportLength = 65,
           std::size_t inputReportLength = 65);

  // One output report as written, arriving at simulated time nowUs.
  void Receive(std::span<const std::uint8_t> report, std::int64_t nowUs);

  // The oldest queued reply (inputReportLength bytes, byte 0 = 0), if any.
  std::optional<std::vector<std::uint8_t>> TakeReply();
  bool HasReply() const { return !replies_.empty(); }

  const std::vector<std::string>& Violations() const { return violations_; }

  const std::string& VersionText() const { return versionText_; }
  std::size_t OutputReportLength() const { return outputLength_; }
  std::size_t InputReportLength() const { return inputLength_; }

  const StoredParameters& Parameters() const { return params_; }
  void SetParameters(const StoredParameters& params) { params_ = params; }
  // Bytes 1..8 of the 'I' reply for block 0, 1 or 2 (zeros for another block).
  std::array<std::uint8_t, 8> ReadLayout(int block) const;
  // Bytes 3..10 of the last 'a' for the block, as written; empty before any.
  std::optional<std::array<std::uint8_t, 8>> LastBlockWrite(int block) const;

  bool MotorOn() const { return motorOn_; }
  std::optional<std::uint8_t> LastBufferTest() const { return lastBufferTest_; }
  int BufferTests() const { return bufferTests_; }

  // Busy count an 's' arriving at nowUs gets.
  int BusyCount(std::int64_t nowUs) const;
  std::int64_t BusyUntilUs() const { return busyUntilUs_; }
  int CutsRun() const { return cutsRun_; }
  const std::optional<CutRun>& LastCut() const { return lastCut_; }
  // Reports still expected after a 'c' or an 'R' header before the board takes commands again.
  std::size_t PendingDataReports() const;

  // PIC memory. A word outside every area reads 0x3FFF; SetPicWord refuses it.
  std::uint16_t PicWord(std::uint32_t address) const;
  bool SetPicWord(std::uint32_t address, std::uint16_t value);
  bool PicRevisionA() const { return picRevisionA_; }
  void SetPicRevisionA(bool revisionA) { picRevisionA_ = revisionA; }
  int PicRecordsProgrammed() const { return picRecordsProgrammed_; }
  int PicRecordsRefused() const { return picRecordsRefused_; }
  int ProgrammingRunsEnded() const { return programmingRunsEnded_; }
  int PicErases() const { return picErases_; }

  std::size_t ReportsReceived() const { return reportsReceived_; }

  // The board loses power and starts again at nowUs (unplugged and plugged in): queued replies,
  // half-received cuts and records, a running cut and the motor output are gone; the stored
  // parameters and the PIC memory stay.
  void PowerCycle(std::int64_t nowUs);

 private:
  struct PendingCut {
    int steps = 0;
    std::size_t reportsLeft = 0;
    std::vector<std::uint8_t> data;
  };
  struct PendingRecord {
    int words = 0;
    bool revisionA = false;
  };

  bool Fits(std::span<const std::uint8_t> report, std::size_t need, char letter);
  std::vector<std::uint8_t> NewReply() const;
  void Violation(std::string text);

  void Command(std::span<const std::uint8_t> report, std::int64_t nowUs);
  void Status(std::int64_t nowUs);
  void Version();
  void ReadBlock(std::span<const std::uint8_t> report);
  void WriteBlock(std::span<const std::uint8_t> report);
  void Cut(std::span<const std::uint8_t> report, std::int64_t nowUs);
  void CutData(std::span<const std::uint8_t> report, std::int64_t nowUs);
  void QuickCut(std::span<const std::uint8_t> report, std::int64_t nowUs);
  void StartCut(CutRun cut, std::int64_t nowUs);
  void ReadPic(std::span<const std::uint8_t> report);
  void ProgramHeader(std::span<const std::uint8_t> report);
  void ProgramData(std::span<const std::uint8_t> report);
  void ErasePic(std::span<const std::uint8_t> report);
  int TickUs() const;

  const std::uint16_t* Slot(std::uint32_t address) const;
  std::uint16_t* Slot(std::uint32_t address);

  std::string versionText_;
  std::size_t outputLength_;
  std::size_t inputLength_;

  std::deque<std::vector<std::uint8_t>> replies_;
  std::vector<std::string> violations_;
  std::size_t reportsReceived_ = 0;
  std::uint8_t lastCommand_ = 0;

  StoredParameters params_;
  std::array<std::optional<std::array<std::uint8_t, 8>>, 3> lastWrites_;
  bool motorOn_ = false;
  std::optional<std::uint8_t> lastBufferTest_;
  int bufferTests_ = 0;

  std::optional<PendingCut> pendingCut_;
  std::int64_t busyUntilUs_ = 0;
  int cutsRun_ = 0;
  std::optional<CutRun> lastCut_;

  std::optional<PendingRecord> pendingRecord_;
  std::vector<std::uint16_t> program_;
  std::vector<std::uint16_t> config_;
  std::vector<std::uint16_t> eeprom_;
  bool picRevisionA_ = false;
  int picRecordsProgrammed_ = 0;
  int picRecordsRefused_ = 0;
  int programmingRunsEnded_ = 0;
  int picErases_ = 0;
};

}  // namespace sim
