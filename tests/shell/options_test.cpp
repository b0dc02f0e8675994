#include "shell/options.h"

#include <gtest/gtest.h>

#include <functional>

#include "measures/dispatch.h"
#include "shell/analyses.h"
#include "shell/optionstable.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

Settings darkDefaults() {
  Settings s;
  setDefaults(s);
  return s;
}

ToolsOptionsFacts facts(int candidates, bool cost = false, bool threat = false) {
  ToolsOptionsFacts f;
  f.candidateCells = candidates;
  f.costPresent = cost;
  f.threatPresent = threat;
  return f;
}

MapOptionsFacts mapFacts(int paletteSize = 256, bool zoomed = false) {
  MapOptionsFacts f;
  f.paletteSize = paletteSize;
  f.zoomed = zoomed;
  return f;
}

// ----- Tools options

// Every bound radio stores its own value and clears the others of its field;
// every check box stores 1 when ticked (0 when inverted); a model opened on
// what was stored shows the same choice. The control tables are the code's:
// what is checked here is that the model keeps to them.
template <class Model>
void expectBindingsHold(const std::vector<Control>& controls, const std::function<Model(const Settings&)>& open) {
  Model m = open(darkDefaults());
  for (const Control& c : controls) {
    SCOPED_TRACE(c);
    if (c.kind == Control::Radio) {
      m.setChecked(c, true);
      EXPECT_EQ(c.field.get(m.settings), c.value);
      for (const Control& other : controls)
        if (other.kind == Control::Radio && other.field == c.field) {
          EXPECT_EQ(m.checked(other), other == c) << other;
        }
      EXPECT_TRUE(open(m.settings).checked(c)) << "reopened";
    } else if (c.kind == Control::Check || c.kind == Control::InvertedCheck) {
      const int ticked = c.kind == Control::Check ? 1 : 0;
      for (bool on : {true, false}) {
        m.setChecked(c, on);
        EXPECT_EQ(c.field.get(m.settings), on ? ticked : 1 - ticked);
        EXPECT_EQ(m.checked(c), on);
        EXPECT_EQ(open(m.settings).checked(c), on) << "reopened";
      }
    }
  }
  // Clearing a radio does not leave its group empty.
  for (const Control& c : controls)
    if (c.kind == Control::Radio && m.checked(c)) {
      m.setChecked(c, false);
      EXPECT_TRUE(m.checked(c)) << c;
    }
}

// The threshold is shown among the candidate cells, with its share of them;
// without candidate cells it is kept as stored and takes no input.
TEST(ToolsOptionsModel, TheThresholdIsShownAmongTheCandidateCells) {
  struct Case {
    int stored;
    int candidates;
    int shown;
    const char* percent;
  };
  const Case cases[] = {
      {1, 50, 2, "4.0%"},  {10, 50, 10, "20.0%"}, {80, 50, 50, "100.0%"},
      {5, 1, 1, "100.0%"},                                            // one candidate cell cannot give 2
      {2, 3, 2, "66.7%"},  {7, 7, 7, "100.0%"},   {7, 0, 7, "0.0%"},  // nothing to measure it against
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.stored) + " among " + std::to_string(c.candidates));
    Settings s = darkDefaults();
    s.rangeSizeThreshold = c.stored;
    ToolsOptionsModel m(s, facts(c.candidates));
    EXPECT_EQ(m.number(topt::kThreshold), c.shown);
    EXPECT_EQ(m.opened.rangeSizeThreshold, c.stored);
    EXPECT_EQ(m.thresholdPercentText(), c.percent);
    EXPECT_EQ(m.enabled(topt::kThreshold), c.candidates > 0);
    m.setNumber(topt::kThreshold, 1);
    EXPECT_EQ(m.number(topt::kThreshold), c.candidates > 0 ? 1 : c.stored);
  }
}

