#pragma once
// A folder of its own under the system's temporary folder, with the files a benchmark needs,
// removed with the object.

#include <filesystem>
#include <string>
#include <string_view>

namespace bench {

class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::filesystem::path& path() const { return root_; }
  // Writes `content` to `relative` under the folder, making the folders on the way. False when
  // the file could not be written whole.
  bool Write(const std::filesystem::path& relative, std::string_view content) const;

 private:
  std::filesystem::path root_;
};

}  // namespace bench
