#include "program/session.h"

#include "app/resources.h"
#include "app/stopwatch.h"
#include "hidlink/hid_link.h"
#include "ui/resources.h"

namespace program {

using hidlink::HidLink;

Session::Session(ui::Host* host, hidlink::HidPlatform* platform, clk::Clock* clock)
    : previousResources_(&ui::GetResources()), previousClock_(&clk::ProcessClock()) {
  ui::SetResources(&app::ProgramResources());
  ui::SetHost(host);
  if (clock) clk::SetProcessClock(clock);
  app::Stopwatch::ResetProbe();
  HidLink::Reset();
  HidLink::Attach(platform);
  // Discovery's errors are the user's to read: one message box each.
  HidLink::SetErrorSink([](hidlink::LinkError kind, std::string_view text) {
    ui::AfxMessageBox(
        text, kind == hidlink::LinkError::kUnusableBoard ? ui::MB_OK | ui::MB_ICONSTOP : ui::MB_OK);
  });
}

Session::~Session() {
  if (trace_) trace_->Detach();
  HidLink::CloseAll();
  HidLink::SetTraceSink(nullptr);
  HidLink::SetErrorSink(nullptr);
  HidLink::Attach(nullptr);
  HidLink::Reset();
  app::Stopwatch::ResetProbe();
  clk::SetProcessClock(previousClock_);
  ui::SetHost(nullptr);
  ui::SetResources(previousResources_);
}

void Session::TraceTo(WireTrace& trace) {
  trace_ = &trace;
  trace.Attach();
}

}  // namespace program
