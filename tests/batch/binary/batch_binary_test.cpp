// zbk-utility in batch mode, run as a script runs it: on the simulated board, with no display,
// looking only at its standard output, standard error, exit status and trace file.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "pic/pic_dialog_support.h"

namespace {

namespace fs = std::filesystem;
using pictest::ReadText;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct Result {
  int status = -1;
  std::vector<std::string> out;
  std::vector<std::string> err;
  bool OutHas(const std::string& line) const {
    return std::find(out.begin(), out.end(), line) != out.end();
  }
  std::string Err() const {
    std::string all;
    for (const auto& l : err) all += l + "\n";
    return all;
  }
};

class ZbkUtilityBatch : public ::testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args) {
    // No display of any kind: batch mode must not need one.
    std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + Quote(ZBK_UTILITY);
    for (const auto& a : args) command += " " + Quote(a);
    const fs::path out = dir.path() / "stdout.txt";
    const fs::path err = dir.path() / "stderr.txt";
    command += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
    const int raw = std::system(command.c_str());
    Result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = Lines(ReadText(out));
    r.err = Lines(ReadText(err));
    return r;
  }

  // Standard error on a pseudo-terminal, as at an interactive shell: everything it shows, as the
  // bytes came. Standard output goes to a file.
  std::string RunOnTerminal(const std::vector<std::string>& args, int& status) {
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return "openpty failed";
    const std::string out = (dir.path() / "stdout.txt").string();
    std::vector<std::string> argv = {ZBK_UTILITY};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t child = fork();
    if (child == 0) {
      const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(outFd, 1);
      dup2(slave, 2);
      close(master);
      std::vector<char*> raw;
      for (auto& a : argv) raw.push_back(a.data());
      raw.push_back(nullptr);
      unsetenv("DISPLAY");
      unsetenv("WAYLAND_DISPLAY");
      execv(raw[0], raw.data());
      _exit(127);
    }
    close(slave);
    std::string shown;
    char buffer[4096];
    // Once the child has gone, reading the master ends with EIO.
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, n);
    close(master);
    int raw = 0;
    waitpid(child, &raw, 0);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return shown;
  }

  // Twelve records of eight words and the end record.
  fs::path TwelveRecords() {
    std::string text;
    for (int i = 0; i < 12; ++i) {
      char line[64];
      const int address = 0x10 * i;
      unsigned sum = 16 + (address >> 8) + (address & 0xFF);
      std::snprintf(line, sizeof line, ":10%04X00", address);
      const std::string record = std::string(line) + std::string(32, '0');
      std::snprintf(line, sizeof line, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
      text += record + line;
    }
    return dir.Write("twelve.hex", text + ":00000001FF\n");
  }

  // The reports of a trace, without their times.
  std::vector<std::string> Reports(const fs::path& trace) {
    std::vector<std::string> reports;
    for (const auto& line : Lines(ReadText(trace))) {
      if (!line.empty() && line[0] != '#') reports.push_back(line.substr(10));
    }
    return reports;
  }

  fs::path Assemble() {
    if (!pictest::HaveTool("gpasm")) return {};
    const fs::path hex = dir.path() / "counter.hex";
    const fs::path asm_ = fs::path(ZBK_TEST_DATA_DIR) / "pic" / "counter_16f877a.asm";
    EXPECT_TRUE(dir.Run("cd " + Quote(dir.path().string()) + " && gpasm -o " + Quote(hex.string()) +
                        " " + Quote(asm_.string())));
    return hex;
  }

  pictest::TempDir dir;
};

TEST_F(ZbkUtilityBatch, ProgramsParametersAndReadsThemBack) {
  const auto r = Run({"--simulate", "--batch",
                      "set step-duration 20; set dir-delay 4; set timer 20; set step1 Pin9(D7); "
                      "program-zbk; connect; show"});
  EXPECT_EQ(r.status, 0) << r.Err();
  EXPECT_TRUE(r.OutHas("Timer 50, ProtocolV2 1, TempoStep 20, TempoDir 4, BRAXO mode 0"));
  EXPECT_TRUE(r.OutHas("step-duration = 20"));
  EXPECT_TRUE(r.OutHas("timer = 20"));
  EXPECT_TRUE(r.OutHas("step1 = Pin9(D7)"));
}

