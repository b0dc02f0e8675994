#include "app/qthost.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>

#include "app/mainwindow.h"
#include "app/mapview.h"
#include "ui/dialogs.h"

namespace zn {

QtHost::QtHost() = default;
QtHost::~QtHost() = default;

QWidget* QtHost::parent() const { return window_; }

Answer QtHost::messageBox(const std::string& text, const std::string& caption, Icon icon, Buttons buttons) {
  QMessageBox box(parent());
  box.setWindowTitle(QString::fromStdString(caption));
  box.setText(QString::fromStdString(text));
  switch (icon) {
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning:
    case Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Icon::Error: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
  }
  switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::YesNoCancel: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
  }
  // A message must be readable even while a long command shows the busy cursor.
  bool busy = QApplication::overrideCursor() != nullptr;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  int r = box.exec();
  if (busy) QApplication::restoreOverrideCursor();
  switch (r) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return Answer::Ok;
  }
}

// A filter's label already ends with its patterns, as "PNG images (*.png)":
// they are added only where it does not.
static QString filterText(const FileFilter& f) {
  const QString label = QString::fromStdString(f.label);
  const QString patterns = "(" + QString::fromStdString(f.pattern) + ")";
  return label.endsWith(patterns) ? label : label + " " + patterns;
}

QString QtHost::filterString(const FileRequest& request) {
  QStringList parts;
  for (const FileFilter& f : request.filters) parts << filterText(f);
  return parts.join(";;");
}

// `file` with the extension of the filter chosen when it has none;
// unchanged when it has one or the filter names no single extension.
static std::filesystem::path withFilterExtension(std::filesystem::path file, const FileRequest& request,
                                                 const QString& chosenFilter) {
  if (file.has_extension()) return file;
  for (const FileFilter& f : request.filters) {
    // Only a filter of one plain "*.ext" pattern names an extension to add.
    const std::string& p = f.pattern;
    if (filterText(f) != chosenFilter || p.size() < 3 || p.compare(0, 2, "*.") != 0 ||
        p.find_first_of(" *?", 2) != std::string::npos)
      continue;
    file += p.substr(1);
    break;
  }
  return file;
}

std::optional<std::filesystem::path> QtHost::chooseOpenFile(const FileRequest& r) {
  if (!presetOpen_.empty()) {
    auto p = std::move(presetOpen_);
    presetOpen_.clear();
    return p;
  }
  QString start = QString::fromStdString((r.initialDir / r.initialName).string());
  QString file = QFileDialog::getOpenFileName(parent(), QString::fromStdString(r.title), start, filterString(r));
  if (file.isEmpty()) return std::nullopt;
  return std::filesystem::path(file.toStdString());
}

std::optional<std::filesystem::path> QtHost::chooseSaveFile(const FileRequest& r) {
  QString start = QString::fromStdString((r.initialDir / r.initialName).string());
  QString chosenFilter;
  QString file =
      QFileDialog::getSaveFileName(parent(), QString::fromStdString(r.title), start, filterString(r), &chosenFilter);
  if (file.isEmpty()) return std::nullopt;
  // A name typed without an extension takes the chosen type's, which also
  // decides what is written.
  return withFilterExtension(std::filesystem::path(file.toStdString()), r, chosenFilter);
}

bool QtHost::runDialog(const std::string& name, DialogModel& model) {
  auto it = dialogs_.find(name);
  if (it != dialogs_.end()) return it->second(parent(), model);
  if (isUiDialog(name)) return runUiDialog(name, model, parent());
  return false;
}

void QtHost::progressBegin() {
  if (window_) window_->showProgress(0);
}
void QtHost::progressStep(int percent) {
  if (window_) window_->showProgress(percent);
}
void QtHost::progressEnd() {
  if (window_) window_->hideProgress();
}

void QtHost::stoppableBegin(const std::string& title) {
  stopBox_ = std::make_unique<QProgressDialog>(parent());
  stopBox_->setWindowTitle(QString::fromStdString(title));
  stopBox_->setLabelText("Searching...");
  stopBox_->setCancelButtonText("Stop");
  stopBox_->setRange(0, 0);  // no percentage: a solver cannot tell how far it is
  stopBox_->setWindowModality(Qt::WindowModal);
  stopBox_->setAutoReset(false);
  stopBox_->setAutoClose(false);
  stopBox_->setMinimumDuration(0);
  stopBox_->show();
  QCoreApplication::processEvents();
}

bool QtHost::stoppableNote(const std::string& text) {
  if (!stopBox_) return true;
  stopBox_->setLabelText(QString::fromStdString(text));
  // The solver runs on this thread: let the box paint and take the click.
  QCoreApplication::processEvents();
  return !stopBox_->wasCanceled();
}

void QtHost::stoppableEnd() { stopBox_.reset(); }

void QtHost::setBusy(bool busy) {
  if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
  else QApplication::restoreOverrideCursor();
}

void QtHost::beep() { QApplication::beep(); }

void QtHost::requestRedraw() {
  if (window_) window_->redrawMap();
}

void QtHost::openMonitor() {
  if (window_) window_->openMonitor();
}
void QtHost::closeMonitor() {
  if (window_) window_->closeMonitor();
}
void QtHost::refreshMonitor() {
  if (window_) window_->refreshMonitor();
}
void QtHost::showHelp(bool onHelp) {
  if (window_) window_->showHelp(onHelp);
}
void QtHost::showAbout() {
  if (window_) window_->showAbout();
}
void QtHost::requestClose() {
  if (window_) window_->close();
}
void QtHost::openModeless(const std::string& name) {
  if (window_) window_->openModeless(name);
}
void QtHost::closeModeless(const std::string& name) {
  if (window_) window_->closeModeless(name);
}
void QtHost::redrawNow() {
  if (window_) window_->mapView()->repaint();
}

void QtHost::updateMenus() {
  if (window_) window_->applyMenuState();
}

}  // namespace zn
