// Scanset reading of one text line, the way the import layouts describe
// their records ("%[^,]%*[,]..."), without fixed buffers, and numbers read
// as atoi and atof would but safe against endless digits.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zn {

// One scanset directive: "%[set]" (or "%[^set]" when the set begins with
// '^') that takes its characters into a field, or "%*[set]" that skips them.
struct ScanStep {
  bool keep;
  std::string_view set;
};
constexpr ScanStep take(std::string_view set) { return {true, set}; }
constexpr ScanStep skip(std::string_view set) { return {false, set}; }

// Runs the steps over the line. Each step must match at least one
// character; the fields read are appended to `out`. True when every field
// was read (a skip that finds nothing after the last field is no failure).
bool scanFields(std::string_view line, std::initializer_list<ScanStep> steps, std::vector<std::string>& out);

// The lines of a text (LF or CR LF), blank lines left out.
std::vector<std::string_view> textLines(std::string_view text);

// Tokens separated by any of the characters (CR always separates).
std::vector<std::string> splitTokens(std::string_view text, std::string_view separators);

// The leading integer as atoi reads it (blanks, sign, digits; 0 without
// digits), saturated far beyond any cell or level instead of overflowing.
long long toInteger(std::string_view text);

// The leading decimal number, or nothing when the text holds none or it
// is not finite.
std::optional<double> toReal(const std::string& text);

}  // namespace zn
