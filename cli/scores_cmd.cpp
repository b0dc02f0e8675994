// export-scores DATAFILE|FILE.gpkg --out FILE [--measure NAME | --import FILE.scr]
//   [measure options] [--plain] [--occupied-only] [--zero-markers]
//   [--background] [--centroids] [--mismatch]
// import-scores DATAFILE FILE.scr [measure options]: the imported scores
// printed as `zonarium measure` prints a measure's.
#include "cli/scores_cmd.h"

#include <algorithm>

#include "cli/measure_options.h"
#include "cli/project_analysis.h"
#include "interchange/scores_export.h"
#include "interchange/scores_import.h"
#include "measures/scores.h"
#include "measures/titles.h"
#include "shell/measure_commands.h"
#include "shell/notices.h"

namespace zn {

namespace {

// The dialog's check boxes and radios as flags; false for an unknown one.
bool takeChoice(const std::string& flag, ExportScoresModel& m) {
  if (flag == "--plain") m.setChecked(kExportCellNumbers, false);
  else if (flag == "--occupied-only") m.setChecked(kExportOccupiedOnly, true);
  else if (flag == "--zero-markers") m.setChecked(kExportMarkerAsZero, true);
  else if (flag == "--background") m.setChecked(kExportBackground, true);
  else if (flag == "--centroids") m.setChecked(kExportCentroids, true);
  else if (flag == "--mismatch") m.setChecked(kExportMismatch, true);
  else return false;
  return true;
}

bool isOption(const std::string& a) { return !a.empty() && a[0] == '-'; }

// The menu command's import on a session already holding the datafile.
bool importOnto(Session& s, Host& host, const std::string& file) {
  clearScores(s);
  const bool imported = importScoresFile(scoresImportTarget(s), file);
  showNotices(s, host);
  if (!imported) return false;
  setMeasureCode(s, kCodeImportedScores);
  buildTitle(s);
  return true;
}

}  // namespace

int cmdExportScores(CliContext& ctx, const std::vector<std::string>& args) {
  const std::vector<SetKey> keys = measureSetKeys();
  MeasureOptions opts;
  std::vector<std::string> rest;
  if (int rc = parseMeasureOptions(ctx, args, opts, rest, keys); rc != 0) return rc;

  std::vector<std::string> flags, positional;
  std::string out, import;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == "--out" && i + 1 < rest.size()) out = rest[++i];
    else if (rest[i] == "--import" && i + 1 < rest.size()) import = rest[++i];
    else if (isOption(rest[i])) flags.push_back(rest[i]);
    else positional.push_back(rest[i]);
  }
  if (positional.size() != 1 || out.empty() || (!import.empty() && !opts.measure.empty())) {
    ctx.err << "zonarium: export-scores takes DATAFILE --out FILE, --measure NAME or --import FILE.scr, and the "
               "export options\n";
    return 2;
  }
  ExportScoresModel probe;
  for (const std::string& f : flags)
    if (!takeChoice(f, probe)) {
      ctx.err << "zonarium: unknown export-scores option " << f
              << " (--plain, --occupied-only, --zero-markers, --background, --centroids, --mismatch)\n";
      return 2;
    }
  if (opts.measure.empty()) opts.measure = "richness";
  if (!measureCodeOrRefuse(ctx, opts.measure)) return 2;
  if (namesProject(positional[0])) {
    if (!import.empty()) {
      ctx.err << "zonarium: --import applies to datafiles, not to projects\n";
      return 2;
    }
    return projectExportScores(ctx, opts, keys, positional[0], out, flags);
  }

  auto s = startCliSession(ctx);
  if (!s) return 1;
  if (int rc = prepareMeasure(ctx, *s, opts, positional[0], keys); rc != 0) return rc;
  if (!import.empty() && !importOnto(*s, ctx.host, import)) return 1;

  ExportScoresModel choice = exportScoresModel(*s);
  for (const std::string& f : flags) takeChoice(f, choice);
  const bool wantsMismatch = std::find(flags.begin(), flags.end(), "--mismatch") != flags.end();
  if (wantsMismatch && !choice.mismatch())
    ctx.err << "zonarium: --mismatch needs a foreground/background pair (--import a \"#3\" file); "
               "writing the scores instead\n";
  if (!anyCellOccupied(*s)) {
    ctx.err << "zonarium: no grid cell is occupied: nothing exported\n";
    return 1;
  }
  const bool written = exportScoresTo(*s, s->notices, choice, out);
  showNotices(*s, ctx.host);
  return written ? 0 : 1;
}

int cmdImportScores(CliContext& ctx, const std::vector<std::string>& args) {
  const std::vector<SetKey> keys = measureSetKeys();
  MeasureOptions opts;
  std::vector<std::string> rest;
  if (int rc = parseMeasureOptions(ctx, args, opts, rest, keys); rc != 0) return rc;
  if (rest.size() != 2 || isOption(rest[0]) || isOption(rest[1]) || !opts.measure.empty()) {
    ctx.err << "zonarium: import-scores takes DATAFILE FILE.scr and the preselection options\n";
    return 2;
  }
  opts.measure = "richness";
  auto s = startCliSession(ctx);
  if (!s) return 1;
  if (int rc = prepareMeasure(ctx, *s, opts, rest[0], keys); rc != 0) return rc;
  if (!importOnto(*s, ctx.host, rest[1])) return 1;
  ctx.out << formatCellScores(*s);
  return 0;
}

}  // namespace zn
