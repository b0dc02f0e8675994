// The data session with a dispatcher that holds the data commands, for the
// tests of the preselection and editor commands and their windows.
#pragma once

#include <memory>

#include "shell/data_commands.h"
#include "shell/dispatch.h"
#include "tests/store/data_fixture.h"

namespace zn::test {

class DataShellSession : public DataSession {
 protected:
  std::unique_ptr<Shell> shell;
  void SetUp() override {
    DataSession::SetUp();
    shell = std::make_unique<Shell>(s, host);
    connectDataCommands(*shell);
  }
};

}  // namespace zn::test
