// zonarium measure NAME DATAFILE|FILE.gpkg [options]: the scores of one measure.
#include "cli/measure_options.h"
#include "cli/project_analysis.h"

namespace zn {

int cmdMeasure(CliContext& ctx, const std::vector<std::string>& args) {
  const std::vector<SetKey> keys = measureSetKeys();
  MeasureOptions opts;
  std::vector<std::string> rest;
  if (int rc = parseMeasureOptions(ctx, args, opts, rest, keys); rc != 0) return rc;
  if (rest.size() != 2 || (!rest[0].empty() && rest[0][0] == '-') || (!rest[1].empty() && rest[1][0] == '-')) {
    ctx.err << "zonarium: measure takes NAME DATAFILE and the measure options\n";
    return 2;
  }
  opts.measure = rest[0];
  if (!measureCodeOrRefuse(ctx, opts.measure)) return 2;
  if (namesProject(rest[1])) return projectMeasure(ctx, opts, keys, rest[1]);
  auto s = startCliSession(ctx);
  if (!s) return 1;
  if (int rc = prepareMeasure(ctx, *s, opts, rest[1], keys); rc != 0) return rc;
  ctx.out << formatCellScores(*s);
  return 0;
}

}  // namespace zn
