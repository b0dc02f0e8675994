// How long an exact search may run. The options keep whole seconds from 1 to
// a day (an old options file holds 0); the tool takes any number of seconds
// above 0 and at most a day, whole seconds for a planning folder. All are
// read here and nowhere else, so every search gets a limit already in range.
#pragma once

#include <optional>
#include <string_view>

#include "store/parse.h"
#include "store/settings.h"

namespace zn {

class TimeLimit {
 public:
  static constexpr int kDefaultSeconds = kExactTimeLimitDefault;
  static constexpr int kMaxSeconds = kExactTimeLimitMax;
  static constexpr int kLeastOptionSeconds = 1;

  constexpr TimeLimit() = default;

  // The tool's value: nullopt unless it is a number above 0 and at most a day.
  static std::optional<TimeLimit> parse(std::string_view text) {
    const std::optional<double> x = parseNumber<double>(text);
    if (!x || !(*x > 0.0) || !(*x <= kMaxSeconds)) return std::nullopt;
    return TimeLimit(*x);
  }
  static constexpr bool validOption(int seconds) { return seconds >= kLeastOptionSeconds && seconds <= kMaxSeconds; }
  // The options' value; one out of range stands for the default.
  static constexpr TimeLimit ofOption(int seconds) {
    return TimeLimit(validOption(seconds) ? seconds : kDefaultSeconds);
  }
  // The limit of one run: the one the request gives, else the options'.
  static constexpr TimeLimit forRun(const std::optional<TimeLimit>& given, const Settings& s) {
    return given ? *given : ofOption(s.exactTimeLimit);
  }
  // Whole seconds in the options' range (a planning folder's flag), else nullopt.
  static std::optional<int> parseWholeSeconds(std::string_view text) {
    const std::optional<int> n = parseNumber<int>(text);
    return n && validOption(*n) ? n : std::nullopt;
  }
  // What the options keep for a stored value.
  static constexpr int optionSeconds(int stored) { return validOption(stored) ? stored : kDefaultSeconds; }

  constexpr double seconds() const { return seconds_; }

 private:
  constexpr explicit TimeLimit(double seconds) : seconds_(seconds) {}
  double seconds_ = kDefaultSeconds;
};

// How much an exact search may do, in branch-and-bound nodes: unlike the
// time limit it gives the same answer on a busy machine as on an idle one.
struct WorkLimit {
  static constexpr long long kMaxNodes = 1000000000;
  static constexpr std::string_view kRange = "--work-limit takes a whole number of search nodes from 1 to 1000000000";
  // The tool's value: nullopt unless a whole number from 1 to kMaxNodes.
  static std::optional<long long> parse(std::string_view text) {
    const std::optional<long long> n = parseNumber<long long>(text);
    return n && *n >= 1 && *n <= kMaxNodes ? n : std::nullopt;
  }
};

}  // namespace zn
