// The desktop host: real message boxes, file dialogs, cursors and progress.
#pragma once

#include <QString>

#include <functional>
#include <map>
#include <memory>

#include "shell/shellhost.h"

class QWidget;
class QProgressBar;
class QProgressDialog;

namespace zn {

class MainWindow;

class QtHost : public ShellHost {
 public:
  QtHost();
  ~QtHost() override;  // the Stop box is complete only in the .cpp
  // Dialogs register here by resource name; each shows its Qt dialog on the
  // model and returns true when the user accepted it.
  using DialogRunner = std::function<bool(QWidget* parent, DialogModel& model)>;
  void registerDialog(const std::string& name, DialogRunner run) { dialogs_[name] = std::move(run); }

  void setWindow(MainWindow* w) { window_ = w; }
  // The next open-file request returns this path instead of asking (the
  // datafile named on the command line).
  void presetOpenFile(std::filesystem::path p) { presetOpen_ = std::move(p); }

  Answer messageBox(const std::string& text, const std::string& caption, Icon icon, Buttons buttons) override;
  std::optional<std::filesystem::path> chooseOpenFile(const FileRequest& request) override;
  std::optional<std::filesystem::path> chooseSaveFile(const FileRequest& request) override;
  bool runDialog(const std::string& name, DialogModel& model) override;

  void progressBegin() override;
  void progressStep(int percent) override;
  void progressEnd() override;
  // The exact sets' box: the best set so far and a Stop button.
  void stoppableBegin(const std::string& title) override;
  bool stoppableNote(const std::string& text) override;
  void stoppableEnd() override;
  QProgressDialog* stoppableBox() const { return stopBox_.get(); }
  void setBusy(bool busy) override;
  void beep() override;
  void requestRedraw() override;

  void openMonitor() override;
  void closeMonitor() override;
  void refreshMonitor() override;
  void showHelp(bool onHelp) override;
  void showAbout() override;
  void requestClose() override;
  void openModeless(const std::string& name) override;
  void closeModeless(const std::string& name) override;
  void updateMenus() override;
  void redrawNow() override;

  // Turns a request's filters into a Qt filter string, each pattern once.
  static QString filterString(const FileRequest& request);

 private:
  QWidget* parent() const;
  MainWindow* window_ = nullptr;
  std::filesystem::path presetOpen_;
  std::map<std::string, DialogRunner> dialogs_;
  std::unique_ptr<QProgressDialog> stopBox_;
};

}  // namespace zn
