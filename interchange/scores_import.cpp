#include "interchange/scores_import.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "measures/scores.h"
#include "store/files.h"
#include "store/session.h"
#include "store/text.h"

namespace zn {

namespace {

constexpr const char* kCaption = "Import scores";
constexpr const char* kFormatList =
    "#0 - cell longitude, latitude, score,\n#1 - scores in order of grid cell number,\n"
    "#2 - cell number score number pairs\n#3 - cell number, foreground score, background score";
constexpr std::size_t kImportFileMax = std::size_t(256) << 20;
constexpr std::size_t kTitleMax = 255;
constexpr std::size_t kNameMax = 31;

bool blank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f'; }

// Whitespace-separated numbers from a position of the text. A token that is
// no number, or whose value is not finite, reads as 0 so that a hostile
// file can put neither NaN nor infinity into the scores.
class NumberStream {
 public:
  NumberStream(std::string_view text, std::size_t at) : text_(text), at_(at) {}

  std::optional<double> next() {
    while (at_ < text_.size() && blank(text_[at_])) ++at_;
    if (at_ >= text_.size()) return std::nullopt;
    std::size_t end = at_;
    while (end < text_.size() && !blank(text_[end])) ++end;
    const double v = parse(text_.substr(at_, end - at_));
    at_ = end;
    return v;
  }

 private:
  double parse(std::string_view token) {
    // strtod needs a terminated string; tokens of sane numbers are short,
    // and a long one still parses in one pass.
    token_.assign(token);
    char* stop = nullptr;
    const double v = std::strtod(token_.c_str(), &stop);
    return stop == token_.c_str() || !std::isfinite(v) ? 0.0 : v;
  }

