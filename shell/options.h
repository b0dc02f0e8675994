// The option dialogs as plain logic: "Tools options", "Map drawing options"
// and "Map info". Each model works on a copy of what it edits, binds every
// control to the settings field it sets (each control names its field),
// keeps every control's rule (clamping, enabling, what one choice does to
// another) and writes back only on OK through apply(). The Qt dialogs in ui/
// name each widget after its control and refresh every widget from the model
// after each change, so no rule lives in a widget.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "display/palette.h"
#include "store/maprecord.h"
#include "store/requests.h"
#include "store/session.h"
#include "store/settings.h"

namespace zn {

// ---------------------------------------------------------------------------
// Controls

// A check box, radio button or edit of an option dialog: the name its widget
// carries and what it is bound to. A radio stores its value in its field, a
// check box stores 1 (inverted: 0) in its field when ticked, a number edit
// stores the number; a control whose rule spans more than one field, or
// none, is a rule the model carries out by name. Controls are told apart by
// their names.
struct Control {
  enum Kind { Rule, Radio, Check, InvertedCheck, Number };
  const char* name = nullptr;
  Kind kind = Rule;
  SettingsField field{};
  std::int32_t value = 0;

  friend bool operator==(const Control& a, const Control& b) {
    return a.name && b.name ? std::string_view(a.name) == b.name : a.name == b.name;
  }
  friend std::ostream& operator<<(std::ostream& out, const Control& c) { return out << (c.name ? c.name : "(none)"); }
};

template <auto Member>
using FieldType = std::remove_cvref_t<decltype(std::declval<Settings&>().*Member)>;

// The radio button that chooses `value` for the field `Member`.
template <auto Member>
constexpr Control radioControl(const char* name, FieldType<Member> value) {
  return {name, Control::Radio, settingsField<Member>(), static_cast<std::int32_t>(value)};
}
template <auto Member>
constexpr Control checkControl(const char* name) {
  return {name, Control::Check, settingsField<Member>()};
}
// A check box that is ticked when its field holds 0.
template <auto Member>
constexpr Control invertedCheckControl(const char* name) {
  return {name, Control::InvertedCheck, settingsField<Member>()};
}
template <auto Member>
constexpr Control numberControl(const char* name) {
  return {name, Control::Number, settingsField<Member>()};
}
constexpr Control ruleControl(const char* name) { return {name}; }

// Whether a radio or check box shows as chosen in `s`, and what choosing or
// ticking it (on) or clearing it stores; false for a control bound to no
// field, whose rule its model carries out itself.
bool controlChecked(const Settings& s, const Control& c);
bool storeControl(Settings& s, const Control& c, bool on);

// ---------------------------------------------------------------------------
// Tools options

// The controls of "Tools options".
namespace topt {
// Measures
inline constexpr Control kRarityDifference =
    radioControl<&Settings::rarityFormula>("rarityDifference", RarityFormula::kDifference);
inline constexpr Control kRarityInverse =
    radioControl<&Settings::rarityFormula>("rarityInverse", RarityFormula::kInverse);
inline constexpr Control kRarityInverseSquare =
    radioControl<&Settings::rarityFormula>("rarityInverseSquare", RarityFormula::kInverseSquare);
inline constexpr Control kLargeRanges =
    radioControl<&Settings::rangeCentreWeighting>("largeRanges", RangeWeighting::kLargeRanges);
inline constexpr Control kSmallRanges =
    radioControl<&Settings::rangeCentreWeighting>("smallRanges", RangeWeighting::kSmallRanges);
// Not a widget: the range-centres commands set the equal weighting.
inline constexpr Control kEqualRanges =
    radioControl<&Settings::rangeCentreWeighting>("equalRanges", RangeWeighting::kEqual);
inline constexpr Control kNeighbourhood9 =
    radioControl<&Settings::neighbourhoodSize>("neighbourhood9", NeighbourhoodSize::kNine);
inline constexpr Control kNeighbourhood25 =
    radioControl<&Settings::neighbourhoodSize>("neighbourhood25", NeighbourhoodSize::kTwentyFive);
inline constexpr Control kSmoothMedian = radioControl<&Settings::smoothByMean>("smoothMedian", Smoothing::kMedian);
inline constexpr Control kSmoothMean = radioControl<&Settings::smoothByMean>("smoothMean", Smoothing::kMean);
inline constexpr Control kResidualsRelative =
    invertedCheckControl<&Settings::residualsNotRelative>("residualsRelative");
inline constexpr Control kMeasuresRelative = checkControl<&Settings::relativeToRichness>("measuresRelative");
// Hotspot area set
inline constexpr Control kHotspotRichness =
    radioControl<&Settings::hotspotKind>("hotspotRichness", HotspotKind::kRichness);
inline constexpr Control kHotspotRarity = radioControl<&Settings::hotspotKind>("hotspotRarity", HotspotKind::kRarity);
inline constexpr Control kHotspotRareQuartile =
    radioControl<&Settings::hotspotKind>("hotspotRareQuartile", HotspotKind::kRareQuartile);
inline constexpr Control kHotspotThreshold =
    radioControl<&Settings::hotspotKind>("hotspotThreshold", HotspotKind::kThreshold);
inline constexpr Control kHotspotResiduals =
    radioControl<&Settings::hotspotKind>("hotspotResiduals", HotspotKind::kResiduals);
inline constexpr Control kThreshold = numberControl<&Settings::rangeSizeThreshold>("threshold");
// The threshold as a share of the candidate cells.
inline constexpr Control kThresholdPercent = ruleControl("thresholdPercent");
// Near-optimum area set
inline constexpr Control kGoal = numberControl<&Settings::nearMinimumGoal>("goal");
inline constexpr Control kReorderRichness =
    radioControl<&Settings::reordering>("reorderRichness", Reordering::kByRichness);
inline constexpr Control kReorderRarity = radioControl<&Settings::reordering>("reorderRarity", Reordering::kByRarity);
inline constexpr Control kReorderThreat = radioControl<&Settings::reordering>("reorderThreat", Reordering::kByThreat);
// Not a widget: the dialog chooses no re-ordering through a goal above 1.
inline constexpr Control kReorderNone = radioControl<&Settings::reordering>("reorderNone", Reordering::kNone);
inline constexpr Control kRejectRedundant = checkControl<&Settings::rejectRedundant>("rejectRedundant");
inline constexpr Control kIncludeSeeds = checkControl<&Settings::includeSeeds>("includeSeeds");
inline constexpr Control kOptimiseCost = checkControl<&Settings::optimiseByCost>("optimiseCost");
inline constexpr Control kExtraTieBreaks = checkControl<&Settings::extraTieBreaks>("extraTieBreaks");
inline constexpr Control kTieLowestCell = radioControl<&Settings::lastTieRandom>("tieLowestCell", LastTie::kLowestCell);
inline constexpr Control kTieRandom = radioControl<&Settings::lastTieRandom>("tieRandom", LastTie::kRandom);
// Seconds the exact sets may search.
inline constexpr Control kExactTimeLimit = numberControl<&Settings::exactTimeLimit>("exactTimeLimit");
// The four ways of mapping a set, over three flags.
inline constexpr Control kMapByOrder = ruleControl("mapByOrder");
inline constexpr Control kMapIrreplaceable = ruleControl("mapIrreplaceable");
inline constexpr Control kMapPartial = ruleControl("mapPartial");
inline constexpr Control kMapAllFlexible = ruleControl("mapAllFlexible");
// Greedy area set
inline constexpr Control kGreedyRichness =
    radioControl<&Settings::greedyByRarity>("greedyRichness", GreedyBy::kRichness);
inline constexpr Control kGreedyRarity = radioControl<&Settings::greedyByRarity>("greedyRarity", GreedyBy::kRarity);
inline constexpr Control kGreedyGoal = numberControl<&Settings::greedyGoal>("greedyGoal");
inline constexpr Control kGreedyReject = checkControl<&Settings::greedyRejectRedundant>("greedyReject");
inline constexpr Control kGreedyIncludeSeeds = checkControl<&Settings::greedyIncludeSeeds>("greedyIncludeSeeds");
// Random area sets
inline constexpr Control kSingleTail = radioControl<&Settings::twoTailed>("singleTail", Tails::kSingle);
inline constexpr Control kTwoTail = radioControl<&Settings::twoTailed>("twoTail", Tails::kTwo);
// Results file
inline constexpr Control kLongReports = checkControl<&Settings::longReports>("longReports");
inline constexpr Control kBaseOnPresent = checkControl<&Settings::baseOnPresent>("baseOnPresent");
// Not a setting: closing with OK starts no re-run.
inline constexpr Control kCancelRerun = ruleControl("cancelRerun");
}  // namespace topt

// Every control of "Tools options", in the dialog's order.
const std::vector<Control>& toolsControls();

// What "Tools options" needs to know besides the settings.
struct ToolsOptionsFacts {
  int candidateCells = 0;      // counted just before the dialog opens
  bool costPresent = false;    // Session::costPresent
  bool threatPresent = false;  // the shell's threat flag
  int areaCount = 0;           // for "Clear new" / "Clear all"
  int seedCount = 0;
};

// The facts as the session stands; counts the candidate cells (the caller
// runs the occupancy pass first).
ToolsOptionsFacts toolsOptionsFacts(Session& s, bool threatPresent);

enum class AreaClear { None, NewAreas, AllAreas };

// Constructor: ToolsOptionsModel(session.settings, toolsOptionsFacts(...)).
// Opening corrects the copy: the range-size threshold into 2 … candidate
// cells, both goals into their range, cost optimisation off without cost data,
// re-ordering by threat back to richness without threat data, no
// re-ordering while the near-minimum goal is above 1, and the exact sets'
// time limit into 1 … 86400 seconds (60 when outside).
//
// apply(settings, areas) on OK writes every slot the dialog owns (rarity
// formula, range-centre weighting, neighbourhood size, smoothing kind,
// residual form, measures relative to richness, range-size threshold, hotspot
// kind, the near-minimum, greedy and random-set options, the exact sets'
// time limit, long reports, base %)
// and carries out "Clear new" / "Clear all". It leaves every other slot alone.
// Afterwards the shell compares `opened` with the record
// (toolsOptionsNeedRerun(model.opened, s.settings, model.cancelRerun, settingsReadByMaps())) and
// redraws when redrawRequested().
struct ToolsOptionsModel : DialogModel {
  ToolsOptionsModel(const Settings& current, const ToolsOptionsFacts& facts);
  static const char* controlName(const Control& c) { return c.name; }

