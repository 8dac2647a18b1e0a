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
#include <cstdio>
#include <memory>
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
  // Why the trace stopped part way (a write or flush failed: the disk is full, a size limit), or
  // empty. After the first failure nothing more is written.
  const std::string& failure() const { return failure_; }
  // Listens to the link from now on; times count from this call, on the process clock.
  void Attach();
  // Stops listening; the file stays as written.
  void Detach();

 private:
  void Write(hidlink::TraceEvent event, std::span<const std::uint8_t> bytes);

  // Writes `text` and flushes it; false, with the reason in failure_, when either failed.
  bool Put(const std::string& text);

  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  std::string path_;
  std::string failure_;
  std::int64_t startUs_ = 0;
  bool attached_ = false;
};

}  // namespace program