  std::string_view text_;
  std::size_t at_;
  std::string token_;  // reused for every token
};

// The n-th line of the text (0-based) without its line end, cut to the
// length of a title.
std::string lineOf(std::string_view text, int n) {
  std::size_t at = 0;
  for (int i = 0; i < n; ++i) {
    const std::size_t eol = text.find('\n', at);
    if (eol == std::string_view::npos) return {};
    at = eol + 1;
  }
  std::string_view line = text.substr(at, text.find('\n', at) - at);
  while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return std::string(line.substr(0, kTitleMax));
}

int cellCount(const Workspace& ws) {
  return std::max(0, std::min(ws.geo.cells, static_cast<int>(ws.cells.size()) - 2));
}

// A cell number as read; 0 when it names no cell of the grid.
int cellNumber(double v, int cells) { return v >= 1.0 && v < cells + 1.0 ? static_cast<int>(v) : 0; }

}  // namespace

ScoresImportData parseScoresImport(const std::string& text, const Workspace& ws) {
  ScoresImportData d;
  const std::size_t hash = text.find('#');
  if (hash == std::string::npos) {
    d.error = std::string("Can't find format statement before data:\n") + kFormatList;
    return d;
  }
  // The statement is a token of at most two characters: "#" and its digit.
  const char digit = hash + 1 < text.size() ? text[hash + 1] : ' ';
  if (digit < '0' || digit > '6') {
    d.error = std::string("Format statement error, options:\n") + kFormatList;
    return d;
  }
  d.format = digit - '0';
  static constexpr int kColumns[] = {1, 1, 1, 2, 3, 3, 0};
  d.columns = kColumns[d.format];
  for (int i = 0; i < 3; ++i) d.titleLines[static_cast<std::size_t>(i)] = lineOf(text, i);

  const int cells = cellCount(ws);
  d.values.assign(static_cast<std::size_t>(cells) + 1, {0.0, 0.0, 0.0});
  d.read.assign(d.values.size(), 0);
  NumberStream in(text, hash + 2);
  auto put = [&](int n, const std::array<double, 3>& v) {
    if (n < 1 || n > cells) return;
    d.values[static_cast<std::size_t>(n)] = v;
    d.read[static_cast<std::size_t>(n)] = 1;
  };

  switch (d.format) {
    case 0: {
      // Points are longitudes and latitudes, which only world cells span.
      const auto spans = worldGeometry(ws);
      for (;;) {
        const auto lon = in.next(), lat = in.next(), v = in.next();
        if (!v) break;
        put(spans->unitAtPoint(*lon, *lat), {*v, 0.0, 0.0});
      }
      break;
    }
    case 1:
      for (int n = 1; n <= cells; ++n) {
        const auto v = in.next();
        if (!v) break;
        put(n, {*v, 0.0, 0.0});
      }
      break;
    case 2:
    case 3:
    case 4:
    case 5:
      // At most one record per cell of the grid is read.
      for (int k = 0; k < cells; ++k) {
        const auto n = in.next();
        std::array<double, 3> v{0.0, 0.0, 0.0};
        bool complete = n.has_value();
        for (int c = 0; c < d.columns && complete; ++c) {
          const auto x = in.next();
          complete = x.has_value();
          if (complete) v[static_cast<std::size_t>(c)] = *x;
        }
        if (!complete) break;
        put(cellNumber(*n, cells), v);
      }
      break;
    default: break;
  }
  return d;
}

std::string importedScoresName(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\");
  const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  return name.substr(0, kNameMax);
}

namespace {

GridCell& cellAt(const ScoresImportTarget& t, int n) { return t.ws.cells[static_cast<std::size_t>(n)]; }

// Shifts one column so that its smallest value becomes the zero-score
// marker; returns the minimum (0 when nothing was negative). `get` and
// `set` reach the column's value of a cell; `occupied` tells which cells
// of the map score count as present with a value of 0.
template <class Get, class Set, class Occupied>
double shiftNegative(int cells, Get get, Set set, Occupied occupied) {
  double minimum = 0.0;
  for (int n = 1; n <= cells; ++n) minimum = std::min(minimum, get(n));
  if (minimum >= 0.0) return 0.0;
  for (int n = 1; n <= cells; ++n) {
    const double v = get(n);
    if (v == kZeroScore) set(n, -minimum);
    else if (v == minimum) set(n, kZeroScore);
    else if (v != 0.0 || occupied(n)) set(n, v - minimum);
  }
  return minimum;
}

void unloadThreeAxis(const ScoresImportTarget& t) {
  if (!t.overlay.threeAxis.loaded) return;
  t.overlay.threeAxis.release();
  t.overlay.restoreBackground(t.backgroundColour);
}

// The excluded areas of the preselection in force (the list is held apart
// from the area set while the preselection window is closed).
const std::vector<int>& excludedAreas(const ScoresImportTarget& t) { return t.ws.borrowedAreas; }

// The offset of the first column whose shift by its most negative value
// would overflow to infinity (its range is wider than the largest double);
// 0 when every column can be shifted.
double overflowingOffset(const ScoresImportTarget& t, const ScoresImportData& d, int cells) {
  std::vector<char> excluded(static_cast<std::size_t>(cells) + 1, 0);
  for (int n : excludedAreas(t))
    if (n >= 1 && n <= cells) excluded[static_cast<std::size_t>(n)] = 1;
  for (int k = 0; k < d.columns; ++k) {
    double lo = 0.0, hi = 0.0;
    for (int n = 1; n <= cells; ++n) {
      if (excluded[static_cast<std::size_t>(n)]) continue;
      const double v = d.values[static_cast<std::size_t>(n)][static_cast<std::size_t>(k)];
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    if (!std::isfinite(hi - lo)) return lo;
  }
  return 0.0;
}

}  // namespace

namespace {

// What the file's format makes of the import.
struct ImportShape {
  int cells = 0;  // cells the values cover
  bool pair = false;
  bool threeAxis = false;
};

// Every score, count and overlay figure the import replaces, cleared.
void clearForImport(const ScoresImportTarget& t, const ImportShape& shape) {
  unloadThreeAxis(t);
  OverlayState& o = t.overlay;
  o.pairLoaded = false;
  o.presence = {false, false};  // the imported scores replace both maps
  o.unionCount = o.sharedCount = o.backgroundCells = 0;
  o.extraOffsets = {0.0, 0.0};
  t.map.scoreOffset = 0.0;
  for (int n = 0; n <= cellCount(t.ws); ++n) {
    GridCell& c = cellAt(t, n);
    c.score = 0.0;
    c.count = 0;
    c.scored = 0;
  }
  if (shape.pair) {
    t.backgroundMap.scoreOffset = 0.0;
    for (int n = 0; n <= cellCount(t.ws); ++n) writeBackCell(t.ws, n, BackCell{});
  }
}

// The three-axis buffer with its axes reset; false (and told) without memory.
bool loadThreeAxisBuffer(const ScoresImportTarget& t, const ScoresImportData& d, int cells) {
  ThreeAxisBuffer& b = t.overlay.threeAxis;
  try {
    b.values.assign(static_cast<std::size_t>(cells) + 1, {0.0, 0.0, 0.0});
  } catch (const std::bad_alloc&) {
    b.release();
    t.notices.push_back({"insufficient free memory", "3D plot", Icon::Exclamation});
    return false;
  }
  b.loaded = true;
  b.resetAxes();
  if (d.format == 5) b.titles = d.titleLines;
  return true;
}

// The file's columns into the cells, the background and the three-axis
// buffer. Excluded areas carry no data: their scores go in every column,
// and their counts with them so that they neither show as occupied nor
// take a share of a negative offset.
void copyColumns(const ScoresImportTarget& t, const ScoresImportData& d, const ImportShape& shape) {
  OverlayState& o = t.overlay;
  for (int n = 1; n <= shape.cells; ++n) {
    const auto& v = d.values[static_cast<std::size_t>(n)];
    GridCell& c = cellAt(t, n);
    c.score = v[0];
    if (shape.threeAxis) {
      o.threeAxis.values[static_cast<std::size_t>(n)] = v;
      if (v[0] != 0.0 || v[1] != 0.0 || v[2] != 0.0) c.count = c.scored = 1;
    } else if (v[0] != 0.0) {
      c.count = 1;
    }
    if (shape.pair) writeBackCell(t.ws, n, BackCell{v[1] != 0.0 ? 1 : 0, v[1], 0, 0});
  }
  for (int n : excludedAreas(t)) {
    if (n < 1 || n > shape.cells) continue;
    GridCell& c = cellAt(t, n);
    c.score = 0.0;
    c.count = c.scored = 0;
    if (shape.pair) writeBackCell(t.ws, n, BackCell{});
    if (shape.threeAxis) o.threeAxis.values[static_cast<std::size_t>(n)] = {0.0, 0.0, 0.0};
  }
}

// Each column shifted up by its most negative value, the offsets kept.
void shiftColumns(const ScoresImportTarget& t, const ImportShape& shape) {
  OverlayState& o = t.overlay;
  const int cells = shape.cells;
  const bool threeAxis = shape.threeAxis;
  const double m0 = shiftNegative(
      cells, [&](int n) { return threeAxis ? o.threeAxis.values[static_cast<std::size_t>(n)][0] : cellAt(t, n).score; },
      [&](int n, double v) {
        cellAt(t, n).score = v;
        if (threeAxis) o.threeAxis.values[static_cast<std::size_t>(n)][0] = v;
      },
      [&](int n) { return cellAt(t, n).count != 0; });
  t.map.scoreOffset = m0;
  if (shape.pair) {
    t.backgroundMap.scoreOffset = shiftNegative(
        cells, [&](int n) { return readBackCell(t.ws, n).score; },
        [&](int n, double v) {
          BackCell b = readBackCell(t.ws, n);
          b.score = v;
          b.count = 1;
          writeBackCell(t.ws, n, b);
        },
        [](int) { return false; });
  }
  if (threeAxis)
    for (std::size_t k = 1; k < 3; ++k)
      o.extraOffsets[k - 1] = shiftNegative(
          cells, [&](int n) { return o.threeAxis.values[static_cast<std::size_t>(n)][k]; },
          [&](int n, double v) { o.threeAxis.values[static_cast<std::size_t>(n)][k] = v; }, [](int) { return false; });
  if (m0 < 0.0 && !shape.pair && !threeAxis)
    t.notices.push_back(
        {strprintf("Negative scores found:\n%f added to all scores.", -m0), kCaption, Icon::Information});
}

// The map record of the imported scores.
void recordImportedMap(const ScoresImportTarget& t, const std::string& name, const ImportShape& shape) {
  int occupied = 0;
  double maximum = 0.0;
  for (int n = 1; n <= shape.cells; ++n) {
    const GridCell& c = cellAt(t, n);
    if (c.count != 0) ++occupied;
    if (c.score != kZeroScore) maximum = std::max(maximum, c.score);
  }
  MapRecord& m = t.map;
  m.occupiedCells = occupied;
  m.importedName = name.substr(0, kNameMax);
  m.dataTitle = m.importedName;
  m.importKind = shape.pair ? kImportForegroundBackground : shape.threeAxis ? kImportThreeAxis : kImportSingle;
  // Imported values are not shares of a measure's total: no percentage on
  // export, so a file exported in "#0" reads back as it was.
  m.mapMaximum = 0.0;
  m.scaleLimit = maximum > 0.0 ? maximum : 1.0;
  m.meanPasses = m.smoothPasses = 0;
  m.presenceMap = false;
}

// A foreground and background pair: both map records, and the cells each
// overlay method counts.
void recordPair(const ScoresImportTarget& t, const ScoresImportData& d, const ImportShape& shape) {
  OverlayState& o = t.overlay;
  MapRecord& m = t.map;
  o.pairLoaded = true;
  m.title = d.titleLines[0];
  t.backgroundMap.title = d.titleLines[1];
  // Both columns come from the one file: the background's data title is
  // its name too, never what an earlier map left there.
  t.backgroundMap.importedName = m.importedName;
  t.backgroundMap.dataTitle = m.dataTitle;
  t.backgroundMap.showBase(kCodeImportedScores);
  t.backgroundMap.mapMaximum = 0.0;
  t.backgroundMap.importKind = kImportForegroundBackground;
  const bool both = t.overlayOption == OverlayJoin::kBoth;
  for (int n = 1; n <= shape.cells; ++n) {
    GridCell& c = cellAt(t, n);
    BackCell b = readBackCell(t.ws, n);
    const bool fg = c.score > 0.0, bg = b.score > 0.0;
    if (b.score != 0.0) ++o.backgroundCells;
    if (fg || bg) ++o.unionCount;
    if (fg && bg) ++o.sharedCount;
    c.scored = (both ? fg && bg : fg || bg) ? 1 : 0;
    b.scored = c.scored;
    writeBackCell(t.ws, n, b);
  }
  t.backgroundMap.occupiedCells = o.backgroundCells;
}

}  // namespace

bool applyScoresImport(const ScoresImportTarget& t, const ScoresImportData& d, const std::string& name) {
  if (d.format < 0) return false;
  ImportShape shape;
  shape.cells = std::min(cellCount(t.ws), static_cast<int>(d.values.size()) - 1);
  shape.pair = d.format == 3;
  shape.threeAxis = d.format == 4 || d.format == 5;
  // Refused before anything changes: scores shifted to infinity would be
  // drawn, exported and read back as nonsense.
  if (const double lo = overflowingOffset(t, d, shape.cells); lo != 0.0) {
    t.notices.push_back({strprintf("Scores out of range:\nan offset of %g\nwould make them infinite.", -lo), kCaption,
                         Icon::Exclamation});
    return false;
  }
  clearForImport(t, shape);
  if (shape.threeAxis && !loadThreeAxisBuffer(t, d, shape.cells)) return false;
  copyColumns(t, d, shape);
  if (d.columns > 0) shiftColumns(t, shape);
  recordImportedMap(t, name, shape);
  if (shape.pair) recordPair(t, d, shape);
  t.scoresPresent = true;
  return true;
}

bool importScoresFile(const ScoresImportTarget& t, const std::filesystem::path& path) {
  const auto text = readFileBytes(path, kImportFileMax);
  if (!text) {
    t.notices.push_back({strprintf("Can't open file\n%s", path.string().c_str()), kCaption, Icon::Exclamation});
    return false;
  }
  const ScoresImportData d = parseScoresImport(*text, t.ws);
  if (d.format < 0) {
    t.notices.push_back({d.error, kCaption, Icon::Exclamation});
    return false;
  }
  BusyGuard busy(t.progress);
  return applyScoresImport(t, d, importedScoresName(path.string()));
}

ScoresImportTarget scoresImportTarget(Session& s) {
  return {s.ws,
          s.map,
          s.backgroundMap,
          s.overlay,
          s.settings.backgroundColour,
          s.settings.overlayOption,
          s.scoresPresent,
          s.notices,
          s.progress};
}

FileRequest importScoresRequest(const Session& s) {
  FileRequest r;
  r.title = kCaption;
  r.filters = {{"ASCII scores (*.scr)", "*.scr"}};
  r.initialDir = s.dataDir;
  r.mustExist = true;
  return r;
}

}  // namespace zn
