// The Win32 host on the real window system (Wine's under the tests): the dialogs the system builds
// from the resource tables, the system menu, the modal loop, the hex edit's keys and pastes
// through the real edit control, paints during long commands, timers, clipboard, cursor, boxes
// and the picture of a window.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/chid_test_dlg.h"
#include "app/resource_ids.h"
#include "hidlink/hid_link.h"
#include "win32/text_convert.h"
#include "win32/win32_fixture.h"
#include "win32/window_capture.h"

namespace win32test {
namespace {

using ui::ControlKind;

std::wstring ClassOf(HWND w) {
  wchar_t name[64] = L"";
  GetClassNameW(w, name, 64);
  return name;
}

std::string TextOf(HWND w) {
  wchar_t text[256] = L"";
  GetWindowTextW(w, text, 256);
  return win32host::Narrow(text);
}

RECT ClientRectOf(HWND w, HWND dialog) {
  RECT r{};
  GetWindowRect(w, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

const wchar_t* ExpectedClass(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
      return L"Edit";
    case ControlKind::DropDownList:
      return L"ComboBox";
    case ControlKind::ListBox:
      return L"ListBox";
    case ControlKind::Label:
    case ControlKind::Icon:
      return L"Static";
    default:
      return L"Button";
  }
}

using Win32HostTest = Win32Test;

TEST_F(Win32HostTest, MainWindowHasEveryControlWhereTheSystemLaysOutTheTemplate) {
  ui::CDialog main(app::IDD_HID_TEST_DIALOG);
  ASSERT_TRUE(host_->CreateModeless(main, nullptr));
  auto& window = WindowOf(main);
  const HWND dlg = window.Hwnd();
  const ui::DialogTemplate& t = app::MainDialogTemplate();

  wchar_t caption[64] = L"";
  GetWindowTextW(dlg, caption, 64);
  EXPECT_STREQ(caption, L"ZBK Utility V2.5");
  const LONG style = GetWindowLongW(dlg, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU) << "the About item needs a system menu";
  EXPECT_TRUE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  RECT client{}, expected{0, 0, t.rect.cx, t.rect.cy};
  GetClientRect(dlg, &client);
  MapDialogRect(dlg, &expected);
  EXPECT_EQ(client.right, expected.right);
  EXPECT_EQ(client.bottom, expected.bottom);

  // The dialog font is the template's, at 8 points.
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dlg, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, L"MS Shell Dlg");
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(font.lfHeight, -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72));
  ReleaseDC(nullptr, screen);

  ASSERT_EQ(t.controls.size(), 66u);
  for (std::size_t i = 0; i < t.controls.size(); ++i) {
    const ui::ControlTemplate& c = t.controls[i];
    SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(c.id) + " " +
                 std::string(c.caption));
    const HWND w = window.ControlAt(i);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetDlgCtrlID(w), c.id);
    EXPECT_EQ(ClassOf(w), ExpectedClass(c.kind));
    EXPECT_EQ((GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0, (c.style & ui::kVisible) != 0);
    EXPECT_EQ((GetWindowLongW(w, GWL_STYLE) & WS_TABSTOP) != 0, (c.style & ui::kTabStop) != 0);
    EXPECT_EQ((GetWindowLongW(w, GWL_STYLE) & WS_GROUP) != 0, (c.style & ui::kGroup) != 0);
    // The dialog manager converts the position and the size each on its own.
    RECT want{c.rect.x, c.rect.y, c.rect.cx, c.rect.cy};
    MapDialogRect(dlg, &want);
    want.right += want.left;
    want.bottom += want.top;
    const RECT got = ClientRectOf(w, dlg);
    EXPECT_EQ(got.left, want.left);
    EXPECT_EQ(got.top, want.top);
    EXPECT_EQ(got.right, want.right);
    // A drop-down list's height in the template includes its list; closed it is one line.
    if (c.kind == ControlKind::DropDownList) {
      EXPECT_LT(got.bottom, want.bottom);
    } else {
      EXPECT_EQ(got.bottom, want.bottom);
    }
    if (c.kind != ControlKind::Edit && c.kind != ControlKind::DropDownList &&
        c.kind != ControlKind::ListBox) {
      EXPECT_EQ(TextOf(w), c.caption);
    }
  }
}

