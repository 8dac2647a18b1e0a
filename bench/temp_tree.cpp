#include "bench/temp_tree.h"

#include <stdlib.h>

#include <fstream>
#include <system_error>

namespace bench {

TempTree::TempTree() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zbk_bench_XXXXXX").string();
  if (::mkdtemp(pattern.data())) root_ = pattern;
}

TempTree::~TempTree() {
  std::error_code ignored;
  if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
}

bool TempTree::Write(const std::filesystem::path& relative, std::string_view content) const {
  if (root_.empty()) return false;
  const std::filesystem::path file = root_ / relative;
  std::error_code error;
  std::filesystem::create_directories(file.parent_path(), error);
  if (error) return false;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace bench
