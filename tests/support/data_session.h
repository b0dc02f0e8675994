// A session with a datafile open on the "equal" world grid, for the tests
// of the preselection, the editor and the datafile utilities; DataShellSession
// adds a dispatcher holding the data commands, for those commands and windows.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/data_commands.h"
#include "shell/data_dialogue.h"
#include "shell/dispatch.h"
#include "store/datafile.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn::test {

class DataSession : public ::testing::Test {
 protected:
  TempDir tmp;
  std::filesystem::path home = makeProgramFolder(tmp.path());
  ScriptedHost host;
  Session s{host, home};

  void SetUp() override { ASSERT_TRUE(startSession(s)); }

  std::filesystem::path put(const std::string& rel, const std::string& image) {
    std::filesystem::path p = home / rel;
    writeFile(p, image);
    return p;
  }
  // Writes the datafile and opens it; the messages of opening are dropped.
  std::filesystem::path open(const std::vector<TaxonSpec>& taxa, const std::string& rel = "equal/data.dat",
                             const std::string& title = "Test data") {
    std::filesystem::path p = put(rel, datafileImage(title, taxa));
    host.openFiles.push_back(p);
    if (taxa.size() < 3) host.answers.push_back(Answer::Yes);  // the format question
    EXPECT_TRUE(openDatafile(s, host));
    host.messages.clear();
    return p;
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (int t = 0; t < s.ws.taxaCount; ++t) out.push_back(s.ws.cards.name(t));
    return out;
  }
  int recordsIn(int cell) const {
    int n = 0;
    for (int t = 0; t < s.ws.taxaCount; ++t) n += s.ws.cards.level(t, cell) != 0;
    return n;
  }
};

// Five taxa on a few cells: codes 11, 12, 121, 2 and 3.
inline std::vector<TaxonSpec> fiveTaxa() {
  return {{"Alpha", "11", {{40, 1}, {41, 2}}},
          {"Beta", "12", {{41, 1}, {42, 3}}},
          {"Gamma", "121", {{42, 1}, {43, 1}}},
          {"Delta", "2", {{50, 2}}},
          {"Epsilon", "3", {{40, 4}, {50, 1}}}};
}

// The code as stored: padded with '0' to 31 characters.
inline std::string padded(const std::string& code) { return code + std::string(31 - code.size(), '0'); }

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
