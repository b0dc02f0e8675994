#include "shell/menu.h"

#include <algorithm>

#include "shell/analyses.h"

namespace zn {

namespace {

MenuItem item(const char* label, Command command, bool grey = true) {
  return MenuItem{label, command, grey, {}, false};
}
MenuItem popup(const char* label, std::vector<MenuItem> items) {
  return MenuItem{label, Command::None, false, std::move(items), false};
}

std::vector<MenuItem> buildMenu() {
  using enum Command;
  return {
      popup("&DataBase",
            {item("Open data&file", OpenDatafile, false), item("Open projec&t...", OpenProject, false),
             item("Ne&w project...", NewProject, false), popup(kRecentProjectsMenu, {}),
             item("&New datafile", NewDatafile), item("&Import data", ImportData),
             item("Import &GBIF occurrences...", ImportGbif), item("&Join datafiles", JoinDatafiles),
             item("&Edit data", EditData), item("Data &preselection", DataPreselection),
             item("Calculate &c", CalculateC), item("&Standardise quantitative data range", StandardiseQuantitative),
             item("&Divide data by group", DivideByGroup), item("Divide data by &rarity", DivideByRarity),
             item("Exp&ort data", ExportData), item("E&xit", Exit, false)}),
      // The analyses of the registry join these popups where their entries
      // place them.
      popup("&AnalyticalTools",
            {popup("&Diversity", {item("Range &centres", DiversityRangeCentres)}), popup("&Rarity", {}),
             popup("&Nestedness", {item("Global non-nestedness (by &taxon)", NonNestednessByTaxon),
                                   item("Global non-nestedness (by &area)", NonNestednessByArea),
                                   item("&Neighbourhood non-nestedness", NeighbourhoodNonNestedness),
                                   item("Neighbourhood nested &richness", NeighbourhoodNestedRichness)}),
             popup("Spatial &turnover",
                   {item("Range &edges", RangeEdges), item("Richness &heterogeneity", RichnessHeterogeneity),
                    item("Richness 3-cell &gradients", RichnessGradients), item("&Segregation", Segregation),
                    item("&Dissimilarity", Dissimilarity), item("Beta-&1", Beta1), item("Beta-&2", Beta2),
                    item("Beta-&3", Beta3)}),
             popup("Range sha&pe", {item("&Resistance", Resistance), item("&Anisotropy", Anisotropy)}),
             popup("&Area selection", {item("&Manual set selection", ManualSetSelection)}),
             popup("&Complementarity",
                   {item("Print sample table", PrintSampleTable),
                    item("Complementarity to ref areas (median)", ComplementarityToRefMedian),
                    item("Complementarity to ref areas (correlation)", ComplementarityToRefCorrelation),
                    item("Complementarity of ref areas (median)", ComplementarityOfRefMedian),
                    item("Complementarity of ref areas (correlation)", ComplementarityOfRefCorrelation)}),
             item("Tools &options", ToolsOptions, false)}),
      popup("&MapGraphics",
            {item("Map &info", MapInfo, false), item("Mapdraw &options", MapdrawOptions, false),
             item("In&verted colour scale", InvertedColourScale, false), item("Map&3D options ", Map3DOptions),
             item("Toggle &zoom", ToggleZoom, false), item("&Refresh map", RefreshMap, false),
             item("&Print map", PrintMap, false), item("&Save bitmap", SaveBitmap, false),
             item("I&mport scores", ImportScores, false), item("E&xport scores", ExportScores),
             item("Export map to &GIS...", ExportMapToGis), item("Convert selected areas", ConvertSelectedAreas, false),
             item("Convert cost values", ConvertCostValues), item("Convert threat values", ConvertThreatValues),
             item("S&wap scores", SwapScores, false), item("Over&lay scores", OverlayScores),
             item("Randomisation &test on overlays", RandomisationTest), item("Monitor RESULTS &file", MonitorResults),
             item("&Clear RESULTS file", ClearResults)}),
      popup("&Help", {item("&About ZONARIUM", About, false), item("Help on &ZONARIUM", HelpContents, false),
                      item("Help on &help", HelpOnHelp, false)}),
  };
}

// Puts each analysis into the popups its entry names, at the place it asks
// for among the popup's items (those without a place after them all).
void placeAnalyses(std::vector<MenuItem>& items) {
  for (MenuItem& m : items) {
    if (m.command != Command::None) continue;
    placeAnalyses(m.items);
    std::vector<std::pair<const MenuPlace*, Command>> placed, after;
    for (const Analysis& a : analyses())
      for (const MenuPlace& p : a.menus)
        if (p.popup == m.label) (p.position ? placed : after).emplace_back(&p, a.command);
    std::stable_sort(placed.begin(), placed.end(),
                     [](const auto& x, const auto& y) { return *x.first->position < *y.first->position; });
    placed.insert(placed.end(), after.begin(), after.end());
    for (const auto& [p, command] : placed) {
      const auto at =
          p->position ? std::min<std::size_t>(static_cast<std::size_t>(*p->position), m.items.size()) : m.items.size();
      m.items.insert(m.items.begin() + static_cast<std::ptrdiff_t>(at), item(p->label.c_str(), command));
    }
  }
}

void collect(const std::vector<MenuItem>& items, std::map<Command, ItemState>& out) {
  for (const MenuItem& m : items) {
    if (m.command != Command::None) out[m.command] = ItemState{!m.grey, false, {}};
    collect(m.items, out);
  }
}

}  // namespace

const std::vector<MenuItem>& mainMenu() {
  static const std::vector<MenuItem> menu = [] {
    std::vector<MenuItem> m = buildMenu();
    placeAnalyses(m);
    return m;
  }();
  return menu;
}

bool isInertPopup(const std::string& label) {
  return label == "&Nestedness" || label == "Spatial &turnover" || label == "Range sha&pe" ||
         label == "&Complementarity";
}

MenuState::MenuState() { collect(mainMenu(), items_); }

ItemState MenuState::operator[](Command c) const {
  auto it = items_.find(c);
  return it == items_.end() ? ItemState{false, false, {}} : it->second;
}

void updateMenus(MenuState& m, const MenuInputs& in) {
  using enum Command;
  const bool editing = in.mapEditing;
  m.enable(EditData, in.datafileOpen);
  for (Command id : {OpenDatafile, NewDatafile, DataPreselection, ToolsOptions, MapInfo, ImportScores, SwapScores})
    m.enable(id, !editing);
  m.enable(OverlayScores, !editing && in.scoresSwapped);
  m.enable(ExportScores, in.scoresPresent && !editing);
  const bool data = in.datafileOpen && !editing;
  // Every analysis of the registry needs an open datafile; the rules below
  // narrow some of them.
  for (const Analysis& a : analyses()) m.enable(a.command, data);
  for (Command id : {DataPreselection, DiversityRangeCentres, ManualSetSelection}) m.enable(id, data);
  m.enable(SmoothScores, in.scoresPresent && !editing);
  if (data)
    for (Command id : {RandomisationTest, MonitorResults, ClearResults}) m.enable(id, true);
  // Measures that need the taxon tree or quantitative data, as their
  // entries declare.
  for (const Analysis& a : analyses()) {
    if (a.traits().needsHierarchy) m.enable(a.command, in.subgroupData && data);
    if (a.traits().needsQuantitative) m.enable(a.command, in.quantitative);
  }
  m.enable(StandardiseQuantitative, in.quantitative && !in.standardised);
  m.check(ToggleZoom, in.zoomArmed || in.zoomed);
  m.check(ManualSetSelection, in.selectionDialogOpen);
  m.check(EditData, editing);
  m.check(MonitorResults, in.monitorOpen);
  m.enable(Map3DOptions, in.view3D);
  m.enable(MapFullyFlexible, in.flexibilityData);
  m.enable(ConvertCostValues, true);
  m.enable(ConvertThreatValues, true);
  m.enable(ReorderByThreat, in.threatPresent);
  // Utilities no rule enables: import and join follow "New datafile", the
  // others need an open datafile.
  m.enable(ImportData, !editing);
  m.enable(JoinDatafiles, !editing);
  for (Command id : {DivideByGroup, DivideByRarity, ExportData}) m.enable(id, data);
  // The GIS commands: a GBIF import as "Import data", an export of any open map.
  m.enable(ImportGbif, !editing);
  m.enable(ExportMapToGis, data);
  m.enable(OpenProject, !editing);
  m.enable(NewProject, !editing);
  if (in.fits) {
    // A project on screen: the datafile's commands rest, and each analysis
    // is there where its traits fit the project, with the reason where not.
    for (const Analysis& a : analyses()) {
      const std::optional<std::string> why = in.fits(a);
      m.enable(a.command, !why);
      m.explain(a.command, why.value_or(""));
    }
    // Range centres sits in both menus; the window picks the units of a
    // project's set with the mouse, not the datafile's dialog.
    m.enable(DiversityRangeCentres, m[RarityRangeCentres].enabled);
    m.explain(DiversityRangeCentres, m[RarityRangeCentres].why);
    m.enable(ManualSetSelection, false);
    m.explain(ManualSetSelection,
              "On a project, double-click a unit with the right button to add it to the set or take it out");
    m.enable(ExportMapToGis, !editing);
  }
}

}  // namespace zn
