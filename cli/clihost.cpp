#include "cli/clihost.h"

namespace zn {

Answer CliHost::messageBox(const std::string& text, const std::string& caption, Icon,
                           Buttons buttons) {
  err_ << caption << ": " << text << '\n';
  switch (buttons) {
    case Buttons::Ok:
      return Answer::Ok;
    case Buttons::OkCancel:
      return answerYes ? Answer::Ok : Answer::Cancel;
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
      return answerYes ? Answer::Yes : Answer::No;
  }
  return Answer::Ok;
}

std::optional<std::filesystem::path> CliHost::chooseOpenFile(const FileRequest&) {
  if (openPaths.empty()) return std::nullopt;
  auto p = openPaths.front();
  openPaths.pop_front();
  return p;
}

std::optional<std::filesystem::path> CliHost::chooseSaveFile(const FileRequest&) {
  if (savePaths.empty()) return std::nullopt;
  auto p = savePaths.front();
  savePaths.pop_front();
  return p;
}

bool CliHost::runDialog(const std::string& name, DialogModel&) {
  err_ << "zonarium: the dialog \"" << name << "\" cannot be shown here; give its choices as options\n";
  return false;
}

}  // namespace zn
