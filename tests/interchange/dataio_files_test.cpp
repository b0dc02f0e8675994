// The export texts against files worked out by hand, the export and import
// commands with their files and messages, and round trips through both.
#include <gtest/gtest.h>

#include "interchange/dataexport.h"
#include "interchange/dataimport.h"
#include "shell/data_dialogue.h"
#include "shell/dataio_commands.h"
#include "shell/dispatch.h"
#include "store/files.h"
#include "tests/support/hand_grid.h"

namespace zn::test {
namespace {

namespace fs = std::filesystem;

TEST(ExportTexts, EveryLayoutMatchesItsExpectedFile) {
  struct Case {
    int layout;
    const char* file;
  };
  const Case cases[] = {{kExportMatrix, "dataio_matrix.txt"},
                        {kExportTaxa, "dataio_taxa.txt"},
                        {kExportAreasByTaxa, "dataio_areas_by_taxa.txt"},
                        {kExportTaxaByAreas, "dataio_taxa_by_areas.txt"},
                        {kExportCommaText, "dataio_comma_text.txt"},
                        {kExportCommaNumbers, "dataio_comma_numbers.txt"}};
  TinyGrid g;
  g.loadThree();
  for (const Case& c : cases) EXPECT_EQ(exportText(g.s.ws, c.layout, {}), expectedFile(c.file)) << c.file;
  const DmapFiles f = dmapExport(g.s.ws, {0, 1}, 0);
  EXPECT_EQ(f.distribution, expectedFile("dataio_dmap.dis"));
  EXPECT_EQ(f.names, expectedFile("dataio_dmap.nam"));
  std::vector<int> many(30, 0);  // DMAP takes at most 20 taxa
  EXPECT_EQ(dmapExport(g.s.ws, many, 0).names.size(), 20 * std::string("1 Canis lupus\n").size() + 11);
}

// Nine trees in one area: the area lists every one; TWINSPAN continues full
// lines with the sample number.
TEST(ExportTexts, TaxaByAreasAndTwinspanListEveryTaxonOfAFullArea) {
  TinyGrid g;
  g.loadTrees();
  EXPECT_EQ(exportText(g.s.ws, kExportTwinspan, {}), expectedFile("dataio_twinspan.txt"));
  const std::string text = exportText(g.s.ws, kExportTaxaByAreas, {});
  const std::string area2 = text.substr(text.find("area 2:"), text.find("area 5:") - text.find("area 2:"));
  for (int t = 0; t < g.s.ws.taxaCount; ++t)
    EXPECT_NE(area2.find("   1 " + g.s.ws.cards.name(t) + "\n"), std::string::npos) << g.s.ws.cards.name(t);
}

// The excluded level drops low records from the comma lists; with excluded
// areas the list of taxa names only those with records.
TEST(ExportTexts, ExclusionsDropRecordsAndTaxa) {
  TinyGrid g;
  g.loadThree();
  ExportContext ctx;
  ctx.excludedLevel = 1;
  EXPECT_EQ(exportText(g.s.ws, kExportCommaNumbers, ctx), "1,1\n2,3\n2,6\n");
  EXPECT_EQ(exportText(g.s.ws, kExportCommaText, ctx),
            "\"Canis\",\"lupus\",\"1\"\n\"Vulpes\",\"vulpes\",\"3\"\n\"Vulpes\",\"vulpes\",\"6\"\n");
  ctx = {};
  ctx.excludedAreas = 2;
  const std::string text = exportText(g.s.ws, kExportTaxa, ctx);
  EXPECT_EQ(text.find("Ursus"), std::string::npos);
  EXPECT_NE(text.find("    2.  Vulpes vulpes"), std::string::npos);
  EXPECT_NE(text.find("\n 2 species with records\n"), std::string::npos);
}

TEST(ExportTexts, NamesSplitIntoLeadingPartAndRest) {
  struct Case {
    std::string name, lead, rest;
  };
  const Case cases[] = {{"Canis lupus", "Canis", "lupus"},
                        {"Canis lupus familiaris", "Canis", "lupus familiaris"},
                        {"Ursus", "Ursus", "sp."},
                        {"Ursus  arctos  ", "Ursus", "arctos"},
                        // A trailing abbreviation leads, as the display name shows it.
                        {"lupus Ca.", "Ca.", "lupus"},
                        {"Carex sp.", "sp.", "Carex"},
                        {"lupus familiaris Ca.  ", "Ca.", "lupus familiaris"},
                        {"Carex spp.", "Carex", "spp."}};
  for (const Case& c : cases) {
    auto [lead, rest] = splitTaxonName(c.name);
    EXPECT_EQ(lead, c.lead) << c.name;
    EXPECT_EQ(rest, c.rest) << c.name;
  }
}

TEST(ExportTexts, MatrixOfTwoTaxaOnThreeCellsAndItsNamesBin) {
  TinyGrid g;
  g.s.ws.geo.cells = 3;
  g.load("Two", {{"Canis lupus", "1", {{2, 1}}}, {"Ursus", "2", {{3, 3}}}});
  EXPECT_EQ(exportText(g.s.ws, kExportMatrix, {}), " 0 0\n 1 0\n 0 3\n\n");
  const std::string bin = namesBinImage(g.s.ws);
  ASSERT_EQ(bin.size(), 128u);
  EXPECT_EQ(bin.substr(64, 6), std::string("Ursus\0", 6));
  EXPECT_EQ(bin.substr(96, 31), "2" + std::string(30, '0'));
}

// The level of each of the first `taxa` taxa in every cell, as `f` maps it.
std::vector<std::vector<int>> levelsOf(
    const Workspace& ws, int taxa, int (*f)(int) = [](int v) { return v; }) {
  std::vector<std::vector<int>> out(static_cast<std::size_t>(taxa));
  for (int t = 0; t < taxa; ++t)
    for (int c = 1; c <= ws.geo.cells; ++c) out[static_cast<std::size_t>(t)].push_back(f(ws.cards.level(t, c)));
  return out;
}

// A program folder of the world grid with a session started in it.
struct WorldFolder {
  ScriptedHost host;
  TempDir tmp;
  fs::path home = makeProgramFolder(tmp.path());
  Session s{host, home};
  WorldFolder() { startSession(s); }

