#include "win32/win32_host.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "ui/resources.h"
#include "win32/app_icon.h"
#include "win32/dialog_window.h"
#include "win32/text_convert.h"
#include "win32/window_capture.h"

namespace win32host {

namespace {

DialogWindow* WindowOf(ui::CDialog* dialog) {
  return dialog ? dynamic_cast<DialogWindow*>(dialog->GetWindow()) : nullptr;
}

std::string WithNewlines(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

Win32Host::Win32Host()
    : bigIcon_(CreateAppIcon(GetSystemMetrics(SM_CXICON))),
      smallIcon_(CreateAppIcon(GetSystemMetrics(SM_CXSMICON))) {
  // Owns the clipboard's contents when the program sets them, whatever window is up.
  clipboardWindow_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
}

Win32Host::~Win32Host() {
  modeless_.clear();
  while (!cursors_.empty()) {
    SetCursor(cursors_.back());
    cursors_.pop_back();
  }
  if (clipboardOpen_) ::CloseClipboard();
  if (clipboardWindow_) DestroyWindow(clipboardWindow_);
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
}

void Win32Host::SetScreenshotPath(std::string path) {
  screenshotPath_ = std::move(path);
  capturing_ = CapturePending();
}

void Win32Host::SetControlListing(std::FILE* out) {
  listing_ = out;
  capturing_ = CapturePending();
}

DialogWindow* Win32Host::WindowFor(HWND hwnd) const {
  if (!hwnd) return nullptr;
  for (DialogWindow* w : modal_) {
    if (w->Hwnd() == hwnd) return w;
  }
  for (const auto& w : modeless_) {
    if (w->Hwnd() == hwnd) return w.get();
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Dialogs

int Win32Host::RunModal(ui::CDialog& dialog, ui::CDialog* owner) {
  const ui::DialogTemplate* tmpl = dialog.Template();
  if (!tmpl || dialog.HasWindow()) return -1;
  // Without an owner the dialog belongs to the innermost modal dialog, as the framework does.
  HWND ownerHwnd = nullptr;
  if (DialogWindow* o = WindowOf(owner)) ownerHwnd = o->Hwnd();
  if (!ownerHwnd && TopModal()) ownerHwnd = TopModal()->Hwnd();

  auto window = std::make_unique<DialogWindow>(*this, dialog, *tmpl, DialogWindow::Mode::Modal);
  modal_.push_back(window.get());
  int result = -1;
  if (window->Create(ownerHwnd)) {
    const bool ownerWasEnabled = ownerHwnd && IsWindowEnabled(ownerHwnd);
    if (ownerWasEnabled) EnableWindow(ownerHwnd, FALSE);
    if (!window->Ended()) {
      // A modal dialog shows when its loop starts, whether or not its template says visible.
      ShowWindow(window->Hwnd(), SW_SHOW);
      if (CapturePending() && !captureQueued_) {
        captureQueued_ = true;
        PostMessageW(window->Hwnd(), kCaptureMessage, 0, 0);
      }
      RunLoop(*window);
    }
    result = window->Result();
    // The owner first, so that it is the window that becomes active when this one hides.
    if (ownerWasEnabled) EnableWindow(ownerHwnd, TRUE);
    window->Destroy();
    if (ownerHwnd && ::IsWindowVisible(ownerHwnd)) SetActiveWindow(ownerHwnd);
  }
  modal_.erase(std::find(modal_.begin(), modal_.end(), window.get()));
  return result;
}

void Win32Host::RunLoop(DialogWindow& window) {
  MSG msg;
  while (!window.Ended()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // WM_QUIT ends every loop: hand it on to the next one out.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (PreTranslate(msg)) continue;
    const HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (IsDialogWindow(root) && IsDialogMessageW(root, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool Win32Host::CreateModeless(ui::CDialog& dialog, ui::CDialog* owner) {
  const ui::DialogTemplate* tmpl = dialog.Template();
  if (!tmpl) return false;
  // One window for a dialog object: a second Create finds the first.
  if (dialog.HasWindow()) return WindowOf(&dialog) != nullptr;
  DialogWindow* ownerWindow = WindowOf(owner);
  modeless_.push_back(
      std::make_unique<DialogWindow>(*this, dialog, *tmpl, DialogWindow::Mode::Modeless));
  if (!modeless_.back()->Create(ownerWindow ? ownerWindow->Hwnd() : nullptr)) {
    modeless_.pop_back();
    return false;
  }
  return true;
}

bool Win32Host::PreTranslate(MSG& msg) {
  // The system posts WM_KEYF1 for the F1 key-down that the lines below answer already; let
  // through, it would ask the dialog for help a second time.
  constexpr UINT kKeyF1 = 0x004D;
  if (msg.message == kKeyF1) return IsDialogWindow(GetAncestor(msg.hwnd, GA_ROOT));
  if (msg.message != WM_KEYDOWN && msg.message != WM_CHAR) return false;
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1 && GetKeyState(VK_CONTROL) >= 0 &&
      GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_MENU) >= 0) {
    DialogWindow* window = WindowFor(GetAncestor(msg.hwnd, GA_ROOT));
    if (window && window->AskForHelp()) return true;
  }
  auto it = hooks_.find(msg.hwnd);
  if (it == hooks_.end()) return false;
  ui::ControlHook* hook = it->second;
  ui::KeyMessage key;
  key.kind = msg.message == WM_KEYDOWN ? ui::KeyMessage::KeyDown : ui::KeyMessage::Char;
  key.key = static_cast<int>(msg.wParam);
  key.ch = static_cast<char32_t>(msg.wParam);
  key.ctrl = GetKeyState(VK_CONTROL) < 0;
  key.shift = GetKeyState(VK_SHIFT) < 0;
  const ui::KeyDecision decision = hook->PreTranslateKey(key);
  switch (decision.verdict) {
    case ui::KeyVerdict::Swallow:
      return true;
    case ui::KeyVerdict::Replace:
      msg.wParam = static_cast<WPARAM>(decision.replacement);
      return false;
    case ui::KeyVerdict::Pass:
      break;
  }
  return false;
}

void Win32Host::RegisterHook(HWND control, ui::ControlHook* hook) {
  hooks_[control] = hook;
}

void Win32Host::UnregisterHook(HWND control) {
  hooks_.erase(control);
}

void Win32Host::Repaint() {
  MSG msg;
  // Bounded: a window that never validates itself must not hold the command forever.
  for (int i = 0; i < 1000 && PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i) {
    DispatchMessageW(&msg);
  }
}

void Win32Host::Capture(DialogWindow& window) {
  const HWND hwnd = window.Hwnd();
  if (!hwnd) return;
  RedrawWindow(hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  GdiFlush();
  if (!screenshotPath_.empty()) {
    screenshotWritten_ = WriteWindowPng(hwnd, std::exchange(screenshotPath_, {}));
  }
  if (listing_) {
    std::fputs(window.DescribeControls().c_str(), listing_);
    std::fflush(listing_);
    listing_ = nullptr;
  }
  capturing_ = false;
  window.EndDialog(IDCANCEL);
}

// ---------------------------------------------------------------------------------------------
// Boxes, files, cursor

int Win32Host::ShowMessageBox(HWND owner, std::string_view text, std::string_view caption,
                              unsigned type) {
  const bool okCancel = (type & MB_TYPEMASK) == MB_OKCANCEL;
  if (capturing_) {
    std::fprintf(stderr, "%s: %s\n", std::string(caption).c_str(), WithNewlines(text).c_str());
    return okCancel ? IDCANCEL : IDOK;
  }
  const int answer = MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), type);
  // A box that could not be shown answers no to a question.
  if (answer == 0) return okCancel ? IDCANCEL : IDOK;
  return answer == IDCANCEL ? IDCANCEL : IDOK;
}

int Win32Host::AppMessageBox(std::string_view text, unsigned type) {
  HWND owner = nullptr;
  if (DialogWindow* top = TopModal(); top && ::IsWindowVisible(top->Hwnd())) owner = top->Hwnd();
  return ShowMessageBox(owner, text, ui::GetResources().appName, type);
}

std::optional<std::string> Win32Host::GetOpenFileName(std::string_view filterName,
                                                      std::string_view pattern) {
  // Pairs of NUL-terminated texts, the list ending with an empty one.
  std::wstring filter = Widen(filterName);
  filter.push_back(L'\0');
  filter += Widen(pattern);
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  std::wstring file(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = TopModal() ? TopModal()->Hwnd() : nullptr;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.Flags =
      OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&ofn)) return std::nullopt;
  return Narrow(file.c_str());
}

std::optional<std::string> Win32Host::GetSaveFileName(std::string_view filterName,
                                                      std::string_view pattern,
                                                      std::string_view defaultExtension) {
  std::wstring filter = Widen(filterName);
  filter.push_back(L'\0');
  filter += Widen(pattern);
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  const std::wstring extension = Widen(defaultExtension);
  std::wstring file(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = TopModal() ? TopModal()->Hwnd() : nullptr;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  ofn.Flags =
      OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&ofn)) return std::nullopt;
  return Narrow(file.c_str());
}

ui::CursorToken Win32Host::SetWaitCursor() {
  cursors_.push_back(SetCursor(LoadCursorA(nullptr, IDC_WAIT)));
  return {static_cast<int>(cursors_.size())};
}

void Win32Host::ShowProgress(std::uint32_t done, std::uint32_t total) {
  if (DialogWindow* window = TopModal()) window->ShowProgress(done, total);
}

void Win32Host::RestoreCursor(ui::CursorToken token) {
  if (token.depth <= 0) return;
  // Also takes back wait cursors set after this one and not restored.
  while (static_cast<int>(cursors_.size()) >= token.depth) {
    SetCursor(cursors_.back());
    cursors_.pop_back();
  }
}

// ---------------------------------------------------------------------------------------------
// Clipboard

bool Win32Host::OpenClipboard() {
  if (clipboardOpen_) return true;
  clipboardOpen_ = ::OpenClipboard(clipboardWindow_) != FALSE;
  return clipboardOpen_;
}

void Win32Host::CloseClipboard() {
  if (clipboardOpen_) ::CloseClipboard();
  clipboardOpen_ = false;
}

bool Win32Host::IsClipboardTextAvailable() const {
  return IsClipboardFormatAvailable(CF_TEXT) != FALSE;
}

std::optional<std::string> Win32Host::GetClipboardText() const {
  if (!clipboardOpen_) return std::nullopt;
  HANDLE data = GetClipboardData(CF_TEXT);
  if (!data) return std::nullopt;
  const auto* text = static_cast<const char*>(GlobalLock(data));
  if (!text) return std::nullopt;
  const std::size_t size = strnlen(text, GlobalSize(data));
  std::string utf8 = AnsiToUtf8(std::string_view(text, size));
  GlobalUnlock(data);
  return utf8;
}

bool Win32Host::SetClipboardText(std::string_view text) {
  if (!clipboardOpen_) return false;
  // Emptied first: a text left in another format would be what pastes.
  if (!EmptyClipboard()) return false;
  const std::string ansi = Utf8ToAnsi(text);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, ansi.size() + 1);
  if (!memory) return false;
  if (auto* bytes = static_cast<char*>(GlobalLock(memory))) {
    std::memcpy(bytes, ansi.c_str(), ansi.size() + 1);
    GlobalUnlock(memory);
  }
  if (!SetClipboardData(CF_TEXT, memory)) {
    GlobalFree(memory);
    return false;
  }
  return true;
}

}  // namespace win32host
