// Dispatchers on a started session, answering through a scripted host:
// ShellFixture on a program folder made from the shipped programdata;
// ShellOnData on a datafile written for the test, with a fresh RESULTS file;
// SmallShell on smallTaxa().
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/dispatch.h"
#include "shell/results.h"
#include "store/files.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn::test {

struct ShellFixture : ::testing::Test {
  TempDir tmp;
  std::filesystem::path home = tmp.path() / "ZONARIUM";
  ScriptedHost host;
  std::unique_ptr<Session> session;
  std::unique_ptr<Shell> shell;

  // Starts the session and the dispatcher; false (after a test failure)
  // when the program folder cannot be made.
  bool start(GridVariant variant = GridVariant::World) {
    if (!populateProgramFolder(home, std::filesystem::path(ZN_SOURCE_DIR) / "programdata")) return false;
    session = std::make_unique<Session>(host, home, variant);
    if (!startSession(*session)) return false;
    shell = std::make_unique<Shell>(*session, host);
    return true;
  }
  // "Open datafile" on a file of the program folder.
  void open(const std::filesystem::path& rel) {
    host.openFiles.push_back(home / rel);
    shell->dispatch(Command::OpenDatafile);
  }
};

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
  void start() { open("clicks.dat", "Clicks", smallTaxa()); }
};

}  // namespace zn::test