  bool import(int layout, const fs::path& input, const fs::path& target) {
    host.openFiles.push_back(input);
    host.saveFiles.push_back(target);
    return runImport(s, host, layout) && openImported(s);
  }
};

TEST(DataImportCommand, WritesTheDatafileTheLostRecordsAndTheSummaryAndReadsItsExportBack) {
  WorldFolder w;
  writeFile(w.tmp.path() / "list.txt", "Canis,lupus,1\nCanis,lupus,900\nUrsus,arctos,864\nCanis,lupus,40\n");
  // Asked again until the datafile lies in a grid folder.
  w.host.saveFiles = {w.tmp.path() / "outside.dat", w.home / "outside.dat"};
  ASSERT_TRUE(w.import(kImportComma, w.tmp.path() / "list.txt", w.home / "equal" / "Imported.dat"));
  EXPECT_EQ(w.host.saveRequests.size(), 3u);
  EXPECT_FALSE(fs::exists(w.tmp.path() / "outside.dat"));
  EXPECT_EQ(readFile(w.home / "LOSTDAT.TXT"), "Canis lupus 900\n");
  ASSERT_FALSE(w.host.messages.empty());
  EXPECT_EQ(w.host.messages.back().text, "3 records for 2 taxa converted\n1 lost records");
  EXPECT_EQ(w.host.beeps, 1);
  const Workspace& ws = w.s.ws;
  EXPECT_TRUE(ws.datafile.opened);
  EXPECT_EQ(ws.datafile.fileName, "imported.dat");
  EXPECT_EQ(ws.datafile.title, "Data from list.txt");
  EXPECT_EQ(ws.taxaCount, 2);
  EXPECT_EQ(ws.cards.level(0, 40), 2);
  EXPECT_EQ(ws.cards.level(1, 864), 2);
  EXPECT_EQ(ws.counters.records, 3);
  // Exported as a comma-delimited text list, it imports as the same cards.
  const std::string before = encodeDatafile(w.s, "x").substr(34);
  w.host.saveFiles.push_back(w.tmp.path() / "out.txt");
  ASSERT_TRUE(runExport(w.s, w.host, kExportCommaText));
  ASSERT_TRUE(w.import(kImportQuoted, w.tmp.path() / "out.txt", w.home / "equal" / "b.dat"));
  EXPECT_EQ(encodeDatafile(w.s, "x").substr(34), before);
}

TEST(DataImportCommand, FewerThanThreeTaxaKeepThePlaceholderCardsAndOpenWithoutAQuestion) {
  for (int taxa = 0; taxa <= 3; ++taxa) {
    WorldFolder w;
    const char* lines[] = {"Canis,lupus,1\n", "Ursus,arctos,2\n", "Meles,meles,3\n"};
    std::string list = "Vulpes vulpes 0\n";  // a line that is no record
    for (int t = 0; t < taxa; ++t) list += lines[t];
    writeFile(w.tmp.path() / "list.txt", list);
    const fs::path target = w.home / "equal" / "few.dat";
    ASSERT_TRUE(w.import(kImportComma, w.tmp.path() / "list.txt", target)) << taxa;
    const std::string image = readFile(target);
    ASSERT_EQ(image.size(), 34u + 3 * 1024) << taxa << " taxa";
    EXPECT_EQ(image[0], taxa) << "the header counts the taxa only";
    for (int k = taxa; k < 3; ++k) {
      const std::string card = image.substr(34 + 1024 * static_cast<std::size_t>(k), 1024);
      EXPECT_EQ(card.substr(0, 32), "empty card" + std::string(22, '\0'));
      EXPECT_EQ(card.substr(32, 32), std::string(31, '0') + '\0');
      EXPECT_EQ(card.find_first_not_of('\0', 64), std::string::npos);
    }
    // Opened later through the dialog, it passes the format check.
    w.host.messages.clear();
    w.s.ws.datafile.opened = false;
    w.host.openFiles.push_back(target);
    ASSERT_TRUE(openDatafile(w.s, w.host));
    for (const auto& m : w.host.messages) EXPECT_NE(m.caption, "Check datafile") << taxa << ": " << m.text;
    EXPECT_EQ(w.s.ws.taxaCount, taxa);
  }
}

// DMAP is refused off the Britain grid, before a file is asked for; a
// missing input is named; there is nothing to export without taxa, and the
// layouts this grid lacks are refused before a file is asked for.
TEST(DataIoCommands, RefusalsOfImportAndExport) {
  WorldFolder w;
  EXPECT_FALSE(runImport(w.s, w.host, kImportDmap));
  ASSERT_EQ(w.host.messages.size(), 1u);
  EXPECT_EQ(w.host.messages[0].text, "DMAP format\nonly available for Britain, Finland and Europe");
  EXPECT_TRUE(w.host.openRequests.empty());
  w.host.openFiles.push_back(w.tmp.path() / "missing.txt");
  EXPECT_FALSE(runImport(w.s, w.host, kImportComma));
  EXPECT_EQ(w.host.messages.back().text, "Can't open file\n" + (w.tmp.path() / "missing.txt").string());

  EXPECT_FALSE(exportDataCommand(w.s, w.host));
  EXPECT_TRUE(w.host.dialogs.empty());
  writeFile(w.tmp.path() / "list.txt", "Canis,lupus,1\n");
  ASSERT_TRUE(w.import(kImportComma, w.tmp.path() / "list.txt", w.home / "equal" / "a.dat"))
      << (w.host.messages.empty() ? "" : w.host.messages.back().text);
  w.host.messages.clear();
  w.host.saveRequests.clear();
  EXPECT_FALSE(runExport(w.s, w.host, kExportCoords));
  EXPECT_FALSE(runExport(w.s, w.host, kExportDmap));
  ASSERT_EQ(w.host.messages.size(), 2u);
  EXPECT_EQ(w.host.messages[0].text, "export of coordinates\nnot supported by this version");
  EXPECT_EQ(w.host.messages[0].caption, "Export data");
  EXPECT_TRUE(w.host.saveRequests.empty());
}

TEST(DataRoundTrip, DataMatrixWithNamesBinImportsAsTheSameCards) {
  WorldFolder w;
  writeFile(w.tmp.path() / "src.txt", "\"Canis lupus\",1,4,5,60\n\"Ursus arctos\",1,3,15,-5\n");
  ASSERT_TRUE(w.import(kImportRecords, w.tmp.path() / "src.txt", w.home / "equal" / "a.dat"));
  ASSERT_EQ(w.s.ws.taxaCount, 2);
  const auto levels = levelsOf(w.s.ws, 2);
  w.host.saveFiles.push_back(w.tmp.path() / "m.txt");
  ASSERT_TRUE(runExport(w.s, w.host, kExportMatrix));
  EXPECT_EQ(readFile(w.home / "equal" / "NAMES.BIN").size(), 128u);
  ASSERT_TRUE(w.import(kImportMatrix, w.tmp.path() / "m.txt", w.home / "equal" / "b.dat"));
  ASSERT_EQ(w.s.ws.taxaCount, 2);
  EXPECT_TRUE(w.s.ws.datafile.quantitative);
  EXPECT_EQ(w.s.ws.cards.name(0), "Canis lupus");
  EXPECT_EQ(w.s.ws.cards.name(1), "Ursus arctos");
  EXPECT_TRUE(levelsOf(w.s.ws, 2) == levels);
}

// The shipped program folder with the Britain butterflies open.
class ButterflyFolder : public ::testing::Test {
 protected:
  ScriptedHost host;
  TempDir tmp;
  fs::path home = tmp.path() / "ZONARIUM";
  Session s{host, home, GridVariant::Britain};
  void SetUp() override {
    ASSERT_TRUE(populateProgramFolder(home, shippedProgramData()));
    ASSERT_TRUE(startSession(s));
    host.openFiles.push_back(home / "britain" / "butterflies.dat");
    ASSERT_TRUE(openDatafile(s, host));
  }
};

// The Britain grid: the coordinate layouts are refused, the text list is
// "name","reference" and reads back by reference; unknown areas are lost.
TEST_F(ButterflyFolder, TextListByReferenceAndTheRefusedCoordinateLayouts) {
  host.messages.clear();
  host.openRequests.clear();
  EXPECT_FALSE(runImport(s, host, kImportLatLong));
  EXPECT_FALSE(runImport(s, host, kImportQuotedLatLong));
  EXPECT_FALSE(runImport(s, host, kImportRecords));
  ASSERT_EQ(host.messages.size(), 3u);
  EXPECT_EQ(host.messages[0].text, "lat-long format\nnot available");
  EXPECT_EQ(host.messages[1].text, "lat-long format\nnot available");
  EXPECT_EQ(host.messages[2].text, "import of coordinates\nnot supported by this version");
  EXPECT_TRUE(host.openRequests.empty()) << "refused before a file is asked for";

  const int taxa = s.ws.taxaCount;
  auto presence = [](int v) { return v > 0 ? 1 : 0; };
  const auto present = levelsOf(s.ws, taxa, presence);
  host.saveFiles.push_back(tmp.path() / "list.txt");
  ASSERT_TRUE(runExport(s, host, kExportCommaText));
  std::string list = readFile(tmp.path() / "list.txt");
  const std::string first = list.substr(0, list.find('\n') + 1);
  int firstCell = 0;
  for (int c = 1; c <= s.ws.geo.cells && !firstCell; ++c)
    if (s.ws.cards.level(0, c) > 0) firstCell = c;
  const std::string ref(s.ws.cells[static_cast<std::size_t>(firstCell)].name.data(), 4);
  EXPECT_EQ(first, "\"" + s.ws.cards.name(0) + "\",\"" + ref + "\"\n");

  writeFile(tmp.path() / "list.txt", list + "\"" + s.ws.cards.name(0) + "\",\"ZZ99\"\n");
  host.openFiles.push_back(tmp.path() / "list.txt");
  host.saveFiles.push_back(home / "britain" / "back.dat");
  ASSERT_TRUE(runImport(s, host, kImportQuoted)) << (host.messages.empty() ? "" : host.messages.back().text);
  ASSERT_TRUE(openImported(s));
  EXPECT_EQ(readFile(home / "LOSTDAT.TXT"), "area ZZ99\n");
  ASSERT_EQ(s.ws.taxaCount, taxa);
  EXPECT_TRUE(levelsOf(s.ws, taxa, presence) == present);
}

TEST_F(ButterflyFolder, DmapRoundTripKeepsBothLevels) {
  ASSERT_GE(s.ws.taxaCount, 2);
  host.saveFiles.push_back(tmp.path() / "two.txt");
  ASSERT_TRUE(runExport(s, host, kExportDmap, std::vector<int>{0, 1}));
  const std::string names = readFile(tmp.path() / "two.nam");
  EXPECT_EQ(names, "1 " + s.ws.cards.name(0) + "\n2 " + s.ws.cards.name(1) + "\n");
  // DMAP keeps two levels: absent, level 1, and above.
  const auto levels = levelsOf(s.ws, 2, [](int v) { return v <= 0 ? 0 : v == 1 ? 1 : 2; });

  host.openFiles.push_back(tmp.path() / "two.dis");
  host.saveFiles.push_back(home / "britain" / "back.dat");
  ASSERT_TRUE(runImport(s, host, kImportDmap));
  ASSERT_TRUE(openImported(s));
  EXPECT_EQ(readFile(home / "LOSTDAT.TXT"), "");
  ASSERT_EQ(s.ws.taxaCount, 2);
  EXPECT_TRUE(levelsOf(s.ws, 2) == levels);
}

TEST(DataIoShell, ImportOpensTheNewDatafileAndExportWritesIt) {
  WorldFolder w;
  Shell sh(w.s, w.host);
  connectInterchangeDataCommands(sh);
  writeFile(w.tmp.path() / "list.txt", "Canis,lupus,100\nUrsus,arctos,101\n");
  w.host.onDialog = [](const std::string& name, DialogModel& m) {
    if (name == "DIMDDLGBOX1") dynamic_cast<ImportDialogModel&>(m).choose(kImportComma);
    if (name == "DEXDDLGBOX") dynamic_cast<ExportDialogModel&>(m).layout = kExportCommaNumbers;
  };
  w.host.dialogAnswers = {true, true};
  w.host.openFiles.push_back(w.tmp.path() / "list.txt");
  w.host.saveFiles.push_back(w.home / "equal" / "shell.dat");
  sh.dispatch(Command::ImportData);
  EXPECT_TRUE(w.s.ws.datafile.opened);
  EXPECT_EQ(w.s.ws.datafile.fileName, "shell.dat");
  EXPECT_EQ(w.s.map.code(), 1);
  w.host.saveFiles.push_back(w.tmp.path() / "n.txt");
  sh.dispatch(Command::ExportData);
  EXPECT_EQ(w.host.dialogs, (std::vector<std::string>{"DIMDDLGBOX1", "DEXDDLGBOX"}));
  EXPECT_EQ(readFile(w.tmp.path() / "n.txt"), "1,100\n2,101\n");
  ASSERT_FALSE(w.host.saveRequests.empty());
  ASSERT_FALSE(w.s.dataDir.empty());
  EXPECT_EQ(w.host.saveRequests.back().initialDir, w.s.dataDir) << "the export starts in the grid's data folder";
}

}  // namespace
}  // namespace zn::test