TEST(ToolsOptionsModel, NumbersAreKeptWithinTheirRanges) {
  Settings s = darkDefaults();
  s.nearMinimumGoal = 0;
  s.greedyGoal = 500;
  s.exactTimeLimit = 0;  // an old options file
  ToolsOptionsModel m(s, facts(10));
  EXPECT_EQ(m.number(topt::kGoal), 1);
  EXPECT_EQ(m.number(topt::kGreedyGoal), 99);
  EXPECT_EQ(m.number(topt::kExactTimeLimit), 60);
  struct Case {
    Control id;
    int low, high;
  };
  // The threshold runs from 1 to the candidate cells.
  for (Case c : {Case{topt::kGoal, 1, 99}, Case{topt::kGreedyGoal, 1, 99}, Case{topt::kExactTimeLimit, 1, 86400},
                 Case{topt::kThreshold, 1, 10}}) {
    EXPECT_EQ(m.numberRange(c.id), (std::pair<int, int>{c.low, c.high})) << c.id;
    for (auto [typed, kept] : {std::pair{c.high + 1, c.high}, {-3, c.low}, {c.low, c.low}, {c.high, c.high}, {2, 2}}) {
      m.setNumber(c.id, typed);
      EXPECT_EQ(m.number(c.id), kept) << c.id << " typed " << typed;
    }
  }
}

// A goal above 1 means no re-ordering and a re-ordering means goal 1.
TEST(ToolsOptionsModel, GoalAndReorderingExcludeEachOther) {
  ToolsOptionsModel m(darkDefaults(), facts(10, false, /*threat=*/true));
  ASSERT_TRUE(m.checked(topt::kReorderRichness));
  m.setNumber(topt::kGoal, 3);
  EXPECT_EQ(m.settings.reordering, Reordering::kNone);
  for (Control id : {topt::kReorderRichness, topt::kReorderRarity, topt::kReorderThreat}) EXPECT_FALSE(m.checked(id));

  for (Control id : {topt::kReorderRarity, topt::kReorderThreat, topt::kReorderRichness}) {
    m.setNumber(topt::kGoal, 4);
    m.setChecked(id, true);
    EXPECT_EQ(m.number(topt::kGoal), 1) << id;
    EXPECT_TRUE(m.checked(id));
  }
  // Back to a goal of 1 keeps the re-ordering chosen; the greedy goal is apart.
  m.setNumber(topt::kGoal, 1);
  m.setNumber(topt::kGreedyGoal, 5);
  EXPECT_EQ(m.settings.reordering, Reordering::kByRichness);

  // Opening shows the stored choices by the same rule.
  using R = Reordering;
  struct Case {
    Reordering reordering;
    int goal;
    bool threat;
    Reordering shown;
  };
  const Case cases[] = {
      {R::kByThreat, 1, false, R::kByRichness},  // threat without threat data falls back to richness
      {R::kByThreat, 1, true, R::kByThreat},
      {R::kByRichness, 5, false, R::kNone},  // goal above 1: no re-ordering
  };
  for (const Case& c : cases) {
    Settings s = darkDefaults();
    s.reordering = c.reordering;
    s.nearMinimumGoal = c.goal;
    ToolsOptionsModel opened(s, facts(10, false, c.threat));
    EXPECT_EQ(opened.settings.reordering, c.shown)
        << static_cast<int>(c.reordering) << " goal " << c.goal << " threat " << c.threat;
  }
  // Equal range-centre weighting has no radio of its own: neither shows.
  Settings equal = darkDefaults();
  equal.rangeCentreWeighting = RangeWeighting::kEqual;
  ToolsOptionsModel unweighted(equal, facts(10));
  EXPECT_FALSE(unweighted.checked(topt::kLargeRanges) || unweighted.checked(topt::kSmallRanges));
}

// Without the data a choice needs, its control is off and takes no input.
TEST(ToolsOptionsModel, ChoicesWithoutTheirDataAreDisabledAndRefused) {
  Settings s = darkDefaults();
  s.optimiseByCost = Flag::kOn;
  for (bool data : {false, true}) {
    ToolsOptionsModel m(s, facts(10, /*cost=*/data, /*threat=*/data));
    EXPECT_EQ(m.enabled(topt::kOptimiseCost), data);
    EXPECT_EQ(m.checked(topt::kOptimiseCost), data);
    EXPECT_EQ(m.enabled(topt::kReorderThreat), data);
  }
  ToolsOptionsModel without(s, facts(10));
  without.setChecked(topt::kOptimiseCost, true);
  EXPECT_EQ(without.settings.optimiseByCost, Flag::kOff);
  without.setChecked(topt::kReorderThreat, true);
  EXPECT_EQ(without.settings.reordering, Reordering::kByRichness);
}