TEST_F(Win32HostTest, ControlsCarryTheWindowStylesTheirKindsMeanToTheSystem) {
  ui::CDialog main(app::IDD_HID_TEST_DIALOG);
  ASSERT_TRUE(host_->CreateModeless(main, nullptr));
  auto& window = WindowOf(main);
  struct Case {
    int id;
    LONG mask;
    LONG want;
    LONG exWant;
  };
  const Case cases[] = {
      {app::IDC_BUTTON_CONNECT, BS_TYPEMASK | BS_MULTILINE, BS_PUSHBUTTON | BS_MULTILINE, 0},
      {app::IDC_CHECK_CONNECTED, BS_TYPEMASK, BS_CHECKBOX, WS_EX_RIGHT},
      {app::IDC_CHECK_BRAXO_MODE, BS_TYPEMASK | BS_LEFTTEXT, BS_AUTOCHECKBOX | BS_LEFTTEXT, 0},
      {app::IDC_RADIO_TIMER_10K, BS_TYPEMASK | WS_GROUP, BS_AUTORADIOBUTTON | WS_GROUP, 0},
      {app::IDC_RADIO_20K, BS_TYPEMASK | WS_GROUP, BS_AUTORADIOBUTTON, 0},
      {app::IDC_EDIT_STEP_DURATION, ES_NUMBER | ES_AUTOHSCROLL | WS_GROUP,
       ES_NUMBER | ES_AUTOHSCROLL | WS_GROUP, WS_EX_CLIENTEDGE},
      {app::IDC_EDIT_ADDR, ES_NUMBER | ES_AUTOHSCROLL | ES_READONLY, ES_AUTOHSCROLL,
       WS_EX_CLIENTEDGE},
      // Scroll bar styles come and go with the scroll bars, so they are not looked at here.
      {app::IDC_COMBO_STEP1, 0x3 | CBS_SORT, CBS_DROPDOWNLIST | CBS_SORT, 0},
      {app::IDC_COMBO_PRESET, 0x3 | CBS_SORT, CBS_DROPDOWNLIST, 0},
      {app::IDC_LIST_LOG, LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
       LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE},
      {IDOK, BS_TYPEMASK, BS_DEFPUSHBUTTON, 0},
      {app::IDC_BUTTON_TEST_BUFFER, WS_VISIBLE, 0, 0},
      {app::IDC_LABEL_STEP3, SS_TYPEMASK | WS_GROUP, SS_LEFT | WS_GROUP, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const HWND w = window.Control(c.id);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetWindowLongW(w, GWL_STYLE) & c.mask, c.want);
    EXPECT_EQ(GetWindowLongW(w, GWL_EXSTYLE) & c.exWant, c.exWant);
  }
  // Group boxes and the right-aligned label, which nobody addresses by id.
  const ui::DialogTemplate& t = app::MainDialogTemplate();
  for (std::size_t i = 0; i < t.controls.size(); ++i) {
    const HWND w = window.ControlAt(i);
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    if (t.controls[i].caption == "Motor3 (YR)") {
      EXPECT_EQ(style & (0xF | BS_CENTER), BS_GROUPBOX | BS_CENTER);
    }
    if (t.controls[i].caption == "Cut repeat") {
      EXPECT_EQ(style & SS_TYPEMASK, SS_RIGHT);
    }
  }
  // The list of the step mode starts with the resource's blank entry.
  EXPECT_EQ(window.GetCount(app::IDC_COMBO_STEP_MODE), 1);
}

// The About box, seen from inside its modal loop.
struct AboutWatch {
  win32host::Win32Host* host = nullptr;
  HWND main = nullptr;
  bool seen = false;
  std::wstring caption;
  bool visible = false;
  bool mainDisabled = false;
  bool hasIcon = false;
};
AboutWatch* g_about = nullptr;

void CALLBACK WatchAbout(HWND, UINT, UINT_PTR timer, DWORD) {
  auto* top = g_about->host->TopModal();
  if (!top || g_about->seen) return;
  g_about->seen = true;
  wchar_t caption[64] = L"";
  GetWindowTextW(top->Hwnd(), caption, 64);
  g_about->caption = caption;
  g_about->visible = IsWindowVisible(top->Hwnd());
  g_about->mainDisabled = !IsWindowEnabled(g_about->main);
  for (std::size_t i = 0; i < top->Template().controls.size(); ++i) {
    if (top->Template().controls[i].kind == ControlKind::Icon) {
      g_about->hasIcon = SendMessageW(top->ControlAt(i), STM_GETICON, 0, 0) != 0;
    }
  }
  KillTimer(nullptr, timer);
  PostMessageW(top->Hwnd(), WM_COMMAND, IDOK, 0);
}

