#include "selection/exactmodel.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>

#include "selection/exactsolver.h"

namespace zn {

void ExactProblem::addRow(int taxon, int want, std::span<const std::int32_t> columns) {
  if (rowStart.empty()) rowStart.push_back(0);
  rowTaxon.push_back(taxon);
  demand.push_back(want);
  rowColumns.insert(rowColumns.end(), columns.begin(), columns.end());
  rowStart.push_back(static_cast<std::int32_t>(rowColumns.size()));
}

double quickLowerBound(const ExactProblem& p) {
  if (p.kind != ExactKind::MinimumSet) return 0.0;
  const int columns = p.columns();
  const bool byCost = p.byCost;
  auto costOf = [&](std::int32_t j) {
    return byCost && static_cast<std::size_t>(j) < p.cost.size() ? cleanCost(p.cost[static_cast<std::size_t>(j)]) : 1.0;
  };
  auto valid = [&](std::int32_t j) { return j >= 0 && j < columns; };
  // Dual of the covering relaxation: each taxon charges the least share of
  // any of its units' cost split evenly over the taxa that unit holds; no
  // unit is then charged more than it costs.
  std::vector<std::int32_t> held(static_cast<std::size_t>(columns), 0);
  for (std::int32_t j : p.rowColumns)
    if (valid(j)) ++held[static_cast<std::size_t>(j)];
  double dual = 0.0;
  for (int r = 0; r < p.rows(); ++r) {
    double share = std::numeric_limits<double>::infinity();
    for (std::int32_t j : p.columnsOf(r))
      if (valid(j)) share = std::min(share, costOf(j) / held[static_cast<std::size_t>(j)]);
    if (std::isfinite(share)) dual += std::max(1, p.demand[static_cast<std::size_t>(r)]) * share;
  }
  // Taxa whose units no other chosen taxon shares each need units of their
  // own; the rarest are tried first, as they block the fewest others.
  std::vector<int> order(static_cast<std::size_t>(p.rows()));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return p.columnsOf(a).size() < p.columnsOf(b).size(); });
  std::vector<char> taken(static_cast<std::size_t>(columns), 0);
  double disjoint = 0.0;
  for (int r : order) {
    const auto cols = p.columnsOf(r);
    double cheapest = std::numeric_limits<double>::infinity();
    bool free = true;
    for (std::int32_t j : cols)
      if (valid(j)) {
        free = free && !taken[static_cast<std::size_t>(j)];
        cheapest = std::min(cheapest, costOf(j));
      }
    if (!free || !std::isfinite(cheapest)) continue;
    for (std::int32_t j : cols)
      if (valid(j)) taken[static_cast<std::size_t>(j)] = 1;
    disjoint += std::max(1, p.demand[static_cast<std::size_t>(r)]) * cheapest;
  }
  const double b = std::max(dual, disjoint);
  bool whole = true;
  for (int j = 0; j < columns && whole && byCost; ++j) whole = costOf(j) == std::floor(costOf(j));
  return whole ? std::ceil(b - 1e-6) : b;
}

double exactGap(const ExactResult& r) {
  if (r.status == ExactStatus::Optimal || !r.hasSolution) return 0.0;
  const double d = std::fabs(r.objective - r.bound);
  return d / std::max(std::fabs(r.objective), 1e-9);
}

namespace {

using Clock = std::chrono::steady_clock;

// The programme as handed to CBC: duplicate columns and rows merged where
// that is safe, plus the transposed lists.
struct Model {
  const ExactProblem* p = nullptr;
  bool coverage = false;
  std::vector<int> col;                         // problem column of each model column
  std::vector<std::int32_t> rowStart, rowCols;  // model columns of each row, ascending
  std::vector<std::int32_t> colStart, colRows;  // rows of each model column
  std::vector<int> want;                        // presences each row needs
  std::vector<int> weight;                      // taxa merged into each row
  std::vector<char> forced;                     // minimum set: a row needs every one of its cells
  std::vector<std::int32_t> modelOf;            // problem column -> the model column standing in for it, or -1
  std::vector<int> firstRow;                    // the first problem row merged into each row
  int taxa = 0;                                 // sum of the weights

