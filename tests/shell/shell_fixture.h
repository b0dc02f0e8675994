// A program folder made from the shipped programdata, a started session and
// its dispatcher, all answering through the scripted host.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "shell/dispatch.h"
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
  bool start() {
    if (!populateProgramFolder(home, std::filesystem::path(ZN_SOURCE_DIR) / "programdata")) return false;
    session = std::make_unique<Session>(host, home);
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

}  // namespace zn::test
