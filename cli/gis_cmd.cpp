// export-gis DATAFILE --out FILE.gpkg|FILE.geojson|FILE.csv [--measure NAME | --select KIND]
//   [measure and select options]: the measure (richness by default) or the
//   analysis is run as `zonarium measure`/`select` runs it, classed as the
//   window classes it, and written for GIS programs.
// export-gis FILE.gpkg --out FILE... | --layer NAME [...]: the same on a
//   project's own units, to a new file or as a layer inside the project.
// import-gbif INPUT OUTPUT.dat [--grid world|britain] [--max-uncertainty M]
//   [--basis B,...] [--years A-B] [--rank species|genus|family] [--quantitative]:
//   existing outputs are replaced as --answer says; the new datafile is
//   opened afterwards and its counts printed as `info` does.
#include "cli/gis_cmd.h"

#include "cli/commands.h"
#include "cli/measure_options.h"
#include "cli/project_analysis.h"
#include "cli/render_cmd.h"
#include "cli/select_cmd.h"
#include "gis/gbif.h"
#include "gis/gisexport.h"
#include "shell/data_dialogue.h"
#include "shell/mapclasses.h"
#include "shell/notices.h"
#include "shell/status.h"

namespace zn {

namespace {

int refuse(CliContext& ctx, const std::string& text) {
  ctx.err << "zonarium: " << text << "\n";
  return 2;
}

bool isOption(const std::string& a) { return !a.empty() && a[0] == '-'; }

// The caption of the window's command, which the tool's questions share.
constexpr const char* kExportGisTitle = "Export map to GIS";

}  // namespace

int cmdExportGis(CliContext& ctx, const std::vector<std::string>& args) {
  const std::vector<SetKey> keys = selectSetKeys();
  MeasureOptions mopts;
  std::vector<std::string> rest;
  if (int rc = parseMeasureOptions(ctx, args, mopts, rest, keys); rc != 0) return rc;
  SelectOptions so;
  if (int rc = takeSelectOptions(ctx, rest, so); rc != 0) return rc;
  std::string out;
  std::optional<std::string> layer;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if ((rest[i] == "--out" || rest[i] == "--select") && i + 1 < rest.size())
      (rest[i] == "--out" ? out : so.kind) = rest[i + 1], ++i;
    else if (rest[i] == "--layer" && i + 1 < rest.size()) layer = rest[++i];
    else if (isOption(rest[i])) return refuse(ctx, "unknown option " + rest[i] + " for export-gis");
    else positional.push_back(rest[i]);
  }
  if (layer) {
    // The layer goes into the project itself, which --out may name again.
    if (positional.size() != 1 || !namesProject(positional[0]))
      return refuse(ctx, "--layer adds a layer to a project: export-gis FILE.gpkg --layer NAME");
    if (!out.empty() && out != positional[0])
      return refuse(ctx, "--layer writes into " + positional[0] + "; --out names that file or is left out");
    out = positional[0];
  }
  if (positional.size() != 1 || out.empty())
    return refuse(
        ctx, "export-gis takes DATAFILE --out FILE.gpkg|FILE.geojson|FILE.csv and --measure NAME or --select KIND");
  if (!so.kind.empty() && !mopts.measure.empty())
    return refuse(ctx, "export-gis takes --measure or --select, not both");
  GisFormat format;
  if (!gisFormatOf(out, format)) return refuse(ctx, "--out must end in .gpkg, .geojson or .csv");
  if (!so.kind.empty()) {
    if (int rc = checkSelectKind(ctx, so.kind); rc != 0) return rc;
    mopts.measure = "richness";  // the map after opening a datafile
  } else if (mopts.measure.empty()) {
    mopts.measure = "richness";
  }
  if (!measureCodeOrRefuse(ctx, mopts.measure)) return 2;
  if (namesProject(positional[0])) {
    if (!so.kind.empty()) mopts.measure.clear();
    return projectExportGis(ctx, mopts, so, keys, positional[0], out, layer);
  }
  if (layer) return refuse(ctx, "--layer adds a layer to a project, not to a datafile's export");

  if (!ctx.host.mayReplace(kExportGisTitle, out)) return 1;

  auto s = startCliSession(ctx);
  if (!s) return 1;
  if (int rc = prepareMeasure(ctx, *s, mopts, positional[0], keys); rc != 0) return rc;
  if (!so.kind.empty()) {
    SelectRun run;
    if (int rc = runSelectAnalysis(ctx, *s, so, run); rc != 0) return rc;
  }
  DisplayState d;
  allocatePalette(d.palette, -1, s->settings);  // a true-colour screen
  buildPalette(d.palette, s->settings);
  classMap(*s, d);
  GisExportRequest request{out, statusTexts(*s, statusInputs(*s))[2], nullptr};
  request.mayReplace = [&ctx](const std::string& question) {
    return ctx.host.messageBox(question, kExportGisTitle, Icon::Question, Buttons::YesNo) == Answer::Yes;
  };
  const GisExportResult r = exportMapToGis(*s, d.palette, request);
  if (r.declined) return 1;
  if (!r.ok()) {
    ctx.err << "zonarium: " << r.error << "\n";
    return 1;
  }
  ctx.out << "cells: " << r.cellFeatures << " in " << r.cellsFile.string() << "\n";
  if (!r.taxaFile.empty()) ctx.out << "taxa: " << r.taxonFeatures << " in " << r.taxaFile.string() << "\n";
  return 0;
}

int cmdImportGbif(CliContext& ctx, const std::vector<std::string>& args) {
  GbifDialogModel m;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--quantitative") {
      m.quantitative = true;
      continue;
    }
    if (!isOption(a)) {
      positional.push_back(a);
      continue;
    }
    std::string* text = a == "--max-uncertainty" ? &m.maxUncertainty
                        : a == "--basis"         ? &m.basis
                        : a == "--years"         ? &m.years
                        : a == "--rank"          ? &m.rank
                                                 : nullptr;
    if (!text && a != "--grid") return refuse(ctx, "unknown option " + a + " for import-gbif");
    if (i + 1 >= args.size() || args[i + 1].empty()) return refuse(ctx, a + " needs a value");
    const std::string& v = args[++i];
    if (text) {
      *text = v;
    } else {
      const auto grid = gridVariantNamed(v);
      if (!grid) return refuse(ctx, "--grid takes world or britain");
      ctx.variant = *grid;
    }
  }
  GbifImportOptions o;
  if (std::string e = applyGbifFilters(m, o); !e.empty()) return refuse(ctx, e);
  if (positional.size() != 2) return refuse(ctx, "import-gbif takes INPUT OUTPUT.dat and the import options");
  o.input = positional[0];
  o.output = positional[1];
  auto s = startCliSession(ctx);
  if (!s) return 1;
  // The outputs are settled before anything is read, as import-data does.
  if (std::string why = gbifOutputProblem(*s, o); !why.empty()) {
    ctx.err << "zonarium: " << why << "\n";
    return 1;
  }
  for (const auto& p : gbifOutputs(o))
    if (!ctx.host.mayReplace(kGbifSaveTitle, p)) return 1;
  const GbifImportResult r = importGbif(*s, o);
  showNotices(*s, ctx.host);
  if (s->fatal) return 1;
  if (!r.ok()) {
    ctx.err << "zonarium: " << r.error << "\n";
    return 1;
  }
  ctx.out << gbifSummary(r) << "\n";
  const bool opened = openImported(*s);
  showNotices(*s, ctx.host);
  if (!opened) return 1;
  ctx.out << formatInfo(*s);
  return 0;
}

}  // namespace zn
