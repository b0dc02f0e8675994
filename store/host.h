// Everything that asks or tells the user goes through the Host, so the same
// command code runs under the Qt shell, the command-line tool and the tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "store/notice.h"

namespace zn {

struct FileFilter {
  std::string label;    // "ZN data (*.dat)"
  std::string pattern;  // "*.dat"
};

struct FileRequest {
  std::string title;
  std::vector<FileFilter> filters;
  std::filesystem::path initialDir;
  std::string initialName;
  bool mustExist = true;
};

// A dialog's editable state; concrete dialogs derive from it and keep their
// logic (clamping, enabling) in pure code.
struct DialogModel {
  virtual ~DialogModel() = default;
};

class Host {
 public:
  virtual ~Host() = default;

  virtual Answer messageBox(const std::string& text, const std::string& caption, Icon icon, Buttons buttons) = 0;
  virtual std::optional<std::filesystem::path> chooseOpenFile(const FileRequest& request) = 0;
  virtual std::optional<std::filesystem::path> chooseSaveFile(const FileRequest& request) = 0;
  // Runs the named dialog on its model; true when the user accepted it.
  virtual bool runDialog(const std::string& name, DialogModel& model) = 0;

  virtual void progressBegin() {}
  virtual void progressStep(int /*percent*/) {}
  virtual void progressEnd() {}
  // A search the user may stop (the exact area sets): begin shows a box with
  // the title and a Stop button, note replaces its text and returns false
  // once Stop was pressed, end removes the box. A host without such a box
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

// Shows the busy cursor for the lifetime of the guard.
class BusyGuard {
 public:
  explicit BusyGuard(Host& host) : host_(host) { host_.setBusy(true); }
  ~BusyGuard() { host_.setBusy(false); }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  Host& host_;
};

}  // namespace zn
