// A dispatcher over five taxa in a handful of world-grid cells, with the
// datafile open and a fresh RESULTS file, answering through the scripted
// host: small enough that a test can name every cell that matters.
//   T1: 10   T2: 20 30   T3: 30 40   T4: 20 40 50   T5: 10 50 60
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "shell/dispatch.h"
#include "shell/results.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn::test {

struct SmallShell {
  TempDir tmp;
  std::filesystem::path home = makeProgramFolder(tmp.path());
  ScriptedHost host;
  std::unique_ptr<Session> session;
  std::unique_ptr<Shell> shell;

  // Call from SetUp: writes the datafile and opens it.
  void start() {
    const std::filesystem::path data = home / "equal" / "clicks.dat";
    auto taxon = [](const char* name, std::initializer_list<int> cells) {
      TaxonSpec t{name, "1", {}};
      for (int c : cells) t.levels[c] = 1;
      return t;
    };
    writeFile(data, datafileImage("Clicks", {taxon("T1", {10}), taxon("T2", {20, 30}), taxon("T3", {30, 40}),
                                             taxon("T4", {20, 40, 50}), taxon("T5", {10, 50, 60})}));
    session = std::make_unique<Session>(host, home);
    ASSERT_TRUE(startSession(*session));
    shell = std::make_unique<Shell>(*session, host);
    ASSERT_TRUE(startResultsFile(shell->resultsFile()));
    host.openFiles.push_back(data);
    shell->dispatch(1100);
    ASSERT_TRUE(session->ws.datafile.opened);
  }
};

}  // namespace zn::test
