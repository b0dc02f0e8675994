// Small text helpers shared by every subsystem.
#pragma once

#include <string>
#include <string_view>

namespace zn {

// printf-style formatting into a std::string; the attribute lets the compiler
// check every format against its arguments, and the result grows as needed.
std::string strprintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

std::string toLower(std::string_view s);

// Text of a fixed-size, NUL-terminated field, cut at the first NUL or at max.
std::string fieldText(const unsigned char* p, std::size_t max);

}  // namespace zn
