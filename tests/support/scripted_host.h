// A host that answers from queues and records everything it was asked, so
// whole user sessions run headless and their texts can be checked exactly.
#pragma once

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "shell/shellhost.h"
#include "store/session.h"

namespace zn::test {

struct ShownMessage {
  std::string text;
  std::string caption;
  Icon icon;
  Buttons buttons;
};

class ScriptedHost : public ShellHost {
 public:
  std::deque<Answer> answers;  // for questions; Ok boxes need none
  std::deque<std::optional<std::filesystem::path>> openFiles;
  std::deque<std::optional<std::filesystem::path>> saveFiles;
  std::deque<bool> dialogAnswers;

  std::vector<ShownMessage> messages;
  std::vector<FileRequest> openRequests;
  std::vector<FileRequest> saveRequests;
  std::vector<std::string> dialogs;
  int redraws = 0;
  int beeps = 0;
  int busyDepth = 0;
  std::uint32_t tick = 0;

  Answer messageBox(const std::string& text, const std::string& caption, Icon icon, Buttons buttons) override {
    messages.push_back({text, caption, icon, buttons});
    if (buttons == Buttons::Ok) return Answer::Ok;
    if (answers.empty()) throw std::logic_error("unexpected question: " + caption + ": " + text);
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::filesystem::path> chooseOpenFile(const FileRequest& r) override {
    openRequests.push_back(r);
    if (openFiles.empty()) return std::nullopt;
    auto p = openFiles.front();
    openFiles.pop_front();
    return p;
  }
  std::optional<std::filesystem::path> chooseSaveFile(const FileRequest& r) override {
    saveRequests.push_back(r);
    if (saveFiles.empty()) return std::nullopt;
    auto p = saveFiles.front();
    saveFiles.pop_front();
    return p;
  }
  // Plays the user's part inside a dialog before it is answered.
  std::function<void(const std::string& name, DialogModel& model)> onDialog;

  bool runDialog(const std::string& name, DialogModel& model) override {
    dialogs.push_back(name);
    if (onDialog) onDialog(name, model);
    if (dialogAnswers.empty()) return false;
    bool a = dialogAnswers.front();
    dialogAnswers.pop_front();
    return a;
  }
  void setBusy(bool busy) override { busyDepth += busy ? 1 : -1; }
  void beep() override { ++beeps; }
  void requestRedraw() override { ++redraws; }
  std::uint32_t tickMs() override { return tick; }

  // What the shell asked of the windows, in order ("open monitor", …).
  std::vector<std::string> shellCalls;
  void openMonitor() override { shellCalls.push_back("open monitor"); }
  void closeMonitor() override { shellCalls.push_back("close monitor"); }
  void refreshMonitor() override { shellCalls.push_back("refresh monitor"); }
  void showHelp(bool onHelp) override { shellCalls.push_back(onHelp ? "help on help" : "help"); }
  void showAbout() override { shellCalls.push_back("about"); }
  void requestClose() override { shellCalls.push_back("close"); }
  void openModeless(const std::string& name) override { shellCalls.push_back("open " + name); }
  void closeModeless(const std::string& name) override { shellCalls.push_back("close " + name); }
  std::int64_t dayTime = 1000;  // seeds the random choices
  std::int64_t timeOfDay() override { return dayTime; }

  // "caption: text" of every message shown, in order.
  std::vector<std::string> messageLines() const {
    std::vector<std::string> out;
    for (const auto& m : messages) out.push_back(m.caption + ": " + m.text);
    return out;
  }
};

// "caption: text" of every notice the core left in the session, in order.
inline std::vector<std::string> noticeLines(const Session& s) {
  std::vector<std::string> out;
  for (const auto& n : s.notices) out.push_back(n.caption + ": " + n.text);
  return out;
}

}  // namespace zn::test
