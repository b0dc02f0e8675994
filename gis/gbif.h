// GBIF occurrence downloads turned into a datafile: the "simple" tab-separated
// download (plain or zipped) or a Darwin Core Archive, read through GDAL's
// virtual file system, each record put into the grid cell holding its point.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "store/requests.h"
#include "store/session.h"

namespace zn {

enum class GbifRank { Species, Genus, Family };

// basisOfRecord values left out unless the basis filter names them: fossils
// and zoo or garden organisms are no wild presences.
inline constexpr const char* kBasisLeftOut[] = {"FOSSIL_SPECIMEN", "LIVING_SPECIMEN"};

struct GbifImportOptions {
  std::filesystem::path input;               // .csv/.txt, or the .zip GBIF delivers
  std::filesystem::path output;              // the new datafile, in a grid folder of the program folder
  std::optional<double> maxUncertainty;      // metres
  std::vector<std::string> basis;            // basisOfRecord values kept; empty: all but kBasisLeftOut
  std::optional<std::pair<int, int>> years;  // first and last year kept
  GbifRank rank = GbifRank::Species;
  bool quantitative = false;  // record counts rescaled to 1 ... 100 instead of presence
};

struct GbifImportResult {
  std::string error;     // empty when the datafile was written
  long rows = 0;         // data rows read
  long placed = 0;       // rows that went into a cell
  long lost = 0;         // rows in the lost-records file
  long cellRecords = 0;  // distinct taxon-cell records in the datafile
  int taxa = 0;
  bool basisByDefault = false;        // kBasisLeftOut applied
  long leftOutByDefault = 0;          // rows it left out
  std::vector<std::string> vanished;  // taxa that had rows but lost every one
  std::filesystem::path lostFile, effortFile;
  bool ok() const { return error.empty(); }
};

// The most taxa a datafile of the session's grid holds.
int gbifTaxaLimit(GridVariant v);

// The title of the window's request for the new datafile, and of the
// question before an output is replaced.
inline constexpr const char* kGbifSaveTitle = "Write imported GBIF data";

// The files an import writes beside each other: the datafile and its
// records-per-cell scores file (.scr). LOSTDAT.TXT in the program folder is
// replaced by every import that reads its input through.
std::vector<std::filesystem::path> gbifOutputs(const GbifImportOptions& o);

// Why the import's outputs cannot be written where asked (outside a grid
// folder, a file of the program's own, a link that leads nowhere, not a
// plain file); empty when they can.
std::string gbifOutputProblem(const Session& s, const GbifImportOptions& o);

// Reads the download and writes the lost-records file (LOSTDAT.TXT in the
// program folder), the records-per-cell scores file beside the datafile
// and the datafile itself: all are staged under temporary names and put in
// place together, so a failed write leaves the old files as they were. When
// every row is lost only the lost-records file is written. The session's
// grid type is loaded for the output's folder; its cards are replaced.
// Nothing is written when the input cannot be used.
GbifImportResult importGbif(Session& s, const GbifImportOptions& o);

// The summary line the command and the window show after an import.
std::string gbifSummary(const GbifImportResult& r);

struct Project;
struct AddSummary;
// Adds the records of a download (`o.input`) to a project through the
// import's filters, each at its point on the project's units; with
// `o.quantitative` the records of a taxon in a unit are counted as its
// amount. False, with the reason, when the input cannot be used.
bool addGbifToProject(Project& p, const GbifImportOptions& o, AddSummary& summary, std::string& error);

// Parses "A-B" into years; nullopt for anything else.
std::optional<std::pair<int, int>> parseYearRange(const std::string& text);

// The import's filters as typed in the "Import GBIF occurrences" dialog or
// given as the tool's flags; an empty text is no filter.
struct GbifDialogModel : DialogModel {
  std::string maxUncertainty;    // metres
  std::string basis;             // basisOfRecord values, comma-separated
  std::string years;             // "A-B"
  std::string rank = "species";  // species, genus or family
  bool quantitative = false;
};

// Puts the model's filters into the options; empty, or the message that
// names the value it cannot take.
std::string applyGbifFilters(const GbifDialogModel& m, GbifImportOptions& o);

}  // namespace zn
