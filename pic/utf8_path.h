#pragma once
// File names travel as UTF-8 text (the hosts' file dialog, the command line); the file system
// takes them as paths. The conversion is written here once for every place that opens a file.

#include <filesystem>
#include <string>
#include <string_view>

namespace pic {

inline std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace pic