TEST_F(Win32HostTest, SystemMenuCarriesTheAboutItemWhichRunsTheAboutBoxModally) {
  hidlink::HidLink::Attach(nullptr);
  hidlink::HidLink::Reset();
  app::Chid_testDlg dlg;
  ASSERT_TRUE(host_->CreateModeless(dlg, nullptr));
  const HWND main = WindowOf(dlg).Hwnd();

  HMENU menu = GetSystemMenu(main, FALSE);
  ASSERT_NE(menu, nullptr);
  wchar_t text[64] = L"";
  GetMenuStringW(menu, app::IDM_ABOUTBOX, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"&About ZBK Utility...");
  // The template has no system menu: the window has no close command.
  EXPECT_EQ(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
  SendMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(IsWindowVisible(main));

  AboutWatch watch;
  watch.host = host_.get();
  watch.main = main;
  g_about = &watch;
  SetTimer(nullptr, 0, 20, &WatchAbout);
  PostMessageW(main, WM_SYSCOMMAND, app::IDM_ABOUTBOX, 0);
  EXPECT_TRUE(PumpUntil([&] { return watch.seen && host_->TopModal() == nullptr; }));
  g_about = nullptr;
  EXPECT_EQ(watch.caption, L"About");
  EXPECT_TRUE(watch.visible) << "a modal dialog shows whatever its template says";
  EXPECT_TRUE(watch.mainDisabled) << "the About box is modal to the main window";
  EXPECT_TRUE(watch.hasIcon);
  EXPECT_TRUE(IsWindowEnabled(main)) << "the main window is enabled again after it";

  // F1 asks for the same item.
  watch = {};
  watch.host = host_.get();
  watch.main = main;
  g_about = &watch;
  SetTimer(nullptr, 0, 20, &WatchAbout);
  Key(WindowOf(dlg).Control(app::IDC_BUTTON_STATUS), WM_KEYDOWN, VK_F1);
  EXPECT_TRUE(PumpUntil([&] { return watch.seen && host_->TopModal() == nullptr; }));
  g_about = nullptr;
  EXPECT_EQ(watch.caption, L"About");
  WindowOf(dlg).Destroy();
  EXPECT_FALSE(dlg.HasWindow());
}

// Counts the About boxes up at once, then closes them one by one.
struct AboutCount {
  win32host::Win32Host* host = nullptr;
  int ticks = 0;  // since the first box came up
  int most = 0;   // About boxes up at the same time, at most
  bool done = false;
};
AboutCount* g_count = nullptr;

BOOL CALLBACK CountAbout(HWND hwnd, LPARAM count) {
  wchar_t caption[16] = L"";
  GetWindowTextW(hwnd, caption, 16);
  if (IsWindowVisible(hwnd) && std::wcscmp(caption, L"About") == 0)
    ++*reinterpret_cast<int*>(count);
  return TRUE;
}

void CALLBACK WatchAboutCount(HWND, UINT, UINT_PTR timer, DWORD) {
  int up = 0;
  EnumThreadWindows(GetCurrentThreadId(), &CountAbout, reinterpret_cast<LPARAM>(&up));
  g_count->most = std::max(g_count->most, up);
  if (up == 0 && g_count->ticks == 0) return;  // not up yet
  // Give a second request, if one is coming, time to arrive before closing.
  if (++g_count->ticks < 6) return;
  if (auto* top = g_count->host->TopModal()) {
    PostMessageW(top->Hwnd(), WM_COMMAND, IDOK, 0);
  } else {
    g_count->done = true;
    KillTimer(nullptr, timer);
  }
}

// The system follows an F1 key-down with a WM_KEYF1 of its own, which becomes WM_HELP: one press
// still opens one box, and the window answers again once it has gone.
TEST_F(Win32HostTest, OnePressOfF1OpensOneAboutBox) {
  hidlink::HidLink::Attach(nullptr);
  hidlink::HidLink::Reset();
  app::Chid_testDlg dlg;
  ASSERT_TRUE(host_->CreateModeless(dlg, nullptr));
  const HWND main = WindowOf(dlg).Hwnd();
  const HWND status = WindowOf(dlg).Control(app::IDC_BUTTON_STATUS);
  for (const bool withKeyF1 : {true, false}) {
    SCOPED_TRACE(withKeyF1 ? "key-down and WM_KEYF1" : "key-down alone");
    AboutCount count;
    count.host = host_.get();
    g_count = &count;
    SetTimer(nullptr, 0, 20, &WatchAboutCount);
    PostMessageW(status, WM_KEYDOWN, VK_F1, 0);
    if (withKeyF1) PostMessageW(status, 0x004D, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return count.done; }));
    g_count = nullptr;
    EXPECT_EQ(count.most, 1);
    EXPECT_EQ(host_->TopModal(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main));
  }
  WindowOf(dlg).Destroy();
}

