// Who is present where in a datafile: the occurrence view of the dataset,
// built from the cards in one pass, so that the measures cost the number of
// records rather than taxa x cells. Cells are the dataset's units.
//
// Each direction holds its lists in whichever form is smaller: 32-bit
// numbers, or one bit row per list (taxa x cells bits in all), which dense
// data need to stay well under the card store's size.
#pragma once

#include <vector>

#include "store/analysisdata.h"
#include "store/dataset.h"
#include "store/workspace.h"

namespace zn {

using PresenceIndex = Occurrences;

// Built by buildPresenceIndex(ws, excludedLevel), or taken from the
// dataset a recount kept by presenceIndex(ws, excludedLevel) (store).

// 1 for each taxon present in at least one area of the set (areas outside
// 1 … units are ignored).
std::vector<char> representedTaxa(const PresenceIndex& index, const AreaSet& areas);

// 1 for each taxon a complementary measure counts: it passes the group-code
// test and is not represented in the area set.
std::vector<char> countedTaxa(const Workspace& ws, const PresenceIndex& index, const AreaSet& areas);

// The same over an analysis input: its occurrences, and its group for the
// counted taxa.
std::vector<char> representedTaxa(const AnalysisData& a, const AreaSet& areas);
std::vector<char> countedTaxa(const AnalysisData& a, const AreaSet& areas);

}  // namespace zn
