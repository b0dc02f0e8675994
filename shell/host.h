// Everything that asks the user goes through the Host, so the same command
// code runs under the Qt shell, the command-line tool and the tests. Only
// the shell and the tool hold one; the core sees its Progress part.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "store/notice.h"
#include "store/progress.h"
#include "store/requests.h"

namespace zn {

class Host : public Progress {
 public:
  virtual Answer messageBox(const std::string& text, const std::string& caption, Icon icon, Buttons buttons) = 0;
  virtual std::optional<std::filesystem::path> chooseOpenFile(const FileRequest& request) = 0;
  virtual std::optional<std::filesystem::path> chooseSaveFile(const FileRequest& request) = 0;
  // Runs the named dialog on its model; true when the user accepted it.
  virtual bool runDialog(const std::string& name, DialogModel& model) = 0;
};

}  // namespace zn
