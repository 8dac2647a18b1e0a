#pragma once
// The application icon as numbers, for every host to draw the same picture: a rounded blue tile
// with a darker rim and a top-to-bottom gradient, white step pulses, and an amber direction line
// under them. Lengths are in pixels of a size x size icon, y downwards; the strokes' edges fall on
// whole pixels, so that small sizes stay sharp.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace app {

// Colours, 0xAARRGGBB.
inline constexpr std::uint32_t kIconTileTop = 0xFF2F7DC4u;     // the gradient at the top edge
inline constexpr std::uint32_t kIconTileBottom = 0xFF174A7Eu;  // and at the bottom edge
inline constexpr std::uint32_t kIconRim = 0xFF10355Cu;
inline constexpr std::uint32_t kIconPulse = 0xFFFFFFFFu;
inline constexpr std::uint32_t kIconDirection = 0xFFFFB32Eu;

// Two pulses up to 32 pixels, three above.
inline constexpr int kIconMaxPulses = 3;

struct AppIconGeometry {
  double size = 0;
  double radius = 0;  // of the tile's corners
  double rim = 0;     // width of the tile's rim
  double pen = 0;     // width of the pulse train and the direction line
  int pulses = 0;
  double left = 0, right = 0;  // x where the pulse train and the direction line start and end
  double low = 0, high = 0;    // y of the pulse train's two levels
  std::array<double, kIconMaxPulses> rise{}, fall{};  // x of each pulse's edges
  double base = 0;                                    // y of the direction line's centre
};

inline AppIconGeometry AppIconGeometryFor(int size) {
  AppIconGeometry g;
  const double s = size;
  g.size = s;
  g.radius = s * 0.2;
  g.rim = std::max(1.0, s / 32.0);
  g.pen = std::max(1.0, std::round(s / 16.0));
  // A stroke's centre half a pen from a pixel edge puts both of its edges on pixel edges.
  const double pen = g.pen;
  auto snap = [pen](double v) { return std::round(v - pen / 2.0) + pen / 2.0; };
  g.pulses = size <= 32 ? 2 : 3;
  const double margin = s * 0.14;
  const double unit = (s - 2.0 * margin) / (4.0 * g.pulses);
  g.left = snap(margin);
  g.right = snap(s - margin);
  g.low = snap(s * 0.66);
  g.high = snap(s * 0.28);
  for (int i = 0; i < g.pulses; ++i) {
    g.rise[i] = snap(margin + unit * (1 + 4 * i));
    g.fall[i] = snap(margin + unit * (3 + 4 * i));
  }
  g.base = snap(s * 0.82);
  return g;
}

}  // namespace app
