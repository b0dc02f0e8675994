// The option dialogs as plain logic: "Tools options", "Map drawing options"
// and "Map info". Each model works on a copy of what it edits, binds every
// control to the settings field it sets (tables in options.cpp, by member),
// keeps every control's rule (clamping, enabling, what one choice does to
// another) and writes back only on OK through apply(). The Qt dialogs in ui/
// name each widget after its control and refresh every widget from the model
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

// The controls of "Tools options". Each stands for a binding in the model's
// tables; the values only tell the controls apart.
namespace topt {
enum Control : int {
  // Measures
  kRarityDifference = 1,
  kRarityInverse,
  kRarityInverseSquare,
  kLargeRanges,
  kSmallRanges,
  kNeighbourhood9,
  kNeighbourhood25,
  kSmoothMedian,
  kSmoothMean,
  kResidualsRelative,
  kMeasuresRelative,
  // Hotspot area set
  kHotspotRichness,
  kHotspotRarity,
  kHotspotRareQuartile,
  kHotspotThreshold,
  kHotspotResiduals,
  kThreshold,
  kThresholdPercent,  // the threshold as a share of the candidate cells
  // Near-optimum area set
  kGoal,
  kReorderRichness,
  kReorderRarity,
  kReorderThreat,
  kRejectRedundant,
  kIncludeSeeds,
  kOptimiseCost,
  kExtraTieBreaks,
  kTieLowestCell,
  kTieRandom,
  kExactTimeLimit,  // seconds the exact sets may search
  kMapByOrder,
  kMapIrreplaceable,
  kMapPartial,
  kMapAllFlexible,
  // Greedy area set
  kGreedyRichness,
  kGreedyRarity,
  kGreedyGoal,
  kGreedyReject,
  kGreedyIncludeSeeds,
  // Random area sets
  kSingleTail,
  kTwoTail,
  // Results file
  kLongReports,
  kBaseOnPresent,
  // Not a setting: closing with OK starts no re-run.
  kCancelRerun,
};
}  // namespace topt

// The widget name of a control ("rarityDifference" for kRarityDifference).
const char* toolsControlName(int id);

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
// (toolsOptionsNeedRerun(model.opened, s.settings, model.cancelRerun)) and
// redraws when redrawRequested().
struct ToolsOptionsModel : DialogModel {
  ToolsOptionsModel(const Settings& current, const ToolsOptionsFacts& facts);
  static const char* controlName(int id) { return toolsControlName(id); }

  Settings opened;    // the record as the dialog opened, before its corrections
  Settings settings;  // the working copy the controls edit
  ToolsOptionsFacts facts;
  bool cancelRerun = false;
  AreaClear clearAreas = AreaClear::None;  // the last of "Clear new" / "Clear all" pressed

  // Check boxes and radio buttons, by control id.
  bool checked(int id) const;
  // Ticks or clears a check box; for a radio button `on` = true chooses it
  // (clearing a radio does nothing). Refused while the control is disabled.
  void setChecked(int id, bool on);
  bool enabled(int id) const;

  // The number edits: the threshold, the two goals and the exact sets' time
  // limit in seconds.
  int number(int id) const;
  void setNumber(int id, int value);
  // Lowest and highest value the edit takes.
  std::pair<int, int> numberRange(int id) const;
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

// The controls of "Map drawing options", bound like those of Tools options.
namespace mopt {
enum Control : int {
  kMonoLog = 1,
  kMonoLin,
  kSixteen,
  kDark256,
  kLight256,
  kFixedLimit,
  kEqualInterval,
  kEqualFrequency,
  kMaxSeparate,
  kMaxSpot,
  kScaleColours,
  kScaleNumbers,
  kScaleBarOff,
  kScaleBarPlain,
  kScaleBarHistogram,
  kScaleBarNumbers,
  kFillFrameCoast,
  kFillGreys,
  kFillGreenBlue,
  kFillBrown,
  kBackgroundBlack,
  kBackgroundGrey,
  kBackgroundWhite,
  kFrame,
  kFrameBlack,
  kFrameGrey,
  kFrameWhite,
  kCoarseGrid,
  kCoarseBlack,
  kCoarseGrey,
  kCoarseWhite,
  kFineGrid,
  kFineBlack,
  kFineGrey,
  kFineWhite,
  kCoast,
  kCoastBlack,
  kCoastGrey,
  kCoastWhite,
  kCoastBlackWhite,
  kNumbersBlack,
  kNumbersGrey,
  kNumbersWhite,
  kBoundaries,
  kBoundariesBlack,
  kBoundariesGrey,
  kBoundariesWhite,
  kRivers,
  kRiversBlack,
  kRiversGrey,
  kRiversWhite,
  kSpots,
  kCrosses,
  kLines,
  kWriteTitle,
  kScalableTitle,
  kTitleText,
  kSeedAndSelected,
  kSeedOnly,
  kNoAreas,
  kDefaultsDark,
  kDefaultsLight,
  // The ramp choices beyond the colour mode's own (kMapPalette).
  kRampStandard,
  kRampColourBlind,
  kResidualsAsScores,
  kResidualsDiverging,
};
}  // namespace mopt

// The widget name of a control ("monoLog" for kMonoLog).
const char* mapControlName(int id);

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
  static const char* controlName(int id) { return mapControlName(id); }

  Settings opened;
  Settings settings;
  MapOptionsFacts facts;
  std::string openedTitle;
  std::string title;  // the title edit, at most 30 characters
  bool defaultsChosen = false;

  bool checked(int id) const;
  void setChecked(int id, bool on);
  bool enabled(int id) const;

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