// OK writes the dialog's own slots only: what the other dialog or the
// record changed meanwhile stays.
TEST(OptionsModels, OkWritesOnlyTheDialogsSlots) {
  Settings record = darkDefaults();
  record.rangeSizeThreshold = 5;
  ToolsOptionsModel tools(record, facts(20));
  MapOptionsModel map(record, "", mapFacts());
  tools.setChecked(topt::kRarityDifference, true);
  tools.setChecked(topt::kTwoTail, true);
  tools.setNumber(topt::kThreshold, 9);
  tools.setChecked(topt::kCancelRerun, true);
  map.setChecked(mopt::kBackgroundWhite, true);
  tools.settings.backgroundColour = Shade::kBlack;
  map.settings.rarityFormula = RarityFormula::kInverseSquare;
  record.areasToAdd = 33;
  AreaSet areas;
  tools.apply(record, areas);
  EXPECT_EQ(record.backgroundColour, Shade::kGrey);
  MapRecord shown;
  map.apply(record, shown);
  EXPECT_EQ(record.rarityFormula, RarityFormula::kDifference);
  EXPECT_EQ(record.twoTailed, Tails::kTwo);
  EXPECT_EQ(record.rangeSizeThreshold, 9);
  EXPECT_EQ(record.backgroundColour, Shade::kWhite);
  EXPECT_EQ(record.areasToAdd, 33);
}

TEST(ToolsOptionsModel, ReRunFollowsWhatChangedSinceOpening) {
  struct Case {
    const char* what;
    Control id;
    bool cancel;
    bool rerun;
  };
  const Case cases[] = {
      {"rarity formula", topt::kRarityDifference, false, true},
      {"rarity formula, cancel re-run", topt::kRarityDifference, true, false},
      {"time limit, no area-selection choice", topt::kExactTimeLimit, false, false},
  };
  for (const Case& c : cases) {
    Settings record = darkDefaults();
    record.rangeSizeThreshold = 5;
    ToolsOptionsModel m(record, facts(20));
    if (c.id.kind == Control::Number) m.setNumber(c.id, 300);
    else m.setChecked(c.id, !m.checked(c.id));
    m.setChecked(topt::kCancelRerun, c.cancel);
    AreaSet areas;
    m.apply(record, areas);
    if (c.id.kind == Control::Number) {
      EXPECT_EQ(record.exactTimeLimit, 300);
    }
    EXPECT_EQ(toolsOptionsNeedRerun(m.opened, record, m.cancelRerun, settingsReadByMaps()), c.rerun) << c.what;
  }
}

TEST(ToolsOptionsModel, ClearButtonsActOnOkOnly) {
  struct Case {
    int areas, seeds;
    bool pressNew, pressAll;
    bool newEnabled, allEnabled;
    int left;
  };
  const Case cases[] = {
      {5, 2, true, false, true, true, 2},  {5, 2, false, true, true, true, 0}, {5, 2, true, true, true, true, 0},
      {3, 3, true, false, false, true, 3},  // only seeds: "Clear new" has nothing to do
      {0, 0, true, true, false, false, 0},
  };
  for (const Case& c : cases) {
    ToolsOptionsFacts f = facts(10);
    f.areaCount = c.areas;
    f.seedCount = c.seeds;
    ToolsOptionsModel m(darkDefaults(), f);
    EXPECT_EQ(m.clearNewEnabled(), c.newEnabled) << c.areas << "/" << c.seeds;
    EXPECT_EQ(m.clearAllEnabled(), c.allEnabled) << c.areas << "/" << c.seeds;
    if (c.pressNew) m.pressClearNew();
    if (c.pressAll) m.pressClearAll();
    EXPECT_EQ(m.areasAfterClear(), c.left);
    EXPECT_EQ(m.redrawRequested(), c.left != c.areas);

    AreaSet set;
    for (int i = 1; i <= c.areas; ++i) set.cells.push_back(i * 10);
    set.seedCount = c.seeds;
    Settings record = darkDefaults();
    m.apply(record, set);
    EXPECT_EQ(set.count(), c.left) << c.areas << "/" << c.seeds;
    EXPECT_LE(set.seedCount, set.count());
  }
}

