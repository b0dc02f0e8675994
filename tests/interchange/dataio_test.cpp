// Data import and export: the import readers (scansets, numbers, every
// layout's records and what goes to the lost-records file), the export texts
// against files worked out by hand, the commands with their files and
// messages, and round trips through both.
#include <gtest/gtest.h>

#include <cstring>

#include "interchange/dataexport.h"
#include "interchange/dataimport.h"
#include "interchange/textscan.h"
#include "shell/data_dialogue.h"
#include "shell/dataio_commands.h"
#include "shell/dispatch.h"
#include "store/files.h"
#include "store/gridtypes.h"
#include "store/text.h"
#include "tests/support/hand_grid.h"

namespace zn::test {
namespace {

namespace fs = std::filesystem;

TEST(TextScan, ScansetsLinesAndNumbers) {
  struct Case {
    std::string line;
    bool complete;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {"Genus,species,12", true, {"Genus", "species", "12"}},
      {"Genus,,species,12", true, {"Genus", "species", "12"}},  // a run of separators is one skip
      {"Genus species 12", false, {"Genus species 12"}},        // no separator at all
      {",species,12", false, {}},                               // an empty first field stops the scan
      {"Genus,species", false, {"Genus", "species"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> f;
    EXPECT_EQ(scanFields(c.line, {take("^,"), skip(","), take("^,"), skip(","), take("^\n")}, f), c.complete) << c.line;
    EXPECT_EQ(f, c.fields) << c.line;
  }
  // Lines take CR LF and blank lines are dropped.
  EXPECT_EQ(textLines("a,b\r\n\r\n  \nc,d\n\ne"), (std::vector<std::string_view>{"a,b", "c,d", "e"}));
  EXPECT_TRUE(textLines("").empty());
  // Numbers read as atoi does, without overflow.
  EXPECT_EQ(toInteger(" 42abc"), 42);
  EXPECT_EQ(toInteger("x9"), 0);
  const long long huge = toInteger(std::string(5000, '9'));
  EXPECT_GT(huge, 1'000'000'000LL);  // far past any cell, and no overflow
  EXPECT_LT(toInteger("-" + std::string(5000, '9')), -1'000'000'000LL);
  EXPECT_EQ(toReal(" 12.5e1"), 125.0);
  EXPECT_EQ(toReal("+3"), 3.0);
  EXPECT_FALSE(toReal("north"));
  EXPECT_FALSE(toReal("1e999"));
  EXPECT_FALSE(toReal("nan"));
  EXPECT_FALSE(toReal(std::string(4000, '7')));
}

ImportedData convert(TinyGrid& g, int layout, const std::string& text, std::optional<std::string> names = std::nullopt,
                     std::optional<std::string> bin = std::nullopt, bool britain = false) {
  ImportInput in;
  in.layout = layout;
  in.text = text;
  in.inputName = "in.txt";
  in.names = std::move(names);
  in.namesBin = std::move(bin);
  in.britain = britain;
  return convertImport(in, g.s.ws);
}

std::string nameOf(const ImportedData& d, int t) {
  return fieldText(reinterpret_cast<const unsigned char*>(d.cardHeads[static_cast<std::size_t>(t)].data()), kNameField);
}
int levelOf(const ImportedData& d, int t, int cell) {
  return d.levels[static_cast<std::size_t>(t)][static_cast<std::size_t>(cell)];
}

// The title, then a line per card: its name, its code without the padding
// and each cell with a level, so that a failing case shows the whole result.
std::string cardsText(const ImportedData& d) {
  std::string out = d.title;
  for (std::size_t t = 0; t < d.cardHeads.size(); ++t) {
    std::string code = d.cardHeads[t].substr(kCodeOffset, kCodeLength);
    code = code.substr(0, code.find('\0'));
    code.erase(code.find_last_not_of('0') + 1);
    out += "\n" + nameOf(d, static_cast<int>(t)) + " [" + code + "]";
    for (int cell = 1; cell <= 6; ++cell)
      if (const int v = levelOf(d, static_cast<int>(t), cell)) out += strprintf(" %d:%d", cell, v);
  }
  return out;
}

// Each case: the converted data as cardsText gives them, the records, the
// lost-records file and the first words of the notice.
void expectImport(const char* what, const ImportedData& c, const std::string& cards, long records,
                  const std::string& lost, const std::string& notice) {
  SCOPED_TRACE(what);
  EXPECT_EQ(cardsText(c), cards);
  EXPECT_EQ(c.records, records);
  EXPECT_EQ(c.lostText, lost);
  EXPECT_EQ(c.lost, std::count(lost.begin(), lost.end(), '\n'));
  EXPECT_EQ(c.quantitative, c.title.starts_with("*"));
  EXPECT_EQ(c.notices.empty() ? std::string() : c.notices[0].text.substr(0, notice.size()), notice);
}

TEST(ImportLayouts, EachLayoutPlacesItsRecordsAndLosesWhatFitsNoCell) {
  TinyGrid g;
  const std::string nines(3000, '9'), ab = "1 a\n2 b\n";
  expectImport("one species on lines apart",
               convert(g, kImportComma, "Canis,lupus,1\nVulpes,vulpes,2\nCanis,lupus,6\n"),
               "Data from in.txt\nCanis lupus [1] 1:2 6:2\nVulpes vulpes [1] 2:2", 3, "", "");
  expectImport("cells outside the grid",
               convert(g, kImportComma,
                       "Canis,lupus,0\nCanis,lupus,7\nCanis,lupus," + nines +
                           "\nCanis,lupus,-3\nCanis,lupus,x\nCanis,lupus,3\n"),
               "Data from in.txt\nCanis lupus [1] 3:2", 1,
               "Canis lupus 0\nCanis lupus 7\nCanis lupus " + nines + "\nCanis lupus -3\nCanis lupus x\n", "");
  // Names that begin alike stay apart; a long one is cut, the genus first.
  expectImport("prefix and long names",
               convert(g, kImportComma, "Genus,species,1\nGenus,sp,2\nGenus," + std::string(40, 's') + ",3\n"),
               "Data from in.txt\nGenus species [1] 1:2\nGenus sp [1] 2:2\n" + std::string(31, 's') + " [1] 3:2", 3, "",
               "");
  expectImport(
      "quoted, CR LF and broken lines",
      convert(g, kImportQuoted,
              "\"Canis\",\"lupus\",\"1\"\r\n\"Canis\",\"lupus\r\nno separators here\r\n\"Ursus\",\"arctos\",\"4\"\r\n"),
      "Data from in.txt\nCanis lupus [1] 1:2\nUrsus arctos [1] 4:2", 2, "\"Canis\",\"lupus\nno separators here\n", "");
  expectImport("group codes, no records", convert(g, kImportGroup, "Canis,lupus,112\nUrsus,arctos,2\n"),
               "Data from in.txt\nCanis lupus [112]\nUrsus arctos [2]", 0, "", "");
  // A name line starts a taxon; a record by latitude and longitude or by reference.
  expectImport("TNC", convert(g, kImportTnc, "Canis lupus\n3 15 5\n101 15 5\n2 55 5\nUrsus arctos\n1 AC02\n4,15,25\n"),
               "Data from in.txt\nCanis lupus [1] 1:3\nUrsus arctos [1] 3:4 6:1", 3,
               "Canis lupus 101 15 5\nCanis lupus 2 55 5\n", "");
  // References are level 2, those after K or G level 1.
  expectImport("DMAP", convert(g, kImportDmap, "Canis lupus AA01 AB01 K ZZ99\n-1\nUrsus AC02 G AA02 A\n"),
               "Data from in.txt\nCanis lupus [1] 1:2 3:1\nUrsus [1] 2:2 6:1", 4, "Canis lupus ZZ99\n", "");
  expectImport("DMAP numbered taxa",
               convert(g, kImportDmap, "1\nAA01 A\nAB01 1\n-1\n2\nAC02 A\n-1\n", "1 Canis lupus\n"),
               "Data from in.txt\nCanis lupus [1] 1:2 3:1\nSp 2 [1] 6:2", 3, "", "");
  expectImport("matrix values clamped",
               convert(g, kImportMatrix, " 1 150 -4 7\n 9 5 5 5\n 6 0 1 2\n", "1 Canis lupus\n2 \n3 Ursus\n"),
               "*Data from in.txt\nCanis lupus [1] 1:100\nSp 2 [1] 6:1\nUrsus [1] 1:7 6:2", 4,
               "area 9 attribute 1\narea 9 attribute 2\narea 9 attribute 3\n",
               "Match in number of taxa:\n 3 names 3 data (in.txt)");
  expectImport("matrix by Britain reference",
               convert(g, kImportMatrix, "AB01 5 0\nZZ99 0 7\n4 1 1\n", "1 Canis lupus\n2 Ursus arctos\n", {}, true),
               "*Data from in.txt\nCanis lupus [1] 3:5 4:1\nUrsus arctos [1] 4:1", 3, "area ZZ99 attribute 2\n",
               "Match");
  expectImport("list by Britain reference or number",
               convert(g, kImportComma, "Canis,lupus,ab01\nCanis,lupus,4\nCanis,lupus,QQ12\n", {}, {}, true),
               "Data from in.txt\nCanis lupus [1] 3:2 4:2", 2, "area QQ12\n", "");
  // A decimal anywhere makes every value a share: 1 is 100.
  expectImport("matrix of decimals", convert(g, kImportMatrix, " 2 1 0\n 3 0.57 2\n", ab),
               "*Data from in.txt\na [1] 2:100 3:57\nb [1] 3:100", 3, "", "Match");
  expectImport("matrix columns fitting no names", convert(g, kImportMatrix, " 1 5 5 5 5\n", ab), "*Data from in.txt", 0,
               "", "Mismatch in number of taxa 2/4\n(ensure data matrix lines begin with a space)");
  // Lines without an area number are read only when there is one per cell.
  expectImport("numbered lines one column short", convert(g, kImportMatrix, " 1 5\n 2 7\n 3 9\n", ab),
               "*Data from in.txt", 0, "", "Mismatch in number of taxa 2/");
  expectImport("one line per cell but one numbered",
               convert(g, kImportMatrix, " 0 1\n 0 0\n 4 0 2\n 0 0\n 0 0\n 0 3\n", ab), "*Data from in.txt", 0, "",
               "Mismatch in number of taxa 2/");
  expectImport("one unnumbered line per cell", convert(g, kImportMatrix, " 0 1\n 0 0\n 0 2\n 0 0\n 0 0\n 3 0\n", ab),
               "*Data from in.txt\na [1] 6:3\nb [1] 1:1 3:2", 3, "",
               "Match in number of taxa:\n 2 names 2 data (in.txt)");
  expectImport("blank lines", convert(g, kImportMatrix, " 1 5 6\n\r \n \r\t\r\n 2 7 8\n", "1 A\n2 B\n"),
               "*Data from in.txt\nA [1] 1:5 2:7\nB [1] 1:6 2:8", 4, "", "Match");
  // The names file's title, names and codes; unnumbered lines are areas 1, 2, ...
  std::string bin = std::string(2, '\0') + "Exported" + std::string(24, '\0');
  for (const char* n : {"Canis lupus", "Ursus"}) {
    std::string rec(64, '\0');
    rec.replace(0, std::strlen(n), n);
    rec.replace(32, 2, "12");
    bin += rec;
  }
  const ImportedData named = convert(g, kImportMatrix, " 0 3\n 4 0\n", {}, bin);
  expectImport("matrix with a names bin", named, "*Exported\nCanis lupus [12] 2:4\nUrsus [12] 1:3", 2, "", "Match");
  EXPECT_EQ(named.cardHeads[1].substr(32, 3), std::string("12\0", 3));  // the bin's own code field
}

TEST(ImportPoints, LatitudeAndLongitudeFindTheirCells) {
  struct Case {
    int layout;
    std::string line;
    int cell;  // 0: lost
    int level;
    std::string lost;
  };
  const Case cases[] = {
      // Layout 6 shifts both by half a degree: 9.6 becomes 10.1, in row 1.
      {kImportLatLong, "Canis_lupus 9.6 5", 1, 1, ""},
      {kImportLatLong, "Canis_lupus 9.4 5", 4, 1, ""},
      {kImportLatLong, "Canis_lupus 25 5", 0, 0, "Canis_lupus 25 5\n"},
      {kImportLatLong, "Canis_lupus north 5", 0, 0, "Canis_lupus north 5\n"},
      {kImportQuotedLatLong, "\"Canis\",\"lupus\",10,29.9", 3, 2, ""},
      {kImportQuotedLatLong, "\"Canis\",\"lupus\",10,30", 0, 0, "Canis lupus 10 30\n"},
      // Layout 8: x is the longitude, y the latitude; the record is the level.
      {kImportRecords, "\"Canis lupus\",1,3,15,5", 5, 3, ""},
      {kImportRecords, "\"Canis lupus\",1,300,15,5", 5, 100, ""},
      {kImportRecords, "\"Canis lupus\",1,3,15,50", 0, 0, "Canis lupus 1 3 15 50\n"},
  };
  for (const Case& k : cases) {
    TinyGrid g;
    auto c = convert(g, k.layout, k.line + "\n");
    ASSERT_EQ(c.cardHeads.size(), 1u) << k.line;
    EXPECT_EQ(nameOf(c, 0), "Canis lupus") << k.line;
    for (int cell = 1; cell <= 6; ++cell)
      EXPECT_EQ(levelOf(c, 0, cell), cell == k.cell ? k.level : 0) << k.line << " cell " << cell;
    EXPECT_EQ(c.lostText, k.lost) << k.line;
  }
}

TEST(ImportPoints, TheWorldColumnAcrossTheDateLineTakesItsPoints) {
  ScriptedHost host;
  Session s(host, "/nonexistent");
  ASSERT_TRUE(allocateWorkspace(s));
  buildNeighbourhoods(s.ws);
  const auto where = unitGeometry(s);
  struct Case {
    double lon;
    int column;
  };
  // Column 22 spans 180 ... 190, that is 180 east to 170 west.
  for (const Case& c : {Case{-175.0, 22}, Case{-180.0, 22}, Case{179.5, 21}, Case{-170.0, 23}, Case{-30.0, 1}}) {
    const int cell = where->unitAtPoint(c.lon, 5.0);
    ASSERT_GT(cell, 0) << c.lon;
    EXPECT_EQ((cell - 1) % 36 + 1, c.column) << "longitude " << c.lon;
  }
}

TEST(ImportLimit, TheThreeThousandthTaxonStopsReading) {
  TinyGrid g;
  std::string text;
  for (int i = 0; i < 3100; ++i) text += "G" + std::to_string(i) + ",s,1\n";
  auto c = convert(g, kImportComma, text);
  EXPECT_EQ(static_cast<int>(c.cardHeads.size()), kImportMaxTaxa);
  ASSERT_EQ(c.notices.size(), 1u);
  EXPECT_EQ(c.notices[0].text, "Limit to number of taxa (3000) reached");
  EXPECT_EQ(c.notices[0].icon, Icon::Exclamation);
}

TEST(ImportHostile, EmptyAndBinaryInputsConvertToNothing) {
  const std::string inputs[] = {"", "\n\n\r\n", std::string("\0\0\xff\"", 4), "\"\"\"\"\"", ",,,,\n"};
  for (int layout = kImportQuoted; layout <= kImportMatrix; ++layout)
    for (const std::string& text : inputs) {
      TinyGrid g;
      auto c = convert(g, layout, text);
      EXPECT_EQ(c.records, 0) << "layout " << layout;
      EXPECT_EQ(c.levels.size(), c.cardHeads.size());
    }
}

TEST(ImportDialog, ImportNeedsAGridAndAKnownLayoutAndBritainHasItsOwnDialog) {
  ScriptedHost host;
  Session s(host, "/nonexistent");
  EXPECT_FALSE(importPossible(s, kImportComma)) << "no grid yet";
  ASSERT_TRUE(allocateWorkspace(s));
  EXPECT_TRUE(importPossible(s, kImportQuoted));
  EXPECT_TRUE(importPossible(s, kImportMatrix));
  EXPECT_FALSE(importPossible(s, kImportQuoted - 1));
  EXPECT_FALSE(importPossible(s, kImportMatrix + 1));

  // Britain's dialog shows NWPS and no coordinate layouts.
  ImportDialogModel gb;
  gb.britain = true;
  EXPECT_EQ(gb.resource(), "DIMDDLGBOX");
  EXPECT_EQ(gb.label(4).first, "NWPS format");
  gb.choose(7);
  EXPECT_EQ(gb.layout, kImportQuoted);
  gb.choose(9);
  EXPECT_EQ(gb.layout, kImportMatrix);
}

TEST(ExportTexts, EveryLayoutMatchesItsExpectedFileAndExclusionsDropRecordsAndTaxa) {
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

  // The excluded level drops low records from the comma lists; with excluded
  // areas the list of taxa names only those with records.
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

TEST(ExportTexts, NamesSplitIntoLeadingPartAndRest) {
  struct Case {
    std::string name, lead, rest;
  };
  const Case cases[] = {{"Canis lupus familiaris", "Canis", "lupus familiaris"},
                        {"Ursus", "Ursus", "sp."},
                        {"Ursus  arctos  ", "Ursus", "arctos"},
                        // A trailing abbreviation leads, as the display name shows it.
                        {"lupus Ca.", "Ca.", "lupus"},
                        {"lupus familiaris Ca.  ", "Ca.", "lupus familiaris"},
                        {"Carex spp.", "Carex", "spp."}};
  for (const Case& c : cases) {
    auto [lead, rest] = splitTaxonName(c.name);
    EXPECT_EQ(lead, c.lead) << c.name;
    EXPECT_EQ(rest, c.rest) << c.name;
  }
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
  EXPECT_EQ(w.host.beeps, 1);
  const Workspace& ws = w.s.ws;
  EXPECT_TRUE(ws.datafile.opened);
  EXPECT_EQ(ws.datafile.fileName, "imported.dat");
  EXPECT_EQ(ws.datafile.title, "Data from list.txt");
  EXPECT_EQ(ws.cards.level(0, 40), 2);
  EXPECT_EQ(ws.cards.level(1, 864), 2);
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
  const std::string codes = w.s.ws.cards.codeText(0) + w.s.ws.cards.codeText(1);
  w.host.saveFiles.push_back(w.tmp.path() / "m.txt");
  ASSERT_TRUE(runExport(w.s, w.host, kExportMatrix));
  EXPECT_EQ(readFile(w.home / "equal" / "NAMES.BIN").size(), 128u);
  ASSERT_TRUE(w.import(kImportMatrix, w.tmp.path() / "m.txt", w.home / "equal" / "b.dat"));
  ASSERT_EQ(w.s.ws.taxaCount, 2);
  EXPECT_TRUE(w.s.ws.datafile.quantitative);
  EXPECT_EQ(w.s.ws.cards.name(0), "Canis lupus");
  EXPECT_EQ(w.s.ws.cards.name(1), "Ursus arctos");
  EXPECT_TRUE(levelsOf(w.s.ws, 2) == levels);
  EXPECT_EQ(w.s.ws.cards.codeText(0) + w.s.ws.cards.codeText(1), codes) << "the names bin's code fields";
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
