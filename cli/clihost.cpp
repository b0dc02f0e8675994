#include "cli/clihost.h"

#include <system_error>

namespace zn {

namespace {

// "Check datafile" asks whether to open a file that does not look like a
// datafile: a batch run must not open random bytes unless told to.
bool yesByDefault(const std::string& caption) { return caption != "Check datafile"; }

}  // namespace

Answer CliHost::messageBox(const std::string& text, const std::string& caption, Icon, Buttons buttons) {
  err_ << caption << ": " << text << '\n';
  ++messages;
  const bool yes = answer.value_or(yesByDefault(caption));
  switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::OkCancel: return yes ? Answer::Ok : Answer::Cancel;
    case Buttons::YesNo:
    case Buttons::YesNoCancel: return yes ? Answer::Yes : Answer::No;
  }
  return Answer::Ok;
}

// The tool names its files on the command line and hands them to the
// commands as parameters: a file dialog has nothing to answer.
std::optional<std::filesystem::path> CliHost::chooseOpenFile(const FileRequest&) { return std::nullopt; }

std::optional<std::filesystem::path> CliHost::chooseSaveFile(const FileRequest&) { return std::nullopt; }

bool CliHost::mayReplace(const std::string& title, const std::filesystem::path& p) {
  // The save dialog asks before replacing a file; only an explicit answer
  // is reported, and only No keeps the file.
  std::error_code ec;
  if (answer && std::filesystem::exists(p, ec)) {
    err_ << title << ": " << p.string() << " already exists.\nDo you want to replace it?\n";
    ++messages;
    return *answer;
  }
  return true;
}

bool CliHost::runDialog(const std::string& name, DialogModel&) {
  err_ << "zonarium: the dialog \"" << name << "\" cannot be shown here; give its choices as options\n";
  return false;
}

}  // namespace zn
