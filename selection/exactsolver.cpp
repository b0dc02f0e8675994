#include "selection/exactsolver.h"

#include <CbcEventHandler.hpp>
#include <CbcModel.hpp>
#include <CbcSolver.hpp>
#include <ClpSolve.hpp>
#include <CoinError.hpp>
#include <OsiClpSolverInterface.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "store/text.h"

namespace zn {

int MipModel::addColumn(double c, double lo, double up, bool isInteger) {
  cost.push_back(c);
  lower.push_back(lo);
  upper.push_back(up);
  integer.push_back(isInteger ? 1 : 0);
  return columns() - 1;
}

int MipModel::addRow(std::span<const std::int32_t> cols, std::span<const double> values, double lo, double up) {
  entryColumn.insert(entryColumn.end(), cols.begin(), cols.end());
  entryValue.insert(entryValue.end(), values.begin(), values.begin() + static_cast<std::ptrdiff_t>(cols.size()));
  rowStart.push_back(static_cast<std::int64_t>(entryColumn.size()));
  rowLower.push_back(lo);
  rowUpper.push_back(up);
  return rows() - 1;
}

int MipModel::addRow(std::span<const std::int32_t> cols, double value, double lo, double up) {
  entryColumn.insert(entryColumn.end(), cols.begin(), cols.end());
  entryValue.insert(entryValue.end(), cols.size(), value);
  rowStart.push_back(static_cast<std::int64_t>(entryColumn.size()));
  rowLower.push_back(lo);
  rowUpper.push_back(up);
  return rows() - 1;
}

void MipModel::addToLastRow(std::int32_t col, double value) {
  entryColumn.push_back(col);
  entryValue.push_back(value);
  rowStart.back() = static_cast<std::int64_t>(entryColumn.size());
}

double MipModel::objectiveOf(std::span<const double> x) const {
  double sum = 0.0;
  for (std::size_t j = 0; j < cost.size() && j < x.size(); ++j) sum += cost[j] * x[j];
  return sum;
}

bool MipModel::feasible(std::span<const double> x, double tolerance) const {
  if (x.size() != cost.size()) return false;
  for (std::size_t j = 0; j < x.size(); ++j)
    if (x[j] < lower[j] - tolerance || x[j] > upper[j] + tolerance) return false;
  for (int r = 0; r < rows(); ++r) {
    double sum = 0.0;
    for (auto k = rowStart[static_cast<std::size_t>(r)]; k < rowStart[static_cast<std::size_t>(r) + 1]; ++k)
      sum += entryValue[static_cast<std::size_t>(k)] *
             x[static_cast<std::size_t>(entryColumn[static_cast<std::size_t>(k)])];
    const double lo = rowLower[static_cast<std::size_t>(r)], up = rowUpper[static_cast<std::size_t>(r)];
    const double slack = tolerance * std::max(1.0, std::fabs(sum));
    if ((lo > -kMipInfinity && sum < lo - slack) || (up < kMipInfinity && sum > up + slack)) return false;
  }
  return true;
}

namespace {

using Clock = std::chrono::steady_clock;

// One search, shared by the worker thread running it and the caller
// waiting for it; whichever lets go last frees it.
struct Job {
  MipModel model;
  std::vector<double> start;
  std::optional<Clock::time_point> deadline;
  std::int64_t workLimit = 0;
  std::atomic<bool> abort{false};

  std::mutex mu;  // guards what follows
  std::condition_variable changed;
  MipSnapshot snap;
  double relaxation = -kMipInfinity;
  bool done = false;
  bool proven = false, infeasible = false, gaveUp = false, limitHit = false, workLimited = false;
};

// Maps a solution of the copy CBC works on (its preprocessing may have
// dropped columns) back to the model's columns; columns it dropped read as
// their lower bound. Empty when the copy cannot be mapped.
std::vector<double> modelSolution(const MipModel& m, const CbcModel& model, const double* x) {
  const int n = model.getNumCols();
  const int* original = model.originalColumns();
  if (n != m.columns() && !original) return {};
  std::vector<double> out(m.lower.begin(), m.lower.end());
  for (int k = 0; k < n; ++k) {
    const int j = n == m.columns() && !original ? k : original[k];
    if (j >= 0 && j < m.columns()) out[static_cast<std::size_t>(j)] = x[k];
  }
  return out;
}

class Handler : public CbcEventHandler {
 public:
  explicit Handler(Job* job) : job_(job) {}
  CbcEventHandler* clone() const override { return new Handler(*this); }

