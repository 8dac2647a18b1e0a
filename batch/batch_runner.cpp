#include "batch/batch_runner.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/resource_ids.h"
#include "app/resources.h"
#include "batch/progress_line.h"
#include "batch/terminal_text.h"
#include "hidlink/hid_link.h"
#include "params/parameter_tables.h"
#include "pic/regular_file.h"
#include "pic/utf8_path.h"
#include "ui/resources.h"

namespace batch {

namespace {

using headless::ShownBox;

constexpr std::string_view kProgram = "zbk-utility: ";

// The headless host is the program's host for the length of a run.
struct HostScope {
  explicit HostScope(ui::Host* host) { ui::SetHost(host); }
  ~HostScope() { ui::SetHost(nullptr); }
  HostScope(const HostScope&) = delete;
  HostScope& operator=(const HostScope&) = delete;
};

std::string Quoted(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

std::string Place(const Command& c) {
  return c.where + " " + Quoted(c.text);
}

std::string LoadString(int id) {
  return ui::GetResources().LoadString(id);
}

// What went wrong with the first write that failed, for each stream; empty while all went out.
struct StdioState {
  std::string failure;
};

void WriteLine(std::FILE* stream, const char* name, std::string_view line, StdioState& state) {
  const std::string shown = EscapeControls(line);
  errno = 0;
  const bool written = std::fwrite(shown.data(), 1, shown.size(), stream) == shown.size() &&
                       std::fputc('\n', stream) != EOF && std::fflush(stream) == 0;
  if (!written && state.failure.empty()) {
    const int error = errno;
    state.failure = std::string("cannot write ") + name + ": " +
                    (error != 0 ? std::strerror(error) : "write error");
  }
  if (!written) std::clearerr(stream);
}

}  // namespace

BatchOutput StdioOutput() {
  auto state = std::make_shared<StdioState>();
  const auto failure = [state] { return state->failure; };
  const auto to = [state](std::FILE* stream, const char* name) {
    return [state, stream, name](std::string_view line) { WriteLine(stream, name, line, *state); };
  };
  if (!IsTerminal(stderr)) {
    return {to(stdout, "standard output"), to(stderr, "standard error"), nullptr, failure};
  }
  // Every line steps round the progress line, which may share the terminal with standard output.
  auto progress = std::make_shared<ProgressLine>(stderr);
  const auto around = [progress](std::function<void(std::string_view)> write) {
    return [progress, write](std::string_view line) {
      progress->BeforeLine();
      write(line);
      progress->AfterLine();
    };
  };
  return {around(to(stdout, "standard output")), around(to(stderr, "standard error")),
          [progress](std::string_view label, std::uint32_t done, std::uint32_t total) {
            progress->Show(label, done, total);
          },
          failure};
}

std::string FormatBox(const ShownBox& box) {
  std::string out = "[" + box.caption + "] ";
  std::string_view text = box.text;
  bool first = true;
  while (true) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!first) out += line.empty() ? "\n" : "\n  ";
    out += line;
    first = false;
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  out += " -> ";
  out += box.answer == ui::IDOK       ? "OK"
         : box.answer == ui::IDCANCEL ? "Cancel"
                                      : std::to_string(box.answer);
  return out;
}

BatchRunner::BatchRunner(clk::Clock& clock, RunSettings settings, BatchOutput output)
    : clock_(clock), settings_(settings), output_(std::move(output)) {}

int BatchRunner::Answer(const ShownBox& box) const {
  // Only the erase asks a question; it is answered as the operator said. Any other question
  // (there is none today) is declined.
  if (box.text == LoadString(app::IDS_CONFIRM_ERASE)) {
    return settings_.yes ? ui::IDOK : ui::IDCANCEL;
  }
  return ui::IDCANCEL;
}

int BatchRunner::Run(std::span<const Command> commands) {
  headless::HeadlessHost host(clock_);
  HostScope scope(&host);
  host.SetAnswerer([this](const ShownBox& box) { return Answer(box); });
  host.SetWhileBoxOpen([this](const ShownBox& box) { output_.err(FormatBox(box)); });
  host.SetProgressShown([this](const headless::HeadlessHost::Progress& p) {
    if (output_.progress && running_) output_.progress(running_->text, p.done, p.total);
  });
  app::Chid_testDlg dlg;
  host.SetItemInserted(
      [this, &dlg](headless::HeadlessWindow& window, int id, int, std::string_view text) {
        if (&window.Dialog() != &dlg || id != app::IDC_LIST_LOG) return;
        output_.out(text);
      });
  host_ = &host;
  dlg_ = &dlg;
  // The dialog opens as the window does: discovery, and Connect when the board is there.
  window_ = &host.Open(dlg);

  int status = batch::kExitOk;
  for (const Command& c : commands) {
    // A closed or full output loses every line from now on: the command that was running when
    // it failed has finished, and nothing more starts unseen.
    if (const std::string failure = output_.failure ? output_.failure() : std::string();
        !failure.empty()) {
      output_.err(std::string(kProgram) + failure + "; the batch stops before " + Place(c));
      status = batch::kExitFailure;
      break;
    }
    // What a command does without a handler of its own (typing, a check box) comes to done.
    dlg.m_outcome = {};
    running_ = &c;
    status = RunOne(c);
    running_ = nullptr;
    if (status != batch::kExitOk) break;
  }

  // Closing asks for the jumper back in normal position after a PIC command, as the window does.
  window_->PressEscape();
  host.CloseAll();
  host.SetItemInserted(nullptr);
  host.SetProgressShown(nullptr);
  host.SetWhileBoxOpen(nullptr);
  host.SetAnswerer(nullptr);
  host_ = nullptr;
  window_ = nullptr;
  dlg_ = nullptr;
  return status;
}

int BatchRunner::RunOne(const Command& c) {
  switch (c.verb) {
    case Verb::kShow:
      Show();
      return batch::kExitOk;
    case Verb::kWait:
      // Time passes as in the window: the connect prompt's timer ticks meanwhile.
      host_->AdvanceTime(c.number);
      return batch::kExitOk;
    case Verb::kSet:
      return Set(c);
    case Verb::kPreset:
      return Preset(c);
    default:
      return BoardCommand(c);
  }
}

int BatchRunner::Refuse(const Command& c, const std::string& why) {
  output_.err(std::string(kProgram) + Place(c) + ": " + why + "; the batch stops here");
  return batch::kExitFailure;
}

int BatchRunner::NoBoard(const Command& c) {
  if (!hidlink::HidLink::refusal.empty()) {
    output_.err(std::string(kProgram) + Place(c) +
                ": the ZBK board was found but may not be opened" +
                (settings_.waitBoardSeconds > 0
                     ? " within " + std::to_string(settings_.waitBoardSeconds) + " s"
                     : std::string()));
    return batch::kExitNoBoard;
  }
  output_.err(std::string(kProgram) + Place(c) + ": no ZBK board found" +
              (settings_.waitBoardSeconds > 0
                   ? " within " + std::to_string(settings_.waitBoardSeconds) + " s"
                   : std::string(" (--wait-board SECONDS waits for one)")));
  return batch::kExitNoBoard;
}

int BatchRunner::Result(const Command& c) {
  const app::CommandOutcome& outcome = dlg_->m_outcome;
  switch (outcome.kind) {
    case app::Outcome::kDone:
      return batch::kExitOk;
    case app::Outcome::kRefused:
    case app::Outcome::kFailed:
      return Refuse(c, outcome.reason);
    case app::Outcome::kCancelled:
      // Only the erase asks, and the batch answers it from --yes.
      return Refuse(
          c, outcome.reason + (c.verb == Verb::kErasePic ? " (run with --yes to erase)" : ""));
    case app::Outcome::kNotIdle:
      return Refuse(c, "the board did not become idle");
    case app::Outcome::kLinkFailed:
      return Refuse(c,
                    "the link to the board closed: a report could not be written, or no reply "
                    "came within " +
                        std::to_string(hidlink::kReadTimeoutMs) + " ms");
    case app::Outcome::kNoBoard:
      return NoBoard(c);
  }
  return Refuse(c, "the command ended in an unknown way");
}

BatchRunner::Board BatchRunner::EnsureBoard() {
  if (dlg_->m_bBoardPresent) return Board::kPresent;
  // As a user would: "Connect ZBK", then wait while the connect prompt polls for the board.
  window_->Click(app::IDC_BUTTON_CONNECT);
  if (!dlg_->m_bBoardPresent && settings_.waitBoardSeconds > 0) {
    output_.err("Please connect the ZBK interface... (waiting up to " +
                std::to_string(settings_.waitBoardSeconds) + " s)");
    const std::int64_t endUs =
        clock_.NowUs() + std::int64_t{settings_.waitBoardSeconds} * 1'000'000;
    while (!dlg_->m_bBoardPresent) {
      const std::int64_t leftUs = endUs - clock_.NowUs();
      if (leftUs <= 0) break;
      host_->AdvanceTime(std::min<std::int64_t>((leftUs + 999) / 1000, 100));
    }
  }
  if (dlg_->m_bBoardPresent) return Board::kFoundNow;
  // The wait is over: a board that still refuses access says why, as the window says it after
  // its patience.
  dlg_->ReportAccessRefusal();
  return Board::kAbsent;
}

int BatchRunner::BoardCommand(const Command& c) {
  const Board board = EnsureBoard();
  if (board == Board::kAbsent) return NoBoard(c);

  auto& w = *window_;
  switch (c.verb) {
    case Verb::kConnect:
      // Finding the board has just run Connect.
      if (board != Board::kFoundNow) w.Click(app::IDC_BUTTON_CONNECT);
      break;
    case Verb::kStatus:
      w.Click(app::IDC_BUTTON_STATUS);
      break;
    case Verb::kMotorOn:
      w.Click(app::IDC_BUTTON_MOTOR_ON);
      break;
    case Verb::kMotorOff:
      w.Click(app::IDC_BUTTON_MOTOR_OFF);
      break;
    case Verb::kCutForward:
      w.Click(app::IDC_BUTTON_CUT_FORWARD);
      break;
    case Verb::kCutBack:
      w.Click(app::IDC_BUTTON_CUT_BACK);
      break;
    case Verb::kProgramZbk:
      w.Click(app::IDC_BUTTON_PROGRAM);
      break;
    case Verb::kReadPic: {
      // The move of the jumper into programming position clears the Addr field; the user is
      // told first, then types the address and reads.
      const std::string address = c.hasAddress ? c.value : w.GetText(app::IDC_EDIT_ADDR);
      if (dlg_->m_nJumperPos != 1) dlg_->RequireJumperPosition(1);
      if (w.GetText(app::IDC_EDIT_ADDR) != address && !TypeInto(app::IDC_EDIT_ADDR, address)) {
        return Refuse(c, "the Addr field does not take " + Quoted(address));
      }
      w.Click(app::IDC_BUTTON_READ_PIC);
      break;
    }
    case Verb::kProgramPic:
      host_->QueueFileAnswer(c.value);
      w.Click(app::IDC_BUTTON_PROGRAM_PIC);
      break;
    case Verb::kErasePic:
      w.Click(app::IDC_BUTTON_ERASE_PIC);
      break;
    case Verb::kVerifyPic:
      host_->QueueFileAnswer(c.value);
      w.SysCommand(app::IDM_VERIFY_PIC);
      break;
    case Verb::kSavePic:
      host_->QueueFileAnswer(c.value);
      w.SysCommand(app::IDM_SAVE_PIC);
      break;
    default:
      break;
  }

  // The command's handler, or the Connect that found the board, left its outcome.
  return Result(c);
}

bool BatchRunner::TypeInto(int id, const std::string& text) {
  auto& w = *window_;
  w.SetSel(id, 0, -1);
  w.Type(id, text);
  return w.GetText(id) == text;
}

namespace {

// Why the window keeps a control disabled, as far as the batch can tell.
std::string DisabledHint(const app::Chid_testDlg& dlg, const FieldInfo& info, int id) {
  switch (info.field) {
    case Field::kStepDuration:
    case Field::kDirDelay:
    case Field::kTimer:
      if (dlg.m_nBraxoMode == 1) return " while BRAXO mode is on";
      if (id == app::IDC_RADIO_50K) return ": this board generation has no 50 kHz timer";
      if (!dlg.m_bBoardPresent) return " until the board is found";
      return {};
    case Field::kBraxo:
      return dlg.m_bBoardPresent ? std::string() : " until the board is found";
    case Field::kStepMode:
      return ": only the \"Atelier Norvex\" preset enables it";
    case Field::kMotorOnPin:
    case Field::kActiveHigh:
      return ": only boards of generation 2 and 3 have it";
    default:
      if (info.kind == FieldKind::kPinList) return " at this board generation";
      return {};
  }
}

}  // namespace

int BatchRunner::Set(const Command& c) {
  const FieldInfo& info = InfoOf(c.field);
  auto& w = *window_;
  const int id =
      info.kind == FieldKind::kTimer ? TimerRadioId(static_cast<int>(c.number)) : info.controlId;
  const std::string control = Quoted(info.label);
  if (!w.IsControlEnabled(id)) {
    std::string what = control;
    if (info.kind == FieldKind::kTimer) what = "the " + c.value + " kHz radio of " + control;
    return Refuse(c, what + " is disabled" + DisabledHint(*dlg_, info, id));
  }

  switch (info.kind) {
    case FieldKind::kNumber:
      if (!TypeInto(id, c.value)) {
        return Refuse(c, control + " shows " + Quoted(w.GetText(id)) + " after typing");
      }
      break;
    case FieldKind::kAddress:
      if (!TypeInto(id, c.value) || dlg_->m_editAddr.GetValue() != c.number) {
        return Refuse(c, control + " shows " + Quoted(w.GetText(id)) + " after typing");
      }
      break;
    case FieldKind::kCheck:
      if (w.GetCheck(id) != static_cast<int>(c.number)) w.Click(id);
      if (w.GetCheck(id) != static_cast<int>(c.number)) {
        return Refuse(c, control + " did not change");
      }
      break;
    case FieldKind::kTimer:
      w.Click(id);
      break;
    case FieldKind::kPinList:
    case FieldKind::kList: {
      const auto items = w.Items(id);
      const auto found = std::find(items.begin(), items.end(), c.value);
      if (found == items.end()) {
        if (items.empty()) {
          return Refuse(c, "the " + control +
                               " list is empty: a Connect to a ZBK board fills it (run connect)");
        }
        std::string entries;
        for (const auto& item : items) entries += (entries.empty() ? "" : ", ") + item;
        return Refuse(c, "the " + control + " list holds " + entries);
      }
      w.SelectItem(id, static_cast<int>(found - items.begin()));
      break;
    }
  }
  return Result(c);
}

int BatchRunner::Preset(const Command& c) {
  auto& w = *window_;
  if (!w.IsControlEnabled(app::IDC_COMBO_PRESET)) {
    return Refuse(c, "the presets list is disabled: only boards of generation 2 and 3 have it");
  }
  const auto items = w.Items(app::IDC_COMBO_PRESET);
  const auto found = std::find(items.begin(), items.end(), c.value);
  if (found == items.end()) return Refuse(c, "the presets list has no " + Quoted(c.value));
  w.SelectItem(app::IDC_COMBO_PRESET, static_cast<int>(found - items.begin()));
  return Result(c);
}

void BatchRunner::Show() {
  auto& w = *window_;
  auto selected = [&](int id) {
    const std::string text = w.GetText(id);
    return text.empty() ? std::string("(none)") : text;
  };
  output_.out("preset = " + selected(app::IDC_COMBO_PRESET));
  for (const FieldInfo& info : Fields()) {
    std::string value;
    switch (info.kind) {
      case FieldKind::kNumber:
      case FieldKind::kAddress:
        value = w.GetText(info.controlId);
        break;
      case FieldKind::kCheck:
        value = w.GetCheck(info.controlId) ? "on" : "off";
        break;
      case FieldKind::kTimer:
        value = "(none)";
        for (std::size_t choice = 0; choice < params::kTimerChoices.size(); ++choice) {
          if (w.GetCheck(TimerRadioId(static_cast<int>(choice)))) {
            value = std::to_string(params::kTimerChoices[choice].kilohertz);
          }
        }
        break;
      case FieldKind::kPinList:
      case FieldKind::kList:
        value = selected(info.controlId);
        break;
    }
    output_.out(std::string(info.name) + " = " + value);
  }
}

namespace {

// save-pic writes beside its file: the folder must be there, and the name must not be one.
std::string CheckSaveTarget(const Command& c) {
  const auto path = pic::PathFromUtf8(c.value);
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return Place(c) + ": " + c.value + " is a folder";
  const auto folder = path.parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
    return Place(c) + ": there is no folder " + folder.string();
  }
  return {};
}

}  // namespace

std::string CheckFiles(std::span<const Command> commands) {
  // A file that an earlier save-pic of the batch writes is there by the time it is read.
  std::vector<std::string> saved;
  for (const Command& c : commands) {
    if (c.verb == Verb::kSavePic) {
      if (const std::string bad = CheckSaveTarget(c); !bad.empty()) return bad;
      saved.push_back(c.value);
      continue;
    }
    if (c.verb != Verb::kProgramPic && c.verb != Verb::kVerifyPic) continue;
    if (std::find(saved.begin(), saved.end(), c.value) != saved.end()) continue;
    // Only a regular file is opened here: a named pipe would lose its writer to this look.
    pic::FileCheck check;
    if (pic::OpenRegularFile(pic::PathFromUtf8(c.value), check)) continue;
    if (check.problem == pic::FileProblem::kMissing) {
      return Place(c) + ": there is no file " + c.value;
    }
    return Place(c) + ": " + c.value + " " + pic::Describe(check);
  }
  return {};
}

}  // namespace batch
