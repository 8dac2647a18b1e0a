#pragma once
// The wire trace: every report the link writes and every reply it reads, with the time in
// microseconds since the trace began and the direction, in hexadecimal, one report a line:
//
//        1042 out 00 73 00 00 ...
//        2051 in  00 00 00 00 ...
//
// It listens at the link, so it sees the same for the real board on any platform and for the
// simulated one.

#include <cstdint>
#include <fstream>
#include <span>
#include <string>

#include "hidlink/hid_link.h"

namespace program {

// One line of the trace, without its line end.
std::string FormatTraceLine(std::int64_t timeUs, hidlink::TraceEvent event,
                            std::span<const std::uint8_t> bytes);

class WireTrace {
 public:
  WireTrace() = default;
  WireTrace(const WireTrace&) = delete;
  WireTrace& operator=(const WireTrace&) = delete;
  ~WireTrace();

  // Creates (or replaces) the file and writes its heading. False, with the reason, when the
  // file cannot be written.
  bool Open(const std::string& path, std::string& error);
  // Listens to the link from now on; times count from this call, on the process clock.
  void Attach();
  // Stops listening; the file stays as written.
  void Detach();

 private:
  void Write(hidlink::TraceEvent event, std::span<const std::uint8_t> bytes);

  std::ofstream file_;
  std::int64_t startUs_ = 0;
  bool attached_ = false;
};

}  // namespace program
