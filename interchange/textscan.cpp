#include "interchange/textscan.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace zn {

namespace {

bool inSet(std::string_view set, char c) {
  if (!set.empty() && set.front() == '^') return set.substr(1).find(c) == std::string_view::npos;
  return set.find(c) != std::string_view::npos;
}

}  // namespace

bool scanFields(std::string_view line, std::initializer_list<ScanStep> steps, std::vector<std::string>& out) {
  std::size_t pos = 0;
  std::size_t wanted = 0, got = 0;
  for (const ScanStep& st : steps) wanted += st.keep;
  for (const ScanStep& st : steps) {
    const std::size_t start = pos;
    while (pos < line.size() && inSet(st.set, line[pos])) ++pos;
    if (pos == start) break;
    if (st.keep) {
      out.emplace_back(line.substr(start, pos - start));
      ++got;
    }
  }
  return got == wanted;
}

std::vector<std::string_view> textLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") != std::string_view::npos) lines.push_back(line);
    pos = end + 1;
  }
  return lines;
}

std::vector<std::string> splitTokens(std::string_view text, std::string_view separators) {
  std::vector<std::string> tokens;
  std::size_t pos = 0;
  auto sep = [&](char c) { return c == '\r' || separators.find(c) != std::string_view::npos; };
  while (pos < text.size()) {
    while (pos < text.size() && sep(text[pos])) ++pos;
    const std::size_t start = pos;
    while (pos < text.size() && !sep(text[pos])) ++pos;
    if (pos > start) tokens.emplace_back(text.substr(start, pos - start));
  }
  return tokens;
}

long long toInteger(std::string_view text) {
  constexpr long long kLimit = 1'000'000'000'000LL;
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) v = std::min(kLimit, v * 10 + (text[i] - '0'));
  return negative ? -v : v;
}

std::optional<double> toReal(const std::string& text) {
  // from_chars ignores the locale, which the desktop program may have set.
  const char* p = text.data();
  const char* e = p + text.size();
  while (p < e && (*p == ' ' || *p == '\t')) ++p;
  if (p < e && *p == '+') ++p;
  double v = 0;
  auto [end, ec] = std::from_chars(p, e, v);
  if (end == p || ec != std::errc() || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace zn