  CbcAction event(CbcEvent e) override {
    if (e != node && e != solution && e != heuristicSolution && e != treeStatus) return noAction;
    if (job_->abort.load()) return stop;
    if (job_->deadline && Clock::now() > *job_->deadline) {
      std::lock_guard lock(job_->mu);
      job_->limitHit = true;
      return stop;
    }
    const CbcModel* model = getModel();
    const bool found = e == solution || e == heuristicSolution;
    const double* x = found ? model->bestSolution() : nullptr;
    std::vector<double> mapped = x ? modelSolution(job_->model, *model, x) : std::vector<double>{};
    {
      std::lock_guard lock(job_->mu);
      const double b = model->getBestPossibleObjValue();
      if (std::fabs(b) < 1e300) job_->snap.bound = std::max(job_->relaxation, b);
      if (!mapped.empty()) {
        job_->snap.x = std::move(mapped);
        job_->snap.hasSolution = true;
        ++job_->snap.found;
      }
    }
    if (found) job_->changed.notify_all();
    return noAction;
  }

 private:
  Job* job_;
};

// Messages from CBC and its parts, dropped; printed nowhere.
class QuietHandler : public CoinMessageHandler {
 public:
  QuietHandler() { setLogLevel(0); }
  CoinMessageHandler* clone() const override { return new QuietHandler(*this); }
  int print() override { return 0; }
};

double secondsTo(Clock::time_point t) { return std::chrono::duration<double>(t - Clock::now()).count(); }

// The search itself, on the worker thread. The matrix is loaded once,
// column by column; the search is the cbc program's own (CbcMain1 with its
// default cuts, heuristics and preprocessing).
void search(Job& job) {
  MipModel& m = job.model;
  const int n = m.columns(), rows = m.rows();
  std::vector<CoinBigIndex> colStart(static_cast<std::size_t>(n) + 1, 0);
  for (std::int32_t j : m.entryColumn) ++colStart[static_cast<std::size_t>(j) + 1];
  for (std::size_t j = 1; j < colStart.size(); ++j) colStart[j] += colStart[j - 1];
  std::vector<int> index(m.entryColumn.size());
  std::vector<double> value(m.entryColumn.size());
  {
    std::vector<CoinBigIndex> fill(colStart.begin(), colStart.end() - 1);
    for (int r = 0; r < rows; ++r)
      for (auto k = m.rowStart[static_cast<std::size_t>(r)]; k < m.rowStart[static_cast<std::size_t>(r) + 1]; ++k) {
        const auto at =
            static_cast<std::size_t>(fill[static_cast<std::size_t>(m.entryColumn[static_cast<std::size_t>(k)])]++);
        index[at] = r;
        value[at] = m.entryValue[static_cast<std::size_t>(k)];
      }
  }
  // The row-ordered copy goes before the solver makes its own: the peak is
  // two copies of the matrix, not three.
  std::vector<std::int32_t>().swap(m.entryColumn);
  std::vector<double>().swap(m.entryValue);
  std::vector<std::int64_t>().swap(m.rowStart);
  std::vector<double> rowLo(m.rowLower.begin(), m.rowLower.end()), rowUp(m.rowUpper.begin(), m.rowUpper.end());
  for (double& v : rowLo) v = v <= -kMipInfinity ? -COIN_DBL_MAX : v;
  for (double& v : rowUp) v = v >= kMipInfinity ? COIN_DBL_MAX : v;

  // Not a line on the console: the program's own output is the report.
  // Every handler is the quiet one at level 0 (not -1: the simplex's
  // crash stage reads a negative level as "say everything" and prints
  // with printf, past any handler).
  QuietHandler quiet;
  // The search model is made while its solver is still empty and the
  // programme is loaded into its own solver afterwards, as the cbc program
  // does: made from a loaded solver it would keep that solver, its own copy
  // and a reference copy, each with the whole matrix, for the whole search.
  OsiClpSolverInterface empty;
  empty.passInMessageHandler(&quiet);
  CbcModel model(empty);
  auto& solver = dynamic_cast<OsiClpSolverInterface&>(*model.solver());
  solver.passInMessageHandler(&quiet);
  solver.getModelPtr()->passInMessageHandler(&quiet);
  model.passInMessageHandler(&quiet);
  solver.loadProblem(n, rows, colStart.data(), index.data(), value.data(), m.lower.data(), m.upper.data(),
                     m.cost.data(), rowLo.data(), rowUp.data());
  for (int j = 0; j < n; ++j)
    if (m.integer[static_cast<std::size_t>(j)]) solver.setInteger(j);
  // The dual simplex from the start. Left to choose, the solver takes its
  // sifting method on models with many more columns than rows, and that
  // prints its progress with printf, past every handler.
  ClpSolve dualFirst;
  dualFirst.setSolveType(ClpSolve::useDual);
  solver.setSolveOptions(dualFirst);
  std::vector<CoinBigIndex>().swap(colStart);
  std::vector<int>().swap(index);
  std::vector<double>().swap(value);

  auto outOfTime = [&] { return job.deadline && Clock::now() >= *job.deadline; };
  if (outOfTime() || job.abort.load()) {
    std::lock_guard lock(job.mu);
    job.limitHit = !job.abort.load();
    return;
  }
  if (job.deadline) solver.getModelPtr()->setMaximumWallSeconds(std::max(0.01, secondsTo(*job.deadline)));
  solver.initialSolve();
  if (solver.isProvenPrimalInfeasible()) {
    std::lock_guard lock(job.mu);
    job.infeasible = true;
    return;
  }
  {
    std::lock_guard lock(job.mu);
    if (solver.isProvenOptimal()) {
      job.relaxation = solver.getObjValue();
      job.snap.bound = std::max(job.snap.bound, job.relaxation);
    }
  }
  if (outOfTime() || job.abort.load()) {
    std::lock_guard lock(job.mu);
    job.limitHit = !job.abort.load();
    return;
  }
  solver.getModelPtr()->setMaximumWallSeconds(COIN_DBL_MAX);

  model.setLogLevel(0);
  Handler handler(&job);
  model.passInEventHandler(&handler);
  if (!job.start.empty()) model.setBestSolution(job.start.data(), n, m.objectiveOf(job.start), false);

  const double left = job.deadline ? std::max(0.01, secondsTo(*job.deadline)) : 0.0;
  const std::string seconds = strprintf("%.3f", left > 0.0 ? left : 1e9);
  CbcSolverUsefulData data;
  data.noPrinting_ = true;
  data.useSignalHandler_ = false;
  CbcMain0(model, data);
  const std::string nodes = std::to_string(job.workLimit > 0 ? job.workLimit : 2147483647);
  const char* argv[] = {"zonarium", "-log",          "0",     "-slog",       "0",      "-timeMode", "elapsed",
                        "-sec",     seconds.c_str(), "-maxN", nodes.c_str(), "-solve", "-quit"};
  CbcMain1(
      static_cast<int>(std::size(argv)), argv, model, [](CbcModel*, int) { return 0; }, data);

  std::lock_guard lock(job.mu);
  // A search its time limit cut short (its preprocessing, too, can then
  // call itself optimal or the model infeasible) proves nothing.
  const bool cut = model.isSecondsLimitReached() || outOfTime() || (job.deadline && secondsTo(*job.deadline) < 0.05);
  job.limitHit = job.limitHit || cut;
  job.workLimited = !job.limitHit && job.workLimit > 0 &&
                    (model.isNodeLimitReached() || (model.status() == 1 && model.secondaryStatus() == 3));
  const bool completed = model.status() == 0 && model.secondaryStatus() <= 1;
  job.proven = model.isProvenOptimal() && completed && !job.abort.load() && !job.limitHit;
  job.infeasible = model.isProvenInfeasible() && !job.limitHit && !job.abort.load() && job.start.empty();
  if (job.proven || job.infeasible) job.snap.bound = std::max(job.snap.bound, model.getBestPossibleObjValue());
  if (const double* x = model.bestSolution(); x && model.getNumCols() == n) {
    job.snap.x.assign(x, x + n);
    job.snap.hasSolution = true;
    ++job.snap.found;
  }
}

// The worker threads: one per search, joined by the caller when it waits
// to the end, otherwise when the next search starts or at exit. CBC keeps
// some state of its own between calls, so searches never overlap.
class Workers {
 public:
  std::mutex cbc;

