// zbk-utility where it meets the operating system: options given wrongly, outputs that fail or
// close, inputs that are not regular files, an output named like an input, text with control
// characters. Each case runs the built binary, with a time limit, and looks at its exit status,
// its output and the files around it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "kit/hex_text.h"
#include "pic/pic_dialog_support.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using pictest::ReadText;

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::size_t Lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

struct Outcome {
  int status = -1;  // the exit status, or -1 when the process did not exit
  int signal = 0;   // the signal that ended it
  std::string out;
  std::string err;
};

class ZbkUtilityEdges : public ::testing::Test {
 protected:
  // Runs the binary from the test's folder through the shell: `before` goes in front of the
  // command (ulimit ...), `redirect` replaces the redirection of standard output.
  Outcome Run(const std::vector<std::string>& args, const std::string& before = {},
              const std::string& redirect = {}) {
    std::string command = "cd " + Quote(dir.path().string()) + " && " + before +
                          " exec env -u DISPLAY -u WAYLAND_DISPLAY timeout -s KILL 20 " +
                          Quote(ZBK_UTILITY);
    for (const auto& a : args) command += " " + Quote(a);
    const fs::path out = dir.path() / "stdout.txt";
    const fs::path err = dir.path() / "stderr.txt";
    command += redirect.empty() ? " >" + Quote(out.string()) : " " + redirect;
    if (redirect.find("2>") == std::string::npos) command += " 2>" + Quote(err.string());
    const int raw = std::system(("sh -c " + Quote(command)).c_str());
    Outcome r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (r.status == 128 + SIGKILL) r.status = -1;  // timeout killed it: it hung
    r.out = fs::exists(out) ? ReadText(out) : "";
    r.err = fs::exists(err) ? ReadText(err) : "";
    fs::remove(out);
    fs::remove(err);
    return r;
  }

  fs::path Program(const std::string& name, int records) {
    std::string text;
    for (int i = 0; i < records; ++i) {
      text +=
          testkit::WordRecord(static_cast<std::uint16_t>(i * 16),
                              {0x3000, 0x3001, 0x3002, 0x3003, 0x3004, 0x3005, 0x3006, 0x3007}) +
          "\n";
    }
    return dir.Write(name, text + testkit::kEndRecord + "\n");
  }

  pictest::TempDir dir;
};

