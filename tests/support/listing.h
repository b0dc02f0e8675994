// Lists as one line of text, so that a failing comparison shows them whole.
#pragma once

#include <string>
#include <vector>

namespace zn::test {

// "5 2 3"
inline std::string cellsText(const std::vector<int>& v) {
  std::string out;
  for (int c : v) out += (out.empty() ? "" : " ") + std::to_string(c);
  return out;
}

// "a|b|c"
inline std::string joined(const std::vector<std::string>& v) {
  std::string out;
  for (const auto& l : v) out += (out.empty() ? "" : "|") + l;
  return out;
}

}  // namespace zn::test
