#include "interchange/scores_export.h"

#include <algorithm>
#include <cmath>

#include "measures/scores.h"
#include "store/files.h"
#include "store/session.h"
#include "store/text.h"

namespace zn {

namespace {

constexpr const char* kCaption = "Export scores";
constexpr const char* kVersionLine = " ZONARIUM version 4.19.25\n";

int cellsOf(const Session& s) { return std::max(0, std::min(s.ws.geo.cells, static_cast<int>(s.ws.cells.size()) - 2)); }

const GridCell& cellAt(const Session& s, int n) { return s.ws.cells[static_cast<std::size_t>(n)]; }

bool overlayLoaded(const Session& s) { return s.overlay.loaded() || s.map.code() == kCodeOverlay; }

// Scores of most measures are written as a percentage of the measure's
// total; richness counts are meaningful as they are, and an overlay's two
// columns must stay comparable with each other.
bool asPercentage(const Session& s, const MapRecord& m, int column) {
  if (m.code() == kCodeRichness || m.code() == kCodeSelectiveRichness) return false;
  if (m.mapMaximum == 0.0 || overlayLoaded(s)) return false;
  return !(m.code() == kCodeOverlay && s.overlay.raw[static_cast<std::size_t>(column)]);
}

double scaled(const Session& s, const MapRecord& m, int column, double score) {
  return asPercentage(s, m, column) ? score * 100.0 / m.mapMaximum : score;
}

std::string rule() { return std::string(71, '=') + "\n"; }

// A value field after another field. The fixed width leaves a blank in
// front of every value below 10^12; a wider one would run into the field
// before it and the file could not be read back, so it gets one blank.
// `point` keeps the decimal point in every value ("%#20.6f").
std::string valueField(double v, bool point = true) {
  std::string f = point ? strprintf("%#20.6f", v) : strprintf("%20.6f", v);
  if (!f.empty() && f.front() != ' ') f.insert(f.begin(), ' ');
  return f;
}

// A title as the header shows it. The first "#" of a scores file starts
// its data, so a "#" in a title would make the file unreadable: it is
// written as "_".
std::string headerText(std::string title) {
  std::replace(title.begin(), title.end(), '#', '_');
  return title;
}

std::string header(const Session& s, int layout) {
  const std::string data = headerText(s.map.dataTitle), measure = headerText(s.map.title);
  if (layout == kLayoutPair)
    return strprintf("%s: %s\n", data.c_str(), measure.c_str()) +
           strprintf("%s: %s\n", headerText(s.backgroundMap.dataTitle).c_str(),
                     headerText(s.backgroundMap.title).c_str()) +
           kVersionLine + rule();
  return std::string("\n") + kVersionLine + "\n" + strprintf(" Scores for dataset: %s.\n", data.c_str()) +
         strprintf(" Measure: %s.\n", measure.c_str()) + rule();
}

const char* statement(int layout) {
  switch (layout) {
    case kLayoutCentroids: return "#0\n";
    case kLayoutNumbered:
    case kLayoutNumberedOccupied: return "#2\n";
    case kLayoutPlain:
    case kLayoutPlainOccupied: return "#1\n";
    default: return "#3\n";
  }
}

}  // namespace

bool ExportScoresModel::checked(int id) const {
  switch (id) {
    case kExportCellNumbers: return cellNumbers;
    case kExportOccupiedOnly: return occupiedOnly;
    case kExportMarkerAsZero: return markerAsZero;
    case kExportBackground: return background;
    case kExportScr:
    case kExportMismatch:
    case kExportCentroids: return kind == id;
    default: return false;
  }
}

const char* ExportScoresModel::controlName(int id) {
  switch (id) {
    case kExportCellNumbers: return "cellNumbers";
    case kExportOccupiedOnly: return "occupiedOnly";
    case kExportMarkerAsZero: return "markerAsZero";
    case kExportBackground: return "background";
    case kExportScr: return "scr";
    case kExportMismatch: return "mismatch";
    case kExportCentroids: return "centroids";
    default: return "";
  }
}

bool ExportScoresModel::enabled(int id) const { return id != kExportMismatch || pairLoaded; }

void ExportScoresModel::setChecked(int id, bool on) {
  switch (id) {
    case kExportCellNumbers: cellNumbers = on; break;
    case kExportOccupiedOnly: occupiedOnly = on; break;
    case kExportMarkerAsZero: markerAsZero = on; break;
    case kExportBackground: background = on; break;
    case kExportMismatch:
      // Without a pair there is no mismatch to write: the plain export stays.
      if (on) kind = pairLoaded ? kExportMismatch : kExportScr;
      break;
    case kExportScr:
    case kExportCentroids:
      if (on) kind = id;
      break;
    default: break;
  }
}

ScoresLayout ExportScoresModel::layout() const {
  if (mismatch()) return kLayoutNone;
  if (kind == kExportCentroids) return kLayoutCentroids;
  if (background) return kLayoutPair;
  if (cellNumbers) return occupiedOnly ? kLayoutNumberedOccupied : kLayoutNumbered;
  return occupiedOnly ? kLayoutPlainOccupied : kLayoutPlain;
}

const char* exportScoresLabel(int id) {
  switch (id) {
    case kExportCellNumbers: return "print gridcell numbers";
    case kExportOccupiedOnly: return "print scores only for occupied grid cells ";
    case kExportMarkerAsZero: return "print 0-score presences as 0 (else 10000)";
    case kExportBackground: return "print background as well as foreground";
    case kExportScr: return "Export scores as .scr file";
    case kExportMismatch: return "Export overlay cell mismatch as .pre file";
    case kExportCentroids: return "Export scores with cell centroid longitude and latitude";
    default: return "";
  }
}

ExportScoresModel exportScoresModel(const Session& s) {
  ExportScoresModel m;
  m.pairLoaded = s.overlay.pairLoaded;
  return m;
}

bool anyCellOccupied(const Session& s) {
  for (int n = 1; n <= cellsOf(s); ++n)
    if (cellAt(s, n).count != 0) return true;
  return false;
}

double exportedValue(const Session& s, int cell, int layout, bool markerAsZero) {
  const GridCell& c = cellAt(s, cell);
  const bool marker = c.score == kZeroScore;
  if (layout == kLayoutCentroids) {
    if (marker) return s.map.scoreOffset;
    return asPercentage(s, s.map, 0) ? c.score * 100.0 / s.map.mapMaximum : c.score + s.map.scoreOffset;
  }
  if (c.count == 0) return 0.0;
  if (marker) return layout == kLayoutPair || markerAsZero ? 0.0 : kZeroScore;
  return scaled(s, s.map, 0, c.score);
}

double exportedBackgroundValue(const Session& s, int cell) {
  const BackCell b = readBackCell(s.ws, cell);
  if (b.count == 0 || b.score == kZeroScore) return 0.0;
  return scaled(s, s.backgroundMap, 1, b.score);
}

std::string scoresFileText(const Session& s, int layout, bool markerAsZero) {
  std::string out = header(s, layout) + statement(layout);
  const int cells = cellsOf(s);
  out.reserve(out.size() + static_cast<std::size_t>(cells) * 48);
  // The centroids are longitudes and latitudes, which only world cells span.
  const auto spans = worldGeometry(s.ws);
  const CrsPoint unplaced{std::nan(""), std::nan("")};
  for (int n = 1; n <= cells; ++n) {
    const GridCell& c = cellAt(s, n);
    const bool occupied = c.count != 0;
    switch (layout) {
      case kLayoutCentroids:
        if (occupied) {
          const CrsPoint centre = spans->centroid(n).value_or(unplaced);
          out += strprintf("%8.4f %8.4f", centre.x, centre.y) +
                 valueField(exportedValue(s, n, layout, markerAsZero), false) + "\n";
        }
        break;
      case kLayoutPlainOccupied:
        if (!occupied) break;
        [[fallthrough]];
      case kLayoutPlain: out += strprintf("%#20.6f\n", exportedValue(s, n, layout, markerAsZero)); break;
      case kLayoutNumberedOccupied:
        if (!occupied) break;
        [[fallthrough]];
      case kLayoutNumbered:
        out += strprintf("%6d", n) + valueField(exportedValue(s, n, layout, markerAsZero)) + "\n";
        break;
      default:
        out += strprintf("%6d", n) + valueField(exportedValue(s, n, layout, markerAsZero)) +
               valueField(exportedBackgroundValue(s, n)) + "\n";
        break;
    }
  }
  return out;
}

std::vector<int> mismatchCells(const Session& s) {
  std::vector<int> out;
  for (int n = 1; n <= cellsOf(s); ++n)
    if ((cellAt(s, n).count != 0) != (readBackCell(s.ws, n).count != 0)) out.push_back(n);
  return out;
}

bool exportScoresTo(const Session& s, Notices& notices, const ExportScoresModel& choice,
                    const std::filesystem::path& path) {
  if (!anyCellOccupied(s)) return false;
  std::string text;
  if (choice.mismatch()) {
    text = preselectionFileText(s.ws, s.settings, mismatchCells(s));
  } else {
    const int layout = choice.layout();
    // The file holds shifted values; say so before they are written.
    if (s.map.scoreOffset != 0.0 && layout != kLayoutCentroids)
      notices.push_back({strprintf("WARNING:\nall exported scores exclude an offset of\n%f", s.map.scoreOffset),
                         kCaption, Icon::Exclamation});
    text = scoresFileText(s, layout, choice.markerAsZero);
  }
  if (!saveFileAtomically(path, text)) {
    notices.push_back({strprintf("Can't write file\n%s", path.string().c_str()), kCaption, Icon::Exclamation});
    return false;
  }
  return true;
}

FileRequest exportScoresRequest(const Session& s) {
  FileRequest r;
  r.title = kCaption;
  r.filters = {{"ASCII scores (*.scr)", "*.scr"}};
  r.initialDir = s.dataDir;
  r.mustExist = false;
  return r;
}

void takeExportScoresChoice(Settings& settings, const ExportScoresModel& choice) {
  settings.exportAccepted = Flag::kOn;
  settings.scoresExportOption = flagOf(choice.markerAsZero);
  if (!choice.mismatch()) settings.scoresExportChoice = choice.layout();
}

}  // namespace zn
