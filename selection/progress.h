// The progress bar of the long area-selection analyses, advanced in coarse
// steps over n items (taxa met, areas added, simulations run): for n < 10
// it advances 25 every n div 4 items (at most 4 times), for n < 50 10 every
// n div 10 items (at most 10 times), otherwise 5 every n div 20 items (at
// most 20 times); an interval of 0 items counts as 1. Shown while the object
// lives.
#pragma once

#include <algorithm>

#include "store/progress.h"

namespace zn {

class SelectionProgress {
 public:
  struct Rule {
    int advance;   // percent per step
    int interval;  // items per step
    int steps;     // most steps
  };
  static Rule ruleFor(int items) {
    Rule r = items < 10 ? Rule{25, items / 4, 4} : items < 50 ? Rule{10, items / 10, 10} : Rule{5, items / 20, 20};
    r.interval = std::max(1, r.interval);
    return r;
  }

  SelectionProgress(Progress& progress, int items) : progress_(progress), rule_(ruleFor(items)) { progress_.progressBegin(); }
  ~SelectionProgress() { progress_.progressEnd(); }
  SelectionProgress(const SelectionProgress&) = delete;
  SelectionProgress& operator=(const SelectionProgress&) = delete;

  // One more item done.
  void advance() { reach(done_ + 1); }
  // `done` items done in all.
  void reach(int done) {
    done_ = std::max(done_, done);
    const int due = std::min(rule_.steps, done_ / rule_.interval);
    if (due <= taken_) return;
    taken_ = due;
    percent_ = std::min(100, taken_ * rule_.advance);
    progress_.progressStep(percent_);
  }
  int percent() const { return percent_; }

 private:
  Progress& progress_;
  Rule rule_;
  int done_ = 0;
  int taken_ = 0;
  int percent_ = 0;
};

}  // namespace zn