// What the window shows while Program PIC runs: "done of total" in its title and a bar over the
// bottom of the log; nothing of it once the run is over.
TEST_F(Win32HostTest, ProgressShowsInTheTitleAndInABarOverTheLog) {
  hidlink::HidLink::Attach(nullptr);
  hidlink::HidLink::Reset();
  app::Chid_testDlg dlg;
  ASSERT_TRUE(host_->CreateModeless(dlg, nullptr));
  auto& window = WindowOf(dlg);
  wchar_t title[128] = L"";
  GetWindowTextW(window.Hwnd(), title, 128);
  const std::wstring before = title;
  EXPECT_EQ(window.ProgressBar(), nullptr);

  window.ShowProgress(5, 12);
  const HWND bar = window.ProgressBar();
  ASSERT_NE(bar, nullptr);
  GetWindowTextW(window.Hwnd(), title, 128);
  EXPECT_EQ(std::wstring(title), before + L" \u2014 5 of 12");
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 5);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 12);
  RECT barRect{}, logRect{};
  GetWindowRect(bar, &barRect);
  GetWindowRect(window.Control(app::IDC_LIST_LOG), &logRect);
  EXPECT_GE(barRect.left, logRect.left);
  EXPECT_LE(barRect.right, logRect.right);
  EXPECT_LE(barRect.bottom, logRect.bottom);
  EXPECT_GT(barRect.top, (logRect.top + logRect.bottom) / 2);

  window.ShowProgress(12, 12);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 12);
  window.ShowProgress(0, 0);
  EXPECT_EQ(window.ProgressBar(), nullptr);
  GetWindowTextW(window.Hwnd(), title, 128);
  EXPECT_EQ(std::wstring(title), before);
  window.Destroy();
}

TEST_F(Win32HostTest, EnterPressesTheDefaultButtonWhichTheAddrFieldMakesReadPic) {
  SmallDialog d;
  ASSERT_TRUE(host_->CreateModeless(d, nullptr));
  auto& window = WindowOf(d);
  window.SetDefaultButton(kButton);
  EXPECT_EQ(window.GetDefaultButton(), kButton);
  window.SetFocus(kAddrEdit);
  d.heard.clear();
  Key(window.Control(kAddrEdit), WM_KEYDOWN, VK_RETURN);
  Pump();
  bool clicked = false;
  for (const auto& m : d.heard) {
    clicked = clicked || (m.kind == ui::MsgKind::Command && m.id == kButton &&
                          m.code == ui::Notification::Clicked);
  }
  EXPECT_TRUE(clicked) << "Enter in the edit presses the default button";

  hidlink::HidLink::Attach(nullptr);
  hidlink::HidLink::Reset();
  app::Chid_testDlg dlg;
  ASSERT_TRUE(host_->CreateModeless(dlg, nullptr));
  auto& main = WindowOf(dlg);
  EXPECT_EQ(main.GetDefaultButton(), IDOK) << "Exit at first";
  main.SetFocus(app::IDC_EDIT_ADDR);
  EXPECT_EQ(main.GetFocus(), app::IDC_EDIT_ADDR);
  EXPECT_EQ(main.GetDefaultButton(), app::IDC_BUTTON_READ_PIC);
  EXPECT_EQ(GetWindowLongW(main.Control(app::IDC_BUTTON_READ_PIC), GWL_STYLE) & BS_TYPEMASK,
            BS_DEFPUSHBUTTON);
  main.Destroy();
}

// A message box, seen from inside its own loop.
struct BoxWatch {
  bool seen = false;
  std::wstring caption;
  std::wstring text;
};
BoxWatch* g_box = nullptr;

