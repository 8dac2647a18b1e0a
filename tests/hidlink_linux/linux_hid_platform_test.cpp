#include "hidlink/linux/linux_hid_platform.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "hidlink/hid_link.h"
#include "hidlink_linux/sample_descriptors.h"

namespace hidlink {
namespace {

namespace fs = std::filesystem;
using samples::Bytes;

constexpr std::uint16_t kBoardVendor = 0x03EB;
constexpr std::uint16_t kBoardProduct = 0x201D;

std::string Uevent(std::uint16_t vendor, std::uint16_t product) {
  char text[256];
  std::snprintf(text, sizeof text,
                "DRIVER=hid-generic\nHID_ID=0003:%08X:%08X\nHID_NAME=Test Device\n"
                "HID_PHYS=usb-0000:00:14.0-1/input0\nHID_UNIQ=\n"
                "MODALIAS=hid:b0003g0001v%08Xp%08X\n",
                vendor, product, vendor, product);
  return text;
}

bool WriteFile(const fs::path& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  return static_cast<bool>(out);
}

// A sysfs class directory and a device node directory in a fresh temporary directory.
class FakeHidTree {
 public:
  FakeHidTree() {
    std::string pattern = (fs::temp_directory_path(error_) / "hidraw-test-XXXXXX").string();
    if (::mkdtemp(pattern.data())) base_ = pattern;
    // Readable by all, so that checks run without privileges can walk it.
    ::chmod(base_.c_str(), 0755);
    fs::create_directories(root(), error_);
    fs::create_directories(devDir(), error_);
  }
  ~FakeHidTree() {
    if (base_.empty()) return;
    std::error_code ignored;
    fs::permissions(root(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(base_, ignored);
  }

  bool ok() const { return !base_.empty() && fs::is_directory(devDir()); }
  std::string root() const { return base_ + "/class/hidraw"; }
  std::string devDir() const { return base_ + "/dev"; }
  std::string node(const std::string& name) const { return devDir() + "/" + name; }

  // A sysfs entry; files given as nullopt are left out.
  bool AddEntry(const std::string& name, const std::optional<std::string>& uevent,
                const std::optional<Bytes>& descriptor) {
    const fs::path device = fs::path(root()) / name / "device";
    if (!fs::create_directories(device, error_)) return false;
    if (uevent && !WriteFile(device / "uevent", *uevent)) return false;
    if (descriptor && !WriteFile(device / "report_descriptor",
                                 std::string(descriptor->begin(), descriptor->end()))) {
      return false;
    }
    return true;
  }
  bool AddNode(const std::string& name, mode_t mode = 0644) {
    return WriteFile(node(name), "") && ::chmod(node(name).c_str(), mode) == 0;
  }
  bool AddNodeLink(const std::string& name, const std::string& target) {
    return ::symlink(target.c_str(), node(name).c_str()) == 0;
  }

 private:
  std::error_code error_;
  std::string base_;
};

// Runs `check` where file permissions apply: in a child without root's rights when the tests run
// as root. The result is `check`'s own, or nullopt when the rights could not be dropped.
std::optional<int> RunUnprivileged(const std::function<int()>& check) {
  if (::geteuid() != 0) return check();
  const pid_t child = ::fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    constexpr uid_t kNobody = 65534;
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
      ::_exit(255);
    }
    ::_exit(check());
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 255) {
    return std::nullopt;
  }
  return WEXITSTATUS(status);
}

TEST(LinuxHidPlatformDiscovery, ListsHidrawEntriesInNumericOrder) {
  FakeHidTree tree;
  ASSERT_TRUE(tree.ok());
  for (const char* name :
       {"hidraw10", "hidraw2", "hidraw0", "hidraw", "hidrawx", "hidraw3a", "input5"}) {
    ASSERT_TRUE(tree.AddEntry(name, Uevent(1, 2), std::nullopt));
  }
  LinuxHidPlatform platform(tree.root(), tree.devDir());
  ASSERT_TRUE(platform.OpenDeviceSet());
  EXPECT_EQ(platform.LastError(), 0u);

  std::vector<std::string> paths;
  std::string path;
  for (int index = 0; platform.EnumInterface(index, path); ++index) paths.push_back(path);
  EXPECT_NE(platform.LastError(), 0u) << "the end of the set is a failure";
  EXPECT_EQ(paths, (std::vector<std::string>{tree.node("hidraw0"), tree.node("hidraw2"),
                                             tree.node("hidraw10")}));
  EXPECT_FALSE(platform.EnumInterface(-1, path));

  EXPECT_TRUE(platform.CloseDeviceSet());
  EXPECT_EQ(platform.LastError(), 0u);
  EXPECT_FALSE(platform.EnumInterface(0, path)) << "no set after closing";
}

TEST(LinuxHidPlatformDiscovery, MissingRootIsAnEmptySet) {
  FakeHidTree tree;
  ASSERT_TRUE(tree.ok());
  LinuxHidPlatform platform(tree.root() + "-absent", tree.devDir());
  ASSERT_TRUE(platform.OpenDeviceSet());
  EXPECT_EQ(platform.LastError(), 0u);
  std::string path;
  EXPECT_FALSE(platform.EnumInterface(0, path));
  EXPECT_TRUE(platform.CloseDeviceSet());
  EXPECT_EQ(platform.LastError(), 0u) << "an absent class directory must not show an error";
}

TEST(LinuxHidPlatformDiscovery, UnlistableRootFailsWithErrno) {
  FakeHidTree tree;
  ASSERT_TRUE(tree.ok());
  const std::string file = tree.devDir() + "/not-a-directory";
  ASSERT_TRUE(WriteFile(file, ""));
  LinuxHidPlatform platform(file, tree.devDir());
  EXPECT_FALSE(platform.OpenDeviceSet());
  EXPECT_EQ(platform.LastError(), static_cast<std::uint32_t>(ENOTDIR));
  std::string path;
  EXPECT_FALSE(platform.EnumInterface(0, path));
  // Closing the set that could not be had keeps the reason, for whoever reports it there.
  EXPECT_FALSE(platform.CloseDeviceSet());
  EXPECT_EQ(platform.LastError(), static_cast<std::uint32_t>(ENOTDIR));

  ASSERT_TRUE(tree.AddEntry("hidraw0", Uevent(1, 2), std::nullopt));
  ASSERT_EQ(::chmod(tree.root().c_str(), 0), 0);
  const std::optional<int> result = RunUnprivileged([&] {
    LinuxHidPlatform unprivileged(tree.root(), tree.devDir());
    if (unprivileged.OpenDeviceSet()) return 1;
    return unprivileged.LastError() == static_cast<std::uint32_t>(EACCES) ? 0 : 2;
  });
  if (!result) GTEST_SKIP() << "cannot drop root's rights here";
  EXPECT_EQ(*result, 0);
}

TEST(LinuxHidPlatformDiscovery, QueriesNeedNoAccessToTheNode) {
  FakeHidTree tree;
  ASSERT_TRUE(tree.ok());
  ASSERT_TRUE(tree.AddEntry("hidraw0", Uevent(0x1234, 0x5678), samples::kKeyboard));
  ASSERT_TRUE(tree.AddEntry("hidraw1", Uevent(kBoardVendor, 0x2FFF), samples::kMouse));
  ASSERT_TRUE(tree.AddEntry("hidraw2", Uevent(kBoardVendor, kBoardProduct), samples::kVendor64));
  for (const char* name : {"hidraw0", "hidraw1", "hidraw2"}) ASSERT_TRUE(tree.AddNode(name, 0));

  // Each step has its own exit code, so that a failure says which one it was.
  const std::optional<int> result = RunUnprivileged([&] {
    LinuxHidPlatform platform(tree.root(), tree.devDir());
    if (!platform.OpenDeviceSet()) return 1;
    const std::vector<std::pair<std::uint16_t, std::uint16_t>> expected = {
        {0x1234, 0x5678}, {kBoardVendor, 0x2FFF}, {kBoardVendor, kBoardProduct}};
    std::string path;
    for (int index = 0; index < 3; ++index) {
      if (!platform.EnumInterface(index, path)) return 2;
      const Handle handle = platform.Open(path, Access::Query);
      if (handle == kInvalidHandle || platform.LastError() != 0) return 3;
      HidAttributes attributes;
      if (!platform.GetAttributes(handle, attributes) || platform.LastError() != 0) return 4;
      if (attributes.vendorId != expected[index].first ||
          attributes.productId != expected[index].second) {
        return 5;
      }
      if (index == 2) {
        HidCaps caps;
        if (!platform.GetCaps(handle, caps)) return 6;
        if (caps.inputReportByteLength != 65 || caps.outputReportByteLength != 65) return 7;
        // Writing does need the rights, and says so.
        if (platform.Open(path, Access::Write) != kInvalidHandle) return 8;
        if (platform.LastError() != static_cast<std::uint32_t>(EACCES)) return 9;
        if (platform.ErrorText(platform.LastError()) != "Permission denied") return 10;
      }
      if (!platform.Close(handle)) return 11;
    }
    if (!platform.CloseDeviceSet()) return 12;
    return 0;
  });
  if (!result) GTEST_SKIP() << "cannot drop root's rights here";
  EXPECT_EQ(*result, 0);
}

TEST(LinuxHidPlatformDevice, AttributesFromUevent) {
  struct Case {
    std::optional<std::string> uevent;
    std::uint32_t error;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
  };
  const std::vector<Case> cases = {
      {Uevent(kBoardVendor, kBoardProduct), 0, kBoardVendor, kBoardProduct},
      {"HID_ID=0003:000003eb:0000201d", 0, kBoardVendor, kBoardProduct},  // no final line break
      {"HID_NAME=x\nHID_PHYS=y\n", EIO},
      {"HID_ID=0003:000003EB\n", EIO},
      {"HID_ID=0003:0000XYZ:0000201D\n", EIO},
      {"HID_ID=0003::0000201D\n", EIO},
      {"HID_ID=0003:000103EB:0000201D\n", EIO},  // wider than a USB id
      {std::nullopt, ENOENT},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    FakeHidTree tree;
    ASSERT_TRUE(tree.ok());
    ASSERT_TRUE(tree.AddEntry("hidraw3", cases[i].uevent, std::nullopt));
    ASSERT_TRUE(tree.AddNode("hidraw3"));
    LinuxHidPlatform platform(tree.root(), tree.devDir());
    const Handle handle = platform.Open(tree.node("hidraw3"), Access::Query);
    ASSERT_NE(handle, kInvalidHandle);
    HidAttributes attributes;
    EXPECT_EQ(platform.GetAttributes(handle, attributes), cases[i].error == 0);
    EXPECT_EQ(platform.LastError(), cases[i].error);
    if (cases[i].error == 0) {
      EXPECT_EQ(attributes.vendorId, cases[i].vendor);
      EXPECT_EQ(attributes.productId, cases[i].product);
    }
  }
}

TEST(LinuxHidPlatformDevice, CapsFromReportDescriptor) {
  struct Case {
    std::optional<Bytes> descriptor;
    std::uint32_t error;
    std::uint16_t input = 0;
    std::uint16_t output = 0;
  };
  const Bytes truncated(samples::kVendor64.begin(), samples::kVendor64.begin() + 13);
  const std::vector<Case> cases = {
      {samples::kVendor64, 0, 65, 65},  {samples::kKeyboard, 0, 9, 2},
      {samples::kMultiReport, 0, 9, 4}, {truncated, EIO},
      {std::nullopt, ENOENT},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    FakeHidTree tree;
    ASSERT_TRUE(tree.ok());
    ASSERT_TRUE(tree.AddEntry("hidraw7", Uevent(1, 2), cases[i].descriptor));
    ASSERT_TRUE(tree.AddNode("hidraw7"));
    LinuxHidPlatform platform(tree.root(), tree.devDir());
    const Handle handle = platform.Open(tree.node("hidraw7"), Access::Query);
    ASSERT_NE(handle, kInvalidHandle);
    HidCaps caps;
    EXPECT_EQ(platform.GetCaps(handle, caps), cases[i].error == 0);
    EXPECT_EQ(platform.LastError(), cases[i].error);
    if (cases[i].error == 0) {
      EXPECT_EQ(caps.inputReportByteLength, cases[i].input);
      EXPECT_EQ(caps.outputReportByteLength, cases[i].output);
    }
  }
}

TEST(LinuxHidPlatformDevice, UnknownHandlesFailWithEbadf) {
  FakeHidTree tree;
  ASSERT_TRUE(tree.ok());
  ASSERT_TRUE(tree.AddEntry("hidraw0", Uevent(kBoardVendor, kBoardProduct), samples::kVendor64));
  ASSERT_TRUE(tree.AddNode("hidraw0"));
  LinuxHidPlatform platform(tree.root(), tree.devDir());
  const Handle closed = platform.Open(tree.node("hidraw0"), Access::Query);
  ASSERT_NE(closed, kInvalidHandle);
  ASSERT_TRUE(platform.Close(closed));
  // Standard input is open in the process, but it is not one of the platform's handles.
  for (const Handle handle : {kInvalidHandle, Handle{0}, closed}) {
    SCOPED_TRACE(handle);
    const auto expectBadHandle = [&](bool result) {
      EXPECT_FALSE(result);
      EXPECT_EQ(platform.LastError(), static_cast<std::uint32_t>(EBADF));
    };
    HidAttributes attributes;
    HidCaps caps;
    std::uint8_t buffer[8] = {};
    expectBadHandle(platform.GetAttributes(handle, attributes));
    expectBadHandle(platform.GetCaps(handle, caps));
    expectBadHandle(platform.Write(handle, buffer, sizeof buffer));
    expectBadHandle(platform.StartRead(handle, buffer, sizeof buffer));
    EXPECT_EQ(platform.WaitRead(handle, 0), WaitResult::Failed);
    EXPECT_EQ(platform.LastError(), static_cast<std::uint32_t>(EBADF));
    expectBadHandle(platform.CancelRead(handle));
    expectBadHandle(platform.Close(handle));
  }

  // The next successful call clears the error.
  const Handle handle = platform.Open(tree.node("hidraw0"), Access::Query);
  ASSERT_NE(handle, kInvalidHandle);
  HidAttributes attributes;
  EXPECT_FALSE(platform.GetAttributes(kInvalidHandle, attributes));
  EXPECT_TRUE(platform.GetAttributes(handle, attributes));
  EXPECT_EQ(platform.LastError(), 0u);
}

TEST(LinuxHidPlatformDevice, OpenFailureAndErrorText) {
  FakeHidTree tree;
  ASSERT_TRUE(tree.ok());
  LinuxHidPlatform platform(tree.root(), tree.devDir());
  for (const Access access : {Access::Query, Access::Write, Access::ReadOverlapped}) {
    EXPECT_EQ(platform.Open(tree.node("hidraw9"), access), kInvalidHandle);
    EXPECT_EQ(platform.LastError(), static_cast<std::uint32_t>(ENOENT));
  }
  EXPECT_EQ(platform.ErrorText(ENOENT), "No such file or directory");
  EXPECT_EQ(platform.ErrorText(EACCES), "Permission denied");
  EXPECT_EQ(platform.ErrorText(0xFFFFFFFFu), "");
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 32))
  EXPECT_EQ(platform.ErrorText(99999), "") << "a code without a text of its own";
#endif
}

