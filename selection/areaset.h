// The area set: the ordered list of selected cells with its seeds in front,
// the seed-areas file (.sed) and the counts every measure and selection
// makes relative to it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "store/notice.h"
#include "store/requests.h"
#include "store/workspace.h"

namespace zn {

constexpr int kAreaCapacity = 1100;

// Appends the cell unless it is already in the set or the set is full;
// true when it was added.
bool addArea(AreaSet& a, int cell);

// Removes the areas at the given positions (1 … count) and closes up the
// list; seeds among them lower the seed count.
void deleteAreas(AreaSet& a, const std::vector<int>& positions);

// "Clear list": empties the set, its seeds and the near-minimum flag (the
// map's scores are the caller's to clear).
void clearAreaSet(AreaSet& a);
// "Clear new": only the seeds stay.
void clearNewAreas(AreaSet& a);
// "Clear all": no areas (and so no seeds).
void clearAllAreas(AreaSet& a);

// True when the taxon has a record above the excluded level in at least one
// area of the set.
bool isRepresented(const Workspace& ws, int excludedLevel, const AreaSet& a, int taxon);

// Counts the cells holding an included taxon not yet represented (records
// above the excluded level), keeps the number in the area set and returns it.
int countCandidateCells(const Workspace& ws, int excludedLevel, AreaSet& a);

// The .sed text of the set: header, one cell number a line, "[end]".
std::string seedFileText(const AreaSet& a);

// Cells read from .sed text: the first line is skipped, tokens run to the
// first one beginning with '['; numbers outside 1 … cells, tokens that are
// not numbers and repeats are left out, and at most kAreaCapacity cells are taken.
std::vector<int> parseSeedFile(const std::string& text, int cells);

// Saving and loading at a given path. Load replaces the set by the file's
// cells of 1 … cells (seeds none); a file that cannot be read leaves the set
// and returns "Can't open file" in `refusal`.
bool saveSeedFile(const AreaSet& a, const std::filesystem::path& path);
bool loadSeedFile(AreaSet& a, int cells, const std::filesystem::path& path, std::optional<Notice>& refusal);

// The file dialog's request for a seed-areas file, opening in `dir`.
FileRequest seedRequest(const std::filesystem::path& dir, const char* title, bool mustExist);

}  // namespace zn
