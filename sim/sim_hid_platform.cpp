#include "sim/sim_hid_platform.h"

#include <algorithm>

namespace sim {

using hidlink::Access;
using hidlink::Handle;
using hidlink::kInvalidHandle;
using hidlink::WaitResult;

int SimHidPlatform::AddDevice(std::uint16_t vendorId, std::uint16_t productId, bool openable) {
  Device d;
  d.path = "sim:hid#" + std::to_string(devices_.size());
  d.attributes = {vendorId, productId, 0x0100};
  d.caps = {9, 9};
  d.openable = openable;
  devices_.push_back(std::move(d));
  return static_cast<int>(devices_.size()) - 1;
}

int SimHidPlatform::AddBoard(std::string versionText, std::uint16_t outputLength,
                             std::uint16_t inputLength) {
  const int index = AddDevice(0x03EB, 0x201D);
  auto& d = devices_[index];
  d.caps = {inputLength, outputLength};
  d.board = std::make_unique<ZbkBoard>(std::move(versionText), outputLength, inputLength);
  return index;
}

ZbkBoard* SimHidPlatform::Board(int device) {
  if (device < 0 || device >= DeviceCount()) return nullptr;
  return devices_[device].board.get();
}

void SimHidPlatform::SetWriteFails(int device, bool fails) {
  devices_.at(device).writeFails = fails;
}
void SimHidPlatform::SetNoReply(int device, bool noReply) {
  devices_.at(device).noReply = noReply;
}
void SimHidPlatform::Unplug(int device) {
  devices_.at(device).present = false;
}
void SimHidPlatform::Plug(int device) {
  devices_.at(device).present = true;
}
void SimHidPlatform::Replug(int device) {
  auto& d = devices_.at(device);
  d.present = true;
  if (d.board) d.board->PowerCycle(clock_.NowUs());
}
void SimHidPlatform::DenyAccess(int device, std::int64_t untilUs, bool writeToo) {
  auto& d = devices_.at(device);
  d.deniedUntilUs = untilUs;
  d.writeDenied = writeToo;
}
void SimHidPlatform::ClearFaults(int device) {
  auto& d = devices_.at(device);
  d.writeFails = false;
  d.noReply = false;
  d.failWriteAfter = -1;
  d.dropReplyAfter = -1;
  d.scripted.clear();
  d.scriptedShort.clear();
}
void SimHidPlatform::FailWriteAfter(int device, int count) {
  devices_.at(device).failWriteAfter = count;
}
void SimHidPlatform::DropReplyAfter(int device, int count) {
  devices_.at(device).dropReplyAfter = count;
}
void SimHidPlatform::ScriptReply(int device, std::vector<std::uint8_t> reply) {
  devices_.at(device).scripted.push_back(std::move(reply));
}
void SimHidPlatform::ScriptShortReply(int device, std::vector<std::uint8_t> reply) {
  devices_.at(device).scriptedShort.push_back(std::move(reply));
}

std::vector<int> SimHidPlatform::PresentDevices() const {
  std::vector<int> present;
  for (int i = 0; i < DeviceCount(); ++i) {
    if (devices_[i].present) present.push_back(i);
  }
  return present;
}

bool SimHidPlatform::OpenDeviceSet() {
  ++discoveries_;
  snapshot_.clear();
  snapshotOpen_ = deviceSetAvailable_;
  if (!deviceSetAvailable_) return Fail(kErrInvalidHandle);
  snapshot_ = PresentDevices();
  return Succeed();
}

bool SimHidPlatform::EnumInterface(int index, std::string& path) {
  if (!snapshotOpen_) return Fail(kErrInvalidHandle);
  if (index < 0 || index >= static_cast<int>(snapshot_.size())) return Fail(kErrNoMoreItems);
  path = devices_[snapshot_[index]].path;
  return Succeed();
}

bool SimHidPlatform::CloseDeviceSet() {
  if (!snapshotOpen_) return Fail(kErrInvalidHandle);
  snapshotOpen_ = false;
  snapshot_.clear();
  return Succeed();
}

Handle SimHidPlatform::Open(const std::string& path, Access access) {
  for (int i = 0; i < DeviceCount(); ++i) {
    const auto& d = devices_[i];
    if (d.path != path) continue;
    if (!d.present) {
      Fail(kErrDeviceNotConnected);
      return kInvalidHandle;
    }
    const bool denied = !d.openable || (access != Access::Query &&
                                        (access == Access::ReadOverlapped || d.writeDenied) &&
                                        clock_.NowUs() < d.deniedUntilUs);
    if (denied) {
      Fail(kErrAccessDenied);
      return kInvalidHandle;
    }
    const Handle h = nextHandle_++;
    handles_[h] = HandleState{i, access, nullptr, 0};
    Succeed();
    return h;
  }
  Fail(kErrDeviceNotConnected);
  return kInvalidHandle;
}

SimHidPlatform::HandleState* SimHidPlatform::Find(Handle handle) {
  auto it = handles_.find(handle);
  return it == handles_.end() ? nullptr : &it->second;
}

bool SimHidPlatform::GetAttributes(Handle handle, hidlink::HidAttributes& attributes) {
  auto* h = Find(handle);
  if (!h) return Fail(kErrInvalidHandle);
  if (!devices_[h->device].present) return Fail(kErrDeviceNotConnected);
  attributes = devices_[h->device].attributes;
  return Succeed();
}

bool SimHidPlatform::GetCaps(Handle handle, hidlink::HidCaps& caps) {
  auto* h = Find(handle);
  if (!h) return Fail(kErrInvalidHandle);
  if (!devices_[h->device].present) return Fail(kErrDeviceNotConnected);
  caps = devices_[h->device].caps;
  return Succeed();
}

std::int64_t SimHidPlatform::WaitForFrame(bool fromHost) {
  const std::int64_t now = clock_.NowUs();
  if (timing_ != Timing::UsbLike) return now;
  // The bus keeps its own 1 ms frame clock and moves one transfer a frame. A report written goes
  // in the first free frame after the write. A reply goes in the first free frame after its
  // request's, however late the host asks for it: the host controller polls the board by
  // itself. So a caller that wakes late loses only frames that really went by without it, and
  // lateness never adds up.
  std::int64_t frame = lastFrameUs_ + kFrameUs;
  if (fromHost || lastFrameUs_ == kNoFrame) {
    frame = std::max(frame, (now / kFrameUs + 1) * kFrameUs);
  }
  lastFrameUs_ = frame;
  if (frame > now) clock_.SleepUs(frame - now);
  return frame;
}

void SimHidPlatform::Record(std::int64_t timeUs, bool toBoard, int device, const std::uint8_t* data,
                            std::size_t length) {
  TraceEntry e{timeUs, toBoard, device, std::vector<std::uint8_t>(data, data + length)};
  if (sink_) sink_(e);
  trace_.push_back(std::move(e));
}

bool SimHidPlatform::Write(Handle handle, const std::uint8_t* data, std::size_t length) {
  auto* h = Find(handle);
  if (!h || h->access != Access::Write) return Fail(kErrInvalidHandle);
  auto& d = devices_[h->device];
  if (!d.present) return Fail(kErrDeviceNotConnected);
  if (d.writeFails) return Fail(kErrGenFailure);
  if (d.failWriteAfter == 0) {
    d.failWriteAfter = -1;
    return Fail(kErrGenFailure);
  }
  if (d.failWriteAfter > 0) --d.failWriteAfter;
  if (length != d.caps.outputReportByteLength) return Fail(kErrGenFailure);
  const std::int64_t frameUs = WaitForFrame(true);
  ++writes_;
  Record(frameUs, true, h->device, data, length);
  if (d.board) d.board->Receive(std::span<const std::uint8_t>(data, length), frameUs);
  return Succeed();
}

bool SimHidPlatform::StartRead(Handle handle, std::uint8_t* buffer, std::size_t length) {
  auto* h = Find(handle);
  if (!h || h->access != Access::ReadOverlapped) return Fail(kErrInvalidHandle);
  if (!devices_[h->device].present) return Fail(kErrDeviceNotConnected);
  h->buffer = buffer;
  h->length = length;
  return Succeed();
}

WaitResult SimHidPlatform::WaitRead(Handle handle, std::uint32_t timeoutMs) {
  auto* h = Find(handle);
  if (!h || !h->buffer) {
    Fail(kErrInvalidHandle);
    return WaitResult::Failed;
  }
  auto& d = devices_[h->device];
  if (!d.present) {
    Fail(kErrDeviceNotConnected);
    return WaitResult::Failed;
  }
  std::optional<std::vector<std::uint8_t>> reply;
  if (d.board && !d.noReply) reply = d.board->TakeReply();
  if (reply && d.dropReplyAfter == 0) {
    d.dropReplyAfter = -1;
    reply.reset();
  } else if (reply && d.dropReplyAfter > 0) {
    --d.dropReplyAfter;
  }
  if (reply && !d.scripted.empty()) {
    auto scripted = std::move(d.scripted.front());
    d.scripted.pop_front();
    scripted.resize(reply->size(), 0);
    reply = std::move(scripted);
  } else if (reply && !d.scriptedShort.empty()) {
    reply = std::move(d.scriptedShort.front());
    d.scriptedShort.pop_front();
  }
  if (!reply) {
    clock_.SleepUs(std::int64_t{timeoutMs} * 1000);
    Fail(kErrTimeout);
    return WaitResult::TimedOut;
  }
  const std::int64_t frameUs = WaitForFrame(false);
  const std::size_t n = std::min(h->length, reply->size());
  std::copy_n(reply->begin(), n, h->buffer);
  Record(frameUs, false, h->device, h->buffer, n);
  h->buffer = nullptr;
  h->lastReadLength = n;
  Succeed();
  return WaitResult::Completed;
}

std::size_t SimHidPlatform::LastReadLength(Handle handle) const {
  const auto it = handles_.find(handle);
  return it == handles_.end() ? 0 : it->second.lastReadLength;
}

bool SimHidPlatform::CancelRead(Handle handle) {
  auto* h = Find(handle);
  if (!h) return Fail(kErrInvalidHandle);
  h->buffer = nullptr;
  return Succeed();
}

bool SimHidPlatform::Close(Handle handle) {
  if (handles_.erase(handle) == 0) return Fail(kErrInvalidHandle);
  return Succeed();
}

bool SimHidPlatform::AccessDenied(std::uint32_t code) const {
  return code == kErrAccessDenied;
}

std::string SimHidPlatform::ErrorText(std::uint32_t code) const {
  switch (code) {
    case kErrAccessDenied:
      return "Access is denied.\r\n";
    case kErrInvalidHandle:
      return "The handle is invalid.\r\n";
    case kErrGenFailure:
      return "A device attached to the system is not functioning.\r\n";
    case kErrNoMoreItems:
      return "No more data is available.\r\n";
    case kErrDeviceNotConnected:
      return "The device is not connected.\r\n";
    case kErrTimeout:
      return "This operation returned because the timeout period expired.\r\n";
    default:
      return {};
  }
}

}  // namespace sim
