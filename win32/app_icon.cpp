#include "win32/app_icon.h"

#include <algorithm>
#include <cmath>

#include "app/app_icon_geometry.h"

namespace win32host {

namespace {

class Canvas {
 public:
  explicit Canvas(int size) : size_(size), pixels_(static_cast<std::size_t>(size * size), 0) {}

  // Fills the pixels whose centres lie in [x0, x1) x [y0, y1).
  void Fill(double x0, double y0, double x1, double y1, std::uint32_t argb) {
    for (int y = 0; y < size_; ++y) {
      const double cy = y + 0.5;
      if (cy < y0 || cy >= y1) continue;
      for (int x = 0; x < size_; ++x) {
        const double cx = x + 0.5;
        if (cx >= x0 && cx < x1) At(x, y) = argb;
      }
    }
  }
  // A stroke of width `pen` along a horizontal or vertical segment, square caps.
  void Stroke(double xa, double ya, double xb, double yb, double pen, std::uint32_t argb) {
    const double h = pen / 2.0;
    Fill(std::min(xa, xb) - h, std::min(ya, yb) - h, std::max(xa, xb) + h, std::max(ya, yb) + h,
         argb);
  }
  std::uint32_t& At(int x, int y) { return pixels_[static_cast<std::size_t>(y * size_ + x)]; }
  std::vector<std::uint32_t> Take() { return std::move(pixels_); }

 private:
  int size_;
  std::vector<std::uint32_t> pixels_;
};

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, double t) {
  auto channel = [&](int shift) {
    const double ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    return static_cast<std::uint32_t>(std::lround(ca + (cb - ca) * t)) << shift;
  };
  return 0xFF000000u | channel(16) | channel(8) | channel(0);
}

}  // namespace

std::vector<std::uint32_t> AppIconPixels(int size) {
  if (size <= 0) return {};
  Canvas canvas(size);
  const app::AppIconGeometry g = app::AppIconGeometryFor(size);
  const double s = g.size;

  // The rounded tile with its rim and gradient.
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double cx = x + 0.5, cy = y + 0.5;
      // Distance inside the rounded rectangle's edge (negative outside).
      const double nx = std::clamp(cx, g.radius, s - g.radius);
      const double ny = std::clamp(cy, g.radius, s - g.radius);
      const double corner = g.radius - std::hypot(cx - nx, cy - ny);
      const double inside = std::min({corner, cx, cy, s - cx, s - cy});
      if (inside <= 0) continue;
      canvas.At(x, y) =
          inside < g.rim ? app::kIconRim : Mix(app::kIconTileTop, app::kIconTileBottom, cy / s);
    }
  }

  double x = g.left;
  for (int i = 0; i < g.pulses; ++i) {
    canvas.Stroke(x, g.low, g.rise[i], g.low, g.pen, app::kIconPulse);
    canvas.Stroke(g.rise[i], g.low, g.rise[i], g.high, g.pen, app::kIconPulse);
    canvas.Stroke(g.rise[i], g.high, g.fall[i], g.high, g.pen, app::kIconPulse);
    canvas.Stroke(g.fall[i], g.high, g.fall[i], g.low, g.pen, app::kIconPulse);
    x = g.fall[i];
  }
  canvas.Stroke(x, g.low, g.right, g.low, g.pen, app::kIconPulse);

  canvas.Fill(g.left, g.base - g.pen / 2.0, g.right, g.base + g.pen / 2.0, app::kIconDirection);
  return canvas.Take();
}

HICON CreateAppIcon(int size) {
  const std::vector<std::uint32_t> pixels = AppIconPixels(size);
  if (pixels.empty()) return nullptr;

  BITMAPV5HEADER header{};
  header.bV5Size = sizeof header;
  header.bV5Width = size;
  header.bV5Height = -size;  // top row first
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP color = CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(&header),
                                   DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (!color || !bits) {
    if (color) DeleteObject(color);
    return nullptr;
  }
  std::copy(pixels.begin(), pixels.end(), static_cast<std::uint32_t*>(bits));

  // The mask: set where the picture is transparent, for displays that ignore the alpha channel.
  const int stride = ((size + 15) / 16) * 2;
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(stride * size), 0);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      if ((pixels[static_cast<std::size_t>(y * size + x)] >> 24) == 0) {
        mask[static_cast<std::size_t>(y * stride + x / 8)] |=
            static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  HBITMAP monochrome = CreateBitmap(size, size, 1, 1, mask.data());

  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = color;
  info.hbmMask = monochrome;
  HICON icon = monochrome ? CreateIconIndirect(&info) : nullptr;
  DeleteObject(color);
  if (monochrome) DeleteObject(monochrome);
  return icon;
}

}  // namespace win32host
