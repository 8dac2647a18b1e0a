#pragma once
// The application icon, drawn at run time from app/app_icon_geometry.h: a blue tile with white step
// pulses over an amber direction line, the same picture the Qt host draws.

#include <cstdint>
#include <vector>

#include "win32/win32_api.h"

namespace win32host {

// size x size pixels, top row first, each 0xAARRGGBB with straight alpha.
std::vector<std::uint32_t> AppIconPixels(int size);

// An icon of that size; the caller destroys it (DestroyIcon). Null on failure.
HICON CreateAppIcon(int size);

}  // namespace win32host
