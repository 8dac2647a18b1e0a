#pragma once
// Batch commands: the dialog's buttons and fields named in words, read from a command line
// ("connect; status; read-pic 0") or from a file with one command a line and '#' comments.
//
// Parsing is pure and checks every command name and value before anything runs, so a batch with
// a typing error sends nothing. What needs the board or the panel's state at run time (whether
// a list holds the entry, whether a control is enabled) is the runner's to check.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace batch {

enum class Verb {
  kConnect,
  kStatus,
  kMotorOn,
  kMotorOff,
  kCutForward,
  kCutBack,
  kProgramZbk,
  kReadPic,     // optional word address
  kProgramPic,  // HEX file
  kErasePic,
  kVerifyPic,  // HEX file
  kSavePic,    // HEX file to write
  kPreset,     // presets list entry
  kSet,        // field and value
  kShow,
  kWait,  // milliseconds
};

enum class Field {
  kSteps,
  kRate,
  kMotors,
  kRepeat,
  kStepDuration,
  kDirDelay,
  kBraxo,
  kTimer,
  kStep1,
  kStep2,
  kStep3,
  kStep4,
  kDir1,
  kDir2,
  kDir3,
  kDir4,
  kMotorOnPin,
  kActiveHigh,
  kStepMode,
  kPicRevA,
  kAddr,
};

// How a user changes the field's control.
enum class FieldKind {
  kNumber,   // an edit that takes digits only: select its text and type
  kCheck,    // a check box: click it when its state differs
  kTimer,    // the timer radio group: click the radio
  kPinList,  // a pin list: choose the entry
  kList,     // another drop-down list: choose the entry
  kAddress,  // the Addr field: select its text and type, through its input rules
};

struct FieldInfo {
  Field field;
  std::string_view name;  // as written in a batch
  FieldKind kind;
  int controlId;           // kTimer: the group's first radio
  std::string_view label;  // the control as the window names it, for messages
  std::uint32_t min = 0;   // kNumber: the values taken
  std::uint32_t max = 0;
};

// In the order `show` lists them: the test panel, the parameter panel, the PIC box.
std::span<const FieldInfo> Fields();
const FieldInfo& InfoOf(Field field);

std::string_view VerbName(Verb verb);

// The radios of the timer group, by timer choice 0, 1, 2 (10, 20, 50 kHz).
int TimerRadioId(int timerChoice);

struct Command {
  Verb verb = Verb::kShow;
  Field field = Field::kSteps;  // kSet
  // kSet: the text to type or the list entry to choose, as the window writes it ("Pin5(D3)",
  // "1/2 step", "0x1F"); kPreset: the entry; kProgramPic, kVerifyPic, kSavePic: the file; kReadPic:
  // the address typed.
  std::string value;
  // kSet numbers and the Addr value; check states 0 or 1; the timer choice 0, 1, 2; kWait:
  // milliseconds; kReadPic: the word address.
  std::uint32_t number = 0;
  bool hasAddress = false;  // kReadPic with an address
  std::string where;        // "command 2" or "plan.txt:3", for messages
  std::string text;         // the command as written
};

struct ParseResult {
  std::vector<Command> commands;
  std::string error;  // empty when every command is good; then there is at least one
  bool ok() const { return error.empty(); }
};

// The most commands a batch holds; more are refused before any is kept.
inline constexpr std::size_t kMaxBatchCommands = 10000;

// Commands separated by ';' (or line breaks), as given to --batch.
ParseResult ParseBatch(std::string_view text);
// A batch file: one command a line; '#' at the start of a line or after a blank starts a
// comment; blank lines are skipped. Messages name the file and the line.
ParseResult ParseBatchFile(std::string_view contents, std::string_view fileName);

// One command, without its place: for the runner's own checks and the tests.
ParseResult ParseCommand(std::string_view text, std::string_view where);

}  // namespace batch
