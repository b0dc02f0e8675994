// The command-line tool's host: nothing is asked interactively. Message boxes
// go to the error stream as "caption: text"; questions take the answer given
// on the command line; the files are named on the command line and passed to
// the commands, so a file dialog is cancelled.
#pragma once

#include <ostream>

#include "shell/host.h"

namespace zn {

class CliHost : public Host {
 public:
  explicit CliHost(std::ostream& err) : err_(err) {}

  // The --answer given to Yes/No questions; without one, a question that
  // would open a file in an unexpected format is answered No and any other
  // Yes, and an existing file is replaced without asking.
  std::optional<bool> answer;
  // Message boxes shown so far, so a caller can tell a failure that said
  // nothing.
  int messages = 0;

  Answer messageBox(const std::string& text, const std::string& caption, Icon icon, Buttons buttons) override;
  std::optional<std::filesystem::path> chooseOpenFile(const FileRequest& request) override;
  std::optional<std::filesystem::path> chooseSaveFile(const FileRequest& request) override;
  bool runDialog(const std::string& name, DialogModel& model) override;
  // The question the save dialog asks before replacing an existing file,
  // for an output named on the command line; false to keep the file.
  bool mayReplace(const std::string& title, const std::filesystem::path& p);

 private:
  std::ostream& err_;
};

}  // namespace zn