TEST_F(ZbkUtilityBatch, ProgramsAGpasmFileAndReadsItsFirstWords) {
  const fs::path hex = Assemble();
  if (hex.empty()) {
    if (std::getenv("CI")) FAIL() << "gpasm is missing: install gputils";
    GTEST_SKIP() << "gpasm (gputils) is not installed";
  }
  const auto r = Run(
      {"--simulate", "--batch", "connect; program-pic " + hex.string() + "; read-pic 0; read-pic"});
  EXPECT_EQ(r.status, 0) << r.Err();
  EXPECT_TRUE(r.OutHas("0000 : 280A 3FFF 3FFF 3FFF"));  // goto main
  EXPECT_TRUE(r.OutHas("0004 : 0009 3FFF 3FFF 3FFF"));  // retfie
  const std::string err = r.Err();
  EXPECT_NE(err.find("[Programming PIC] Press on the QD5500 RESET button then click Ok -> OK"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("[PIC] Programmation successful -> OK"), std::string::npos) << err;
}

// On a terminal a long command's progress is one line redrawn in place and taken away at its
// end; in a file or a pipe nothing of it appears.
TEST_F(ZbkUtilityBatch, ProgressIsShownOnATerminalOnly) {
  const fs::path hex = TwelveRecords();
  const std::string command = "program-pic " + hex.string();
  int status = -1;
  const std::string shown = RunOnTerminal({"--simulate", "--batch", command}, status);
  EXPECT_EQ(status, 0) << shown;
  for (int done : {0, 1, 6, 12}) {
    const std::string line = "\r\x1b[K" + command + ": " + std::to_string(done) + " of 12";
    EXPECT_NE(shown.find(line), std::string::npos) << done << "\n" << shown;
  }
  // The boxes after the run start on a clean line.
  const std::size_t last = shown.rfind(command + ": 12 of 12");
  const std::size_t success = shown.find("[PIC] Programmation successful -> OK");
  ASSERT_NE(success, std::string::npos) << shown;
  EXPECT_LT(last, success);
  EXPECT_EQ(shown.substr(success - 4, 4), "\r\x1b[K");

  const auto r = Run({"--simulate", "--batch", command});
  EXPECT_EQ(r.status, 0) << r.Err();
  for (const auto& line : r.err) {
    EXPECT_EQ(line.find(" of 12"), std::string::npos) << line;
    EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
  }
  for (const auto& line : r.out) EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
}

TEST_F(ZbkUtilityBatch, ARefusedFileGivesOneAndNothingOnTheWireAfterIt) {
  const fs::path bad = dir.Write("bad.hex", ":0400000000000000FF\n:00000001FF\n");
  const fs::path plain = dir.path() / "plain.txt";
  const fs::path refused = dir.path() / "refused.txt";
  ASSERT_EQ(Run({"--simulate", "--trace", plain.string(), "--batch", "connect"}).status, 0);
  const auto r = Run({"--simulate", "--trace", refused.string(), "--batch",
                      "connect; program-pic " + bad.string() + "; status"});
  EXPECT_EQ(r.status, 1);
  const std::string err = r.Err();
  EXPECT_NE(err.find("[Programming PIC] bad.hex: 1: "), std::string::npos) << err;
  EXPECT_NE(err.find("the HEX file was refused; the batch stops here"), std::string::npos) << err;
  // The same reports as a Connect alone: nothing of the file, nor the status after it.
  EXPECT_EQ(Reports(refused), Reports(plain));
  EXPECT_FALSE(Reports(plain).empty());
}

TEST_F(ZbkUtilityBatch, EraseWithoutYesIsCancelledAndGivesOne) {
  const fs::path trace = dir.path() / "trace.txt";
  const auto r = Run({"--simulate", "--trace", trace.string(), "--batch", "erase-pic; status"});
  EXPECT_EQ(r.status, 1);
  const std::string err = r.Err();
  EXPECT_NE(err.find("Confirm erasing ? -> Cancel"), std::string::npos) << err;
  EXPECT_NE(err.find("(run with --yes to erase)"), std::string::npos) << err;
  for (const auto& report : Reports(trace)) {
    EXPECT_EQ(report.find(" out 00 77"), std::string::npos) << report;
    EXPECT_EQ(report.find(" out 00 73"), std::string::npos) << report;
  }

  const auto yes = Run({"--simulate", "--yes", "--trace", trace.string(), "--batch", "erase-pic"});
  EXPECT_EQ(yes.status, 0) << yes.Err();
  EXPECT_EQ(Reports(trace).back().substr(0, 13), " out 00 77 00");
}

TEST_F(ZbkUtilityBatch, AnUnknownCommandRunsNothing) {
  const fs::path trace = dir.path() / "trace.txt";
  const auto r = Run({"--simulate", "--trace", trace.string(), "--batch", "connect; frobnicate"});
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(r.out.empty());
  ASSERT_EQ(r.err.size(), 1u);
  EXPECT_EQ(r.err[0].rfind("zbk-utility: command 2 \"frobnicate\": unknown command", 0), 0u)
      << r.err[0];
  EXPECT_FALSE(fs::exists(trace));
}

TEST_F(ZbkUtilityBatch, NoBoardGivesTwo) {
  const auto r = Run({"--simulate=none", "--batch", "status"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.out.empty());
  ASSERT_FALSE(r.err.empty());
  EXPECT_NE(r.err.back().find("no ZBK board found"), std::string::npos) << r.Err();
}

TEST_F(ZbkUtilityBatch, ABoardThatMayNotBeOpenedGivesTwoAndTheReason) {
  const auto r = Run({"--simulate=denied", "--batch", "connect"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(r.err, (std::vector<std::string>{
                       "[zbk-utility] CreateFile: Access is denied. -> OK",
                       "zbk-utility: command 1 \"connect\": the ZBK board was found but may not be "
                       "opened"}));
  // Access comes 1.5 s after the start: a batch that waits connects, with no box.
  const auto late = Run({"--simulate=granted-late", "--wait-board", "5", "--batch", "connect"});
  EXPECT_EQ(late.status, 0) << late.Err();
  EXPECT_TRUE(late.OutHas("ZBK 2.1"));
  EXPECT_EQ(late.Err().find("CreateFile"), std::string::npos) << late.Err();
}

TEST_F(ZbkUtilityBatch, TheTraceOfAStatusHoldsItsReportAndTheLoggedReply) {
  const fs::path trace = dir.path() / "trace.txt";
  const auto r = Run({"--simulate", "--trace", trace.string(), "--batch", "status"});
  ASSERT_EQ(r.status, 0) << r.Err();
  ASSERT_EQ(r.out.size(), 4u);  // Connect at start: two lines; the status: two lines
  const auto reports = Reports(trace);
  ASSERT_EQ(reports.size(), 10u);  // Connect's four exchanges, then the status's
  const std::string sent = reports[8];
  const std::string reply = reports[9];
  EXPECT_EQ(sent.substr(0, 10), " out 00 73");
  EXPECT_EQ(sent.size(), 4u + 3u * 65u);  // the whole 65-byte report
  ASSERT_EQ(reply.substr(0, 4), " in ");
  std::istringstream bytes(reply.substr(4));
  unsigned byte = 0;
  bytes >> std::hex >> byte;  // report id
  std::string logged;
  for (int i = 0; i < 8; ++i) {
    bytes >> std::hex >> byte;
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<int>(static_cast<signed char>(byte)));
    logged += (i ? " " : "") + std::string(text);
  }
  EXPECT_EQ(r.out[2], logged);
}

}  // namespace

TEST_F(ZbkUtilityBatch, CheckHexNeedsNoBoardAndGivesOneForARefusal) {
  const fs::path good = dir.Write("good.hex", ":020000000A28CC\n:00000001FF\n");
  const fs::path bad = dir.Write("bad.hex", ":020000000A28CD\n:00000001FF\n");
  const auto ok = Run({"--check-hex", good.string()});
  EXPECT_EQ(ok.status, 0) << ok.Err();
  EXPECT_TRUE(ok.OutHas(good.string() + ": 1 record, 1 word at 0x0000")) << ok.out.size();
  const auto refused = Run({"--check-hex", good.string(), bad.string()});
  EXPECT_EQ(refused.status, 1);
  ASSERT_EQ(refused.err.size(), 1u);
  EXPECT_EQ(refused.err[0], bad.string() + ": 1: checksum mismatch");
  EXPECT_EQ(Run({"--check-hex"}).status, 3);
}

TEST_F(ZbkUtilityBatch, TheChosenDeviceAndTwoProcessesEachWithItsOwnBoard) {
  const auto listed = Run({"--simulate", "--simulate-boards", "2", "--list-devices"});
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.out,
            (std::vector<std::string>{
                "sim:hid#2  output 65 bytes, input 65 bytes, opens, version \"ZBK 2.1\"",
                "sim:hid#3  output 65 bytes, input 65 bytes, opens, version \"ZBK 2.1\""}));
  // The keyboard is not the board; a path that is not there finds nothing either.
  EXPECT_EQ(Run({"--simulate", "--device", "sim:hid#0", "--batch", "status"}).status, 2);
  EXPECT_EQ(Run({"--simulate", "--device", "sim:hid#9", "--batch", "status"}).status, 2);

  const fs::path hex = Assemble();
  if (hex.empty()) GTEST_SKIP() << "gpasm (gputils) is not installed";
  // Two processes at once, each programming and verifying the board it names.
  std::string both;
  for (const char* device : {"sim:hid#2", "sim:hid#3"}) {
    const fs::path trace = dir.path() / (std::string(device).substr(8) + ".trace");
    both += Quote(ZBK_UTILITY) + " --simulate --simulate-boards 2 --device " + device +
            " --trace " + Quote(trace.string()) + " --batch " +
            Quote("program-pic " + hex.string() + "; verify-pic " + hex.string()) + " >" +
            Quote(trace.string() + ".out") + " 2>&1 & ";
  }
  ASSERT_TRUE(dir.Run("env -u DISPLAY sh -c " + Quote(both + "wait")));
  for (const char* n : {"2", "3"}) {
    const std::string out = ReadText(dir.path() / (std::string(n) + ".trace.out"));
    EXPECT_NE(out.find("Verify PIC: all 82 words equal"), std::string::npos) << out;
  }
}
