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
#include "shell/projectscreen.h"
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
    saveBitmap(sh.session, sh.host, sh.display, [this] { return view_->captureClient(); });
  });
  shell_.connect(Command::PrintMap, [this](Shell& sh) {
    QPrinter printer(QPrinter::HighResolution);
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
  QAction* toData = menu->addAction("Zoom to &data");
  connect(toData, &QAction::triggered, this, [this] {
    if (zoomToData(shell_.session, shell_.display.view)) {
      shell_.refreshMenus();
      redrawMap();
    }
  });
  // Home reaches the map view's keys, which do the same.
  QAction* whole = menu->addAction("&Whole map\tHome");
  connect(whole, &QAction::triggered, this, [this] { view_->showWholeMap(); });
}

void MainWindow::applyMenuState() {
  const MenuState& state = shell_.menu();
  for (auto& [id, action] : actions_) {
    ItemState st = state[id];
    action->setEnabled(st.enabled);
    action->setToolTip(QString::fromStdString(st.why));
    if (action->isCheckable()) action->setChecked(st.checked);
  }
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
  const Session& s = shell_.session;
  QScreen* screen = QApplication::primaryScreen();
  int w = screen ? screen->availableGeometry().width() : width();
  auto edges = statusPartEdges(w, !s.ws.groupCode.empty());
  int left = 0;
  auto texts = statusTexts(s, statusInputs(s));
  if (shell_.project) {
    const ProjectScreen& p = *shell_.project;
    texts = {p.file.filename().string(),
             std::to_string(p.data.units()) + " units, " + std::to_string(p.data.taxa()) + " taxa", p.layer.title};
  }
  // Small client areas keep the old texts.
  bool setTexts = view_->width() >= 301 && view_->height() >= 301;
  for (std::size_t i = 0; i < 3; ++i) {
    if (i < 2) status_[i]->setFixedWidth(std::max(40, edges[i] - left));
    left = edges[i];
    if (setTexts) status_[i]->setText(QString::fromStdString(texts[i]));
  }
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
