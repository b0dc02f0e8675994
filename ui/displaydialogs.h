// The Qt faces of the display's dialogs: "Save map" (SAVEDLGBOX), "Print
// map" (PRINTDLGBOX) and the "PRINTING" progress box. Their logic lives on
// the models of display/bitmap.h; these only bind widgets to them.
#pragma once

#include <QDialog>
#include <QPointer>
#include <string>

#include "display/bitmap.h"
#include "display/mapoutput.h"

class QButtonGroup;
class QLabel;
class QPrinter;
class QSpinBox;

namespace zn {

class SaveMapDialog : public QDialog {
  Q_OBJECT
 public:
  SaveMapDialog(SaveMapModel& model, QWidget* parent = nullptr);
  QButtonGroup* areas() const { return areas_; }

 private:
  SaveMapModel& model_;
  QButtonGroup* areas_;
};

class PrintMapDialog : public QDialog {
  Q_OBJECT
 public:
  PrintMapDialog(PrintMapModel& model, QWidget* parent = nullptr);
  QSpinBox* width() const { return width_; }
  QSpinBox* coast() const { return coast_; }
  QSpinBox* grid() const { return grid_; }
  // Takes the edits into the model, each clamped, and shows the results.
  void commitEdits();

 private:
  PrintMapModel& model_;
  QSpinBox* width_;
  QSpinBox* coast_;
  QSpinBox* grid_;
};

// The modeless box shown while a page goes to the printer.
class PrintingBox : public PrintProgress {
 public:
  explicit PrintingBox(QWidget* parent = nullptr);
  ~PrintingBox() override;
  void open(const std::string& title, const std::string& destination) override;
  bool cancelled() override;
  void close() override;
  QDialog* dialog() const { return dialog_.data(); }
  QString titleText() const;
  QString destinationText() const;

 private:
  QPointer<QDialog> dialog_;
  QLabel* title_;
  QLabel* destination_;
  bool cancelled_ = false;
};

// True when `name` is one of the dialogs above.
bool isDisplayDialog(const std::string& name);
// Runs the named dialog on its model; true when it was accepted.
bool runDisplayDialog(const std::string& name, DialogModel& model, QWidget* parent);
// The platform print dialog; true when a printer was chosen.
bool choosePrinter(QPrinter& printer, QWidget* parent);

}  // namespace zn
