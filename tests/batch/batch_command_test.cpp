// The batch parser: every name and value checked before anything runs, and put as the window
// writes it.

#include "batch/batch_command.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using batch::Field;
using batch::ParseBatch;
using batch::ParseBatchFile;
using batch::Verb;

struct Good {
  const char* text;
  Verb verb;
  Field field;
  std::string value;
  std::uint32_t number;
};

TEST(BatchCommand, GoodCommandsCarryTheValueAsTheWindowWritesIt) {
  const Good cases[] = {
      {"connect", Verb::kConnect, Field::kSteps, "", 0},
      {"  STATUS ", Verb::kStatus, Field::kSteps, "", 0},
      {"set steps 128", Verb::kSet, Field::kSteps, "128", 128},
      {"set rate 1", Verb::kSet, Field::kRate, "1", 1},
      {"set motors 0300", Verb::kSet, Field::kMotors, "300", 300},
      {"set repeat 0", Verb::kSet, Field::kRepeat, "0", 0},
      {"set step-duration 510", Verb::kSet, Field::kStepDuration, "510", 510},
      {"set dir-delay 0", Verb::kSet, Field::kDirDelay, "0", 0},
      {"set braxo ON", Verb::kSet, Field::kBraxo, "on", 1},
      {"set active-high no", Verb::kSet, Field::kActiveHigh, "off", 0},
      {"set pic-rev-a 1", Verb::kSet, Field::kPicRevA, "on", 1},
      {"set timer 10", Verb::kSet, Field::kTimer, "10", 0},
      {"set timer 20kHz", Verb::kSet, Field::kTimer, "20", 1},
      {"set timer 50k", Verb::kSet, Field::kTimer, "50", 2},
      {"set step1 Pin5(D3)", Verb::kSet, Field::kStep1, "Pin5(D3)", 0},
      {"set dir4 pin2(d0)", Verb::kSet, Field::kDir4, "Pin2(D0)", 0},
      {"set step3 9", Verb::kSet, Field::kStep3, "Pin9(D7)", 0},
      {"set motor-on-pin 17", Verb::kSet, Field::kMotorOnPin, "Pin17", 0},
      {"set motor-on-pin pin1", Verb::kSet, Field::kMotorOnPin, "Pin1", 0},
      {"set step-mode 1/16", Verb::kSet, Field::kStepMode, "1/16 step", 0},
      {"set step-mode full  STEP", Verb::kSet, Field::kStepMode, "Full step", 0},
      {"set addr 0x1ffc", Verb::kSet, Field::kAddr, "0x1FFC", 0x1FFC},
      {"set addr 16", Verb::kSet, Field::kAddr, "16", 16},
      {"read-pic 0XfFfF", Verb::kReadPic, Field::kSteps, "0xFFFF", 0xFFFF},
      {"preset atelier   norvex", Verb::kPreset, Field::kSteps, "Atelier Norvex", 0},
      {"preset QD5500-ZBK", Verb::kPreset, Field::kSteps, "QD5500-ZBK", 0},
      {"program-pic \"my file.hex\"", Verb::kProgramPic, Field::kSteps, "my file.hex", 0},
      {"program-pic /tmp/a b.hex", Verb::kProgramPic, Field::kSteps, "/tmp/a b.hex", 0},
      {"wait 2500", Verb::kWait, Field::kSteps, "", 2500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto r = ParseBatch(c.text);
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.commands.size(), 1u);
    const auto& cmd = r.commands.front();
    EXPECT_EQ(cmd.verb, c.verb);
    if (c.verb == Verb::kSet) {
      EXPECT_EQ(cmd.field, c.field);
    }
    EXPECT_EQ(cmd.value, c.value);
    EXPECT_EQ(cmd.number, c.number);
  }
  const auto plain = ParseBatch("read-pic");
  ASSERT_TRUE(plain.ok());
  EXPECT_FALSE(plain.commands.front().hasAddress);
  EXPECT_TRUE(ParseBatch("read-pic 0").commands.front().hasAddress);
}

struct Bad {
  const char* text;
  const char* says;  // part of the message
};

