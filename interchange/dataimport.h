// Data import: another tool's species list or data matrix turned into a new
// datafile on the current grid, with the records that fit no cell set aside
// in the lost-records file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "store/notice.h"
#include "store/requests.h"
#include "store/workspace.h"

namespace zn {

struct Session;

enum ImportLayout {
  kImportQuoted = 1,         // "Genus","species","cell#"
  kImportComma = 2,          // Genus,species,cell#
  kImportGroup = 3,          // Genus,species,group#
  kImportTnc = 4,            // TNC (NWPS on the Britain grid)
  kImportDmap = 5,           // DMAP distribution file
  kImportLatLong = 6,        // Genus_species lat long
  kImportQuotedLatLong = 7,  // "Genus","species",lat,long
  kImportRecords = 8,        // "Name",code,record,x,y
  kImportMatrix = 9,         // quantitative matrix with a names file
};

constexpr int kImportMaxTaxa = 3000;
// The largest input file (and names file) an import reads.
constexpr std::size_t kImportInputMax = std::size_t(1) << 28;

// The "Import data" dialog: nine radio buttons 7008 ... 7016 for the
// layouts; the Britain grid offers neither the coordinate layouts 6 to 8.
struct ImportDialogModel : DialogModel {
  bool britain = false;
  int layout = kImportQuoted;

  // The resource name: DIMDDLGBOX1 on the world grid, DIMDDLGBOX on Britain.
  std::string resource() const { return britain ? "DIMDDLGBOX" : "DIMDDLGBOX1"; }
  // Layouts the dialog shows, in order.
  std::vector<int> layouts() const;
  // Label and example line of a layout's button ("" when it has none).
  std::pair<std::string, std::string> label(int layout) const;
  // Choosing a button the dialog does not show keeps the current layout.
  void choose(int layout);
};

// Everything the readers need besides the input text.
struct ImportInput {
  int layout = kImportQuoted;
  std::string text;                     // the input file
  std::string inputName;                // its file name, for the title
  std::optional<std::string> names;     // layouts 5 and 9: the ".nam" file beside the input
  std::optional<std::string> namesBin;  // layout 9: NAMES.BIN of the data folder
  // On the Britain grid areas are given by their four-character 10 km
  // references (numbers are still taken); unknown ones go to the lost records.
  bool britain = false;
};

// The converted data, still apart from the session's cards.
struct ImportedData {
  std::string title;                             // "Data from %s", "*" in front for quantities
  std::vector<std::string> cardHeads;            // 64 bytes each: name field and code field
  std::vector<std::vector<std::int8_t>> levels;  // per taxon, index = cell (0 unused)
  long records = 0;
  int lost = 0;
  std::string lostText;  // the lost-records file
  bool quantitative = false;
  Notices notices;  // the taxa limit, the matrix's column check
};

// Reads the input by its layout into taxa and levels, with the notices of
// the reading.
ImportedData convertImport(const ImportInput& in, const Workspace& ws);

// Puts converted data into the session's card store (the taxa count with
// it) and returns the datafile image; empty when the store could not be had.
// The card store is the session's to allocate (its memory budget, and the
// fatal end when even the smallest store cannot be had), so this replaces
// the cards of the whole session: the new datafile's grid is loaded first.
std::string importedDatafileImage(Session& s, const ImportedData& d);

// True when a path names a file in a grid folder of the program folder,
// the only place a new datafile may go.
bool insideProgramFolder(const Session& s, const std::filesystem::path& p);

// The import after the dialog, in the order the shell meets it: nothing to
// do without a grid or with an unknown layout; a layout this grid cannot
// read is refused with a notice to show.
bool importPossible(const Session& s, int layout);
std::optional<Notice> importRefusal(const Session& s, int layout);
// The input file request and the reading of the chosen input (with the
// names file beside it); nullopt with a notice when it cannot be read.
FileRequest importInputRequest(const Session& s, int layout);
std::optional<ImportInput> readImportInput(const Session& s, Notices& notices, int layout,
                                           const std::filesystem::path& input);
// The output file request (asked again until insideProgramFolder).
FileRequest importTargetRequest(const Session& s);

}  // namespace zn
