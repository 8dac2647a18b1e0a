// zbk-utility on Windows: the Win32 start-up around the program.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "program/run.h"
#include "win32/text_convert.h"
#include "win32/win32_host.h"

namespace {

constexpr std::string_view kListControls = "--list-controls";

// A program of the windows subsystem has no console of its own: its output goes to the console
// it was started from, when there is one and the output is not redirected.
void UseParentConsole() {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::FILE* ignored = nullptr;
  freopen_s(&ignored, "CONOUT$", "w", stdout);
  freopen_s(&ignored, "CONOUT$", "w", stderr);
}

std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 1; i < count; ++i) args.push_back(win32host::Narrow(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  UseParentConsole();

  // --list-controls is this host's own: the main window's controls as the system made them.
  const std::vector<std::string> all = Arguments();
  std::vector<std::string_view> args;
  bool listControls = false;
  for (const auto& a : all) {
    if (a == kListControls) {
      listControls = true;
    } else {
      args.emplace_back(a);
    }
  }
  if (const auto status = program::RunWithoutWindow(
          args, "  --list-controls      print the main window's controls and exit\n")) {
    return *status;
  }

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = 0xFF;
  InitCommonControlsEx(&controls);
  win32host::Win32Host host;
  if (listControls) host.SetControlListing(stdout);
  return program::RunWindowed(args, host);
}
