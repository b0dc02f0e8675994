#include <gtest/gtest.h>

#include <cstring>

#include "shell/data_dialogue.h"
#include "shell/data_editing.h"
#include "store/binio.h"
#include "store/editor.h"
#include "store/files.h"
#include "store/text.h"
#include "store/utilities.h"
#include "tests/support/data_session.h"
#include "tests/support/file_limit.h"

namespace zn {
namespace {

namespace fs = std::filesystem;
using test::fiveTaxa;
using test::padded;
using test::TaxonSpec;

class Editor : public test::DataSession {
 protected:
  fs::path file;
  void openEditing(const std::vector<test::TaxonSpec>& taxa = fiveTaxa()) {
    file = open(taxa);
    openEditor(s);
  }
  EditorModel& m() { return s.editor.dialog; }
  EditorCards cards() { return editorCards(s); }
  bool click(int cell, bool left) { return editorClick(cards(), s.settings, s.grid(), cell, left); }
  int marked() const {
    int n = 0;
    for (int t = 0; t < s.ws.cards.slots(); ++t) n += s.ws.cards.field(t, s.ws.cards.layout->currentMark) != 0;
    return n;
  }
};

TEST_F(Editor, OpeningClearsTheFiltersTakesTheDisplayAndShowsTaxonZero) {
  file = open(fiveTaxa());
  s.ws.groupCode = "1";
  s.settings.excludedLevel = 1;
  s.areas.cells = {3, 4};
  s.areas.seedCount = 1;
  s.settings.writeTitle = Flag::kOff;
  s.settings.scaleBarShown = Flag::kOff;
  s.settings.fillFrameCoast = Flag::kOn;
  s.settings.coarseGridShown = Flag::kOff;
  s.settings.fineGridShown = Flag::kOff;
  openEditor(s);
  EXPECT_TRUE(s.editor.recountNeeded);
  EXPECT_EQ(s.ws.groupCode, "");
  EXPECT_EQ(s.settings.excludedLevel, 0);
  EXPECT_TRUE(s.areas.empty());
  EXPECT_EQ(s.areas.seedCount, 0);
  const Settings& shown = s.settings;
  EXPECT_EQ(std::tuple(shown.writeTitle, shown.scaleBarShown, shown.fillFrameCoast, shown.coarseGridShown,
                       shown.fineGridShown),
            std::tuple(Flag::kOn, Flag::kOn, Flag::kOff, Flag::kOn, flagOf(s.coastApplies != CoastOutline::kNone)));
  EXPECT_EQ(std::tuple(m().title, m().lines[2], m().current, m().name, m().code, m().taxonText),
            std::tuple("Test data", "121- Gamma", 0, "Alpha", "11", "Taxon 1 / 5 (2 records)"));
  EXPECT_EQ(marked(), 1);

  closeEditor(s, false);
  EXPECT_EQ(std::tuple(shown.writeTitle, shown.fillFrameCoast, shown.coarseGridShown),
            std::tuple(Flag::kOff, Flag::kOn, Flag::kOff));
  EXPECT_EQ(marked(), 0);
  EXPECT_EQ(s.ws.counters.includedTaxa, 5) << "recounted without the cleared group code";
}

// Find ignores case and beeps without a match; a write refuses a name or
// code another taxon has.
TEST_F(Editor, FindAndWriteRefusingANameOrCodeAnotherTaxonHas) {
  openEditing();
  EXPECT_TRUE(findEditorTaxon(cards(), "DEL"));
  EXPECT_EQ(m().current, 3);
  EXPECT_FALSE(findEditorTaxon(cards(), "Omega"));
  EXPECT_EQ(m().current, 3);
  EXPECT_EQ(host.beeps, 1);
  selectEditorTaxon(cards(), 0);
  m().name = "Beta";
  EXPECT_FALSE(writeEditorTaxon(cards()));
  EXPECT_EQ(test::noticeLines(s), std::vector<std::string>{"Edit name: Beta already exists"});
  EXPECT_EQ(s.ws.cards.name(0), "Alpha");

  m().name = "Alpha";
  m().code = "2";
  EXPECT_FALSE(writeEditorTaxon(cards()));
  EXPECT_EQ(test::noticeLines(s).back(), "Edit code: 2 already exists");
  EXPECT_EQ(s.ws.cards.codeText(0), padded("11"));
  EXPECT_FALSE(s.editor.edited);

  m().name = std::string(40, 'n');
  m().code = std::string(40, '4');
  EXPECT_TRUE(writeEditorTaxon(cards()));
  EXPECT_EQ(s.ws.cards.name(0), std::string(30, 'n'));
  EXPECT_EQ(s.ws.cards.codeText(0), std::string(30, '4') + "0") << "30 characters, padded, signature kept";
  EXPECT_EQ(s.ws.cards.code(0)[31], 0);
  EXPECT_TRUE(s.editor.edited);
  EXPECT_EQ(m().lines[0], std::string(30, '4') + "- " + std::string(30, 'n'));
}

TEST_F(Editor, AnUnchangedCodeSharedWithOthersIsNoDuplicate) {
  openEditing({{"A", "1", {}}, {"B", "1", {}}, {"C", "1", {}}});
  m().name = "Renamed";
  EXPECT_TRUE(writeEditorTaxon(cards()));
  EXPECT_TRUE(s.notices.empty()) << test::noticeLines(s).front();
  EXPECT_EQ(s.ws.cards.name(0), "Renamed");
}

TEST_F(Editor, NewAndCopyAppendNumberedTaxa) {
  openEditing();
  selectEditorTaxon(cards(), 1);
  ASSERT_EQ(addEditorTaxon(s, false), EditorOutcome::Done);
  EXPECT_EQ(s.ws.taxaCount, 6);
  EXPECT_EQ(m().current, 5);
  const std::string made = s.ws.cards.name(5);
  EXPECT_EQ(made.rfind("new taxon 1 (#", 0), 0u) << made;
  const int number = std::stoi(made.substr(14));
  EXPECT_GE(number, 0);
  EXPECT_LE(number, 2999);
  EXPECT_EQ(s.ws.cards.codeText(5), padded("3")) << "the code of the taxon before it";
  EXPECT_EQ(s.ws.cards.recordCount(5), 0);

  selectEditorTaxon(cards(), 1);
  ASSERT_EQ(addEditorTaxon(s, true), EditorOutcome::Done);
  EXPECT_EQ(s.ws.cards.name(6).rfind("copy taxon 2 (#", 0), 0u);
  EXPECT_EQ(s.ws.cards.codeText(6), padded("12"));
  EXPECT_EQ(s.ws.cards.level(6, 42), 3);
  EXPECT_EQ(marked(), 1);
  EXPECT_TRUE(s.editor.edited);
}

TEST_F(Editor, AFullStoreAsksToSaveAndReloadAndAFullHeaderRefuses) {
  openEditing();
  EXPECT_FALSE(addTaxonQuestion(s, false)) << "room left: nothing to ask";
  s.ws.capacity = s.ws.taxaCount;  // as if 50 taxa had been added
  const auto question = addTaxonQuestion(s, false);
  ASSERT_TRUE(question);
  EXPECT_EQ(question->caption + ": " + question->text, "New taxon: Save modified data\nto create more space?");
  EXPECT_EQ(question->icon, Icon::Question);

  m().title = "Retitled";
  s.ws.cards.setLevel(0, 600, 2);
  s.ws.capacity = s.ws.taxaCount;
  ASSERT_TRUE(addTaxonQuestion(s, true));
  EXPECT_EQ(addTaxonQuestion(s, true)->caption, "Copy taxon");
  ASSERT_EQ(addEditorTaxon(s, true), EditorOutcome::Done);
  EXPECT_EQ(s.ws.capacity, 55) << "reloaded with room for 50 more";
  EXPECT_EQ(s.ws.taxaCount, 6);
  EXPECT_EQ(s.ws.datafile.title, "Retitled");
  EXPECT_EQ(s.ws.cards.level(0, 600), 2) << "the edit was saved before the reload";
  EXPECT_EQ(test::readFile(file).size(), 34u + 5 * 1024);

  // A header that cannot count more taxa refuses them; saving does not help.
  s.notices.clear();
  s.ws.taxaCount = 32767;
  s.ws.capacity = 32767 + 50;
  EXPECT_EQ(addEditorTaxon(s, false), EditorOutcome::Refused);
  EXPECT_FALSE(addTaxonQuestion(s, false)) << "a full header is not helped by saving";
  EXPECT_EQ(test::noticeLines(s),
            std::vector<std::string>{"New taxon: The datafile is full:\nit holds at most 32767 taxa"});
}

TEST_F(Editor, DeleteAsksAndTheLastTaxonStays) {
  openEditing({{"A", "1", {}}, {"B", "2", {}}, {"C", "3", {}}});
  selectEditorTaxon(cards(), 2);
  ASSERT_TRUE(deleteTaxonQuestion(s));
  EXPECT_TRUE(deleteEditorTaxon(cards()));
  EXPECT_EQ(names(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(m().current, 1) << "the new last taxon is current";
  selectEditorTaxon(cards(), 0);
  EXPECT_EQ(deleteTaxonQuestion(s)->text, "confirm to delete taxon:\n'A'");
  EXPECT_TRUE(deleteEditorTaxon(cards()));
  EXPECT_EQ(names(), std::vector<std::string>{"B"});
  EXPECT_FALSE(deleteTaxonQuestion(s)) << "the only taxon is not even asked about";
  EXPECT_FALSE(deleteEditorTaxon(cards()));
  EXPECT_EQ(s.ws.taxaCount, 1);
}

TEST_F(Editor, ReorderSortsByCodeAndTheCurrentTaxonTravels) {
  openEditing({{"Z", "3", {{1, 1}}}, {"Y", "12", {}}, {"X", "2", {}}, {"W", "11", {}}, {"V", "12", {}}});
  selectEditorTaxon(cards(), 0);
  reorderTaxa(cards());
  EXPECT_EQ(names(), (std::vector<std::string>{"W", "Y", "V", "X", "Z"}));
  EXPECT_EQ(m().current, 4);
  EXPECT_EQ(m().name, "Z");
  EXPECT_EQ(s.ws.cards.level(4, 1), 1);
  EXPECT_EQ(marked(), 1);
}

TEST_F(Editor, ClicksCycleTheLevelToTheGridsTopAndKeepTheRecordCount) {
  openEditing();
  std::strcpy(s.ws.cells[100].name.data(), "Spot");
  EXPECT_EQ(s.ws.cards.recordCount(0), 2);
  const std::vector<int> up{1, 2, 3, 4, 0};
  for (int want : up) {
    EXPECT_TRUE(click(100, true));
    EXPECT_EQ(s.ws.cards.level(0, 100), want);
  }
  EXPECT_EQ(s.ws.cards.recordCount(0), 2);
  EXPECT_TRUE(click(100, true));
  EXPECT_EQ(m().clickText, "+(area 100) Spot");
  EXPECT_EQ(m().taxonText, "Taxon 1 / 5 (3 records)");
  EXPECT_TRUE(click(100, true));
  EXPECT_EQ(m().clickText, "=(area 100) Spot");
  EXPECT_TRUE(click(100, false));
  EXPECT_EQ(s.ws.cards.level(0, 100), 1);
  EXPECT_TRUE(click(100, false));
  EXPECT_EQ(m().clickText, "-(area 100) Spot");
  EXPECT_FALSE(click(100, false)) << "0 stays";
  EXPECT_EQ(s.ws.cards.recordCount(0), 2);
  EXPECT_FALSE(click(0, true));
  EXPECT_FALSE(click(865, true));
  EXPECT_TRUE(s.editor.edited);
  // Britain's levels cycle to two.
  test::TempDir dir;
  test::ScriptedHost h;
  Session b(h, dir.path(), GridVariant::Britain);
  EXPECT_EQ(editorTopLevel(b.grid()), 2);
}

TEST_F(Editor, SaveAndContinueWritesOnlyEditedDataSortedByCode) {
  openEditing({{"Z", "3", {{1, 1}}}, {"Y", "2", {}}, {"X", "1", {}}});
  const std::string before = test::readFile(file);
  EXPECT_TRUE(saveAndContinue(s));
  EXPECT_EQ(test::readFile(file), before);

  m().title = "New title that is far longer than thirty characters";
  EXPECT_TRUE(saveAndContinue(s));
  const std::string after = test::readFile(file);
  ASSERT_EQ(after.size(), 34u + 3 * 1024);
  EXPECT_EQ(after.substr(2, 31), std::string("New title that is far longer t") + '\0');
  EXPECT_EQ(after.substr(34, 1), "X");
  EXPECT_FALSE(s.editor.edited);
}

TEST_F(Editor, SaveAndExitKeepsTheEditsAndRestoreDiscardsThemOrOpensAnother) {
  openEditing();
  click(200, true);
  EXPECT_EQ(closeEditor(s, false), EditorOutcome::Done);
  EXPECT_EQ(s.ws.cards.level(0, 200), 1);
  EXPECT_EQ(s.ws.counters.records, 10);
  auto reread = readFileBytes(file);
  ASSERT_TRUE(reread);
  EXPECT_EQ(static_cast<signed char>((*reread)[34 + 66 + 200]), 1);

  openEditor(s);
  click(300, true);
  m().name = "Changed";
  writeEditorTaxon(cards());
  EXPECT_EQ(closeEditor(s, true), EditorOutcome::Done);
  EXPECT_EQ(s.ws.cards.level(0, 300), 0);
  EXPECT_EQ(s.ws.cards.name(0), "Alpha");
  EXPECT_EQ(s.ws.cards.level(0, 200), 1);

  // With the file gone, Restore falls back to "Open datafile".
  openEditor(s);
  click(300, true);
  fs::remove(file);
  EXPECT_EQ(closeEditor(s, true), EditorOutcome::OpenDatafileInstead);
}

TEST_F(Editor, SaveDataIsRefusedAfterAPreselectionAndAFailedWriteKeepsTheFile) {
  openEditing();
  const std::string before = test::readFile(file);
  s.ws.dataModifiedByPreselection = true;
  EXPECT_FALSE(saveData(s, s.notices));
  EXPECT_EQ(test::noticeLines(s).back(), "Save data: restore data from preselection\nbefore writing data to file");
  s.ws.dataModifiedByPreselection = false;

  // The disk is full: the old file stays as it was.
  s.ws.cards.setName(0, "Lost?");
  {
    test::FileSizeLimit full(1000);
    EXPECT_FALSE(saveData(s, s.notices));
  }
  EXPECT_EQ(test::noticeLines(s).back(),
            "Save data: failed to write datafile:\n" + file.string() + "\n(the file on disk is unchanged)");
  EXPECT_EQ(test::readFile(file), before);
}

class Utilities : public test::DataSession {
 protected:
  // The taxa count and title of a datafile on disk, and its card names.
  struct OnDisk {
    int count = -1;
    std::string title;
    std::vector<std::string> names, codes;
  };
  static OnDisk inspect(const fs::path& p) {
    OnDisk d;
    const std::string bytes = test::readFile(p);
    if (bytes.size() < 34) return d;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    d.count = readI16(b);
    d.title = fieldText(b + 2, 31);
    for (std::size_t at = 34; at + 1024 <= bytes.size(); at += 1024) {
      d.names.push_back(fieldText(b + at, 32));
      d.codes.push_back(fieldText(b + at + 32, 31));
    }
    return d;
  }
  static std::vector<TaxonSpec> numbered(int n, const std::string& stem) {
    std::vector<TaxonSpec> out;
    for (int i = 0; i < n; ++i) out.push_back({stem + std::to_string(i), std::to_string(i % 9 + 1), {{i + 40, 1}}});
    return out;
  }
};

TEST_F(Utilities, NewDatafileHoldsThreeTaxaOfCodeOneAndIsOpen) {
  fs::path target = home / "equal" / "Fresh.dat";
  host.saveFiles.push_back(target);
  ASSERT_TRUE(newDatafile(s, host));
  ASSERT_EQ(host.saveRequests.size(), 1u);
  EXPECT_EQ(host.saveRequests[0].initialDir, home);
  OnDisk d = inspect(target);
  EXPECT_EQ(std::pair(d.count, d.title), std::pair(3, std::string("New database")));
  EXPECT_EQ(d.codes, std::vector<std::string>(3, padded("1")));
  EXPECT_EQ(d.names[0].rfind("new taxon 1 (#", 0), 0u) << d.names[0];
  EXPECT_EQ(d.names[2].rfind("new taxon 3 (#", 0), 0u) << d.names[2];
  EXPECT_EQ(std::tuple(s.ws.datafile.opened, s.ws.datafile.fileName, s.ws.capacity, s.ws.counters.includedTaxa),
            std::tuple(true, "fresh.dat", 53, 3));
  EXPECT_TRUE(s.subgroupDataPresent) << "three taxa give the recount its weights";
  // The file passes the format check of "Open datafile".
  EXPECT_EQ(checkDatafile(s, target).verdict, DatafileCheck::Good);
  EXPECT_TRUE(host.messages.empty());

  // A second one cancelled leaves the open one alone.
  open(fiveTaxa());
  EXPECT_FALSE(newDatafile(s, host));
  EXPECT_TRUE(s.ws.datafile.opened);
  EXPECT_EQ(s.ws.taxaCount, 5);
}

TEST_F(Utilities, JoinPrefixesTheCodesOfEachSource) {
  auto ten = numbered(10, "a");
  ten[3].code = "1234567890123456789012345678901";  // 31 significant characters
  fs::path one = put("equal/one.dat", test::datafileImage("First", ten));
  fs::path two = put("equal/two.dat", test::datafileImage("*Second", numbered(5, "b")));
  fs::path both = home / "equal" / "both.dat";
  host.openFiles = {one, two};
  host.saveFiles = {both};
  ASSERT_TRUE(joinDatafiles(s, host));
  OnDisk d = inspect(both);
  EXPECT_EQ(std::pair(d.count, d.title), std::pair(15, std::string("*Joined database")));
  ASSERT_EQ(d.codes.size(), 15u);
  EXPECT_EQ(d.codes[0], padded("11"));
  EXPECT_EQ(d.codes[3], "1123456789012345678901234567890") << "the last character goes";
  EXPECT_EQ(d.codes[10], padded("21"));
  EXPECT_EQ(d.names[14], "b4");
  EXPECT_EQ(std::tuple(s.ws.datafile.opened, s.ws.taxaCount, s.ws.datafile.quantitative), std::tuple(true, 15, true));
}

TEST_F(Utilities, JoinRefusesGridTypesSourcesAndCountsItCannotJoinAndEndsWhenCancelled) {
  fs::path one = put("equal/one.dat", test::datafileImage("First", numbered(3, "a")));
  fs::path other = put("ravelund/two.dat", test::datafileImage("Second", numbered(3, "b")));
  host.openFiles = {one, other};
  host.saveFiles = {home / "equal" / "both.dat"};
  EXPECT_FALSE(joinDatafiles(s, host));
  EXPECT_EQ(host.messageLines(),
            std::vector<std::string>{"Join data: datafiles of different grid types\ncannot be joined:\n" +
                                     one.string() + "\n" + other.string()});

  fs::path stub = put("equal/stub.dat", "x");
  host.openFiles = {one, stub};
  host.saveFiles = {home / "equal" / "both.dat"};
  host.answers = {Answer::Yes};  // open the odd file anyway
  EXPECT_FALSE(joinDatafiles(s, host));
  EXPECT_EQ(host.messageLines().back(), "Join data: failed to open datafile:\n" + stub.string());
  EXPECT_FALSE(fs::exists(home / "equal" / "both.dat"));

  // Cancelling any of the dialogs ends the command without a word.
  host.messages.clear();
  for (std::size_t opens : {0u, 1u, 2u}) {
    host.openFiles.clear();
    host.saveFiles.clear();
    for (std::size_t i = 0; i < opens; ++i) host.openFiles.push_back(one);
    EXPECT_FALSE(joinDatafiles(s, host)) << opens;
  }
  EXPECT_TRUE(host.messages.empty());

  // Two sources of 16384 blank cards each: one too many for a 16-bit count.
  std::string card(1024, '\0');
  card[62] = '0';
  std::string image;
  putU16(image, 16384);
  image += std::string(32, '\0');
  image.reserve(image.size() + 16384u * 1024u);
  for (int i = 0; i < 16384; ++i) image += card;
  host.openFiles = {put("equal/big1.dat", image), put("equal/big2.dat", image)};
  host.saveFiles = {home / "equal" / "huge.dat"};
  EXPECT_FALSE(joinDatafiles(s, host));
  EXPECT_EQ(host.messageLines(),
            std::vector<std::string>{
                "Join data: The joined datafile would hold 32768 taxa;\na datafile holds at most 32767"});
  EXPECT_FALSE(fs::exists(home / "equal" / "huge.dat"));
}

// The threshold is the count at a quarter of the taxa.
TEST_F(Utilities, DivideByRarityWritesTwoDatafilesBesideTheOpenOne) {
  EXPECT_EQ(rarityThreshold({21, 1, 13, 2, 8, 3, 5, 1}), 2);
  EXPECT_EQ(rarityThreshold({4}), 4);
  EXPECT_EQ(rarityThreshold({}), 0);
  std::vector<TaxonSpec> taxa;
  const int counts[] = {1, 1, 2, 3, 5, 8, 13, 21};
  for (int i = 0; i < 8; ++i) {
    TaxonSpec t{"t" + std::to_string(counts[i]) + "_" + std::to_string(i), "1", {}};
    for (int c = 0; c < counts[i]; ++c) t.levels[100 + c] = 1;
    taxa.push_back(t);
  }
  std::swap(taxa[0], taxa[7]);  // card order is not count order
  fs::path data = open(taxa);
  ASSERT_TRUE(divideByRarity(s, s.notices));
  OnDisk small = inspect(data.parent_path() / "Sm.dat"), large = inspect(data.parent_path() / "Lg.dat");
  EXPECT_EQ(small.count, 2);
  EXPECT_EQ(small.names, (std::vector<std::string>{"t1_1", "t1_0"}));
  EXPECT_EQ(large.count, 6);
  EXPECT_EQ(large.names.front(), "t21_7");
  EXPECT_EQ(small.title, "Test data");
  EXPECT_EQ(test::noticeLines(s),
            std::vector<std::string>{"Divide data: 2 taxa written to Sm.dat\n6 taxa written to Lg.dat"});
}

TEST_F(Utilities, DivideByGroupSplitsOnTheIncludedCode) {
  fs::path data = open(fiveTaxa());
  s.ws.groupCode = "12";
  ASSERT_TRUE(divideByGroup(s, s.notices));
  EXPECT_EQ(inspect(data.parent_path() / "12.dat").names, (std::vector<std::string>{"Beta", "Gamma"}));
  EXPECT_EQ(inspect(data.parent_path() / "not12.dat").names, (std::vector<std::string>{"Alpha", "Delta", "Epsilon"}));

  s.ws.dataModifiedByPreselection = true;
  EXPECT_FALSE(divideByGroup(s, s.notices));
  EXPECT_EQ(test::noticeLines(s).back(), "Divide data: restore data from preselection\nbefore writing data to file");
  EXPECT_EQ(groupFileNames("A/b c"), (std::pair<std::string, std::string>{"a_b_c.dat", "nota_b_c.dat"}));
}

}  // namespace
}  // namespace zn