  int rows() const { return static_cast<int>(want.size()); }
  int columns() const { return static_cast<int>(col.size()); }
  double cost(int j) const { return cleanCost(p->cost[static_cast<std::size_t>(col[static_cast<std::size_t>(j)])]); }
  int demand(int r) const { return want[static_cast<std::size_t>(r)]; }
  std::span<const std::int32_t> rowOf(int r) const {
    return {rowCols.data() + rowStart[static_cast<std::size_t>(r)],
            rowCols.data() + rowStart[static_cast<std::size_t>(r) + 1]};
  }
  std::span<const std::int32_t> colOf(int j) const {
    return {colRows.data() + colStart[static_cast<std::size_t>(j)],
            colRows.data() + colStart[static_cast<std::size_t>(j) + 1]};
  }
  void addRow(std::span<const std::int32_t> cols, int w, int count) {
    if (rowStart.empty()) rowStart.push_back(0);
    rowCols.insert(rowCols.end(), cols.begin(), cols.end());
    rowStart.push_back(static_cast<std::int32_t>(rowCols.size()));
    want.push_back(w);
    weight.push_back(count);
    taxa += count;
  }
};

void transpose(Model& m, int columns) {
  m.colStart.assign(static_cast<std::size_t>(columns) + 1, 0);
  for (std::int32_t j : m.rowCols) ++m.colStart[static_cast<std::size_t>(j) + 1];
  for (std::size_t j = 1; j < m.colStart.size(); ++j) m.colStart[j] += m.colStart[j - 1];
  m.colRows.resize(m.rowCols.size());
  std::vector<std::int32_t> fill(m.colStart.begin(), m.colStart.end() - 1);
  for (int r = 0; r < m.rows(); ++r)
    for (std::int32_t j : m.rowOf(r)) m.colRows[static_cast<std::size_t>(fill[static_cast<std::size_t>(j)]++)] = r;
}

// Indexes 0 … n − 1 in groups whose lists and tags are equal; each group in
// ascending order, the groups in order of their first member.
template <class ListOf, class TagOf>
std::vector<std::vector<int>> equalGroups(int n, ListOf listOf, TagOf tagOf) {
  std::vector<int> order(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  auto same = [&](int a, int b) {
    auto la = listOf(a), lb = listOf(b);
    return tagOf(a) == tagOf(b) && std::equal(la.begin(), la.end(), lb.begin(), lb.end());
  };
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    if (tagOf(a) != tagOf(b)) return tagOf(a) < tagOf(b);
    auto la = listOf(a), lb = listOf(b);
    return std::lexicographical_compare(la.begin(), la.end(), lb.begin(), lb.end());
  });
  std::vector<std::vector<int>> groups;
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (k == 0 || !same(order[k - 1], order[k])) groups.emplace_back();
    groups.back().push_back(order[k]);
  }
  std::sort(groups.begin(), groups.end());
  return groups;
}

// With one presence wanted per row, a cell whose taxa another cell holds as
// well, at no higher cost, is never needed: the other one takes its place
// with no fewer taxa, no more areas and no more cost. Identical cells are
// merged before, so the other one always holds more. Drops such columns
// from `keep` (kept columns are 0).
// The search is quadratic in the worst case, so it ends at `cutoff`: the
// columns dropped so far stay dropped, the rest stay in.
void dropDominated(const Model& full, std::vector<std::int32_t>& keep, std::vector<int>& rep,
                   std::optional<Clock::time_point> cutoff) {
  std::vector<int> drop;
  for (int j = 0; j < full.columns(); ++j) {
    if (cutoff && j % 256 == 0 && Clock::now() >= *cutoff) break;
    if (keep[static_cast<std::size_t>(j)] < 0) continue;
    const auto rj = full.colOf(j);
    // Only cells holding the rarest of its taxa can hold them all.
    std::int32_t pivot = rj.front();
    for (std::int32_t r : rj)
      if (full.rowOf(r).size() < full.rowOf(pivot).size()) pivot = r;
    for (std::int32_t k : full.rowOf(pivot)) {
      if (k == j || keep[static_cast<std::size_t>(k)] < 0) continue;
      const auto rk = full.colOf(k);
      if (rk.size() <= rj.size() || full.cost(k) > full.cost(j)) continue;
      if (std::includes(rk.begin(), rk.end(), rj.begin(), rj.end())) {
        drop.push_back(j);
        rep[static_cast<std::size_t>(j)] = k;
        break;
      }
    }
  }
  for (int j : drop) keep[static_cast<std::size_t>(j)] = -1;
}

