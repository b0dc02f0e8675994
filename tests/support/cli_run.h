// The zonarium tool run in-process on a program folder of its own, keeping
// what it printed; for the tests of its subcommands.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "tests/support/fixtures.h"

namespace zn::test {

struct CliRun {
  TempDir tmp;
  std::filesystem::path home = makeProgramFolder(tmp.path());
  std::string out, err;

  // Runs `zonarium --home HOME args...`; the exit status.
  int command(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", home.string()});
    std::ostringstream o, e;
    const int rc = runZonarium(args, o, e);
    out = o.str();
    err = e.str();
    return rc;
  }
};

}  // namespace zn::test
