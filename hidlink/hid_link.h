#pragma once
// HidLink: the one link to the ZBK board for the whole process. Discovery finds the board among
// the HID interfaces and opens it three times (query, write, read); commands fill outReport, then
// exchange (write and read one reply) or send one way (write only), then read inReport. Any
// failed transfer closes the link silently; only discovery reports errors, to the error sink.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hidlink/hid_platform.h"

namespace hidlink {

inline constexpr std::uint16_t kZbkVendorId = 0x03EB;
inline constexpr std::uint16_t kZbkProductId = 0x201D;
inline constexpr std::size_t kReportBufferSize = 256;
inline constexpr std::uint32_t kReadTimeoutMs = 6000;
// The fixed-size commands need these: the 'a' blocks and eight reply bytes.
inline constexpr std::uint16_t kMinOutputReportLength = 11;
inline constexpr std::uint16_t kMinInputReportLength = 9;

// What a trace sink hears of: a report written or refused by the platform, a report read, or a
// read that ended without one.
enum class TraceEvent {
  kSent,          // the bytes went out
  kWriteFailed,   // the bytes were to go out, but the write failed or the link was closed
  kReceived,      // the bytes came in
  kReadShort,     // a shorter report came in: only its bytes; the rest of inReport is zeroed
  kReadTimedOut,  // no reply within the time limit; no bytes
  kReadFailed,    // the read could not be started or waited for; no bytes
};
using TraceSink = std::function<void(TraceEvent event, std::span<const std::uint8_t> bytes)>;

// What an error sink hears of: a platform call that failed (the operation's prefix and the
// system's reason), or a board whose report lengths this program cannot use.
enum class LinkError {
  kSystem,
  kUnusableBoard,
  kAccessDenied,  // the board is there, but its write or read open was refused for lack of rights
};

// What discovery does with the board's refusal of access: report it to the error sink at once,
// or only keep it in HidLink::refusal for the caller to report when it is time (a board just
// plugged in is given access a moment later).
enum class OnRefusal { kReport, kHold };
using ErrorSink = std::function<void(LinkError kind, std::string_view text)>;

// One HID interface of the board's vendor and product, as --list-devices shows it.
struct BoardInterface {
  std::string path;
  HidCaps caps{};
  bool openable = false;  // the write and read opens both succeeded
  std::string openError;  // otherwise the system's reason
};

struct HidLink {
  static inline HidPlatform* platform = nullptr;
  // Hears every report at the platform boundary, whatever the platform; none by default.
  static inline TraceSink traceSink;
  // Hears discovery's errors; the program shows them in a message box. None by default.
  static inline ErrorSink errorSink;

  static inline Handle deviceHandle = kInvalidHandle;
  static inline Handle writeHandle = kInvalidHandle;
  static inline Handle readHandle = kInvalidHandle;
  static inline HidCaps caps{};
  static inline std::array<std::uint8_t, kReportBufferSize> outReport{};
  static inline std::array<std::uint8_t, kReportBufferSize> inReport{};
  static inline bool connected = false;
  // The message of the last discovery's refusal of access by the board; empty when it met none.
  static inline std::string refusal;
  // When set, discovery takes the interface with this path only (--device), whatever else the
  // bus holds.
  static inline std::string devicePath;

  // Uses `p` for every later call; the platform must outlive the link's use.
  static void Attach(HidPlatform* p) { platform = p; }
  static void SetTraceSink(TraceSink sink) { traceSink = std::move(sink); }
  static void SetErrorSink(ErrorSink sink) { errorSink = std::move(sink); }
  // Back to the state before the first discovery (handles are forgotten, not closed).
  static void Reset();

  // True when this enumeration found the board and opened it for query, write and read. A board
  // whose write or read open fails is not found.
  static bool FindDevice(OnRefusal onRefusal = OnRefusal::kReport);
  // Sends the held refusal to the error sink.
  static void ReportRefusal();
  // Reports `prefix` followed by the system's text when the last platform call failed.
  static void ReportError(std::string_view prefix);
  // False when the capabilities could not be had (reported).
  static bool LoadCapabilities();
  // Opens the board's write and read handles; false (reported, or held as `refusal`) when either
  // open fails.
  static bool OpenChannels(const std::string& path, OnRefusal onRefusal);
  static bool OpenReadChannel(const std::string& path, OnRefusal onRefusal);
  // Writes the output report and reads one input report; nothing at all while not connected.
  static void Exchange();
  // Writes the output report and reads nothing, whether or not the link counts as connected.
  // False when the write failed (the link is then closed).
  static bool Send();
  // The read half of the exchange, with the 6000 ms limit.
  static void ReadReport();
  static void CloseAll();
  // Every interface with the board's vendor and product, each opened and closed again to see
  // whether it can be used. The link's own handles are not touched.
  static std::vector<BoardInterface> ListBoards();

  static std::size_t OutputLength() { return caps.outputReportByteLength; }
  static std::size_t InputLength() { return caps.inputReportByteLength; }
};

}  // namespace hidlink