TEST(LinuxHidPlatformDevice, WriteFailuresCarryErrno) {
  FakeHidTree tree;
  ASSERT_TRUE(tree.ok());
  ASSERT_TRUE(tree.AddEntry("hidraw0", Uevent(kBoardVendor, kBoardProduct), samples::kVendor64));
  ASSERT_TRUE(tree.AddNode("hidraw0"));
  LinuxHidPlatform platform(tree.root(), tree.devDir());
  std::vector<std::uint8_t> report(65, 0x5A);
  report[0] = 0;

  const Handle query = platform.Open(tree.node("hidraw0"), Access::Query);
  ASSERT_NE(query, kInvalidHandle);
  EXPECT_FALSE(platform.Write(query, report.data(), report.size()));
  EXPECT_EQ(platform.LastError(), static_cast<std::uint32_t>(EBADF));

  // A node that takes only part of the report: the file size limit cuts the write short.
  const Handle writer = platform.Open(tree.node("hidraw0"), Access::Write);
  ASSERT_NE(writer, kInvalidHandle);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 10;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = platform.Write(writer, report.data(), report.size());
  const std::uint32_t error = platform.LastError();
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
  EXPECT_FALSE(written);
  EXPECT_EQ(error, static_cast<std::uint32_t>(EIO));

  EXPECT_TRUE(platform.Write(writer, report.data(), 5)) << "a write that fits succeeds";
  EXPECT_EQ(platform.LastError(), 0u);
}

