// The zonarium tool run in-process on a program folder of its own, keeping
// what it printed; for the tests of its subcommands.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/commands.h"
#include "tests/support/fixtures.h"

namespace zn::test {

// What one run printed, and its exit status.
struct CliOutput {
  int rc = 0;
  std::string out, err;
};

// Runs `zonarium args...` in-process.
inline CliOutput runCli(const std::vector<std::string>& args) {
  std::ostringstream o, e;
  const int rc = runZonarium(args, o, e);
  return {rc, o.str(), e.str()};
}

struct CliRun {
  TempDir tmp;
  std::filesystem::path home = makeProgramFolder(tmp.path());
  std::string out, err;

  // Runs `zonarium --home HOME args...`; the exit status.
  int command(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", home.string()});
    CliOutput r = runCli(args);
    out = std::move(r.out);
    err = std::move(r.err);
    return r.rc;
  }
};

}  // namespace zn::test
