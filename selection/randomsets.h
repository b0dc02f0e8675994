// Random area sets: how well randomly chosen areas would represent the
// taxa, over 1000 simulations, so that a chosen set can be judged against
// chance.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "selection/report.h"
#include "store/notice.h"
#include "store/session.h"

namespace zn {

struct RandomSetsOutcome {
  bool ran = false;
  bool simulated = false;         // false with fewer than 3 candidate cells
  bool outOfMemory = false;       // the simulation table could not be had
  std::optional<Notice> refusal;  // what the caller shows when out of memory
  RandomSetStats stats;
  float seconds = 0.0f;
  std::string results;  // the report (empty when nothing was simulated)
};

// "Random set selection" after its dialog: code 23; the current areas
// become seeds; `areas` random areas (lowered to the candidate cells) are
// drawn 1000 times; each cell's score and count become the number of times
// it was chosen; the report follows. `seed` replaces the time of day.
RandomSetsOutcome runRandomSets(Session& s, int areas, std::optional<std::uint32_t> seed = std::nullopt);

}  // namespace zn