TEST(ToolsOptionsModel, FactsComeFromTheSession) {
  test::Loaded l(test::fourTaxa());
  l.s.costPresent = true;
  l.s.areas.cells = {2, 40};
  l.s.areas.seedCount = 1;
  const ToolsOptionsFacts f = toolsOptionsFacts(l.s, /*threatPresent=*/true);
  // Delta in cell 3 is the only taxon left unrepresented.
  EXPECT_EQ(f.candidateCells, 1);
  EXPECT_TRUE(f.costPresent);
  EXPECT_TRUE(f.threatPresent);
  EXPECT_EQ(f.areaCount, 2);
  EXPECT_EQ(f.seedCount, 1);
  l.s.areas.cells.clear();
  l.s.areas.seedCount = 0;
  EXPECT_EQ(toolsOptionsFacts(l.s, false).candidateCells, 4);
}

// ----- The tool's keys

// A key's word does what the dialog's control does, the goal's rule
// included. (Values refused and keys in conflict: the tool's select cases.)
TEST(OptionSettings, ToolValuesStoreWhatTheDialogStores) {
  struct Case {
    const char* key;
    const char* value;
    int goal;  // the near-minimum goal before
    std::function<void(Settings&)> expect;
  };
  const Case cases[] = {
      {"goal", "3", 1, [](Settings& s) { s.nearMinimumGoal = 3, s.reordering = Reordering::kNone; }},
      {"reorder", "rarity", 3, [](Settings& s) { s.nearMinimumGoal = 1, s.reordering = Reordering::kByRarity; }},
      {"reorder", "none", 3, [](Settings& s) { s.nearMinimumGoal = 3, s.reordering = Reordering::kNone; }},
      {"greedy-goal", "7", 3, [](Settings& s) { s.nearMinimumGoal = 3, s.greedyGoal = 7; }},
      {"residuals", "abs", 1, [](Settings& s) { s.residualsNotRelative = Flag::kOn; }},
      {"flexibility-map", "all", 1,
       [](Settings& s) { s.flexibilityMap = s.mapAllFlexible = Flag::kOn, s.flexibilityPartial = Flag::kOff; }},
  };
  for (const Case& c : cases) {
    const OptionSetting* o = optionSettingByKey(c.key);
    ASSERT_TRUE(o) << c.key;
    Settings s = darkDefaults(), want = s;
    s.nearMinimumGoal = want.nearMinimumGoal = c.goal;
    if (c.goal > 1) s.reordering = want.reordering = Reordering::kNone;
    EXPECT_TRUE(applyOptionValue(s, *o, c.value)) << c.key << "=" << c.value;
    c.expect(want);
    EXPECT_TRUE(s == want) << c.key << "=" << c.value;
  }
}

// ----- Map drawing options

TEST(MapOptionsModel, ColourModes256OnlyOnA256EntryPalette) {
  struct Case {
    int palette;
    Control id;
    int stored;
    Control shown;
  };
  const Case cases[] = {
      {16, mopt::kDark256, 1, mopt::kSixteen},
      {16, mopt::kSixteen, 1, mopt::kSixteen},
      {16, mopt::kMonoLog, 0, mopt::kMonoLog},
  };
  for (const Case& c : cases) {
    Settings s = darkDefaults();
    s.colourMode = kMonoLin;
    MapOptionsModel m(s, "", mapFacts(c.palette));
    m.setChecked(c.id, true);
    EXPECT_EQ(m.settings.colourMode, c.stored) << c.id << " on " << c.palette;
    for (Control other : {mopt::kMonoLog, mopt::kMonoLin, mopt::kSixteen, mopt::kDark256, mopt::kLight256})
      EXPECT_EQ(m.checked(other), other == c.shown) << c.id << " on " << c.palette << ": " << other;
  }
}

