#include "selection/exact.h"

#include <CbcEventHandler.hpp>
#include <CbcSolver.hpp>
#include <CbcModel.hpp>
#include <CoinError.hpp>
#include <OsiClpSolverInterface.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <numeric>

#include "measures/presence.h"
#include "measures/scores.h"
#include "selection/areaset.h"
#include "selection/commands.h"
#include "selection/nearminimum.h"
#include "selection/report.h"
#include "selection/selectionindex.h"
#include "store/silenthost.h"
#include "store/text.h"

namespace zn {

void ExactProblem::addRow(int taxon, int want, std::span<const std::int32_t> columns) {
  if (rowStart.empty()) rowStart.push_back(0);
  rowTaxon.push_back(taxon);
  demand.push_back(want);
  rowColumns.insert(rowColumns.end(), columns.begin(), columns.end());
  rowStart.push_back(static_cast<std::int32_t>(rowColumns.size()));
}

bool exactByCost(const Session& s) { return s.settings.optimiseByCost != 0 && s.costPresent; }

ExactKind coverageKind(const Session& s) {
  return exactByCost(s) ? ExactKind::CoverageByBudget : ExactKind::CoverageByNumber;
}

namespace {

double cleanCost(double c) { return std::isfinite(c) && c > 0.0 ? c : 0.0; }

}  // namespace

ExactProblem buildExactProblem(const Session& s, const ExactRequest& request) {
  ExactProblem p;
  p.kind = request.kind;
  p.rowStart.push_back(0);
  const bool minimum = request.kind == ExactKind::MinimumSet;
  p.byCost = minimum && exactByCost(s);
  p.budget = cleanCost(request.budget);
  if (!s.ws.datafile.opened) return p;

  const PresenceIndex ix = buildPresenceIndex(s.ws, s.settings.excludedLevel);
  const auto cells = static_cast<std::size_t>(ix.cells);
  const int goal = minimum ? std::max(1, s.settings.nearMinimumGoal) : 1;

  std::vector<char> fixed(cells + 1, 0);
  if (s.settings.includeSeeds == 0)
    for (int a : s.areas.cells)
      if (a >= 1 && a <= ix.cells && !fixed[static_cast<std::size_t>(a)]) {
        fixed[static_cast<std::size_t>(a)] = 1;
        p.fixedCells.push_back(a);
      }
  const int room = std::max(0, kAreaCapacity - static_cast<int>(p.fixedCells.size()));
  p.areaLimit = request.kind == ExactKind::CoverageByNumber
                    ? std::clamp(request.areasToAdd, 0, room)
                    : room;

  // Which taxa count and what each still wants; the columns are the free
  // cells of the taxa that want more.
  std::vector<int> want(static_cast<std::size_t>(ix.taxa), 0);
  std::vector<std::int32_t> column(cells + 1, -1);
  for (int t = 0; t < ix.taxa; ++t) {
    if (!s.ws.passesGroup(t) || s.ws.cards.excluded(t) || ix.range(t) == 0) continue;
    ++p.taxaCounted;
    int have = 0;
    for (std::int32_t n : ix.cellsOf(t)) have += fixed[static_cast<std::size_t>(n)];
    const int w = std::min(goal, ix.range(t)) - have;
    if (w <= 0) {
      ++p.taxaMet;
      continue;
    }
    want[static_cast<std::size_t>(t)] = w;
    for (std::int32_t n : ix.cellsOf(t))
      if (!fixed[static_cast<std::size_t>(n)]) column[static_cast<std::size_t>(n)] = 0;
  }
  for (std::size_t n = 1; n <= cells; ++n) {
    if (column[n] < 0) continue;
    column[n] = static_cast<std::int32_t>(p.cells.size());
    p.cells.push_back(static_cast<int>(n));
    p.cost.push_back(cleanCost(s.ws.cells.size() > n ? s.ws.cells[n].cost : 0.0));
  }
  std::vector<std::int32_t> row;
  for (int t = 0; t < ix.taxa; ++t) {
    if (want[static_cast<std::size_t>(t)] == 0) continue;
    row.clear();
    for (std::int32_t n : ix.cellsOf(t))
      if (!fixed[static_cast<std::size_t>(n)]) row.push_back(column[static_cast<std::size_t>(n)]);
    p.addRow(t, want[static_cast<std::size_t>(t)], row);
  }
  return p;
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
  std::vector<int> col;                    // problem column of each model column
  std::vector<std::int32_t> rowStart, rowCols;  // model columns of each row, ascending
  std::vector<std::int32_t> colStart, colRows;  // rows of each model column
  std::vector<int> want;                   // presences each row needs
  std::vector<int> weight;                 // taxa merged into each row
  std::vector<char> forced;                // minimum set: a row needs every one of its cells
  std::vector<std::int32_t> modelOf;       // problem column -> the model column standing in for it, or -1
  int taxa = 0;                            // sum of the weights

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
void dropDominated(const Model& full, std::vector<std::int32_t>& keep, std::vector<int>& rep) {
  std::vector<int> drop;
  for (int j = 0; j < full.columns(); ++j) {
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
// all their taxa.
Model reduce(const ExactProblem& p) {
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
  for (const auto& g : equalGroups(columns, [&](int j) { return full.colOf(j); }, [](int) { return 0; })) {
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
  if (single) dropDominated(full, keepAs, rep);
  for (int j = 0; j < columns; ++j)
    if (keepAs[static_cast<std::size_t>(j)] >= 0) {
      keepAs[static_cast<std::size_t>(j)] = static_cast<std::int32_t>(m.col.size());
      m.col.push_back(j);
    }
  // Dominance only ever points to a cell holding more taxa, so each chain ends.
  m.modelOf.assign(static_cast<std::size_t>(columns), -1);
  for (int j = 0; j < columns; ++j) {
    int k = j;
    while (keepAs[static_cast<std::size_t>(k)] < 0 && rep[static_cast<std::size_t>(k)] != k) k = rep[static_cast<std::size_t>(k)];
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
  for (const auto& g : equalGroups(mapped.rows(), [&](int r) { return mapped.rowOf(r); },
                                   [&](int r) { return mapped.demand(r); }))
    m.addRow(mapped.rowOf(g.front()), mapped.demand(g.front()), static_cast<int>(g.size()));
  if (m.rowStart.empty()) m.rowStart.push_back(0);
  transpose(m, m.columns());
  m.forced.assign(static_cast<std::size_t>(m.columns()), 0);
  if (!m.coverage)
    for (int r = 0; r < m.rows(); ++r)
      if (static_cast<int>(m.rowOf(r).size()) <= m.demand(r))
        for (std::int32_t j : m.rowOf(r)) m.forced[static_cast<std::size_t>(j)] = 1;
  return m;
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
  std::sort(chosen.begin(), chosen.end(), [&](int a, int b) {
    return m.cost(a) != m.cost(b) ? m.cost(a) > m.cost(b) : a > b;
  });
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
// unit of cost where cost counts), within the area and budget limits.
std::vector<char> greedy(const Model& m) {
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
    if (in[static_cast<std::size_t>(j)]) out.push_back(m.p->cells[static_cast<std::size_t>(m.col[static_cast<std::size_t>(j)])]);
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

// What the event handler shares with the solve; the handler itself is
// cloned by CBC, so it only holds a pointer to this.
struct Watch {
  const Model* m = nullptr;
  const ExactOptions* options = nullptr;
  Clock::time_point start;
  double limit = 0.0;  // seconds, 0 = none
  Stage stage;
  double offset = 0.0;  // stage objective = offset + sign * CBC objective
  double sign = 1.0;
  bool integral = true;
  double lastReport = -1.0;
  bool stopped = false;
  bool timedOut = false;
  std::vector<int> cells;

  double seconds() const { return std::chrono::duration<double>(Clock::now() - start).count(); }
  double value(double cbc) const { return offset + sign * cbc; }
  double bound(double cbc) const {
    double b = value(cbc);
    if (integral) b = sign > 0 ? std::ceil(b - 1e-6) : std::floor(b + 1e-6);
    return b;
  }
  // `in`: the set's model columns, or null while there is none.
  bool report(bool hasSolution, double objective, double bound, const std::vector<char>* in) {
    if (!options->progress) return true;
    lastReport = seconds();
    cells.clear();
    if (in) cells = cellsOf(*m, *in);
    ExactProgress pr;
    pr.stage = stage.number;
    pr.hasSolution = hasSolution;
    pr.objective = objective;
    pr.bound = bound;
    pr.cells = cells;
    pr.seconds = lastReport;
    return options->progress(pr);
  }
  std::vector<char> shown;  // the set last shown, in model columns
  double shownValue = 0.0;
};

std::vector<char> solutionColumns(const Model& m, const CbcModel& model, const double* x);

class Handler : public CbcEventHandler {
 public:
  explicit Handler(Watch* w) : w_(w) {}
  CbcEventHandler* clone() const override { return new Handler(*this); }

  CbcAction event(CbcEvent e) override {
    if (e != node && e != solution && e != heuristicSolution && e != treeStatus) return noAction;
    const double t = w_->seconds();
    if (w_->limit > 0.0 && t > w_->limit) {
      w_->timedOut = true;
      return stop;
    }
    const bool found = e == solution || e == heuristicSolution;
    if (!found && w_->lastReport >= 0.0 && t - w_->lastReport < 0.2) return noAction;
    const CbcModel* model = getModel();
    const double* x = model->bestSolution();
    const bool has = x != nullptr || !w_->shown.empty();
    if (x && (w_->shown.empty() || found)) {
      // CBC works on its preprocessed copy: its columns map back to ours.
      w_->shown = solutionColumns(*w_->m, *model, x);
      if (!w_->m->coverage) repair(*w_->m, w_->shown);
      const Goal g = w_->stage.goal;
      w_->shownValue = g == Goal::Uncovered ? w_->value(model->getObjValue())
                       : g == Goal::Areas   ? countIn(w_->shown)
                                            : totalCost(*w_->m, w_->shown);
    }
    const double obj = has ? w_->shownValue : 0.0;
    const double bound = w_->bound(model->getBestPossibleObjValue());
    if (!w_->report(has, obj, bound, has ? &w_->shown : nullptr)) {
      w_->stopped = true;
      return stop;
    }
    return noAction;
  }

 private:
  Watch* w_;
};

struct StageResult {
  bool proven = false;
  bool infeasible = false;
  bool hasSolution = false;
  std::vector<char> in;
  double bound = 0.0;  // in CBC's (minimised) terms
};

// Maps a solution of the model CBC is working on (its preprocessing may have
// dropped columns) back to model columns; nothing when it cannot.
std::vector<char> solutionColumns(const Model& m, const CbcModel& model, const double* x) {
  std::vector<char> in(static_cast<std::size_t>(m.columns()), 0);
  const int n = model.getNumCols();
  const int* original = model.originalColumns();
  const int total = m.columns() + (m.coverage ? m.rows() : 0);
  if (n != total && !original) return in;
  for (int k = 0; k < n; ++k) {
    const int j = n == total && !original ? k : original[k];
    if (j >= 0 && j < m.columns() && x[k] > 0.5) in[static_cast<std::size_t>(j)] = 1;
  }
  return in;
}

// Builds and solves one stage. `start` is a feasible set for it, or empty.
// The matrix is assembled column by column and loaded once; the search is
// the cbc program's own (CbcMain1 with its default cuts, heuristics and
// preprocessing), so the library solves these models as fast as it does.
StageResult solveStage(const Model& m, const Stage& st, const std::vector<char>& start, Watch& w) {
  const ExactProblem& p = *m.p;
  const int nx = m.columns();
  const int ny = m.coverage ? m.rows() : 0;
  const int n = nx + ny;
  std::vector<double> colLo(static_cast<std::size_t>(n), 0.0), colUp(static_cast<std::size_t>(n), 1.0);
  std::vector<double> obj(static_cast<std::size_t>(n), 0.0);
  for (int j = 0; j < nx; ++j) {
    if (m.forced[static_cast<std::size_t>(j)]) colLo[static_cast<std::size_t>(j)] = 1.0;
    if (st.goal == Goal::Areas) obj[static_cast<std::size_t>(j)] = 1.0;
    if (st.goal == Goal::Cost) obj[static_cast<std::size_t>(j)] = m.cost(j);
  }
  if (st.goal == Goal::Uncovered)
    for (int r = 0; r < ny; ++r) obj[static_cast<std::size_t>(nx + r)] = -m.weight[static_cast<std::size_t>(r)];

  // Rows: one per taxon row (x over its cells >= want, or, for coverage,
  // x over its cells - y >= 0), then the area cap, the budget and the kept
  // coverage where they apply.
  const double inf = COIN_DBL_MAX;
  std::vector<double> rowLo, rowUp;
  for (int r = 0; r < m.rows(); ++r) {
    rowLo.push_back(m.coverage ? 0.0 : m.demand(r));
    rowUp.push_back(inf);
  }
  int areaCap = p.areaLimit;
  if (st.keepAreas >= 0) areaCap = std::min(areaCap, st.keepAreas);
  const int capRow = nx > areaCap ? static_cast<int>(rowLo.size()) : -1;
  if (capRow >= 0) rowLo.push_back(-inf), rowUp.push_back(areaCap);
  const int budgetRow = p.kind == ExactKind::CoverageByBudget ? static_cast<int>(rowLo.size()) : -1;
  if (budgetRow >= 0) rowLo.push_back(-inf), rowUp.push_back(p.budget);
  const int keepRow = st.keepCovered >= 0 ? static_cast<int>(rowLo.size()) : -1;
  if (keepRow >= 0) rowLo.push_back(st.keepCovered), rowUp.push_back(inf);

  std::vector<CoinBigIndex> colStart(static_cast<std::size_t>(n) + 1, 0);
  std::vector<int> index;
  std::vector<double> value;
  index.reserve(m.colRows.size() * (m.coverage ? 2 : 1) + 3 * static_cast<std::size_t>(n));
  value.reserve(index.capacity());
  for (int j = 0; j < nx; ++j) {
    for (std::int32_t r : m.colOf(j)) index.push_back(r), value.push_back(1.0);
    if (capRow >= 0) index.push_back(capRow), value.push_back(1.0);
    if (budgetRow >= 0 && m.cost(j) > 0.0) index.push_back(budgetRow), value.push_back(m.cost(j));
    colStart[static_cast<std::size_t>(j) + 1] = static_cast<CoinBigIndex>(index.size());
  }
  for (int r = 0; r < ny; ++r) {
    index.push_back(r), value.push_back(-1.0);
    if (keepRow >= 0) index.push_back(keepRow), value.push_back(m.weight[static_cast<std::size_t>(r)]);
    colStart[static_cast<std::size_t>(nx + r) + 1] = static_cast<CoinBigIndex>(index.size());
  }

  StageResult res;
  OsiClpSolverInterface solver;
  solver.messageHandler()->setLogLevel(0);
  solver.loadProblem(n, static_cast<int>(rowLo.size()), colStart.data(), index.data(), value.data(), colLo.data(),
                     colUp.data(), obj.data(), rowLo.data(), rowUp.data());
  for (int j = 0; j < nx; ++j) solver.setInteger(j);
  std::vector<CoinBigIndex>().swap(colStart);
  std::vector<int>().swap(index);
  std::vector<double>().swap(value);

  // The search does not watch the clock while it preprocesses: it only
  // starts with time left, and the relaxation's bound stands when a
  // cut-short search leaves none.
  auto outOfTime = [&] { return w.limit > 0.0 && w.seconds() >= w.limit; };
  res.bound = -COIN_DBL_MAX;
  if (outOfTime()) {
    w.timedOut = true;
    return res;
  }
  solver.initialSolve();
  const double relaxed = solver.isProvenOptimal() ? solver.getObjValue() : -COIN_DBL_MAX;
  if (solver.isProvenPrimalInfeasible()) {
    res.infeasible = true;
    return res;
  }
  if (outOfTime()) {
    w.timedOut = true;
    res.bound = relaxed;
    return res;
  }
  CbcModel model(solver);
  model.setLogLevel(0);
  model.messageHandler()->setLogLevel(0);
  model.solver()->messageHandler()->setLogLevel(0);
  Handler handler(&w);
  model.passInEventHandler(&handler);

  if (!start.empty()) {
    std::vector<double> x(static_cast<std::size_t>(n), 0.0);
    const Choice c = makeChoice(m, start);
    double v = 0.0;
    for (int j = 0; j < nx; ++j) {
      x[static_cast<std::size_t>(j)] = start[static_cast<std::size_t>(j)] ? 1.0 : 0.0;
      v += obj[static_cast<std::size_t>(j)] * x[static_cast<std::size_t>(j)];
    }
    for (int r = 0; r < ny; ++r) {
      x[static_cast<std::size_t>(nx + r)] = c.count[static_cast<std::size_t>(r)] > 0 ? 1.0 : 0.0;
      v += obj[static_cast<std::size_t>(nx + r)] * x[static_cast<std::size_t>(nx + r)];
    }
    model.setBestSolution(x.data(), n, v, false);
  }

  const double left = w.limit > 0.0 ? std::max(0.01, w.limit - w.seconds()) : 0.0;
  const std::string seconds = strprintf("%.3f", left > 0.0 ? left : 1e9);
  CbcSolverUsefulData data;
  data.noPrinting_ = true;
  data.useSignalHandler_ = false;
  CbcMain0(model, data);
  const char* argv[] = {"zonarium", "-log", "0", "-timeMode", "elapsed", "-sec", seconds.c_str(), "-solve", "-quit"};
  CbcMain1(static_cast<int>(std::size(argv)), argv, model, [](CbcModel*, int) { return 0; }, data);

  // Proven only when the search ran to its end: a run the time limit cut
  // short can still call itself optimal.
  // CbcMain1 stopped by its time limit during preprocessing may report the
  // set it has as optimal, with the bound raised to it.
  if (w.limit > 0.0 && w.seconds() >= w.limit - 0.05) w.timedOut = true;
  res.bound = model.getBestPossibleObjValue();
  const bool completed = model.status() == 0 && model.secondaryStatus() <= 1;
  res.proven = model.isProvenOptimal() && completed && !w.stopped &&
               !w.timedOut && !model.isSecondsLimitReached();
  if (!res.proven && model.bestSolution() && res.bound >= model.getObjValue() - 1e-6)
    res.bound = std::min(res.bound, relaxed);
  res.infeasible = model.isProvenInfeasible();
  if (const double* x = model.bestSolution(); x && model.getNumCols() == n) {
    res.hasSolution = true;
    res.in.assign(static_cast<std::size_t>(nx), 0);
    for (int j = 0; j < nx; ++j) res.in[static_cast<std::size_t>(j)] = x[j] > 0.5;
  }
  if (model.isSecondsLimitReached()) w.timedOut = true;
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
  const double trivial = st.goal == Goal::Uncovered ? w.offset + m.taxa : 0.0;
  w.shown = in;
  w.shownValue = v;
  if (w.report(true, v, trivial, &in)) return true;
  w.stopped = true;
  return false;
}

}  // namespace

ExactResult solveExact(const ExactProblem& p, const ExactOptions& options) {
  ExactResult out;
  Watch w;
  w.start = options.startedAt.value_or(Clock::now());
  w.options = &options;
  w.limit = std::isfinite(options.timeLimitSeconds) && options.timeLimitSeconds > 0.0
                ? options.timeLimitSeconds
                : 0.0;
  const Model m = reduce(p);
  w.m = &m;
  const bool minimum = p.kind == ExactKind::MinimumSet;
  auto finish = [&](const std::vector<char>& in) {
    Choice c = makeChoice(m, in);
    prune(m, c);
    out.hasSolution = true;
    out.cells = cellsOf(m, c.in);
    out.areas = countIn(c.in);
    out.cost = totalCost(m, c.in);
    out.represented = p.taxaMet + rowsMet(m, c);
    if (minimum)
      out.objective = p.byCost ? out.cost : out.areas;
    else
      out.objective = out.represented;
  };

  // Wants that no choice can meet make the minimum set impossible; coverage
  // simply leaves such taxa out.
  if (minimum) {
    int forcedCount = 0;
    for (char f : m.forced) forcedCount += f;
    bool possible = forcedCount <= p.areaLimit;
    for (int r = 0; r < m.rows() && possible; ++r)
      possible = static_cast<int>(m.rowOf(r).size()) >= m.demand(r);
    if (!possible) {
      out.status = ExactStatus::Infeasible;
      out.seconds = w.seconds();
      return out;
    }
  }
  // The better of the given start and our own greedy set is the first
  // incumbent.
  std::vector<char> best;
  bool haveBest = false;
  std::vector<std::vector<char>> candidates{greedy(m)};
  for (const std::vector<int>& cells : options.starts) candidates.push_back(startColumns(m, cells));
  for (const std::vector<char>& in : candidates) {
    if (in.empty() || !fits(m, in)) continue;
    Choice c = makeChoice(m, in);
    if (!minimum || meetsAll(m, c)) prune(m, c);
    if (minimum && !meetsAll(m, c)) continue;
    if (!haveBest || better(m, c.in, best)) best = c.in, haveBest = true;
  }
  if (m.rows() == 0) {
    out.status = ExactStatus::Optimal;
    finish(std::vector<char>(static_cast<std::size_t>(m.columns()), 0));
    out.bound = out.objective;
    out.seconds = w.seconds();
    return out;
  }

  std::vector<Stage> stages;
  if (minimum) {
    stages.push_back({1, p.byCost ? Goal::Cost : Goal::Areas, -1, -1});
  } else {
    stages.push_back({1, Goal::Uncovered, -1, -1});
    stages.push_back({2, Goal::Areas, 0, -1});
    bool costsDiffer = false;
    for (int j = 1; j < m.columns() && !costsDiffer; ++j) costsDiffer = m.cost(j) != m.cost(0);
    if (costsDiffer) stages.push_back({3, Goal::Cost, 0, 0});
  }

  // Stage 1 fixes the main objective; later stages only run once the stage
  // before them is proven, and keep what it achieved.
  std::size_t proven = 0;
  bool firstProven = false;
  double firstBound = minimum ? 0.0 : -m.taxa;  // CBC's terms; trivial until solved
  int covered = 0, areas = 0;
  try {
    for (Stage st : stages) {
      st.keepCovered = st.number > 1 ? covered : -1;
      st.keepAreas = st.number > 2 ? areas : -1;
      w.stage = st;
      w.sign = st.goal == Goal::Uncovered ? -1.0 : 1.0;
      w.offset = st.goal == Goal::Uncovered ? p.taxaMet : 0.0;
      w.integral = st.goal != Goal::Cost;
      w.lastReport = -1.0;
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
  } catch (const CoinError&) {
    w.stopped = true;  // the solver gave up; what it found so far stands
  }

  if (haveBest) finish(best);
  if (proven == stages.size()) {
    out.status = ExactStatus::Optimal;
    out.bound = out.objective;
  } else {
    out.status = w.stopped ? ExactStatus::Stopped : ExactStatus::TimeLimit;
    if (firstProven) {
      out.bound = out.objective;
    } else {
      w.sign = minimum ? 1.0 : -1.0;
      w.offset = minimum ? 0.0 : p.taxaMet;
      w.integral = !(minimum && p.byCost);
      // No bound weaker than the trivial one, and none past the set in hand.
      const double b = w.bound(firstBound);
      // + 0.0 turns a negative zero into one that prints as "0".
      out.bound = (minimum ? std::clamp(b, 0.0, out.objective)
                           : std::clamp(b, out.objective, static_cast<double>(p.taxaMet + m.taxa))) +
                  0.0;
    }
  }
  out.seconds = w.seconds();
  return out;
}

// ---------------------------------------------------------------------------
// The exact sets as analyses

namespace {

// Included taxa with records (group code, excluded taxa) that the areas
// meet: each present at least min(goal, range) times among them.
int taxaMeeting(const Session& s, const SelectionIndex& x, const std::vector<int>& areas, int goal) {
  const std::vector<int> reps = x.presences(areas);
  int met = 0;
  for (int t = 0; t < x.ix.taxa; ++t)
    if (x.counts(t) && !s.ws.cards.excluded(t) && x.range(t) > 0 &&
        reps[static_cast<std::size_t>(t)] >= std::min(goal, x.range(t)))
      ++met;
  return met;
}

// A set that a selection run left on the map gives way to the exact run: only
// the areas that were in the set when that run started stay as seeds. That
// holds for the near-minimum and coverage sets (and the flexibility plot a
// click on their map shows) and for an earlier exact set. The near-minimum
// or coverage set of the same question is also the quick answer the report
// compares with; any of them is the solver's first incumbent.
QuickSet takeQuickSet(Session& s, ExactKind kind) {
  QuickSet q;
  const bool minimum = kind == ExactKind::MinimumSet;
  const int code = s.map.measureCode;
  const bool quickMap = code == kCodeNearMinimum || code == kCodeNearMaximumCoverage || code == kCodeFlexibilityPlot;
  if (!quickMap && !s.areas.showsExactSet()) return q;
  AreaSet& a = s.areas;
  const int seeds = std::clamp(a.seedCount, 0, a.count());
  q.cells.assign(a.cells.begin() + seeds, a.cells.end());
  q.present = minimum ? code == kCodeNearMinimum || code == kCodeFlexibilityPlot : code == kCodeNearMaximumCoverage;
  q.kind = kind;
  if (q.present) {
    const SelectionIndex x(s);
    q.areas = a.count() - seeds;
    q.represented = taxaMeeting(s, x, a.cells, minimum ? std::max(1, s.settings.nearMinimumGoal) : 1);
    double cost = 0.0;
    for (int c : q.cells)
      if (c >= 0 && c < static_cast<int>(s.ws.cells.size())) cost += cleanCost(s.ws.cells[static_cast<std::size_t>(c)].cost);
    q.cost = cost;
  }
  a.cells.resize(static_cast<std::size_t>(seeds));
  return q;
}

// The quick set of the same data, settings and seeds, computed aside on a
// copy of the session when none is on the map: the near-minimum set, or the
// coverage set for the number of areas or the budget. Its new cells.
std::vector<int> quickCells(const Session& s, const ExactProblem& p) {
  SilentHost quiet(Answer::Ok);
  Session copy(quiet, s.home, s.variant);
  copy.settings = s.settings;
  copy.ws = s.ws;
  copy.areas = s.areas;
  copy.costPresent = s.costPresent;
  copy.map = s.map;
  RunRequest r;
  r.env.seed = 1;  // random tie-breaks: any draw makes a start
  if (p.kind == ExactKind::MinimumSet) {
    r.kind = RunKind::NearMinimum;
  } else {
    copy.settings.reordering = Reordering::kByRichness;  // by richness, as the coverage set runs
    copy.settings.nearMinimumGoal = 1;
    r.kind = p.kind == ExactKind::CoverageByBudget ? RunKind::CoverageByBudget : RunKind::CoverageByNumber;
    r.areasToAdd = p.areaLimit;
    r.budget = p.budget;
  }
  copy.settings.includeSeeds = 0;  // the exact run's fixed cells are the seeds here
  copy.areas.cells = p.fixedCells;
  copy.areas.seedCount = static_cast<int>(p.fixedCells.size());
  runMainRun(copy, r);
  const AreaSet& a = copy.areas;
  return {a.cells.begin() + std::clamp(a.seedCount, 0, a.count()), a.cells.end()};
}

std::string exactTitle(const Session& s, const ExactProblem& p) {
  if (p.kind == ExactKind::CoverageByBudget) return strprintf("Exact maximum-coverage set for budget %.0f", p.budget);
  if (p.kind == ExactKind::CoverageByNumber) return strprintf("Exact maximum-coverage set for %d areas", p.areaLimit);
  const int goal = std::max(1, s.settings.nearMinimumGoal);
  return strprintf("Exact minimum-%s set for %d representation%s", p.byCost ? "cost" : "area", goal,
                   goal > 1 ? "s" : "");
}

// The solver's lines after the representation summary.
std::string solverLines(const ExactProblem& p, const ExactResult& r, const QuickSet& q, bool costData) {
  std::string out = strprintf("  %s: %s\n", p.kind == ExactKind::MinimumSet ? "Exact minimum set" : "Exact maximum coverage",
                              exactStatusText(r.status));
  if (!r.hasSolution) {
    out += strprintf("  no set of at most %d areas meets every goal\n  solver finished in %.1f seconds\n",
                     kAreaCapacity, r.seconds);
    return out;
  }
  const bool optimal = r.status == ExactStatus::Optimal;
  if (p.kind == ExactKind::MinimumSet) {
    if (p.byCost) {
      out += strprintf("  objective: cost %.2f (%d areas)\n  proven lower bound: cost %.2f\n", r.objective, r.areas,
                       r.bound);
    } else {
      out += strprintf("  objective: %d areas\n  proven lower bound: %.0f areas\n", r.areas, r.bound);
    }
  } else {
    out += costData ? strprintf("  objective: %d taxa represented with %d areas, cost %.2f\n", r.represented,
                                r.areas, r.cost)
                    : strprintf("  objective: %d taxa represented with %d areas\n", r.represented, r.areas);
    out += strprintf("  proven upper bound: %.0f taxa represented\n", r.bound);
  }
  if (!optimal) out += strprintf("  gap: %.1f%% (best set found, not proven optimal)\n", exactGap(r) * 100.0);
  out += strprintf("  solver finished in %.1f seconds\n", r.seconds);
  if (q.present) {
    auto more = [](double larger, double smaller) { return smaller > 0.0 ? (larger - smaller) * 100.0 / smaller : 0.0; };
    if (p.kind != ExactKind::MinimumSet)
      out += strprintf("  near-maximum-coverage set: %d taxa, exact maximum coverage: %d taxa (%.1f%% more)\n",
                       q.represented, r.represented, more(r.represented, q.represented));
    else if (p.byCost)
      out += strprintf("  near-minimum set: cost %.2f, exact minimum: cost %.2f (%.1f%% more)\n", q.cost, r.cost,
                       more(q.cost, r.cost));
    else
      out += strprintf("  near-minimum set: %d areas, exact minimum: %d areas (%.1f%% more)\n", q.areas, r.areas,
                       more(q.areas, r.areas));
  }
  return out;
}

// Whether the quick set answers the same question as this run: every goal
// met for the minimum, within the same number of areas or budget for
// coverage. Only then is the comparison fair.
bool sameQuestion(const QuickSet& q, const ExactProblem& p) {
  if (!q.present) return false;
  switch (p.kind) {
    case ExactKind::MinimumSet: return q.represented == p.taxaCounted;
    case ExactKind::CoverageByNumber: return q.areas <= p.areaLimit;
    case ExactKind::CoverageByBudget: return q.cost <= p.budget;
  }
  return false;
}

}  // namespace

const char* exactStatusText(ExactStatus s) {
  switch (s) {
    case ExactStatus::Optimal: return "optimal";
    case ExactStatus::Stopped: return "stopped by the user";
    case ExactStatus::TimeLimit: return "time limit reached";
    case ExactStatus::Infeasible: return "infeasible";
  }
  return "";
}

std::string exactProgressText(ExactKind kind, bool byCost, const ExactProgress& p, double limitSeconds) {
  std::string out;
  const int areas = static_cast<int>(p.cells.size());
  if (kind == ExactKind::MinimumSet) {
    const char* unit = byCost ? "cost" : "areas";
    out += p.hasSolution ? (byCost ? strprintf("Best set so far: cost %.2f (%d areas)", p.objective, areas)
                                   : strprintf("Best set so far: %d areas", areas))
                         : std::string("No set found yet");
    out += byCost ? strprintf("\nLower bound: cost %.2f", p.bound) : strprintf("\nLower bound: %.0f %s", p.bound, unit);
  } else {
    switch (p.stage) {
      case 1:
        out += p.hasSolution ? strprintf("Best set so far: %.0f taxa represented (%d areas)", p.objective, areas)
                             : std::string("No set found yet");
        out += strprintf("\nUpper bound: %.0f taxa", p.bound);
        break;
      case 2:
        out += strprintf("Most taxa found; fewest areas for them so far: %d\nLower bound: %.0f areas", areas, p.bound);
        break;
      default:
        out += strprintf("Fewest areas found; least cost so far: %.2f\nLower bound: cost %.2f", p.objective, p.bound);
        break;
    }
  }
  if (p.hasSolution && !p.cells.empty()) {
    constexpr std::size_t kShown = 20;
    out += "\nCells:";
    for (std::size_t i = 0; i < p.cells.size() && i < kShown; ++i) out += strprintf(" %d", p.cells[i]);
    if (p.cells.size() > kShown) out += " ...";
  }
  out += limitSeconds > 0.0 ? strprintf("\n%.0f of %.0f seconds", p.seconds, limitSeconds)
                            : strprintf("\n%.0f seconds", p.seconds);
  return out;
}

ExactSetOutcome runExactSet(Session& s, const ExactRequest& request, const ExactOptions& options) {
  ExactSetOutcome out;
  if (!s.ws.datafile.opened) return out;
  ExactOptions o = options;
  if (!o.startedAt) o.startedAt = std::chrono::steady_clock::now();
  out.quick = takeQuickSet(s, request.kind);
  const ExactProblem p = buildExactProblem(s, request);
  if (!sameQuestion(out.quick, p)) out.quick.present = false;
  if (!out.quick.cells.empty()) o.starts.push_back(out.quick.cells);
  // Without the quick answer on the map it is computed aside (it takes a
  // fraction of a second), so the exact answer is never behind it.
  if (!out.quick.present && p.rows() > 0) o.starts.push_back(quickCells(s, p));
  out.result = solveExact(p, o);
  out.ran = true;
  const ExactResult& r = out.result;
  if (!r.hasSolution) {
    // The set keeps its seeds only: a partial set would read as an answer.
    out.capacityReached = r.status == ExactStatus::Infeasible;
    s.areas.cells = p.fixedCells;
    s.areas.seedCount = static_cast<int>(p.fixedCells.size());
    clearScores(s);
    setMeasureCode(s, kCodeNone);
    out.results = resultsFileHeader(s) + strprintf("\n  PRIORITY-AREAS ANALYSIS: %s\n\n", exactTitle(s, p).c_str()) +
                  solverLines(p, r, out.quick, s.costPresent) + "\n\n";
    return out;
  }

  AreaSet& a = s.areas;
  a.cells = p.fixedCells;
  a.cells.insert(a.cells.end(), r.cells.begin(), r.cells.end());
  a.seedCount = static_cast<int>(p.fixedCells.size());
  // The exact set has no sole areas or flexibility classes of its own.
  a.nearMinimumDone = false;
  for (GridCell& c : s.ws.cells) c.flexClass = 0;
  s.settings.selectedAreasDisplay = 2;

  // Ranked, scored and reported as "Re-order set by richness" does, under
  // the exact set's title; the solver's lines close the summary.
  const std::string lines = solverLines(p, r, out.quick, s.costPresent) + "\n";
  if (a.empty()) {
    clearScores(s);
    setMeasureCode(s, kCodeNone);
    out.results = "\n" + lines + "\n";
    return out;
  }
  ReportFacts f;
  f.seconds = static_cast<float>(r.seconds);
  f.title = exactTitle(s, p);
  f.summaryClosing = lines;
  out.results = reorderSetByRichness(s, f).results;
  return out;
}

}  // namespace zn
