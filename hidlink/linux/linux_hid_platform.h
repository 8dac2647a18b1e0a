#pragma once
// The HID platform on Linux: hidraw device nodes, with discovery, attributes and report lengths
// taken from sysfs, so that finding the board never needs access to anybody else's HID device.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "hidlink/hid_platform.h"

namespace hidlink {

class LinuxHidPlatform : public HidPlatform {
 public:
  // `sysfsRoot` holds one hidrawN entry a device; `deviceDir` holds the hidrawN device nodes.
  explicit LinuxHidPlatform(std::string sysfsRoot = "/sys/class/hidraw",
                            std::string deviceDir = "/dev");
  ~LinuxHidPlatform() override;
  LinuxHidPlatform(const LinuxHidPlatform&) = delete;
  LinuxHidPlatform& operator=(const LinuxHidPlatform&) = delete;

  // A missing sysfs root is an empty set: the kernel removes it while no hidraw device exists.
  bool OpenDeviceSet() override;
  // Past the end of the set: false with ENODEV.
  bool EnumInterface(int index, std::string& path) override;
  // After a failed OpenDeviceSet: false, keeping that failure's error code.
  bool CloseDeviceSet() override;

  Handle Open(const std::string& path, Access access) override;
  // Unknown handles fail with EBADF, unreadable sysfs contents with EIO. No version number.
  bool GetAttributes(Handle handle, HidAttributes& attributes) override;
  bool GetCaps(Handle handle, HidCaps& caps) override;

  bool Write(Handle handle, const std::uint8_t* data, std::size_t length) override;
  bool StartRead(Handle handle, std::uint8_t* buffer, std::size_t length) override;
  // Fails at once (EINVAL) when no read is pending on `handle`. A time-out (ETIMEDOUT) keeps the
  // read pending; a hang-up or error of the device (EIO) ends it.
  WaitResult WaitRead(Handle handle, std::uint32_t timeoutMs) override;
  bool CancelRead(Handle handle) override;
  std::size_t LastReadLength(Handle handle) const override;
  bool Close(Handle handle) override;

  std::uint32_t LastError() const override { return lastError_; }
  std::string ErrorText(std::uint32_t code) const override;
  // EACCES and EPERM.
  bool AccessDenied(std::uint32_t code) const override;
  // The node, and the udev rule that gives access to it.
  std::string AccessAdvice(const std::string& path) const override;

 private:
  struct OpenDevice {
    std::string name;  // the sysfs entry (hidrawN); empty when the path names no hidraw node
    Access access = Access::Query;
    bool numberedReports = false;
    std::uint8_t* pendingBuffer = nullptr;  // the caller's buffer of the pending read, not owned
    std::size_t pendingLength = 0;
    std::size_t lastReadLength = 0;  // bytes of the buffer the last completed read filled
  };

  bool Succeed();
  bool Fail(int error);
  WaitResult FailRead(OpenDevice& device, int error);
  OpenDevice* Find(Handle handle);
  // Reads a file of the device's sysfs entry; 0 or an errno value.
  int ReadDeviceFile(const OpenDevice& device, const char* file, std::size_t limit,
                     std::string& contents) const;

  std::string sysfsRoot_;
  std::string deviceDir_;
  bool setOpen_ = false;
  int setError_ = 0;  // why the last OpenDeviceSet failed, kept until CloseDeviceSet
  std::vector<std::string> set_;
  std::map<Handle, OpenDevice> devices_;
  std::uint32_t lastError_ = 0;
};

}  // namespace hidlink