TEST(MapOptionsModel, MonochromeOnAColouredBackgroundTurnsItWhite) {
  for (Control mono : {mopt::kMonoLog, mopt::kMonoLin}) {
    MapOptionsModel m(darkDefaults(), "", mapFacts());  // grey background, fill on
    m.setChecked(mopt::kCoastWhite, true);
    m.setChecked(mopt::kFineGrey, true);
    m.setChecked(mono, true);
    EXPECT_TRUE(m.checked(mopt::kBackgroundWhite)) << mono;
    EXPECT_TRUE(m.checked(mopt::kCoastBlack)) << mono;
    EXPECT_TRUE(m.checked(mopt::kFineBlack)) << mono;
    EXPECT_FALSE(m.checked(mopt::kFillFrameCoast)) << mono;
  }
  // Already white: the other colours are left as chosen.
  Settings light = darkDefaults();
  light.backgroundColour = Shade::kWhite;
  light.coastColour = CoastColour::kWhite;
  MapOptionsModel m(light, "", mapFacts());
  m.setChecked(mopt::kMonoLog, true);
  EXPECT_TRUE(m.checked(mopt::kCoastWhite));
}

TEST(MapOptionsModel, FillFrameCoastOnlyIn256ColourAndNotZoomed) {
  struct Case {
    ColourMode mode;
    bool zoomed;
    bool fillBefore;
    bool enabled;
    bool afterTicking;
  };
  const Case cases[] = {
      {kDarkColour, false, false, true, true},    {kLightColour, false, false, true, true},
      {kDarkColour, true, false, false, false},   {kSixteenColour, false, false, false, false},
      {kMonoLin, false, false, false, false},     {kDarkColour, true, true, true, false},
      {kSixteenColour, false, true, true, false},  // may be cleared, not ticked again
  };
  for (const Case& c : cases) {
    Settings s = darkDefaults();
    s.colourMode = c.mode;
    s.fillFrameCoast = flagOf(c.fillBefore);
    s.frameShown = Flag::kOff;
    MapOptionsModel m(s, "", mapFacts(256, c.zoomed));
    EXPECT_EQ(m.enabled(mopt::kFillFrameCoast), c.enabled) << c.mode << " zoomed " << c.zoomed;
    m.setChecked(mopt::kFillFrameCoast, false);
    m.setChecked(mopt::kFillFrameCoast, true);
    EXPECT_EQ(m.checked(mopt::kFillFrameCoast), c.afterTicking) << c.mode << " zoomed " << c.zoomed;
    // Ticking it ticks the frame.
    EXPECT_EQ(m.checked(mopt::kFrame), c.afterTicking) << c.mode;
  }
}

// Radios spread over several fields of the record: each choice shows alone,
// and a model opened on what it stored shows it again.
template <class Model>
void expectExclusiveRadios(const std::vector<Control>& group, Control byDefault,
                           const std::function<Model(const Settings&)>& open) {
  Model m = open(darkDefaults());
  EXPECT_TRUE(m.checked(byDefault));
  for (const Control& c : group) {
    m.setChecked(c, true);
    for (const Control& other : group) EXPECT_EQ(m.checked(other), other == c) << c << " " << other;
    EXPECT_TRUE(open(m.settings).checked(c)) << c << " reopened";
  }
}

TEST(OptionsModels, EachRadioAndCheckBoxKeepsToItsBindingAndGroupsOverFieldsAreExclusive) {
  const std::function<ToolsOptionsModel(const Settings&)> tools = [](const Settings& s) {
    return ToolsOptionsModel(s, facts(10, /*cost=*/true, /*threat=*/true));
  };
  const std::function<MapOptionsModel(const Settings&)> map = [](const Settings& s) {
    return MapOptionsModel(s, "richness", mapFacts());
  };
  expectBindingsHold(toolsControls(), tools);
  expectBindingsHold(mapControls(), map);
  expectExclusiveRadios({topt::kMapAllFlexible, topt::kMapPartial, topt::kMapByOrder, topt::kMapIrreplaceable},
                        topt::kMapIrreplaceable, tools);
  expectExclusiveRadios({mopt::kScaleBarOff, mopt::kScaleBarPlain, mopt::kScaleBarHistogram, mopt::kScaleBarNumbers},
                        mopt::kScaleBarNumbers, map);
}

