// The option dialogs as plain logic: "Tools options" (ToptDlgBox, menu
// 2900), "Map drawing options" (MoptDlgBox, menu 3400) and "Map info"
// (SummDlgBox, menu 3100). Each model works on a copy of what it edits,
// keeps every control's rule (clamping, enabling, what one choice does to
// another) and writes back only on OK through apply(). The Qt dialogs in ui/
// address the controls by their ids and refresh every widget from the model
// after each change, so no rule lives in a widget.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "display/palette.h"
#include "store/maprecord.h"
#include "store/requests.h"
#include "store/session.h"
#include "store/settings.h"

namespace zn {

// ---------------------------------------------------------------------------
// Tools options

// Control ids of "Tools options".
namespace topt {
enum Control : int {
  // Measures
  kRarityDifference = 2901,
  kRarityInverse = 2902,
  kRarityInverseSquare = 2903,
  kLargeRanges = 2911,
  kSmallRanges = 2912,
  kNeighbourhood9 = 1063,
  kNeighbourhood25 = 1064,
  kSmoothMedian = 8004,
  kSmoothMean = 8005,
  kResidualsRelative = 1174,
  kMeasuresRelative = 1129,
  // Hotspot area set
  kHotspotRichness = 2904,
  kHotspotRarity = 2905,
  kHotspotRareQuartile = 2906,
  kHotspotThreshold = 2907,
  kHotspotResiduals = 2908,
  kThreshold = 1010,         // edit with its spin 1011
  kThresholdPercent = 1012,  // "%3.1f%%" of the candidate cells
  // Near-optimum area set
  kGoal = 7039,
  kReorderRichness = 8001,
  kReorderRarity = 8002,
  kReorderThreat = 8003,
  kRejectRedundant = 2909,
  kIncludeSeeds = 1037,
  kOptimiseCost = 1176,
  kExtraTieBreaks = 1155,
  kTieLowestCell = 1203,
  kTieRandom = 1204,
  kExactTimeLimit = 1210,  // seconds the exact sets may search
  kMapByOrder = 7041,
  kMapIrreplaceable = 7042,
  kMapPartial = 7043,
  kMapAllFlexible = 7044,
  // Greedy area set
  kGreedyRichness = 7046,
  kGreedyRarity = 7047,
  kGreedyGoal = 7045,
  kGreedyReject = 2918,
  kGreedyIncludeSeeds = 1036,
  // Random area sets
  kSingleTail = 1201,
  kTwoTail = 1202,
  // Results file
  kLongReports = 1122,
  kBaseOnPresent = 7050,
  // Not a setting: closing with OK starts no re-run.
  kCancelRerun = 7040,
};
}  // namespace topt

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
// cells, both goals into 1 … 99, cost optimisation off without cost data,
// re-ordering by threat back to richness without threat data, no
// re-ordering (3) while the near-minimum goal is above 1, and the exact sets'
// time limit into 1 … 86400 seconds (60 when outside).
//
// apply(settings, areas) on OK writes every slot the dialog owns (rarity
// formula, range-centre weighting, neighbourhood size, smoothing kind,
// residual form, measures relative to richness, range-size threshold, hotspot
// kind, the near-minimum, greedy and random-set options, the exact sets'
// time limit, long reports, base %)
// and carries out "Clear new" / "Clear all". It leaves every other slot alone.
// Afterwards the shell compares `opened` with the record
// (toolsOptionsNeedRerun(model.opened, s.settings, model.cancelRerun)) and
// redraws when redrawRequested().
struct ToolsOptionsModel : DialogModel {
  ToolsOptionsModel(const Settings& current, const ToolsOptionsFacts& facts);

  Settings opened;    // the record as the dialog opened, before its corrections
  Settings settings;  // the working copy the controls edit
  ToolsOptionsFacts facts;
  bool cancelRerun = false;                // 7040
  AreaClear clearAreas = AreaClear::None;  // the last of "Clear new" / "Clear all" pressed

  // Check boxes and radio buttons, by control id.
  bool checked(int id) const;
  // Ticks or clears a check box; for a radio button `on` = true chooses it
  // (clearing a radio does nothing). Refused while the control is disabled.
  void setChecked(int id, bool on);
  bool enabled(int id) const;

  // The number edits: 1010 (threshold), 7039 and 7045 (goals), 1210 (the
  // exact sets' time limit in seconds).
  int number(int id) const;
  void setNumber(int id, int value);
  // Lowest and highest value the edit takes.
  std::pair<int, int> numberRange(int id) const;
  // Static text 1012: the threshold as a percentage of the candidate cells.
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

namespace mopt {
enum Control : int {
  kMonoLog = 3401,
  kMonoLin = 3402,
  kSixteen = 3403,
  kDark256 = 3404,
  kLight256 = 3405,
  kFixedLimit = 3410,
  kEqualInterval = 3411,
  kEqualFrequency = 3412,
  kMaxSeparate = 7049,
  kMaxSpot = 1005,
  kScaleColours = 1130,
  kScaleNumbers = 1131,
  kScaleBarOff = 1154,
  kScaleBarPlain = 1155,
  kScaleBarHistogram = 1156,
  kScaleBarNumbers = 1157,
  kFillFrameCoast = 3407,
  kFillGreys = 7036,
  kFillGreenBlue = 7037,
  kFillBrown = 7038,
  kBackgroundBlack = 102,
  kBackgroundGrey = 103,
  kBackgroundWhite = 104,
  kFrame = 3406,
  kFrameBlack = 1158,
  kFrameGrey = 1159,
  kFrameWhite = 1160,
  kCoarseGrid = 1151,
  kCoarseBlack = 1133,
  kCoarseGrey = 1134,
  kCoarseWhite = 1135,
  kFineGrid = 1150,
  kFineBlack = 3528,
  kFineGrey = 3529,
  kFineWhite = 3530,
  kCoast = 1049,
  kCoastBlack = 1050,
  kCoastGrey = 1051,
  kCoastWhite = 1052,
  kCoastBlackWhite = 1053,
  kNumbersBlack = 1057,
  kNumbersGrey = 1056,
  kNumbersWhite = 1055,
  kBoundaries = 1141,
  kBoundariesBlack = 1142,
  kBoundariesGrey = 1143,
  kBoundariesWhite = 1144,
  kRivers = 1145,
  kRiversBlack = 1146,
  kRiversGrey = 1147,
  kRiversWhite = 1148,
  kSpots = 1028,
  kCrosses = 1030,
  kLines = 1031,
  kWriteTitle = 3409,
  kScalableTitle = 1009,
  kTitleText = 3101,
  kSeedAndSelected = 1032,
  kSeedOnly = 1033,
  kNoAreas = 1034,
  kDefaultsDark = 1152,
  kDefaultsLight = 1054,
  // The ramp choices beyond the colour mode's own (kMapPalette).
  kRampStandard = 3420,
  kRampColourBlind = 3421,
  kResidualsAsScores = 3422,
  kResidualsDiverging = 3423,
};
}  // namespace mopt

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

  Settings opened;
  Settings settings;
  MapOptionsFacts facts;
  std::string openedTitle;
  std::string title;  // edit 3101, at most 30 characters
  bool defaultsChosen = false;

  bool checked(int id) const;
  void setChecked(int id, bool on);
  bool enabled(int id) const;

  void setTitle(const std::string& text);

  // 1152 (dark) or 1054 (light): the default set, as if OK was pressed.
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
// "Swap scores" (1159) shows the other map; on OK the shell swaps the
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
