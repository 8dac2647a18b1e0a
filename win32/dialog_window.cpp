#include "win32/dialog_window.h"

#include <algorithm>
#include <optional>
#include <string>

#include "win32/dialog_builder.h"
#include "win32/text_convert.h"
#include "win32/win32_host.h"

namespace win32host {

using ui::ControlKind;
using ui::Notification;

namespace {

std::wstring WindowTextOf(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  if (n <= 0) return {};
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

std::wstring ClassNameOf(HWND hwnd) {
  wchar_t name[64] = L"";
  GetClassNameW(hwnd, name, 64);
  return name;
}

bool IsButtonKind(ControlKind k) {
  return k == ControlKind::PushButton || k == ControlKind::DefPushButton ||
         k == ControlKind::CheckBox || k == ControlKind::AutoCheckBox ||
         k == ControlKind::AutoRadioButton;
}

// A kind that no control has: ids the template does not know.
constexpr auto kNoKind = static_cast<ControlKind>(-1);

}  // namespace

DialogWindow::DialogWindow(Win32Host& host, ui::CDialog& dialog, const ui::DialogTemplate& tmpl,
                           Mode mode)
    : host_(host), dialog_(dialog), tmpl_(tmpl), mode_(mode) {}

DialogWindow::~DialogWindow() {
  if (hwnd_) {
    // The dialog object may be gone by now: the window goes without telling it.
    detached_ = true;
    DestroyWindow(hwnd_);
  }
}

bool DialogWindow::Create(HWND owner) {
  owner_ = owner;
  return CreateDialogWindow(tmpl_, owner, &DialogWindow::DialogProc,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

void DialogWindow::Destroy() {
  if (!hwnd_) return;
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  DestroyWindow(hwnd_);
}

HWND DialogWindow::ControlAt(std::size_t index) const {
  return index < controls_.size() ? controls_[index] : nullptr;
}

HWND DialogWindow::Control(int id) const {
  const ui::ControlTemplate* c = TemplateOf(id);
  if (!c) return nullptr;
  return ControlAt(static_cast<std::size_t>(c - tmpl_.controls.data()));
}

const ui::ControlTemplate* DialogWindow::TemplateOf(int id) const {
  return tmpl_.FindControl(id);
}

ControlKind DialogWindow::KindOf(int id) const {
  const ui::ControlTemplate* c = TemplateOf(id);
  return c ? c->kind : kNoKind;
}

ui::ControlHook* DialogWindow::HookOf(HWND control) const {
  auto it = hooks_.find(control);
  return it == hooks_.end() ? nullptr : it->second;
}

void DialogWindow::Send(const ui::Message& message) {
  if (detached_) return;
  dialog_.Dispatch(message);
}

void DialogWindow::Command(int id, Notification code) {
  Send({ui::MsgKind::Command, id, code, 0});
}

std::string DialogWindow::DescribeControls() const {
  std::string out;
  if (!hwnd_) return out;
  RECT frame{}, client{};
  ::GetWindowRect(hwnd_, &frame);
  GetClientRect(hwnd_, &client);
  char line[512];
  std::snprintf(line, sizeof line, "window %ldx%ld client %ldx%ld \"%s\"\n",
                frame.right - frame.left, frame.bottom - frame.top, client.right, client.bottom,
                Narrow(WindowTextOf(hwnd_)).c_str());
  out += line;
  for (std::size_t i = 0; i < tmpl_.controls.size(); ++i) {
    const HWND w = ControlAt(i);
    if (!w) {
      std::snprintf(line, sizeof line, "missing %d\n", tmpl_.controls[i].id);
      out += line;
      continue;
    }
    RECT r{};
    ::GetWindowRect(w, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    std::snprintf(line, sizeof line, "control %d %s %ld,%ld,%ld,%ld %s %s \"%s\"\n",
                  GetDlgCtrlID(w), Narrow(ClassNameOf(w)).c_str(), r.left, r.top, r.right - r.left,
                  r.bottom - r.top, (style & WS_VISIBLE) ? "visible" : "hidden",
                  ::IsWindowEnabled(w) ? "enabled" : "disabled", Narrow(WindowTextOf(w)).c_str());
    out += line;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Messages

INT_PTR CALLBACK DialogWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<DialogWindow*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    return self->OnInitDialog(hwnd);
  }
  auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  return self->HandleMessage(message, wParam, lParam);
}

BOOL DialogWindow::OnInitDialog(HWND hwnd) {
  hwnd_ = hwnd;

  controls_ = FindControls(hwnd, tmpl_);
  FillControls(controls_, tmpl_, host_.BigIcon());
  SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(host_.BigIcon()));
  SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(host_.SmallIcon()));

  // A window whose template has no system menu still gets one for the program's items, but no
  // close command: it ends by its buttons and Escape only.
  noClose_ = !(tmpl_.style & ui::kDsSysMenu);
  if (noClose_) {
    if (HMENU menu = GetSystemMenu(hwnd, FALSE)) {
      DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND);
      const int last = GetMenuItemCount(menu) - 1;
      if (last >= 0 && GetMenuState(menu, static_cast<UINT>(last), MF_BYPOSITION) & MF_SEPARATOR) {
        DeleteMenu(menu, static_cast<UINT>(last), MF_BYPOSITION);
      }
    }
  }

  CentreOnOwner();
  dialog_.AttachWindow(this);
  // TRUE: the dialog manager gives the focus to the first tab stop.
  return dialog_.OnInitDialog() ? TRUE : FALSE;
}

void DialogWindow::CentreOnOwner() {
  RECT area{};
  const HMONITOR monitor = MonitorFromWindow(owner_ ? owner_ : hwnd_, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  const RECT work = info.rcWork;
  if (owner_ && ::IsWindowVisible(owner_) && !::IsIconic(owner_)) {
    ::GetWindowRect(owner_, &area);
  } else {
    area = work;
  }
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  const LONG w = r.right - r.left, h = r.bottom - r.top;
  LONG x = area.left + (area.right - area.left - w) / 2;
  LONG y = area.top + (area.bottom - area.top - h) / 2;
  // Keep the caption on the screen.
  x = std::max(work.left, std::min(x, work.right - w));
  y = std::max(work.top, std::min(y, work.bottom - h));
  SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR DialogWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommandMessage(wParam, lParam);
      return TRUE;
    case WM_TIMER:
      Send({ui::MsgKind::Timer, 0, Notification::Clicked, static_cast<unsigned>(wParam)});
      return TRUE;
    case WM_SYSCOMMAND: {
      const unsigned command = static_cast<unsigned>(wParam) & 0xFFF0;
      if (noClose_ && command == SC_CLOSE) return TRUE;
      // The program hears the commands of the items it added; the rest are the system's.
      for (const auto& item : systemMenu_) {
        if (!item.separator && static_cast<unsigned>(item.id) == command) {
          Send({ui::MsgKind::SysCommand, 0, Notification::Clicked, static_cast<unsigned>(wParam)});
          return TRUE;
        }
      }
      return FALSE;
    }
    case WM_HELP:
      AskForHelp();
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_PAINT:
      Send({ui::MsgKind::Paint, 0, Notification::Clicked, 0});
      return FALSE;  // the dialog manager paints
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(host_.BigIcon());
    case WM_SETCURSOR:
      if (host_.WaitCursorShown()) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case kCaptureMessage:
      host_.Capture(*this);
      return TRUE;
    case WM_DESTROY:
      // No tick may reach a dialog that is on its way out.
      for (UINT_PTR timer : timers_) ::KillTimer(hwnd_, timer);
      timers_.clear();
      destroying_ = true;
      Send({ui::MsgKind::Destroy, 0, Notification::Clicked, 0});
      destroying_ = false;
      if (!detached_) {
        detached_ = true;
        dialog_.AttachWindow(nullptr);
      }
      return FALSE;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
      hwnd_ = nullptr;
      controls_.clear();
      return FALSE;
    default:
      return FALSE;
  }
}

bool DialogWindow::AskForHelp() {
  for (const auto& item : systemMenu_) {
    if (!item.separator) {
      // One request, one answer: a request that reaches the window while its help is up (the
      // system's WM_HELP for the same key, say) is taken as answered.
      if (inHelp_) return true;
      inHelp_ = true;
      Send({ui::MsgKind::SysCommand, 0, Notification::Clicked, static_cast<unsigned>(item.id)});
      inHelp_ = false;
      return true;
    }
  }
  return false;
}

void DialogWindow::ShowProgress(std::uint32_t done, std::uint32_t total) {
  if (!hwnd_) return;
  if (total == 0) {
    if (ProgressBar()) {
      ::ShowWindow(progress_, SW_HIDE);
      SetWindowTextW(hwnd_, titleBeforeProgress_.c_str());
    }
    return;
  }
  if (!ProgressBar()) {
    const int length = GetWindowTextLengthW(hwnd_);
    std::wstring title(static_cast<std::size_t>(length) + 1, L'\0');
    title.resize(static_cast<std::size_t>(GetWindowTextW(hwnd_, title.data(), length + 1)));
    titleBeforeProgress_ = title;
    // Over the bottom of the largest list, where the run's lines arrive.
    RECT area{};
    GetClientRect(hwnd_, &area);
    long largest = 0;
    for (std::size_t i = 0; i < controls_.size() && i < tmpl_.controls.size(); ++i) {
      if (tmpl_.controls[i].kind != ui::ControlKind::ListBox || !::IsWindowVisible(controls_[i])) {
        continue;
      }
      RECT r{};
      ::GetWindowRect(controls_[i], &r);
      MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
      const long size = (r.right - r.left) * (r.bottom - r.top);
      if (size > largest) {
        largest = size;
        area = r;
      }
    }
    const int height = 18;
    if (!progress_) {
      progress_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 0, 0, hwnd_, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    }
    if (!progress_) return;
    SetWindowPos(progress_, HWND_TOP, area.left + 4, area.bottom - height - 4,
                 area.right - area.left - 8, height, SWP_SHOWWINDOW);
  }
  const auto clamp = [](std::uint32_t v) {
    return static_cast<LPARAM>(std::min<std::uint32_t>(v, 0x7FFFFFFF));
  };
  SendMessageW(progress_, PBM_SETRANGE32, 0, clamp(total));
  SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(clamp(std::min(done, total))), 0);
  const std::wstring text = L" \u2014 " + std::to_wstring(done) + L" of " + std::to_wstring(total);
  SetWindowTextW(hwnd_, (titleBeforeProgress_ + text).c_str());
}

void DialogWindow::OnCommandMessage(WPARAM wParam, LPARAM lParam) {
  const int id = static_cast<short>(LOWORD(wParam));
  const unsigned code = HIWORD(wParam);
  if (lParam == 0) {
    // A menu item or an accelerator; the dialog manager's IDOK and IDCANCEL without a button.
    if (code == 0 || code == 1) Command(id, Notification::Clicked);
    return;
  }
  const ControlKind kind = KindOf(id);
  if (IsButtonKind(kind)) {
    if (code == BN_CLICKED) Command(id, Notification::Clicked);
    if (code == BN_SETFOCUS) Command(id, Notification::SetFocus);
    if (code == BN_KILLFOCUS) Command(id, Notification::KillFocus);
    return;
  }
  switch (kind) {
    case ControlKind::Edit:
      if (code == EN_SETFOCUS) Command(id, Notification::SetFocus);
      if (code == EN_KILLFOCUS) Command(id, Notification::KillFocus);
      if (code == EN_UPDATE || code == EN_CHANGE) {
        const Notification n = code == EN_UPDATE ? Notification::Update : Notification::Change;
        // A subclassed edit hears its own text changes, reflected; the dialog does not.
        if (ui::ControlHook* hook = HookOf(reinterpret_cast<HWND>(lParam))) {
          if (!detached_) hook->OnReflectedNotify(n);
        } else {
          Command(id, n);
        }
      }
      return;
    case ControlKind::DropDownList:
      if (code == CBN_SELCHANGE) Command(id, Notification::SelChange);
      if (code == CBN_SETFOCUS) Command(id, Notification::SetFocus);
      if (code == CBN_KILLFOCUS) Command(id, Notification::KillFocus);
      return;
    case ControlKind::ListBox:
      if (code == LBN_SELCHANGE) Command(id, Notification::SelChange);
      if (code == LBN_SETFOCUS) Command(id, Notification::SetFocus);
      if (code == LBN_KILLFOCUS) Command(id, Notification::KillFocus);
      return;
    default:
      if (code == BN_CLICKED) Command(id, Notification::Clicked);
      return;
  }
}

LRESULT CALLBACK DialogWindow::HookedControlProc(HWND hwnd, UINT message, WPARAM wParam,
                                                 LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
  auto* self = reinterpret_cast<DialogWindow*>(data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, &DialogWindow::HookedControlProc, id);
    self->hooks_.erase(hwnd);
    self->host_.UnregisterHook(hwnd);
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  return self->HandleHookedMessage(hwnd, message, wParam, lParam);
}

LRESULT DialogWindow::HandleHookedMessage(HWND control, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
  ui::ControlHook* hook = detached_ ? nullptr : HookOf(control);
  if (hook) {
    switch (message) {
      case WM_CONTEXTMENU: {
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (at.x == -1 && at.y == -1) {
          // From the keyboard: below the control's left end.
          RECT r{};
          ::GetWindowRect(control, &r);
          at = {r.left + 2, r.bottom};
        }
        if (hook->OnContextMenu({at.x, at.y})) return 0;
        break;
      }
      case WM_PASTE: {
        // Pastes from any road obey the same check as typed ones.
        std::optional<std::string> text;
        if (host_.OpenClipboard()) {
          text = host_.GetClipboardText();
          host_.CloseClipboard();
        }
        if (text && !hook->AcceptInsertion(*text)) return 0;
        break;
      }
      default:
        break;
    }
  }
  return DefSubclassProc(control, message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Controls

bool DialogWindow::HasControl(int id) const {
  return Control(id) != nullptr;
}

void DialogWindow::SetText(int id, std::string_view text) {
  const HWND w = Control(id);
  if (!w) return;
  const std::wstring wide = Widen(text);
  if (KindOf(id) == ControlKind::DropDownList) {
    // A drop-down list shows only its entries: the text picks the matching one.
    const LRESULT at = SendMessageW(w, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(wide.c_str()));
    if (at != CB_ERR) SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    return;
  }
  SetWindowTextW(w, wide.c_str());
}

std::string DialogWindow::GetText(int id) const {
  const HWND w = Control(id);
  if (!w || KindOf(id) == ControlKind::ListBox) return {};
  return Narrow(WindowTextOf(w));
}

void DialogWindow::SetCheck(int id, int state) {
  if (const HWND w = Control(id); w && IsButtonKind(KindOf(id))) {
    SendMessageW(w, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

int DialogWindow::GetCheck(int id) const {
  const HWND w = Control(id);
  if (!w || !IsButtonKind(KindOf(id))) return 0;
  return SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void DialogWindow::EnableControl(int id, bool enable) {
  if (const HWND w = Control(id)) EnableWindow(w, enable ? TRUE : FALSE);
}

bool DialogWindow::IsControlEnabled(int id) const {
  const HWND w = Control(id);
  return w && ::IsWindowEnabled(w);
}

void DialogWindow::ShowControl(int id, bool show) {
  if (const HWND w = Control(id)) ::ShowWindow(w, show ? SW_SHOW : SW_HIDE);
}

bool DialogWindow::IsControlVisible(int id) const {
  // Visible within the dialog, whether or not the dialog itself shows yet.
  const HWND w = Control(id);
  return w && (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE);
}

void DialogWindow::SetFocus(int id) {
  // The plain focus: the dialog manager's own move would select the whole text of an edit.
  if (const HWND w = Control(id)) ::SetFocus(w);
}

int DialogWindow::GetFocus() const {
  HWND f = ::GetFocus();
  while (f && f != hwnd_ && GetParent(f) != hwnd_) f = GetParent(f);
  if (!f || f == hwnd_) return 0;
  return GetDlgCtrlID(f);
}

void DialogWindow::SetDefaultButton(int id) {
  if (hwnd_) SendMessageW(hwnd_, DM_SETDEFID, static_cast<WPARAM>(id), 0);
}

int DialogWindow::GetDefaultButton() const {
  if (!hwnd_) return IDOK;
  const LRESULT r = SendMessageW(hwnd_, DM_GETDEFID, 0, 0);
  return HIWORD(r) == DC_HASDEFID ? static_cast<short>(LOWORD(r)) : IDOK;
}

void DialogWindow::SubclassControl(int id, ui::ControlHook* hook) {
  const HWND w = Control(id);
  if (!w || !hook) return;
  if (!hooks_.count(w)) {
    if (!SetWindowSubclass(w, &DialogWindow::HookedControlProc, 1,
                           reinterpret_cast<DWORD_PTR>(this))) {
      return;
    }
  }
  hooks_[w] = hook;
  host_.RegisterHook(w, hook);
}

int DialogWindow::AddString(int id, std::string_view text) {
  const HWND w = Control(id);
  const ControlKind kind = KindOf(id);
  if (!w || (kind != ControlKind::DropDownList && kind != ControlKind::ListBox)) return LB_ERR;
  const LRESULT at =
      SendMessageW(w, kind == ControlKind::DropDownList ? CB_ADDSTRING : LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(Widen(text).c_str()));
  return at < 0 ? LB_ERR : static_cast<int>(at);
}

int DialogWindow::InsertString(int id, int index, std::string_view text) {
  const HWND w = Control(id);
  const ControlKind kind = KindOf(id);
  if (!w || (kind != ControlKind::DropDownList && kind != ControlKind::ListBox) || index < -1) {
    return LB_ERR;
  }
  const LRESULT at =
      SendMessageW(w, kind == ControlKind::DropDownList ? CB_INSERTSTRING : LB_INSERTSTRING,
                   static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(Widen(text).c_str()));
  return at < 0 ? LB_ERR : static_cast<int>(at);
}

int DialogWindow::DeleteString(int id, int index) {
  const HWND w = Control(id);
  const ControlKind kind = KindOf(id);
  if (!w || index < 0) return LB_ERR;
  LRESULT left = LB_ERR;
  if (kind == ControlKind::DropDownList) left = SendMessageW(w, CB_DELETESTRING, index, 0);
  if (kind == ControlKind::ListBox) left = SendMessageW(w, LB_DELETESTRING, index, 0);
  return left < 0 ? LB_ERR : static_cast<int>(left);
}

int DialogWindow::GetCount(int id) const {
  const HWND w = Control(id);
  if (!w) return 0;
  LRESULT n = 0;
  if (KindOf(id) == ControlKind::DropDownList) n = SendMessageW(w, CB_GETCOUNT, 0, 0);
  if (KindOf(id) == ControlKind::ListBox) n = SendMessageW(w, LB_GETCOUNT, 0, 0);
  return n < 0 ? 0 : static_cast<int>(n);
}

std::string DialogWindow::GetItemText(int id, int index) const {
  const HWND w = Control(id);
  const ControlKind kind = KindOf(id);
  if (!w || index < 0 || (kind != ControlKind::DropDownList && kind != ControlKind::ListBox)) {
    return {};
  }
  const bool combo = kind == ControlKind::DropDownList;
  const LRESULT n = SendMessageW(w, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0);
  if (n < 0) return {};
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  const LRESULT got = SendMessageW(w, combo ? CB_GETLBTEXT : LB_GETTEXT, index,
                                   reinterpret_cast<LPARAM>(text.data()));
  if (got < 0) return {};
  text.resize(static_cast<std::size_t>(got));
  return Narrow(text);
}

int DialogWindow::SetCurSel(int id, int index) {
  const HWND w = Control(id);
  const ControlKind kind = KindOf(id);
  if (!w || (kind != ControlKind::DropDownList && kind != ControlKind::ListBox)) return LB_ERR;
  const bool combo = kind == ControlKind::DropDownList;
  if (index < 0 || index >= GetCount(id)) {
    SendMessageW(w, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    return LB_ERR;
  }
  const LRESULT at = SendMessageW(w, combo ? CB_SETCURSEL : LB_SETCURSEL, index, 0);
  return at < 0 ? LB_ERR : static_cast<int>(at);
}

int DialogWindow::GetCurSel(int id) const {
  const HWND w = Control(id);
  const ControlKind kind = KindOf(id);
  if (!w) return LB_ERR;
  LRESULT at = LB_ERR;
  if (kind == ControlKind::DropDownList) at = SendMessageW(w, CB_GETCURSEL, 0, 0);
  if (kind == ControlKind::ListBox) at = SendMessageW(w, LB_GETCURSEL, 0, 0);
  return at < 0 ? LB_ERR : static_cast<int>(at);
}

// ---------------------------------------------------------------------------------------------
// Edits

void DialogWindow::GetSel(int id, int& start, int& end) const {
  start = end = 0;
  const HWND w = Control(id);
  if (!w || KindOf(id) != ControlKind::Edit) return;
  DWORD s = 0, e = 0;
  SendMessageW(w, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  const std::wstring text = WindowTextOf(w);
  start = Utf16ToUtf8Offset(text, static_cast<int>(s));
  end = Utf16ToUtf8Offset(text, static_cast<int>(e));
}

void DialogWindow::SetSel(int id, int start, int end) {
  const HWND w = Control(id);
  if (!w || KindOf(id) != ControlKind::Edit) return;
  if (start < 0) {
    SendMessageW(w, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    return;
  }
  const std::wstring text = WindowTextOf(w);
  const int s = Utf8ToUtf16Offset(text, start);
  const int e = end < 0 ? static_cast<int>(text.size()) : Utf8ToUtf16Offset(text, end);
  SendMessageW(w, EM_SETSEL, static_cast<WPARAM>(s), static_cast<LPARAM>(e));
}

void DialogWindow::ReplaceSel(int id, std::string_view text) {
  if (const HWND w = Control(id); w && KindOf(id) == ControlKind::Edit) {
    SendMessageW(w, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  }
}

bool DialogWindow::CanUndo(int id) const {
  const HWND w = Control(id);
  return w && KindOf(id) == ControlKind::Edit && SendMessageW(w, EM_CANUNDO, 0, 0) != 0;
}

bool DialogWindow::IsReadOnly(int id) const {
  const HWND w = Control(id);
  return w && KindOf(id) == ControlKind::Edit && (GetWindowLongW(w, GWL_STYLE) & ES_READONLY);
}

void DialogWindow::Undo(int id) {
  if (const HWND w = Control(id); w && KindOf(id) == ControlKind::Edit)
    SendMessageW(w, WM_UNDO, 0, 0);
}

void DialogWindow::Cut(int id) {
  if (const HWND w = Control(id); w && KindOf(id) == ControlKind::Edit)
    SendMessageW(w, WM_CUT, 0, 0);
}

void DialogWindow::Copy(int id) {
  if (const HWND w = Control(id); w && KindOf(id) == ControlKind::Edit)
    SendMessageW(w, WM_COPY, 0, 0);
}

void DialogWindow::Paste(int id) {
  if (const HWND w = Control(id); w && KindOf(id) == ControlKind::Edit)
    SendMessageW(w, WM_PASTE, 0, 0);
}

void DialogWindow::Clear(int id) {
  if (const HWND w = Control(id); w && KindOf(id) == ControlKind::Edit)
    SendMessageW(w, WM_CLEAR, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// The window

ui::Rect DialogWindow::GetWindowRect() const {
  RECT r{};
  if (hwnd_) ::GetWindowRect(hwnd_, &r);
  return {r.left, r.top, r.right, r.bottom};
}

void DialogWindow::MoveWindow(const ui::Rect& rect, bool repaint) {
  if (hwnd_) ::MoveWindow(hwnd_, rect.left, rect.top, rect.Width(), rect.Height(), repaint);
}

void DialogWindow::ShowWindow(bool show) {
  if (hwnd_) ::ShowWindow(hwnd_, show ? SW_SHOW : SW_HIDE);
}

bool DialogWindow::IsWindowVisible() const {
  return hwnd_ && ::IsWindowVisible(hwnd_);
}

bool DialogWindow::IsIconic() const {
  return hwnd_ && ::IsIconic(hwnd_);
}

void DialogWindow::SetTimer(int timerId, unsigned periodMs) {
  if (!hwnd_) return;
  const auto id = static_cast<UINT_PTR>(timerId);
  if (::SetTimer(hwnd_, id, periodMs, nullptr) &&
      std::find(timers_.begin(), timers_.end(), id) == timers_.end()) {
    timers_.push_back(id);
  }
}

void DialogWindow::KillTimer(int timerId) {
  if (!hwnd_) return;
  const auto id = static_cast<UINT_PTR>(timerId);
  ::KillTimer(hwnd_, id);
  timers_.erase(std::remove(timers_.begin(), timers_.end(), id), timers_.end());
}

void DialogWindow::AppendSystemMenuSeparator() {
  if (HMENU menu = hwnd_ ? GetSystemMenu(hwnd_, FALSE) : nullptr) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    systemMenu_.push_back({0, "", true, false});
  }
}

void DialogWindow::AppendSystemMenuItem(int command, std::string_view text) {
  if (HMENU menu = hwnd_ ? GetSystemMenu(hwnd_, FALSE) : nullptr) {
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), Widen(text).c_str());
    systemMenu_.push_back({command, std::string(text), false, false});
  }
}

int DialogWindow::MessageBox(std::string_view text, std::string_view caption, unsigned type) {
  // A window on its way out owns no box.
  return host_.ShowMessageBox(destroying_ ? nullptr : hwnd_, text, caption, type);
}

HMENU BuildPopupMenu(std::span<const ui::MenuItem> items) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return nullptr;
  for (const auto& item : items) {
    if (item.separator) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(menu, MF_STRING | (item.grayed ? MF_GRAYED : 0u), static_cast<UINT_PTR>(item.id),
                  Widen(item.text).c_str());
    }
  }
  return menu;
}

int DialogWindow::TrackPopupMenu(std::span<const ui::MenuItem> items, ui::Point screenPoint) {
  if (!hwnd_) return 0;
  HMENU menu = BuildPopupMenu(items);
  if (!menu) return 0;
  const BOOL chosen =
      ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                       screenPoint.x, screenPoint.y, 0, hwnd_, nullptr);
  DestroyMenu(menu);
  return static_cast<int>(chosen);
}

void DialogWindow::RepaintNow() {
  host_.Repaint();
}

void DialogWindow::EndDialog(int result) {
  if (!hwnd_) return;
  if (mode_ == Mode::Modeless) {
    ::ShowWindow(hwnd_, SW_HIDE);  // a modeless dialog is only hidden; it goes with its owner
    return;
  }
  ended_ = true;
  result_ = result;
  PostMessageW(hwnd_, WM_NULL, 0, 0);  // wakes the modal loop
}

}  // namespace win32host
