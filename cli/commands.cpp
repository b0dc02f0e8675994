#include "cli/commands.h"

#include <filesystem>

#include "cli/cli.h"
#include "cli/preselect_option.h"
#include "cli/project_cmd.h"
#include "shell/data_dialogue.h"
#include "shell/notices.h"
#include "store/datafile.h"
#include "store/files.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

// The options before the command. The parser and the usage text both read
// this table, so an option cannot be accepted without being listed.
struct GlobalOption {
  const char* name;
  const char* value;  // what the option takes
  const char* help;
  // Takes the option's value; false (after a message) when it is refused.
  bool (*apply)(CliContext& ctx, const std::string& value);
};

// False (after a message) unless `v` is `a` or `b`.
bool eitherOf(CliContext& ctx, const char* option, const std::string& v, const char* a, const char* b) {
  if (v == a || v == b) return true;
  ctx.err << "zonarium: " << option << " takes " << a << " or " << b << "\n";
  return false;
}

const GlobalOption kGlobalOptions[] = {
    {"--home", "DIR", "the program folder to use (default: $HOME/ZONARIUM)",
     [](CliContext& ctx, const std::string& v) {
       ctx.home = v;
       return true;
     }},
    {"--answer", "yes|no", "the answer to every question the program would ask",
     [](CliContext& ctx, const std::string& v) {
       if (!eitherOf(ctx, "--answer", v, "yes", "no")) return false;
       ctx.host.answer = v == "yes";
       return true;
     }},
    {"--grid", "world|britain", "the world grid of ZN41 (the default) or the British grid of zn41gb",
     [](CliContext& ctx, const std::string& v) {
       if (!eitherOf(ctx, "--grid", v, "world", "britain")) return false;
       ctx.variant = *gridVariantNamed(v);
       return true;
     }},
};

std::string usage() {
  std::string u = "usage: zonarium";
  for (const GlobalOption& o : kGlobalOptions) u += std::string(" [") + o.name + " " + o.value + "]";
  u += " COMMAND ...\n       zonarium --help\noptions:\n";
  for (const GlobalOption& o : kGlobalOptions)
    u += strprintf("  %-22s %s\n", (std::string(o.name) + " " + o.value).c_str(), o.help);
  u += strprintf("  %-22s %s\n", "--help, -h", "prints this usage and exits");
  u += "commands:\n";
  for (const auto& c : subcommands()) u += "  zonarium [options] " + c.usage + "\n";
  return u;
}

const GlobalOption* globalOption(const std::string& name) {
  for (const GlobalOption& o : kGlobalOptions)
    if (name == o.name) return &o;
  return nullptr;
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

int cliRefuse(CliContext& ctx, const std::string& why, int status) {
  ctx.err << "zonarium: " << why << "\n";
  return status;
}

std::unique_ptr<Session> startCliSession(CliContext& ctx) {
  if (ctx.home.empty()) ctx.home = defaultProgramFolder();
  std::vector<fs::path> failed;
  if (!populateProgramFolder(ctx.home, shippedProgramData(), &failed)) {
    ctx.err << "zonarium: cannot create the program folder " << ctx.home.string() << "\n";
    return nullptr;
  }
  for (const fs::path& f : failed) ctx.err << "zonarium: cannot copy the shipped file " << f.string() << "\n";
  auto s = std::make_unique<Session>(ctx.host, ctx.home, ctx.variant);
  const bool started = startSession(*s);
  showNotices(*s, ctx.host);
  if (!started) return nullptr;
  return s;
}

bool openCliDatafile(CliContext& ctx, Session& s, const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    ctx.err << "zonarium: no such datafile " << file.string() << "\n";
    return false;
  }
  const int said = ctx.host.messages;
  if (!openDatafile(s, ctx.host, file)) {
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
  if (fs::path(args[0]).extension() == ".gpkg") {
    if (preselect) {
      ctx.err << "zonarium: --preselect applies to datafiles, not to projects\n";
      return 2;
    }
    return printProjectInfo(ctx, args[0]) ? 0 : 1;
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
    if (const GlobalOption* o = globalOption(a); o && i + 1 < args.size()) {
      if (!o->apply(ctx, args[++i])) return 2;
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