  void launch(const std::shared_ptr<Job>& job) {
    std::lock_guard lock(mu_);
    reap();
    running_.push_back({job, std::thread([job, this] { work(*job); })});
  }

  // Joins the job's thread once it has finished its search.
  void join(const std::shared_ptr<Job>& job) {
    std::thread t;
    {
      std::lock_guard lock(mu_);
      for (auto it = running_.begin(); it != running_.end(); ++it)
        if (it->job == job) {
          t = std::move(it->thread);
          running_.erase(it);
          break;
        }
    }
    if (t.joinable()) t.join();
  }

  ~Workers() {
    std::lock_guard lock(mu_);
    for (auto& r : running_) r.job->abort = true;
    for (auto& r : running_)
      if (r.thread.joinable()) r.thread.join();
  }

 private:
  struct Running {
    std::shared_ptr<Job> job;
    std::thread thread;
  };

  void work(Job& job) {
    {
      std::unique_lock lock(cbc);
      try {
        search(job);
      } catch (...) {
        std::lock_guard l(job.mu);
        job.gaveUp = true;  // what it found so far stands
      }
    }
    {
      std::lock_guard l(job.mu);
      job.done = true;
    }
    job.changed.notify_all();
  }

  // Joins threads whose search has ended (a finished search only leaves
  // its thread to return).
  void reap() {
    for (auto it = running_.begin(); it != running_.end();) {
      bool finished;
      {
        std::lock_guard l(it->job->mu);
        finished = it->job->done;
      }
      if (finished) {
        if (it->thread.joinable()) it->thread.join();
        it = running_.erase(it);
      } else {
        ++it;
      }
    }
  }