// Columns that hold exactly the same rows are interchangeable when every row
// wants one presence: only the cheapest (then the lowest-numbered) is kept,
// and cells that another one outdoes go too. With higher wants two such
// cells may both be needed, so all stay. Rows
// over the same columns with the same want become one row that counts for
// all their taxa. The dominance search is optional and stops at `cutoff`.
Model reduce(const ExactProblem& p, std::optional<Clock::time_point> cutoff) {
  const int columns = p.columns();
  Model full;
  full.p = &p;
  full.col.resize(static_cast<std::size_t>(columns));
  std::iota(full.col.begin(), full.col.end(), 0);
  std::vector<std::int32_t> cols;
  const bool coverage = p.kind != ExactKind::MinimumSet;
  for (int r = 0; r < p.rows(); ++r) {
    cols.clear();
    for (std::int32_t j : p.columnsOf(r))
      if (j >= 0 && j < columns) cols.push_back(j);
    std::sort(cols.begin(), cols.end());
    cols.erase(std::unique(cols.begin(), cols.end()), cols.end());
    full.addRow(cols, coverage ? 1 : std::max(1, p.demand[static_cast<std::size_t>(r)]), 1);
  }
  transpose(full, columns);

  bool single = true;
  for (int r = 0; r < full.rows() && single; ++r) single = full.demand(r) <= 1;
  Model m;
  m.p = &p;
  m.coverage = coverage;
  std::vector<std::int32_t> keepAs(static_cast<std::size_t>(columns), -1);
  std::vector<int> rep(static_cast<std::size_t>(columns));  // the column that stands in for each
  std::iota(rep.begin(), rep.end(), 0);
  for (const auto& g : equalGroups(
           columns, [&](int j) { return full.colOf(j); }, [](int) { return 0; })) {
    if (full.colOf(g.front()).empty()) continue;
    if (!single) {
      for (int j : g) keepAs[static_cast<std::size_t>(j)] = 0;
      continue;
    }
    int best = g.front();
    for (int j : g)
      if (full.cost(j) < full.cost(best)) best = j;
    keepAs[static_cast<std::size_t>(best)] = 0;
    for (int j : g) rep[static_cast<std::size_t>(j)] = best;
  }
  if (single) dropDominated(full, keepAs, rep, cutoff);
  for (int j = 0; j < columns; ++j)
    if (keepAs[static_cast<std::size_t>(j)] >= 0) {
      keepAs[static_cast<std::size_t>(j)] = static_cast<std::int32_t>(m.col.size());
      m.col.push_back(j);
    }
  // Dominance only ever points to a cell holding more taxa, so each chain ends.
  m.modelOf.assign(static_cast<std::size_t>(columns), -1);
  for (int j = 0; j < columns; ++j) {
    int k = j;
    while (keepAs[static_cast<std::size_t>(k)] < 0 && rep[static_cast<std::size_t>(k)] != k)
      k = rep[static_cast<std::size_t>(k)];
    m.modelOf[static_cast<std::size_t>(j)] = keepAs[static_cast<std::size_t>(k)];
  }

  Model mapped;
  mapped.p = &p;
  for (int r = 0; r < full.rows(); ++r) {
    cols.clear();
    for (std::int32_t j : full.rowOf(r))
      if (keepAs[static_cast<std::size_t>(j)] >= 0) cols.push_back(keepAs[static_cast<std::size_t>(j)]);
    mapped.addRow(cols, full.demand(r), 1);
  }
  for (const auto& g : equalGroups(
           mapped.rows(), [&](int r) { return mapped.rowOf(r); }, [&](int r) { return mapped.demand(r); })) {
    m.addRow(mapped.rowOf(g.front()), mapped.demand(g.front()), static_cast<int>(g.size()));
    m.firstRow.push_back(g.front());
  }
  if (m.rowStart.empty()) m.rowStart.push_back(0);
  transpose(m, m.columns());
  m.forced.assign(static_cast<std::size_t>(m.columns()), 0);
  if (!m.coverage)
    for (int r = 0; r < m.rows(); ++r)
      if (static_cast<int>(m.rowOf(r).size()) <= m.demand(r))
        for (std::int32_t j : m.rowOf(r)) m.forced[static_cast<std::size_t>(j)] = 1;
  return m;
}

// The lists of the rows and columns are set aside while CBC holds the
// programme (its own copies are what the search needs) and made again from
// the problem afterwards: each row is its first problem row over the
// columns kept, which is how `reduce` made it.
void releaseLists(Model& m) {
  std::vector<std::int32_t>().swap(m.rowCols);
  std::vector<std::int32_t>().swap(m.colRows);
}

void restoreLists(Model& m) {
  const ExactProblem& p = *m.p;
  const int columns = p.columns();
  m.rowCols.clear();
  m.rowCols.reserve(static_cast<std::size_t>(m.rowStart.back()));
  std::vector<std::int32_t> cols;
  for (int r = 0; r < m.rows(); ++r) {
    cols.clear();
    for (std::int32_t j : p.columnsOf(m.firstRow[static_cast<std::size_t>(r)])) {
      if (j < 0 || j >= columns) continue;
      const std::int32_t k = m.modelOf[static_cast<std::size_t>(j)];
      if (k >= 0 && m.col[static_cast<std::size_t>(k)] == j) cols.push_back(k);
    }
    std::sort(cols.begin(), cols.end());
    cols.erase(std::unique(cols.begin(), cols.end()), cols.end());
    m.rowCols.insert(m.rowCols.end(), cols.begin(), cols.end());
  }
  transpose(m, m.columns());
}

