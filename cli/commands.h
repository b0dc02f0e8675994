// The zonarium command line, callable from tests with its own streams.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "store/session.h"

namespace zn {

// Runs one zonarium invocation; returns the process exit status.
int runZonarium(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The `info` lines for an opened datafile.
std::string formatInfo(const Session& s);

}  // namespace zn