  std::mutex mu_;
  std::vector<Running> running_;
};

Workers& workers() {
  static Workers w;
  return w;
}

}  // namespace

MipResult solveMip(MipModel model, const MipRun& run) {
  MipResult out;
  if (run.deadline && Clock::now() >= *run.deadline) {
    out.timedOut = true;
    return out;
  }
  auto job = std::make_shared<Job>();
  job->model = std::move(model);
  if (run.start.size() == static_cast<std::size_t>(job->model.columns())) job->start = run.start;
  job->deadline = run.deadline;
  job->workLimit = std::max<std::int64_t>(0, std::min<std::int64_t>(run.workLimit, 2147483647));
  Workers& w = workers();
  w.launch(job);

  // A search that stops when asked ends within moments; one that does not
  // (it is in a stage that does not look) is left to end by itself. Past
  // the deadline it gets less time: the limit is a promise.
  constexpr auto kGrace = std::chrono::milliseconds(300);
  constexpr auto kLate = std::chrono::milliseconds(100);
  constexpr auto kEvery = std::chrono::milliseconds(200);
  std::unique_lock lock(job->mu);
  int seen = 0;
  auto lastWatch = Clock::now();
  for (;;) {
    auto wake = run.watch ? lastWatch + kEvery : Clock::time_point::max();
    if (run.deadline) wake = std::min(wake, *run.deadline);
    if (wake == Clock::time_point::max()) job->changed.wait(lock, [&] { return job->done; });
    else job->changed.wait_until(lock, wake, [&] { return job->done || (run.watch && job->snap.found != seen); });
    if (job->done) break;
    const auto now = Clock::now();
    if (run.deadline && now >= *run.deadline) {
      out.timedOut = true;
      job->changed.wait_until(lock, *run.deadline + kLate, [&] { return job->done; });
      break;
    }
    if (run.watch && (job->snap.found != seen || now >= lastWatch + kEvery)) {
      seen = job->snap.found;
      const MipSnapshot copy = job->snap;
      lock.unlock();
      const bool go = run.watch(copy);
      lock.lock();
      lastWatch = Clock::now();
      if (!go) {
        out.stopped = true;
        job->abort = true;
        job->changed.wait_until(lock, Clock::now() + kGrace, [&] { return job->done; });
        break;
      }
    }
  }
  job->abort = true;
  out.best = job->snap;
  out.relaxation = job->relaxation;
  const bool done = job->done;
  if (done) {
    out.complete = true;
    out.proven = job->proven && !out.stopped && !out.timedOut;
    out.infeasible = job->infeasible && !out.stopped && !out.timedOut;
    out.timedOut = out.timedOut || job->limitHit;
    out.workLimited = job->workLimited && !out.timedOut && !out.stopped;
    out.stopped = out.stopped || job->gaveUp;
  }
  lock.unlock();
  if (done) w.join(job);
  return out;
}

}  // namespace zn