// A pseudo-terminal stands in for the device: the test holds the master side, the platform opens
// the slave through hidraw0 (unnumbered reports) and hidraw1 (numbered reports).
class LinuxHidPlatformPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tree_.ok());
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(::grantpt(master_), 0);
    ASSERT_EQ(::unlockpt(master_), 0);
    const char* slaveName = ::ptsname(master_);
    ASSERT_NE(slaveName, nullptr);
    const std::string slave = slaveName;
    // Raw mode: bytes pass unchanged in both directions and a read returns what has arrived.
    slave_ = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(slave_, 0);
    termios mode{};
    ASSERT_EQ(::tcgetattr(slave_, &mode), 0);
    ::cfmakeraw(&mode);
    ASSERT_EQ(::tcsetattr(slave_, TCSANOW, &mode), 0);

    ASSERT_TRUE(tree_.AddEntry("hidraw0", Uevent(kBoardVendor, kBoardProduct), samples::kVendor64));
    ASSERT_TRUE(tree_.AddNodeLink("hidraw0", slave));
    ASSERT_TRUE(tree_.AddEntry("hidraw1", Uevent(0x1234, 0x0001), samples::kMultiReport));
    ASSERT_TRUE(tree_.AddNodeLink("hidraw1", slave));
  }
  void TearDown() override {
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
  }

  void HangUp() {
    ::close(master_);
    master_ = -1;
  }

  bool SendFromDevice(const Bytes& bytes) {
    return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  // What the platform wrote to the device, up to `count` bytes, waiting at most `waitMs` for each
  // part.
  Bytes ReceiveOnDevice(std::size_t count, int waitMs = 2000) {
    Bytes received;
    while (received.size() < count) {
      pollfd entry{master_, POLLIN, 0};
      if (::poll(&entry, 1, waitMs) <= 0) break;
      std::uint8_t chunk[256];
      const ssize_t n = ::read(master_, chunk, sizeof chunk);
      if (n <= 0) break;
      received.insert(received.end(), chunk, chunk + n);
    }
    return received;
  }

  FakeHidTree tree_;
  LinuxHidPlatform platform_{tree_.root(), tree_.devDir()};
  int master_ = -1;
  int slave_ = -1;
};

