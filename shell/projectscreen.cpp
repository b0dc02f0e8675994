#include "shell/projectscreen.h"

#include <algorithm>
#include <cmath>

#include "gis/projectdata.h"
#include "gis/projectmap.h"
#include "measures/dispatch.h"
#include "measures/smoothing.h"
#include "measures/titles.h"
#include "shell/mapmeasures.h"
#include "shell/projectselect.h"
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
                                             ProjectScreen& out, Progress* progress) {
  std::string error;
  ReadNote note;
  if (progress) {
    progress->stoppableBegin("Open project");
    note = [progress](const std::string& text) { return progress->stoppableNote(text); };
  }
  struct End {
    Progress* p;
    ~End() {
      if (p) p->stoppableEnd();
    }
  } end{progress};
  auto in = readProjectInput(file, error, note);
  if (!in) return error;
  if (progress && !progress->stoppableNote("Preparing the map...")) return std::string();
  takeProject(out, file, std::move(in->project), std::move(in->data), home);
  return std::nullopt;
}

std::optional<std::string> analysisMisfit(const Analysis& a, const AnalysisData& d) {
  if (auto why = measureRefusal(a.traits(), d)) return a.name + " " + *why;
  return std::nullopt;
}

std::optional<std::string> measureProject(const AnalysisData& d, const Analysis& a, const Session& s,
                                          const MeasureParams& params, int smoothPasses, ProjectScores& out,
                                          int meanPasses) {
  if (a.kind != AnalysisKind::Measure) return a.name + " is not a measure";
  if (auto why = analysisMisfit(a, d)) return why;
  if (smoothPasses > 0 && !smoothingApplies(a.traits(), d))
    return "--smooth needs a smoothable measure and neighbouring units; this project has none for " + a.name;
  const AreaSet none;
  out.result = runMeasure(a.code(), MeasureInput{d, none}, params, s.progress);
  if (!out.result.ran) {
    if (out.result.notice) return a.name + ": " + out.result.notice->text;
    return a.name + " needs the columns and rows of a datafile's grid; it does not run on a project";
  }
  // A datafile's mean passes leave the scores of other measures as they are.
  if (!a.traits().meanable) meanPasses = 0;
  for (int i = 0; i < meanPasses; ++i)
    for (std::size_t n = 1; n < out.result.score.size() && n < out.result.count.size(); ++n)
      out.result.score[n] = meanScore(out.result.score[n], out.result.count[n]);
  // Each pass reads the scores before it, over the rings of neighbours.
  const SmoothParams smooth = smoothParams(s.settings);
  for (int i = 0; i < smoothPasses; ++i) out.result.score = smoothScores(d, out.result.score, smooth);
  for (double& v : out.result.score)
    if (v == kZeroScore) v = 0.0;
  out.passed = meanPasses > 0 || smoothPasses > 0;
  MapRecord map;
  map.show(a.traits());
  map.meanPasses = meanPasses;
  map.smoothPasses = smoothPasses;
  out.title = measureTitle(s, map);
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
  l.counts = a.traits().count != CountType::None && !scores.passed;
  p.code = a.code();
  outlineProjectSet(p);
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
  if (a.kind == AnalysisKind::Chart) return std::nullopt;  // the curves run on any project
  if (a.kind == AnalysisKind::Selection) return projectSelectionMisfit(a);
  if (a.kind != AnalysisKind::Measure) return a.name + " runs on datafiles; on a project, use the zonarium tool";
  if (a.code() == kCodeSelectiveRichness || a.code() == kCodeSelectiveRarity)
    return a.name + " plots taxa chosen from a datafile's list";
  return std::nullopt;
}

std::optional<std::string> showProjectMeasure(ProjectScreen& p, const Analysis& a, const Session& s) {
  if (auto why = projectMenuRefusal(a, p.data)) return why;
  ProjectScores scores;
  if (auto why = measureProject(p.data, a, s, measureParams(s.settings), 0, scores)) return why;
  putOnProjectMap(p, a, scores);
  classProjectMap(p, s.settings, scores.result.scaleLimit);
  p.meanPasses = p.smoothPasses = 0;
  return std::nullopt;
}

namespace {

// The measure whose map is on screen; none for a selection's map.
const Analysis* measureOnScreen(const ProjectScreen& p) {
  for (const Analysis& a : analyses())
    if (a.kind == AnalysisKind::Measure && a.code() == p.code && p.code != kCodeNone) return &a;
  return nullptr;
}

bool isMean(const Analysis& pass) { return pass.command == Command::MeanScores; }

}  // namespace

std::optional<std::string> projectPassRefusal(const Analysis& pass, const ProjectScreen& p) {
  const Analysis* a = measureOnScreen(p);
  if (!a) return pass.name + " works on a measure's map; this map is a selection's";
  if (isMean(pass)) {
    if (!a->traits().meanable) return pass.name + " does not apply to " + a->name;
    if (p.smoothPasses > 0)
      return pass.name + " comes before the smooth passes on a project, as --mean before --smooth";
    return std::nullopt;
  }
  if (!smoothingApplies(a->traits(), p.data)) return pass.name + " needs a smoothable measure and neighbouring units";
  return std::nullopt;
}