  Settings opened;    // the record as the dialog opened, before its corrections
  Settings settings;  // the working copy the controls edit
  ToolsOptionsFacts facts;
  bool cancelRerun = false;
  AreaClear clearAreas = AreaClear::None;  // the last of "Clear new" / "Clear all" pressed

  // Check boxes and radio buttons.
  bool checked(const Control& c) const;
  // Ticks or clears a check box; for a radio button `on` = true chooses it
  // (clearing a radio does nothing). Refused while the control is disabled.
  void setChecked(const Control& c, bool on);
  bool enabled(const Control& c) const;

  // The number edits: the threshold, the two goals and the exact sets' time
  // limit in seconds.
  int number(const Control& c) const;
  void setNumber(const Control& c, int value);
  // Lowest and highest value the edit takes.
  std::pair<int, int> numberRange(const Control& c) const;
  // The threshold as a percentage of the candidate cells.
  std::string thresholdPercentText() const;

  // "Clear new": only the seeds stay; "Clear all": no areas. Each is carried
  // out on OK; the buttons are enabled only when they would remove an area.
  bool clearNewEnabled() const { return facts.areaCount > facts.seedCount; }
  bool clearAllEnabled() const { return facts.areaCount > 0; }
  void pressClearNew();
  void pressClearAll();
  // Areas left after the clear pressed (for the dialog's own note).
  int areasAfterClear() const;