// A chosen set of model columns with the counts it gives each row.
struct Choice {
  std::vector<char> in;
  std::vector<int> count;  // presences per row
};

Choice makeChoice(const Model& m, const std::vector<char>& in) {
  Choice c{in, std::vector<int>(static_cast<std::size_t>(m.rows()), 0)};
  for (int j = 0; j < m.columns(); ++j)
    if (in[static_cast<std::size_t>(j)])
      for (std::int32_t r : m.colOf(j)) ++c.count[static_cast<std::size_t>(r)];
  return c;
}

// Drops chosen columns that no row needs: every row keeps what it has up to
// its want. The dearest (then the highest-numbered) go first.
void prune(const Model& m, Choice& c) {
  std::vector<int> chosen;
  for (int j = 0; j < m.columns(); ++j)
    if (c.in[static_cast<std::size_t>(j)]) chosen.push_back(j);
  std::sort(chosen.begin(), chosen.end(),
            [&](int a, int b) { return m.cost(a) != m.cost(b) ? m.cost(a) > m.cost(b) : a > b; });
  for (int j : chosen) {
    if (m.forced[static_cast<std::size_t>(j)]) continue;
    bool needed = false;
    for (std::int32_t r : m.colOf(j)) {
      const int have = c.count[static_cast<std::size_t>(r)];
      if (have <= m.demand(r)) needed = true;
    }
    if (needed) continue;
    c.in[static_cast<std::size_t>(j)] = 0;
    for (std::int32_t r : m.colOf(j)) --c.count[static_cast<std::size_t>(r)];
  }
}

// Completes a minimum set that lost columns CBC's preprocessing fixed: each
// row short of its want takes its cheapest missing columns, then nothing
// surplus stays.
void repair(const Model& m, std::vector<char>& in) {
  Choice c = makeChoice(m, in);
  for (int r = 0; r < m.rows(); ++r) {
    while (c.count[static_cast<std::size_t>(r)] < m.demand(r)) {
      int pick = -1;
      for (std::int32_t j : m.rowOf(r))
        if (!c.in[static_cast<std::size_t>(j)] && (pick < 0 || m.cost(j) < m.cost(pick))) pick = j;
      if (pick < 0) break;
      c.in[static_cast<std::size_t>(pick)] = 1;
      for (std::int32_t k : m.colOf(pick)) ++c.count[static_cast<std::size_t>(k)];
    }
  }
  prune(m, c);
  in = std::move(c.in);
}

// Greedy start: repeatedly the column meeting most outstanding wants (per
// unit of cost where cost counts), within the area and budget limits. Each
// pick scans every column, so it gives up at `cutoff` (an unfinished set is
// no start for the minimum set).
std::vector<char> greedy(const Model& m, std::optional<Clock::time_point> cutoff) {
  const ExactProblem& p = *m.p;
  const bool byCost = p.byCost || p.kind == ExactKind::CoverageByBudget;
  std::vector<int> need(static_cast<std::size_t>(m.rows()));
  for (int r = 0; r < m.rows(); ++r) need[static_cast<std::size_t>(r)] = m.demand(r);
  std::vector<int> gain(static_cast<std::size_t>(m.columns()), 0);
  for (int j = 0; j < m.columns(); ++j)
    for (std::int32_t r : m.colOf(j)) gain[static_cast<std::size_t>(j)] += m.weight[static_cast<std::size_t>(r)];
  std::vector<char> in(static_cast<std::size_t>(m.columns()), 0);
  int areas = 0;
  double spent = 0.0;
  const int limit = p.kind == ExactKind::MinimumSet ? m.columns() : p.areaLimit;
  while (areas < limit) {
    if (cutoff && Clock::now() >= *cutoff) break;
    int best = -1;
    double bestValue = 0.0;
    for (int j = 0; j < m.columns(); ++j) {
      const int g = gain[static_cast<std::size_t>(j)];
      if (in[static_cast<std::size_t>(j)] || g == 0) continue;
      const double c = m.cost(j);
      if (p.kind == ExactKind::CoverageByBudget && spent + c > p.budget) continue;
      const double v = !byCost ? g : (c > 0.0 ? g / c : std::numeric_limits<double>::infinity());
      if (best < 0 || v > bestValue || (v == bestValue && c < m.cost(best))) best = j, bestValue = v;
    }
    if (best < 0) break;
    in[static_cast<std::size_t>(best)] = 1;
    ++areas;
    spent += m.cost(best);
    for (std::int32_t r : m.colOf(best)) {
      int& n = need[static_cast<std::size_t>(r)];
      if (n == 0) continue;
      if (--n == 0)
        for (std::int32_t k : m.rowOf(r)) gain[static_cast<std::size_t>(k)] -= m.weight[static_cast<std::size_t>(r)];
    }
  }
  return in;
}

