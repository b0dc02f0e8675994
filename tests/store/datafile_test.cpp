// Opening datafiles as the menu does, and the shipped program folder: every
// sample datafile opens with the counters of its source and writes back byte
// for byte. (The land cells of "equal" against the coastline:
// project_test.cpp, which has GEOS.)
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "shell/data_dialogue.h"
#include "store/datafile.h"
#include "store/files.h"
#include "tests/support/data_session.h"
#include "tests/support/file_limit.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn {
namespace {

namespace fs = std::filesystem;
using test::TaxonSpec;

std::vector<TaxonSpec> threeTaxa() {
  return {{"Alpha", "11", {{40, 1}, {41, 1}}}, {"Beta", "12", {{41, 1}}}, {"Gamma", "2", {{50, 2}}}};
}

// Opening as the menu does, the file chosen in the dialog.
class OpenDatafile : public test::DataSession {
 protected:
  bool open(const fs::path& p) {
    host.openFiles.push_back(p);
    return openDatafile(s, host);
  }
};

TEST_F(OpenDatafile, PresenceDataOpensSilentlyAndOnlyALeadingAsteriskMeansQuantitative) {
  fs::path p = put("equal/birds.dat", test::datafileImage("Birds of somewhere", threeTaxa()));
  ASSERT_TRUE(open(p));
  EXPECT_TRUE(host.messages.empty()) << host.messageLines().front();
  EXPECT_EQ(s.ws.datafile.title, "Birds of somewhere");
  EXPECT_FALSE(s.ws.datafile.quantitative);
  EXPECT_EQ(std::tuple(s.ws.datafile.levels, s.ws.capacity, s.ws.counters.records, s.map.code()),
            std::tuple(4, 53, 4, 1));
  EXPECT_EQ(s.coastApplies, CoastOutline::kWorld);
  EXPECT_EQ(s.ws.cells[1].background, 0);  // the top row is sea in "equal"
  EXPECT_EQ(s.ws.cells[37].background, 1);
  ASSERT_EQ(host.openRequests.size(), 1u);
  EXPECT_EQ(host.busyDepth, 0);
  // The location-name file was created with blank records.
  std::string loc = test::readFile(home / "equal" / "ZONARIUM.LOC");
  ASSERT_EQ(loc.size(), 864u * 20);
  EXPECT_EQ(loc.substr(0, 20), std::string(17, ' ') + std::string("\0<\r", 3));
  // The title keeps 31 characters; only a leading asterisk means quantitative.
  const std::string title32 = "abcdefghijklmnopqrstuvwxyz012345";
  ASSERT_TRUE(open(put("equal/t.dat", test::datafileImage(title32, threeTaxa()))));
  EXPECT_EQ(s.ws.datafile.title, title32.substr(0, 31));
  fs::path q = put("equal/counts.dat", test::datafileImage("*Tree counts", threeTaxa()));
  ASSERT_TRUE(open(q));
  ASSERT_EQ(host.messageLines(), std::vector<std::string>{"File: " + q.string() + ": Data in quantitative mode"});
  EXPECT_EQ(s.ws.datafile.levels, 100);
  EXPECT_EQ(host.messages[0].icon, Icon::Information);

  p = put("equal/star.dat", test::datafileImage("Tree * counts", threeTaxa()));
  ASSERT_TRUE(open(p));
  EXPECT_FALSE(s.ws.datafile.quantitative);
  EXPECT_EQ(host.messages.size(), 1u);
}

// (An empty file, a negative count and an unknown grid type folder, each
// with its whole message: info.case.)
TEST_F(OpenDatafile, UnexpectedFormatAnsweredNoShowsTheDialogAgain) {
  auto taxa = threeTaxa();
  taxa[0].code = std::string(31, '7');
  fs::path p = put("equal/odd.dat", test::datafileImage("odd", taxa));
  host.answers.push_back(Answer::No);
  EXPECT_FALSE(open(p));
  EXPECT_EQ(host.openRequests.size(), 2u);
  EXPECT_EQ(host.messageLines().back(), "Data file not found: Use 'New datafile' to create a new file");
  // Yes opens it.
  host.answers.push_back(Answer::Yes);
  EXPECT_TRUE(open(p));
}

TEST_F(OpenDatafile, FileOutsideTheProgramFolderIsReadFromWhereItWasChosen) {
  put("equal/same.dat", test::datafileImage("inside", threeTaxa()));
  fs::path outside = tmp.path() / "elsewhere" / "Equal" / "Same.dat";
  auto taxa = threeTaxa();
  taxa.push_back({"Delta", "3", {{60, 1}, {61, 1}, {62, 1}}});
  test::writeFile(outside, test::datafileImage("outside", taxa));
  ASSERT_TRUE(open(outside));
  EXPECT_EQ(s.ws.datafile.title, "outside");
  EXPECT_EQ(s.ws.taxaCount, 4);
  EXPECT_EQ(s.ws.datafile.subdir, "equal\\");
  EXPECT_EQ(s.ws.datafile.fileName, "same.dat");
}

TEST_F(OpenDatafile, ReopeningTheOpenFileOrCancellingChangesNothing) {
  fs::path p = put("equal/birds.dat", test::datafileImage("Birds", threeTaxa()));
  ASSERT_TRUE(open(p));
  s.areas.cells = {41};
  s.ws.groupCode = "1";
  EXPECT_FALSE(open(p));
  EXPECT_EQ(s.areas.cells, std::vector<int>{41});
  EXPECT_EQ(s.ws.groupCode, "1");
  EXPECT_TRUE(s.ws.datafile.opened);
  host.openFiles.push_back(std::nullopt);
  EXPECT_FALSE(openDatafile(s, host));
  EXPECT_TRUE(s.ws.datafile.opened);
  EXPECT_EQ(s.ws.datafile.title, "Birds");
  EXPECT_EQ(host.messages.back().caption, "Data file not found");
}

// (A count of 1000 over three cards: info.case.)
TEST_F(OpenDatafile, CountBeyondTheFileOrACutCardLeavesMissingCardsEmptyAndSaysSo) {
  // The largest count the header can hold over three cards.
  fs::path p = put("equal/huge.dat", test::datafileImage("huge", threeTaxa(), 32767));
  ASSERT_TRUE(open(p));
  EXPECT_EQ(s.ws.counters.records, 4);
  EXPECT_EQ(s.ws.cards.name(999), "");
  EXPECT_EQ(host.messageLines(), std::vector<std::string>{"Open datafile: file holds 3 of 32767 taxa"});
  EXPECT_EQ(host.messages[0].icon, Icon::Warning);
  // A card cut short still reads its first bytes.
  host.messages.clear();
  std::string image = test::datafileImage("cut", threeTaxa());
  image.resize(34 + 1024 * 2 + 100);  // the third card stops after its code
  p = put("equal/cut.dat", image);
  ASSERT_TRUE(open(p));
  EXPECT_EQ(s.ws.cards.name(2), "Gamma");
  EXPECT_EQ(s.ws.counters.records, 3);
  EXPECT_EQ(host.messageLines(), std::vector<std::string>{"Open datafile: file holds 2 of 3 taxa"});
}

// A coastline file missing, empty or without its counts is not read, and
// the load of a datafile says so after it.
TEST_F(OpenDatafile, MissingOrShortCoastlineIsReportedAfterTheLoad) {
  for (const char* bytes : {static_cast<const char*>(nullptr), "", "abc"}) {
    if (bytes) test::writeFile(home / "ZONARIUM.@17", bytes);
    else fs::remove(home / "ZONARIUM.@17");
    SCOPED_TRACE(bytes ? std::to_string(std::string(bytes).size()) + " bytes" : "missing");
    test::ScriptedHost h;
    Session fresh{h, home};
    ASSERT_TRUE(startSession(fresh));
    EXPECT_FALSE(fresh.coastlineRead);
    h.openFiles.push_back(put("equal/b.dat", test::datafileImage("b", threeTaxa())));
    ASSERT_TRUE(openDatafile(fresh, h));
    EXPECT_EQ(h.messageLines(),
              std::vector<std::string>{"File: " + fresh.coastFile().string() + ": Coastline data not read"});
    EXPECT_EQ(fresh.coastApplies, CoastOutline::kNone);
  }
}

// A shortage shrinks the card store with a warning; no room for even four
// cards is fatal.
TEST_F(OpenDatafile, ShortageShrinksTheCardStoreAndNoRoomForFourCardsIsFatal) {
  std::vector<TaxonSpec> many;
  for (int i = 0; i < 200; ++i) many.push_back({"T" + std::to_string(i), "1", {{1 + i % 800, 1}}});
  fs::path p = put("equal/many.dat", test::datafileImage("many", many));
  s.memory.limitBytes = s.coreBytes() - s.ws.cards.byteSize() + 100 * 1024;
  ASSERT_TRUE(open(p));
  EXPECT_EQ(s.ws.capacity, 98);
  EXPECT_EQ(s.ws.taxaCount, 97);
  ASSERT_FALSE(host.messages.empty());
  EXPECT_EQ(host.messageLines()[0],
            "Loading database to RAM: Insufficient free memory:\nspace allocated for only\n98 of 250 taxa");
  EXPECT_EQ(s.ws.counters.records, 97);
  p = put("equal/b.dat", test::datafileImage("b", threeTaxa()));
  s.memory.limitBytes = s.coreBytes() - s.ws.cards.byteSize() + 3 * 1024;
  EXPECT_FALSE(open(p));
  EXPECT_TRUE(s.fatal);
  EXPECT_EQ(host.messages.back().caption, "BANG!!");
  EXPECT_EQ(host.messages.back().text, "failure to find memory for RAM database");
  EXPECT_EQ(host.messages.back().icon, Icon::Error);
}

TEST_F(OpenDatafile, SavedDatafileReopensWithTheSameCardsAndAFailedSaveKeepsTheOld) {
  fs::path p = put("equal/birds.dat", test::datafileImage("Birds of somewhere", threeTaxa()));
  ASSERT_TRUE(open(p));
  s.ws.cards.setLevel(2, 51, 3);
  fs::path copy = home / "equal" / "copy.dat";
  ASSERT_TRUE(saveDatafile(s, copy, "Copied birds"));
  // Only the header differs from the original until the edit.
  std::string saved = test::readFile(copy);
  ASSERT_EQ(saved.size(), 34u + 3 * 1024);
  EXPECT_EQ(static_cast<unsigned char>(saved[34 + 2 * 1024 + 66 + 51]), 3);
  ASSERT_TRUE(open(copy));
  EXPECT_EQ(s.ws.datafile.title, "Copied birds");
  EXPECT_EQ(s.ws.cards.name(1), "Beta");
  EXPECT_EQ(s.ws.counters.records, 5);
  // A save the disk cannot hold keeps the old file.
  const std::string before = test::readFile(p);
  {
    test::FileSizeLimit full(1000);  // the disk fills up during the write
    EXPECT_FALSE(saveDatafile(s, p, "Changed"));
  }
  EXPECT_EQ(test::readFile(p), before);
}

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
  for (const GridType& t : types.types) {
    std::string sub(reinterpret_cast<const char*>(t.subdir.data()));
    fs::path loc = kSource / "programdata" / sub / "ZONARIUM.LOC";
    ASSERT_TRUE(fs::exists(loc)) << sub;
    EXPECT_EQ(fs::file_size(loc), 864u * 20) << sub;
  }
}

}  // namespace
}  // namespace zn
