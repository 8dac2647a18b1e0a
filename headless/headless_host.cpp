#include "headless/headless_host.h"

#include <algorithm>
#include <utility>

#include "ui/resources.h"

namespace headless {

using ui::Notification;

HeadlessHost::~HeadlessHost() {
  // Dialog objects may already be gone; only forget the windows.
  for (auto& w : windows_) {
    if (!w->destroyed_) w->dialog_->AttachWindow(nullptr);
  }
}

HeadlessWindow* HeadlessHost::WindowOf(ui::CDialog* dialog) {
  if (!dialog) return nullptr;
  for (auto& w : windows_) {
    if (!w->destroyed_ && w->dialog_ == dialog) return w.get();
  }
  return nullptr;
}

std::vector<HeadlessWindow*> HeadlessHost::Windows() {
  std::vector<HeadlessWindow*> live;
  for (auto& w : windows_) {
    if (!w->destroyed_) live.push_back(w.get());
  }
  return live;
}

HeadlessWindow& HeadlessHost::Create(ui::CDialog& dialog, ui::CDialog* owner, bool modal) {
  static const ui::DialogTemplate kEmpty{};
  const auto* tmpl = dialog.Template();
  windows_.push_back(std::make_unique<HeadlessWindow>(*this, dialog, tmpl ? *tmpl : kEmpty,
                                                      WindowOf(owner), modal));
  auto& window = *windows_.back();
  dialog.AttachWindow(&window);
  return window;
}

HeadlessWindow& HeadlessHost::Open(ui::CDialog& dialog) {
  auto& window = Create(dialog, nullptr, true);
  if (dialog.OnInitDialog()) {
    for (const auto& c : window.tmpl_->controls) {
      const auto* state = window.Find(c.id);
      if ((c.style & ui::kTabStop) && state && state->visible && state->enabled) {
        window.SetFocusTo(c.id, true);
        break;
      }
    }
  }
  Reap();
  return window;
}

int HeadlessHost::RunModal(ui::CDialog& dialog, ui::CDialog* owner) {
  modals_.push_back(dialog.TemplateId());
  auto& window = Create(dialog, owner, true);
  dialog.OnInitDialog();
  if (modalDriver_ && !window.ended_) modalDriver_(window);
  if (!window.ended_) {
    window.ended_ = true;
    window.result_ = ui::IDOK;
  }
  const int result = window.result_;
  Destroy(window);
  return result;
}

bool HeadlessHost::CreateModeless(ui::CDialog& dialog, ui::CDialog* owner) {
  if (!dialog.Template()) return false;
  Create(dialog, owner, false);
  dialog.OnInitDialog();
  return true;
}

void HeadlessHost::Destroy(HeadlessWindow& window) {
  if (window.destroyed_) return;
  window.timers_.clear();
  window.dialog_->Dispatch({ui::MsgKind::Destroy, 0, Notification::Clicked, 0});
  // Owned windows go with their owner.
  for (auto& w : windows_) {
    if (w->owner_ == &window && !w->destroyed_) Destroy(*w);
  }
  window.destroyed_ = true;
  window.visible_ = false;
  window.dialog_->AttachWindow(nullptr);
}

void HeadlessHost::Reap() {
  if (reaping_) return;
  reaping_ = true;
  for (std::size_t i = 0; i < windows_.size(); ++i) {
    auto& w = *windows_[i];
    if (w.modal_ && w.ended_ && !w.destroyed_) Destroy(w);
  }
  reaping_ = false;
}

void HeadlessHost::CloseAll() {
  for (std::size_t i = 0; i < windows_.size(); ++i) {
    auto& w = *windows_[i];
    if (!w.destroyed_ && w.owner_ == nullptr) {
      w.ended_ = true;
      Destroy(w);
    }
  }
}

void HeadlessHost::AdvanceTime(std::int64_t ms) {
  const std::int64_t end = clock_.NowUs() + ms * 1000;
  while (true) {
    // The earliest timer due by the end.
    HeadlessWindow* window = nullptr;
    int timerId = 0;
    std::int64_t due = end + 1;
    for (auto& w : windows_) {
      if (w->destroyed_) continue;
      for (const auto& [id, t] : w->timers_) {
        if (t.dueUs < due) {
          due = t.dueUs;
          window = w.get();
          timerId = id;
        }
      }
    }
    if (!window) break;
    const std::int64_t now = clock_.NowUs();
    if (due > now) clock_.SleepUs(due - now);
    auto& t = window->timers_[timerId];
    // A handler that ran long delays the next tick; ticks do not pile up.
    t.dueUs = std::max(t.dueUs + std::int64_t{t.periodMs} * 1000, clock_.NowUs() + 1);
    window->dialog_->Dispatch(
        {ui::MsgKind::Timer, 0, Notification::Clicked, static_cast<unsigned>(timerId)});
    Reap();
  }
  const std::int64_t now = clock_.NowUs();
  if (end > now) clock_.SleepUs(end - now);
}

int HeadlessHost::ShowBox(std::string_view text, std::string_view caption, unsigned type) {
  ShownBox box{std::string(text), std::string(caption), type, ui::IDOK};
  if (!answers_.empty()) {
    box.answer = answers_.front();
    answers_.pop_front();
  } else if (answerer_) {
    box.answer = answerer_(box);
  }
  if ((type & ui::MB_TYPEMASK) == ui::MB_OK) box.answer = ui::IDOK;
  if (whileBoxOpen_) whileBoxOpen_(box);
  boxes_.push_back(box);
  return box.answer;
}

void HeadlessHost::ItemInserted(HeadlessWindow& window, int id, int index, std::string_view text) {
  if (itemInserted_) itemInserted_(window, id, index, text);
}

int HeadlessHost::AppMessageBox(std::string_view text, unsigned type) {
  return ShowBox(text, ui::GetResources().appName, type);
}

std::optional<std::string> HeadlessHost::GetOpenFileName(std::string_view filterName,
                                                         std::string_view pattern) {
  ++fileDialogs_;
  lastFilter_ = std::string(filterName) + "|" + std::string(pattern);
  if (fileAnswers_.empty()) return std::nullopt;
  auto answer = std::move(fileAnswers_.front());
  fileAnswers_.pop_front();
  return answer;
}

std::optional<std::string> HeadlessHost::GetSaveFileName(std::string_view filterName,
                                                         std::string_view pattern,
                                                         std::string_view) {
  ++saveDialogs_;
  lastFilter_ = std::string(filterName) + "|" + std::string(pattern);
  if (fileAnswers_.empty()) return std::nullopt;
  auto answer = std::move(fileAnswers_.front());
  fileAnswers_.pop_front();
  return answer;
}

ui::CursorToken HeadlessHost::SetWaitCursor() {
  ++waitCursors_;
  return ui::CursorToken{cursorDepth_++};
}

void HeadlessHost::RestoreCursor(ui::CursorToken token) {
  cursorDepth_ = token.depth;
}

bool HeadlessHost::OpenClipboard() {
  if (clipboardLocked_ || clipboardOpen_) return false;
  clipboardOpen_ = true;
  return true;
}

std::optional<std::string> HeadlessHost::GetClipboardText() const {
  return clipboard_;
}

bool HeadlessHost::SetClipboardText(std::string_view text) {
  clipboard_ = std::string(text);
  return true;
}

}  // namespace headless
