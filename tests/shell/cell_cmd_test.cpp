#include <gtest/gtest.h>

#include <sstream>

#include "cli/commands.h"
#include "tests/support/fixtures.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

struct Cli {
  test::TempDir tmp;
  fs::path home = test::makeProgramFolder(tmp.path());
  fs::path data = home / "equal" / "cells.dat";
  std::string out, err;

  Cli() {
    test::writeFile(data, test::datafileImage("Cell taxa", {{"zeta", "11", {{2, 1}, {3, 2}}},
                                                            {"Alpha", "12", {{2, 2}}},
                                                            {"beta", "21", {{2, 1}, {40, 1}}}}));
  }
  int run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", home.string(), "cell"});
    std::ostringstream o, e;
    const int rc = runZonarium(args, o, e);
    out = o.str();
    err = e.str();
    return rc;
  }
};

TEST(ZonariumCell, PrintsTheListOfBiotaLines) {
  Cli c;
  ASSERT_EQ(c.run({c.data.string(), "2"}), 0) << c.err;
  // Cell 2 spans 71.73333 to 90 degrees north (the minutes truncated) and
  // 20 to 10 degrees west; its name keeps the blanks of its 17 characters.
  EXPECT_EQ(c.out, "Area 2: Greenland        \n71'43-90'N    10'-20'W\n  zeta\n  Alpha\n  beta\n3/3 taxa\n");
}

TEST(ZonariumCell, OptionsShapeTheListing) {
  Cli c;
  fs::path sed = c.tmp.path() / "set.sed";
  test::writeFile(sed, "[seed selected grid cell biotas]\n40\n[end]\n");
  ASSERT_EQ(c.run({c.data.string(), "2", "--areas", sed.string(), "--set", "grouped=0", "--set", "range-sizes=1",
                   "--measure", "range-size-rarity"}),
            0)
      << c.err;
  EXPECT_EQ(c.out, "Area 2: Greenland        \n  (beta)\n  Alpha- 1\n  zeta- 2\n2(3)/3 taxa\n");
  ASSERT_EQ(c.run({c.data.string(), "3", "--set", "group-code=1"}), 0) << c.err;
  EXPECT_NE(c.out.find("  zeta\n1/2 taxa\n"), std::string::npos) << c.out;
}

TEST(ZonariumCell, RefusesBadCellNumbersAndArguments) {
  const std::vector<std::string> bad[] = {{"0"}, {"865"}, {"2x"}, {"-1"}, {}};
  for (const auto& extra : bad) {
    Cli c;
    std::vector<std::string> args{c.data.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    EXPECT_EQ(c.run(args), 2) << (extra.empty() ? "(none)" : extra[0]);
    EXPECT_TRUE(c.out.empty());
    EXPECT_FALSE(c.err.empty());
  }
  Cli c;
  EXPECT_EQ(c.run({c.data.string(), "2", "--set", "grouped=yes"}), 2);
  EXPECT_NE(c.err.find("grouped"), std::string::npos);
}

}  // namespace
}  // namespace zn