std::optional<std::string> passOnProject(ProjectScreen& p, const Analysis& pass, const Session& s) {
  if (auto why = projectPassRefusal(pass, p)) return why;
  const Analysis& a = *measureOnScreen(p);
  const int mean = p.meanPasses + (isMean(pass) ? 1 : 0), smooth = p.smoothPasses + (isMean(pass) ? 0 : 1);
  ProjectScores scores;
  if (auto why = measureProject(p.data, a, s, measureParams(s.settings), smooth, scores, mean)) return why;
  putOnProjectMap(p, a, scores);
  classProjectMap(p, s.settings, scores.result.scaleLimit);
  p.meanPasses = mean;
  p.smoothPasses = smooth;
  return std::nullopt;
}

std::optional<CrsBox> projectDataExtent(const ProjectScreen& p) {
  if (!p.data.data) return std::nullopt;
  const Occurrences& occ = p.data.occ();
  std::optional<CrsBox> box;
  for (int n = 1; n <= p.data.units() && n <= p.shapes.units(); ++n) {
    const auto i = static_cast<std::size_t>(n);
    if (occ.unitStart[i + 1] == occ.unitStart[i]) continue;
    for (const auto& ring : p.shapes.outline(n))
      for (const CrsPoint& q : ring) {
        if (!std::isfinite(q.x) || !std::isfinite(q.y)) continue;
        if (!box) box = CrsBox{q.x, q.y, q.x, q.y};
        box->west = std::min(box->west, q.x);
        box->east = std::max(box->east, q.x);
        box->south = std::min(box->south, q.y);
        box->north = std::max(box->north, q.y);
      }
  }
  return box;
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

void outlineProjectSet(ProjectScreen& p) {
  std::vector<char>& in = p.layer.inSet;
  in.clear();
  if (p.areas.empty()) return;
  in.assign(static_cast<std::size_t>(p.data.units()) + 1, 0);
  for (int n : p.areas.cells)
    if (n >= 1 && n <= p.data.units()) in[static_cast<std::size_t>(n)] = 1;
}

bool toggleProjectUnit(ProjectScreen& p, int unit) {
  if (unit < 1 || unit > p.data.units()) return false;
  std::vector<int>& cells = p.areas.cells;
  const auto at = std::find(cells.begin(), cells.end(), unit);
  const bool adding = at == cells.end();
  if (adding) {
    cells.push_back(unit);
  } else {
    // A seed taken out leaves one seed fewer in front.
    if (at - cells.begin() < p.areas.seedCount) --p.areas.seedCount;
    cells.erase(at);
  }
  p.areas.nearMinimumDone = false;
  outlineProjectSet(p);
  return adding;
}

std::array<std::string, 3> projectStatusTexts(const ProjectScreen& p) {
  std::string size = strprintf("%d units, %d taxa", p.data.units(), p.data.taxa());
  if (!p.areas.empty()) size += strprintf(", %d in set", p.areas.count());
  return {p.file.filename().string(), size, p.layer.title.empty() ? std::string("no map") : p.layer.title};
}

std::string widestProjectReadout(const ProjectScreen& p) {
  if (!p.project || p.data.units() < 1) return {};
  // The longest name and id, and the widest of the values the map's
  // scores can be written as (%g is widest at the extremes).
  const Dataset& d = p.project->data;
  std::string name = "unit", id;
  for (const DatasetUnit& u : d.units) {
    if (u.name.size() > name.size()) name = u.name;
    if (std::string i = std::to_string(u.id); i.size() > id.size()) id = i;
  }
  const DatasetUnit& first = d.unit(1);
  const std::size_t own = (first.name.empty() ? 4 : first.name.size()) + std::to_string(first.id).size() + 3;
  ProjectScreen probe;
  probe.project = p.project;
  probe.code = p.code;
  probe.layer.counts = p.layer.counts;
  std::vector<double> values{0.0};
  for (double v : p.layer.score)
    if (v != 0.0) {
      if (values.size() < 3) values.resize(3, v);
      values[1] = std::min(values[1], v);
      values[2] = std::max(values[2], v);
    }
  const int count = p.layer.count.empty() ? 0 : *std::max_element(p.layer.count.begin(), p.layer.count.end());
  std::string widest;
  for (double v : values) {
    probe.layer.score = {0.0, v};
    probe.layer.count = {0, count};
    // Unit 1's readout with the widest name and id in its place.
    const std::string line = name + " (" + id + ")" + projectReadout(probe, 1).substr(own);
    if (line.size() > widest.size()) widest = line;
  }
  return widest;
}

UnitResult unitScoreColumns(const AnalysisData& d, const std::string& title, const std::vector<double>& score,
                            const std::vector<int>& count, const std::vector<char>* inSet) {
  const auto units = static_cast<std::size_t>(d.units());
  UnitColumn scores{"score", false, std::vector<double>(units + 1, NAN)};
  UnitColumn counts{"count", true, std::vector<double>(units + 1, NAN)};
  for (std::size_t n = 1; n <= units; ++n) {
    if (d.occ().taxaIn(static_cast<int>(n)).empty() || n >= score.size() || n >= count.size()) continue;
    scores.values[n] = score[n];
    counts.values[n] = count[n];
  }
  UnitResult r{title, {std::move(scores), std::move(counts)}};
  if (inSet) {
    UnitColumn in{"in_set", true, std::vector<double>(units + 1, 0.0)};
    for (std::size_t n = 1; n <= units && n < inSet->size(); ++n) in.values[n] = (*inSet)[n] ? 1.0 : 0.0;
    r.columns.push_back(std::move(in));
  }
  return r;
}

UnitResult projectMapColumns(const ProjectScreen& p) {
  const std::vector<char>* in = p.areas.empty() ? nullptr : &p.layer.inSet;
  return unitScoreColumns(p.data, p.layer.title, p.layer.score, p.layer.count, in);
}

}  // namespace zn
