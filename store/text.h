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

// A text cell of a CSV file as a spreadsheet should show it: a cell that
// begins with = + - @, a tab or a carriage return would be run as a formula,
// so it gets a leading ' unless it is a plain decimal number.
std::string spreadsheetSafe(std::string_view cell);

}  // namespace zn
