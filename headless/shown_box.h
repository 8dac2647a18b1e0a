#pragma once
// A message box as the headless host recorded it: what it said and the answer it was given.

#include <string>

namespace headless {

struct ShownBox {
  std::string text;
  std::string caption;
  unsigned type = 0;
  int answer = 0;
};

}  // namespace headless
