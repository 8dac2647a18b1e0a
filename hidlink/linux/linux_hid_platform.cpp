#include "hidlink/linux/linux_hid_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

#include "hidlink/linux/report_descriptor.h"

namespace hidlink {

namespace {

constexpr std::string_view kHidrawPrefix = "hidraw";
// The kernel caps descriptors at 4 KiB and uevent files at a page; these leave room.
constexpr std::size_t kMaxDescriptorBytes = 64 * 1024;
constexpr std::size_t kMaxUeventBytes = 64 * 1024;

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// "hidraw" followed by decimal digits only; `number` receives the digits' value.
bool ParseHidrawName(std::string_view name, unsigned long& number) {
  if (name.size() <= kHidrawPrefix.size() ||
      name.substr(0, kHidrawPrefix.size()) != kHidrawPrefix) {
    return false;
  }
  const std::string_view digits = name.substr(kHidrawPrefix.size());
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return ec == std::errc() && end == digits.data() + digits.size();
}

int ReadWholeFile(const std::string& path, std::size_t limit, std::string& contents) {
  contents.clear();
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return errno;
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    contents.append(chunk, static_cast<std::size_t>(n));
    if (contents.size() > limit) return EFBIG;
  }
}

bool ParseHexField(std::string_view field, std::uint32_t& value) {
  if (field.empty()) return false;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value, 16);
  return ec == std::errc() && end == field.data() + field.size();
}

// The line HID_ID=bbbb:vvvvvvvv:pppppppp (bus, vendor, product in hex) of a HID uevent file.
bool ParseHidId(std::string_view uevent, std::uint16_t& vendor, std::uint16_t& product) {
  constexpr std::string_view kKey = "HID_ID=";
  while (!uevent.empty()) {
    const std::size_t lineEnd = uevent.find('\n');
    const std::string_view line = uevent.substr(0, lineEnd);
    uevent = lineEnd == std::string_view::npos ? std::string_view() : uevent.substr(lineEnd + 1);
    if (line.substr(0, kKey.size()) != kKey) continue;

    const std::string_view fields = line.substr(kKey.size());
    const std::size_t first = fields.find(':');
    const std::size_t second =
        first == std::string_view::npos ? first : fields.find(':', first + 1);
    if (second == std::string_view::npos) return false;
    std::uint32_t bus = 0;
    std::uint32_t vendorValue = 0;
    std::uint32_t productValue = 0;
    if (!ParseHexField(fields.substr(0, first), bus) ||
        !ParseHexField(fields.substr(first + 1, second - first - 1), vendorValue) ||
        !ParseHexField(fields.substr(second + 1), productValue) || vendorValue > 0xFFFF ||
        productValue > 0xFFFF) {
      return false;
    }
    vendor = static_cast<std::uint16_t>(vendorValue);
    product = static_cast<std::uint16_t>(productValue);
    return true;
  }
  return false;
}

// Picks the text out of whichever strerror_r the C library provides.
[[maybe_unused]] const char* StrerrorResult(int rc, const char* buffer) {
  return rc == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* StrerrorResult(const char* text, const char*) {
  return text;
}

}  // namespace

LinuxHidPlatform::LinuxHidPlatform(std::string sysfsRoot, std::string deviceDir)
    : sysfsRoot_(std::move(sysfsRoot)), deviceDir_(std::move(deviceDir)) {}

LinuxHidPlatform::~LinuxHidPlatform() {
  for (const auto& entry : devices_) ::close(static_cast<int>(entry.first));
}

bool LinuxHidPlatform::Succeed() {
  lastError_ = 0;
  return true;
}

bool LinuxHidPlatform::Fail(int error) {
  lastError_ = static_cast<std::uint32_t>(error);
  return false;
}

LinuxHidPlatform::OpenDevice* LinuxHidPlatform::Find(Handle handle) {
  const auto it = devices_.find(handle);
  return it == devices_.end() ? nullptr : &it->second;
}

int LinuxHidPlatform::ReadDeviceFile(const OpenDevice& device, const char* file, std::size_t limit,
                                     std::string& contents) const {
  // Not a hidraw node, so there is no sysfs entry to ask: as for an ioctl on the wrong device.
  if (device.name.empty()) return ENOTTY;
  return ReadWholeFile(sysfsRoot_ + "/" + device.name + "/device/" + file, limit, contents);
}

