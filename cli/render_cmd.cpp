// zonarium render DATAFILE --measure NAME | --select KIND [measure and select
// options] [--options FILE.OPP] [--size WxH] --out FILE: computes the measure
// as `zonarium measure` does, or runs the analysis as `zonarium select` does,
// classes the map and draws it at the client size, as PNG, BMP or PDF. A
// project's map (FILE.gpkg) is written as PNG, SVG or a vector PDF, laid out
// at --size and written at --dpi, or as a PNG at --dpr as a screen of that
// device pixel ratio shows it.
#include "cli/render_cmd.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <optional>

#include "cli/measure_options.h"
#include "cli/project_analysis.h"
#include "cli/select_cmd.h"
#include "display/mapoutput.h"
#include "display/renderer.h"
#include "display/unitmap.h"
#include "display/unitmapfile.h"
#include "shell/mapclasses.h"
#include "shell/projectscreen.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

constexpr int kMinSide = 16;
constexpr int kMaxSide = 8192;

std::optional<std::pair<int, int>> parseSize(const std::string& v) {
  const auto x = v.find('x');
  if (x == std::string::npos) return std::nullopt;
  int w = 0, h = 0;
  const char* b = v.data();
  auto [e1, c1] = std::from_chars(b, b + x, w);
  auto [e2, c2] = std::from_chars(b + x + 1, b + v.size(), h);
  if (c1 != std::errc() || c2 != std::errc() || e1 != b + x || e2 != b + v.size()) return std::nullopt;
  if (w < kMinSide || h < kMinSide || w > kMaxSide || h > kMaxSide) return std::nullopt;
  return std::pair{w, h};
}

bool knownImageType(const fs::path& p) {
  const std::string e = toLower(p.extension().string());
  return e == ".png" || e == ".bmp" || e == ".pdf";
}

// Qt draws text only with a GUI application; the tool makes one, off screen,
// when the caller has none.
std::unique_ptr<QGuiApplication> guiApplication() {
  if (QCoreApplication::instance()) return nullptr;
  prepareOffscreenQt();
  static int argc = 1;
  static char name[] = "zonarium";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

// A folder only this process may use (mkdtemp makes it 0700, as Qt wants a
// runtime folder), removed when the process ends.
struct PrivateRuntimeFolder {
  fs::path path;
  PrivateRuntimeFolder() {
    std::error_code ec;
    std::string pattern = (fs::temp_directory_path(ec) / "zonarium-runtime-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path = pattern;
  }
  ~PrivateRuntimeFolder() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

}  // namespace

void prepareOffscreenQt() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
  static const PrivateRuntimeFolder runtime;
  if (!runtime.path.empty()) qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path.string()));
}

