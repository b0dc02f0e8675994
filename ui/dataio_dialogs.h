// The Qt faces of "Import data" (DIMDDLGBOX1, DIMDDLGBOX on the Britain
// grid) and "Export data" (DEXDDLGBOX): one radio button per layout, bound
// to the models in interchange/. The model decides which button is on.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <string>

#include "interchange/dataexport.h"
#include "interchange/dataimport.h"

class QRadioButton;
class QVBoxLayout;

namespace zn {

// A group of layout buttons over OK and Cancel.
class LayoutDialog : public QDialog {
 public:
  // The button of a layout, or nullptr when the dialog does not show it.
  QRadioButton* button(int layout) const;
  // Checks the button of the model's layout and no other.
  void refresh();

 protected:
  LayoutDialog(QWidget* parent, const QString& title, const QString& group);
  virtual int current() const = 0;
  QRadioButton* addLayout(int layout, const QString& text, std::function<void()> choose);
  QVBoxLayout* column() const { return column_; }

 private:
  QVBoxLayout* column_;
  std::map<int, QRadioButton*> buttons_;
};

class ImportDataDialog : public LayoutDialog {
 public:
  ImportDataDialog(ImportDialogModel& model, QWidget* parent);

 protected:
  int current() const override { return m_.layout; }

 private:
  ImportDialogModel& m_;
};

class ExportDataDialog : public LayoutDialog {
 public:
  ExportDataDialog(ExportDialogModel& model, QWidget* parent);

 protected:
  int current() const override { return m_.layout; }

 private:
  ExportDialogModel& m_;
};

// True for the three resource names above (without regard to case).
bool isDataIoDialog(const std::string& name);

// Shows the named dialog on its model; true when the user pressed OK. A
// model of the wrong type shows nothing.
bool runDataIoDialog(const std::string& name, DialogModel& model, QWidget* parent);

}  // namespace zn
