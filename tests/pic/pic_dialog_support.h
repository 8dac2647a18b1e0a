#pragma once
// Shared by the PIC handler tests: HEX files written to a temporary folder at test time, the
// gputils and srecord tools that make real ones, and a look at the reports of the PIC commands.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "kit/hex_text.h"

namespace pictest {

namespace fs = std::filesystem;

// HEX records written in code (tests/kit/hex_text.h).
using testkit::kEndRecord;
using testkit::WordRecord;

inline std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline bool HaveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// A folder of its own under the system's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir() {
    std::random_device random;
    for (;;) {
      dir_ = fs::temp_directory_path() / ("zbk_pic_" + std::to_string(random()));
      if (fs::create_directory(dir_)) break;
    }
  }
  ~TempDir() { fs::remove_all(dir_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const fs::path& path() const { return dir_; }

  fs::path Write(const std::string& name, const std::string& content) const {
    const fs::path file = dir_ / name;
    std::ofstream(file, std::ios::binary) << content;
    return file;
  }

  // Runs a shell command; on failure its output is in the message.
  ::testing::AssertionResult Run(const std::string& command) const {
    const fs::path log = dir_ / "command.log";
    const int rc = std::system((command + " >'" + log.string() + "' 2>&1").c_str());
    if (rc == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << command << "\n" << ReadText(log);
  }

 private:
  fs::path dir_;
};

// Word address -> word, as srec_cat decodes a HEX file (pairs of bytes, low byte first).
using WordMap = std::map<uint32_t, uint16_t>;

// The words srec_cat decodes from `hex`; a half word would be a fault of the file.
inline ::testing::AssertionResult DecodeWithSrecCat(const TempDir& dir, const fs::path& hex,
                                                    WordMap& words) {
  const fs::path out = dir.path() / "reference.txt";
  auto ran = dir.Run("srec_cat '" + hex.string() + "' -intel -o '" + out.string() + "' -ascii_hex");
  if (!ran) return ran;
  words.clear();
  const auto bytes = testkit::ParseAsciiHex(ReadText(out));
  for (const auto& [address, value] : bytes) {
    if (address % 2 != 0) continue;
    const auto high = bytes.find(address + 1);
    if (high == bytes.end()) return ::testing::AssertionFailure() << "half a word at " << address;
    words[address / 2] = static_cast<uint16_t>(value | (high->second << 8));
  }
  if (words.empty()) return ::testing::AssertionFailure() << "srec_cat decoded nothing";
  return ::testing::AssertionSuccess();
}

// Reports of the PIC commands, as the board received them.
inline bool IsRead(const std::vector<uint8_t>& r, uint16_t wordAddress) {
  return r.size() > 3 && r[0] == 0 && r[1] == 'r' && r[2] == (wordAddress & 0xFF) &&
         r[3] == (wordAddress >> 8);
}

inline bool IsHeader(const std::vector<uint8_t>& r, uint8_t count, uint8_t revA) {
  return r.size() > 3 && r[0] == 0 && r[1] == 'R' && r[2] == count && r[3] == revA;
}

inline std::string DumpLine(uint16_t address, uint16_t w0, uint16_t w1, uint16_t w2, uint16_t w3) {
  char text[40];
  std::snprintf(text, sizeof text, "%04X : %04X %04X %04X %04X", address, w0, w1, w2, w3);
  return text;
}

inline bool IsDecimal(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace pictest
