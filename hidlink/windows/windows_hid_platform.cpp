#include "hidlink/windows/windows_hid_platform.h"

#include <map>
#include <vector>

// clang-format off
#include <windows.h>
#include <setupapi.h>
extern "C" {  // the HID headers do not say it themselves
#include <hidsdi.h>
}
// clang-format on

namespace hidlink {

namespace {

HANDLE ToSystem(Handle h) {
  return reinterpret_cast<HANDLE>(h);
}

// The system's text in the ANSI code page, as UTF-8.
std::string AnsiToUtf8(const char* text, int size) {
  const int wide = MultiByteToWideChar(CP_ACP, 0, text, size, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring w(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, size, w.data(), wide);
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, out.data(), n, nullptr, nullptr);
  return out;
}

// The interface's device path; false when it cannot be read.
bool DetailPath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data, std::string& path) {
  DWORD required = 0;
  // Fails for lack of room and says how much is needed.
  SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr);
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return false;
  std::vector<DWORD> buffer((required + sizeof(DWORD) - 1) / sizeof(DWORD));
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
  // The size of the fixed part as this build lays it out (8 in 64-bit builds, 5 in 32-bit ones).
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr)) {
    return false;
  }
  path = detail->DevicePath;
  return true;
}

}  // namespace

struct WindowsHidPlatform::State {
  GUID hidGuid{};
  HDEVINFO set = INVALID_HANDLE_VALUE;
  DWORD setError = 0;
  // Where the enumeration stands: the index handed out last and the set member after it, so that
  // walking the indices in order does not start over each time.
  int lastIndex = -1;
  DWORD nextMember = 0;

  // One manual-reset event for every read, made with the first read channel and kept.
  HANDLE readEvent = nullptr;
  struct Read {
    OVERLAPPED overlapped{};
    bool started = false;  // a read was started and its end not collected yet
  };
  std::map<Handle, Read> reads;  // the handles opened for overlapped reads
  std::map<Handle, Access> open;
};

WindowsHidPlatform::WindowsHidPlatform() : state_(std::make_unique<State>()) {}