bool LinuxHidPlatform::OpenDeviceSet() {
  set_.clear();
  setOpen_ = false;
  setError_ = 0;
  const std::unique_ptr<DIR, DirCloser> dir(::opendir(sysfsRoot_.c_str()));
  if (!dir) {
    if (errno == ENOENT) {
      setOpen_ = true;
      return Succeed();
    }
    setError_ = errno;
    return Fail(setError_);
  }
  std::vector<std::pair<unsigned long, std::string>> found;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir.get());
    if (!entry) break;
    unsigned long number = 0;
    if (ParseHidrawName(entry->d_name, number)) found.emplace_back(number, entry->d_name);
  }
  if (errno != 0) {
    setError_ = errno;
    return Fail(setError_);
  }
  std::sort(found.begin(), found.end());
  for (auto& item : found) set_.push_back(std::move(item.second));
  setOpen_ = true;
  return Succeed();
}

bool LinuxHidPlatform::EnumInterface(int index, std::string& path) {
  if (!setOpen_) return Fail(setError_ != 0 ? setError_ : EBADF);
  if (index < 0 || static_cast<std::size_t>(index) >= set_.size()) return Fail(ENODEV);
  path = deviceDir_ + "/" + set_[static_cast<std::size_t>(index)];
  return Succeed();
}

bool LinuxHidPlatform::CloseDeviceSet() {
  const bool wasOpen = setOpen_;
  const int error = setError_;
  set_.clear();
  setOpen_ = false;
  setError_ = 0;
  // Closing after a failed open keeps that failure's reason as the last error.
  if (!wasOpen) return Fail(error != 0 ? error : EBADF);
  return Succeed();
}

Handle LinuxHidPlatform::Open(const std::string& path, Access access) {
  int flags = 0;
  switch (access) {
    case Access::Query:
      flags = O_PATH | O_CLOEXEC;  // no access rights needed, the node is never really opened
      break;
    case Access::Write:
      flags = O_WRONLY | O_CLOEXEC;
      break;
    case Access::ReadOverlapped:
      flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
      break;
  }
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) {
    Fail(errno);
    return kInvalidHandle;
  }

  OpenDevice device;
  device.access = access;
  const std::string_view name = std::string_view(path).substr(path.find_last_of('/') + 1);
  unsigned long number = 0;
  if (ParseHidrawName(name, number)) device.name = std::string(name);
  if (access == Access::ReadOverlapped) {
    // Numbered reports arrive with their id byte, unnumbered ones without. A descriptor that cannot
    // be read or parsed leaves the common case: unnumbered.
    std::string descriptor;
    ReportDescriptorInfo info;
    if (ReadDeviceFile(device, "report_descriptor", kMaxDescriptorBytes, descriptor) == 0 &&
        ParseReportDescriptor(
            std::span(reinterpret_cast<const std::uint8_t*>(descriptor.data()), descriptor.size()),
            info) == DescriptorError::None) {
      device.numberedReports = info.usesReportIds;
    }
  }
  devices_.insert_or_assign(static_cast<Handle>(fd), std::move(device));
  Succeed();
  return fd;
}

bool LinuxHidPlatform::GetAttributes(Handle handle, HidAttributes& attributes) {
  const OpenDevice* device = Find(handle);
  if (!device) return Fail(EBADF);
  std::string uevent;
  if (const int error = ReadDeviceFile(*device, "uevent", kMaxUeventBytes, uevent); error != 0) {
    return Fail(error);
  }
  HidAttributes result;
  if (!ParseHidId(uevent, result.vendorId, result.productId)) return Fail(EIO);
  attributes = result;  // sysfs gives no version number; it stays 0
  return Succeed();
}

bool LinuxHidPlatform::GetCaps(Handle handle, HidCaps& caps) {
  const OpenDevice* device = Find(handle);
  if (!device) return Fail(EBADF);
  std::string descriptor;
  if (const int error =
          ReadDeviceFile(*device, "report_descriptor", kMaxDescriptorBytes, descriptor);
      error != 0) {
    return Fail(error);
  }
  ReportDescriptorInfo info;
  if (ParseReportDescriptor(
          std::span(reinterpret_cast<const std::uint8_t*>(descriptor.data()), descriptor.size()),
          info) != DescriptorError::None) {
    return Fail(EIO);
  }
  caps.inputReportByteLength = info.inputReportByteLength;
  caps.outputReportByteLength = info.outputReportByteLength;
  return Succeed();
}

