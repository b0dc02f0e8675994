// The datafile: choosing, checking, loading and reporting it, and the
// "Open datafile" command that ties them together.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "store/dataset.h"
#include "store/session.h"

namespace zn {

// What the format check says of a file offered as a datafile: good, refused
// (the notice says why) or doubtful (the notice asks whether to open it
// anyway; Yes goes on with it).
struct DatafileCheck {
  enum Verdict { Good, Refused, Doubtful };
  Verdict verdict = Good;
  Notice notice;
};

DatafileCheck checkDatafile(const Session& s, const std::filesystem::path& path);

// The "Open datafile" file request: filters, the current file, its folder.
FileRequest datafileRequest(const Session& s);

// Path rules for a chosen datafile; true when it is not the one already
// open (subdirectory, file name and path are then set).
bool takeChosenDatafile(DatafileState& df, const std::filesystem::path& chosen);

// Card store for `requested` cards with the shrink-on-shortage rule. False
// only after the fatal message (the session then ends).
bool allocateCardStore(Session& s, int requested);

// Reads the datafile at the session's full path; false when it cannot be read.
// *cardsHeld, when given, gets the number of whole cards the file held.
bool loadDatafile(Session& s, int* cardsHeld = nullptr);

// Loads the grid type named by the session's data subdirectory.
bool loadGridType(Session& s);
// The world grid's way: the grid type of the map-definition file whose
// folder the data lie in, with its background classes and neighbourhoods.
bool loadWorldGridType(Session& s);

// Loads the datafile at the session's path, sets the opened flag (and
// richness as the measure when it opened) and recounts; true when opened.
// A file shorter than its header's taxa count opens with a warning.
bool loadAndRecount(Session& s);

// The "Open datafile" command after the file was taken: grid type, load,
// recount and report, notices left in the session; true when it opened.
bool openChosenDatafile(Session& s);

// Runs the rescale once per loaded quantitative datafile; true when it ran.
bool standardiseQuantitative(Session& s);

// The cards as the datafile holds them: units are the grid's cells, taxa
// the cards (names and codes), and every non-zero level an occurrence with
// the level as its amount.
std::shared_ptr<const Dataset> datasetOfDatafile(const Workspace& ws);
// The same occurrences for `units` alone (others hold none): what a report
// on a set reads, without every record of a large datafile copied.
std::shared_ptr<const Occurrences> datafileRecordsIn(const Workspace& ws, const std::vector<int>& units);

// The datafile image of a dataset through the grid's card codec: header
// (taxa count and title), then one card per taxon with its name, code and
// levels (amounts rounded into -128 … 127, 1 where the dataset has none, no
// level for an amount that is not a number); every other byte of a card is
// zero, as the run-time fields are rebuilt on loading. Units past the
// codec's cells and taxa past its header's count are not written.
std::string encodeDatafile(const Dataset& d, const GridSystem& grid, const std::string& title);

// The image of the cards in memory, written from their dataset.
std::string encodeDatafile(const Session& s, const std::string& title);

// Writes the datafile through a temporary file so a failed write never
// destroys the old one; false on failure.
bool saveDatafile(const Session& s, const std::filesystem::path& path, const std::string& title);

// Takes the data subdirectory (lower case, with the trailing backslash),
// the file name (lower case) and the full path from a chosen path.
void setDatafilePath(DatafileState& df, const std::filesystem::path& chosen);

// The taxa count of a datafile header (16-bit, or four ASCII characters on
// the Britain grid); nullopt when the header is too short.
std::optional<int> headerCount(const Session& s, const unsigned char* p, std::size_t size);

// Parses the bytes of a datafile into the session's card store; used by the
// loader and by the fuzzing target.
bool readDatafileBytes(Session& s, const std::string& data);

}  // namespace zn
