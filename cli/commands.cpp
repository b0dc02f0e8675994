#include "cli/commands.h"

#include <filesystem>

#include "cli/clihost.h"
#include "store/datafile.h"
#include "store/files.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

const char* kUsage =
    "usage: zonarium [--home DIR] [--answer yes|no] COMMAND ...\n"
    "commands:\n"
    "  info DATAFILE    open the datafile and print its counters\n";

std::string gridTypeName(const Session& s) {
  const auto& types = s.gridTypes.types;
  if (s.gridTypes.current >= 0 && s.gridTypes.current < static_cast<int>(types.size()))
    return types[static_cast<std::size_t>(s.gridTypes.current)].name;
  return "";
}

}  // namespace

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

int runZonarium(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  fs::path home;
  bool answerYes = true;
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--home" && i + 1 < args.size()) {
      home = args[++i];
    } else if (a == "--answer" && i + 1 < args.size()) {
      const std::string& v = args[++i];
      if (v != "yes" && v != "no") {
        err << "zonarium: --answer takes yes or no\n";
        return 2;
      }
      answerYes = v == "yes";
    } else if (a == "--help" || a == "-h") {
      out << kUsage;
      return 0;
    } else if (!a.empty() && a[0] == '-') {
      err << "zonarium: unknown option " << a << "\n" << kUsage;
      return 2;
    } else {
      break;
    }
  }
  if (i >= args.size()) {
    err << kUsage;
    return 2;
  }
  const std::string command = args[i++];
  std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());

  if (command != "info") {
    err << "zonarium: unknown command " << command << "\n" << kUsage;
    return 2;
  }
  if (rest.size() != 1) {
    err << "zonarium: info takes one DATAFILE\n";
    return 2;
  }

  if (home.empty()) home = defaultProgramFolder();
  if (!populateProgramFolder(home, shippedProgramData())) {
    err << "zonarium: cannot create the program folder " << home.string() << "\n";
    return 1;
  }
  CliHost host(err);
  host.answerYes = answerYes;
  Session session(host, home);
  if (!startSession(session)) return 1;

  fs::path datafile = rest[0];
  std::error_code ec;
  if (!fs::exists(datafile, ec)) {
    err << "zonarium: no such file " << datafile.string() << "\n";
    return 1;
  }
  host.openPaths.push_back(datafile);
  if (!openDatafile(session)) return 1;
  out << formatInfo(session);
  return 0;
}

}  // namespace zn