WindowsHidPlatform::~WindowsHidPlatform() {
  while (!state_->open.empty()) Close(state_->open.begin()->first);
  if (state_->set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(state_->set);
  if (state_->readEvent) CloseHandle(state_->readEvent);
}

bool WindowsHidPlatform::Succeed() {
  lastError_ = 0;
  return true;
}

bool WindowsHidPlatform::Fail(std::uint32_t error) {
  lastError_ = error != 0 ? error : ERROR_GEN_FAILURE;
  return false;
}

bool WindowsHidPlatform::OpenDeviceSet() {
  State& s = *state_;
  if (s.set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(s.set);
  s.lastIndex = -1;
  s.nextMember = 0;
  HidD_GetHidGuid(&s.hidGuid);
  s.set = SetupDiGetClassDevsA(&s.hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (s.set == INVALID_HANDLE_VALUE) {
    s.setError = GetLastError();
    return Fail(s.setError);
  }
  s.setError = 0;
  return Succeed();
}

bool WindowsHidPlatform::EnumInterface(int index, std::string& path) {
  State& s = *state_;
  if (s.set == INVALID_HANDLE_VALUE) return Fail(s.setError ? s.setError : ERROR_INVALID_HANDLE);
  if (index < 0) return Fail(ERROR_INVALID_PARAMETER);
  int at = 0;
  DWORD member = 0;
  if (index == s.lastIndex + 1) {
    at = index;
    member = s.nextMember;
  }
  for (;; ++member) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiEnumDeviceInterfaces(s.set, nullptr, &s.hidGuid, member, &data)) {
      return Fail(GetLastError());
    }
    std::string found;
    if (!DetailPath(s.set, data, found)) continue;
    if (at == index) {
      path = std::move(found);
      s.lastIndex = index;
      s.nextMember = member + 1;
      return Succeed();
    }
    ++at;
  }
}

bool WindowsHidPlatform::CloseDeviceSet() {
  State& s = *state_;
  if (s.set == INVALID_HANDLE_VALUE) return Fail(s.setError ? s.setError : ERROR_INVALID_HANDLE);
  const BOOL destroyed = SetupDiDestroyDeviceInfoList(s.set);
  const DWORD error = GetLastError();
  s.set = INVALID_HANDLE_VALUE;
  return destroyed ? Succeed() : Fail(error);
}

Handle WindowsHidPlatform::Open(const std::string& path, Access access) {
  State& s = *state_;
  const DWORD rights = access == Access::Write            ? GENERIC_WRITE
                       : access == Access::ReadOverlapped ? GENERIC_READ
                                                          : 0;
  const DWORD flags = access == Access::ReadOverlapped ? FILE_FLAG_OVERLAPPED : 0;
  const HANDLE h = CreateFileA(path.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    Fail(GetLastError());
    return kInvalidHandle;
  }
  const auto handle = reinterpret_cast<Handle>(h);
  if (access == Access::ReadOverlapped) {
    if (!s.readEvent) {
      // Manual reset, signalled at first.
      s.readEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
      if (!s.readEvent) {
        const DWORD error = GetLastError();
        CloseHandle(h);
        Fail(error);
        return kInvalidHandle;
      }
    }
    s.reads[handle] = {};
  }
  s.open[handle] = access;
  Succeed();
  return handle;
}

bool WindowsHidPlatform::GetAttributes(Handle handle, HidAttributes& attributes) {
  if (!state_->open.count(handle)) return Fail(ERROR_INVALID_HANDLE);
  HIDD_ATTRIBUTES a{};
  a.Size = sizeof a;
  if (!HidD_GetAttributes(ToSystem(handle), &a)) return Fail(GetLastError());
  attributes.vendorId = a.VendorID;
  attributes.productId = a.ProductID;
  attributes.versionNumber = a.VersionNumber;
  return Succeed();
}

bool WindowsHidPlatform::GetCaps(Handle handle, HidCaps& caps) {
  if (!state_->open.count(handle)) return Fail(ERROR_INVALID_HANDLE);
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (!HidD_GetPreparsedData(ToSystem(handle), &preparsed)) return Fail(GetLastError());
  HIDP_CAPS c{};
  const NTSTATUS status = HidP_GetCaps(preparsed, &c);
  HidD_FreePreparsedData(preparsed);
  // HidP_GetCaps answers with a status of its own, which has no system text.
  if (status != HIDP_STATUS_SUCCESS) return Fail(ERROR_INVALID_DATA);
  caps.inputReportByteLength = c.InputReportByteLength;
  caps.outputReportByteLength = c.OutputReportByteLength;
  return Succeed();
}

bool WindowsHidPlatform::Write(Handle handle, const std::uint8_t* data, std::size_t length) {
  if (!state_->open.count(handle)) return Fail(ERROR_INVALID_HANDLE);
  DWORD written = 0;
  if (!WriteFile(ToSystem(handle), data, static_cast<DWORD>(length), &written, nullptr)) {
    return Fail(GetLastError());
  }
  if (written != length) return Fail(ERROR_WRITE_FAULT);
  return Succeed();
}

bool WindowsHidPlatform::StartRead(Handle handle, std::uint8_t* buffer, std::size_t length) {
  State& s = *state_;
  auto it = s.reads.find(handle);
  if (it == s.reads.end()) return Fail(ERROR_INVALID_HANDLE);
  State::Read& read = it->second;
  if (read.started) EndPendingRead(handle);  // one read at a time on a handle
  ResetEvent(s.readEvent);
  read.overlapped = {};
  read.overlapped.hEvent = s.readEvent;
  // A read that completes at once signals the event as a pending one does when it completes.
  if (ReadFile(ToSystem(handle), buffer, static_cast<DWORD>(length), nullptr, &read.overlapped) ||
      GetLastError() == ERROR_IO_PENDING) {
    read.started = true;
    return Succeed();
  }
  return Fail(GetLastError());
}

WaitResult WindowsHidPlatform::WaitRead(Handle handle, std::uint32_t timeoutMs) {
  State& s = *state_;
  auto it = s.reads.find(handle);
  if (it == s.reads.end() || !it->second.started) {
    Fail(ERROR_INVALID_PARAMETER);
    return WaitResult::Failed;
  }
  State::Read& read = it->second;
  const DWORD waited = WaitForSingleObject(s.readEvent, timeoutMs);
  if (waited == WAIT_TIMEOUT) {
    Fail(ERROR_TIMEOUT);
    return WaitResult::TimedOut;
  }
  if (waited != WAIT_OBJECT_0) {
    const DWORD error = GetLastError();
    EndPendingRead(handle);
    Fail(error);
    return WaitResult::Failed;
  }
  DWORD bytes = 0;
  const BOOL ok = GetOverlappedResult(ToSystem(handle), &read.overlapped, &bytes, FALSE);
  const DWORD error = GetLastError();
  read.started = false;
  if (!ok) {
    Fail(error);
    return WaitResult::Failed;
  }
  Succeed();
  return WaitResult::Completed;
}

void WindowsHidPlatform::EndPendingRead(Handle handle) {
  auto it = state_->reads.find(handle);
  if (it == state_->reads.end() || !it->second.started) return;
  CancelIo(ToSystem(handle));
  // Until the read has ended it may still write into the caller's buffer.
  DWORD bytes = 0;
  GetOverlappedResult(ToSystem(handle), &it->second.overlapped, &bytes, TRUE);
  it->second.started = false;
}

bool WindowsHidPlatform::CancelRead(Handle handle) {
  if (!state_->reads.count(handle)) return Fail(ERROR_INVALID_HANDLE);
  EndPendingRead(handle);
  return Succeed();
}

bool WindowsHidPlatform::Close(Handle handle) {
  State& s = *state_;
  if (!s.open.count(handle)) return Fail(ERROR_INVALID_HANDLE);
  EndPendingRead(handle);
  const BOOL closed = CloseHandle(ToSystem(handle));
  const DWORD error = GetLastError();
  s.reads.erase(handle);
  s.open.erase(handle);
  return closed ? Succeed() : Fail(error);
}

std::string WindowsHidPlatform::ErrorText(std::uint32_t code) const {
  char* buffer = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&buffer), 0,
      nullptr);
  if (n == 0 || !buffer) return {};
  std::string text = AnsiToUtf8(buffer, static_cast<int>(n));
  LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                           text.back() == '\t')) {
    text.pop_back();
  }
  return text;
}

}  // namespace hidlink
