#include "program/same_file.h"

#include <filesystem>

#include "pic/utf8_path.h"

namespace program {

namespace fs = std::filesystem;

bool SameFile(const std::string& a, const std::string& b) {
  const fs::path pa = pic::PathFromUtf8(a);
  const fs::path pb = pic::PathFromUtf8(b);
  std::error_code error;
  if (fs::exists(pa, error) && fs::exists(pb, error)) {
    const bool same = fs::equivalent(pa, pb, error);
    if (!error) return same;
  }
  std::error_code ea;
  std::error_code eb;
  const fs::path ca = fs::weakly_canonical(fs::absolute(pa, ea), ea);
  const fs::path cb = fs::weakly_canonical(fs::absolute(pb, eb), eb);
  if (ea || eb)
    return fs::absolute(pa, ea).lexically_normal() == fs::absolute(pb, eb).lexically_normal();
  return ca == cb;
}

std::string OutputOverInput(const std::vector<NamedFile>& outputs,
                            const std::vector<NamedFile>& inputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const NamedFile& out = outputs[i];
    if (out.name.empty()) continue;
    auto clash = [&](const NamedFile& other) {
      return out.role + " " + out.name + " is " + other.role + " " + other.name +
             ": writing it would destroy it";
    };
    for (const NamedFile& in : inputs) {
      if (!in.name.empty() && SameFile(out.name, in.name)) return clash(in);
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (!outputs[j].name.empty() && SameFile(out.name, outputs[j].name)) return clash(outputs[j]);
    }
  }
  return {};
}

}  // namespace program
