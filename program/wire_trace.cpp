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
  file_.open(pic::PathFromUtf8(path), std::ios::out | std::ios::trunc | std::ios::binary);
  if (!file_) {
    error = "cannot write the trace file " + path + ": " + std::strerror(errno);
    return false;
  }
  file_ << "# zbk-utility wire trace: microseconds since the start, out = to the board, "
           "in = from the board, bytes in hexadecimal from the report id on\n";
  file_.flush();
  return true;
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
  if (!file_) return;
  // Written through at once: a trace is read most when a run went wrong or was cut short.
  file_ << FormatTraceLine(clk::ProcessClock().NowUs() - startUs_, event, bytes) << '\n';
  file_.flush();
}

}  // namespace program
