// The main window: menu bar, map and status bar. It only wires the menus,
// the map view and the dialogs to the command layer.
#pragma once

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>

#include "shell/dispatch.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QStackedWidget;

namespace zn {

class DataWindows;
class MapView;
class ProjectView;
struct ProjectScreen;
class MonitorWindow;
class HelpWindow;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  MainWindow(Shell& shell, const QString& edition);
  ~MainWindow() override;

  Shell& shell() { return shell_; }
  MapView* mapView() { return view_; }
  ProjectView* projectView() { return projectView_; }

  void applyMenuState();
  void redrawMap();
  void updateStatus();
  void showProgress(int percent);
  void hideProgress();

  void openMonitor();
  void closeMonitor();
  void refreshMonitor();
  void showHelp(bool onHelp);
  void showAbout();
  // The modeless data windows ("DoptDlgBox", "EditDlgBox") by name.
  void openModeless(const std::string& name);
  void closeModeless(const std::string& name);
  DataWindows& dataWindows() { return *data_; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void buildMenus();
  void connectWindowCommands();
  void monitorClosedByUser();
  void addViewCommands(QMenu* mapGraphics);
  void showProjectStatus();
  void fillRecentProjects();

  Shell& shell_;
  MapView* view_ = nullptr;
  ProjectView* projectView_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  const ProjectScreen* shownProject_ = nullptr;  // the project last put on the view
  QLabel* status_[3] = {nullptr, nullptr, nullptr};
  QLabel* readout_ = nullptr;  // the cell under the pointer
  QProgressBar* progress_ = nullptr;
  MonitorWindow* monitor_ = nullptr;
  HelpWindow* help_ = nullptr;
  std::unique_ptr<DataWindows> data_;
  std::multimap<Command, QAction*> actions_;
  QAction* toData_ = nullptr;        // MapGraphics' Zoom to data
  QAction* whole_ = nullptr;         // and Whole map
  QAction* graticule_ = nullptr;     // and Graticule, which only a project's map draws
  QMenu* recentProjects_ = nullptr;  // DataBase's recent projects, filled from their list
  bool closing_ = false;
};

}  // namespace zn
