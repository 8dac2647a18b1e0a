#pragma once
// The HID platform port: what the link needs of an operating system's HID services.
//
// Every call sets the platform's last error: 0 on success, a system error code on failure, so that
// the caller can explain a failure with LastError() and ErrorText(). The link reports errors of
// discovery from these values.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace hidlink {

using Handle = std::intptr_t;
inline constexpr Handle kInvalidHandle = -1;

struct HidAttributes {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t versionNumber = 0;
};

// Report byte lengths as the board's capabilities count them: the report id byte included.
struct HidCaps {
  std::uint16_t inputReportByteLength = 0;
  std::uint16_t outputReportByteLength = 0;
};

enum class Access {
  Query,           // no access rights: attributes and capabilities only
  Write,           // synchronous writes
  ReadOverlapped,  // reads started with StartRead and completed by WaitRead
};

enum class WaitResult { Completed, TimedOut, Failed };

class HidPlatform {
 public:
  virtual ~HidPlatform() = default;

  // Takes a snapshot of the present HID interfaces. False when no device set can be had.
  virtual bool OpenDeviceSet() = 0;
  // The device path of interface `index` of the snapshot; false when there is no such interface.
  virtual bool EnumInterface(int index, std::string& path) = 0;
  // Releases the snapshot.
  virtual bool CloseDeviceSet() = 0;

  // Opens a device path; kInvalidHandle on failure.
  virtual Handle Open(const std::string& path, Access access) = 0;
  virtual bool GetAttributes(Handle handle, HidAttributes& attributes) = 0;
  virtual bool GetCaps(Handle handle, HidCaps& caps) = 0;

  // Writes one whole output report, report id byte first.
  virtual bool Write(Handle handle, const std::uint8_t* data, std::size_t length) = 0;
  // Starts reading one input report of at most `length` bytes into `buffer`; byte 0 of the buffer
  // receives the report id (0 for unnumbered reports). The buffer must stay valid until WaitRead
  // returns or CancelRead is called.
  virtual bool StartRead(Handle handle, std::uint8_t* buffer, std::size_t length) = 0;
  // Waits for the read started last on `handle` for at most timeoutMs milliseconds.
  virtual WaitResult WaitRead(Handle handle, std::uint32_t timeoutMs) = 0;
  virtual bool CancelRead(Handle handle) = 0;
  // How many bytes of the buffer, id byte included, the last completed read on `handle` filled.
  // A platform whose reads always fill the whole report need not say.
  virtual std::size_t LastReadLength(Handle /*handle*/) const {
    return std::numeric_limits<std::size_t>::max();
  }
  virtual bool Close(Handle handle) = 0;

  virtual std::uint32_t LastError() const = 0;
  // The system's text for an error code, without a trailing line break; empty when it has none.
  virtual std::string ErrorText(std::uint32_t code) const = 0;
  // Whether `code` says the caller lacks the rights for what it asked (not: the device is gone).
  virtual bool AccessDenied(std::uint32_t code) const = 0;
  // What the user can do when `path` refused an open for lack of rights: lines a message adds
  // after the system's reason. Empty when the system has nothing to add.
  virtual std::string AccessAdvice(const std::string& path) const { return {}; }
};

}  // namespace hidlink
