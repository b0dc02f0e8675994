#include <gtest/gtest.h>

#include "shell/data_dialogue.h"
#include "store/datafile.h"
#include "tests/support/data_session.h"
#include "tests/support/file_limit.h"

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
  EXPECT_EQ(s.ws.datafile.subdir, "equal\\");
  EXPECT_EQ(s.ws.datafile.fileName, "birds.dat");
  EXPECT_FALSE(s.ws.datafile.quantitative);
  EXPECT_EQ(s.ws.datafile.levels, 4);
  EXPECT_EQ(s.ws.capacity, 53);
  EXPECT_EQ(s.ws.counters.records, 4);
  EXPECT_EQ(s.map.code(), 1);
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

TEST_F(OpenDatafile, CountBeyondTheFileOrACutCardLeavesMissingCardsEmptyAndSaysSo) {
  fs::path p = put("equal/short.dat", test::datafileImage("short", threeTaxa(), 1000));
  ASSERT_TRUE(open(p));
  EXPECT_EQ(s.ws.taxaCount, 1000);
  EXPECT_EQ(s.ws.counters.records, 4);
  EXPECT_EQ(s.ws.cards.name(999), "");
  EXPECT_EQ(host.messageLines(), std::vector<std::string>{"Open datafile: file holds 3 of 1000 taxa"});
  EXPECT_EQ(host.messages[0].icon, Icon::Warning);
  // The largest count the header can hold over three cards.
  host.messages.clear();
  p = put("equal/huge.dat", test::datafileImage("huge", threeTaxa(), 32767));
  ASSERT_TRUE(open(p));
  EXPECT_EQ(host.messageLines(), std::vector<std::string>{"Open datafile: file holds 3 of 32767 taxa"});
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

}  // namespace
}  // namespace zn
