#include "shell/projectscreen.h"

#include "gis/projectdata.h"
#include "gis/projectmap.h"
#include "measures/dispatch.h"
#include "measures/smoothing.h"
#include "measures/titles.h"
#include "store/measuretraits.h"
#include "store/text.h"

namespace zn {

void takeProject(ProjectScreen& out, const std::filesystem::path& file, std::shared_ptr<const Project> project,
                 AnalysisData data, const std::filesystem::path& home) {
  out.file = file;
  out.project = std::move(project);
  out.data = std::move(data);
  out.shapes = projectShapes(*out.project, basemapCoastFile(home));
  // The hit test is the geometry's, the one the analyses use.
  std::shared_ptr<const UnitGeometry> geometry = out.data.geometry;
  if (geometry) out.shapes.unitAt = [geometry](double x, double y) { return geometry->unitAtPoint(x, y); };
}

std::optional<std::string> openProjectScreen(const std::filesystem::path& file, const std::filesystem::path& home,
                                             ProjectScreen& out) {
  std::string error;
  auto read = readProject(file, error);
  if (!read) return error;
  auto project = std::make_shared<const Project>(std::move(*read));
  AnalysisData data = analysisData(project);
  takeProject(out, file, std::move(project), std::move(data), home);
  return std::nullopt;
}

std::optional<std::string> analysisMisfit(const Analysis& a, const AnalysisData& d) {
  if (auto why = measureRefusal(a.code, d)) return a.name + " " + *why;
  return std::nullopt;
}

std::optional<std::string> measureProject(const AnalysisData& d, const Analysis& a, const Session& s,
                                          const MeasureParams& params, int smoothPasses, ProjectScores& out) {
  if (a.kind != AnalysisKind::Measure) return a.name + " is not a measure";
  if (auto why = analysisMisfit(a, d)) return why;
  if (smoothPasses > 0 && !smoothingApplies(a.code, d))
    return "--smooth needs a smoothable measure and neighbouring units; this project has none for " + a.name;
  const AreaSet none;
  out.result = runMeasure(a.code, MeasureInput{d, none}, params, s.progress);
  if (!out.result.ran) {
    if (out.result.notice) return a.name + ": " + out.result.notice->text;
    return a.name + " needs the columns and rows of a datafile's grid; it does not run on a project";
  }
  // Each pass reads the scores before it, over the rings of neighbours.
  const SmoothParams smooth = smoothParams(s.settings);
  for (int i = 0; i < smoothPasses; ++i) out.result.score = smoothScores(d, out.result.score, smooth);
  for (double& v : out.result.score)
    if (v == kZeroScore) v = 0.0;
  MapRecord map;
  map.measureCode = a.code;
  map.smoothPasses = smoothPasses;
  out.title = measureTitle(s, map, a.code);
  return std::nullopt;
}

void putOnProjectMap(ProjectScreen& p, const Analysis& a, const ProjectScores& scores) {
  const auto units = static_cast<std::size_t>(p.data.units());
  UnitMapLayer& l = p.layer;
  l = UnitMapLayer{};
  l.score.assign(units + 1, 0.0);
  l.count.assign(units + 1, 0);
  for (std::size_t n = 1; n <= units && n < scores.result.score.size(); ++n) {
    l.score[n] = scores.result.score[n];
    l.count[n] = scores.result.count[n];
  }
  l.title = scores.title;
  l.counts = a.traits().count != CountType::None;
  p.code = a.code;
}

void classProjectMap(ProjectScreen& p, const Settings& st, double scaleLimit) {
  // The scale the options choose, over the ramp's eight classes.
  ClassingInput& c = p.layer.classing;
  c.scaleType = st.scaleType;
  c.maxSeparate = st.maxNotSeparate == Flag::kOff;
  c.fixedLimit = scaleLimit;
}

std::optional<std::string> projectMenuRefusal(const Analysis& a, const AnalysisData& d) {
  if (auto why = analysisMisfit(a, d)) return why;
  if (a.kind != AnalysisKind::Measure) return a.name + " runs on datafiles; on a project, use the zonarium tool";
  if (a.code == kCodeSelectiveRichness || a.code == kCodeSelectiveRarity)
    return a.name + " plots taxa chosen from a datafile's list";
  return std::nullopt;
}

std::optional<std::string> showProjectMeasure(ProjectScreen& p, const Analysis& a, const Session& s) {
  if (auto why = projectMenuRefusal(a, p.data)) return why;
  ProjectScores scores;
  if (auto why = measureProject(p.data, a, s, measureParams(s.settings), 0, scores)) return why;
  putOnProjectMap(p, a, scores);
  classProjectMap(p, s.settings, scores.result.scaleLimit);
  return std::nullopt;
}

std::string projectReadout(const ProjectScreen& p, int unit) {
  if (!p.project || unit < 1 || unit > p.project->data.unitCount()) return {};
  const DatasetUnit& u = p.project->data.unit(unit);
  std::string line = (u.name.empty() ? std::string("unit") : u.name) + " (" + std::to_string(u.id) + ")";
  const auto n = static_cast<std::size_t>(unit);
  const UnitMapLayer& l = p.layer;
  if (n < l.score.size() && n < l.count.size() && l.score[n] != 0.0)
    line += l.counts ? strprintf(": %d", l.count[n]) : strprintf(": %g (%d taxa)", l.score[n], l.count[n]);
  else if (p.code != kCodeNone) line += ": no value";
  return line;
}

}  // namespace zn