void CALLBACK WatchBox(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND box = GetActiveWindow();
  wchar_t className[16] = L"";
  if (!box || !GetClassNameW(box, className, 16) || std::wstring(className) != L"#32770") return;
  wchar_t caption[64] = L"";
  GetWindowTextW(box, caption, 64);
  g_box->caption = caption;
  // The box's text is its static control with id 0xFFFF.
  wchar_t text[128] = L"";
  GetDlgItemTextW(box, 0xFFFF, text, 128);
  g_box->text = text;
  g_box->seen = true;
  KillTimer(nullptr, timer);
  PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(Win32HostTest, ApplicationBoxesCarryTheProgramsNameAndAnswerCancel) {
  BoxWatch watch;
  g_box = &watch;
  SetTimer(nullptr, 0, 20, &WatchBox);
  const int answer = host_->AppMessageBox("CreateFile: Access denied.", MB_OKCANCEL);
  g_box = nullptr;
  ASSERT_TRUE(watch.seen);
  EXPECT_EQ(watch.caption, L"zbk-utility");
  EXPECT_EQ(watch.text, L"CreateFile: Access denied.");
  EXPECT_EQ(answer, IDCANCEL);

  // While a picture is pending, boxes are answered without being shown.
  host_->SetScreenshotPath("unused.png");
  EXPECT_EQ(host_->AppMessageBox("Erase?", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(host_->AppMessageBox("Done", MB_OK), IDOK);
}

TEST_F(Win32HostTest, HexEditSeesKeysBeforeTranslationAndPastesThroughItsRules) {
  SmallDialog d;
  ASSERT_TRUE(host_->CreateModeless(d, nullptr));
  const HWND edit = WindowOf(d).Control(kAddrEdit);
  ASSERT_NE(edit, nullptr);

  // The text changes reach the control's own notation flag, reflected by the dialog.
  d.edit.SetValue(0);
  EXPECT_EQ(d.edit.GetWindowText(), "0x0000");
  EXPECT_TRUE(d.edit.IsHex());
  d.edit.SetWindowText("10");
  EXPECT_FALSE(d.edit.IsHex());

  d.edit.SetWindowText("");
  Key(edit, WM_CHAR, 'a');
  Key(edit, WM_CHAR, 'g');
  Key(edit, WM_CHAR, '-');
  EXPECT_EQ(d.edit.GetWindowText(), "A") << "'a' goes in raised, 'g' and '-' are refused";
  Key(edit, WM_CHAR, 'x');
  EXPECT_EQ(d.edit.GetWindowText(), "A");

  // Ctrl+X with just the '0' of the prefix selected is dropped before it becomes a cut.
  d.edit.SetWindowText("0x1F");
  d.edit.SetSel(0, 1);
  HoldCtrl(true);
  Key(edit, WM_KEYDOWN, 'X');
  Pump();
  EXPECT_EQ(d.edit.GetWindowText(), "0x1F");
  d.edit.SetSel(0, 2);
  Key(edit, WM_KEYDOWN, 'X');
  Pump();
  HoldCtrl(false);
  EXPECT_EQ(d.edit.GetWindowText(), "1F") << "a whole prefix may be cut";

  // Pastes, whatever sends them, obey the paste check.
  ASSERT_TRUE(host_->OpenClipboard());
  ASSERT_TRUE(host_->SetClipboardText("0x12"));
  host_->CloseClipboard();
  d.edit.SetWindowText("0x5");
  d.edit.SetSel(3, 3);
  SendMessageW(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(d.edit.GetWindowText(), "0x5");
  d.edit.SetWindowText("");
  SendMessageW(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(d.edit.GetWindowText(), "0x12");
}

// The hex edit's menu, seen while it is up.
struct MenuWatch {
  bool seen = false;
  bool cutGreyed = false;
  bool clearGreyed = false;
  bool selectAllGreyed = true;
};
MenuWatch* g_menu = nullptr;

void CALLBACK WatchMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND popup = FindWindowW(L"#32768", nullptr);
  if (!popup) return;
  const auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
  g_menu->seen = menu != nullptr;
  g_menu->cutGreyed = GetMenuState(menu, 768, MF_BYCOMMAND) & MF_GRAYED;
  g_menu->clearGreyed = GetMenuState(menu, 771, MF_BYCOMMAND) & MF_GRAYED;
  g_menu->selectAllGreyed = GetMenuState(menu, 2816, MF_BYCOMMAND) & MF_GRAYED;
  KillTimer(nullptr, timer);
  EndMenu();
}

TEST_F(Win32HostTest, HexEditMenuIsAboutTheSelectionTheUserMade) {
  SmallDialog d;
  ASSERT_TRUE(host_->CreateModeless(d, nullptr));
  const HWND edit = WindowOf(d).Control(kAddrEdit);
  d.edit.SetWindowText("0x1F");
  d.edit.SetSel(0, 1);
  MenuWatch watch;
  g_menu = &watch;
  SetTimer(nullptr, 0, 20, &WatchMenu);
  RECT r{};
  GetWindowRect(edit, &r);
  SendMessageW(edit, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit),
               MAKELPARAM(r.left + 4, r.bottom));
  g_menu = nullptr;
  ASSERT_TRUE(watch.seen);
  // Just the '0' of the prefix is selected: it may not be cut or cleared.
  EXPECT_TRUE(watch.cutGreyed);
  EXPECT_TRUE(watch.clearGreyed);
  EXPECT_FALSE(watch.selectAllGreyed);
  EXPECT_EQ(::GetFocus(), edit) << "the edit takes the focus";
  int s = -1, e = -1;
  d.edit.GetSel(s, e);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(e, 1) << "taking the focus keeps the selection";
}

TEST_F(Win32HostTest, PopupMenuShowsTheItemsGreyedAsTold) {
  const ui::MenuItem items[] = {
      {199, "&Annuler", false, true},
      {0, "", true, false},
      {2816, "S\xC3\xA9lectio&nner tout", false, false},
  };
  HMENU menu = win32host::BuildPopupMenu(items);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuItemCount(menu), 3);
  EXPECT_TRUE(GetMenuState(menu, 199, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_FALSE(GetMenuState(menu, 2816, MF_BYCOMMAND) & MF_GRAYED);
  wchar_t text[64] = L"";
  GetMenuStringW(menu, 2816, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"S\u00e9lectio&nner tout");
  DestroyMenu(menu);
}

TEST_F(Win32HostTest, RepaintNowLetsPaintsThroughAndHoldsInputBack) {
  SmallDialog d;
  ASSERT_TRUE(host_->CreateModeless(d, nullptr));
  auto& window = WindowOf(d);
  window.ShowWindow(true);
  Pump();
  d.heard.clear();

  PostMessageW(window.Hwnd(), WM_COMMAND, MAKEWPARAM(kButton, BN_CLICKED),
               reinterpret_cast<LPARAM>(window.Control(kButton)));
  InvalidateRect(window.Hwnd(), nullptr, TRUE);
  window.RepaintNow();
  auto heard = [&](ui::MsgKind kind) {
    for (const auto& m : d.heard) {
      if (m.kind == kind) return true;
    }
    return false;
  };
  EXPECT_TRUE(heard(ui::MsgKind::Paint));
  EXPECT_FALSE(heard(ui::MsgKind::Command)) << "the click waits for the command to end";
  Pump();
  EXPECT_TRUE(heard(ui::MsgKind::Command));
}

TEST_F(Win32HostTest, WindowTimersTickIntoTheDialogUntilKilled) {
  SmallDialog d;
  ASSERT_TRUE(host_->CreateModeless(d, nullptr));
  auto& window = WindowOf(d);
  auto ticks = [&] {
    int n = 0;
    for (const auto& m : d.heard) n += m.kind == ui::MsgKind::Timer && m.param == 7;
    return n;
  };
  window.SetTimer(7, 10);
  EXPECT_TRUE(PumpUntil([&] { return ticks() >= 2; }));
  window.KillTimer(7);
  Pump();
  const int after = ticks();
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
  Pump();
  EXPECT_EQ(ticks(), after);
}

TEST_F(Win32HostTest, ClipboardTextReplacesEveryFormatItHeld) {
  // Another program's Unicode text; the ANSI one is the system's conversion of it.
  const HWND other =
      CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(OpenClipboard(other));
  EmptyClipboard();
  const wchar_t kText[] = L"0Xab";
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof kText);
  std::memcpy(GlobalLock(memory), kText, sizeof kText);
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();

  EXPECT_TRUE(host_->IsClipboardTextAvailable());
  ASSERT_TRUE(host_->OpenClipboard());
  EXPECT_EQ(host_->GetClipboardText(), std::optional<std::string>("0Xab"));
  EXPECT_TRUE(host_->SetClipboardText("0xAB"));
  host_->CloseClipboard();

  // What an edit control pastes (Unicode) is the new text.
  ASSERT_TRUE(OpenClipboard(other));
  const auto* unicode = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
  ASSERT_NE(unicode, nullptr);
  EXPECT_STREQ(unicode, L"0xAB");
  GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
  CloseClipboard();
  DestroyWindow(other);

  EXPECT_FALSE(host_->GetClipboardText().has_value()) << "read only while open";
}

TEST_F(Win32HostTest, WaitCursorsNestAndRestoreWhatTheyReplaced) {
  const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  const HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
  SetCursor(arrow);
  const ui::CursorToken outer = host_->SetWaitCursor();
  EXPECT_EQ(GetCursor(), wait);
  host_->SetWaitCursor();
  EXPECT_TRUE(host_->WaitCursorShown());
  host_->RestoreCursor(outer);  // takes the inner one back too
  EXPECT_EQ(GetCursor(), arrow);
  EXPECT_FALSE(host_->WaitCursorShown());
}

std::vector<unsigned char> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Big32(const std::vector<unsigned char>& b, std::size_t at) {
  return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) |
         (std::uint32_t(b[at + 2]) << 8) | b[at + 3];
}

TEST_F(Win32HostTest, FirstModalDialogWritesItsPictureAndControlsThenEnds) {
  const auto dir = std::filesystem::temp_directory_path();
  const auto png = dir / "zbk_win32_shot.png";
  const auto list = dir / "zbk_win32_list.txt";
  std::filesystem::remove(png);
  std::FILE* listing = _wfopen(list.c_str(), L"w");
  ASSERT_NE(listing, nullptr);
  host_->SetScreenshotPath(win32host::Narrow(png.wstring()));
  host_->SetControlListing(listing);

  ui::CDialog main(app::IDD_HID_TEST_DIALOG);
  EXPECT_EQ(main.DoModal(), IDCANCEL);
  std::fclose(listing);
  EXPECT_TRUE(host_->ScreenshotWritten());

  const auto bytes = ReadBytes(png);
  ASSERT_GT(bytes.size(), 33u);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
  std::vector<std::string> lines;
  {
    std::ifstream in(list);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
  }
  std::error_code ignored;
  std::filesystem::remove(png, ignored);
  std::filesystem::remove(list, ignored);
  ASSERT_FALSE(lines.empty());
  int width = 0, height = 0;
  ASSERT_EQ(std::sscanf(lines[0].c_str(), "window %dx%d", &width, &height), 2) << lines[0];
  EXPECT_EQ(Big32(bytes, 16), static_cast<std::uint32_t>(width));
  EXPECT_EQ(Big32(bytes, 20), static_cast<std::uint32_t>(height));
  int controls = 0;
  for (const auto& line : lines) controls += line.rfind("control ", 0) == 0;
  EXPECT_EQ(controls, 66);
}

TEST(Win32TextTest, EditPositionsCrossAsUtf8ByteOffsets) {
  const std::wstring text = L"a\u00b5\U0001F600b";  // 1, 2, 4 and 1 bytes; 1, 1, 2, 1 units
  EXPECT_EQ(win32host::Narrow(text),
            "a\xC2\xB5\xF0\x9F\x98\x80"
            "b");
  EXPECT_EQ(win32host::Widen("a\xC2\xB5"), L"a\u00b5");
  const int units[] = {0, 1, 2, 4, 5};
  const int bytes[] = {0, 1, 3, 7, 8};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(win32host::Utf16ToUtf8Offset(text, units[i]), bytes[i]);
    EXPECT_EQ(win32host::Utf8ToUtf16Offset(text, bytes[i]), units[i]);
  }
  // Inside a character: its start. Past the end: the end.
  EXPECT_EQ(win32host::Utf8ToUtf16Offset(text, 2), 1);
  EXPECT_EQ(win32host::Utf8ToUtf16Offset(text, 5), 2);
  EXPECT_EQ(win32host::Utf8ToUtf16Offset(text, 99), 5);
  EXPECT_EQ(win32host::Utf16ToUtf8Offset(text, 99), 8);
}

}  // namespace
}  // namespace win32test
