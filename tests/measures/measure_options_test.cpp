// The measure options parser as the subcommands that extend it use it.
#include <gtest/gtest.h>

#include <iostream>

#include "cli/cli.h"
#include "cli/measure_options.h"

namespace zn {
namespace {

TEST(MeasureOptions, OtherArgumentsAreLeftForTheCallerAndKeysExtend) {
  CliContext ctx(std::cout, std::cerr);
  std::vector<SetKey> keys = measureSetKeys();
  int extra = 0;
  keys.push_back(SetKey{"areas-to-add", "a whole number", [](const std::string& v) { return !v.empty(); },
                        [&extra](CliContext&, Session&, const std::string& v) {
                          extra = std::stoi(v);
                          return true;
                        }});
  MeasureOptions opts;
  std::vector<std::string> rest;
  ASSERT_EQ(parseMeasureOptions(
                ctx, {"DATA", "--measure", "rare-quartile", "--out", "x.png", "--set", "areas-to-add=5", "--mean", "2"},
                opts, rest, keys),
            0);
  EXPECT_EQ(rest, (std::vector<std::string>{"DATA", "--out", "x.png"}));
  EXPECT_EQ(opts.measure, "rare-quartile");
  EXPECT_EQ(opts.meanPasses, 2);
  ASSERT_EQ(opts.sets.size(), 1u);
  EXPECT_EQ(opts.sets[0].first, "areas-to-add");
}

}  // namespace
}  // namespace zn
