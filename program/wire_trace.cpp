#include "program/wire_trace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "clock/clock.h"
#include "pic/utf8_path.h"

namespace program {

using hidlink::TraceEvent;

std::string FormatTraceLine(std::int64_t timeUs, TraceEvent event,
                            std::span<const std::uint8_t> bytes) {
  char time[24];
  std::snprintf(time, sizeof time, "%10lld", static_cast<long long>(timeUs));
  std::string line(time);
  const bool out = event == TraceEvent::kSent || event == TraceEvent::kWriteFailed;
  const std::size_t count = bytes.size();
  line += out ? " out" : " in ";
  char hex[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(hex, sizeof hex, " %02x", b);
    line += hex;
  }
  switch (event) {
    case TraceEvent::kWriteFailed:
      line += "  (not sent: the write failed or the link is closed)";
      break;
    case TraceEvent::kReadTimedOut:
      line += " (no reply within " + std::to_string(hidlink::kReadTimeoutMs) + " ms)";
      break;
    case TraceEvent::kReadFailed:
      line += " (no reply: the read failed)";
      break;
    case TraceEvent::kReadShort:
      line += " (short report: " + std::to_string(count) + " bytes; the rest read as 0)";
      break;
    case TraceEvent::kSent:
    case TraceEvent::kReceived:
      break;
  }
  return line;
}

WireTrace::~WireTrace() {
  Detach();
}

bool WireTrace::Open(const std::string& path, std::string& error) {
  path_ = path;
  failure_.clear();
#if defined(_WIN32)
  file_.reset(_wfopen(pic::PathFromUtf8(path).c_str(), L"wb"));
#else
  file_.reset(std::fopen(pic::PathFromUtf8(path).c_str(), "wb"));
#endif
  if (!file_) {
    error = "cannot write the trace file " + path + ": " + std::strerror(errno);
    return false;
  }
  // A file that cannot take its first line (a full disk, /dev/full) is refused before the run.
  if (!Put("# zbk-utility wire trace: microseconds since the start, out = to the board, "
           "in = from the board, bytes in hexadecimal from the report id on\n")) {
    error = failure_;
    failure_.clear();
    file_.reset();
    return false;
  }
  return true;
}

bool WireTrace::Put(const std::string& text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), file_.get()) == text.size() &&
      std::fflush(file_.get()) == 0) {
    return true;
  }
  const int code = errno;
  failure_ = "cannot write the trace file " + path_ + ": " +
             (code != 0 ? std::strerror(code) : "write error");
  return false;
}

void WireTrace::Attach() {
  startUs_ = clk::ProcessClock().NowUs();
  attached_ = true;
  hidlink::HidLink::SetTraceSink(
      [this](TraceEvent event, std::span<const std::uint8_t> bytes) { Write(event, bytes); });
}

void WireTrace::Detach() {
  if (!attached_) return;
  attached_ = false;
  hidlink::HidLink::SetTraceSink(nullptr);
}

void WireTrace::Write(TraceEvent event, std::span<const std::uint8_t> bytes) {
  if (!file_ || !failure_.empty()) return;
  // Written through at once: a trace is read most when a run went wrong or was cut short.
  Put(FormatTraceLine(clk::ProcessClock().NowUs() - startUs_, event, bytes) + '\n');
}

}  // namespace program
