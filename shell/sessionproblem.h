// The problem an open datafile poses, in planning-unit form: the occupied
// cells are the units (the areas of the set locked in, each at its cost
// when costs are loaded, else 1), the included taxa present somewhere are
// the features, each record an amount of 1 and each target the goal, or the
// range where that is smaller. Written out (planning/folder.h), it is a
// folder the planning tools read.
#pragma once

#include "planning/problem.h"
#include "store/session.h"

namespace zn {

planning::Problem problemFromSession(const Session& s);

}  // namespace zn
