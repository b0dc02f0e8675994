#include "display/classing.h"

#include <algorithm>
#include <cmath>

namespace zn {

namespace {

constexpr double kStartMinimum = 100000000.0;

// Class of a score by its position between m and M in k steps; the division
// is only made when the range is not empty.
int intervalClass(double s, double m, double M, int k) {
  const double c = std::floor((s - m) * k / (M - m));
  if (c < 0) return 0;
  return c >= k ? k : static_cast<int>(c);
}

struct Entry {
  double value;
  int cells;
};

// Classes of the distinct scores for the equal frequency scale, in the order
// of `table` (ascending by value).
std::vector<int> frequencyClasses(const std::vector<Entry>& table, int scored, const ClassingInput& in) {
  const int k = in.classCount;
  const int n = static_cast<int>(table.size());
  std::vector<int> cls(static_cast<std::size_t>(n), 0);
  if (n == 0) return cls;
  if (n == 1) {
    // One value is both ends of the scale: the top class, as on the other scales.
    cls[0] = k - 1;
    return cls;
  }
  const int nTop = table.back().cells;
  const double q = static_cast<double>(scored - nTop) / (in.maxSeparate ? k - 1 : k);
  auto classOf = [&](long total) {
    int c = total < 1 || q <= 0 ? 0 : static_cast<int>(std::min<double>(total / q, k - 1));
    if (in.maxSeparate && c >= k - 1) c = k - 2;
    return std::max(c, 0);
  };
  if (in.inverted && in.maxSeparate) {
    // Walk down from the largest value; the total runs from the entry just
    // below the current one up to the one just below the largest, so the
    // largest value already counts the cells next to it. The smallest value
    // is the separate class.
    long total = 0;
    for (int e = n - 1; e >= 0; --e) {
      if (e >= 1) total += table[static_cast<std::size_t>(e - 1)].cells;
      cls[static_cast<std::size_t>(e)] = classOf(total);
    }
    cls[0] = k - 1;
    return cls;
  }
  long total = 0;
  for (int e = 0; e < n; ++e) {
    cls[static_cast<std::size_t>(e)] = classOf(total);
    total += table[static_cast<std::size_t>(e)].cells;
  }
  cls[static_cast<std::size_t>(n - 1)] = k - 1;
  if (in.inverted)
    for (int& c : cls) c = k - 1 - c;
  return cls;
}

}  // namespace

int ClassTable::largestCount() const {
  int m = 0;
  for (int c : histogram) m = std::max(m, c);
  return m;
}

ClassTable classifyValues(std::span<const double> score, std::span<const int> count, const ClassingInput& in,
                          std::vector<UnitClass>& out) {
  ClassTable t;
  const int k = std::max(in.classCount, 2);
  t.classCount = k;
  t.inverted = in.inverted;
  t.limits.assign(static_cast<std::size_t>(k), 0.0);
  t.histogram.assign(static_cast<std::size_t>(k) + 1, 0);
  const int cellCount = std::max(0, static_cast<int>(std::min(score.size(), count.size())) - 1);
  out.assign(static_cast<std::size_t>(cellCount) + 1, UnitClass{});

  double maximum = 0.0, minimum = kStartMinimum;
  for (int n = 1; n <= cellCount; ++n) {
    const double s = score[static_cast<std::size_t>(n)];
    if (!(s > 0) || !std::isfinite(s)) continue;
    ++t.scoredCells;
    if (s == kZeroScore) {
      minimum = 0.0;
      continue;
    }
    maximum = std::max(maximum, s);
    minimum = std::min(minimum, s);
  }
  if (in.scaleType == kFixedLimit) {
    if (!(maximum > in.fixedLimit)) maximum = in.fixedLimit;
    minimum = 0.0;
  }
  t.minimum = minimum;
  t.maximum = maximum;
  const double top = in.inverted ? minimum : maximum;
  const int bottomClass = in.inverted ? k - 1 : 0;
  const bool flat = !(maximum > minimum);

  std::vector<Entry> table;
  std::vector<int> tableClass;
  if (in.scaleType == kEqualFrequency && t.scoredCells > 0) {
    for (int n = 1; n <= cellCount; ++n) {
      const double s = score[static_cast<std::size_t>(n)];
      if (s > 0 && s != kZeroScore && std::isfinite(s)) table.push_back({s, 1});
    }
    std::sort(table.begin(), table.end(), [](const Entry& a, const Entry& b) { return a.value < b.value; });
    std::size_t w = 0;
    for (std::size_t r = 0; r < table.size(); ++r) {
      if (w > 0 && table[w - 1].value == table[r].value) ++table[w - 1].cells;
      else table[w++] = table[r];
    }
    table.resize(w);
    tableClass = frequencyClasses(table, t.scoredCells, in);
  }

  auto classOf = [&](double s) -> int {
    if (s == kZeroScore || s < 0) return bottomClass;
    if (in.scaleType == kEqualFrequency) {
      auto it = std::lower_bound(table.begin(), table.end(), s, [](const Entry& e, double v) { return e.value < v; });
      return tableClass[static_cast<std::size_t>(it - table.begin())];
    }
    if (flat) return k - 1;
    int c;
    if (!in.maxSeparate) {
      c = std::min(intervalClass(s, minimum, maximum, k), k - 1);
      if (in.inverted) c = k - 1 - c;
    } else if (s == top) {
      c = k - 1;
    } else {
      c = intervalClass(s, minimum, maximum, k - 1);
      if (in.inverted) c = k - 2 - c;
    }
    return std::clamp(c, 0, k - 1);
  };

  for (int n = 1; n <= cellCount; ++n) {
    const double s = score[static_cast<std::size_t>(n)];
    UnitClass& u = out[static_cast<std::size_t>(n)];
    // A score that is not a number (a damaged import) is left unmapped.
    if (s == 0.0 || t.scoredCells == 0 || !std::isfinite(s)) continue;
    const int c = classOf(s);
    u.classNumber = c;
    u.scored = true;
    u.top = s == top && s != kZeroScore;
    if (count[static_cast<std::size_t>(n)] != 0) ++t.histogram[static_cast<std::size_t>(c)];
    double& limit = t.limits[static_cast<std::size_t>(c)];
    limit = std::max(limit, s);
  }

  t.maxima = t.limits;
  // Classes left empty take the limit of their neighbour towards the bottom
  // of the scale, so every box has a value.
  if (!in.inverted) {
    for (int c = 1; c < k; ++c)
      if (t.limits[static_cast<std::size_t>(c)] == 0 && t.limits[static_cast<std::size_t>(c - 1)] > 0)
        t.limits[static_cast<std::size_t>(c)] = t.limits[static_cast<std::size_t>(c - 1)];
  } else {
    for (int c = k - 2; c >= 0; --c)
      if (t.limits[static_cast<std::size_t>(c)] == 0 && t.limits[static_cast<std::size_t>(c + 1)] > 0)
        t.limits[static_cast<std::size_t>(c)] = t.limits[static_cast<std::size_t>(c + 1)];
    for (int c = 0; c + 1 < k; ++c) t.limits[static_cast<std::size_t>(c)] = t.limits[static_cast<std::size_t>(c + 1)];
  }
  return t;
}

ClassTable classifyCells(std::vector<GridCell>& cells, int cellCount, const ClassingInput& in) {
  cellCount = std::clamp(cellCount, 0, static_cast<int>(cells.size()) - 1);
  std::vector<double> score(static_cast<std::size_t>(cellCount) + 1, 0.0);
  std::vector<int> count(static_cast<std::size_t>(cellCount) + 1, 0);
  for (int n = 1; n <= cellCount; ++n) {
    score[static_cast<std::size_t>(n)] = cells[static_cast<std::size_t>(n)].score;
    count[static_cast<std::size_t>(n)] = cells[static_cast<std::size_t>(n)].count;
  }
  std::vector<UnitClass> classes;
  ClassTable t = classifyValues(score, count, in, classes);
  for (int n = 1; n <= cellCount; ++n) {
    GridCell& cell = cells[static_cast<std::size_t>(n)];
    const UnitClass& u = classes[static_cast<std::size_t>(n)];
    cell.topValue = u.top ? 1 : 0;
    cell.scored = u.scored ? 1 : 0;
    // No class left over from the previous map.
    cell.classNumber = u.scored ? u.classNumber : 0;
    // A zero-score marker keeps the first colour even when the inverted
    // scale puts it in the last class.
    if (u.scored) cell.fillColour = paletteIndexRef(cell.score == kZeroScore ? 0 : u.classNumber);
  }
  return t;
}

ClassTable classifyScores(const Settings& st, const MapRecord& map, Workspace& ws, const Palette& p) {
  ClassingInput in;
  in.classCount = p.classCount;
  in.scaleType = st.scaleType;
  in.maxSeparate = st.maxNotSeparate == Flag::kOff;
  in.fixedLimit = map.scaleLimit;
  in.inverted = st.invertedScale != Flag::kOff;
  if (map.code() == kCodeSelectionFrequency) {
    // Shares of runs are classed over 0 ... 100 %, so that a colour means
    // the same share on every such map and far-apart shares never meet.
    in.scaleType = kFixedLimit;
    in.fixedLimit = 100.0;
  }
  return classifyCells(ws.cells, ws.geo.cells, in);
}

int classOfScore(const ClassTable& t, double score) {
  const int n = std::min<int>(t.classCount, static_cast<int>(t.limits.size()));
  for (int k = 0; k < n; ++k) {
    const double limit = t.limits[static_cast<std::size_t>(k)];
    // The lowest class takes the zero-score marker's value as its limit.
    if (limit >= score && limit != kZeroScore) return k;
  }
  return std::max(0, n - 1);
}

}  // namespace zn
