#include "cli/commands.h"

#include <filesystem>

#include "cli/cli.h"
#include "cli/preselect_option.h"
#include "store/datafile.h"
#include "store/files.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

std::string usage() {
  std::string u = "usage: zonarium [--home DIR] [--answer yes|no] [--grid world|britain] COMMAND ...\ncommands:\n";
  for (const auto& c : subcommands()) u += "  zonarium [options] " + c.usage + "\n";
  return u;
}

std::string gridTypeName(const Session& s) {
  const auto& types = s.gridTypes.types;
  if (s.gridTypes.current >= 0 && s.gridTypes.current < static_cast<int>(types.size()))
    return types[static_cast<std::size_t>(s.gridTypes.current)].name;
  return "";
}

// Opening can fail without a message box (the grid type's folder is missing
// from the program folder); the tool still says why.
void explainUnopened(CliContext& ctx, const Session& s, const fs::path& file) {
  const std::string& sub = s.ws.datafile.subdir;
  const std::string type = gridTypeName(s);
  if (sub.size() > 1 && !type.empty()) {
    const fs::path dir = s.home / sub.substr(0, sub.size() - 1);
    ctx.err << "zonarium: cannot open " << file.string() << ": its folder \"" << sub.substr(0, sub.size() - 1)
            << "\" names the grid type \"" << type << "\", whose data folder " << dir.string() << " does not exist\n";
  } else {
    ctx.err << "zonarium: cannot open " << file.string() << "\n";
  }
}

}  // namespace

std::unique_ptr<Session> startCliSession(CliContext& ctx) {
  if (ctx.home.empty()) ctx.home = defaultProgramFolder();
  std::vector<fs::path> failed;
  if (!populateProgramFolder(ctx.home, shippedProgramData(), &failed)) {
    ctx.err << "zonarium: cannot create the program folder " << ctx.home.string() << "\n";
    return nullptr;
  }
  for (const fs::path& f : failed) ctx.err << "zonarium: cannot copy the shipped file " << f.string() << "\n";
  auto s = std::make_unique<Session>(ctx.host, ctx.home, ctx.variant);
  if (!startSession(*s)) return nullptr;
  return s;
}

bool openCliDatafile(CliContext& ctx, Session& s, const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    ctx.err << "zonarium: no such datafile " << file.string() << "\n";
    return false;
  }
  ctx.host.openPaths.push_back(file);
  const int said = ctx.host.messages;
  if (!openDatafile(s)) {
    if (ctx.host.messages == said) explainUnopened(ctx, s, file);
    return false;
  }
  // "No taxa read" has been shown: nothing can be computed on the file.
  return s.ws.taxaCount > 0;
}

std::string formatInfo(const Session& s) {
  const Workspace& ws = s.ws;
  const Counters& c = ws.counters;
  std::string out;
  out += "grid type: " + gridTypeName(s) + "\n";
  out += "data title: " + ws.datafile.title + "\n";
  out += std::string("mode: ") + (ws.datafile.quantitative ? "quantitative" : "presence") + "\n";
  out += strprintf("taxa: %d\n", ws.taxaCount);
  out += strprintf("included taxa: %d\n", c.includedTaxa);
  out += strprintf("records: %d\n", c.records);
  out += strprintf("taxa with records: %d\n", c.taxaWithRecords);
  out += strprintf("occupied cells: %d\n", c.occupiedCells);
  out += strprintf("cells with data: %d\n", c.cellsWithData);
  out += strprintf("minimum range: %d\n", c.minRange);
  out += strprintf("median range: %d\n", c.medianRange);
  out += strprintf("maximum range: %d\n", c.maxRange);
  out += strprintf("sum of gaps: %.6f\n", c.sumGaps);
  out += strprintf("sum of inverse ranges: %.6f\n", c.sumInverseRanges);
  out += strprintf("sum of inverse squared ranges: %.6f\n", c.sumInverseSquaredRanges);
  out += strprintf("sum of weights: %.6f\n", c.sumWeights);
  out += strprintf("code-tree length: %.6f\n", c.codeTreeLength);
  return out;
}

int cmdInfo(CliContext& ctx, const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  std::optional<fs::path> preselect;
  if (int rc = takePreselectOption(ctx, args, preselect); rc != 0) return rc;
  if (args.size() != 1 || (!args[0].empty() && args[0][0] == '-')) {
    ctx.err << "zonarium: info takes one DATAFILE and --preselect FILE.pre\n";
    return 2;
  }
  auto s = startCliSession(ctx);
  if (!s) return 1;
  if (!openCliDatafile(ctx, *s, args[0])) return 1;
  if (preselect && !applyPreselectionFile(ctx, *s, *preselect)) return 1;
  ctx.out << formatInfo(*s);
  return 0;
}

int runZonarium(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CliContext ctx(out, err);
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--home" && i + 1 < args.size()) {
      ctx.home = args[++i];
    } else if (a == "--answer" && i + 1 < args.size()) {
      const std::string& v = args[++i];
      if (v != "yes" && v != "no") {
        err << "zonarium: --answer takes yes or no\n";
        return 2;
      }
      ctx.host.answer = v == "yes";
    } else if (a == "--grid" && i + 1 < args.size()) {
      const std::string& v = args[++i];
      const auto grid = gridVariantNamed(v);
      if (!grid) {
        err << "zonarium: --grid takes world or britain\n";
        return 2;
      }
      ctx.variant = *grid;
    } else if (a == "--help" || a == "-h") {
      out << usage();
      return 0;
    } else if (!a.empty() && a[0] == '-') {
      err << "zonarium: unknown option " << a << "\n" << usage();
      return 2;
    } else {
      break;
    }
  }
  if (i >= args.size()) {
    err << usage();
    return 2;
  }
  const std::string& name = args[i];
  std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
  for (const auto& c : subcommands())
    if (c.name == name) return c.run(ctx, rest);
  err << "zonarium: unknown command " << name << "\n" << usage();
  return 2;
}

}  // namespace zn