double totalCost(const Model& m, const std::vector<char>& in) {
  double sum = 0.0;
  for (int j = 0; j < m.columns(); ++j)
    if (in[static_cast<std::size_t>(j)]) sum += m.cost(j);
  return sum;
}

int countIn(const std::vector<char>& in) { return static_cast<int>(std::count(in.begin(), in.end(), 1)); }

int rowsMet(const Model& m, const Choice& c) {
  int met = 0;
  for (int r = 0; r < m.rows(); ++r)
    if (c.count[static_cast<std::size_t>(r)] >= m.demand(r)) met += m.weight[static_cast<std::size_t>(r)];
  return met;
}

bool meetsAll(const Model& m, const Choice& c) { return rowsMet(m, c) == m.taxa; }

std::vector<int> cellsOf(const Model& m, const std::vector<char>& in) {
  std::vector<int> out;
  for (int j = 0; j < m.columns(); ++j)
    if (in[static_cast<std::size_t>(j)])
      out.push_back(m.p->cells[static_cast<std::size_t>(m.col[static_cast<std::size_t>(j)])]);
  return out;
}

// One stage of the lexicographic solve: what it minimises and which earlier
// results it must keep.
enum class Goal { Areas, Cost, Uncovered };

struct Stage {
  int number = 1;
  Goal goal = Goal::Areas;
  int keepCovered = -1;  // coverage: rows that must stay covered (-1 none)
  int keepAreas = -1;    // at most this many areas (-1 none)
};

// What the stages share with the progress reports.
struct Watch {
  const Model* m = nullptr;
  const ExactOptions* options = nullptr;
  Clock::time_point start;
  double limit = 0.0;  // seconds, 0 = none
  Stage stage;
  double offset = 0.0;  // stage objective = offset + sign * CBC objective
  double sign = 1.0;
  bool integral = true;
  bool stopped = false;
  bool timedOut = false;
  bool workLimited = false;
  std::vector<int> cells;
  std::vector<char> shown;  // the set last shown, in model columns
  double shownValue = 0.0;
  int shownFound = 0;  // the search's solution count when it was taken

  double floor = 0.0;  // the minimum set's quick lower bound
  double seconds() const { return std::chrono::duration<double>(Clock::now() - start).count(); }
  Clock::time_point at(double s) const {
    return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
  }
  double value(double cbc) const { return offset + sign * cbc; }
  double bound(double cbc) const {
    double b = value(cbc);
    if (integral) b = sign > 0 ? std::ceil(b - 1e-6) : std::floor(b + 1e-6);
    return stage.number == 1 && sign > 0 ? std::max(b, floor) : b;
  }
  // `in`: the set's model columns, or null while there is none.
  bool report(bool hasSolution, double objective, double bound, const std::vector<char>* in) {
    if (!options->progress) return true;
    cells.clear();
    if (in) cells = cellsOf(*m, *in);
    ExactProgress pr;
    pr.stage = stage.number;
    pr.hasSolution = hasSolution;
    pr.objective = objective;
    pr.bound = bound;
    pr.cells = cells;
    pr.seconds = seconds();
    return options->progress(pr);
  }
};

// The stage's own value of a set: taxa represented, areas or cost.
double stageValue(const Model& m, Goal g, const std::vector<char>& in, const Watch& w) {
  if (g == Goal::Uncovered) return w.offset + rowsMet(m, makeChoice(m, in));
  return g == Goal::Areas ? countIn(in) : totalCost(m, in);
}

// The same in CBC's (minimised) terms.
double cbcValue(const Model& m, Goal g, const std::vector<char>& in) {
  if (g == Goal::Uncovered) return -rowsMet(m, makeChoice(m, in));
  return g == Goal::Areas ? countIn(in) : totalCost(m, in);
}

// A solution of the stage's programme as model columns; a minimum set that
// lost columns CBC's reductions set aside is completed.
std::vector<char> columnsOf(const Model& m, const std::vector<double>& x) {
  std::vector<char> in(static_cast<std::size_t>(m.columns()), 0);
  for (int j = 0; j < m.columns() && static_cast<std::size_t>(j) < x.size(); ++j)
    in[static_cast<std::size_t>(j)] = x[static_cast<std::size_t>(j)] > 0.5;
  if (!m.coverage) repair(m, in);
  return in;
}

struct StageResult {
  bool proven = false;
  bool infeasible = false;
  bool hasSolution = false;
  std::vector<char> in;
  double bound = 0.0;  // in CBC's (minimised) terms
};

