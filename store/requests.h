// What the core hands the shell when something must be asked: the file a
// command wants and the state of a dialog. The shell's Host does the asking.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

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

}  // namespace zn
