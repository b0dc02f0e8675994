// Sessions with hand-made taxa on the 36 x 24 world grid for the priority-
// area analyses, and the expected-text files their reports are compared
// with. Set ZN_REGENERATE=1 to rewrite those files from the current output
// after a deliberate change, then read the diff before committing it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "measures/scores.h"
#include "selection/areaset.h"
#include "store/datafile.h"
#include "store/session.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn::test {

struct Priority {
  ScriptedHost host;
  Session s{host, "/nonexistent"};

  explicit Priority(const std::vector<TaxonSpec>& taxa, const std::string& title = "priority data") {
    allocateWorkspace(s);
    setDefaults(s.settings);
    readDatafileBytes(s, datafileImage(title, taxa));
    s.ws.datafile.opened = true;
    s.ws.datafile.fileName = "priority.dat";
    s.subgroupDataPresent = recount(s.ws, s.settings.excludedLevel);
    s.settings.longReports = Flag::kOff;
  }

  GridCell& cell(int n) { return s.ws.cells[static_cast<std::size_t>(n)]; }
  std::vector<int>& areas() { return s.areas.cells; }
  void name(int n, const std::string& text) {
    auto& f = cell(n).name;
    f.fill('\0');
    text.copy(f.data(), std::min(text.size(), f.size() - 1));
  }
  void costs(const std::vector<std::pair<int, double>>& values, double others = 1.0) {
    for (int n = 1; n <= s.ws.geo.cells; ++n) cell(n).cost = others;
    for (auto [n, c] : values) cell(n).cost = c;
    s.costPresent = true;
  }
  int sole(int taxon) { return s.ws.cards.field(taxon, s.ws.cards.layout->soleArea); }
  int reps(int taxon) { return s.ws.cards.field(taxon, s.ws.cards.layout->repCount); }
};

inline std::filesystem::path expectedTextDir() {
  return std::filesystem::path(ZN_SOURCE_DIR) / "tests" / "data" / "selection";
}

// Compares text with the named expected-text file; ZN_REGENERATE=1 rewrites it.
inline void expectMatchesFile(const std::string& text, const std::string& file) {
  const auto path = expectedTextDir() / file;
  if (const char* r = std::getenv("ZN_REGENERATE"); r && std::string(r) == "1") writeFile(path, text);
  ASSERT_TRUE(std::filesystem::exists(path)) << path << " is missing; run with ZN_REGENERATE=1";
  EXPECT_EQ(text, readFile(path)) << "differs from " << path;
}

}  // namespace zn::test
