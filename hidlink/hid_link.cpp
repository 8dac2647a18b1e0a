#include "hidlink/hid_link.h"

#include <algorithm>
#include <string>

namespace hidlink {

namespace {

bool CapsFit(const HidCaps& c) {
  return c.outputReportByteLength >= kMinOutputReportLength &&
         c.outputReportByteLength <= kReportBufferSize &&
         c.inputReportByteLength >= kMinInputReportLength &&
         c.inputReportByteLength <= kReportBufferSize;
}

std::string CapsRefusal(const HidCaps& c) {
  return "The ZBK board reports output reports of " + std::to_string(c.outputReportByteLength) +
         " bytes and input reports of " + std::to_string(c.inputReportByteLength) +
         " bytes.\r\n\r\nThis program works with output reports of " +
         std::to_string(kMinOutputReportLength) + " to " + std::to_string(kReportBufferSize) +
         " bytes and input reports of " + std::to_string(kMinInputReportLength) + " to " +
         std::to_string(kReportBufferSize) + " bytes, so the board is not used.";
}

void CloseHandle(Handle& h) {
  if (h != kInvalidHandle) {
    HidLink::platform->Close(h);
    h = kInvalidHandle;
  }
}

}  // namespace

void HidLink::Reset() {
  deviceHandle = writeHandle = readHandle = kInvalidHandle;
  caps = {};
  outReport.fill(0);
  inReport.fill(0);
  connected = false;
  refusal.clear();
  devicePath.clear();
}

namespace {

// `prefix` followed by the system's text for `code`.
std::string ErrorMessage(std::string_view prefix, std::uint32_t code) {
  std::string text(prefix);
  std::string reason = HidLink::platform->ErrorText(code);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == ' ' || reason.back() == '\t')) {
    reason.pop_back();
  }
  text += reason;
  return text;
}

// The failed open of one of the board's channels: a refusal of access, with what the user can do,
// is held or reported as asked; any other failure is reported.
void OpenFailed(std::string_view prefix, const std::string& path, OnRefusal onRefusal) {
  const std::uint32_t code = HidLink::platform->LastError();
  std::string text = ErrorMessage(prefix, code);
  if (!HidLink::platform->AccessDenied(code)) {
    if (HidLink::errorSink) HidLink::errorSink(LinkError::kSystem, text);
    return;
  }
  if (const std::string advice = HidLink::platform->AccessAdvice(path); !advice.empty()) {
    text += "\r\n\r\n" + advice;
  }
  HidLink::refusal = std::move(text);
  if (onRefusal == OnRefusal::kReport) HidLink::ReportRefusal();
}

}  // namespace

void HidLink::ReportError(std::string_view prefix) {
  const std::uint32_t code = platform->LastError();
  if (code == 0) return;
  if (errorSink) errorSink(LinkError::kSystem, ErrorMessage(prefix, code));
}

void HidLink::ReportRefusal() {
  if (!refusal.empty() && errorSink) errorSink(LinkError::kAccessDenied, refusal);
}

bool HidLink::FindDevice(OnRefusal onRefusal) {
  connected = false;
  refusal.clear();
  if (!platform) return false;

  platform->OpenDeviceSet();
  std::string path;
  for (int index = 0; platform->EnumInterface(index, path); ++index) {
    if (!devicePath.empty() && path != devicePath) continue;
    Handle query = platform->Open(path, Access::Query);
    ReportError("CreateFile: ");
    HidAttributes attributes;
    const bool haveAttributes = platform->GetAttributes(query, attributes);
    ReportError("HidD_GetAttributes: ");
    if (haveAttributes && attributes.vendorId == kZbkVendorId &&
        attributes.productId == kZbkProductId) {
      // A discovery while the link is open replaces the old handles; close them first.
      CloseAll();
      deviceHandle = query;
      // A board that cannot be talked to is not there: one message for the one cause, and none
      // of the opens after it.
      connected = LoadCapabilities() && OpenChannels(path, onRefusal);
      if (!connected) CloseAll();
      break;
    }
    CloseHandle(query);
  }
  platform->CloseDeviceSet();
  ReportError("SetupDiDestroyDeviceInfoList");

  if (connected && !CapsFit(caps)) {
    // Nothing may ever write past the report buffers, nor read replies shorter than the
    // commands expect.
    if (errorSink) errorSink(LinkError::kUnusableBoard, CapsRefusal(caps));
    CloseAll();
    connected = false;
  }
  return connected;
}

