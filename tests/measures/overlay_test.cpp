// Overlay statistics: the check, counts, Spearman's rho with ties and its t
// test, the coincidence report and the randomisation test report.
#include "measures/overlay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "store/workspace.h"
#include "tests/support/fixtures.h"

namespace zn {
namespace {

std::vector<OverlayCell> pairs(const std::vector<double>& x, const std::vector<double>& y) {
  std::vector<OverlayCell> out;
  for (std::size_t i = 0; i < x.size(); ++i) out.push_back({x[i], y[i]});
  return out;
}

// Pearson correlation of ranks found another way: a value's average rank is
// the number of smaller values plus (equal values + 1) / 2.
double pearsonOfRanks(const std::vector<double>& x, const std::vector<double>& y) {
  auto rank = [](const std::vector<double>& v) {
    std::vector<double> r;
    for (double a : v) {
      double less = 0, equal = 0;
      for (double b : v) {
        less += b < a;
        equal += b == a;
      }
      r.push_back(less + (equal + 1) / 2);
    }
    return r;
  };
  const std::vector<double> rx = rank(x), ry = rank(y);
  const double n = static_cast<double>(x.size());
  double mx = 0, my = 0;
  for (std::size_t i = 0; i < rx.size(); ++i) mx += rx[i] / n, my += ry[i] / n;
  double sxy = 0, sxx = 0, syy = 0;
  for (std::size_t i = 0; i < rx.size(); ++i) {
    sxy += (rx[i] - mx) * (ry[i] - my);
    sxx += (rx[i] - mx) * (rx[i] - mx);
    syy += (ry[i] - my) * (ry[i] - my);
  }
  return sxy / std::sqrt(sxx * syy);
}

TEST(OverlayCheck, RefusesInTheOrderGivenAndPassesAUsablePair) {
  struct Case {
    OverlayCheckFacts facts;
    const char* expected;  // nullptr: passes
  } cases[] = {
      {{false, false, true, 0, 0}, "Plotting overlays requires 256 colour mode."},
      {{false, true, false, 5, 0}, nullptr},  // presence overlays need no 256 colours
      {{true, false, true, 5, 3}, "3D overlay already loaded."},
      {{true, false, false, 5, 0}, "Requires two sets of overlapping map scores-\nuse swap scores."},
      {{true, true, false, 5, 0}, nullptr},
      {{true, false, false, 5, 1}, nullptr},
  };
  for (const Case& c : cases) {
    const auto got = overlayCheckFailure(c.facts);
    if (c.expected == nullptr) {
      EXPECT_FALSE(got.has_value()) << *got;
    } else {
      ASSERT_TRUE(got.has_value()) << c.expected;
      EXPECT_EQ(*got, c.expected);
    }
  }
}

TEST(OverlayCells, MarkersAreScoredCellsThatReadAsZero) {
  const auto cells = pairs({0, 2, kZeroScore, 0, 3}, {0, 0, 4, 5, kZeroScore});
  const OverlayCounts c = overlayCounts(cells);
  EXPECT_EQ(c.unionCount, 4);
  EXPECT_EQ(c.sharedCount, 2);

  // Each cell kept as its foreground and background value.
  auto values = [](const std::vector<OverlayCell>& kept) {
    std::vector<double> out;
    for (const OverlayCell& c : kept) out.insert(out.end(), {c.fore, c.back});
    return out;
  };
  EXPECT_EQ(values(scoredOverlayCells(cells, kOverlayOr)), (std::vector<double>{2, 0, 0, 4, 0, 5, 3, 0}));
  EXPECT_EQ(values(scoredOverlayCells(cells, kOverlayAnd)), (std::vector<double>{0, 4, 3, 0}));
}

TEST(OverlayRanks, TiesShareTheirMeanRankAndAddToTheCorrection) {
  const Ranking r = averageRanks({5, 1, 5, 5, 2, 2});
  const std::vector<double> expected{5, 1, 5, 5, 2.5, 2.5};
  EXPECT_EQ(r.ranks, expected);
  // runs of 3 and 2: (27 - 3) / 12 + (8 - 2) / 12
  EXPECT_DOUBLE_EQ(r.tieCorrection, 2.5);
}

TEST(OverlaySpearman, PublishedExampleWithoutTies) {
  // IQ against hours of television, rho = -29/165.
  const std::vector<double> iq{106, 100, 86, 101, 99, 103, 97, 113, 112, 110};
  const std::vector<double> tv{7, 27, 2, 50, 28, 29, 20, 12, 6, 17};
  const SpearmanResult r = spearman(pairs(iq, tv));
  EXPECT_NEAR(r.rho, -29.0 / 165.0, 1e-12);
  EXPECT_NEAR(r.t, 0.50499, 1e-4);
  EXPECT_EQ(r.message, "Spearman rank correlation coefficient (G/B)\nrho= -0.176, t(8 df)= 0.505\nP>0.05 n.s.");
  EXPECT_EQ(r.title, "overlay correlation rho= -0.18");
}

TEST(OverlaySpearman, AgreesWithPearsonOnRanksForHeavyTies) {
  std::vector<double> x, y;
  Random rng;
  rng.seed(7);
  for (int i = 0; i < 300; ++i) {
    x.push_back(rng.choose(6));
    y.push_back(x.back() + rng.choose(4));
  }
  const SpearmanResult r = spearman(pairs(x, y));
  EXPECT_NEAR(r.rho, pearsonOfRanks(x, y), 1e-10);
  EXPECT_TRUE(r.tested);
  EXPECT_EQ(r.df, 298);
}

TEST(OverlaySpearman, ExactValuesAndDegenerateSetsTakeTheShortMessage) {
  struct Case {
    std::vector<double> x, y;
    const char* message;
  } cases[] = {
      {{3, 1, 2}, {3, 1, 2}, "Spearman rank correlation coefficient (G/B)\nrho= 1.0"},
      {{3, 1, 2}, {1, 3, 2}, "Spearman rank correlation coefficient (G/B)\nrho= -1.0"},
      {{4}, {2}, "Spearman rank correlation coefficient (G/B)\nrho= 0.0"},
      // every foreground tied: no spread, no correlation (not 0/0)
      {{2, 2, 2, 2}, {1, 2, 3, 4}, "Spearman rank correlation coefficient (G/B)\nrho= 0.0"},
  };
  for (const Case& c : cases) {
    const SpearmanResult r = spearman(pairs(c.x, c.y));
    EXPECT_EQ(r.message, c.message);
    EXPECT_FALSE(r.tested);
    EXPECT_FALSE(std::isnan(r.rho));
  }
}

TEST(OverlayTTable, RowIsTheLargestTabulatedDfNotAboveTheActual) {
  struct Case {
    double t;
    int df;
    const char* text;
  } cases[] = {
      {6.313, 1, "P>0.05 n.s."},
      {6.314, 1, "P<0.05 (single tail) P>0.05 (two tail)"},
      {12.706, 1, "P<0.025 (single tail) P<0.05 (two tail)"},
      {636.619, 1, "P<0.0005 (single tail) P<0.001 (two tail)"},
      {1.690, 35, "P>0.05 n.s."},  // df 30 row (1.697), not df 40 (1.684)
      {1.690, 40, "P<0.05 (single tail) P>0.05 (two tail)"},
      {3.300, 5000, "P<0.005 (single tail) P<0.01 (two tail)"},
  };
  for (const Case& c : cases) EXPECT_EQ(tSignificance(c.t, c.df), c.text) << "t " << c.t << " df " << c.df;
}

// Upper tail of Student's t, integrated numerically (Simpson).
double upperTail(double t, int df) {
  const double v = df;
  const double norm = std::exp(std::lgamma((v + 1) / 2) - std::lgamma(v / 2)) / std::sqrt(v * M_PI);
  auto f = [&](double u) { return norm * std::pow(1 + u * u / v, -(v + 1) / 2); };
  const int steps = 200000;
  const double h = t / steps;
  double sum = f(0) + f(t);
  for (int i = 1; i < steps; ++i) sum += f(i * h) * (i % 2 ? 4 : 2);
  return 0.5 - sum * h / 3;
}

TEST(OverlayTTable, EveryCriticalValueCutsOffItsTail) {
  const double alpha[4] = {0.05, 0.025, 0.005, 0.0005};
  std::vector<int> dfs;
  for (int d = 1; d <= 30; ++d) dfs.push_back(d);
  for (int d : {40, 60, 120}) dfs.push_back(d);
  for (int df : dfs) {
    const auto row = tCriticalValues(df);
    for (int a = 0; a < 4; ++a) {
      // Tabulated to 3 decimals: the true value lies within half a unit.
      const double t = row[static_cast<std::size_t>(a)];
      EXPECT_GT(upperTail(t - 0.0011, df), alpha[a]) << "df " << df << " t " << t;
      EXPECT_LT(upperTail(t + 0.0011, df), alpha[a]) << "df " << df << " t " << t;
    }
  }
}

TEST(OverlayTwoAxis, ClassesSpanTheRangeOrTheCellCountsAndCombineInThePalette) {
  struct Case {
    std::vector<double> values;
    bool equalFrequency;
    std::vector<int> classes;
  } cases[] = {
      // (v - 1) * 9 / 9: one class per unit
      {{1, 10, 5.5, 2}, false, {0, 9, 4, 1}},
      {{3, 3, 3}, false, {0, 0, 0}},  // no range: no division by zero
      {{}, false, {}},
      // ten cells, one per class; ties take the class of their first cell
      {{9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, true, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
      {{1, 1, 2, 2, 3}, true, {0, 0, 4, 4, 8}},
  };
  for (const Case& c : cases) EXPECT_EQ(axisClasses(c.values, c.equalFrequency), c.classes);

  // The palette index combines both classes; markers count as zero.
  const auto plot = twoAxisPlot(pairs({0, 9, kZeroScore, 9}, {kZeroScore, 0, 9, 9}), false);
  EXPECT_EQ(plot.paletteIndex, (std::vector<int>{40, 130, 49, 139}));
  EXPECT_EQ(plot.counts[9][9], 1);
  EXPECT_EQ(plot.counts[0][0], 1);
  EXPECT_EQ(plot.counts[4][4], 0);
}

ThreeAxisBuffer buffer(std::vector<std::array<double, 3>> cells) {
  ThreeAxisBuffer b;
  b.loaded = true;
  b.values.push_back({0, 0, 0});  // record 0 is not a cell
  for (const auto& c : cells) b.values.push_back(c);
  return b;
}

TEST(OverlayThreeAxis, LevelsScaleEachColourOverTheScoredCellsOfTheChosenColumns) {
  ThreeAxisBuffer b = buffer({{1, 10, 100}, {6, 20, 300}, {11, 30, 500}, {50, 0, 1}});
  const ThreeAxisLevels l = threeAxisLevels(b, 6, false, false);
  // Cell 4 lacks a value and is left out of the ranges. Green (1 ... 11):
  // 0, 2.5 -> 2, 5; blue (10 ... 30): 0, 2, 5; red (100 ... 500): 0, 2, 5.
  EXPECT_EQ(l.scored, (std::vector<bool>{false, true, true, true, false}));
  EXPECT_EQ(l.level, (std::vector<std::array<int, 3>>{{0, 0, 0}, {0, 0, 0}, {2, 2, 2}, {5, 5, 5}, {0, 0, 0}}));
  EXPECT_EQ(l.paletteIndex, (std::vector<int>{0, 0, (2 * 6 + 2) * 6 + 2, 215, 0}));

  // Axis settings choose the column, and any score widens the cells.
  ThreeAxisBuffer chosen = buffer({{1, 10, 0}, {3, 30, 7}, {0, 0, 0}});
  chosen.axisOfColour = {2, 0, 1};  // green shows column 3, blue column 1, red column 2
  const ThreeAxisLevels wide = threeAxisLevels(chosen, 16, true, false);
  EXPECT_EQ(wide.scored, (std::vector<bool>{false, true, true, false}));
  // green 0 ... 7, blue 1 ... 3, red 10 ... 30
  EXPECT_EQ(wide.level, (std::vector<std::array<int, 3>>{{0, 0, 0}, {0, 0, 0}, {15, 15, 15}, {0, 0, 0}}));
  EXPECT_EQ(wide.paletteIndex, (std::vector<int>{0, 0, 4095, 0}));
  // One value throughout a colour: level 0, no division by zero.
  ThreeAxisBuffer flat = buffer({{2, 2, 2}, {2, 2, 2}});
  EXPECT_EQ(threeAxisLevels(flat, 6, false, false).level[2], (std::array<int, 3>{0, 0, 0}));
  // An import with negative values marks the shifted minimum: present, so
  // the cell is drawn, but it ranks as 0, not as the marker's 10000.
  const ThreeAxisLevels shifted = threeAxisLevels(buffer({{kZeroScore, 1, 1}, {5, 2, 2}, {10, 3, 3}}), 6, false, false);
  EXPECT_TRUE(shifted.scored[1]);
  EXPECT_EQ((std::vector<int>{shifted.level[1][0], shifted.level[2][0], shifted.level[3][0]}),
            (std::vector<int>{0, 2, 5}));
}

TEST(OverlayCoincidence, CountsAloneAndTogether) {
  const auto cells = pairs({1, 1, 1, 0, 0, 0, 0}, {0, 1, 1, 1, 1, 1, 0});
  const std::string rule(68, '=');
  EXPECT_EQ(coincidenceReport(coincidence(cells), "reserves", "hotspots"),
            "\n\n Coincidence of presence/absence overlays.\n" + rule +
                "\n\n  Cells  Overlay\n\n      1  reserves  (alone)\n      2  reserves + hotspots\n"
                "      3  hotspots  (alone)\n\n _______________________________________________________\n\n\n");
}

std::string readExpected(const char* name) {
  return test::readFile(std::filesystem::path(ZN_SOURCE_DIR) / "tests" / "data" / "overlay" / name);
}

const RandomisationTitles kTitles{"richness", "birds", "rarity", "butterflies"};

TEST(OverlayRandomisation, WholePoolSampledGivesOneTotalAndNoBrackets) {
  // The pool and the sample follow the offset.
  const auto shifted = randomisationInput(pairs({2, 0, kZeroScore, 0}, {0, 3, 1, 0}), 1.5);
  EXPECT_EQ(shifted.pool, (std::vector<double>{3.5, 1.5, 1.5}));
  EXPECT_EQ(shifted.sampled, (std::vector<bool>{false, true, true}));
  // Sampling every member always gives the pool's total, 6 over 3 cells.
  const auto in = randomisationInput(pairs({2, 4, kZeroScore}, {1, 1, 1}), 0.0);
  Random rng;
  rng.seed(99);
  int steps = 0;
  const auto totals = randomDraws(in, rng, [&] { ++steps; });
  ASSERT_TRUE(totals.has_value());
  EXPECT_EQ(steps, 20);
  EXPECT_EQ(randomisationReport(in, *totals, kTitles, 75), readExpected("randomisation_whole_pool.txt"));
}

// Pool {1, 3}, the sampled cell holds 1: each draw is 1 or 3. The seed gives
// 525 threes among 1000 draws (mean 2.05; 476 of the 1001 totals, the
// observed one included, are 3), and the observed total is not above any
// draw, so there is no lower bracketing line.
TEST(OverlayRandomisation, TwoValuedPoolReportMatchesItsExpectedFileAndTheUndrawableIsRefused) {
  const auto in = randomisationInput(pairs({1, 3}, {1, 0}), 0.0);
  Random rng;
  rng.seed(12345);
  const auto totals = randomDraws(in, rng, {});
  ASSERT_TRUE(totals.has_value());
  EXPECT_EQ(randomisationReport(in, *totals, kTitles, 0), readExpected("randomisation_two_values.txt"));

  // What could never be drawn is refused.
  EXPECT_FALSE(randomDraws(randomisationInput(pairs({1, 2}, {0, 0}), 0.0), rng, {}).has_value());
  RandomisationInput huge;
  huge.pool.assign(40000, 1.0);
  huge.sampled.assign(40000, false);
  huge.sampled[0] = huge.sampled[1] = true;
  EXPECT_FALSE(randomDraws(huge, rng, {}).has_value());
  RandomisationInput uneven;  // flags for fewer members than the pool holds
  uneven.pool = {1, 2, 3};
  uneven.sampled = {true};
  EXPECT_FALSE(randomDraws(uneven, rng, {}).has_value());
  EXPECT_EQ(randomisationReport(uneven, std::vector<double>(1000, 1.0), kTitles, 0), "");
}

}  // namespace
}  // namespace zn
