// A dispatcher on a datafile written for the test, with a fresh RESULTS
// file, answering through a scripted host; and SmallShell, five taxa in a
// handful of world-grid cells, small enough that a test can name every cell
// that matters:
//   T1: 10   T2: 20 30   T3: 30 40   T4: 20 40 50   T5: 10 50 60
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/dispatch.h"
#include "shell/results.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn::test {

template <class HostType>
struct ShellOnData {
  TempDir tmp;
  std::filesystem::path home = makeProgramFolder(tmp.path());
  HostType host;
  std::unique_ptr<Session> session;
  std::unique_ptr<Shell> shell;

  // Call from SetUp: writes equal/<file> and opens it.
  void open(const std::string& file, const std::string& title, const std::vector<TaxonSpec>& taxa) {
    const std::filesystem::path data = home / "equal" / file;
    writeFile(data, datafileImage(title, taxa));
    session = std::make_unique<Session>(host, home);
    ASSERT_TRUE(startSession(*session));
    shell = std::make_unique<Shell>(*session, host);
    ASSERT_TRUE(startResultsFile(shell->resultsFile()));
    host.openFiles.push_back(data);
    shell->dispatch(Command::OpenDatafile);
    ASSERT_TRUE(session->ws.datafile.opened);
  }
};

struct SmallShell : ShellOnData<ScriptedHost> {
  void start() {
    open("clicks.dat", "Clicks",
         {taxon("T1", {10}), taxon("T2", {20, 30}), taxon("T3", {30, 40}), taxon("T4", {20, 40, 50}),
          taxon("T5", {10, 50, 60})});
  }
};

}  // namespace zn::test
