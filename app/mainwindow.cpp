#include "app/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>

#include <QPrinter>

#include "app/helpwindow.h"
#include "app/mapview.h"
#include "app/monitorwindow.h"
#include "app/output_commands.h"
#include "app/projectview.h"
#include "display/mapoutput.h"
#include "display/readout.h"
#include "display/view.h"
#include "shell/project_commands.h"
#include "shell/projectbiota.h"
#include "shell/projectscreen.h"
#include "shell/recentprojects.h"
#include "shell/results.h"
#include "shell/status.h"
#include "ui/datawindows.h"
#include "ui/displaydialogs.h"

namespace zn {

MainWindow::MainWindow(Shell& shell, const QString& edition) : shell_(shell) {
  setWindowTitle(QString("ZONARIUM IV %1").arg(edition));
  view_ = new MapView(shell_, this);
  data_ = std::make_unique<DataWindows>(shell_, this);
  view_->setAfterPaint([this] { updateStatus(); });
  // A project's units take the map's place while a project is on screen.
  projectView_ = new ProjectView(this);
  projectView_->setObjectName("projectView");
  stack_ = new QStackedWidget(this);
  stack_->addWidget(view_);
  stack_->addWidget(projectView_);
  setCentralWidget(stack_);
  connectWindowCommands();
  buildMenus();

  auto* bar = statusBar();
  bar->setSizeGripEnabled(true);
  for (int i = 0; i < 3; ++i) {
    status_[i] = new QLabel(this);
    status_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_[i]->setMargin(1);
    bar->addWidget(status_[i], i == 2 ? 1 : 0);
  }
  readout_ = new QLabel(this);
  readout_->setObjectName("cellReadout");
  readout_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  readout_->setMargin(1);
  bar->addPermanentWidget(readout_);
  view_->setHoverReport(
      [this](int cell) { readout_->setText(QString::fromStdString(cellReadout(shell_.session, cell))); });
  projectView_->setHoverReport([this](int unit) {
    readout_->setText(shell_.project ? QString::fromStdString(projectReadout(*shell_.project, unit)) : QString());
  });
  projectView_->setDoubleClick([this](int unit, bool left) {
    projectDoubleClick(shell_, unit, left);
    updateStatus();
  });
  progress_ = new QProgressBar(this);
  progress_->setRange(0, 100);
  progress_->setTextVisible(false);
  progress_->hide();

  QScreen* screen = QApplication::primaryScreen();
  int desktop = screen ? screen->availableGeometry().width() : 1024;
  // A narrow desktop takes the dialogs' small-screen forms.
  shell_.flags.smallScreen = desktop < 700;
  if (desktop < 700) setWindowState(Qt::WindowMaximized);
  else resize(std::min(1200, desktop * 3 / 4), std::min(860, desktop * 9 / 16));

  shell_.refreshMenus();
  updateStatus();
  // "Open datafile" is posted so that the file dialog opens as soon as the
  // window is up.
  QTimer::singleShot(0, this, [this] {
    shell_.dispatch(Command::OpenDatafile);
    updateStatus();
  });
}

// The monitor is a window of its own, without a parent to take it along.
MainWindow::~MainWindow() { delete monitor_; }

void MainWindow::connectWindowCommands() {
  // Commands that need the window's own surfaces: the bitmap and the printer.
  shell_.connect(Command::SaveBitmap, [this](Shell& sh) {
    if (sh.project) {
      saveProjectMap(sh.host, *sh.project, projectView_->viewExtent(), projectView_->size(), this);
      return;
    }
    saveBitmap(sh.session, sh.host, sh.display, [this] { return view_->captureClient(); });
  });
  shell_.connect(Command::PrintMap, [this](Shell& sh) {
    QPrinter printer(QPrinter::HighResolution);
    if (sh.project) {
      printProjectMap(sh.host, *sh.project, projectView_->viewExtent(), printer,
                      [this](QPrinter& p) { return choosePrinter(p, this); });
      return;
    }
    PrintingBox box(this);
    bool optionsRequested = false;
    printMap(
        sh.session, sh.host, sh.display, printer, [this](QPrinter& p) { return choosePrinter(p, this); }, box,
        &optionsRequested);
    if (optionsRequested) sh.dispatch(Command::MapdrawOptions);
  });
}

void MainWindow::buildMenus() {
  std::function<void(QMenu*, const std::vector<MenuItem>&)> fill = [&](QMenu* menu,
                                                                       const std::vector<MenuItem>& items) {
    for (const MenuItem& m : items) {
      if (m.command == Command::None) {
        QMenu* sub = menu->addMenu(QString::fromStdString(m.label));
        sub->setToolTipsVisible(true);  // a disabled analysis says why
        fill(sub, m.items);
        if (isInertPopup(m.label)) sub->setEnabled(false);
        if (m.label == kRecentProjectsMenu) {
          recentProjects_ = sub;
          // The list is a file another window may change: it is read as
          // its menu opens, not at every change of the menus' state.
          connect(menu, &QMenu::aboutToShow, this, [this] { fillRecentProjects(); });
        }
        continue;
      }
      QAction* a = menu->addAction(QString::fromStdString(m.label));
      const Command command = m.command;
      connect(a, &QAction::triggered, this, [this, command] {
        shell_.dispatch(command);
        updateStatus();
      });
      actions_.emplace(command, a);
    }
  };
  for (const MenuItem& popup : mainMenu()) {
    QMenu* menu = menuBar()->addMenu(QString::fromStdString(popup.label));
    fill(menu, popup.items);
    if (popup.label == "&MapGraphics") addViewCommands(menu);
  }
  for (Command c : {Command::ToggleZoom, Command::ManualSetSelection, Command::EditData, Command::DataPreselection,
                    Command::MonitorResults})
    for (auto [it, end] = actions_.equal_range(c); it != end; ++it) it->second->setCheckable(true);
}

// Whole map (Home) and Zoom to data: views of the map outside the numbered
// commands.
void MainWindow::addViewCommands(QMenu* menu) {
  menu->addSeparator();
  toData_ = menu->addAction("Zoom to &data");
  connect(toData_, &QAction::triggered, this, [this] {
    if (shell_.project) {
      // A project's view closes on the units that hold data.
      if (const auto box = projectDataExtent(*shell_.project)) projectView_->showExtent(*box);
      return;
    }
    if (zoomToData(shell_.session, shell_.display.view, zoomFlags(shell_.session))) {
      shell_.refreshMenus();
      redrawMap();
    }
  });
  // Home reaches the map view's keys, which do the same.
  whole_ = menu->addAction("&Whole map\tHome");
  connect(whole_, &QAction::triggered, this, [this] {
    if (shell_.project) projectView_->showWhole();
    else view_->showWholeMap();
  });
  // Meridians and parallels over a project's units.
  graticule_ = menu->addAction("Gr&aticule");
  graticule_->setCheckable(true);
  connect(graticule_, &QAction::toggled, projectView_, &ProjectView::setGraticule);
}

// The list lives in the program folder, so another window's additions show
// here the next time DataBase opens.
void MainWindow::fillRecentProjects() {
  if (!recentProjects_) return;
  recentProjects_->clear();
  const auto list = recentProjectList(shell_);
  for (std::size_t i = 0; i < list.size(); ++i) {
    QAction* a = recentProjects_->addAction(QString::fromStdString(recentProjectLabel(i, list[i])));
    a->setToolTip(QString::fromStdString(list[i].string()));
    // Queued: opening refills this menu, which deletes the action.
    connect(
        a, &QAction::triggered, this,
        [this, i] {
          openRecentProject(shell_, i);
          updateStatus();
        },
        Qt::QueuedConnection);
  }
  recentProjects_->setEnabled(!list.empty() && shell_.menu()[Command::OpenProject].enabled);
}

void MainWindow::applyMenuState() {
  const MenuState& state = shell_.menu();
  for (auto& [id, action] : actions_) {
    ItemState st = state[id];
    action->setEnabled(st.enabled);
    action->setToolTip(QString::fromStdString(st.why));
    if (action->isCheckable()) action->setChecked(st.checked);
  }
  // The view commands outside the numbered ones.
  const ProjectScreen* project = shell_.project.get();
  const bool projectData = project && project->data.totals.occupiedCells > 0;
  toData_->setEnabled(!project || projectData);
  toData_->setToolTip(project && !projectData ? "Zoom to data: no unit of this project holds data" : "");
  graticule_->setEnabled(project != nullptr);
  graticule_->setToolTip(project ? ""
                                 : "Graticule draws meridians and parallels over a project's units; a datafile's map "
                                   "keeps its own grid");
}

void MainWindow::redrawMap() {
  if (shell_.project) {
    const bool fresh = shownProject_ != shell_.project.get();
    shownProject_ = shell_.project.get();
    projectView_->show(&shell_.project->shapes, &shell_.project->layer, fresh);
    stack_->setCurrentWidget(projectView_);
  } else {
    shownProject_ = nullptr;
    projectView_->show(nullptr, nullptr, true);
    stack_->setCurrentWidget(view_);
    view_->update();
  }
  updateStatus();
}

void MainWindow::updateStatus() {
  if (shell_.project) {
    showProjectStatus();
    return;
  }
  readout_->setMinimumWidth(0);
  status_[2]->setMinimumWidth(0);
  for (QLabel* l : status_) l->setToolTip(QString());
  const Session& s = shell_.session;
  QScreen* screen = QApplication::primaryScreen();
  int w = screen ? screen->availableGeometry().width() : width();
  auto edges = statusPartEdges(w, !s.ws.groupCode.empty());
  int left = 0;
  auto texts = statusTexts(s, statusInputs(s));
  // Small client areas keep the old texts.
  bool setTexts = view_->width() >= 301 && view_->height() >= 301;
  for (std::size_t i = 0; i < 3; ++i) {
    if (i < 2) status_[i]->setFixedWidth(std::max(40, edges[i] - left));
    left = edges[i];
    if (setTexts) status_[i]->setText(QString::fromStdString(texts[i]));
  }
}

// A project's parts take the width of their texts: the file and the size
// of the data as they are, the readout as wide as its longest line can
// be, and the map's title the rest, its whole text in a tooltip should
// a narrow window cut it.
void MainWindow::showProjectStatus() {
  const ProjectScreen& p = *shell_.project;
  const auto texts = projectStatusTexts(p);
  auto fit = [](QLabel* l, const std::string& text) {
    const QString t = QString::fromStdString(text);
    const QMargins m = l->contentsMargins();
    return l->fontMetrics().horizontalAdvance(t) + 2 * l->margin() + 2 * l->frameWidth() + m.left() + m.right() + 4;
  };
  for (std::size_t i = 0; i < 3; ++i) {
    status_[i]->setText(QString::fromStdString(texts[i]));
    status_[i]->setToolTip(status_[i]->text());
    if (i < 2) status_[i]->setFixedWidth(fit(status_[i], texts[i]));
  }
  status_[2]->setMinimumWidth(1);
  readout_->setMinimumWidth(fit(readout_, widestProjectReadout(p)));
}

void MainWindow::showProgress(int percent) {
  QRect r = view_->geometry();
  progress_->setGeometry(r.left(), r.bottom() - 18, r.width(), 18);
  progress_->setValue(percent);
  progress_->show();
  progress_->raise();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::hideProgress() { progress_->hide(); }

void MainWindow::openMonitor() {
  if (!monitor_) {
    monitor_ = new MonitorWindow(shell_.resultsFile());
    connect(monitor_, &MonitorWindow::closedByUser, this, [this] { monitorClosedByUser(); });
    connect(monitor_, &MonitorWindow::movedOrResized, this, [this] { redrawMap(); });
  }
  QScreen* screen = QApplication::primaryScreen();
  QRect desk = screen ? screen->availableGeometry() : QRect(0, 0, 1200, 800);
  monitor_->setGeometry(desk.right() + 1 - 600, desk.top(), 600, 400);
  monitor_->show();
  monitor_->raise();
}

void MainWindow::closeMonitor() {
  if (monitor_) monitor_->hide();
}

void MainWindow::refreshMonitor() {
  if (monitor_ && monitor_->isVisible()) monitor_->update();
}

void MainWindow::monitorClosedByUser() {
  shell_.flags.monitorOpen = false;
  shell_.refreshMenus();
  redrawMap();
}

void MainWindow::showHelp(bool onHelp) {
  if (!help_) help_ = new HelpWindow(shell_.session.home, this);
  help_->showPage(onHelp ? "help.html" : "index.html");
}

void MainWindow::showAbout() {
  QMessageBox::about(this, "About ZONARIUM",
                     QString("<h3>ZONARIUM IV</h3><p>%1</p><p>Biodiversity mapping and the choice of "
                             "priority areas for conservation.</p><p>Results log: %2</p>")
                         .arg(windowTitle(), QString(kResultsVersion)));
}

void MainWindow::openModeless(const std::string& name) { data_->open(name); }

void MainWindow::closeModeless(const std::string& name) { data_->close(name); }

void MainWindow::closeEvent(QCloseEvent* e) {
  if (closing_ || shell_.confirmExit()) {
    closing_ = true;
    if (monitor_) monitor_->close();
    e->accept();
  } else {
    e->ignore();
  }
  updateStatus();
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    shell_.escape();
    return;
  }
  if (!view_->handleKey(e)) QMainWindow::keyPressEvent(e);
}

void MainWindow::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  if (progress_->isVisible()) showProgress(progress_->value());
}

}  // namespace zn
