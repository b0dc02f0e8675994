// Numbers typed by a user: the whole text must be the number, or none is read.
#pragma once

#include <charconv>
#include <optional>
#include <string_view>

namespace zn {

template <class T>
std::optional<T> parseNumber(std::string_view text) {
  T x{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), x);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return x;
}

}  // namespace zn
