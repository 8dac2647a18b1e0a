#include "pic/hex_file_writer.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

namespace pic {

namespace {

void AppendRecord(std::string& out, uint16_t address, uint8_t type,
                  const std::vector<uint8_t>& data) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::vector<uint8_t> bytes = {static_cast<uint8_t>(data.size()),
                                static_cast<uint8_t>(address >> 8),
                                static_cast<uint8_t>(address & 0xFF), type};
  bytes.insert(bytes.end(), data.begin(), data.end());
  uint8_t sum = 0;
  for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum + b);
  bytes.push_back(static_cast<uint8_t>(0x100 - sum));
  out += ':';
  for (uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
  }
  out += '\n';
}

void AppendUpperAddress(std::string& out, uint32_t upper) {
  AppendRecord(out, 0, 0x04, {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)});
}

std::string SystemReason(int error) {
  return error != 0 ? std::string(std::strerror(error)) : std::string("write failed");
}

}  // namespace

std::string FormatIntelHex(const WordMap& words) {
  std::string out;
  // The upper 16 bits of the byte address of the records that follow.
  uint32_t upper = 0;
  AppendUpperAddress(out, upper);

  std::vector<uint8_t> data;
  uint32_t recordStart = 0;  // byte address of the record being filled
  auto flush = [&] {
    if (data.empty()) return;
    if ((recordStart >> 16) != upper) {
      upper = recordStart >> 16;
      AppendUpperAddress(out, upper);
    }
    AppendRecord(out, static_cast<uint16_t>(recordStart & 0xFFFF), 0x00, data);
    data.clear();
  };
  for (const auto& [address, word] : words) {
    if (IsErased(address, word)) continue;
    const uint32_t byteAddress = address * 2;
    // A record holds one run of words, never crosses a 64 KiB window, and keeps to 16 bytes.
    const bool follows = !data.empty() && byteAddress == recordStart + data.size();
    if (!follows || data.size() >= kWrittenRecordBytes || (byteAddress & 0xFFFF) == 0) {
      flush();
      recordStart = byteAddress;
    }
    data.push_back(static_cast<uint8_t>(word & 0xFF));
    data.push_back(static_cast<uint8_t>(word >> 8));
  }
  flush();
  out += ":00000001FF\n";
  return out;
}

WriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view text) {
  std::string name = path.filename().string();
  if (name.empty()) name = path.string();
  auto failed = [&](const std::string& reason) { return WriteResult{false, name + ": " + reason}; };

  std::filesystem::path temp = path;
  temp += ".part";
  errno = 0;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return failed(SystemReason(errno));
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    const int error = errno;
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      return failed(SystemReason(error != 0 ? error : errno));
    }
  }
  std::error_code error;
  std::filesystem::rename(temp, path, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    return failed(error.message());
  }
  return {true, {}};
}

}  // namespace pic
