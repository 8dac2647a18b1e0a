#include "headless/headless_window.h"

#include <algorithm>
#include <utility>

#include "headless/headless_host.h"

namespace headless {

using ui::ControlKind;
using ui::Notification;

namespace {

// Base units of an 8 point dialog font on a typical screen.
constexpr int kBaseX = 6;
constexpr int kBaseY = 13;

ui::Rect PixelRect(const ui::DlgRect& r, int left, int top) {
  const int x = left + r.x * kBaseX / 4;
  const int y = top + r.y * kBaseY / 8;
  return {x, y, x + r.cx * kBaseX / 4, y + r.cy * kBaseY / 8};
}

bool IsList(ControlKind k) {
  return k == ControlKind::ListBox || k == ControlKind::DropDownList;
}

}  // namespace

HeadlessWindow::HeadlessWindow(HeadlessHost& host, ui::CDialog& dialog,
                               const ui::DialogTemplate& tmpl, HeadlessWindow* owner, bool modal)
    : host_(host), dialog_(&dialog), tmpl_(&tmpl), owner_(owner), modal_(modal) {
  rect_ = PixelRect(tmpl.rect, 0, 0);
  // Dialogs open centred on their owner, or at a fixed place on the screen.
  const int w = rect_.Width(), h = rect_.Height();
  int left = 100, top = 100;
  if (owner) {
    const auto o = owner->GetWindowRect();
    left = (o.left + o.right - w) / 2;
    top = (o.top + o.bottom - h) / 2;
  }
  rect_ = {left, top, left + w, top + h};
  visible_ = modal || (tmpl.style & ui::kDsVisible);
  for (const auto& c : tmpl.controls) {
    if (c.id == -1) continue;
    Control state;
    state.tmpl = &c;
    state.enabled = !(c.style & ui::kDisabled);
    state.visible = (c.style & ui::kVisible) != 0;
    if (!IsList(c.kind) && c.kind != ControlKind::Edit) state.text = std::string(c.caption);
    for (auto item : c.items) state.items.emplace_back(item);
    controls_[c.id] = std::move(state);
    // As the native dialog manager: the first default push button is the default.
    if (c.kind == ControlKind::DefPushButton && defaultButton_ == 0) defaultButton_ = c.id;
  }
}

HeadlessWindow::Control* HeadlessWindow::Find(int id) {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : &it->second;
}

const HeadlessWindow::Control* HeadlessWindow::Find(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : &it->second;
}

bool HeadlessWindow::TakesInput(const Control* c) const {
  if (!c || !c->enabled || !c->visible || destroyed_) return false;
  // While a modal child runs, its owner takes no input.
  return true;
}

bool HeadlessWindow::IsEdit(const Control* c) const {
  return c && c->tmpl->kind == ControlKind::Edit;
}

void HeadlessWindow::Notify(int id, Notification code) {
  if (destroyed_) return;
  dialog_->Dispatch({ui::MsgKind::Command, id, code, 0});
}

void HeadlessWindow::TextChanged(int id) {
  auto* c = Find(id);
  if (!c) return;
  if (c->hook) {
    c->hook->OnReflectedNotify(Notification::Update);
  } else {
    Notify(id, Notification::Update);
    Notify(id, Notification::Change);
  }
}

bool HeadlessWindow::HasControl(int id) const {
  return Find(id) != nullptr;
}

void HeadlessWindow::SetText(int id, std::string_view text) {
  auto* c = Find(id);
  if (!c) return;
  c->text = std::string(text);
  if (IsEdit(c)) {
    // As a native edit: new text puts the caret at the start and empties the undo.
    c->selStart = c->selEnd = 0;
    c->undoText.reset();
    TextChanged(id);
  }
}

std::string HeadlessWindow::GetText(int id) const {
  const auto* c = Find(id);
  if (!c) return {};
  if (c->tmpl->kind == ControlKind::DropDownList) {
    return c->curSel >= 0 ? c->items[c->curSel] : std::string();
  }
  return c->text;
}

void HeadlessWindow::SetCheck(int id, int state) {
  if (auto* c = Find(id)) c->check = state;
}

int HeadlessWindow::GetCheck(int id) const {
  const auto* c = Find(id);
  return c ? c->check : 0;
}

void HeadlessWindow::EnableControl(int id, bool enable) {
  if (auto* c = Find(id)) c->enabled = enable;
}

bool HeadlessWindow::IsControlEnabled(int id) const {
  const auto* c = Find(id);
  return c && c->enabled;
}

void HeadlessWindow::ShowControl(int id, bool show) {
  if (auto* c = Find(id)) c->visible = show;
}

bool HeadlessWindow::IsControlVisible(int id) const {
  const auto* c = Find(id);
  return c && c->visible;
}

void HeadlessWindow::SetFocusTo(int id, bool notify) {
  if (id == focus_) return;
  const int old = focus_;
  focus_ = id;
  const auto* oldControl = Find(old);
  if (notify && IsEdit(oldControl)) Notify(old, Notification::KillFocus);
  if (notify && IsEdit(Find(id))) Notify(id, Notification::SetFocus);
}

void HeadlessWindow::SetFocus(int id) {
  if (!Find(id)) return;
  SetFocusTo(id, true);
}

void HeadlessWindow::SubclassControl(int id, ui::ControlHook* hook) {
  if (auto* c = Find(id)) c->hook = hook;
}

int HeadlessWindow::AddString(int id, std::string_view text) {
  auto* c = Find(id);
  if (!c || !IsList(c->tmpl->kind)) return ui::LB_ERR;
  // The native list and combo rules: a sorted one puts a new entry after those equal to it, and
  // the selection stays on its entry.
  auto pos = c->items.end();
  if (c->tmpl->style & ui::kSort) {
    pos = std::upper_bound(c->items.begin(), c->items.end(), std::string(text));
  }
  const int index = static_cast<int>(pos - c->items.begin());
  c->items.insert(pos, std::string(text));
  if (c->curSel >= index) ++c->curSel;
  host_.ItemInserted(*this, id, index, text);
  return index;
}

int HeadlessWindow::InsertString(int id, int index, std::string_view text) {
  auto* c = Find(id);
  if (!c || !IsList(c->tmpl->kind)) return ui::LB_ERR;
  const int count = static_cast<int>(c->items.size());
  // As natively: -1 is the end, the selection stays on its entry, no sorting.
  if (index < -1 || index > count) return ui::LB_ERR;
  if (index == -1) index = count;
  c->items.insert(c->items.begin() + index, std::string(text));
  if (c->curSel >= index) ++c->curSel;
  host_.ItemInserted(*this, id, index, text);
  return index;
}

int HeadlessWindow::DeleteString(int id, int index) {
  auto* c = Find(id);
  if (!c || !IsList(c->tmpl->kind)) return ui::LB_ERR;
  if (index < 0 || index >= static_cast<int>(c->items.size())) return ui::LB_ERR;
  c->items.erase(c->items.begin() + index);
  // As natively: deleting the selected entry leaves none selected; the count is returned.
  if (c->curSel == index) {
    c->curSel = -1;
  } else if (c->curSel > index) {
    --c->curSel;
  }
  return static_cast<int>(c->items.size());
}

int HeadlessWindow::GetCount(int id) const {
  const auto* c = Find(id);
  return c ? static_cast<int>(c->items.size()) : 0;
}

std::string HeadlessWindow::GetItemText(int id, int index) const {
  const auto* c = Find(id);
  if (!c || index < 0 || index >= static_cast<int>(c->items.size())) return {};
  return c->items[index];
}

int HeadlessWindow::SetCurSel(int id, int index) {
  auto* c = Find(id);
  if (!c) return ui::LB_ERR;
  // As natively: an index out of range clears the selection and is an error.
  if (index < 0 || index >= static_cast<int>(c->items.size())) {
    c->curSel = -1;
    return ui::LB_ERR;
  }
  c->curSel = index;
  return index;
}

int HeadlessWindow::GetCurSel(int id) const {
  const auto* c = Find(id);
  return c ? c->curSel : ui::LB_ERR;
}

void HeadlessWindow::GetSel(int id, int& start, int& end) const {
  const auto* c = Find(id);
  start = c ? c->selStart : 0;
  end = c ? c->selEnd : 0;
}

void HeadlessWindow::SetSel(int id, int start, int end) {
  auto* c = Find(id);
  if (!c) return;
  // The native edit's rules: an end of -1 or past the text is the end of the text, and the two
  // ends may come in either order.
  const int len = static_cast<int>(c->text.size());
  if (end < 0 || end > len) end = len;
  if (start < 0) {
    start = end = 0;  // a negative start removes the selection
  }
  if (start > len) start = len;
  if (start > end) std::swap(start, end);
  c->selStart = start;
  c->selEnd = end;
}

void HeadlessWindow::EditReplace(int id, std::string_view text, bool keepUndo) {
  auto* c = Find(id);
  if (!IsEdit(c)) return;
  if (keepUndo) c->undoText = c->text;
  c->text.replace(c->selStart, c->selEnd - c->selStart, text);
  c->selStart = c->selEnd = c->selStart + static_cast<int>(text.size());
  TextChanged(id);
}

void HeadlessWindow::ReplaceSel(int id, std::string_view text) {
  EditReplace(id, text, true);
}

bool HeadlessWindow::CanUndo(int id) const {
  const auto* c = Find(id);
  return c && c->undoText.has_value();
}

bool HeadlessWindow::IsReadOnly(int id) const {
  const auto* c = Find(id);
  return c && (c->tmpl->style & ui::kReadOnly);
}

void HeadlessWindow::Undo(int id) {
  // A native edit keeps one level of undo, and undoing the undo redoes.
  auto* c = Find(id);
  if (!c || !c->undoText) return;
  std::string previous = std::move(*c->undoText);
  c->undoText = c->text;
  c->text = std::move(previous);
  c->selStart = c->selEnd = static_cast<int>(c->text.size());
  TextChanged(id);
}

void HeadlessWindow::Copy(int id) {
  const auto* c = Find(id);
  if (!c || c->selStart == c->selEnd) return;
  if (host_.OpenClipboard()) {
    host_.SetClipboardText(c->text.substr(c->selStart, c->selEnd - c->selStart));
    host_.CloseClipboard();
  }
}

void HeadlessWindow::Cut(int id) {
  const auto* c = Find(id);
  if (!c || c->selStart == c->selEnd || IsReadOnly(id)) return;
  Copy(id);
  EditReplace(id, "", true);
}

void HeadlessWindow::Paste(int id) {
  if (IsReadOnly(id) || !host_.OpenClipboard()) return;
  auto text = host_.GetClipboardText();
  host_.CloseClipboard();
  if (text) EditReplace(id, *text, true);
}

void HeadlessWindow::Clear(int id) {
  const auto* c = Find(id);
  if (!c || c->selStart == c->selEnd || IsReadOnly(id)) return;
  EditReplace(id, "", true);
}

void HeadlessWindow::SetTimer(int timerId, unsigned periodMs) {
  timers_[timerId] = Timer{periodMs, host_.clock_.NowUs() + std::int64_t{periodMs} * 1000};
}

unsigned HeadlessWindow::TimerPeriod(int timerId) const {
  auto it = timers_.find(timerId);
  return it == timers_.end() ? 0 : it->second.periodMs;
}

void HeadlessWindow::AppendSystemMenuSeparator() {
  systemMenu_.push_back({0, "", true, false});
}

void HeadlessWindow::AppendSystemMenuItem(int command, std::string_view text) {
  systemMenu_.push_back({command, std::string(text), false, false});
}

int HeadlessWindow::MessageBox(std::string_view text, std::string_view caption, unsigned type) {
  return host_.ShowBox(text, caption, type);
}

int HeadlessWindow::TrackPopupMenu(std::span<const ui::MenuItem> items, ui::Point) {
  host_.lastMenu_.assign(items.begin(), items.end());
  if (host_.menuChoices_.empty()) return 0;
  const int choice = host_.menuChoices_.front();
  host_.menuChoices_.pop_front();
  for (const auto& item : items) {
    if (!item.separator && !item.grayed && item.id == choice) return choice;
  }
  return 0;
}

void HeadlessWindow::EndDialog(int result) {
  if (!modal_) {
    visible_ = false;  // a modeless dialog only hides
    return;
  }
  ended_ = true;
  result_ = result;
}

std::vector<std::string> HeadlessWindow::Items(int id) const {
  const auto* c = Find(id);
  return c ? c->items : std::vector<std::string>{};
}

void HeadlessWindow::Click(int id) {
  auto* c = Find(id);
  if (!TakesInput(c)) return;
  // As the native automatic buttons: a check box toggles, a radio button checks itself and clears
  // the others of its group.
  switch (c->tmpl->kind) {
    case ControlKind::AutoCheckBox:
      c->check = c->check ? 0 : 1;
      break;
    case ControlKind::AutoRadioButton: {
      // Find the group: back to the control that starts it, then forward.
      const auto& all = tmpl_->controls;
      std::size_t i = 0;
      while (i < all.size() && all[i].id != id) ++i;
      std::size_t first = i;
      while (first > 0 && !(all[first].style & ui::kGroup) &&
             all[first - 1].kind == ControlKind::AutoRadioButton) {
        --first;
      }
      for (const auto& radio : ui::RadioGroup(*tmpl_, all[first].id)) {
        if (auto* r = Find(radio.id)) r->check = radio.id == id ? 1 : 0;
      }
      break;
    }
    default:
      break;
  }
  if (c->tmpl->kind == ControlKind::PushButton || c->tmpl->kind == ControlKind::DefPushButton ||
      c->tmpl->kind == ControlKind::CheckBox || c->tmpl->kind == ControlKind::AutoCheckBox ||
      c->tmpl->kind == ControlKind::AutoRadioButton) {
    Notify(id, Notification::Clicked);
  }
  host_.Reap();
}

void HeadlessWindow::SelectItem(int id, int index) {
  auto* c = Find(id);
  if (!TakesInput(c) || !IsList(c->tmpl->kind)) return;
  if (index < 0 || index >= static_cast<int>(c->items.size())) return;
  c->curSel = index;
  Notify(id, Notification::SelChange);
  host_.Reap();
}

void HeadlessWindow::Focus(int id) {
  if (!TakesInput(Find(id))) return;
  SetFocusTo(id, true);
  host_.Reap();
}

void HeadlessWindow::Type(int id, std::string_view text) {
  auto* c = Find(id);
  if (!TakesInput(c) || !IsEdit(c)) return;
  SetFocusTo(id, true);
  for (unsigned char raw : text) {
    char32_t ch = raw;
    c = Find(id);
    if (c->hook) {
      const auto decision = c->hook->PreTranslateKey({ui::KeyMessage::Char, 0, ch, false, false});
      if (decision.verdict == ui::KeyVerdict::Swallow) continue;
      if (decision.verdict == ui::KeyVerdict::Replace) ch = decision.replacement;
    }
    // As a native edit: backspace deletes the selection or the character before the caret,
    // other control characters are dropped, and a number edit takes digits only.
    if (ch == 8) {
      if (c->selStart == c->selEnd && c->selStart > 0) c->selStart--;
      EditReplace(id, "", true);
      continue;
    }
    if (ch < 0x20 || IsReadOnly(id)) continue;
    if ((c->tmpl->style & ui::kNumber) && (ch < '0' || ch > '9')) continue;
    const char s[2] = {static_cast<char>(ch), 0};
    EditReplace(id, s, true);
  }
  host_.Reap();
}

void HeadlessWindow::KeyDown(int id, int key, bool ctrl, bool shift) {
  constexpr int kInsert = 0x2D;
  auto* c = Find(id);
  if (!TakesInput(c)) return;
  if (c->hook) {
    const auto d = c->hook->PreTranslateKey({ui::KeyMessage::KeyDown, key, 0, ctrl, shift});
    if (d.verdict == ui::KeyVerdict::Swallow) return;
  }
  if (IsEdit(c)) {
    if (ctrl && key == 'X') Cut(id);
    if (ctrl && key == 'C') Copy(id);
    if (ctrl && key == 'V') Paste(id);
    if (ctrl && key == 'Z') Undo(id);
    if (ctrl && !shift && key == kInsert) Copy(id);
    if (shift && !ctrl && key == kInsert) Paste(id);
    if (shift && !ctrl && key == ui::VK_DELETE) Cut(id);
    if (!ctrl && !shift && key == ui::VK_DELETE && !IsReadOnly(id)) {
      if (c->selStart == c->selEnd && c->selEnd < static_cast<int>(c->text.size())) c->selEnd++;
      EditReplace(id, "", true);
    }
  }
  host_.Reap();
}

void HeadlessWindow::PressEnter() {
  if (destroyed_) return;
  const int id = defaultButton_ ? defaultButton_ : ui::IDOK;
  const auto* c = Find(id);
  if (c && !c->enabled) return;
  Notify(id, Notification::Clicked);
  host_.Reap();
}

void HeadlessWindow::PressEscape() {
  if (destroyed_) return;
  Notify(ui::IDCANCEL, Notification::Clicked);
  host_.Reap();
}

void HeadlessWindow::SysCommand(unsigned command) {
  if (destroyed_) return;
  dialog_->Dispatch({ui::MsgKind::SysCommand, 0, Notification::Clicked, command});
  host_.Reap();
}

}  // namespace headless