// The stage as a programme: a binary column per model column (its cost the
// stage's goal), for coverage a continuous one per row that counts it as
// represented; one row per taxon row (x over its cells >= want, or, for
// coverage, x over its cells - y >= 0), then the area cap, the budget and
// the kept coverage where they apply.
MipModel stageModel(const Model& m, const Stage& st) {
  const ExactProblem& p = *m.p;
  const int nx = m.columns();
  const int ny = m.coverage ? m.rows() : 0;
  MipModel mip;
  for (int j = 0; j < nx; ++j)
    mip.addColumn(st.goal == Goal::Areas  ? 1.0
                  : st.goal == Goal::Cost ? m.cost(j)
                                          : 0.0,
                  m.forced[static_cast<std::size_t>(j)] ? 1.0 : 0.0);
  for (int r = 0; r < ny; ++r)
    mip.addColumn(st.goal == Goal::Uncovered ? -m.weight[static_cast<std::size_t>(r)] : 0.0, 0.0, 1.0, false);
  for (int r = 0; r < m.rows(); ++r) {
    mip.addRow(m.rowOf(r), 1.0, m.coverage ? 0.0 : m.demand(r));
    if (m.coverage) mip.addToLastRow(nx + r, -1.0);
  }
  int areaCap = p.areaLimit;
  if (st.keepAreas >= 0) areaCap = std::min(areaCap, st.keepAreas);
  std::vector<std::int32_t> cols;
  std::vector<double> values;
  if (nx > areaCap) {
    cols.resize(static_cast<std::size_t>(nx));
    std::iota(cols.begin(), cols.end(), 0);
    mip.addRow(cols, 1.0, -kMipInfinity, areaCap);
  }
  if (p.kind == ExactKind::CoverageByBudget) {
    cols.clear();
    for (int j = 0; j < nx; ++j)
      if (m.cost(j) > 0.0) cols.push_back(j), values.push_back(m.cost(j));
    mip.addRow(cols, values, -kMipInfinity, p.budget);
  }
  if (st.keepCovered >= 0) {
    cols.clear();
    values.clear();
    for (int r = 0; r < ny; ++r) cols.push_back(nx + r), values.push_back(m.weight[static_cast<std::size_t>(r)]);
    mip.addRow(cols, values, st.keepCovered);
  }
  return mip;
}

// Builds and solves one stage. `start` is a feasible set for it, or empty.
StageResult solveStage(Model& m, const Stage& st, const std::vector<char>& start, Watch& w) {
  const int nx = m.columns();
  MipRun run;
  if (!start.empty()) {
    const Choice c = makeChoice(m, start);
    run.start.assign(start.begin(), start.end());
    if (m.coverage)
      for (int r = 0; r < m.rows(); ++r) run.start.push_back(c.count[static_cast<std::size_t>(r)] > 0 ? 1.0 : 0.0);
  }
  if (w.limit > 0.0)
    run.deadline = w.start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(w.limit));
  run.workLimit = w.options->workLimit;
  if (w.options->progress)
    run.watch = [&](const MipSnapshot& s) {
      if (s.hasSolution && s.found != w.shownFound) {
        w.shown = columnsOf(m, s.x);
        w.shownValue = stageValue(m, st.goal, w.shown, w);
        w.shownFound = s.found;
      }
      const bool has = !w.shown.empty();
      return w.report(has, has ? w.shownValue : 0.0, w.bound(s.bound), has ? &w.shown : nullptr);
    };
  w.shownFound = 0;
  MipModel mip = stageModel(m, st);
  // Progress reports read the lists while the search runs; otherwise they
  // give their room to the search.
  const bool release = !w.options->progress;
  if (release) releaseLists(m);
  MipResult r = solveMip(std::move(mip), run);
  if (release) restoreLists(m);
  if (r.stopped) w.stopped = true;
  if (r.timedOut) w.timedOut = true;
  if (r.workLimited) w.workLimited = true;

  StageResult res;
  res.proven = r.proven;
  res.infeasible = r.infeasible;
  res.bound = r.best.bound;
  if (r.best.hasSolution && r.best.x.size() >= static_cast<std::size_t>(nx)) {
    res.in = columnsOf(m, r.best.x);
    res.hasSolution = true;
    // No bound past the set in hand: a cut-short search can claim one.
    if (!res.proven && res.bound >= cbcValue(m, st.goal, res.in) - 1e-6) res.bound = std::min(res.bound, r.relaxation);
  }
  return res;
}

// The model columns of a set of cells (fixed and unknown cells left out);
// a cell merged into another stands in as that one. Empty when no start.
std::vector<char> startColumns(const Model& m, const std::vector<int>& cells) {
  if (cells.empty()) return {};
  const ExactProblem& p = *m.p;
  std::vector<char> in(static_cast<std::size_t>(m.columns()), 0);
  for (int cell : cells) {
    const auto it = std::lower_bound(p.cells.begin(), p.cells.end(), cell);
    if (it == p.cells.end() || *it != cell) continue;
    const std::int32_t j = m.modelOf[static_cast<std::size_t>(it - p.cells.begin())];
    if (j >= 0) in[static_cast<std::size_t>(j)] = 1;
  }
  for (int j = 0; j < m.columns(); ++j)
    if (m.forced[static_cast<std::size_t>(j)]) in[static_cast<std::size_t>(j)] = 1;
  return in;
}

