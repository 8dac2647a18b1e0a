#pragma once
// The picture of a window, frame included, as the screen shows it.

#include <cstdint>
#include <string>
#include <vector>

#include "win32/win32_api.h"

namespace win32host {

struct WindowPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // top row first, three bytes a pixel
};

WindowPicture CaptureWindow(HWND hwnd);
// Writes the window's picture as a PNG file; false when it could not be taken or written.
bool WriteWindowPng(HWND hwnd, const std::string& utf8Path);

}  // namespace win32host
