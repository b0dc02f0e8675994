// The shipped program folder: every sample datafile opens with the counters
// of its source and writes back byte for byte. (The land cells of "equal"
// against the coastline: projectmap_test.cpp, which has GEOS.)
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "shell/data_dialogue.h"
#include "store/datafile.h"
#include "store/files.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = ZN_SOURCE_DIR;

// The rows of a table of the test data after its header, split at commas.
std::vector<std::vector<std::string>> csvRows(const char* name) {
  std::ifstream in(kSource / "tests" / "data" / name);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::stringstream fields(line);
    rows.emplace_back();
    for (std::string f; std::getline(fields, f, ',');) rows.back().push_back(f);
  }
  return rows;
}

struct Expected {
  std::string path;
  int taxa, records, occupied, cells = 0;  // the master grid's cells, for Britain
};

std::vector<Expected> expectedSamples() {
  std::vector<Expected> out;
  for (const char* table : {"shipped_samples.csv", "shipped_britain.csv"})
    for (const auto& r : csvRows(table))
      out.push_back(
          {r.at(0), std::stoi(r.at(1)), std::stoi(r.at(2)), std::stoi(r.at(3)), r.size() > 4 ? std::stoi(r.at(4)) : 0});
  return out;
}

// The Britain butterflies open on the master grid, the others on their grid
// types of the world grid.
TEST(ShippedSamples, EveryDatafileOpensWithItsSourceCounters) {
  test::TempDir tmp;
  fs::path home = tmp.path() / "ZONARIUM";
  ASSERT_TRUE(populateProgramFolder(home, kSource / "programdata"));
  auto samples = expectedSamples();
  ASSERT_GE(samples.size(), 5u);
  ASSERT_GT(samples.back().cells, 0);
  for (const Expected& e : samples) {
    const bool britain = e.cells > 0;
    test::ScriptedHost host;
    Session s(host, home, britain ? GridVariant::Britain : GridVariant::World);
    ASSERT_TRUE(startSession(s));
    EXPECT_TRUE(s.coastlineRead);
    if (britain) {
      EXPECT_EQ(s.ws.geo.cells, e.cells);
      EXPECT_EQ(s.coastApplies, CoastOutline::kBritain);
      EXPECT_EQ(std::string(s.ws.cells[1].name.data()).substr(0, 4), "HP51");
    }
    host.openFiles.push_back(home / e.path);
    ASSERT_TRUE(openDatafile(s, host)) << e.path;
    EXPECT_EQ(s.ws.taxaCount, e.taxa) << e.path;
    EXPECT_EQ(s.ws.counters.records, e.records) << e.path;
    EXPECT_EQ(s.ws.counters.occupiedCells, e.occupied) << e.path;
    if (britain) {
      EXPECT_EQ(s.ws.datafile.levels, 2);
    }
    EXPECT_TRUE(s.subgroupDataPresent) << e.path << ": codes give tree data";
    EXPECT_GT(s.ws.counters.codeTreeLength, 1.0) << e.path;
    EXPECT_FALSE(s.ws.datafile.title.empty());
    // Only the quantitative sample says anything when it opens.
    for (const auto& m : host.messages) EXPECT_EQ(m.text, "Data in quantitative mode") << e.path;
    EXPECT_EQ(s.ws.datafile.quantitative, !host.messages.empty()) << e.path;
    // Written back from the dataset it was read into, the file is unchanged.
    EXPECT_TRUE(encodeDatafile(*datasetOfDatafile(s.ws), s.grid(), s.ws.datafile.title) ==
                test::readFile(home / e.path))
        << e.path;
  }
}

TEST(ShippedSamples, EveryGridTypeHasItsFolderAndNames) {
  GridTypes types;
  ASSERT_TRUE(readMapDefinitions(types, kSource / "programdata" / "ZONARIUM.MAP"));
  ASSERT_GE(types.types.size(), 2u);
  EXPECT_EQ(findGridType(types, "equal\\"), 0);
  EXPECT_EQ(findGridType(types, "ravelund\\"), 1);
  for (const GridType& t : types.types) {
    std::string sub(reinterpret_cast<const char*>(t.subdir.data()));
    fs::path loc = kSource / "programdata" / sub / "ZONARIUM.LOC";
    ASSERT_TRUE(fs::exists(loc)) << sub;
    EXPECT_EQ(fs::file_size(loc), 864u * 20) << sub;
  }
}

}  // namespace
}  // namespace zn
