#include "gis/gisexport.h"

#include <cmath>
#include <functional>
#include <map>
#include <memory>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include "display/measurekind.h"
#include "gis/gdalsetup.h"
#include "gis/occurrences.h"
#include "measures/scores.h"
#include "selection/cellinfo.h"
#include "selection/flexibility.h"
#include "store/editor.h"
#include "store/files.h"
#include "store/measuretraits.h"
#include "store/text.h"
#include "store/unitgeometry.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

struct DatasetCloser {
  void operator()(GDALDataset* d) const { GDALClose(d); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetCloser>;

std::string utf8(const std::string& s) {
  if (validUtf8(s)) return s;
  char* r = CPLRecode(s.c_str(), CPL_ENC_ISO8859_1, CPL_ENC_UTF8);
  std::string out = r ? r : "";
  CPLFree(r);
  return out;
}

std::string trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// A unit's outline: a polygon in a projected system, a multipolygon of the
// parts either side of the 180th meridian in a geographic one.
std::unique_ptr<OGRGeometry> unitOutline(const UnitGeometry& units, int n) {
  auto polygon = [](const CrsBox& b) {
    auto poly = std::make_unique<OGRPolygon>();
    OGRLinearRing r;
    r.addPoint(b.west, b.south);
    r.addPoint(b.east, b.south);
    r.addPoint(b.east, b.north);
    r.addPoint(b.west, b.north);
    r.addPoint(b.west, b.south);
    poly->addRing(&r);
    return poly;
  };
  const std::vector<CrsBox> parts = units.outline(n);
  if (parts.empty()) return nullptr;
  if (!units.geographic()) return polygon(parts.front());
  auto multi = std::make_unique<OGRMultiPolygon>();
  for (const CrsBox& b : parts) multi->addGeometryDirectly(polygon(b).release());
  return multi;
}

// One attribute value; `null` leaves the field unset, so GIS programs see
// no value rather than a made-up one.
struct Value {
  enum Kind { Null, Number, Text } kind = Null;
  double number = 0.0;
  std::string text;
  static Value of(double v) { return {Number, v, {}}; }
  static Value of(std::string t) { return {Text, 0.0, std::move(t)}; }
};

struct CellView {
  const Session& s;
  int n;
  const GridCell& c;
  int step;  // place in the area set, 0 when not in it
};

// A field of the cells layer and how a cell fills it.
struct Column {
  const char* name;
  OGRFieldType type;
  OGRFieldSubType subtype;
  std::function<Value(const CellView&)> value;
};

// The map's own value of a cell: the zero-score marker stands for a true 0.
double mapValue(const GridCell& c) { return c.score == kZeroScore ? 0.0 : c.score; }

Value whenScored(bool scored, double v) { return scored ? Value::of(v) : Value{}; }

// The fields that carry what the analysis on the map found, one per
// meaning; the internal codes and markers the map keeps are never written.
std::vector<Column> analysisColumns(const Session& s) {
  const MapReading reading = s.map.traits().reading;
  const bool fullyFlexible = reading == MapReading::FullyFlexible ||
                             (reading == MapReading::CoverageSet && allAreasMappedFullyFlexible(s.settings));
  if (fullyFlexible) {
    // Areas that share a group number can stand in for one another; an area
    // that no cell can replace keeps count 2 and stands alone.
    auto sharing = std::make_shared<std::map<double, int>>();
    for (int n = 1; n <= lastCellNumber(s.ws); ++n) ++(*sharing)[s.ws.cells[static_cast<std::size_t>(n)].score];
    return {{"flexible_group", OFTInteger, OFSTNone,
             [](const CellView& v) { return whenScored(v.c.score != 0.0, v.c.score); }},
            {"group_areas", OFTInteger, OFSTNone, [sharing](const CellView& v) {
               if (v.c.score == 0.0) return Value{};
               return Value::of(v.c.count == 2 ? 1.0 : sharing->at(v.c.score));
             }}};
  }
  switch (reading) {
    case MapReading::NearMinimumSet:
    case MapReading::CoverageSet: {
      const bool assessed = s.settings.nearMinimumGoal == 1 && s.settings.flexibilityMap != Flag::kOff;
      const bool essential =
          s.settings.reordering == Reordering::kByRichness || s.settings.reordering == Reordering::kByRarity;
      return {{"flexibility", OFTString, OFSTNone,
               [assessed](const CellView& v) {
                 // The map key's words; outside the set, a tie is told apart.
                 static const char* const words[] = {nullptr, "partial alternative", "partial alternative (tie)",
                                                     "flexible", "irreplaceable"};
                 const double k = v.c.score;
                 if (!assessed || k != std::floor(k) || k < 1.0 || k > 4.0) return Value{};
                 return Value::of(std::string(words[static_cast<int>(k)]));
               }},
              {"essential_taxa", OFTInteger, OFSTNone, [assessed, essential](const CellView& v) {
                 return whenScored(assessed && essential && (v.c.score == 4.0 || v.c.score == 3.0), v.c.count);
               }}};
    }
    case MapReading::HotspotScores:
      // The measure's value on the hotspots; no value elsewhere.
      return {{"score", OFTReal, OFSTNone,
               [](const CellView& v) { return whenScored(v.step > 0 && v.c.score != 0.0, mapValue(v.c)); }}};
    case MapReading::LevelAndRange: {
      auto scored = [](const GridCell& c) { return c.score > 0.0 && c.score != kZeroScore; };
      return {
          {"irreplaceability", OFTReal, OFSTNone,
           [scored](const CellView& v) { return whenScored(scored(v.c), v.c.score); }},
          {"level", OFTInteger, OFSTNone, [scored](const CellView& v) { return whenScored(scored(v.c), v.c.count); }},
          {"range", OFTInteger, OFSTNone,
           [scored](const CellView& v) { return whenScored(scored(v.c), std::round(1.0 / v.c.score)); }}};
    }
    case MapReading::TaxaAdded:
      return {{"taxa_added", OFTInteger, OFSTNone,
               [](const CellView& v) { return whenScored(v.step > 0, std::round(mapValue(v.c))); }}};
    case MapReading::Threat:
      return {{"threat", OFTReal, OFSTNone, [](const CellView& v) { return whenScored(v.step > 0, v.c.threat); }}};
    case MapReading::TimesChosen:
      return {{"times_chosen", OFTInteger, OFSTNone, [](const CellView& v) { return Value::of(v.c.count); }}};
    case MapReading::ShareOfRuns: {
      const int runs = s.map.runs;
      return {{"runs", OFTInteger, OFSTNone, [](const CellView& v) { return Value::of(v.c.count); }},
              {"frequency", OFTReal, OFSTNone,
               [runs](const CellView& v) { return whenScored(runs > 0, 100.0 * v.c.count / std::max(1, runs)); }}};
    }
    case MapReading::ReplacementCost:
      // Only the exact minimum set's areas are mapped; an irreplaceable one
      // has no number of extra areas at all.
      return {{"extra_areas", OFTInteger, OFSTNone,
               [](const CellView& v) { return whenScored(v.c.score != 0.0 && v.c.count >= 0, v.c.count); }},
              {"irreplaceable", OFTInteger, OFSTBoolean,
               [](const CellView& v) { return whenScored(v.c.score != 0.0, v.c.count < 0 ? 1.0 : 0.0); }}};
    case MapReading::ChoiceOrder:
    case MapReading::SelectedAreas:
    case MapReading::SetReport:
    case MapReading::FlexibilityPlot: return {};  // the set itself says it all
    case MapReading::FullyFlexible:               // its groups are written above
    case MapReading::Scores: break;
  }
  // A measure: its score and count where the cell holds records.
  return {{"score", OFTReal, OFSTNone, [](const CellView& v) { return whenScored(v.c.count != 0, mapValue(v.c)); }},
          {"count", OFTInteger, OFSTNone, [](const CellView& v) { return whenScored(v.c.count != 0, v.c.count); }}};
}

// Whether the cell is in the set the map shows: the replacement-cost map
// shows the exact minimum set, which is not the session's area set.
bool inShownSet(const Session& s, const CellView& v) {
  return s.map.traits().reading == MapReading::ReplacementCost ? v.c.score != 0.0 : v.step > 0;
}

const char* driverName(GisFormat f) {
  return f == GisFormat::GeoPackage ? "GPKG" : f == GisFormat::GeoJson ? "GeoJSON" : "CSV";
}

const char* formatName(GisFormat f) {
  return f == GisFormat::GeoPackage ? "GeoPackage" : f == GisFormat::GeoJson ? "GeoJSON" : "CSV";
}

// GDAL's last error in words for the user: the disk being full said so,
// and never the SQL statement a GeoPackage write failed in.
std::string lastGdalError() {
  std::string m = CPLGetLastErrorMsg() ? CPLGetLastErrorMsg() : "";
  if (m.empty()) return {};
  const std::string lower = toLower(m);
  if (lower.find("disk is full") != std::string::npos || lower.find("no space") != std::string::npos ||
      lower.find("file too large") != std::string::npos)
    return ": the disk is full";
  if (const auto at = m.rfind("failed: "); at != std::string::npos) m = m.substr(at + 8);
  for (const char* sql : {"select ", "insert ", "create ", "update ", "delete ", "pragma ", "sqlite"})
    if (toLower(m).find(sql) != std::string::npos) return {};
  return ": " + m;
}

// The side files GDAL writes beside a CSV file: column types and the CRS.
const char* const kCsvSideFiles[] = {".csvt", ".prj"};

struct Writer {
  GisFormat format;
  fs::path tmp, target;
  Dataset ds;
  int expected = 0;  // features the first layer must hold when read back
};

std::string writeError(const fs::path& target, const std::string& why) {
  return "cannot write " + target.string() + why;
}

// A new dataset at a temporary name beside the target.
std::string create(Writer& w, GisFormat format, const fs::path& target) {
  GDALDriver* drv = GetGDALDriverManager()->GetDriverByName(driverName(format));
  if (!drv) return std::string("GDAL has no ") + driverName(format) + " driver";
  w.format = format;
  w.target = target;
  w.tmp = temporaryBeside(target);
  CPLErrorReset();
  w.ds.reset(drv->Create(w.tmp.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  if (!w.ds) return writeError(target, lastGdalError());
  return {};
}

void removeTemporary(const Writer& w) {
  std::error_code ec;
  fs::remove(w.tmp, ec);
  if (w.format == GisFormat::Csv)
    for (const char* side : kCsvSideFiles) fs::remove(fs::path(w.tmp).replace_extension(side), ec);
}

// A written file read back: a write that failed unseen (a full disk under
// a driver that does not report it) leaves a file that does not open or
// holds fewer features.
bool readsBack(const Writer& w) {
  const char* const allowed[] = {driverName(w.format), nullptr};
  Dataset d(static_cast<GDALDataset*>(
      GDALOpenEx(w.tmp.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, allowed, nullptr, nullptr)));
  if (!d || d->GetLayerCount() < 1) return false;
  OGRLayer* first = d->GetLayerCount() == 1 ? d->GetLayer(0) : d->GetLayerByName("cells");
  return first && first->GetFeatureCount(TRUE) == w.expected;
}

// Closes the dataset and renames it (and a CSV file's side files) into
// place; the temporary goes on failure.
std::string finish(Writer& w) {
  CPLErrorReset();
  GDALDataset* d = w.ds.release();
  if (d) GDALClose(d);
  const bool closed = d && CPLGetLastErrorType() != CE_Failure && CPLGetLastErrorType() != CE_Fatal;
  if (!closed || !readsBack(w)) {
    const std::string why =
        closed ? std::string(": the file could not be written whole (is the disk full?)") : lastGdalError();
    removeTemporary(w);
    return writeError(w.target, why);
  }
  std::error_code ec;
  if (w.format == GisFormat::Csv)
    for (const char* side : kCsvSideFiles) {
      const fs::path from = fs::path(w.tmp).replace_extension(side);
      if (fs::exists(from, ec)) fs::rename(from, fs::path(w.target).replace_extension(side), ec);
      if (ec) break;
    }
  if (!ec) fs::rename(w.tmp, w.target, ec);
  if (ec) {
    removeTemporary(w);
    return writeError(w.target, ": " + ec.message());
  }
  return {};
}

void discard(Writer& w) {
  w.ds.reset();
  removeTemporary(w);
}

bool addField(OGRLayer* l, const char* name, OGRFieldType t, OGRFieldSubType sub = OFSTNone) {
  OGRFieldDefn f(name, t);
  f.SetSubType(sub);
  return l->CreateField(&f) == OGRERR_NONE;
}

// A text attribute; in a CSV file a spreadsheet must not run it as a formula.
void setText(OGRFeature& f, const char* name, const std::string& text, GisFormat format) {
  const std::string t = utf8(text);
  f.SetField(name, (format == GisFormat::Csv ? spreadsheetSafe(t) : t).c_str());
}

void setMetadata(OGRLayer* l, const Session& s, const GisExportRequest& r) {
  l->SetMetadataItem("map_title", utf8(s.map.title).c_str());
  l->SetMetadataItem("data_title", utf8(s.map.dataTitle).c_str());
  l->SetMetadataItem("analysis", utf8(r.analysis).c_str());
}

std::string writeCells(Writer& w, const Session& s, const Palette& palette, const GisExportRequest& r, int& written) {
  const auto units = unitGeometry(s);
  const bool projected = !units->geographic();
  OGRSpatialReference srs;
  srs.importFromEPSG(units->epsg());
  srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  const std::string description = utf8(s.map.title);
  char** opts = nullptr;
  if (w.format == GisFormat::Csv) {
    opts = CSLSetNameValue(opts, "GEOMETRY", "AS_WKT");
    opts = CSLSetNameValue(opts, "CREATE_CSVT", "YES");
  } else {
    opts = CSLSetNameValue(opts, "DESCRIPTION", description.c_str());
  }
  // GeoJSON knows only WGS 84 longitude and latitude: the driver projects
  // the British squares there and writes no crs member.
  if (w.format == GisFormat::GeoJson) opts = CSLSetNameValue(opts, "RFC7946", "YES");
  OGRLayer* l = w.ds->CreateLayer("cells", &srs, projected ? wkbPolygon : wkbMultiPolygon, opts);
  CSLDestroy(opts);
  if (!l) return "the cells layer cannot be made" + lastGdalError();
  const char* xName = projected ? "easting" : "lon";
  const char* yName = projected ? "northing" : "lat";
  const std::vector<Column> columns = analysisColumns(s);
  bool ok = addField(l, "cell", OFTInteger) && addField(l, "location", OFTString) && addField(l, "class", OFTInteger) &&
            addField(l, "colour", OFTString) && addField(l, "in_set", OFTInteger, OFSTBoolean) &&
            addField(l, "step", OFTInteger) && addField(l, "seed", OFTInteger, OFSTBoolean);
  for (const Column& c : columns) ok = ok && addField(l, c.name, c.type, c.subtype);
  ok = ok && addField(l, xName, OFTReal) && addField(l, yName, OFTReal);
  if (!ok) return "the cells layer's fields cannot be made" + lastGdalError();
  setMetadata(l, s, r);

  const int cells = units->unitCount();
  std::vector<int> step(static_cast<std::size_t>(cells) + 1, 0);
  for (int p = 0; p < s.areas.count(); ++p) {
    const int a = s.areas.cells[static_cast<std::size_t>(p)];
    if (a >= 1 && a <= cells && step[static_cast<std::size_t>(a)] == 0) step[static_cast<std::size_t>(a)] = p + 1;
  }
  // A regional grid type (one drawn without the world coastline) holds only
  // the cells its definition marks; the rest of the world grid is not its.
  const bool regional = s.grid().regionalGrids() && s.coastApplies == CoastOutline::kNone;
  const bool txn = w.format == GisFormat::GeoPackage && w.ds->StartTransaction() == OGRERR_NONE;
  OGRFeatureDefn* defn = l->GetLayerDefn();
  const bool levelSpots = measureKind(s.map).maxLevelSpots;
  for (int n = 1; n <= cells; ++n) {
    const GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    if (regional && c.background == 0) continue;
    const CellView v{s, n, c, step[static_cast<std::size_t>(n)]};
    OGRFeature f(defn);
    f.SetField("cell", n);
    setText(f, "location", trimmed(locationName(s.ws, n)), w.format);
    if (c.score != 0.0) {
      f.SetField("class", c.classNumber);
      // A map of level spots colours its cells by level, not by class: no
      // class colour stands for what it shows.
      if (!levelSpots) {
        const Rgb rgb = palette.colour(c.fillColour);
        f.SetField("colour", strprintf("#%02x%02x%02x", rgb.r, rgb.g, rgb.b).c_str());
      }
    }
    f.SetField("in_set", inShownSet(s, v) ? 1 : 0);
    if (v.step > 0) f.SetField("step", v.step);
    f.SetField("seed", v.step > 0 && v.step <= s.areas.seedCount ? 1 : 0);
    for (const Column& col : columns) {
      const Value value = col.value(v);
      if (value.kind == Value::Number && col.type == OFTInteger) f.SetField(col.name, static_cast<int>(value.number));
      else if (value.kind == Value::Number) f.SetField(col.name, value.number);
      else if (value.kind == Value::Text) setText(f, col.name, value.text, w.format);
    }
    if (const auto centre = units->centroid(n)) {
      f.SetField(xName, centre->x);
      f.SetField(yName, centre->y);
    }
    if (auto g = unitOutline(*units, n)) f.SetGeometryDirectly(g.release());
    if (l->CreateFeature(&f) != OGRERR_NONE)
      return "cell " + std::to_string(n) + " cannot be written" + lastGdalError();
    ++written;
  }
  if (txn && w.ds->CommitTransaction() != OGRERR_NONE) return "the cells cannot be written" + lastGdalError();
  w.expected = written;
  return {};
}

std::string writeTaxa(Writer& w, const Session& s, const GisExportRequest& r, int& written) {
  char** opts = w.format == GisFormat::GeoPackage
                    ? CSLSetNameValue(nullptr, "DESCRIPTION", utf8(s.map.dataTitle).c_str())
                    : CSLSetNameValue(nullptr, "CREATE_CSVT", "YES");
  OGRLayer* l = w.ds->CreateLayer("taxa", nullptr, wkbNone, opts);
  CSLDestroy(opts);
  if (!l) return "the taxa layer cannot be made" + lastGdalError();
  if (!(addField(l, "name", OFTString) && addField(l, "code", OFTString) && addField(l, "records", OFTInteger) &&
        addField(l, "in_set", OFTInteger)))
    return "the taxa layer's fields cannot be made" + lastGdalError();
  if (w.format == GisFormat::GeoPackage) setMetadata(l, s, r);
  const int excluded = s.settings.excludedLevel;
  const int cells = lastCellNumber(s.ws);
  const bool txn = w.format == GisFormat::GeoPackage && w.ds->StartTransaction() == OGRERR_NONE;
  for (int t = 0; t < s.ws.taxaCount; ++t) {
    int represented = 0;
    for (int a : s.areas.cells)
      if (a >= 1 && a <= cells && s.ws.cards.level(t, a) > excluded) ++represented;
    OGRFeature f(l->GetLayerDefn());
    setText(f, "name", s.ws.cards.name(t), w.format);
    setText(f, "code", editableCode(s.ws, t), w.format);
    f.SetField("records", s.ws.cards.recordCount(t));
    f.SetField("in_set", represented);
    if (l->CreateFeature(&f) != OGRERR_NONE)
      return "taxon " + std::to_string(t + 1) + " cannot be written" + lastGdalError();
    ++written;
  }
  if (txn && w.ds->CommitTransaction() != OGRERR_NONE) return "the taxa cannot be written" + lastGdalError();
  if (w.format == GisFormat::Csv) w.expected = written;
  return {};
}

// The file a write to `out` really replaces (a link is written through), or
// why it cannot be written.
std::string outputTarget(const fs::path& out, fs::path& target) {
  target = resolveSaveTarget(out);
  if (target.empty()) return "cannot follow the links at " + out.string();
  std::error_code ec;
  if (fs::is_directory(target, ec)) return out.string() + " is a folder; give a file name";
  if (fs::exists(target, ec) && !fs::is_regular_file(target, ec))
    return out.string() + " is not a plain file and is kept";
  return outputFolderProblem(target);
}

// An existing file that GDAL does not open as this format (another
// program's file, or something else under a GIS name).
bool holdsOtherFormat(const fs::path& target, GisFormat format) {
  std::error_code ec;
  if (!fs::exists(target, ec)) return false;
  const char* const allowed[] = {driverName(format), nullptr};
  CPLErrorReset();
  Dataset d(static_cast<GDALDataset*>(
      GDALOpenEx(target.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, allowed, nullptr, nullptr)));
  return !d;
}

}  // namespace

bool gisFormatOf(const fs::path& out, GisFormat& format) {
  std::string e = out.extension().string();
  for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (e == ".gpkg") format = GisFormat::GeoPackage;
  else if (e == ".geojson" || e == ".json") format = GisFormat::GeoJson;
  else if (e == ".csv") format = GisFormat::Csv;
  else return false;
  return true;
}

fs::path gisTaxaCsvPath(const fs::path& cellsCsv) {
  return cellsCsv.parent_path() / (cellsCsv.stem().string() + "_taxa.csv");
}

GisExportResult exportMapToGis(const Session& s, const Palette& palette, const GisExportRequest& request) {
  GisExportResult res;
  GisFormat format;
  if (!gisFormatOf(request.out, format)) {
    res.error = "the GIS file must end in .gpkg, .geojson or .csv: " + request.out.string();
    return res;
  }
  fs::path target, taxaTarget;
  if (std::string why = outputTarget(request.out, target); !why.empty()) {
    res.error = why;
    return res;
  }
  if (format == GisFormat::Csv)
    if (std::string why = outputTarget(gisTaxaCsvPath(request.out), taxaTarget); !why.empty()) {
      res.error = why;
      return res;
    }
  if (!s.ws.datafile.opened || s.ws.cells.empty()) {
    res.error = "no datafile is open";
    return res;
  }
  ensureGdal();
  for (const fs::path& t : {target, taxaTarget})
    if (!t.empty() && holdsOtherFormat(t, format) && request.mayReplace &&
        !request.mayReplace(t.string() + " exists and is not a " + formatName(format) +
                            " file.\nDo you want to replace it?")) {
      res.declined = true;
      return res;
    }
  Writer cells;
  if (std::string e = create(cells, format, target); !e.empty()) {
    res.error = e;
    return res;
  }
  std::string e = writeCells(cells, s, palette, request, res.cellFeatures);
  Writer taxa;
  if (e.empty() && format == GisFormat::GeoPackage) e = writeTaxa(cells, s, request, res.taxonFeatures);
  if (e.empty() && format == GisFormat::Csv) {
    e = create(taxa, format, taxaTarget);
    if (e.empty()) e = writeTaxa(taxa, s, request, res.taxonFeatures);
  }
  if (!e.empty()) {
    discard(cells);
    discard(taxa);
    res.error = writeError(request.out, ": " + e);
    return res;
  }
  if (format == GisFormat::Csv) {
    if (std::string t = finish(taxa); !t.empty()) {
      discard(cells);
      res.error = t;
      return res;
    }
    res.taxaFile = gisTaxaCsvPath(request.out);
  }
  if (std::string t = finish(cells); !t.empty()) {
    res.error = t;
    return res;
  }
  res.cellsFile = request.out;
  if (format == GisFormat::GeoPackage) res.taxaFile = request.out;
  return res;
}

// --- results on a project's units -------------------------------------------

namespace {

// The unit's own outline: a regular grid's cell from the definition, a
// polygon unit's as the project holds it.
std::unique_ptr<OGRGeometry> projectOutline(const Project& p, int n) {
  if (p.grid.kind == GridDefinition::Kind::Regular) {
    auto poly = std::make_unique<OGRPolygon>();
    OGRLinearRing ring;
    for (auto [x, y] : p.grid.outline(p.data.unit(n).id)) ring.addPoint(x, y);
    poly->addRing(&ring);
    return poly;
  }
  return storedOutline(p, n);
}

// The units layer of a result in `ds`, filled in one transaction where the
// format has them. Empty when written, else why not.
std::string writeUnitLayer(GDALDataset& ds, const Project& p, const UnitResult& r, const std::string& name,
                           GisFormat format, bool inTransaction) {
  OGRSpatialReference srs;
  srs.importFromEPSG(p.grid.epsg);
  srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  char** opts = nullptr;
  if (format == GisFormat::Csv) {
    opts = CSLSetNameValue(opts, "GEOMETRY", "AS_WKT");
    opts = CSLSetNameValue(opts, "CREATE_CSVT", "YES");
  } else if (format == GisFormat::GeoJson) {
    opts = CSLSetNameValue(opts, "RFC7946", "YES");
  } else {
    opts = CSLSetNameValue(opts, "DESCRIPTION", utf8(r.title).c_str());
  }
  const bool regular = p.grid.kind == GridDefinition::Kind::Regular;
  OGRLayer* l = ds.CreateLayer(name.c_str(), &srs, regular ? wkbPolygon : wkbMultiPolygon, opts);
  CSLDestroy(opts);
  if (!l) return "the " + name + " layer cannot be made" + lastGdalError();
  bool ok = addField(l, "unit_id", OFTInteger64) && addField(l, "name", OFTString);
  for (const UnitColumn& c : r.columns) ok = ok && addField(l, c.name.c_str(), c.integer ? OFTInteger64 : OFTReal);
  if (!ok) return "the fields cannot be made" + lastGdalError();
  const bool txn = !inTransaction && format != GisFormat::Csv && ds.StartTransaction() == OGRERR_NONE;
  for (int n = 1; n <= p.data.unitCount(); ++n) {
    const DatasetUnit& u = p.data.unit(n);
    std::unique_ptr<OGRFeature> f(OGRFeature::CreateFeature(l->GetLayerDefn()));
    f->SetField("unit_id", static_cast<GIntBig>(u.id));
    setText(*f, "name", u.name, format);
    for (const UnitColumn& c : r.columns) {
      const double v = c.values[static_cast<std::size_t>(n)];
      if (std::isnan(v)) continue;
      if (c.integer) f->SetField(c.name.c_str(), static_cast<GIntBig>(std::llround(v)));
      else f->SetField(c.name.c_str(), v);
    }
    if (auto g = projectOutline(p, n)) f->SetGeometryDirectly(g.release());
    if (l->CreateFeature(f.get()) != OGRERR_NONE)
      return strprintf("unit %lld cannot be written", u.id) + lastGdalError();
  }
  if (txn && ds.CommitTransaction() != OGRERR_NONE) return "the units cannot be written" + lastGdalError();
  return {};
}

}  // namespace

std::string exportUnitResult(const Project& project, const UnitResult& result, const fs::path& out) {
  GisFormat format;
  if (!gisFormatOf(out, format)) return "the GIS file must end in .gpkg, .geojson or .csv: " + out.string();
  fs::path target;
  if (std::string why = outputTarget(out, target); !why.empty()) return why;
  ensureGdal();
  Writer w;
  if (std::string e = create(w, format, target); !e.empty()) return e;
  w.expected = project.data.unitCount();
  if (std::string e = writeUnitLayer(*w.ds, project, result, "units", format, false); !e.empty()) {
    discard(w);
    return writeError(out, ": " + e);
  }
  return finish(w);
}

std::string addUnitResultLayer(const Project& project, const UnitResult& result, const fs::path& projectFile,
                               const std::string& layer) {
  if (layer.empty() || projectOwnTable(layer))
    return "the layer name " + (layer.empty() ? std::string("\"\"") : layer) +
           " belongs to the project's own tables; give another";
  ensureGdal();
  const char* const drivers[] = {"GPKG", nullptr};
  CPLErrorReset();
  GDALDatasetUniquePtr ds(GDALDataset::FromHandle(
      GDALOpenEx(projectFile.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, drivers, nullptr, nullptr)));
  if (!ds) return "cannot open " + projectFile.string() + " for writing" + lastGdalError();
  if (ds->StartTransaction() != OGRERR_NONE) return "cannot write " + projectFile.string() + lastGdalError();
  std::string e;
  for (int i = 0; i < ds->GetLayerCount() && e.empty(); ++i)
    if (EQUAL(ds->GetLayer(i)->GetName(), layer.c_str()) && ds->DeleteLayer(i) != OGRERR_NONE)
      e = "the old " + layer + " layer cannot be replaced" + lastGdalError();
  if (e.empty()) e = writeUnitLayer(*ds, project, result, layer, GisFormat::GeoPackage, true);
  if (e.empty() && ds->CommitTransaction() != OGRERR_NONE) e = "the layer cannot be written" + lastGdalError();
  if (!e.empty()) {
    ds->RollbackTransaction();
    return writeError(projectFile, ": " + e);
  }
  CPLErrorReset();
  GDALDataset* d = ds.release();
  GDALClose(d);
  if (CPLGetLastErrorType() == CE_Failure || CPLGetLastErrorType() == CE_Fatal)
    return writeError(projectFile, lastGdalError());
  return {};
}

}  // namespace zn
