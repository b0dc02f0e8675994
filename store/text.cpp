#include "store/text.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace zn {

std::string strprintf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  va_list copy;
  va_copy(copy, ap);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    std::vector<char> buf(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), fmt, ap);
    out.assign(buf.data(), static_cast<std::size_t>(n));
  }
  va_end(ap);
  return out;
}

std::string toLower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string fieldText(const unsigned char* p, std::size_t max) {
  std::size_t n = 0;
  while (n < max && p[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(p), n);
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// [+-]digits[.digits][(e|E)[+-]digits], with a digit on one side of the point.
bool plainNumber(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t exponent = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == s.size();
}

}  // namespace

std::string spreadsheetSafe(std::string_view cell) {
  const bool risky = !cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos;
  if (!risky || plainNumber(cell)) return std::string(cell);
  return "'" + std::string(cell);
}

}  // namespace zn