int cmdRender(CliContext& ctx, const std::vector<std::string>& args) {
  const std::vector<SetKey> keys = selectSetKeys();
  MeasureOptions opts;
  std::vector<std::string> rest;
  if (int rc = parseMeasureOptions(ctx, args, opts, rest, keys); rc != 0) return rc;
  SelectOptions so;
  if (int rc = takeSelectOptions(ctx, rest, so); rc != 0) return rc;

  std::optional<fs::path> options, out, datafile;
  std::pair<int, int> size{1024, 768};
  std::optional<int> dpi;
  std::optional<double> dpr;
  bool graticule = false;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const std::string& a = rest[i];
    const bool hasValue = i + 1 < rest.size();
    if (a == "--graticule") {
      graticule = true;
    } else if (a == "--options" && hasValue) {
      options = rest[++i];
    } else if (a == "--out" && hasValue) {
      out = rest[++i];
    } else if (a == "--select" && hasValue) {
      so.kind = rest[++i];
    } else if (a == "--dpi" && hasValue) {
      int v = 0;
      const std::string& t = rest[++i];
      auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
      if (ec != std::errc() || end != t.data() + t.size() || v < kMinMapDpi || v > kMaxMapDpi) {
        ctx.err << strprintf("zonarium: --dpi takes a resolution from %d to %d\n", kMinMapDpi, kMaxMapDpi);
        return 2;
      }
      dpi = v;
    } else if (a == "--dpr" && hasValue) {
      double v = 0;
      const std::string& t = rest[++i];
      auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
      if (ec != std::errc() || end != t.data() + t.size() || !(v >= 1.0 && v <= kMaxMapPixelRatio)) {
        ctx.err << strprintf("zonarium: --dpr takes a device pixel ratio from 1 to %g\n", kMaxMapPixelRatio);
        return 2;
      }
      dpr = v;
    } else if (a == "--size" && hasValue) {
      auto s = parseSize(rest[++i]);
      if (!s) {
        ctx.err << strprintf("zonarium: --size takes WxH, each from %d to %d\n", kMinSide, kMaxSide);
        return 2;
      }
      size = *s;
    } else if (!a.empty() && a[0] == '-') {
      ctx.err << "zonarium: render does not know " << a << "\n";
      return 2;
    } else if (!datafile) {
      datafile = a;
    } else {
      ctx.err << "zonarium: render takes one DATAFILE\n";
      return 2;
    }
  }
  if (!datafile || opts.measure.empty() == so.kind.empty() || !out) {
    ctx.err << "zonarium: render takes DATAFILE, --measure NAME or --select KIND, and --out FILE\n";
    return 2;
  }
  if (namesProject(*datafile)) {
    if (options) return cliRefuse(ctx, "--options applies to datafiles; a project's map takes its own key");
    if (!unitMapFileType(*out)) return cliRefuse(ctx, "--out must name a .png, .svg or .pdf file for a project");
    if (dpr && dpi) return cliRefuse(ctx, "--dpr and --dpi both set the pixels of the map; give one");
    if (dpr && toLower(out->extension().string()) != ".png")
      return cliRefuse(ctx, "--dpr applies to a PNG; a drawing is sharp at any ratio");
    ProjectScreen screen;
    if (int rc = projectMapScreen(ctx, opts, so, keys, *datafile, screen); rc != 0) return rc;
    auto app = guiApplication();
    UnitMapStyle style;
    style.graticule = graticule;
    if (!writeUnitMapFile(*out, screen.shapes, screen.layer, {size.first, size.second, dpi.value_or(96), dpr.value_or(1.0)},
                          style))
      return cliRefuse(ctx, "cannot write " + out->string(), 1);
    return 0;
  }
  if (graticule) return cliRefuse(ctx, "--graticule applies to projects; a datafile's map has its own grid");
  if (dpi || dpr) return cliRefuse(ctx, std::string(dpi ? "--dpi" : "--dpr") + " applies to the map of a project");
  if (!knownImageType(*out)) {
    ctx.err << "zonarium: --out must name a .png, .bmp or .pdf file\n";
    return 2;
  }
  if (!so.kind.empty()) {
    if (int rc = checkSelectKind(ctx, so.kind); rc != 0) return rc;
    if (int rc = checkSelectRequest(ctx, so, opts); rc != 0) return rc;
    opts.measure = "richness";  // the map after opening a datafile
  }
  if (!measureCodeOrRefuse(ctx, opts.measure)) return 2;

  auto s = startCliSession(ctx);
  if (!s) return 1;
  if (options) {
    std::error_code ec;
    if (!fs::is_regular_file(*options, ec) || !readOptions(s->settings, *options, s->grid().denseFineGrid())) {
      ctx.err << "zonarium: cannot read the options file " << options->string() << "\n";
      return 1;
    }
    s->backgroundMap.settings = correctAtStartup(s->settings, s->savedFillFrameCoast);
  }
  if (int rc = prepareMeasure(ctx, *s, opts, *datafile, keys); rc != 0) return rc;
  if (!so.kind.empty()) {
    SelectRun run;
    if (int rc = runSelectAnalysis(ctx, *s, so, run); rc != 0) return rc;
  }

  auto app = guiApplication();
  DisplayState d;
  allocatePalette(d.palette, -1, s->settings);  // a true-colour screen
  buildPalette(d.palette, s->settings);
  classMap(*s, d);
  frameRegionalGrid(*s, d.view, zoomFlags(*s));
  const QImage image = renderClient(*s, d, size.first, size.second);
  if (!writeImageFile(*out, image)) {
    ctx.err << "zonarium: cannot write " << out->string() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace zn
