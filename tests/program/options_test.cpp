// The batch options of the command line.

#include "program/options.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

program::ParsedOptions Parse(std::vector<std::string_view> args) {
  return program::ParseOptions(args);
}

TEST(BatchOptions, BothSpellingsOfEveryOption) {
  const auto a = Parse({"--simulate", "--batch", "connect; status", "--yes", "--wait-board", "30",
                        "--trace", "wire.txt"});
  ASSERT_TRUE(a.options) << a.error;
  EXPECT_TRUE(a.options->BatchMode());
  EXPECT_EQ(*a.options->batch, "connect; status");
  EXPECT_TRUE(a.options->yes);
  EXPECT_EQ(a.options->waitBoardSeconds, 30u);
  EXPECT_EQ(a.options->tracePath, "wire.txt");

  const auto b = Parse({"--batch-file=plan.txt", "--wait-board=0", "--trace=t"});
  ASSERT_TRUE(b.options) << b.error;
  EXPECT_EQ(b.options->batchFile, "plan.txt");
  EXPECT_FALSE(b.options->batch.has_value());
  EXPECT_TRUE(b.options->BatchMode());
  EXPECT_EQ(b.options->tracePath, "t");

  // The window traces too.
  const auto c = Parse({"--simulate", "--trace", "wire.txt"});
  ASSERT_TRUE(c.options) << c.error;
  EXPECT_FALSE(c.options->BatchMode());
  EXPECT_EQ(c.options->tracePath, "wire.txt");
}

TEST(SimulateOption, GenerationsAndAccessNames) {
  using program::SimulatedAccess;
  struct Case {
    std::string_view arg;
    const char* version;
    SimulatedAccess access;
  };
  for (const Case c : {Case{"--simulate", "ZBK 2.1", SimulatedAccess::kGranted},
                       Case{"--simulate=zbk3", "ZBK 3.0", SimulatedAccess::kGranted},
                       Case{"--simulate=none", "", SimulatedAccess::kGranted},
                       Case{"--simulate=denied", "ZBK 2.1", SimulatedAccess::kDenied},
                       Case{"--simulate=granted-late", "ZBK 2.1", SimulatedAccess::kGrantedLate},
                       Case{"--simulate=ZBK 3.7", "ZBK 3.7", SimulatedAccess::kGranted}}) {
    const auto r = Parse({c.arg});
    ASSERT_TRUE(r.options) << c.arg << ": " << r.error;
    EXPECT_TRUE(r.options->simulate);
    EXPECT_EQ(r.options->simulatedVersion, c.version) << c.arg;
    EXPECT_EQ(r.options->simulatedAccess, c.access) << c.arg;
  }
}

TEST(BatchOptions, MisuseIsRefused) {
  const std::vector<std::vector<std::string_view>> bad = {
      {"--batch"},
      {"--batch-file"},
      {"--batch-file="},
      {"--trace"},
      {"--batch", "status", "--batch-file", "plan.txt"},
      {"--yes"},
      {"--wait-board", "5"},
      {"--batch", "status", "--wait-board"},
      {"--batch", "status", "--wait-board", "-1"},
      {"--batch", "status", "--wait-board", "86401"},
      {"--batch", "status", "--wait-board", "1.5"},
      {"--batch", "status", "--screenshot", "s.png"},
      // An option where a value belongs, and an option given twice.
      {"--trace", "--batch", "status"},
      {"--screenshot", "--batch-file=x"},
      {"--batch", "status", "--batch", "show"},
      {"--batch-file=a", "--batch-file", "b"},
      {"--simulate", "--simulate=zbk3", "--batch", "status"},
      {"-h", "--help"},
  };
  for (const auto& args : bad) {
    const auto r = Parse(args);
    EXPECT_FALSE(r.options) << args.front() << " " << args.size();
    EXPECT_FALSE(r.error.empty());
    // None of these is the toolkit's to explain: they are told without a window.
    EXPECT_TRUE(r.windowless) << r.error;
  }
}

TEST(BatchOptions, AnUnknownOptionIsTheToolkitsUnlessABatchIsAsked) {
  const auto window = Parse({"-platform", "offscreen", "--simulate"});
  EXPECT_FALSE(window.options);
  EXPECT_FALSE(window.windowless);
  const auto batch = Parse({"-platform", "offscreen", "--batch", "status"});
  EXPECT_FALSE(batch.options);
  EXPECT_TRUE(batch.windowless);
  EXPECT_EQ(batch.error, "unknown option: -platform");
  const auto named = Parse({"--trace=--batch", "--simulate"});
  ASSERT_TRUE(named.options) << named.error;
  EXPECT_EQ(named.options->tracePath, "--batch");
  EXPECT_FALSE(named.options->BatchMode());
}

TEST(BatchOptions, BatchIsSeenBeforeAnythingElseLooksAtTheArguments) {
  EXPECT_TRUE(program::AsksForBatch(std::vector<std::string_view>{"--simulate", "--batch", "x"}));
  EXPECT_TRUE(program::AsksForBatch(std::vector<std::string_view>{"--batch-file=plan.txt"}));
  EXPECT_FALSE(
      program::AsksForBatch(std::vector<std::string_view>{"--simulate", "-platform", "xcb"}));
  EXPECT_FALSE(program::AsksForBatch(std::vector<std::string_view>{"--batches"}));
}

}  // namespace

namespace {

TEST(NoWindowOptions, CheckHexTakesEveryFileUpToTheNextOption) {
  const auto a = Parse({"--check-hex", "a.hex", "b.hex", "--device", "/dev/hidraw3"});
  ASSERT_TRUE(a.options) << a.error;
  EXPECT_EQ(a.options->checkHex, (std::vector<std::string>{"a.hex", "b.hex"}));
  EXPECT_EQ(a.options->devicePath, "/dev/hidraw3");
  EXPECT_TRUE(program::AsksForNoWindow(std::vector<std::string_view>{"--check-hex", "a.hex"}));
  EXPECT_TRUE(program::AsksForNoWindow(std::vector<std::string_view>{"--list-devices"}));
  EXPECT_FALSE(program::AsksForNoWindow(std::vector<std::string_view>{"--device", "x"}));

  const auto b = Parse({"--simulate", "--simulate-boards=3", "--list-devices"});
  ASSERT_TRUE(b.options) << b.error;
  EXPECT_TRUE(b.options->listDevices);
  EXPECT_EQ(b.options->simulatedBoards, 3u);
}

TEST(NoWindowOptions, BadUsesAreRefused) {
  const std::vector<std::vector<std::string_view>> bad = {
      {"--check-hex"},
      {"--check-hex", "--simulate"},
      {"--device"},
      {"--device="},
      {"--simulate-boards", "0"},
      {"--simulate-boards", "9"},
      {"--check-hex", "a.hex", "--batch", "status"},
      {"--list-devices", "--check-hex", "a.hex"},
      {"--list-devices", "--screenshot", "x.png"},
  };
  for (const auto& args : bad) {
    const auto r = Parse(args);
    EXPECT_FALSE(r.options) << args.front() << " " << (args.size() > 1 ? args[1] : "");
    EXPECT_FALSE(r.error.empty());
  }
}

}  // namespace