  // The shell redraws after OK when areas were cleared.
  bool redrawRequested() const { return clearAreas != AreaClear::None; }

  void apply(Settings& target, AreaSet& areas) const;
};

// ---------------------------------------------------------------------------
// Map drawing options

// The controls of "Map drawing options".
namespace mopt {
// The colour mode (a choice that also sets the fill and the numbers).
inline constexpr Control kMonoLog = radioControl<&Settings::colourMode>("monoLog", zn::kMonoLog);
inline constexpr Control kMonoLin = radioControl<&Settings::colourMode>("monoLin", zn::kMonoLin);
inline constexpr Control kSixteen = radioControl<&Settings::colourMode>("sixteen", zn::kSixteenColour);
inline constexpr Control kDark256 = radioControl<&Settings::colourMode>("dark256", zn::kDarkColour);
inline constexpr Control kLight256 = radioControl<&Settings::colourMode>("light256", zn::kLightColour);
inline constexpr Control kFixedLimit = radioControl<&Settings::scaleType>("fixedLimit", zn::kFixedLimit);
inline constexpr Control kEqualInterval = radioControl<&Settings::scaleType>("equalInterval", zn::kEqualInterval);
inline constexpr Control kEqualFrequency = radioControl<&Settings::scaleType>("equalFrequency", zn::kEqualFrequency);
inline constexpr Control kMaxSeparate = invertedCheckControl<&Settings::maxNotSeparate>("maxSeparate");
inline constexpr Control kMaxSpot = checkControl<&Settings::maxSpot>("maxSpot");
// What the cells show: at least one of colours and numbers.
inline constexpr Control kScaleColours = ruleControl("scaleColours");
inline constexpr Control kScaleNumbers = ruleControl("scaleNumbers");
// The scale bar: shown or not, and what it draws.
inline constexpr Control kScaleBarOff = ruleControl("scaleBarOff");
inline constexpr Control kScaleBarPlain = ruleControl("scaleBarPlain");
inline constexpr Control kScaleBarHistogram = ruleControl("scaleBarHistogram");
inline constexpr Control kScaleBarNumbers = ruleControl("scaleBarNumbers");
// Ticking depends on the colour mode and the zoom.
inline constexpr Control kFillFrameCoast = ruleControl("fillFrameCoast");
inline constexpr Control kFillGreys = radioControl<&Settings::fillColours>("fillGreys", FillColours::kGreys);
inline constexpr Control kFillGreenBlue =
    radioControl<&Settings::fillColours>("fillGreenBlue", FillColours::kGreenBlue);
inline constexpr Control kFillBrown = radioControl<&Settings::fillColours>("fillBrown", FillColours::kBrown);
inline constexpr Control kBackgroundBlack = radioControl<&Settings::backgroundColour>("backgroundBlack", Shade::kBlack);
inline constexpr Control kBackgroundGrey = radioControl<&Settings::backgroundColour>("backgroundGrey", Shade::kGrey);
inline constexpr Control kBackgroundWhite = radioControl<&Settings::backgroundColour>("backgroundWhite", Shade::kWhite);
inline constexpr Control kFrame = checkControl<&Settings::frameShown>("frame");
inline constexpr Control kFrameBlack = radioControl<&Settings::frameColour>("frameBlack", Shade::kBlack);
inline constexpr Control kFrameGrey = radioControl<&Settings::frameColour>("frameGrey", Shade::kGrey);
inline constexpr Control kFrameWhite = radioControl<&Settings::frameColour>("frameWhite", Shade::kWhite);
inline constexpr Control kCoarseGrid = checkControl<&Settings::coarseGridShown>("coarseGrid");
inline constexpr Control kCoarseBlack = radioControl<&Settings::coarseGridColour>("coarseBlack", Shade::kBlack);
inline constexpr Control kCoarseGrey = radioControl<&Settings::coarseGridColour>("coarseGrey", Shade::kGrey);
inline constexpr Control kCoarseWhite = radioControl<&Settings::coarseGridColour>("coarseWhite", Shade::kWhite);
inline constexpr Control kFineGrid = checkControl<&Settings::fineGridShown>("fineGrid");
inline constexpr Control kFineBlack = radioControl<&Settings::fineGridColour>("fineBlack", Shade::kBlack);
inline constexpr Control kFineGrey = radioControl<&Settings::fineGridColour>("fineGrey", Shade::kGrey);
inline constexpr Control kFineWhite = radioControl<&Settings::fineGridColour>("fineWhite", Shade::kWhite);
inline constexpr Control kCoast = checkControl<&Settings::coastShown>("coast");
inline constexpr Control kCoastBlack = radioControl<&Settings::coastColour>("coastBlack", CoastColour::kBlack);
inline constexpr Control kCoastGrey = radioControl<&Settings::coastColour>("coastGrey", CoastColour::kGrey);
inline constexpr Control kCoastWhite = radioControl<&Settings::coastColour>("coastWhite", CoastColour::kWhite);
inline constexpr Control kCoastBlackWhite =
    radioControl<&Settings::coastColour>("coastBlackWhite", CoastColour::kBlackWhite);
inline constexpr Control kNumbersBlack = radioControl<&Settings::numbersColour>("numbersBlack", NumbersColour::kBlack);
inline constexpr Control kNumbersGrey = radioControl<&Settings::numbersColour>("numbersGrey", NumbersColour::kGrey);
inline constexpr Control kNumbersWhite = radioControl<&Settings::numbersColour>("numbersWhite", NumbersColour::kWhite);
// Boundaries and rivers are not drawn: their rows keep no setting.
inline constexpr Control kBoundaries = ruleControl("boundaries");
inline constexpr Control kBoundariesBlack = ruleControl("boundariesBlack");
inline constexpr Control kBoundariesGrey = ruleControl("boundariesGrey");
inline constexpr Control kBoundariesWhite = ruleControl("boundariesWhite");
inline constexpr Control kRivers = ruleControl("rivers");
inline constexpr Control kRiversBlack = ruleControl("riversBlack");
inline constexpr Control kRiversGrey = ruleControl("riversGrey");
inline constexpr Control kRiversWhite = ruleControl("riversWhite");
inline constexpr Control kSpots = radioControl<&Settings::fineGridStyle>("spots", FineGridStyle::kSpots);
inline constexpr Control kCrosses = radioControl<&Settings::fineGridStyle>("crosses", FineGridStyle::kCrosses);
inline constexpr Control kLines = radioControl<&Settings::fineGridStyle>("lines", FineGridStyle::kLines);
inline constexpr Control kWriteTitle = checkControl<&Settings::writeTitle>("writeTitle");
inline constexpr Control kScalableTitle = checkControl<&Settings::scalableTitle>("scalableTitle");
inline constexpr Control kTitleText = ruleControl("titleText");
inline constexpr Control kSeedAndSelected =
    radioControl<&Settings::selectedAreasDisplay>("seedAndSelected", AreasShown::kSeedsAndSelected);
inline constexpr Control kSeedOnly = radioControl<&Settings::selectedAreasDisplay>("seedOnly", AreasShown::kSeeds);
inline constexpr Control kNoAreas = radioControl<&Settings::selectedAreasDisplay>("noAreas", AreasShown::kNone);
inline constexpr Control kDefaultsDark = ruleControl("defaultsDark");
inline constexpr Control kDefaultsLight = ruleControl("defaultsLight");
// The ramp choices beyond the colour mode's own: each pair sets or clears
// one bit of the map palette.
inline constexpr Control kRampStandard = ruleControl("rampStandard");
inline constexpr Control kRampColourBlind = ruleControl("rampColourBlind");
inline constexpr Control kResidualsAsScores = ruleControl("residualsAsScores");
inline constexpr Control kResidualsDiverging = ruleControl("residualsDiverging");
}  // namespace mopt

// Every control of "Map drawing options", in the dialog's order.
const std::vector<Control>& mapControls();

constexpr std::size_t kMapTitleEditLength = 30;

struct MapOptionsFacts {
  int paletteSize = 256;      // 16 on a 16-colour device
  bool zoomed = false;        // a zoomed view is shown
  bool britain = false;       // the defaults differ on the Britain grid
  bool titleEditable = true;  // false for imported overlay scores
};

// The facts as the session and palette stand.
MapOptionsFacts mapOptionsFacts(const Session& s, const Palette& p);

// What changed on OK, for the shell to recolour and redraw as needed.
struct MapOptionsChanges {
  bool palette = false;  // colour mode, "max in separate class" or ramp: rebuild the palette
  bool reclass = false;  // palette, or score scale type: class the scores again
  bool title = false;    // "change title:" edited
  bool any = false;      // any owned slot or the title
};

// Constructor: MapOptionsModel(session.settings, session.map.title,
// mapOptionsFacts(session, palette)).
//
// apply(settings, map) on OK writes every map-drawing slot, and the edited
// title into map.title when it changed. After a default button
// (defaultsChosen) it writes the whole record as the default set made it,
// except the excluded data level and the zoom-armed flag, which belong to
// the preselection and the zoom command in force. The default buttons close
// the dialog as OK does.
struct MapOptionsModel : DialogModel {
  MapOptionsModel(const Settings& current, std::string title, const MapOptionsFacts& facts);
  static const char* controlName(const Control& c) { return c.name; }

