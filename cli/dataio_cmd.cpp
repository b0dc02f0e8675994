// zonarium import-data LAYOUT INPUT OUTPUT.dat: the new datafile must lie in
// a grid folder of the program folder, as the save dialog demands; it is
// opened afterwards and its counts printed as `info` prints them.
// zonarium export-data LAYOUT DATAFILE OUTPUT [--taxa NAME]... [--excluded-level N]:
// the DMAP layout takes its taxa from --taxa (the "Selective plot" choice).
#include "cli/dataio_cmd.h"

#include <charconv>
#include <filesystem>

#include "cli/commands.h"
#include "interchange/dataexport.h"
#include "interchange/dataimport.h"
#include "shell/data_dialogue.h"
#include "shell/dataio_commands.h"
#include "shell/notices.h"
#include "store/datafile.h"

namespace zn {

namespace {

int layoutCode(const std::string& name, const std::vector<std::string>& names) {
  if (name.size() == 1 && name[0] >= '1' && name[0] <= '9') return name[0] - '0';
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) return static_cast<int>(i) + 1;
  return 0;
}

const std::vector<std::string>& importNames() {
  static const std::vector<std::string> n{"quoted",  "comma",          "group",   "tnc",   "dmap",
                                          "latlong", "quoted-latlong", "records", "matrix"};
  return n;
}

const std::vector<std::string>& exportNames() {
  static const std::vector<std::string> n{"matrix",        "taxa",     "areas-by-taxa", "taxa-by-areas", "comma-text",
                                          "comma-numbers", "twinspan", "dmap",          "coords"};
  return n;
}

std::string joined(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : ", ") + n;
  return out;
}

}  // namespace

int importLayoutCode(const std::string& name) { return name == "nwps" ? kImportTnc : layoutCode(name, importNames()); }
int exportLayoutCode(const std::string& name) { return layoutCode(name, exportNames()); }

int cmdImportData(CliContext& ctx, const std::vector<std::string>& args) {
  if (args.size() != 3) {
    ctx.err << "zonarium: import-data takes LAYOUT INPUT OUTPUT.dat\n";
    return 2;
  }
  const int layout = importLayoutCode(args[0]);
  if (layout == 0) {
    ctx.err << "zonarium: import-data layouts are " << joined(importNames()) << " (or nwps), or 1 to 9\n";
    return 2;
  }
  auto s = startCliSession(ctx);
  if (!s) return 1;
  if (!insideProgramFolder(*s, args[2])) {
    ctx.err << "zonarium: the new datafile must lie in a grid folder of the program folder, such as "
            << (s->home / "equal" / "new.dat").string() << "\n";
    return 2;
  }
  // The output is settled before anything is read, as a batch run should.
  if (!ctx.host.mayReplace(importTargetRequest(*s).title, args[2])) return 1;
  if (!runImport(*s, ctx.host, layout, std::filesystem::path(args[1]), std::filesystem::path(args[2]))) return 1;
  const bool opened = openImported(*s);
  showNotices(*s, ctx.host);
  if (!opened) return 1;
  ctx.out << formatInfo(*s);
  return 0;
}

int cmdExportData(CliContext& ctx, const std::vector<std::string>& args) {
  std::vector<std::string> rest, taxa;
  int excludedLevel = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--taxa" && i + 1 < args.size()) {
      taxa.push_back(args[++i]);
    } else if (a == "--excluded-level" && i + 1 < args.size()) {
      const std::string& v = args[++i];
      auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), excludedLevel);
      if (ec != std::errc() || end != v.data() + v.size() || excludedLevel < 0 || excludedLevel > 100) {
        ctx.err << "zonarium: --excluded-level takes a level from 0 to 100\n";
        return 2;
      }
    } else if (!a.empty() && a[0] == '-' && a.size() > 1) {
      ctx.err << "zonarium: export-data does not know " << a << "\n";
      return 2;
    } else {
      rest.push_back(a);
    }
  }
  if (rest.size() != 3) {
    ctx.err << "zonarium: export-data takes LAYOUT DATAFILE OUTPUT\n";
    return 2;
  }
  const int layout = exportLayoutCode(rest[0]);
  if (layout == 0) {
    ctx.err << "zonarium: export-data layouts are " << joined(exportNames()) << ", or 1 to 9\n";
    return 2;
  }
  auto s = startCliSession(ctx);
  if (!s) return 1;
  if (!openCliDatafile(ctx, *s, rest[1])) return 1;
  if (excludedLevel != s->settings.excludedLevel) {
    // The record counts the lists print follow the excluded level.
    s->settings.excludedLevel = excludedLevel;
    s->subgroupDataPresent = recount(s->ws, excludedLevel);
    occupancyPass(s->ws, excludedLevel, s->areas);
  }
  std::optional<std::vector<int>> picked;
  if (layout == kExportDmap) {
    if (taxa.empty()) {
      ctx.err << "zonarium: the dmap layout takes one --taxa NAME for each taxon to write\n";
      return 2;
    }
    picked.emplace();
    for (const std::string& name : taxa) {
      int found = -1;
      for (int t = 0; t < s->ws.taxaCount && found < 0; ++t)
        if (s->ws.cards.name(t) == name) found = t;
      if (found < 0) {
        ctx.err << "zonarium: no taxon named \"" << name << "\"\n";
        return 2;
      }
      picked->push_back(found);
    }
  }
  if (!ctx.host.mayReplace(exportRequest(*s).title, rest[2])) return 1;
  const int said = ctx.host.messages;
  if (runExport(*s, ctx.host, layout, picked, std::filesystem::path(rest[2]))) return 0;
  // The window ends a failed write without a word; the tool names the file.
  if (ctx.host.messages == said) ctx.err << "zonarium: cannot write " << rest[2] << "\n";
  return 1;
}

}  // namespace zn
