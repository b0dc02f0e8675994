#include "cli/curve_cmd.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include <QApplication>

#include "cli/measure_options.h"
#include "cli/project_analysis.h"
#include "cli/render_cmd.h"
#include "selection/curves.h"
#include "shell/analyses.h"
#include "shell/optionstable.h"
#include "store/files.h"
#include "ui/curvechart.h"

namespace zn {

namespace {

int refuse(CliContext& ctx, const std::string& text) {
  ctx.err << "zonarium: " << text << "\n";
  return 2;
}

// Charts are widgets: the tool makes an application, off screen, when the
// caller has none.
std::unique_ptr<QApplication> widgetApplication() {
  if (QCoreApplication::instance()) return nullptr;
  prepareOffscreenQt();
  static int argc = 1;
  static char name[] = "zonarium";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QApplication>(argc, argv);
}

std::string lowerExtension(const std::filesystem::path& p) {
  std::string e = p.extension().string();
  std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return e;
}

}  // namespace

int cmdCurve(CliContext& ctx, const std::vector<std::string>& args) {
  const std::vector<SetKey> keys = selectSetKeys();
  MeasureOptions mopts;
  std::vector<std::string> rest;
  if (int rc = parseMeasureOptions(ctx, args, mopts, rest, keys); rc != 0) return rc;
  if (!mopts.measure.empty() || !mopts.taxa.empty() || mopts.meanPasses || mopts.smoothPasses)
    return refuse(ctx, "curve takes no --measure, --taxa, --mean or --smooth");
  if (mopts.areas) return refuse(ctx, "curve starts from an empty set: it takes no --areas");
  for (const auto& [key, value] : mopts.sets)
    if (const OptionSetting* o = optionSettingByKey(key); o && o->representations && optionNumber(*o, value) != 1)
      return refuse(ctx, "curve counts each taxon once: it takes no --set " + key + "=" + value);
  SelectOptions o;
  if (int rc = takeSelectOptions(ctx, rest, o); rc != 0) return rc;
  if (o.areasToAdd || o.budget || o.costs || o.threats || o.areasOut)
    return refuse(ctx, "curve takes no --areas-to-add, --budget, --costs, --threats or --areas-out");
  std::optional<int> maxAreas;
  std::optional<std::filesystem::path> out;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const std::string& a = rest[i];
    if (a == "--max-areas" || a == "--out") {
      if (i + 1 >= rest.size()) return refuse(ctx, a + " needs a value");
      const std::string& v = rest[++i];
      if (a == "--out") {
        out = v;
        continue;
      }
      int k = 0;
      auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), k);
      if (ec != std::errc() || end != v.data() + v.size() || k < 1)
        return refuse(ctx, "--max-areas takes a whole number from 1 to the occupied cells");
      maxAreas = k;
    } else if (!a.empty() && a[0] == '-') {
      return refuse(ctx, "unknown option " + a + " for curve");
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 1) return refuse(ctx, "curve takes DATAFILE or FILE.gpkg and the curve options");
  if (!out) return refuse(ctx, "curve needs --out FILE.csv|.png|.svg|.pdf");
  const std::string ext = lowerExtension(*out);
  if (ext != ".csv" && ext != ".png" && ext != ".svg" && ext != ".pdf")
    return refuse(ctx, "--out takes a .csv, .png, .svg or .pdf file");

  // A project's curves are written as a datafile's, the chart titled with
  // the project's file name.
  CurveSet c;
  std::string results, title;
  if (namesProject(files[0])) {
    CurveParams cp;
    cp.maxAreas = maxAreas.value_or(0);
    cp.runs = o.runs.value_or(cp.runs);
    cp.seed = o.seed.value_or(1);
    if (int rc = projectCurves(ctx, mopts, keys, files[0], cp, o.timeLimit, c, results); rc != 0) return rc;
    title = std::filesystem::path(files[0]).filename().string();
  } else {
    auto session = startCliSession(ctx);
    if (!session) return 1;
    Session& s = *session;
    mopts.measure = "richness";
    if (int rc = prepareMeasure(ctx, s, mopts, files[0], keys); rc != 0) return rc;

    AnalysisParams p;
    p.maxAreas = maxAreas;
    p.runs = o.runs.value_or(1000);
    p.seed = o.seed.value_or(1);
    p.timeLimit = o.timeLimit;
    const AnalysisResult r = findAnalysis("curve")->run(s, p);
    if (!r.ran) {
      ctx.err << "zonarium: " << (r.message ? r.message->text : std::string("the curves were not computed")) << "\n";
      return 1;
    }
    c = std::move(*r.curves);
    results = r.results;
    title = s.ws.datafile.title;
  }
  if (ext == ".csv") {
    if (!saveFileAtomically(*out, curvesCsv(c)))
      return ctx.err << "zonarium: cannot write " << out->string() << "\n", 1;
  } else {
    auto app = widgetApplication();
    std::string error;
    if (!saveCurveChart(c, title, *out, QSize(kCurveChartWidth, kCurveChartHeight), error))
      return ctx.err << "zonarium: " << error << "\n", 1;
  }
  return writeSelectResults(ctx, o, results);
}

}  // namespace zn