  Settings opened;
  Settings settings;
  MapOptionsFacts facts;
  std::string openedTitle;
  std::string title;  // the title edit, at most 30 characters
  bool defaultsChosen = false;

  bool checked(const Control& c) const;
  void setChecked(const Control& c, bool on);
  bool enabled(const Control& c) const;

  void setTitle(const std::string& text);

  // A default button (dark or light): the default set, as if OK was pressed.
  void chooseDefaults(bool light);

  MapOptionsChanges changes() const;
  void apply(Settings& target, MapRecord& map) const;

 private:
  Palette palette_;           // only its size is read by the colour-mode rule
  int boundariesColour_ = 1;  // the unused boundaries and rivers rows keep
  int riversColour_ = 1;      // their radio for as long as the dialog is open
};

// ---------------------------------------------------------------------------
// Map info

// One line of the map's description: label and value.
using InfoRow = std::pair<std::string, std::string>;

// Rows shown for a map record, "Measure:" (the map title) first.
std::vector<InfoRow> mapInfoRows(const MapRecord& m);

// Constructor: MapInfoModel(session.map, session.backgroundMap,
// session.costPresent, threatPresent, swapAllowed = not in the 3D view).
//
// "Swap scores" shows the other map; on OK the shell swaps the
// scores (swapScores) when swapRequested is true, sets its swapped flag,
// then builds the title. Cancel leaves both maps as they were.
struct MapInfoModel : DialogModel {
  MapInfoModel(const MapRecord& foreground, const MapRecord& background, bool costPresent, bool threatPresent,
               bool swapAllowed = true);

  MapRecord shown;          // the map the dialog describes
  MapRecord hidden;         // the other one
  bool costData = false;    // check box "cost data" (read only)
  bool threatData = false;  // check box "threat data" (read only)
  bool swapAllowed = true;
  bool swapRequested = false;

  std::vector<InfoRow> rows() const { return mapInfoRows(shown); }
  void pressSwap();
};

}  // namespace zn
