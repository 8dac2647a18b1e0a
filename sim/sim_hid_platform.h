#pragma once
// A simulated HID bus: a list of devices (the ZBK and others), faults to inject, an optional
// USB-like timing model and a wire trace of every report the board receives and sends.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "clock/clock.h"
#include "hidlink/hid_platform.h"
#include "sim/zbk_board.h"

namespace sim {

// Error codes of the simulated system, with texts like a real system gives.
inline constexpr std::uint32_t kErrAccessDenied = 5;
inline constexpr std::uint32_t kErrInvalidHandle = 6;
inline constexpr std::uint32_t kErrGenFailure = 31;
inline constexpr std::uint32_t kErrNoMoreItems = 259;
inline constexpr std::uint32_t kErrDeviceNotConnected = 1167;
inline constexpr std::uint32_t kErrTimeout = 1460;

enum class Timing {
  Instant,  // transfers take no time
  UsbLike,  // one transfer per 1 ms frame, as a full-speed interrupt endpoint moves them
};

struct TraceEntry {
  std::int64_t timeUs = 0;
  bool toBoard = true;  // false: a reply from the board
  int device = 0;
  std::vector<std::uint8_t> bytes;
};

class SimHidPlatform final : public hidlink::HidPlatform {
 public:
  explicit SimHidPlatform(clk::Clock& clock) : clock_(clock) {}

  // A HID device without ZBK firmware. Returns its index. A device that is not `openable` refuses
  // every open, the query-only one too, as an interface the system keeps to itself does.
  int AddDevice(std::uint16_t vendorId, std::uint16_t productId, bool openable = true);
  // A ZBK board (03EB:201D) answering with `versionText`.
  int AddBoard(std::string versionText, std::uint16_t outputLength = 65,
               std::uint16_t inputLength = 65);
  ZbkBoard* Board(int device);
  int DeviceCount() const { return static_cast<int>(devices_.size()); }

  // Faults, per device.
  void SetWriteFails(int device, bool fails);
  void SetNoReply(int device, bool noReply);
  void Unplug(int device);
  void Plug(int device);
  // Unplugged and plugged in again: present, and a board starts afresh (ZbkBoard::PowerCycle).
  void Replug(int device);
  // The device's write and read opens are refused for lack of rights (the query open is allowed),
  // as a node the user may not open yet, until the bus clock reaches `untilUs`.
  static constexpr std::int64_t kForever = INT64_MAX;
  void DenyAccess(int device, std::int64_t untilUs = kForever, bool writeToo = true);
  void GrantAccess(int device) { DenyAccess(device, 0); }
  // Every fault of the device off, scripted replies dropped.
  void ClearFaults(int device);
  // The next `count` writes to the device succeed, and the one after fails (once).
  void FailWriteAfter(int device, int count);
  // The next `count` replies arrive, and the one after does not (once).
  void DropReplyAfter(int device, int count);
  // Replies given instead of the board's own, one per reply the board would send.
  void ScriptReply(int device, std::vector<std::uint8_t> reply);
  // A reply shorter than the input report, delivered as it is: only its bytes are read, the rest
  // of the reader's buffer is not touched (a real device may do this; the link must cope).
  void ScriptShortReply(int device, std::vector<std::uint8_t> reply);
  // No device information set can be had at all.
  void SetDeviceSetAvailable(bool available) { deviceSetAvailable_ = available; }

  void SetTiming(Timing timing) {
    timing_ = timing;
    lastFrameUs_ = kNoFrame;
  }
  const std::vector<TraceEntry>& Trace() const { return trace_; }
  void ClearTrace() { trace_.clear(); }
  // Called for every traced report as it crosses the bus.
  void SetTraceSink(std::function<void(const TraceEntry&)> sink) { sink_ = std::move(sink); }
  // Number of writes that reached any device, and of discoveries (device set snapshots).
  int WriteCount() const { return writes_; }
  int DiscoveryCount() const { return discoveries_; }

  // HidPlatform.
  bool OpenDeviceSet() override;
  bool EnumInterface(int index, std::string& path) override;
  bool CloseDeviceSet() override;
  hidlink::Handle Open(const std::string& path, hidlink::Access access) override;
  bool GetAttributes(hidlink::Handle handle, hidlink::HidAttributes& attributes) override;
  bool GetCaps(hidlink::Handle handle, hidlink::HidCaps& caps) override;
  bool Write(hidlink::Handle handle, const std::uint8_t* data, std::size_t length) override;
  bool StartRead(hidlink::Handle handle, std::uint8_t* buffer, std::size_t length) override;
  std::size_t LastReadLength(hidlink::Handle handle) const override;
  hidlink::WaitResult WaitRead(hidlink::Handle handle, std::uint32_t timeoutMs) override;
  bool CancelRead(hidlink::Handle handle) override;
  bool Close(hidlink::Handle handle) override;
  std::uint32_t LastError() const override { return lastError_; }
  std::string ErrorText(std::uint32_t code) const override;
  bool AccessDenied(std::uint32_t code) const override;

  int OpenHandleCount() const { return static_cast<int>(handles_.size()); }

 private:
  struct Device {
    std::string path;
    hidlink::HidAttributes attributes;
    hidlink::HidCaps caps;
    bool openable = true;
    std::int64_t deniedUntilUs = 0;  // write and read opens refused before this bus time
    bool writeDenied = true;         // false: only the read open is refused
    bool present = true;
    bool writeFails = false;
    bool noReply = false;
    int failWriteAfter = -1;
    int dropReplyAfter = -1;
    std::unique_ptr<ZbkBoard> board;
    std::deque<std::vector<std::uint8_t>> scripted;
    std::deque<std::vector<std::uint8_t>> scriptedShort;
  };
  struct HandleState {
    int device = 0;
    hidlink::Access access = hidlink::Access::Query;
    std::uint8_t* buffer = nullptr;
    std::size_t length = 0;
    std::size_t lastReadLength = 0;
  };

  bool Succeed() {
    lastError_ = 0;
    return true;
  }
  bool Fail(std::uint32_t code) {
    lastError_ = code;
    return false;
  }
  HandleState* Find(hidlink::Handle handle);
  // Waits for the frame of the next transfer and returns its time (now, without the timing
  // model). `fromHost`: a report written; else a reply read.
  std::int64_t WaitForFrame(bool fromHost);
  void Record(std::int64_t timeUs, bool toBoard, int device, const std::uint8_t* data,
              std::size_t length);
  std::vector<int> PresentDevices() const;

  clk::Clock& clock_;
  std::vector<Device> devices_;
  std::map<hidlink::Handle, HandleState> handles_;
  hidlink::Handle nextHandle_ = 100;
  std::vector<int> snapshot_;
  bool snapshotOpen_ = false;
  bool deviceSetAvailable_ = true;
  static constexpr std::int64_t kFrameUs = 1000;
  static constexpr std::int64_t kNoFrame = INT64_MIN / 2;
  Timing timing_ = Timing::Instant;
  std::int64_t lastFrameUs_ = kNoFrame;  // the frame of the last transfer on the bus
  std::uint32_t lastError_ = 0;
  std::vector<TraceEntry> trace_;
  std::function<void(const TraceEntry&)> sink_;
  int writes_ = 0;
  int discoveries_ = 0;
};

}  // namespace sim
