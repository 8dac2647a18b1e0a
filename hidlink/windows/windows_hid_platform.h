#pragma once
// The HID platform on Windows: the device installation services enumerate the HID interfaces,
// the HID services read their attributes and capabilities, and the interfaces are opened as
// files, with overlapped reads that are waited for with a time limit.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "hidlink/hid_platform.h"

namespace hidlink {

class WindowsHidPlatform : public HidPlatform {
 public:
  WindowsHidPlatform();
  ~WindowsHidPlatform() override;
  WindowsHidPlatform(const WindowsHidPlatform&) = delete;
  WindowsHidPlatform& operator=(const WindowsHidPlatform&) = delete;

  bool OpenDeviceSet() override;
  // Interfaces whose path cannot be read are passed over; past the end: false with
  // ERROR_NO_MORE_ITEMS.
  bool EnumInterface(int index, std::string& path) override;
  // After a failed OpenDeviceSet: false, keeping that failure's error code.
  bool CloseDeviceSet() override;

  Handle Open(const std::string& path, Access access) override;
  bool GetAttributes(Handle handle, HidAttributes& attributes) override;
  bool GetCaps(Handle handle, HidCaps& caps) override;

  bool Write(Handle handle, const std::uint8_t* data, std::size_t length) override;
  // A read that completes at once counts as started; its wait then returns at once.
  bool StartRead(Handle handle, std::uint8_t* buffer, std::size_t length) override;
  // A read that ended with an error (the device went away) is Failed, not Completed. A time-out
  // keeps the read pending.
  WaitResult WaitRead(Handle handle, std::uint32_t timeoutMs) override;
  // Returns once the read has ended: the buffer is not written afterwards.
  bool CancelRead(Handle handle) override;
  bool Close(Handle handle) override;

  std::uint32_t LastError() const override { return lastError_; }
  std::string ErrorText(std::uint32_t code) const override;
  // ERROR_ACCESS_DENIED.
  bool AccessDenied(std::uint32_t code) const override { return code == 5; }

 private:
  struct State;

  bool Succeed();
  bool Fail(std::uint32_t error);
  // Ends a pending read on the handle and waits for it to be over.
  void EndPendingRead(Handle handle);

  std::unique_ptr<State> state_;
  std::uint32_t lastError_ = 0;
};

}  // namespace hidlink
