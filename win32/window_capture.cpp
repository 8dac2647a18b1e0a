#include "win32/window_capture.h"

#include <cstdio>
#include <memory>

#include "win32/png_writer.h"
#include "win32/text_convert.h"

namespace win32host {

WindowPicture CaptureWindow(HWND hwnd) {
  WindowPicture picture;
  RECT r{};
  if (!hwnd || !GetWindowRect(hwnd, &r)) return picture;
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return picture;

  HDC source = GetWindowDC(hwnd);
  if (!source) return picture;
  HDC memory = CreateCompatibleDC(source);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (memory && dib && bits) {
    HGDIOBJ old = SelectObject(memory, dib);
    if (BitBlt(memory, 0, 0, w, h, source, 0, 0, SRCCOPY)) {
      GdiFlush();
      const auto* bgrx = static_cast<const std::uint8_t*>(bits);
      picture.width = w;
      picture.height = h;
      picture.rgb.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
      for (std::size_t i = 0, n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h); i < n;
           ++i) {
        picture.rgb[i * 3 + 0] = bgrx[i * 4 + 2];
        picture.rgb[i * 3 + 1] = bgrx[i * 4 + 1];
        picture.rgb[i * 3 + 2] = bgrx[i * 4 + 0];
      }
    }
    SelectObject(memory, old);
  }
  if (dib) DeleteObject(dib);
  if (memory) DeleteDC(memory);
  ReleaseDC(hwnd, source);
  return picture;
}

bool WriteWindowPng(HWND hwnd, const std::string& utf8Path) {
  const WindowPicture picture = CaptureWindow(hwnd);
  const std::vector<std::uint8_t> png = EncodePng(picture.width, picture.height, picture.rgb);
  if (png.empty()) return false;
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file(_wfopen(Widen(utf8Path).c_str(), L"wb"));
  if (!file) return false;
  const bool written = std::fwrite(png.data(), 1, png.size(), file.get()) == png.size();
  return std::fclose(file.release()) == 0 && written;
}

}  // namespace win32host