// Within the area limit and the budget.
bool fits(const Model& m, const std::vector<char>& in) {
  const ExactProblem& p = *m.p;
  if (countIn(in) > p.areaLimit) return false;
  return p.kind != ExactKind::CoverageByBudget || totalCost(m, in) <= p.budget + 1e-9;
}

// Lexicographically better: more taxa, then fewer areas, then less cost for
// coverage; fewer areas or less cost for the minimum set.
bool better(const Model& m, const std::vector<char>& a, const std::vector<char>& b) {
  const ExactProblem& p = *m.p;
  if (p.kind != ExactKind::MinimumSet) {
    const int ca = rowsMet(m, makeChoice(m, a)), cb = rowsMet(m, makeChoice(m, b));
    if (ca != cb) return ca > cb;
  } else if (p.byCost) {
    return totalCost(m, a) < totalCost(m, b);
  }
  if (countIn(a) != countIn(b)) return countIn(a) < countIn(b);
  return totalCost(m, a) < totalCost(m, b);
}

// Shows the start set of a stage; false when the user stops at once.
bool reportStart(const Model& m, const Stage& st, const std::vector<char>& in, Watch& w) {
  const Choice c = makeChoice(m, in);
  const double v = st.goal == Goal::Uncovered ? w.offset + rowsMet(m, c)
                   : st.goal == Goal::Areas   ? countIn(in)
                                              : totalCost(m, in);
  const double trivial = st.goal == Goal::Uncovered ? w.offset + m.taxa : w.floor;
  w.shown = in;
  w.shownValue = v;
  if (w.report(true, v, trivial, &in)) return true;
  w.stopped = true;
  return false;
}

}  // namespace

namespace {

// Whether the minimum set is possible at all: the forced cells within the
// area limit and every want within the reach of its row.
bool minimumPossible(const Model& m, const ExactProblem& p) {
  int forcedCount = 0;
  for (char f : m.forced) forcedCount += f;
  bool possible = forcedCount <= p.areaLimit;
  for (int r = 0; r < m.rows() && possible; ++r) possible = static_cast<int>(m.rowOf(r).size()) >= m.demand(r);
  return possible;
}

// The better of the given starts and our own greedy set, pruned; empty when
// none fits (or, for the minimum set, none meets every want).
std::vector<char> firstIncumbent(const Model& m, const ExactOptions& options, bool minimum,
                                 std::optional<Clock::time_point> cutoff) {
  std::vector<char> best;
  // Without a start of the caller's the greedy set is the only one, so it
  // runs to the end.
  std::vector<std::vector<char>> candidates{greedy(m, options.starts.empty() ? std::nullopt : cutoff)};
  for (const std::vector<int>& cells : options.starts) candidates.push_back(startColumns(m, cells));
  for (const std::vector<char>& in : candidates) {
    if (in.empty() || !fits(m, in)) continue;
    Choice c = makeChoice(m, in);
    if (!minimum || meetsAll(m, c)) prune(m, c);
    if (minimum && !meetsAll(m, c)) continue;
    if (best.empty() || better(m, c.in, best)) best = c.in;
  }
  return best;
}

// The minimum set has one stage; coverage maximises the taxa met, then
// takes the fewest areas, then (when costs differ) the least cost.
std::vector<Stage> stagesFor(const Model& m, const ExactProblem& p) {
  if (p.kind == ExactKind::MinimumSet) return {{1, p.byCost ? Goal::Cost : Goal::Areas, -1, -1}};
  std::vector<Stage> stages{{1, Goal::Uncovered, -1, -1}, {2, Goal::Areas, 0, -1}};
  bool costsDiffer = false;
  for (int j = 1; j < m.columns() && !costsDiffer; ++j) costsDiffer = m.cost(j) != m.cost(0);
  if (costsDiffer) stages.push_back({3, Goal::Cost, 0, 0});
  return stages;
}

}  // namespace

