// GBIF downloads written in GBIF's own column layout, for tests and
// benchmarks alike (nothing here needs a session).
#pragma once

#include <map>
#include <string>
#include <vector>

namespace zn::test {

// The columns of a GBIF "simple" download, in GBIF's order.
const std::vector<std::string>& gbifColumns();

// One GBIF row from named values; other columns stay empty.
std::string gbifRow(const std::map<std::string, std::string>& values, const std::string& end = "\n");
std::string gbifHeader(const std::string& end = "\n");

// One record of a species at a point, its genus the name's first word.
std::string gbifRecord(const std::string& species, const std::string& lat, const std::string& lon,
                       const std::string& basis = "HUMAN_OBSERVATION", const std::string& family = "Felidae",
                       const std::string& year = "");

}  // namespace zn::test