TEST_F(LinuxHidPlatformPty, WriteArrivesWithTheIdByteFirst) {
  const Handle writer = platform_.Open(tree_.node("hidraw0"), Access::Write);
  ASSERT_NE(writer, kInvalidHandle);
  Bytes report(65);
  report[0] = 0;
  report[1] = 's';
  // Line-control bytes among the payload must arrive untouched.
  for (std::size_t i = 2; i < report.size(); ++i) report[i] = static_cast<std::uint8_t>(i * 7);
  report[10] = '\n';
  report[11] = '\r';
  report[12] = 0x03;
  ASSERT_TRUE(platform_.Write(writer, report.data(), report.size()));
  EXPECT_EQ(platform_.LastError(), 0u);
  EXPECT_EQ(ReceiveOnDevice(report.size()), report);
  EXPECT_TRUE(ReceiveOnDevice(1, 20).empty()) << "nothing after the report";
}

TEST_F(LinuxHidPlatformPty, ReportsAreStoredBehindTheIdByte) {
  struct Case {
    const char* node;
    Bytes sent;      // what the device delivers
    Bytes expected;  // the start of the buffer after the read
  };
  const std::vector<Case> cases = {
      // Unnumbered reports come without an id byte: they land at byte 1, byte 0 becomes 0.
      // A short report leaves zeros after it, not what the buffer held.
      {"hidraw0", {'A', 'B', 'C'}, {0x00, 'A', 'B', 'C', 0x00}},
      // Numbered ones bring their id byte along.
      {"hidraw1", {0x02, 'x', 'y'}, {0x02, 'x', 'y', 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.node);
    const Handle reader = platform_.Open(tree_.node(c.node), Access::ReadOverlapped);
    ASSERT_NE(reader, kInvalidHandle);
    std::vector<std::uint8_t> buffer(65, 0xEE);
    buffer[0] = 0x55;
    ASSERT_TRUE(platform_.StartRead(reader, buffer.data(), buffer.size()));
    ASSERT_TRUE(SendFromDevice(c.sent));
    EXPECT_EQ(platform_.WaitRead(reader, 2000), WaitResult::Completed);
    EXPECT_EQ(platform_.LastError(), 0u);
    EXPECT_EQ(
        Bytes(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(c.expected.size())),
        c.expected);
    // The bytes read, id byte included, and zeros to the end of the buffer.
    EXPECT_EQ(platform_.LastReadLength(reader), c.expected.size() - 1);
    EXPECT_EQ(std::count(buffer.begin() + static_cast<std::ptrdiff_t>(c.expected.size() - 1),
                         buffer.end(), 0),
              static_cast<std::ptrdiff_t>(buffer.size() - c.expected.size() + 1));
    EXPECT_TRUE(platform_.Close(reader));
  }
}

TEST_F(LinuxHidPlatformPty, TimeOutKeepsTheReadPendingAndCancelEndsIt) {
  const Handle reader = platform_.Open(tree_.node("hidraw0"), Access::ReadOverlapped);
  ASSERT_NE(reader, kInvalidHandle);
  std::vector<std::uint8_t> buffer(65, 0xEE);
  ASSERT_TRUE(platform_.StartRead(reader, buffer.data(), buffer.size()));
  EXPECT_EQ(platform_.WaitRead(reader, 20), WaitResult::TimedOut);
  EXPECT_NE(platform_.LastError(), 0u);
  EXPECT_EQ(buffer[1], 0xEE) << "nothing was stored";

  ASSERT_TRUE(SendFromDevice({'z'}));
  EXPECT_EQ(platform_.WaitRead(reader, 2000), WaitResult::Completed);
  EXPECT_EQ(buffer[1], 'z');
  EXPECT_EQ(platform_.WaitRead(reader, 2000), WaitResult::Failed) << "that read is done";

  ASSERT_TRUE(platform_.StartRead(reader, buffer.data(), buffer.size()));
  ASSERT_TRUE(platform_.CancelRead(reader));
  EXPECT_EQ(platform_.LastError(), 0u);
  ASSERT_TRUE(SendFromDevice({'y'}));
  EXPECT_EQ(platform_.WaitRead(reader, 2000), WaitResult::Failed)
      << "a cancelled read stores nothing";
  EXPECT_EQ(buffer[1], 'z');

  const Handle writer = platform_.Open(tree_.node("hidraw0"), Access::Write);
  ASSERT_NE(writer, kInvalidHandle);
  EXPECT_FALSE(platform_.StartRead(writer, buffer.data(), buffer.size()))
      << "reads only on a read handle";
  EXPECT_FALSE(platform_.StartRead(reader, buffer.data(), 0));
}

volatile sig_atomic_t alarmSeen = 0;
void OnAlarm(int) {
  alarmSeen = 1;
}

TEST_F(LinuxHidPlatformPty, SignalDuringTheWaitIsNotAFailure) {
  const Handle reader = platform_.Open(tree_.node("hidraw0"), Access::ReadOverlapped);
  ASSERT_NE(reader, kInvalidHandle);
  std::vector<std::uint8_t> buffer(65, 0xEE);
  ASSERT_TRUE(platform_.StartRead(reader, buffer.data(), buffer.size()));

  struct sigaction action {};
  struct sigaction saved {};
  action.sa_handler = OnAlarm;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: poll sees EINTR
  ASSERT_EQ(::sigaction(SIGALRM, &action, &saved), 0);
  alarmSeen = 0;
  itimerval timer{};
  timer.it_value.tv_usec = 5000;
  ASSERT_EQ(::setitimer(ITIMER_REAL, &timer, nullptr), 0);
  const WaitResult result = platform_.WaitRead(reader, 60);
  const itimerval off{};
  ::setitimer(ITIMER_REAL, &off, nullptr);
  ::sigaction(SIGALRM, &saved, nullptr);

  EXPECT_TRUE(alarmSeen);
  EXPECT_EQ(result, WaitResult::TimedOut);
}

TEST_F(LinuxHidPlatformPty, HangUpFailsTheRead) {
  const Handle reader = platform_.Open(tree_.node("hidraw0"), Access::ReadOverlapped);
  ASSERT_NE(reader, kInvalidHandle);
  std::vector<std::uint8_t> buffer(65, 0xEE);
  ASSERT_TRUE(platform_.StartRead(reader, buffer.data(), buffer.size()));
  HangUp();
  EXPECT_EQ(platform_.WaitRead(reader, 2000), WaitResult::Failed);
  EXPECT_NE(platform_.LastError(), 0u);
  EXPECT_EQ(buffer[1], 0xEE);
}

// Discovery over the Linux platform: what the link makes of the board's node. The result of a
// discovery run where file permissions apply, as one text: "found" or "not found", then each
// message box's text on a line of its own (boxes hold "\r\n"), or nullopt when the rights could
// not be dropped.
std::optional<std::string> DiscoverUnprivileged(const FakeHidTree& tree) {
  auto discover = [&] {
    LinuxHidPlatform platform(tree.root(), tree.devDir());
    std::string boxes;
    HidLink::Reset();
    HidLink::Attach(&platform);
    HidLink::SetErrorSink([&](LinkError, std::string_view text) {
      boxes += "\n";
      boxes += text;
    });
    const bool found = HidLink::FindDevice();
    HidLink::CloseAll();
    HidLink::SetErrorSink(nullptr);
    HidLink::Attach(nullptr);
    HidLink::Reset();
    return (found ? "found" : "not found") + boxes;
  };
  if (::geteuid() != 0) return discover();
  int fds[2];
  if (::pipe(fds) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    ::close(fds[0]);
    constexpr uid_t kNobody = 65534;
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
      ::_exit(255);
    }
    const std::string text = discover();
    const bool written =
        ::write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::_exit(written ? 0 : 1);
  }
  ::close(fds[1]);
  std::string text;
  char chunk[4096];
  for (ssize_t n; (n = ::read(fds[0], chunk, sizeof chunk)) > 0;) text.append(chunk, n);
  ::close(fds[0]);
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return std::nullopt;
  }
  return text;
}