ExactResult solveExact(const ExactProblem& p, const ExactOptions& options) {
  ExactResult out;
  Watch w;
  w.start = options.startedAt.value_or(Clock::now());
  w.options = &options;
  w.limit = std::isfinite(options.timeLimitSeconds) && options.timeLimitSeconds > 0.0 ? options.timeLimitSeconds : 0.0;
  const bool minimum = p.kind == ExactKind::MinimumSet;
  // A bound that holds however early the run ends.
  const double floorBound = quickLowerBound(p);
  w.floor = floorBound;
  // The optional reductions and the greedy start stop at three quarters of
  // the limit: on large grids the dominated cells they drop help the search
  // more than the time they take, but the search must still get a turn.
  std::optional<Clock::time_point> cutoff;
  if (w.limit > 0.0) cutoff = w.at(w.limit * 0.75);
  Model m = reduce(p, cutoff);
  w.m = &m;
  auto finish = [&](const std::vector<char>& in) {
    Choice c = makeChoice(m, in);
    prune(m, c);
    out.hasSolution = true;
    out.cells = cellsOf(m, c.in);
    out.areas = countIn(c.in);
    out.cost = totalCost(m, c.in);
    out.represented = p.taxaMet + rowsMet(m, c);
    if (minimum) out.objective = p.byCost ? out.cost : out.areas;
    else out.objective = out.represented;
  };

  // Wants that no choice can meet make the minimum set impossible; coverage
  // simply leaves such taxa out.
  if (minimum && !minimumPossible(m, p)) {
    out.status = ExactStatus::Infeasible;
    out.seconds = w.seconds();
    return out;
  }
  std::vector<char> best = firstIncumbent(m, options, minimum, cutoff);
  bool haveBest = !best.empty();
  if (m.rows() == 0) {
    out.status = ExactStatus::Optimal;
    finish(std::vector<char>(static_cast<std::size_t>(m.columns()), 0));
    out.bound = out.objective;
    out.seconds = w.seconds();
    return out;
  }

  const std::vector<Stage> stages = stagesFor(m, p);

  // Stage 1 fixes the main objective; later stages only run once the stage
  // before them is proven, and keep what it achieved.
  std::size_t proven = 0;
  bool firstProven = false;
  double firstBound = minimum ? 0.0 : -m.taxa;  // CBC's terms; trivial until solved
  int covered = 0, areas = 0;
  for (Stage st : stages) {
    st.keepCovered = st.number > 1 ? covered : -1;
    st.keepAreas = st.number > 2 ? areas : -1;
    w.stage = st;
    w.sign = st.goal == Goal::Uncovered ? -1.0 : 1.0;
    w.offset = st.goal == Goal::Uncovered ? p.taxaMet : 0.0;
    w.integral = st.goal != Goal::Cost;
    if (haveBest && !reportStart(m, st, best, w)) break;
    if (w.limit > 0.0 && w.seconds() >= w.limit) {
      w.timedOut = true;
      break;
    }
    const StageResult r = solveStage(m, st, haveBest ? best : std::vector<char>{}, w);
    if (st.number == 1) {
      if (r.infeasible && !r.hasSolution) {
        out.status = ExactStatus::Infeasible;
        out.seconds = w.seconds();
        return out;
      }
      firstProven = r.proven;
      firstBound = r.bound;
    }
    if (r.hasSolution && (!haveBest || !better(m, best, r.in))) {
      best = r.in;
      haveBest = true;
    }
    if (!r.proven || !haveBest) break;
    ++proven;
    const Choice c = makeChoice(m, best);
    covered = rowsMet(m, c);
    areas = countIn(best);
  }

  if (haveBest) finish(best);
  if (proven == stages.size()) {
    out.status = ExactStatus::Optimal;
    out.bound = out.objective;
  } else {
    out.status = w.stopped                      ? ExactStatus::Stopped
                 : w.workLimited && !w.timedOut ? ExactStatus::WorkLimit
                                                : ExactStatus::TimeLimit;
    if (firstProven) {
      out.bound = out.objective;
    } else {
      w.sign = minimum ? 1.0 : -1.0;
      w.offset = minimum ? 0.0 : p.taxaMet;
      w.integral = !(minimum && p.byCost);
      // No bound weaker than the quick one, and none past the set in hand.
      const double b = minimum ? std::max(w.bound(firstBound), floorBound) : w.bound(firstBound);
      const double top = out.hasSolution ? out.objective : std::numeric_limits<double>::infinity();
      // + 0.0 turns a negative zero into one that prints as "0".
      out.bound =
          (minimum ? std::clamp(b, 0.0, top) : std::clamp(b, out.objective, static_cast<double>(p.taxaMet + m.taxa))) +
          0.0;
    }
  }
  out.seconds = w.seconds();
  return out;
}

const char* exactStatusText(ExactStatus s) {
  switch (s) {
    case ExactStatus::Optimal: return "optimal";
    case ExactStatus::Stopped: return "stopped by the user";
    case ExactStatus::TimeLimit: return "time limit reached";
    case ExactStatus::WorkLimit: return "work limit reached";
    case ExactStatus::Infeasible: return "infeasible";
  }
  return "";
}

}  // namespace zn