TEST_F(ZbkUtilityEdges, AnOptionIsNeverTheValueOfAnother) {
  struct Case {
    std::vector<std::string> args;
    std::string said;
  };
  const std::vector<Case> cases = {
      {{"--simulate", "--trace", "--batch", "status"}, "--trace needs a value, but --batch"},
      {{"--simulate", "--screenshot", "--batch-file=x"}, "--screenshot needs a value"},
      {{"--simulate", "--batch", "--yes"}, "--batch needs a value, but --yes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1] + " " + c.args[2]);
    const Outcome r = Run(c.args);
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
  EXPECT_FALSE(fs::exists(dir.path() / "--batch"));
  // The value may still start with '-' when it is written with '='.
  const Outcome named = Run({"--simulate", "--trace=-t.txt", "--batch", "status"});
  EXPECT_EQ(named.status, 0) << named.err;
  EXPECT_TRUE(fs::exists(dir.path() / "-t.txt"));
}

TEST_F(ZbkUtilityEdges, ARepeatedOptionIsRefused) {
  dir.Write("a.txt", "status\n");
  dir.Write("b.txt", "show\n");
  const std::vector<std::vector<std::string>> cases = {
      {"--simulate", "--batch", "status", "--batch", "show"},
      {"--simulate", "--batch-file", "a.txt", "--batch-file=b.txt"},
      {"--simulate", "--trace", "t1", "--trace", "t2", "--batch", "status"},
      {"--simulate", "--simulate=zbk3", "--batch", "status"},
  };
  for (const auto& args : cases) {
    const Outcome r = Run(args);
    EXPECT_EQ(r.status, 3) << args[1] << ": " << r.err;
    EXPECT_NE(r.err.find("is given twice"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  EXPECT_FALSE(fs::exists(dir.path() / "t1"));
  EXPECT_FALSE(fs::exists(dir.path() / "t2"));
}

TEST_F(ZbkUtilityEdges, BatchFilesAreBoundedAndSayWhatTheyAre) {
  std::string many;
  for (int i = 0; i < 10001; ++i) many += "wait 0\n";
  dir.Write("many.txt", many);
  dir.Write("big.txt", "# " + std::string(1100 * 1024, 'x') + "\nstatus\n");
  fs::create_directory(dir.path() / "folder");
  fs::create_symlink("loop.txt", dir.path() / "loop.txt");
  struct Case {
    std::string file;
    std::string said;
  };
  const std::vector<Case> cases = {
      {"/dev/zero",
       "the batch file /dev/zero is a device, not a regular file, a pipe or a terminal"},
      {"many.txt", "the batch holds more than 10000 commands"},
      {"big.txt", "the batch file big.txt is larger than 1024 KiB"},
      {"folder", "the batch file folder is a folder"},
      {"loop.txt", "the batch file loop.txt cannot be read: Too many levels of symbolic links"},
  };
  for (const Case& c : cases) {
    const Outcome r = Run({"--simulate", "--batch-file", c.file});
    EXPECT_EQ(r.status, 3) << c.file << ": " << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
  // A pipe is read to its end.
  const Outcome piped = Run({"--simulate", "--batch-file", "/dev/stdin"}, "printf 'status\\n' |");
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(Lines(piped.out), 4u) << piped.out;  // the Connect at start, the status
}

TEST_F(ZbkUtilityEdges, BatchFilesAreReadAsHexFilesAre) {
  // A byte-order mark, then lone CR line ends: three commands.
  dir.Write("plan.txt",
            "\xEF\xBB\xBF"
            "connect\rstatus\rset steps 12\r\nshow\r");
  const Outcome r = Run({"--simulate", "--batch-file", "plan.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  // Two Connects and a status, then what show lists.
  EXPECT_EQ(Lines(r.out.substr(0, r.out.find("\npreset = ") + 1)), 6u) << r.out;
  EXPECT_NE(r.out.find("\nsteps = 12\n"), std::string::npos) << r.out;
}

TEST_F(ZbkUtilityEdges, AFailedTraceIsReportedAndTheExitIsNotZero) {
  const Outcome full = Run({"--simulate", "--trace", "/dev/full", "--batch", "connect; status"});
  EXPECT_EQ(full.status, 3) << full.err;
  EXPECT_NE(full.err.find("cannot write the trace file /dev/full: No space left on device"),
            std::string::npos)
      << full.err;
  EXPECT_TRUE(full.out.empty());

  // A size limit stops the trace part way: the commands run, the loss is told once.
  std::string statuses = "connect";
  for (int i = 0; i < 20; ++i) statuses += "; status";
  const Outcome limited =
      Run({"--simulate", "--trace", "t.txt", "--batch", statuses}, "ulimit -f 4;");
  EXPECT_EQ(limited.status, 1) << limited.err;
  const auto at = limited.err.find("cannot write the trace file t.txt: File too large");
  EXPECT_NE(at, std::string::npos) << limited.err;
  EXPECT_EQ(limited.err.find("cannot write the trace file", at + 1), std::string::npos);
  EXPECT_EQ(Lines(limited.out), 2u + 2u * 21u) << limited.out;

  // The window traces through the same checks.
  const Outcome window = Run({"--simulate", "--trace", "/dev/full", "--screenshot", "s.png"},
                             "QT_QPA_PLATFORM=offscreen");
  EXPECT_EQ(window.status, 3) << window.err;
  EXPECT_NE(window.err.find("No space left on device"), std::string::npos) << window.err;
}

TEST_F(ZbkUtilityEdges, AFailedStandardOutputOrErrorGivesOne) {
  const Outcome out = Run({"--simulate", "--batch", "connect; read-pic 0"}, {}, ">/dev/full");
  EXPECT_EQ(out.status, 1) << out.err;
  EXPECT_NE(out.err.find("cannot write standard output: No space left on device"),
            std::string::npos)
      << out.err;
  const Outcome err =
      Run({"--simulate", "--batch", "connect; read-pic 0"}, {}, ">/dev/null 2>/dev/full");
  EXPECT_EQ(err.status, 1);
  const Outcome help = Run({"--help"}, {}, ">/dev/full");
  EXPECT_EQ(help.status, 1);
}

// A reader that has gone: the program is not killed, the batch stops before a command that
// would run unseen, and it says why.
TEST_F(ZbkUtilityEdges, AClosedOutputStopsTheBatchWithAReason) {
  const fs::path hex = Program("big.hex", 64);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);
  const std::string err = (dir.path() / "stderr.txt").string();
  const std::string trace = (dir.path() / "t.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const std::vector<std::string> args = {ZBK_UTILITY, "--simulate",
                                         "--trace",   trace,
                                         "--batch",   "connect; program-pic " + hex.string()};
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(::posix_spawn(&pid, ZBK_UTILITY, &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  int raw = 0;
  ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
  ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << WTERMSIG(raw);
  EXPECT_EQ(WEXITSTATUS(raw), 1);
  const std::string said = ReadText(err);
  EXPECT_NE(said.find("cannot write standard output: Broken pipe; the batch stops before"),
            std::string::npos)
      << said;
  // No record of the file went to the board.
  EXPECT_EQ(ReadText(trace).find(" out 00 52"), std::string::npos);
}

TEST_F(ZbkUtilityEdges, AnOutputIsNeverAnInput) {
  const fs::path hex = Program("victim.hex", 2);
  const std::string hexText = ReadText(hex);
  const std::string planText = "status\n";
  dir.Write("plan.txt", planText);
  fs::create_symlink("plan.txt", dir.path() / "link.txt");
  struct Case {
    std::vector<std::string> args;
    std::string said;
  };
  const std::vector<Case> cases = {
      {{"--simulate", "--trace", "victim.hex", "--batch", "connect; program-pic victim.hex"},
       "the trace file victim.hex is the HEX file victim.hex"},
      {{"--simulate", "--trace", "plan.txt", "--batch-file", "plan.txt"},
       "the trace file plan.txt is the batch file plan.txt"},
      {{"--simulate", "--trace", "link.txt", "--batch-file", "./plan.txt"},
       "the trace file link.txt is the batch file ./plan.txt"},
      {{"--simulate", "--trace", "s.png", "--screenshot", "./s.png"},
       "the screenshot ./s.png is the trace file s.png"},
  };
  for (const Case& c : cases) {
    const Outcome r = Run(c.args, "QT_QPA_PLATFORM=offscreen");
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
  EXPECT_EQ(ReadText(hex), hexText);
  EXPECT_EQ(ReadText(dir.path() / "plan.txt"), planText);
  EXPECT_FALSE(fs::exists(dir.path() / "s.png"));
}

TEST_F(ZbkUtilityEdges, HexFilesThatAreNotRegularAreRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo((dir.path() / "hf").c_str(), 0600), 0);
  fs::create_directory(dir.path() / "folder.hex");
  fs::create_symlink("loop.hex", dir.path() / "loop.hex");
  struct Case {
    std::string file;
    std::string said;
  };
  const std::vector<Case> cases = {
      {"hf", "hf is a named pipe, not a regular file"},
      {"/dev/zero", "/dev/zero is a device, not a regular file"},
      {"folder.hex", "folder.hex is a folder"},
      {"loop.hex", "loop.hex cannot be read: Too many levels of symbolic links"},
  };
  for (const Case& c : cases) {
    const Outcome r = Run({"--simulate", "--batch", "connect; program-pic " + c.file});
    EXPECT_EQ(r.status, 3) << c.file << ": " << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
  }
}

TEST_F(ZbkUtilityEdges, ControlCharactersReachTheTerminalEscaped) {
  const Outcome version = Run({"--simulate=ZBK 2.1\x1b[31mRED", "--batch", "connect"});
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_NE(version.out.find("ZBK 2.1\\x1B[31mRED"), std::string::npos) << version.out;
  EXPECT_EQ(version.out.find('\x1b'), std::string::npos);

  const Outcome command = Run({"--simulate", "--batch", "frob\x1b[2J\x07"});
  EXPECT_EQ(command.status, 3);
  EXPECT_NE(command.err.find("\"frob\\x1B[2J\\x07\": unknown command"), std::string::npos)
      << command.err;
  EXPECT_EQ(command.err.find('\x1b'), std::string::npos);

  const Outcome option = Run({"--simulate", "--bad\x1b[2J", "--batch", "status"});
  EXPECT_EQ(option.status, 3);
  EXPECT_NE(option.err.find("unknown option: --bad\\x1B[2J"), std::string::npos) << option.err;
}

}  // namespace