TEST(MapOptionsModel, ScoreScaleKeepsColoursOrNumbersTicked) {
  struct Case {
    CellLabels stored;
    Control id;
    bool on;
    CellLabels after;
  };
  constexpr CellLabels C = CellLabels::kColours, B = CellLabels::kColoursAndNumbers, N = CellLabels::kNumbers;
  const Case cases[] = {
      {B, mopt::kScaleNumbers, false, C}, {B, mopt::kScaleColours, false, N}, {C, mopt::kScaleColours, false, C},
      {N, mopt::kScaleNumbers, false, N}, {C, mopt::kScaleNumbers, true, B},  {N, mopt::kScaleColours, true, B},
  };
  for (const Case& c : cases) {
    Settings s = darkDefaults();
    s.coloursAndNumbers = c.stored;
    MapOptionsModel m(s, "", mapFacts());
    m.setChecked(c.id, c.on);
    EXPECT_EQ(m.settings.coloursAndNumbers, c.after) << static_cast<int>(c.stored) << " " << c.id << " " << c.on;
    EXPECT_TRUE(m.checked(mopt::kScaleColours) || m.checked(mopt::kScaleNumbers));
  }
}

TEST(MapOptionsModel, BoundariesAndRiversClearThemselvesAndStoreNothing) {
  const Settings s = darkDefaults();
  MapOptionsModel m(s, "", mapFacts());
  for (Control id : {mopt::kBoundaries, mopt::kRivers}) {
    m.setChecked(id, true);
    EXPECT_FALSE(m.checked(id));
  }
  m.setChecked(mopt::kBoundariesWhite, true);
  m.setChecked(mopt::kRiversGrey, true);
  EXPECT_TRUE(m.checked(mopt::kBoundariesWhite));
  EXPECT_FALSE(m.checked(mopt::kBoundariesBlack));
  EXPECT_TRUE(m.checked(mopt::kRiversGrey));
  EXPECT_TRUE(m.settings == s);
  EXPECT_FALSE(m.changes().any);
}

TEST(MapOptionsModel, DefaultButtonsResetTheRecordButKeepTheCountingLevelAndZoom) {
  for (bool light : {false, true}) {
    for (bool zoomed : {false, true}) {
      Settings record = darkDefaults();
      record.colourMode = kMonoLog;
      record.backgroundColour = Shade::kBlack;
      record.excludedLevel = 2;
      record.zoomArmed = Flag::kOn;
      record.measureCode = kCodeGreedy;
      MapOptionsModel m(record, "richness", mapFacts(256, zoomed));
      m.chooseDefaults(light);
      EXPECT_TRUE(m.defaultsChosen);
      MapRecord map;
      m.apply(record, map);

      Settings expected;
      expected.measureCode = kCodeGreedy;
      expected.lightDefaults = flagOf(light);
      setDefaults(expected, zoomed);
      expected.excludedLevel = 2;
      expected.zoomArmed = Flag::kOn;
      EXPECT_TRUE(record == expected) << "light " << light << " zoomed " << zoomed;
      EXPECT_EQ(record.fillFrameCoast, flagOf(!light && !zoomed));
      EXPECT_TRUE(m.changes().palette);
    }
  }
}

TEST(MapOptionsModel, TitleEditHoldsThirtyCharactersAndIsWrittenOnlyWhenChanged) {
  const std::string longTitle = "smoothed (9) range-size rarity (inverse square)";
  MapOptionsModel m(darkDefaults(), longTitle, mapFacts());
  MapRecord map;
  map.title = longTitle;
  Settings record = darkDefaults();
  m.apply(record, map);
  EXPECT_EQ(map.title, longTitle);  // shown cut in the edit, but not edited
  EXPECT_FALSE(m.changes().title);

  m.setTitle("My own title that is far too long for the edit");
  EXPECT_EQ(m.title, "My own title that is far too l");
  EXPECT_TRUE(m.changes().title);
  EXPECT_TRUE(m.changes().any);
  m.apply(record, map);
  EXPECT_EQ(map.title, "My own title that is far too l");

  // A cut never splits a character.
  m.setTitle(std::string(29, 'a') + "\xc3\xa9" + "b");
  EXPECT_EQ(m.title, std::string(29, 'a'));
}

