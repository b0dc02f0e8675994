// The problem an open datafile poses, in planning-unit form: the occupied
// cells are the units (the areas of the set locked in, each at its cost when costs are
// loaded, else 1), the included taxa present somewhere are the features, each
// record an amount of 1 and each target the goal, or the range where that is
// smaller. Written out, it is a folder the planning tools read.
#pragma once

#include <filesystem>
#include <string>

#include "planning/problem.h"
#include "store/session.h"

namespace zn::planning {

Problem problemFromSession(const Session& s);

// DIR/input.dat and DIR/input/pu.dat, spec.dat, puvspr.dat (and bound.dat
// where there are boundaries); each file whole or not at all. False with
// the message when a file cannot be written. `source` names what the
// folder was made from in input.dat's first line.
bool writeFolder(const Problem& p, const std::string& title, const std::filesystem::path& dir, std::string& error,
                 const std::string& source = "datafile");

}  // namespace zn::planning