TEST(BatchCommand, BadNamesAndValuesAreRefusedWithTheirPlace) {
  const Bad cases[] = {
      {"frobnicate", "command 1 \"frobnicate\": unknown command \"frobnicate\"; the commands are"},
      {"status now", "status takes no value (found \"now\")"},
      {"set", "set needs a field and a value"},
      {"set stpes 5", "unknown field \"stpes\"; the fields are steps, rate,"},
      {"set steps", "set steps needs a value"},
      {"set steps 0", "\"0\" is not a number from 1 to 128"},
      {"set steps 129", "from 1 to 128"},
      {"set rate 128", "from 1 to 127"},
      {"set steps -5", "\"-5\" is not a number"},
      {"set motors 4294967296", "is not a number from 0 to 4294967295"},
      {"set step-duration 512", "from 0 to 510"},
      {"set dir-delay 1.5", "is not a number"},
      {"set braxo maybe", "is neither on nor off"},
      {"set timer 25", "is not 10, 20 or 50"},
      {"set step1 Pin10(D8)", "is not a pin; pins are Pin2(D0), Pin3(D1)"},
      {"set dir2 1", "is not a pin"},
      {"set motor-on-pin 2", "is not one of Pin1, Pin17"},
      {"set step-mode 1/32", "is not one of Full step, 1/2 step"},
      {"set addr 0x10000", "is not a word address from 0 to 65535"},
      {"set addr 1F", "is not a word address"},
      {"read-pic 0x", "is not a word address"},
      {"program-pic", "program-pic needs the HEX file"},
      {"program-pic \"\"", "program-pic needs the HEX file"},
      {"preset", "preset needs one of QD5500, QD5500-ZBK, LORVEN"},
      {"preset QD55", "\"QD55\" is not one of"},
      {"wait", "wait needs a time"},
      {"wait 1s", "is not a time in milliseconds"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto r = ParseBatch(c.text);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.commands.empty());
    EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
  }
}

TEST(BatchCommand, OneBadCommandRefusesTheWholeBatch) {
  const auto r = ParseBatch("connect; status; set steps 500; status");
  EXPECT_FALSE(r.ok());
  EXPECT_TRUE(r.commands.empty());
  EXPECT_EQ(r.error.rfind("command 3 \"set steps 500\": ", 0), 0u) << r.error;
}

TEST(BatchCommand, SemicolonsAndLineBreaksSeparateCommandsAndEmptyOnesAreSkipped) {
  const auto r = ParseBatch(" connect ;; status\nread-pic 0x10 ; ");
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_EQ(r.commands.size(), 3u);
  EXPECT_EQ(r.commands[0].verb, Verb::kConnect);
  EXPECT_EQ(r.commands[1].verb, Verb::kStatus);
  EXPECT_EQ(r.commands[2].where, "command 3");
  EXPECT_EQ(r.commands[2].text, "read-pic 0x10");
  EXPECT_FALSE(ParseBatch(" ; ;").ok());
  EXPECT_EQ(ParseBatch("").error, "the batch holds no command");
}

TEST(BatchCommand, FileHasOneCommandALineWithCommentsAndNamesItsLines) {
  const std::string text =
      "# production run\r\n"
      "connect\r\n"
      "\n"
      "   set steps 64   # fewer steps\n"
      "program-pic run#2.hex\n"
      "status";
  const auto r = ParseBatchFile(text, "plan.txt");
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_EQ(r.commands.size(), 4u);
  EXPECT_EQ(r.commands[0].where, "plan.txt:2");
  EXPECT_EQ(r.commands[1].number, 64u);
  EXPECT_EQ(r.commands[1].where, "plan.txt:4");
  EXPECT_EQ(r.commands[2].value, "run#2.hex");
  EXPECT_EQ(r.commands[3].where, "plan.txt:6");

  const auto bad = ParseBatchFile("connect\n\nset timer 30\n", "plan.txt");
  EXPECT_EQ(bad.error.rfind("plan.txt:3 \"set timer 30\": ", 0), 0u) << bad.error;
  // A line holds one command: a ';' is part of it.
  EXPECT_FALSE(ParseBatchFile("connect; status\n", "plan.txt").ok());
  EXPECT_FALSE(ParseBatchFile("# nothing\n\n", "plan.txt").ok());
}

TEST(BatchCommand, EveryFieldHasItsOwnNameAndControl) {
  std::set<std::string_view> names;
  std::set<int> controls;
  for (const auto& f : batch::Fields()) {
    EXPECT_TRUE(names.insert(f.name).second) << f.name;
    EXPECT_TRUE(controls.insert(f.controlId).second) << f.name;
    EXPECT_EQ(&batch::InfoOf(f.field), &f);
    EXPECT_TRUE(
        ParseBatch("set " + std::string(f.name) + " x").error.find("set " + std::string(f.name)) !=
        std::string::npos);
  }
  EXPECT_EQ(names.size(), 21u);
}

}  // namespace
