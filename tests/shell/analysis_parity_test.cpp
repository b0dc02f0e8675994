// Every registered analysis run twice on the shipped samples: once as the
// window runs it (the menu command, its dialogs answered) and once as the
// `zonarium` tool runs it (the matching flags). The maps (scores, counts,
// classes), a chart's curves and the RESULTS text must be the same.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>

#include "gis/gisexport.h"
#include "measures/scores.h"
#include "measures/selective.h"
#include "measures/smoothing.h"
#include "selection/areaset.h"
#include "selection/values.h"
#include "shell/analyses.h"
#include "shell/curve_commands.h"
#include "shell/mapmeasures.h"
#include "tests/support/cli_run.h"
#include "tests/support/shells.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kSeed = 4242;
constexpr int kAreasToAdd = 4;

struct Sample {
  const char* grid;
  GridVariant variant;
  const char* datafile;
};

const Sample kSamples[] = {{"world", GridVariant::World, "equal/carnivora.dat"},
                           {"britain", GridVariant::Britain, "britain/butterflies.dat"}};

// Elapsed times are the one thing the two runs may not share.
std::string withoutTimes(const std::string& text) {
  return std::regex_replace(text, std::regex("[0-9]+\\.[0-9] seconds"), "# seconds");
}

// The window's host answers the number dialog with kAreasToAdd, and its
// fixed time of day, kSeed, seeds its random choices.
struct Parity : test::ShellFixture {
  fs::path seeds;
  // The tool's own program folder, made from the same shipped programdata.
  fs::path toolHome = tmp.path() / "TOOL";
  std::string toolOut, toolErr;

  // Runs `zonarium --home TOOL args...`; the exit status.
  int tool(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", toolHome.string()});
    test::CliOutput r = test::runCli(args);
    toolOut = std::move(r.out);
    toolErr = std::move(r.err);
    return r.rc;
  }

  void startSample(const Sample& sample) {
    shell.reset();
    session.reset();
    host = test::ScriptedHost();
    host.dayTime = kSeed;
    ASSERT_TRUE(start(sample.variant));
    ASSERT_TRUE(populateProgramFolder(toolHome, fs::path(ZN_SOURCE_DIR) / "programdata"));
    open(sample.datafile);
    ASSERT_TRUE(session->ws.datafile.opened) << sample.datafile;
  }
};

