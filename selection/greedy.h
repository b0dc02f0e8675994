// The greedy area set: grow the set by the area holding the most richness,
// or range-size rarity, of the taxa not yet represented often enough; reject
// redundant areas from the end; re-order; score the areas by position.
#pragma once

#include <string>
#include <vector>

#include "store/session.h"

namespace zn {

struct GreedyOptions {
  bool byRarity = false;  // greedy range-size rarity, else richness
  int goal = 1;           // representations wanted per taxon (at least 1)
  bool rejectRedundant = false;
  bool includeSeeds = false;  // off: the areas already in the set are seeds
  RarityFormula rarityFormula = RarityFormula::kDifference;
  bool byCost = false;  // divide every value by the area's cost
};

// The options as the settings record holds them; cost optimisation only
// with cost data present.
GreedyOptions greedyOptions(const Session& s);

struct GreedyResult {
  int seedCount = 0;
  int added = 0;          // areas the run added and kept (area count - seed count)
  int rejected = 0;       // areas removed as redundant
  int represented = 0;    // included taxa present in at least one area
  std::vector<int> ties;  // tied cells at each step of the growing loop
  float seconds = 0.0f;
  std::string results;  // the representation report (runGreedySet only)
};

// The run itself on the session's area set: the cells' scores and counts,
// the seed count, the cards' representation counts. Nothing is done without
// an open datafile. Shows the progress bar through the session's progress.
GreedyResult growGreedySet(Session& s, const GreedyOptions& o);

// The menu command as far as computation and report go: code 7, the run
// with the settings' options, scores present with the data title, and the
// representation report in `results` for the caller to append to RESULTS.
// The redraw is the caller's.
GreedyResult runGreedySet(Session& s);

}  // namespace zn