TEST(MapOptionsModel, TitleOfImportedOverlayScoresCannotBeEdited) {
  struct Case {
    int code;
    int importKind;
    bool editable;
  };
  const Case cases[] = {{1, kNotImported, true},
                        {10, kImportSingle, true},
                        {10, kImportForegroundBackground, false},
                        {10, kImportThreeAxis, false},
                        {11, kNotImported, false}};
  test::ScriptedHost host;
  for (const Case& c : cases) {
    Session s(host, "/nonexistent");
    s.map.show(mapTraits(static_cast<MeasureCode>(c.code)));
    s.map.importKind = c.importKind;
    Palette p;
    const MapOptionsFacts f = mapOptionsFacts(s, p);
    EXPECT_EQ(f.titleEditable, c.editable) << c.code << "/" << c.importKind;
    MapOptionsModel m(s.settings, "imported", f);
    EXPECT_EQ(m.enabled(mopt::kTitleText), c.editable);
    m.setTitle("other");
    EXPECT_EQ(m.title, c.editable ? "other" : "imported");
  }
}

TEST(MapOptionsModel, ChangesTellWhatToRebuild) {
  struct Case {
    Control id;
    bool palette, reclass;
  };
  const Case cases[] = {{mopt::kLight256, true, true},
                        {mopt::kMaxSeparate, true, true},
                        {mopt::kEqualInterval, false, true},
                        {mopt::kBackgroundBlack, false, false},
                        {mopt::kCoast, false, false}};
  for (const Case& c : cases) {
    MapOptionsModel m(darkDefaults(), "", mapFacts());
    m.setChecked(c.id, !m.checked(c.id));
    const MapOptionsChanges ch = m.changes();
    EXPECT_TRUE(ch.any) << c.id;
    EXPECT_EQ(ch.palette, c.palette) << c.id;
    EXPECT_EQ(ch.reclass, c.reclass) << c.id;
  }
}

// ----- Map info

// The rows whose text or presence follows the record.
TEST(MapInfoModel, RowsFollowTheMapRecord) {
  auto value = [](const MapRecord& r, const std::string& label) {
    for (const InfoRow& row : mapInfoRows(r))
      if (row.first == label) return row.second;
    return std::string("(absent)");
  };
  MapRecord m;
  m.groupCode = "12";
  m.excludedLevel = 1;
  m.mapMaximum = 17.25;
  m.show(mapTraits(kCodeRangeSizeRarity));
  EXPECT_EQ(value(m, "Subgroup:"), "12");
  EXPECT_EQ(value(m, "Data level:"), "2 and above");
  EXPECT_EQ(value(m, "Map maximum:"), "17.25");
  EXPECT_EQ(value(m, "Measure code:"), "2");
  EXPECT_EQ(value(m, "Score offset:"), "(absent)");
  EXPECT_EQ(value(m, "Imported scores:"), "(absent)");
  m.groupCode.clear();
  m.scoreOffset = -3.5;
  m.importedName = "rain.scr";
  EXPECT_EQ(value(m, "Subgroup:"), "all subgroups");
  EXPECT_EQ(value(m, "Score offset:"), "-3.5");
  EXPECT_EQ(value(m, "Imported scores:"), "rain.scr");
}

TEST(MapInfoModel, SwapShowsTheOtherMapAndTwoSwapsCancel) {
  MapRecord fg, bg;
  fg.title = "richness";
  bg.title = "median range size";
  MapInfoModel m(fg, bg, true, false);
  m.pressSwap();
  EXPECT_TRUE(m.swapRequested);
  EXPECT_EQ(m.rows().front().second, "median range size");
  m.pressSwap();
  EXPECT_FALSE(m.swapRequested);
  EXPECT_EQ(m.rows().front().second, "richness");

  MapInfoModel in3d(fg, bg, false, false, /*swapAllowed=*/false);
  in3d.pressSwap();
  EXPECT_FALSE(in3d.swapRequested);
  EXPECT_EQ(in3d.rows().front().second, "richness");
}

}  // namespace
}  // namespace zn