bool LinuxHidPlatform::Write(Handle handle, const std::uint8_t* data, std::size_t length) {
  if (!Find(handle)) return Fail(EBADF);
  if (!data || length == 0) return Fail(EINVAL);
  // hidraw takes one whole report a write, report id byte first (0 for unnumbered reports).
  for (;;) {
    const ssize_t written = ::write(static_cast<int>(handle), data, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (static_cast<std::size_t>(written) != length) return Fail(EIO);
    return Succeed();
  }
}

bool LinuxHidPlatform::StartRead(Handle handle, std::uint8_t* buffer, std::size_t length) {
  OpenDevice* device = Find(handle);
  if (!device) return Fail(EBADF);
  if (device->access != Access::ReadOverlapped) return Fail(EBADF);
  if (!buffer || length == 0) return Fail(EINVAL);
  device->pendingBuffer = buffer;
  device->pendingLength = length;
  return Succeed();
}

WaitResult LinuxHidPlatform::FailRead(OpenDevice& device, int error) {
  device.pendingBuffer = nullptr;
  device.pendingLength = 0;
  Fail(error);
  return WaitResult::Failed;
}

WaitResult LinuxHidPlatform::WaitRead(Handle handle, std::uint32_t timeoutMs) {
  OpenDevice* device = Find(handle);
  if (!device) {
    Fail(EBADF);
    return WaitResult::Failed;
  }
  if (!device->pendingBuffer) {
    Fail(EINVAL);
    return WaitResult::Failed;
  }

  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  const int fd = static_cast<int>(handle);
  for (;;) {
    const auto remaining =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    const int pollMs = static_cast<int>(std::clamp<decltype(remaining)>(remaining, 0, INT_MAX));
    pollfd entry{fd, POLLIN, 0};
    const int ready = ::poll(&entry, 1, pollMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return FailRead(*device, errno);
    }
    if (ready == 0) {
      Fail(ETIMEDOUT);
      return WaitResult::TimedOut;
    }
    if (entry.revents & POLLNVAL) return FailRead(*device, EBADF);
    // hidraw reports an unplugged device as error and hang-up.
    if (entry.revents & (POLLERR | POLLHUP)) return FailRead(*device, EIO);
    if (!(entry.revents & POLLIN)) continue;

    std::uint8_t* buffer = device->pendingBuffer;
    std::size_t length = device->pendingLength;
    std::uint8_t discard = 0;
    if (!device->numberedReports) {
      // Unnumbered reports arrive without their id byte: the data go after the id byte's place.
      ++buffer;
      --length;
      if (length == 0) {
        buffer = &discard;
        length = 1;
      }
    }
    const ssize_t n = ::read(fd, buffer, length);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
      return FailRead(*device, errno);
    }
    if (n == 0) return FailRead(*device, EIO);  // end of file: the device is gone
    // A report shorter than the buffer leaves zeros after it, not the previous reply.
    std::fill(buffer + n, buffer + length, std::uint8_t{0});
    device->lastReadLength = std::min(
        device->pendingLength, static_cast<std::size_t>(n) + (device->numberedReports ? 0 : 1));
    if (!device->numberedReports) device->pendingBuffer[0] = 0;
    device->pendingBuffer = nullptr;
    device->pendingLength = 0;
    Succeed();
    return WaitResult::Completed;
  }
}

std::size_t LinuxHidPlatform::LastReadLength(Handle handle) const {
  const auto it = devices_.find(handle);
  return it == devices_.end() ? 0 : it->second.lastReadLength;
}

bool LinuxHidPlatform::CancelRead(Handle handle) {
  OpenDevice* device = Find(handle);
  if (!device) return Fail(EBADF);
  device->pendingBuffer = nullptr;
  device->pendingLength = 0;
  return Succeed();
}

bool LinuxHidPlatform::Close(Handle handle) {
  const auto it = devices_.find(handle);
  if (it == devices_.end()) return Fail(EBADF);
  devices_.erase(it);
  // The descriptor is released even when close reports an error, so it is never retried.
  if (::close(static_cast<int>(handle)) != 0 && errno != EINTR) return Fail(errno);
  return Succeed();
}

std::string LinuxHidPlatform::ErrorText(std::uint32_t code) const {
  if (code > static_cast<std::uint32_t>(INT_MAX)) return {};
  const int error = static_cast<int>(code);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 32))
  // Only the library knows which codes have a text of their own; the rest get a made-up one.
  if (!::strerrordesc_np(error)) return {};
#endif
  char buffer[256] = {};
  const char* text = StrerrorResult(::strerror_r(error, buffer, sizeof buffer), buffer);
  std::string result = text ? text : "";
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' ' || result.back() == '\t')) {
    result.pop_back();
  }
  return result;
}

bool LinuxHidPlatform::AccessDenied(std::uint32_t code) const {
  return code == static_cast<std::uint32_t>(EACCES) || code == static_cast<std::uint32_t>(EPERM);
}

std::string LinuxHidPlatform::AccessAdvice(const std::string& path) const {
  return path +
         " may not be opened for reading and writing by this user.\r\n"
         "Install the udev rule 70-zbk.rules as the README says (\"Using a real board on "
         "Linux\"), then unplug the board and plug it in again.";
}

}  // namespace hidlink
