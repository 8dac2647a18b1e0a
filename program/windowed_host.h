#pragma once

#include <string>

#include "ui/window_port.h"

namespace program {

// A real window system's host: the window port, and a picture of the main window on request.
class WindowedHost : public ui::Host {
 public:
  // The main window is saved as a PNG to `path` once it is shown, and then closed.
  virtual void SetScreenshotPath(std::string path) = 0;
  virtual bool ScreenshotWritten() const = 0;
};

}  // namespace program
