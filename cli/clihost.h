// The command-line tool's host: nothing is asked interactively. Message boxes
// go to the error stream as "caption: text"; questions take the answer given
// on the command line; file dialogs return the paths named on the command line.
#pragma once

#include <deque>
#include <ostream>

#include "store/host.h"

namespace zn {

class CliHost : public Host {
 public:
  explicit CliHost(std::ostream& err) : err_(err) {}

  // Paths handed out, in order, by the open-file dialog.
  std::deque<std::filesystem::path> openPaths;
  std::deque<std::filesystem::path> savePaths;
  // The --answer given to Yes/No questions; without one, a question that
  // would open a file in an unexpected format is answered No and any other
  // Yes, and an existing file is replaced without asking.
  std::optional<bool> answer;
  // Message boxes shown so far, so a caller can tell a failure that said
  // nothing.
  int messages = 0;

  Answer messageBox(const std::string& text, const std::string& caption, Icon icon,
                    Buttons buttons) override;
  std::optional<std::filesystem::path> chooseOpenFile(const FileRequest& request) override;
  std::optional<std::filesystem::path> chooseSaveFile(const FileRequest& request) override;
  bool runDialog(const std::string& name, DialogModel& model) override;

 private:
  std::ostream& err_;
};

}  // namespace zn