TEST_F(Parity, EveryRegisteredAnalysisGivesTheSameMapAndResultsInTheWindowAndTheTool) {
  std::size_t compared = 0;
  for (const Sample& sample : kSamples) {
    for (const Analysis& a : analyses()) {
      SCOPED_TRACE(std::string(sample.grid) + " " + a.name);
      startSample(sample);
      if (HasFatalFailure()) return;
      Session& s = *session;
      std::vector<std::string> analysisFlags;
      // The selections start from a set of seed areas: the first occupied
      // cells, loaded as "Select grid cells" loads them.
      if (a.kind == AnalysisKind::Selection) {
        AreaSet set;
        for (int n = 1; n <= s.ws.geo.cells && set.cells.size() < 3; ++n)
          if (s.ws.cells[static_cast<std::size_t>(n)].count > 0) set.cells.push_back(n);
        seeds = tmp.path() / "seeds.sed";
        ASSERT_TRUE(saveSeedFile(set, seeds));
        std::optional<Notice> refusal;
        ASSERT_TRUE(loadSeedFile(s.areas, s.ws.geo.cells, seeds, refusal));
        occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
        shell->dispatch(Command::Richness);  // the tool's map before the analysis: richness beside the set
        analysisFlags = {"--areas", seeds.string(), "--random-seed", std::to_string(kSeed)};
      }
      const fs::path resultsFile = home / "RESULTS.TXT", toolResults = tmp.path() / "results.txt";
      const std::string resultsBefore = test::readFile(resultsFile);

      // The window.
      std::string windowCurves;
      host.onDialog = [&windowCurves](const std::string& name, DialogModel& m) {
        if (auto* chart = dynamic_cast<CurveChartModel*>(&m)) windowCurves = curvesCsv(chart->curves);
        if (name == "SelecNumDlgBox1") dynamic_cast<NumberOfAreasModel&>(m).number = kAreasToAdd;
        if (auto* plot = dynamic_cast<SelectivePlotModel*>(&m)) {
          plot->selected = {0, 1};
          plot->action = SelectivePlotModel::Action::Plot;
        }
      };
      for (int i = 0; i < 4; ++i) host.dialogAnswers.push_back(true);
      std::vector<std::string> taxa;
      if (a.kind == AnalysisKind::Pass) shell->dispatch(Command::Richness);
      if (!a.after.empty()) shell->dispatch(findAnalysis(a.after)->command);
      host.messages.clear();
      shell->refreshMenus();
      // What the window's menu does not offer on these data, the tool refuses.
      const bool offered = shell->menu()[a.command].enabled;
      if (offered) shell->dispatch(a.command);
      const bool askedNumber =
          std::find(host.dialogs.begin(), host.dialogs.end(), "SelecNumDlgBox1") != host.dialogs.end();
      const std::string windowResults = test::readFile(resultsFile).substr(resultsBefore.size());
      if (a.code() == kCodeSelectiveRichness || a.code() == kCodeSelectiveRarity) {
        const SelectivePlotModel lines = openSelectivePlot(s.settings, s.ws, false);
        for (int line : {0, 1}) taxa.push_back(s.ws.cards.name(lines.lineTaxon[static_cast<std::size_t>(line)]));
      }

      // The tool, with the flags that stand for what the window was told.
      std::vector<std::string> common{"--grid", sample.grid};
      const std::string data = (home / sample.datafile).string();
      if (a.kind == AnalysisKind::Selection) {
        if (askedNumber) analysisFlags.insert(analysisFlags.end(), {"--areas-to-add", std::to_string(kAreasToAdd)});
      } else {
        // The options of the window after the run, as --set flags.
        analysisFlags.insert(
            analysisFlags.end(),
            {"--set", "range-centre-weighting=" + std::to_string(static_cast<int>(s.settings.rangeCentreWeighting))});
        for (const auto& t : taxa) analysisFlags.insert(analysisFlags.end(), {"--taxa", t});
        if (a.kind == AnalysisKind::Pass) analysisFlags.insert(analysisFlags.end(), {"--" + a.name, "1"});
      }
      if (a.kind == AnalysisKind::Chart) {
        // A chart leaves the map alone: the curves and the report are compared.
        const fs::path curvesFile = tmp.path() / "curves.csv";
        std::vector<std::string> curve = common;
        curve.insert(curve.end(), {"curve", data, "--out", curvesFile.string(), "--results", toolResults.string(),
                                   "--random-seed", std::to_string(kSeed)});
        fs::remove(toolResults);
        ASSERT_TRUE(offered);
        ASSERT_EQ(tool(curve), 0) << toolErr;
        EXPECT_FALSE(windowCurves.empty());
        EXPECT_EQ(windowCurves, test::readFile(curvesFile));
        EXPECT_EQ(withoutTimes(windowResults), withoutTimes(test::readFile(toolResults)));
        ++compared;
        continue;
      }
      const std::string measureName = a.kind == AnalysisKind::Measure ? a.name : "richness";
      const fs::path csv = tmp.path() / "map.csv";
      fs::remove(toolResults);
      std::vector<std::string> gis = common;
      gis.insert(gis.end(), {"export-gis", data, "--out", csv.string(),
                             a.kind == AnalysisKind::Selection ? "--select" : "--measure",
                             a.kind == AnalysisKind::Selection ? a.name : measureName});
      gis.insert(gis.end(), analysisFlags.begin(), analysisFlags.end());
      const int gisRc = tool(gis);

      if (!offered) {
        EXPECT_NE(gisRc, 0) << toolOut;
        ++compared;
        continue;
      }
      if (gisRc != 0) {
        // Refused by both: the window said why, and the tool said the same.
        ASSERT_FALSE(host.messages.empty()) << toolErr;
        for (const auto& m : host.messages)
          EXPECT_NE(toolErr.find(m.caption + ": " + m.text), std::string::npos) << toolErr;
        ++compared;
        continue;
      }
      // The window's map written by its own "Export map to GIS..." code: every
      // field the tool wrote (scores, counts, classes and what the analysis
      // says of each cell) must agree, line by line.
      const fs::path windowCsv = tmp.path() / "window.csv";
      fs::remove(windowCsv);
      ASSERT_TRUE(exportMapToGis(s, shell->display.palette, {windowCsv, "", nullptr}).ok());
      const std::string toolCsv = test::readFile(csv);
      ASSERT_GT(std::count(toolCsv.begin(), toolCsv.end(), '\n'), 1);
      EXPECT_EQ(test::readFile(windowCsv), toolCsv);  // a failure shows the differing lines

      if (a.kind == AnalysisKind::Selection) {
        std::vector<std::string> select = common;
        select.insert(select.end(), {"select", a.name, data, "--results", toolResults.string()});
        select.insert(select.end(), analysisFlags.begin(), analysisFlags.end());
        ASSERT_EQ(tool(select), 0) << toolErr;
        const std::string toolText = fs::exists(toolResults) ? test::readFile(toolResults) : "";
        EXPECT_EQ(withoutTimes(windowResults), withoutTimes(toolText));
      }
      // The map an entry declares is the one its run left, so the traits
      // the renderer and the passes read are that entry's: a map declared
      // not smoothable refuses smoothing.
      if (a.kind != AnalysisKind::Pass) {
        EXPECT_EQ(s.map.code(), a.code());
        const int passes = s.map.smoothPasses;
        smoothPass(s);
        EXPECT_EQ(s.map.smoothPasses > passes, a.traits().smoothable && s.scoresPresent);
      }
      ++compared;
    }
  }
  EXPECT_EQ(compared, 2 * analyses().size());
}

}  // namespace
}  // namespace zn
