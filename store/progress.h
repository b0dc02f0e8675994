// What the core may tell the user while it works: progress, a search the
// user may stop, the busy cursor, a beep, a redraw, and the clocks. Asking
// (questions, file choices, dialogs) belongs to the shell's Host alone, so
// nothing below the shell can ask.
#pragma once

#include <cstdint>
#include <string>

namespace zn {

class Progress {
 public:
  virtual ~Progress() = default;

  virtual void progressBegin() {}
  virtual void progressStep(int /*percent*/) {}
  virtual void progressEnd() {}
  // A search the user may stop (the exact area sets): begin shows a box with
  // the title and a Stop button, note replaces its text and returns false
  // once Stop was pressed, end removes the box. A progress without such a box
  // never asks to stop.
  virtual void stoppableBegin(const std::string& /*title*/) {}
  virtual bool stoppableNote(const std::string& /*text*/) { return true; }
  virtual void stoppableEnd() {}
  virtual void setBusy(bool /*busy*/) {}
  virtual void beep() {}
  virtual void requestRedraw() {}
  // Milliseconds since some fixed start, for elapsed times.
  virtual std::uint32_t tickMs();
  // Seconds since the epoch, for seeding the random generator.
  virtual std::int64_t timeOfDay();
};

// What an analysis is given to report progress and be stopped through: its
// runs have the form `Result run(const Dataset&, const Params&, Feedback&)`.
using Feedback = Progress;

// Shows the busy cursor for the lifetime of the guard.
class BusyGuard {
 public:
  explicit BusyGuard(Progress& progress) : progress_(progress) { progress_.setBusy(true); }
  ~BusyGuard() { progress_.setBusy(false); }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  Progress& progress_;
};

}  // namespace zn
