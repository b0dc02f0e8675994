#include "shell/menu.h"

namespace zn {

namespace {

MenuItem item(const char* label, int id, bool grey = true) { return MenuItem{label, id, grey, {}, false}; }
MenuItem popup(const char* label, std::vector<MenuItem> items) { return MenuItem{label, 0, false, std::move(items), false}; }

std::vector<MenuItem> buildMenu() {
  return {
      popup("&DataBase",
            {item("Open data&file", 1100, false), item("&New datafile", 511), item("&Import data", 1200),
             item("Import &GBIF occurrences...", 41200),
             item("&Join datafiles", 512), item("&Edit data", 1400), item("Data &preselection", 1500),
             item("Calculate &c", 40034), item("&Standardise quantitative data range", 40028),
             item("&Divide data by group", 40014), item("Divide data by &rarity", 40027),
             item("Exp&ort data", 1600), item("E&xit", 1900, false)}),
      popup("&AnalyticalTools",
            {popup("&Diversity",
                   {item("&Richness", 2100), item("&Selective richness", 2101), item("Level &n richness", 40001),
                    item("&Max data level", 40002), item("Median &quantitative data", 40030),
                    item("Range &centres", 2110), item("Residuals &from smoothing", 40026),
                    item("Subtree &length", 2400), item("Mean root &distance", 2500)}),
             popup("&Rarity",
                   {item("&Range-size rarity", 2300), item("&Selective rarity", 40007),
                    item("Range &centres", 2111), item("Rare-&threshold richness", 40022),
                    item("Rare-&quartile richness", 2200), item("&Median range size", 2120),
                    item("M&inimum range size", 40010)}),
             popup("&Nestedness",
                   {item("Global non-nestedness (by &taxon)", 40035), item("Global non-nestedness (by &area)", 40003),
                    item("&Neighbourhood non-nestedness", 2150), item("Neighbourhood nested &richness", 40004)}),
             popup("Spatial &turnover",
                   {item("Range &edges", 2180), item("Richness &heterogeneity", 5001),
                    item("Richness 3-cell &gradients", 5002), item("&Segregation", 2160),
                    item("&Dissimilarity", 2170), item("Beta-&1", 40011), item("Beta-&2", 40012),
                    item("Beta-&3", 40013)}),
             popup("Range sha&pe", {item("&Resistance", 5003), item("&Anisotropy", 5004)}),
             popup("&Area selection",
                   {item("Near-ma&ximum-coverage set", 40020), item("Near-mi&nimum set", 2820),
                    item("Exact minim&um set", 40050), item("Exact maximum co&verage", 40051),
                    item("&Greedy set", 2810), item("&Hotspots", 2800), item("&EMR irreplaceability", 40008),
                    item("Max &rarity (irreplaceability)", 40010), item("&Manual set selection", 2805),
                    item("Re-&order set by richness", 40009), item("Re-order set by threat", 40043),
                    item("Representation &RESULTS", 40019), item("Map fully &flexible areas", 2830),
                    item("Ran&dom set selection", 2801),
                    item("Representation curves...", 40060), item("Selection fre&quency", 40061),
                    item("Replacement &cost", 40062)}),
             popup("&Complementarity",
                   {item("Print sample table", 40037), item("Complementarity to ref areas (median)", 40038),
                    item("Complementarity to ref areas (correlation)", 40039),
                    item("Complementarity of ref areas (median)", 40040),
                    item("Complementarity of ref areas (correlation)", 40041)}),
             item("&Mean scores", 2600), item("&Smooth scores", 2700), item("Tools &options", 2900, false)}),
      popup("&MapGraphics",
            {item("Map &info", 3100, false), item("Mapdraw &options", 3400, false),
             item("In&verted colour scale", 40015, false), item("Map&3D options ", 40033),
             item("Toggle &zoom", 3200, false), item("&Refresh map", 3300, false), item("&Print map", 1810, false),
             item("&Save bitmap", 1800, false), item("I&mport scores", 1300, false), item("E&xport scores", 1700),
             item("Export map to &GIS...", 41700),
             item("Convert selected areas", 40024, false), item("Convert cost values", 40029),
             item("Convert threat values", 40042), item("S&wap scores", 1310, false), item("Over&lay scores", 4400),
             item("Randomisation &test on overlays", 40025), item("Monitor RESULTS &file", 40018),
             item("&Clear RESULTS file", 40016)}),
      popup("&Help", {item("&About ZONARIUM", 4200, false), item("Help on &ZONARIUM", 4301, false),
                      item("Help on &help", 4302, false)}),
  };
}

void collect(const std::vector<MenuItem>& items, std::map<int, ItemState>& out) {
  for (const MenuItem& m : items) {
    if (m.id != 0) out[m.id] = ItemState{!m.grey, false};
    collect(m.items, out);
  }
}

}  // namespace

const std::vector<MenuItem>& mainMenu() {
  static const std::vector<MenuItem> menu = buildMenu();
  return menu;
}

bool isInertPopup(const std::string& label) {
  return label == "&Nestedness" || label == "Spatial &turnover" || label == "Range sha&pe" ||
         label == "&Complementarity";
}

MenuState::MenuState() { collect(mainMenu(), items_); }

ItemState MenuState::operator[](int id) const {
  auto it = items_.find(id);
  return it == items_.end() ? ItemState{false, false} : it->second;
}

void updateMenus(MenuState& m, const MenuInputs& in) {
  const bool editing = in.mapEditing;
  m.enable(1400, in.datafileOpen);
  for (int id : {1100, 511, 1500, 2900, 3100, 1300, 1310}) m.enable(id, !editing);
  m.enable(4400, !editing && in.scoresSwapped);
  m.enable(2700, in.scoresPresent && !editing);
  m.enable(1700, in.scoresPresent && !editing);
  const bool data = in.datafileOpen && !editing;
  for (int id : {1500, 2100, 2101, 40001, 40002, 40026, 2110, 2111, 2120, 2300, 40022, 2200, 40007, 40010,
                 2600, 2800, 2805, 2801, 2810, 2820, 40050, 40051, 40020, 40008, 40009, 40019, 40060, 40061, 40062})
    m.enable(id, data);
  if (data)
    for (int id : {40025, 40018, 40016}) m.enable(id, true);
  m.enable(2400, in.subgroupData && data);
  m.enable(2500, in.subgroupData && data);
  m.enable(40028, in.quantitative && !in.standardised);
  m.enable(40030, in.quantitative);
  m.check(3200, in.zoomArmed || in.zoomed);
  m.check(2805, in.selectionDialogOpen);
  m.check(1400, editing);
  m.check(40018, in.monitorOpen);
  m.enable(40033, in.view3D);
  m.enable(2830, in.flexibilityData);
  m.enable(40029, true);
  m.enable(40042, true);
  m.enable(40043, in.threatPresent);
  // Utilities no rule enables: import and join follow "New datafile", the
  // others need an open datafile.
  m.enable(1200, !editing);
  m.enable(512, !editing);
  for (int id : {40014, 40027, 1600}) m.enable(id, data);
  // The GIS commands: a GBIF import as "Import data", an export of any open map.
  m.enable(41200, !editing);
  m.enable(41700, data);
}

}  // namespace zn
