#include "gis/gisexport.h"

#include <cmath>
#include <memory>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include "gis/cellplace.h"
#include "gis/gdalsetup.h"
#include "gis/occurrences.h"
#include "interchange/cellspan.h"
#include "measures/scores.h"
#include "selection/cellinfo.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

struct DatasetCloser {
  void operator()(GDALDataset* d) const { GDALClose(d); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetCloser>;

std::string lastGdalError() {
  const char* m = CPLGetLastErrorMsg();
  return m && *m ? std::string(": ") + m : std::string();
}

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

// The irreplaceable/flexible classes and fully flexible groups the
// analysis on the map gives a cell, as its information lines word them.
std::string cellStatus(const Session& s, int cell) {
  for (const std::string& line : cellInformationLines(s, cell))
    if (line.rfind("goal-", 0) == 0 || line.find("fully flexible areas") != std::string::npos) return line;
  return {};
}

std::unique_ptr<OGRGeometry> cellGeometry(const Session& s, const GridCell& c) {
  auto ring = [](double w, double so, double e, double n) {
    auto poly = std::make_unique<OGRPolygon>();
    OGRLinearRing r;
    r.addPoint(w, so);
    r.addPoint(e, so);
    r.addPoint(e, n);
    r.addPoint(w, n);
    r.addPoint(w, so);
    poly->addRing(&r);
    return poly;
  };
  if (!s.grid().geographic()) {
    const double e = britainEasting(c), n = britainNorthing(c);
    return ring(e, n, e + 10000.0, n + 10000.0);
  }
  if (!std::isfinite(c.lonWest) || !std::isfinite(c.lonEast) || !std::isfinite(c.latSouth) ||
      !std::isfinite(c.latNorth) || c.lonWest == c.lonEast || !(c.latSouth < c.latNorth))
    return nullptr;
  auto multi = std::make_unique<OGRMultiPolygon>();
  if (crossesDateLine(c)) {
    // A column that starts at 180 degrees lies just east of -180; one that
    // starts short of it is split at the date line.
    if (c.lonWest >= 180.0) {
      multi->addGeometryDirectly(ring(c.lonWest - 360.0, c.latSouth, c.lonEast, c.latNorth).release());
    } else {
      multi->addGeometryDirectly(ring(c.lonWest, c.latSouth, 180.0, c.latNorth).release());
      multi->addGeometryDirectly(ring(-180.0, c.latSouth, c.lonEast, c.latNorth).release());
    }
  } else {
    multi->addGeometryDirectly(ring(c.lonWest, c.latSouth, c.lonEast, c.latNorth).release());
  }
  return multi;
}

struct Writer {
  GisFormat format;
  fs::path tmp, target;
  Dataset ds;
};

// A new dataset at a temporary name beside the target.
std::string create(Writer& w, GisFormat format, const fs::path& target) {
  const char* driverName = format == GisFormat::GeoPackage ? "GPKG" : format == GisFormat::GeoJson ? "GeoJSON" : "CSV";
  GDALDriver* drv = GetGDALDriverManager()->GetDriverByName(driverName);
  if (!drv) return std::string("GDAL has no ") + driverName + " driver";
  w.format = format;
  w.target = target;
  w.tmp = temporaryBeside(target);
  CPLErrorReset();
  w.ds.reset(drv->Create(w.tmp.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  if (!w.ds) return "cannot write " + target.string() + lastGdalError();
  return {};
}

// Closes the dataset and renames it into place; the temporary goes on failure.
std::string finish(Writer& w) {
  CPLErrorReset();
  GDALDataset* d = w.ds.release();
  if (d) GDALClose(d);
  const bool closed = d && CPLGetLastErrorType() != CE_Failure && CPLGetLastErrorType() != CE_Fatal;
  std::error_code ec;
  if (!closed) {
    fs::remove(w.tmp, ec);
    return "cannot write " + w.target.string() + lastGdalError();
  }
  fs::rename(w.tmp, w.target, ec);
  if (ec) {
    fs::remove(w.tmp, ec);
    return "cannot write " + w.target.string() + ": " + ec.message();
  }
  return {};
}

void discard(Writer& w) {
  w.ds.reset();
  std::error_code ec;
  fs::remove(w.tmp, ec);
}

char** layerOptions(GisFormat f, const std::string& description) {
  char** o = nullptr;
  if (f == GisFormat::Csv) {
    o = CSLSetNameValue(o, "GEOMETRY", "AS_WKT");
  } else if (f == GisFormat::GeoJson) {
    o = CSLSetNameValue(o, "DESCRIPTION", description.c_str());
  } else {
    o = CSLSetNameValue(o, "DESCRIPTION", description.c_str());
  }
  return o;
}

bool addField(OGRLayer* l, const char* name, OGRFieldType t) {
  OGRFieldDefn f(name, t);
  return l->CreateField(&f) == OGRERR_NONE;
}

void setMetadata(OGRLayer* l, const Session& s, const GisExportRequest& r) {
  l->SetMetadataItem("map_title", utf8(s.map.title).c_str());
  l->SetMetadataItem("data_title", utf8(s.map.dataTitle).c_str());
  l->SetMetadataItem("analysis", utf8(r.analysis).c_str());
}

std::string writeCells(Writer& w, const Session& s, const Palette& palette, const GisExportRequest& r, int& written) {
  const bool britain = !s.grid().geographic();
  OGRSpatialReference srs;
  srs.importFromEPSG(s.grid().epsg());
  srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  const std::string description = utf8(s.map.title);
  char** opts = layerOptions(w.format, description);
  OGRLayer* l = w.ds->CreateLayer("cells", &srs, britain ? wkbPolygon : wkbMultiPolygon, opts);
  CSLDestroy(opts);
  if (!l) return "cannot make the cells layer" + lastGdalError();
  const char* xName = britain ? "easting" : "lon";
  const char* yName = britain ? "northing" : "lat";
  bool ok = addField(l, "cell", OFTInteger) && addField(l, "location", OFTString) && addField(l, "score", OFTReal) &&
            addField(l, "class", OFTInteger) && addField(l, "colour", OFTString) && addField(l, "count", OFTInteger) &&
            addField(l, "in_set", OFTInteger) && addField(l, "step", OFTInteger) && addField(l, "seed", OFTInteger) &&
            addField(l, "status", OFTString) && addField(l, "times_chosen", OFTInteger) &&
            addField(l, xName, OFTReal) && addField(l, yName, OFTReal);
  if (!ok) return "cannot make the cells layer's fields" + lastGdalError();
  setMetadata(l, s, r);

  const int cells = lastCellNumber(s.ws);
  std::vector<int> step(static_cast<std::size_t>(cells) + 1, 0);
  for (int p = 0; p < s.areas.count(); ++p) {
    const int a = s.areas.cells[static_cast<std::size_t>(p)];
    if (a >= 1 && a <= cells && step[static_cast<std::size_t>(a)] == 0) step[static_cast<std::size_t>(a)] = p + 1;
  }
  const bool randomSets = s.map.measureCode == kCodeRandomSets;
  const bool statusMap = s.map.measureCode == kCodeNearMinimum || s.map.measureCode == kCodeNearMaximumCoverage ||
                         s.map.measureCode == kCodeFullyFlexible;
  const bool txn = w.format == GisFormat::GeoPackage && w.ds->StartTransaction() == OGRERR_NONE;
  OGRFeatureDefn* defn = l->GetLayerDefn();
  for (int n = 1; n <= cells; ++n) {
    const GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    OGRFeature f(defn);
    f.SetField("cell", n);
    f.SetField("location", utf8(trimmed(locationName(s, n))).c_str());
    f.SetField("score", c.score);
    f.SetField("class", c.classNumber);
    if (c.score != 0.0) {
      const Rgb rgb = palette.colour(c.fillColour);
      f.SetField("colour", strprintf("#%02x%02x%02x", rgb.r, rgb.g, rgb.b).c_str());
    }
    f.SetField("count", c.count);
    const int p = step[static_cast<std::size_t>(n)];
    f.SetField("in_set", p > 0 ? 1 : 0);
    if (p > 0) f.SetField("step", p);
    f.SetField("seed", p > 0 && p <= s.areas.seedCount ? 1 : 0);
    if (statusMap)
      if (const std::string st = cellStatus(s, n); !st.empty()) f.SetField("status", st.c_str());
    if (randomSets) f.SetField("times_chosen", c.count);
    if (britain) {
      f.SetField(xName, britainEasting(c) + 5000.0);
      f.SetField(yName, britainNorthing(c) + 5000.0);
    } else if (std::isfinite(c.lonWest) && std::isfinite(c.lonEast)) {
      f.SetField(xName, centroidLongitude(c));
      f.SetField(yName, centroidLatitude(c));
    }
    if (auto g = cellGeometry(s, c)) f.SetGeometryDirectly(g.release());
    if (l->CreateFeature(&f) != OGRERR_NONE) return "cannot write cell " + std::to_string(n) + lastGdalError();
    ++written;
  }
  if (txn && w.ds->CommitTransaction() != OGRERR_NONE) return "cannot write the cells" + lastGdalError();
  return {};
}

std::string writeTaxa(Writer& w, const Session& s, const GisExportRequest& r, int& written) {
  char** opts = w.format == GisFormat::GeoPackage
                    ? CSLSetNameValue(nullptr, "DESCRIPTION", utf8(s.map.dataTitle).c_str())
                    : nullptr;
  OGRLayer* l = w.ds->CreateLayer("taxa", nullptr, wkbNone, opts);
  CSLDestroy(opts);
  if (!l) return "cannot make the taxa layer" + lastGdalError();
  if (!(addField(l, "name", OFTString) && addField(l, "code", OFTString) && addField(l, "records", OFTInteger) &&
        addField(l, "in_set", OFTInteger)))
    return "cannot make the taxa layer's fields" + lastGdalError();
  if (w.format == GisFormat::GeoPackage) setMetadata(l, s, r);
  const int excluded = s.settings.excludedLevel;
  const int cells = lastCellNumber(s.ws);
  const bool txn = w.format == GisFormat::GeoPackage && w.ds->StartTransaction() == OGRERR_NONE;
  for (int t = 0; t < s.ws.taxaCount; ++t) {
    int represented = 0;
    for (int a : s.areas.cells)
      if (a >= 1 && a <= cells && s.ws.cards.level(t, a) > excluded) ++represented;
    OGRFeature f(l->GetLayerDefn());
    f.SetField("name", utf8(s.ws.cards.name(t)).c_str());
    f.SetField("code", utf8(s.ws.cards.codeText(t)).c_str());
    f.SetField("records", s.ws.cards.recordCount(t));
    f.SetField("in_set", represented);
    if (l->CreateFeature(&f) != OGRERR_NONE) return "cannot write taxon " + std::to_string(t + 1) + lastGdalError();
    ++written;
  }
  if (txn && w.ds->CommitTransaction() != OGRERR_NONE) return "cannot write the taxa" + lastGdalError();
  return {};
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
  if (std::string why = outputFolderProblem(request.out); !why.empty()) {
    res.error = why;
    return res;
  }
  if (!s.ws.datafile.opened || s.ws.cells.empty()) {
    res.error = "no datafile is open";
    return res;
  }
  ensureGdal();
  Writer cells;
  if (std::string e = create(cells, format, request.out); !e.empty()) {
    res.error = e;
    return res;
  }
  std::string e = writeCells(cells, s, palette, request, res.cellFeatures);
  Writer taxa;
  if (e.empty() && format == GisFormat::GeoPackage) e = writeTaxa(cells, s, request, res.taxonFeatures);
  if (e.empty() && format == GisFormat::Csv) {
    e = create(taxa, format, gisTaxaCsvPath(request.out));
    if (e.empty()) e = writeTaxa(taxa, s, request, res.taxonFeatures);
  }
  if (!e.empty()) {
    discard(cells);
    discard(taxa);
    res.error = e;
    return res;
  }
  if (format == GisFormat::Csv) {
    if (std::string t = finish(taxa); !t.empty()) {
      discard(cells);
      res.error = t;
      return res;
    }
    res.taxaFile = taxa.target;
  }
  if (std::string t = finish(cells); !t.empty()) {
    res.error = t;
    return res;
  }
  res.cellsFile = cells.target;
  if (format == GisFormat::GeoPackage) res.taxaFile = cells.target;
  return res;
}

}  // namespace zn