bool HidLink::LoadCapabilities() {
  caps = {};
  const bool loaded = platform->GetCaps(deviceHandle, caps);
  ReportError("HidP_GetCaps: ");
  return loaded;
}

bool HidLink::OpenChannels(const std::string& path, OnRefusal onRefusal) {
  writeHandle = platform->Open(path, Access::Write);
  if (writeHandle == kInvalidHandle) {
    OpenFailed("CreateFile: ", path, onRefusal);
    return false;
  }
  return OpenReadChannel(path, onRefusal);
}

bool HidLink::OpenReadChannel(const std::string& path, OnRefusal onRefusal) {
  readHandle = platform->Open(path, Access::ReadOverlapped);
  if (readHandle == kInvalidHandle) {
    OpenFailed("CreateFile (ReadHandle): ", path, onRefusal);
    return false;
  }
  return true;
}

bool HidLink::Send() {
  outReport[0] = 0;
  const bool written = writeHandle != kInvalidHandle && platform &&
                       platform->Write(writeHandle, outReport.data(), OutputLength());
  if (traceSink) {
    traceSink(written ? TraceEvent::kSent : TraceEvent::kWriteFailed,
              std::span<const std::uint8_t>(outReport.data(), OutputLength()));
  }
  if (!written) {
    CloseAll();
    connected = false;
    return false;
  }
  return true;
}

void HidLink::Exchange() {
  if (!connected) return;
  // A failed write closes the link; waiting for a reply that was never asked for helps nobody.
  if (!Send()) return;
  ReadReport();
}

void HidLink::ReadReport() {
  inReport[0] = 0;
  WaitResult result = WaitResult::Failed;
  // Without a read handle no read can complete: fail at once rather than wait for nothing.
  if (readHandle != kInvalidHandle &&
      platform->StartRead(readHandle, inReport.data(), InputLength())) {
    result = platform->WaitRead(readHandle, kReadTimeoutMs);
    if (result == WaitResult::TimedOut) platform->CancelRead(readHandle);
  }
  // A short report leaves nothing of the previous reply behind it.
  const std::size_t got = result == WaitResult::Completed
                              ? std::min(platform->LastReadLength(readHandle), InputLength())
                              : 0;
  if (result == WaitResult::Completed) {
    std::fill(inReport.begin() + static_cast<std::ptrdiff_t>(got),
              inReport.begin() + static_cast<std::ptrdiff_t>(InputLength()), 0);
  }
  if (traceSink) {
    if (result == WaitResult::Completed) {
      traceSink(got < InputLength() ? TraceEvent::kReadShort : TraceEvent::kReceived,
                std::span<const std::uint8_t>(inReport.data(), got));
    } else {
      traceSink(
          result == WaitResult::TimedOut ? TraceEvent::kReadTimedOut : TraceEvent::kReadFailed, {});
    }
  }
  if (result != WaitResult::Completed) {
    CloseAll();
    connected = false;
  }
}

std::vector<BoardInterface> HidLink::ListBoards() {
  std::vector<BoardInterface> found;
  if (!platform || !platform->OpenDeviceSet()) return found;
  std::string path;
  for (int index = 0; platform->EnumInterface(index, path); ++index) {
    Handle query = platform->Open(path, Access::Query);
    HidAttributes attributes;
    if (!platform->GetAttributes(query, attributes) || attributes.vendorId != kZbkVendorId ||
        attributes.productId != kZbkProductId) {
      CloseHandle(query);
      continue;
    }
    BoardInterface board;
    board.path = path;
    platform->GetCaps(query, board.caps);
    CloseHandle(query);
    Handle write = platform->Open(path, Access::Write);
    std::uint32_t error = write == kInvalidHandle ? platform->LastError() : 0;
    Handle read = kInvalidHandle;
    if (error == 0) {
      read = platform->Open(path, Access::ReadOverlapped);
      if (read == kInvalidHandle) error = platform->LastError();
    }
    board.openable = write != kInvalidHandle && read != kInvalidHandle;
    if (!board.openable) {
      board.openError = platform->ErrorText(error);
      if (board.openError.empty()) board.openError = "cannot be opened";
    }
    CloseHandle(write);
    CloseHandle(read);
    found.push_back(std::move(board));
  }
  platform->CloseDeviceSet();
  return found;
}

void HidLink::CloseAll() {
  if (!platform) return;
  CloseHandle(deviceHandle);
  CloseHandle(readHandle);
  CloseHandle(writeHandle);
}

}  // namespace hidlink
