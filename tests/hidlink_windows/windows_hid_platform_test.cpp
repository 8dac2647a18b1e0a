// The Windows HID platform on the system's own services: the HID interface set, the error codes
// and texts of failures, and the file-level transfers, which a named pipe stands in for (writes,
// overlapped reads with their wait, cancelling, a read that ends in an error).

#include "hidlink/windows/windows_hid_platform.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <atomic>
#include <cstring>
#include <string>

namespace {

using hidlink::Access;
using hidlink::Handle;
using hidlink::kInvalidHandle;
using hidlink::WaitResult;
using hidlink::WindowsHidPlatform;

TEST(WindowsHidPlatformTest, EnumeratesTheHidInterfacesToTheEndOfTheSet) {
  WindowsHidPlatform p;
  ASSERT_TRUE(p.OpenDeviceSet());
  EXPECT_EQ(p.LastError(), 0u);
  std::string path;
  int count = 0;
  while (count < 1000 && p.EnumInterface(count, path)) {
    EXPECT_FALSE(path.empty());
    ++count;
  }
  EXPECT_EQ(p.LastError(), static_cast<std::uint32_t>(ERROR_NO_MORE_ITEMS));
  if (count > 0) {
    // Going back to the start of the set gives the same interface again.
    std::string first, again;
    ASSERT_TRUE(p.EnumInterface(0, first));
    ASSERT_TRUE(p.EnumInterface(0, again));
    EXPECT_EQ(first, again);
  }
  EXPECT_TRUE(p.CloseDeviceSet());
  EXPECT_EQ(p.LastError(), 0u);
  // No set any more.
  EXPECT_FALSE(p.EnumInterface(0, path));
  EXPECT_FALSE(p.CloseDeviceSet());
  EXPECT_EQ(p.LastError(), static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
}

TEST(WindowsHidPlatformTest, FailuresCarryTheSystemsCodeAndItsText) {
  WindowsHidPlatform p;
  EXPECT_EQ(p.Open("\\\\?\\hid#no-such-device#0", Access::Query), kInvalidHandle);
  const std::uint32_t code = p.LastError();
  EXPECT_NE(code, 0u);
  const std::string text = p.ErrorText(code);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_EQ(text.find('\r'), std::string::npos) << text;

  hidlink::HidAttributes attributes;
  EXPECT_FALSE(p.GetAttributes(kInvalidHandle, attributes));
  EXPECT_EQ(p.LastError(), static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
  hidlink::HidCaps caps;
  EXPECT_FALSE(p.GetCaps(kInvalidHandle, caps));
  const std::uint8_t report[2] = {0, 's'};
  EXPECT_FALSE(p.Write(kInvalidHandle, report, 2));
  EXPECT_FALSE(p.Close(kInvalidHandle));
  EXPECT_FALSE(p.ErrorText(ERROR_ACCESS_DENIED).empty());
  // Codes of the application range have no system text.
  EXPECT_EQ(p.ErrorText(0x20001234u), "");
}

// A named pipe: the server end is the device's side, the platform opens the client end.
class PipeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> serial{0};
    name_ = "\\\\.\\pipe\\zbk_hid_test_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(serial++);
    server_ = CreateNamedPipeA(name_.c_str(), PIPE_ACCESS_DUPLEX,
                               PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 4096, 4096,
                               0, nullptr);
    ASSERT_NE(server_, INVALID_HANDLE_VALUE);
  }
  void TearDown() override {
    if (server_ != INVALID_HANDLE_VALUE) CloseHandle(server_);
  }
  void Answer(std::string_view bytes) {
    DWORD written = 0;
    ASSERT_TRUE(
        WriteFile(server_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  }

  WindowsHidPlatform p_;
  std::string name_;
  HANDLE server_ = INVALID_HANDLE_VALUE;
};

TEST_F(PipeTest, OverlappedReadWaitsForTheReportAndCompletesWithIt) {
  const Handle h = p_.Open(name_, Access::ReadOverlapped);
  ASSERT_NE(h, kInvalidHandle);
  std::array<std::uint8_t, 8> buffer;
  buffer.fill(0xEE);
  ASSERT_TRUE(p_.StartRead(h, buffer.data(), buffer.size()));
  EXPECT_EQ(p_.WaitRead(h, 0), WaitResult::TimedOut) << "nothing has been sent yet";
  Answer(std::string("\0abc", 4));
  EXPECT_EQ(p_.WaitRead(h, 5000), WaitResult::Completed);
  EXPECT_EQ(p_.LastError(), 0u);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(std::string(buffer.begin() + 1, buffer.begin() + 4), "abc");
  EXPECT_EQ(buffer[4], 0xEE);
  // The read has been collected: there is nothing left to wait for.
  EXPECT_EQ(p_.WaitRead(h, 0), WaitResult::Failed);

  // A report that is already there completes the read at once.
  Answer("xy");
  ASSERT_TRUE(p_.StartRead(h, buffer.data(), buffer.size()));
  EXPECT_EQ(p_.WaitRead(h, 5000), WaitResult::Completed);
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 2), "xy");
  EXPECT_TRUE(p_.Close(h));
}

TEST_F(PipeTest, CancelledReadNeverWritesIntoItsBuffer) {
  const Handle h = p_.Open(name_, Access::ReadOverlapped);
  ASSERT_NE(h, kInvalidHandle);
  std::array<std::uint8_t, 8> cancelled, next;
  cancelled.fill(0xEE);
  next.fill(0xEE);
  ASSERT_TRUE(p_.StartRead(h, cancelled.data(), cancelled.size()));
  EXPECT_EQ(p_.WaitRead(h, 0), WaitResult::TimedOut);
  EXPECT_TRUE(p_.CancelRead(h));
  Answer("late");
  ASSERT_TRUE(p_.StartRead(h, next.data(), next.size()));
  EXPECT_EQ(p_.WaitRead(h, 5000), WaitResult::Completed);
  EXPECT_EQ(std::string(next.begin(), next.begin() + 4), "late");
  for (std::uint8_t b : cancelled) EXPECT_EQ(b, 0xEE);
  EXPECT_TRUE(p_.Close(h));
  EXPECT_FALSE(p_.Close(h));
  EXPECT_EQ(p_.LastError(), static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
}

TEST_F(PipeTest, ReadThatEndsInAnErrorFailsWithTheSystemsCode) {
  const Handle h = p_.Open(name_, Access::ReadOverlapped);
  ASSERT_NE(h, kInvalidHandle);
  std::array<std::uint8_t, 8> buffer{};
  ASSERT_TRUE(p_.StartRead(h, buffer.data(), buffer.size()));
  // The device goes away while the read is pending.
  CloseHandle(server_);
  server_ = INVALID_HANDLE_VALUE;
  EXPECT_EQ(p_.WaitRead(h, 5000), WaitResult::Failed);
  EXPECT_EQ(p_.LastError(), static_cast<std::uint32_t>(ERROR_BROKEN_PIPE));
  // And a read started after that fails at once.
  EXPECT_FALSE(p_.StartRead(h, buffer.data(), buffer.size()));
  EXPECT_NE(p_.LastError(), 0u);
  EXPECT_TRUE(p_.Close(h));
}

TEST_F(PipeTest, WriteSendsTheWholeReportOrFailsWithTheReason) {
  const Handle w = p_.Open(name_, Access::Write);
  ASSERT_NE(w, kInvalidHandle);
  const std::uint8_t report[5] = {0, 's', 1, 2, 3};
  ASSERT_TRUE(p_.Write(w, report, sizeof report));
  EXPECT_EQ(p_.LastError(), 0u);
  std::uint8_t got[16] = {};
  DWORD n = 0;
  ASSERT_TRUE(ReadFile(server_, got, sizeof got, &n, nullptr));
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(std::memcmp(got, report, 5), 0);
  EXPECT_TRUE(p_.Close(w));
}

TEST_F(PipeTest, HandleOpenedForReadingCannotWrite) {
  const Handle r = p_.Open(name_, Access::ReadOverlapped);
  ASSERT_NE(r, kInvalidHandle);
  const std::uint8_t report[2] = {0, 's'};
  EXPECT_FALSE(p_.Write(r, report, 2));
  EXPECT_EQ(p_.LastError(), static_cast<std::uint32_t>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(p_.Close(r));
}

}  // namespace
