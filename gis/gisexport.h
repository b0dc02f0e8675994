// The map on screen and the area set written for GIS programs: one feature
// per grid cell (lon/lat rectangles on the world grid, British National Grid
// squares on the Britain grid) with its score, class, colour and place in the
// set, and the taxa with their representation in the set. GeoPackage (two
// layers), GeoJSON (the cells) or CSV (two files, with centroids and WKT).
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "display/palette.h"
#include "gis/project.h"
#include "selection/searchrun.h"
#include "store/session.h"

namespace zn {

enum class GisFormat { GeoPackage, GeoJson, Csv };

struct GisExportRequest {
  std::filesystem::path out;
  std::string analysis;  // the analysis line the status bar shows, kept as metadata
  // Asked before a file of another kind at the output is replaced; false
  // keeps it. Without it the file is replaced.
  std::function<bool(const std::string& question)> mayReplace;
};

struct GisExportResult {
  std::string error;                          // empty when written
  bool declined = false;                      // the user kept the file that was there
  std::filesystem::path cellsFile, taxaFile;  // taxaFile empty for GeoJSON
  int cellFeatures = 0, taxonFeatures = 0;
  bool ok() const { return error.empty() && !declined; }
};

// The format an output name asks for; false for an unknown extension.
bool gisFormatOf(const std::filesystem::path& out, GisFormat& format);

// The CSV file of the taxa beside the cells file: "x.csv" -> "x_taxa.csv".
std::filesystem::path gisTaxaCsvPath(const std::filesystem::path& cellsCsv);

// Writes the session's map as it stands (scores classed with the palette),
// the grid type's cells only, through temporary files renamed into place (a
// link at the output is written through); an old file is kept when the
// write fails. GeoJSON is always WGS 84 longitude and latitude.
GisExportResult exportMapToGis(const Session& s, const Palette& palette, const GisExportRequest& request);

struct UnitResult {
  std::string title;  // the layer's description
  std::vector<UnitColumn> columns;
};

// The project's own outlines, one feature per unit with unit_id, name and
// the result's fields, as a new file of the output's kind, written as the
// map export writes (temporary file renamed into place). Empty when
// written, else why not.
std::string exportUnitResult(const Project& project, const UnitResult& result, const std::filesystem::path& out);

// The same as a layer inside the project's own GeoPackage, beside its units,
// added (or replacing a result layer of that name) in one transaction, so a
// failed or killed write leaves the file as it was. The project's own
// tables are never replaced. Empty when written, else why not.
std::string addUnitResultLayer(const Project& project, const UnitResult& result,
                               const std::filesystem::path& projectFile, const std::string& layer);

}  // namespace zn
