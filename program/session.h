#pragma once
// The program's process-wide records, installed for the length of a session: the resources, the
// host, the process clock, and the link with its platform, trace and error sinks and the
// stopwatch's probe, each from its initial state. The windowed program, batch mode, the tests,
// the benchmarks and the fuzz targets all start from one; its end puts everything back.

#include "clock/clock.h"
#include "hidlink/hid_platform.h"
#include "program/wire_trace.h"
#include "ui/resources.h"
#include "ui/window_port.h"

namespace program {

class Session {
 public:
  // `clock` null: the process clock stays as it is (the system clock unless set). `platform` may be
  // null (no HID access at all). `host` may be null for a caller that installs its own for a
  // shorter time (the batch runner).
  Session(ui::Host* host, hidlink::HidPlatform* platform, clk::Clock* clock = nullptr);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Every report from now on goes to `trace` as well, until the session ends.
  void TraceTo(WireTrace& trace);

 private:
  const ui::Resources* previousResources_;
  clk::Clock* previousClock_;
  WireTrace* trace_ = nullptr;
};

}  // namespace program
