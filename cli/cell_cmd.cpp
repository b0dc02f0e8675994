// zonarium cell DATAFILE N [measure options] [--after KIND [select options]]:
// the lines the "List of biota" dialog shows for cell N with the measure on
// the map (richness unless --measure names another), or after the area-
// selection analysis KIND, whose marks the listing then carries.
// zonarium cell FILE.gpkg UNIT_ID [measure options]: the same for the unit
// of a project with that id.
#include <charconv>

#include "cli/cell_cmd.h"
#include "cli/measure_options.h"
#include "cli/project_analysis.h"
#include "cli/select_cmd.h"
#include "selection/areaset.h"
#include "shell/celllist.h"
#include "shell/optionstable.h"
#include "shell/projectbiota.h"

namespace zn {

namespace {

// A project's unit by its id, with the measure on the map the window opens
// the project on (richness) unless --measure names another.
int projectCell(CliContext& ctx, const MeasureOptions& opts, const std::vector<SetKey>& keys,
                const std::filesystem::path& file, const std::string& idText) {
  long long id = 0;
  auto [end, ec] = std::from_chars(idText.data(), idText.data() + idText.size(), id);
  if (ec != std::errc() || end != idText.data() + idText.size())
    return cliRefuse(ctx, "cell takes a unit id of the project, not \"" + idText + "\"");
  ProjectScreen screen;
  if (int rc = projectMapScreen(ctx, opts, SelectOptions{}, keys, file, screen); rc != 0) return rc;
  const int unit = unitOfId(screen, id);
  if (unit == 0) return cliRefuse(ctx, "no unit of " + file.string() + " has the id " + idText);
  // The list's own keys (grouped, range-sizes) on the options it starts from.
  auto s = startCliSession(ctx);
  if (!s) return 1;
  for (const auto& [key, value] : opts.sets)
    for (const SetKey& k : keys)
      if (k.name == key && !k.apply(ctx, *s, value)) return 2;
  ctx.out << formatCellList(openUnitList(screen, s->settings, unit, false));
  return 0;
}

}  // namespace

std::vector<SetKey> cellSetKeys() {
  std::vector<SetKey> keys = selectSetKeys();
  appendSettingKeys(keys, KeyScope::CellList);
  return keys;
}

std::string formatCellList(const CellListModel& m) {
  std::string out = m.cellLine + "\n";
  // The coordinates field holds the coordinates only when the map shows no
  // analysis; otherwise it holds the fourth analysis line.
  for (const auto& l : m.infoLines)
    if (!l.empty()) out += l + "\n";
  if (!m.coordinates.empty()) out += m.coordinates + "\n";
  for (const auto& l : m.lines) out += "  " + l + "\n";
  out += m.counts + "\n";
  return out;
}

int parseCellNumber(CliContext& ctx, const Session& s, const std::string& text) {
  int n = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < 1 || n > s.ws.geo.cells) {
    ctx.err << "zonarium: cell takes a cell number from 1 to " << s.ws.geo.cells << ", not \"" << text << "\"\n";
    return 0;
  }
  return n;
}

int cmdCell(CliContext& ctx, const std::vector<std::string>& args) {
  const std::vector<SetKey> keys = cellSetKeys();
  MeasureOptions opts;
  std::vector<std::string> rest;
  if (int rc = parseMeasureOptions(ctx, args, opts, rest, keys); rc != 0) return rc;
  SelectOptions after;
  if (int rc = takeSelectOptions(ctx, rest, after); rc != 0) return rc;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] != "--after") {
      positional.push_back(rest[i]);
      continue;
    }
    if (i + 1 >= rest.size()) {
      ctx.err << "zonarium: --after needs a KIND\n";
      return 2;
    }
    after.kind = rest[++i];
    if (int rc = checkSelectKind(ctx, after.kind); rc != 0) return rc;
  }
  if (positional.size() != 2 || (!positional[0].empty() && positional[0][0] == '-') ||
      (!positional[1].empty() && positional[1][0] == '-')) {
    ctx.err << "zonarium: cell takes DATAFILE N (or FILE.gpkg UNIT_ID) and the measure options\n";
    return 2;
  }
  const bool analysis = !after.kind.empty();
  if (analysis && (!opts.measure.empty() || !opts.taxa.empty() || opts.meanPasses || opts.smoothPasses)) {
    ctx.err << "zonarium: cell takes either --after KIND or --measure, --taxa, --mean and --smooth\n";
    return 2;
  }
  const bool selectOptions = after.areasToAdd || after.budget || after.costs || after.threats || after.seed ||
                             after.results || after.areasOut || after.timeLimit;
  if (!analysis && selectOptions) {
    ctx.err << "zonarium: the select options of cell need --after KIND\n";
    return 2;
  }
  if (analysis) {
    if (int rc = checkSelectRequest(ctx, after, opts); rc != 0) return rc;
  }
  if (opts.measure.empty()) opts.measure = "richness";
  if (namesProject(positional[0])) {
    if (analysis) return cliRefuse(ctx, "cell --after applies to datafiles; on a project, cell lists a unit");
    return projectCell(ctx, opts, keys, positional[0], positional[1]);
  }
  auto s = startCliSession(ctx);
  if (!s) return 1;
  if (int rc = prepareMeasure(ctx, *s, opts, positional[0], keys); rc != 0) return rc;
  const int n = parseCellNumber(ctx, *s, positional[1]);
  if (n == 0) return 2;
  if (analysis) {
    SelectRun run;
    if (int rc = runSelectAnalysis(ctx, *s, after, run); rc != 0) return rc;
    // The report goes where it was asked for; standard output holds the list.
    if (after.results && !run.results.empty())
      if (int rc = writeSelectResults(ctx, after, run.results); rc != 0) return rc;
    if (after.areasOut && !saveSeedFile(s->areas, *after.areasOut)) {
      ctx.err << "zonarium: cannot write " << after.areasOut->string() << "\n";
      return 1;
    }
  }
  ctx.out << formatCellList(openCellList(*s, n, false));
  return 0;
}

}  // namespace zn
