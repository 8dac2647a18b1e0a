#include "batch/batch_command.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <limits>
#include <optional>

#include "app/resource_ids.h"
#include "params/parameter_tables.h"

namespace batch {

namespace {

constexpr std::uint32_t kU32Max = std::numeric_limits<std::uint32_t>::max();

// A number edit takes its label and limits from the table the dialog checks it with.
constexpr FieldInfo Number(Field field, std::string_view name, int controlId,
                           params::NumberField number) {
  const params::NumberFieldLimits& limits = params::LimitsOf(number);
  return {field, name, FieldKind::kNumber, controlId, limits.label, limits.min, limits.max};
}

constexpr std::array<FieldInfo, 21> kFields = {{
    Number(Field::kSteps, "steps", app::IDC_EDIT_STEPS, params::NumberField::kSteps),
    Number(Field::kRate, "rate", app::IDC_EDIT_STEP_RATE, params::NumberField::kStepRate),
    Number(Field::kMotors, "motors", app::IDC_EDIT_MOTORS, params::NumberField::kMotors),
    Number(Field::kRepeat, "repeat", app::IDC_EDIT_CUT_REPEAT, params::NumberField::kCutRepeat),
    Number(Field::kStepDuration, "step-duration", app::IDC_EDIT_STEP_DURATION,
           params::NumberField::kStepDuration),
    Number(Field::kDirDelay, "dir-delay", app::IDC_EDIT_DIR_DELAY, params::NumberField::kDirDelay),
    {Field::kBraxo, "braxo", FieldKind::kCheck, app::IDC_CHECK_BRAXO_MODE, "BRAXO mode"},
    {Field::kTimer, "timer", FieldKind::kTimer, app::IDC_RADIO_TIMER_10K, "Timer"},
    {Field::kStep1, "step1", FieldKind::kPinList, app::IDC_COMBO_STEP1, "Motor1 (YL) Step"},
    {Field::kStep2, "step2", FieldKind::kPinList, app::IDC_COMBO_STEP2, "Motor2 (XL) Step"},
    {Field::kStep3, "step3", FieldKind::kPinList, app::IDC_COMBO_STEP3, "Motor3 (YR) Step"},
    {Field::kStep4, "step4", FieldKind::kPinList, app::IDC_COMBO_STEP4, "Motor4 (XR) Step"},
    {Field::kDir1, "dir1", FieldKind::kPinList, app::IDC_COMBO_DIR1, "Motor1 (YL) Dir"},
    {Field::kDir2, "dir2", FieldKind::kPinList, app::IDC_COMBO_DIR2, "Motor2 (XL) Dir"},
    {Field::kDir3, "dir3", FieldKind::kPinList, app::IDC_COMBO_DIR3, "Motor3 (YR) Dir"},
    {Field::kDir4, "dir4", FieldKind::kPinList, app::IDC_COMBO_DIR4, "Motor4 (XR) Dir"},
    {Field::kMotorOnPin, "motor-on-pin", FieldKind::kList, app::IDC_COMBO_MOTOR_ON_PIN,
     "Motor ON Pin"},
    {Field::kActiveHigh, "active-high", FieldKind::kCheck, app::IDC_CHECK_ACTIVE_HIGH,
     "Active High"},
    {Field::kStepMode, "step-mode", FieldKind::kList, app::IDC_COMBO_STEP_MODE, "Step Mode"},
    {Field::kPicRevA, "pic-rev-a", FieldKind::kCheck, app::IDC_CHECK_PIC_REV_A, "PIC 'A' revision"},
    {Field::kAddr, "addr", FieldKind::kAddress, app::IDC_EDIT_ADDR, "Addr:"},
}};

enum class Takes { kNothing, kValue, kOptionalValue, kFieldAndValue };

struct VerbInfo {
  Verb verb;
  std::string_view name;
  Takes takes;
};

constexpr std::array<VerbInfo, 16> kVerbs = {{
    {Verb::kConnect, "connect", Takes::kNothing},
    {Verb::kStatus, "status", Takes::kNothing},
    {Verb::kMotorOn, "motor-on", Takes::kNothing},
    {Verb::kMotorOff, "motor-off", Takes::kNothing},
    {Verb::kCutForward, "cut-forward", Takes::kNothing},
    {Verb::kCutBack, "cut-back", Takes::kNothing},
    {Verb::kProgramZbk, "program-zbk", Takes::kNothing},
    {Verb::kReadPic, "read-pic", Takes::kOptionalValue},
    {Verb::kProgramPic, "program-pic", Takes::kValue},
    {Verb::kErasePic, "erase-pic", Takes::kNothing},
    {Verb::kVerifyPic, "verify-pic", Takes::kValue},
    {Verb::kSavePic, "save-pic", Takes::kValue},
    {Verb::kPreset, "preset", Takes::kValue},
    {Verb::kSet, "set", Takes::kFieldAndValue},
    {Verb::kShow, "show", Takes::kNothing},
    {Verb::kWait, "wait", Takes::kValue},
}};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// Inner runs of blanks count as one blank: "Atelier   Norvex" names "Atelier Norvex".
std::string SquashBlanks(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (IsBlank(c)) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

// Splits off the first word; `rest` is what follows, trimmed.
std::string_view FirstWord(std::string_view s, std::string_view& rest) {
  std::size_t end = 0;
  while (end < s.size() && !IsBlank(s[end])) ++end;
  rest = Trim(s.substr(end));
  return s.substr(0, end);
}

// Decimal digits only, as a digits-only edit takes them.
std::optional<std::uint32_t> Digits(std::string_view s) {
  if (s.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > kU32Max) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::optional<std::uint32_t> OnOff(std::string_view s) {
  for (auto on : {"on", "1", "yes", "true", "checked"}) {
    if (SameNoCase(s, on)) return 1;
  }
  for (auto off : {"off", "0", "no", "false", "clear"}) {
    if (SameNoCase(s, off)) return 0;
  }
  return std::nullopt;
}

// A timer frequency in kHz ("10", "20" or "50"), with or without "k" or "kHz".
std::optional<std::uint32_t> TimerChoice(std::string_view s) {
  for (std::uint32_t i = 0; i < params::kTimerChoices.size(); ++i) {
    const std::string k = std::to_string(params::kTimerChoices[i].kilohertz);
    if (s.substr(0, k.size()) != k) continue;
    const auto unit = s.substr(k.size());
    if (unit.empty() || SameNoCase(unit, "k") || SameNoCase(unit, "khz")) return i;
  }
  return std::nullopt;
}

// "10, 20 or 50".
std::string TimerFrequencies() {
  std::string out;
  for (std::size_t i = 0; i < params::kTimerChoices.size(); ++i) {
    if (i > 0) out += i + 1 == params::kTimerChoices.size() ? " or " : ", ";
    out += std::to_string(params::kTimerChoices[i].kilohertz);
  }
  return out;
}

// An entry of `entries` by its text in any case, or by what `alias` turns the text into.
template <class Alias>
std::optional<std::string> Entry(std::span<const std::string_view> entries, std::string_view s,
                                 Alias alias) {
  for (auto e : entries) {
    if (SameNoCase(e, s)) return std::string(e);
  }
  return alias(s);
}

std::optional<std::string> PinEntry(std::string_view s) {
  const auto entries = params::GetPinSet(params::PinSetId::kAllPins).entries;
  return Entry(entries, s, [&](std::string_view t) -> std::optional<std::string> {
    // The connector pin number alone: pins 2 to 9 carry data bits 0 to 7.
    const auto pin = Digits(t);
    if (!pin || *pin < 2 || *pin > 9) return std::nullopt;
    return std::string(entries[*pin - 2]);
  });
}

std::optional<std::string> MotorOnEntry(std::string_view s) {
  const auto entries = params::MotorOnPinEntries();
  return Entry(entries, s, [&](std::string_view t) -> std::optional<std::string> {
    if (t == "1") return std::string(entries[params::kMotorOnPin1]);
    if (t == "17") return std::string(entries[params::kMotorOnPin17]);
    return std::nullopt;
  });
}

std::optional<std::string> StepModeEntry(std::string_view s) {
  const auto entries = params::StepModeEntries();
  return Entry(entries, s, [&](std::string_view t) -> std::optional<std::string> {
    // "full", "1/2" ... "1/16": the entry without its " step".
    for (auto e : entries) {
      if (SameNoCase(e.substr(0, e.size() - 5), t)) return std::string(e);
    }
    return std::nullopt;
  });
}

// A word address as the Addr field takes it: decimal, or "0x" and hexadecimal digits. The
// text is what the field shows once typed: the field turns hexadecimal letters upper-case.
std::optional<std::uint32_t> Address(std::string_view s, std::string& typed) {
  std::uint64_t value = 0;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    typed = "0x";
    for (char c : s.substr(2)) {
      const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                        : (Lower(c) >= 'a' && Lower(c) <= 'f')      ? Lower(c) - 'a' + 10
                                                                    : -1;
      if (digit < 0) return std::nullopt;
      value = value * 16 + static_cast<std::uint64_t>(digit);
      if (value > 0xFFFF) return std::nullopt;
      typed += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return static_cast<std::uint32_t>(value);
  }
  const auto decimal = Digits(s);
  if (!decimal || *decimal > 0xFFFF) return std::nullopt;
  typed = std::string(s);
  return decimal;
}

std::string Join(std::span<const std::string_view> names) {
  std::string out;
  for (auto n : names) {
    if (!out.empty()) out += ", ";
    out += n;
  }
  return out;
}

std::string VerbNames() {
  std::vector<std::string_view> names;
  for (const auto& v : kVerbs) names.push_back(v.name);
  return Join(names);
}

std::string FieldNames() {
  std::vector<std::string_view> names;
  for (const auto& f : kFields) names.push_back(f.name);
  return Join(names);
}

std::string Quoted(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

// The value of `set`, checked and put as the window writes it. Empty on success, else why not.
std::string SetValue(const FieldInfo& info, std::string_view v, Command& c) {
  const std::string name(info.name);
  switch (info.kind) {
    case FieldKind::kNumber: {
      const auto n = Digits(v);
      if (!n || *n < info.min || *n > info.max) {
        return "set " + name + ": " + Quoted(v) + " is not a number from " +
               std::to_string(info.min) + " to " + std::to_string(info.max);
      }
      c.number = *n;
      c.value = std::to_string(*n);
      return {};
    }
    case FieldKind::kCheck: {
      const auto on = OnOff(v);
      if (!on) return "set " + name + ": " + Quoted(v) + " is neither on nor off";
      c.number = *on;
      c.value = *on ? "on" : "off";
      return {};
    }
    case FieldKind::kTimer: {
      const auto choice = TimerChoice(v);
      if (!choice) return "set timer: " + Quoted(v) + " is not " + TimerFrequencies() + " (kHz)";
      c.number = *choice;
      c.value = std::to_string(params::kTimerChoices[*choice].kilohertz);
      return {};
    }
    case FieldKind::kPinList: {
      const auto entry = PinEntry(v);
      if (!entry) {
        return "set " + name + ": " + Quoted(v) + " is not a pin; pins are " +
               Join(params::GetPinSet(params::PinSetId::kAllPins).entries) +
               " or their numbers 2 to 9";
      }
      c.value = *entry;
      return {};
    }
    case FieldKind::kList: {
      const bool motorOn = info.field == Field::kMotorOnPin;
      const auto entry = motorOn ? MotorOnEntry(v) : StepModeEntry(v);
      if (!entry) {
        return "set " + name + ": " + Quoted(v) + " is not one of " +
               Join(motorOn ? params::MotorOnPinEntries() : params::StepModeEntries());
      }
      c.value = *entry;
      return {};
    }
    case FieldKind::kAddress: {
      const auto a = Address(v, c.value);
      if (!a) {
        return "set addr: " + Quoted(v) +
               " is not a word address from 0 to 65535 (decimal, or hexadecimal after 0x)";
      }
      c.number = *a;
      return {};
    }
  }
  return "set " + name + ": cannot be set";
}

std::string Unquoted(std::string_view s) {
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) {
    s = s.substr(1, s.size() - 2);
  }
  return std::string(s);
}

// Why the command is not good, or empty; fills `c`.
std::string Parse(std::string_view text, Command& c) {
  std::string_view rest;
  const std::string_view word = FirstWord(text, rest);
  const auto verb = std::find_if(kVerbs.begin(), kVerbs.end(),
                                 [&](const VerbInfo& v) { return SameNoCase(v.name, word); });
  if (verb == kVerbs.end()) {
    return "unknown command " + Quoted(word) + "; the commands are " + VerbNames();
  }
  c.verb = verb->verb;
  const std::string name(verb->name);
  switch (verb->takes) {
    case Takes::kNothing:
      if (!rest.empty()) return name + " takes no value (found " + Quoted(rest) + ")";
      return {};
    case Takes::kOptionalValue:
    case Takes::kValue:
      if (rest.empty()) {
        if (verb->takes == Takes::kOptionalValue) return {};
        if (c.verb == Verb::kProgramPic) return "program-pic needs the HEX file to program";
        if (c.verb == Verb::kVerifyPic) return "verify-pic needs the HEX file to compare with";
        if (c.verb == Verb::kSavePic) return "save-pic needs the HEX file to write";
        if (c.verb == Verb::kWait) return "wait needs a time in milliseconds";
        std::vector<std::string_view> presets;
        for (const auto& row : params::Presets()) presets.push_back(row.entry);
        return "preset needs one of " + Join(presets);
      }
      break;
    case Takes::kFieldAndValue:
      break;
  }

  switch (c.verb) {
    case Verb::kReadPic: {
      const auto a = Address(rest, c.value);
      if (!a) {
        return "read-pic: " + Quoted(rest) +
               " is not a word address from 0 to 65535 (decimal, or hexadecimal after 0x)";
      }
      c.number = *a;
      c.hasAddress = true;
      return {};
    }
    case Verb::kProgramPic:
      c.value = Unquoted(rest);
      if (c.value.empty()) return "program-pic needs the HEX file to program";
      return {};
    case Verb::kVerifyPic:
    case Verb::kSavePic:
      c.value = Unquoted(rest);
      if (c.value.empty()) return name + " needs a HEX file";
      return {};
    case Verb::kWait: {
      const auto ms = Digits(rest);
      if (!ms) return "wait: " + Quoted(rest) + " is not a time in milliseconds";
      c.number = *ms;
      return {};
    }
    case Verb::kPreset: {
      const std::string wanted = SquashBlanks(Unquoted(rest));
      std::vector<std::string_view> presets;
      for (const auto& row : params::Presets()) {
        presets.push_back(row.entry);
        if (SameNoCase(row.entry, wanted)) {
          c.value = std::string(row.entry);
          return {};
        }
      }
      return "preset: " + Quoted(rest) + " is not one of " + Join(presets);
    }
    case Verb::kSet: {
      std::string_view value;
      const std::string_view fieldName = FirstWord(rest, value);
      if (fieldName.empty()) {
        return "set needs a field and a value (\"set steps 96\"); the fields are " + FieldNames();
      }
      const auto field = std::find_if(kFields.begin(), kFields.end(), [&](const FieldInfo& f) {
        return SameNoCase(f.name, fieldName);
      });
      if (field == kFields.end()) {
        return "set: unknown field " + Quoted(fieldName) + "; the fields are " + FieldNames();
      }
      c.field = field->field;
      if (value.empty()) return "set " + std::string(field->name) + " needs a value";
      return SetValue(*field, SquashBlanks(value), c);
    }
    default:
      return {};
  }
}

// Stops the reading of a batch before its commands take more memory than a batch needs.
ParseResult TooManyCommands() {
  return {{}, "the batch holds more than " + std::to_string(kMaxBatchCommands) + " commands"};
}

ParseResult Collect(std::vector<std::pair<std::string, std::string>> pieces) {
  ParseResult result;
  for (auto& [text, where] : pieces) {
    ParseResult one = ParseCommand(text, where);
    if (!one.ok()) return {{}, one.error};
    result.commands.push_back(std::move(one.commands.front()));
  }
  if (result.commands.empty()) result.error = "the batch holds no command";
  return result;
}

}  // namespace

std::span<const FieldInfo> Fields() {
  return kFields;
}

const FieldInfo& InfoOf(Field field) {
  for (const auto& f : kFields) {
    if (f.field == field) return f;
  }
  return kFields.front();
}

std::string_view VerbName(Verb verb) {
  for (const auto& v : kVerbs) {
    if (v.verb == verb) return v.name;
  }
  return {};
}

int TimerRadioId(int timerChoice) {
  switch (timerChoice) {
    case 1:
      return app::IDC_RADIO_20K;
    case 2:
      return app::IDC_RADIO_50K;
    default:
      return app::IDC_RADIO_TIMER_10K;
  }
}

ParseResult ParseCommand(std::string_view text, std::string_view where) {
  Command c;
  c.text = std::string(Trim(text));
  c.where = std::string(where);
  const std::string why = Parse(c.text, c);
  if (!why.empty()) return {{}, c.where + " " + Quoted(c.text) + ": " + why};
  return {{std::move(c)}, {}};
}

ParseResult ParseBatch(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> pieces;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of(";\n", start);
    if (end == std::string_view::npos) end = text.size();
    const auto piece = Trim(text.substr(start, end - start));
    if (!piece.empty()) {
      if (pieces.size() == kMaxBatchCommands) return TooManyCommands();
      pieces.emplace_back(std::string(piece), "command " + std::to_string(pieces.size() + 1));
    }
    start = end + 1;
  }
  return Collect(std::move(pieces));
}

ParseResult ParseBatchFile(std::string_view contents, std::string_view fileName) {
  std::vector<std::pair<std::string, std::string>> pieces;
  // As HEX files are read: a UTF-8 byte-order mark at the start is dropped, and LF, CR LF and a
  // lone CR each end a line.
  if (contents.starts_with("\xEF\xBB\xBF")) contents.remove_prefix(3);
  std::size_t start = 0;
  for (int line = 1; start <= contents.size(); ++line) {
    std::size_t end = contents.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = contents.size();
    std::string_view text = contents.substr(start, end - start);
    start = end + 1;
    if (end + 1 < contents.size() && contents[end] == '\r' && contents[end + 1] == '\n') ++start;
    if (text.find('\0') != std::string_view::npos) {
      return {{},
              std::string(fileName) + ":" + std::to_string(line) +
                  ": NUL byte: not a text file; nothing was read"};
    }
    // A '#' inside a word (a file name such as "run#2.hex") is not a comment.
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '#' && (i == 0 || IsBlank(text[i - 1]))) {
        text = text.substr(0, i);
        break;
      }
    }
    text = Trim(text);
    if (!text.empty()) {
      if (pieces.size() == kMaxBatchCommands) return TooManyCommands();
      pieces.emplace_back(std::string(text), std::string(fileName) + ":" + std::to_string(line));
    }
  }
  return Collect(std::move(pieces));
}

}  // namespace batch