TEST(LinuxDiscovery, ABoardNodeThatMayNotBeOpenedIsNotFoundAndTheBoxSaysWhatToDo) {
  const std::string advice =
      " may not be opened for reading and writing by this user.\r\n"
      "Install the udev rule 70-zbk.rules as the README says (\"Using a real board on Linux\"), "
      "then unplug the board and plug it in again.";
  struct Case {
    mode_t mode;
    const char* prefix;  // the open that is refused
  };
  for (const Case c : {Case{0444, "CreateFile: "}, Case{0222, "CreateFile (ReadHandle): "},
                       Case{0, "CreateFile: "}}) {
    FakeHidTree tree;
    ASSERT_TRUE(tree.ok());
    ASSERT_TRUE(tree.AddEntry("hidraw0", Uevent(0x1234, 0x5678), samples::kKeyboard));
    ASSERT_TRUE(tree.AddEntry("hidraw1", Uevent(kBoardVendor, kBoardProduct), samples::kVendor64));
    ASSERT_TRUE(tree.AddNode("hidraw0", 0));
    ASSERT_TRUE(tree.AddNode("hidraw1", c.mode));
    const std::optional<std::string> result = DiscoverUnprivileged(tree);
    if (!result) GTEST_SKIP() << "cannot drop root's rights here";
    EXPECT_EQ(*result, "not found\n" + std::string(c.prefix) + "Permission denied\r\n\r\n" +
                           tree.node("hidraw1") + advice)
        << std::oct << c.mode;
  }
}

TEST(LinuxDiscovery, ABoardWhoseDescriptorCannotBeReadIsNotFound) {
  struct Case {
    std::optional<Bytes> descriptor;
    const char* result;
  };
  for (const Case& c : {Case{std::nullopt, "not found\nHidP_GetCaps: No such file or directory"},
                        Case{Bytes{0x05}, "not found\nHidP_GetCaps: Input/output error"},
                        Case{samples::kVendor64, "found"}}) {
    FakeHidTree tree;
    ASSERT_TRUE(tree.ok());
    ASSERT_TRUE(tree.AddEntry("hidraw0", Uevent(kBoardVendor, kBoardProduct), c.descriptor));
    ASSERT_TRUE(tree.AddNode("hidraw0", 0666));
    const std::optional<std::string> result = DiscoverUnprivileged(tree);
    if (!result) GTEST_SKIP() << "cannot drop root's rights here";
    EXPECT_EQ(*result, c.result);
  }
}

}  // namespace
}  // namespace hidlink
