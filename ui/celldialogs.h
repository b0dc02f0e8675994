// The Qt faces of "List of biota" (BIOTADLGBOX1/2 and their VGA forms) and
// "Gridcell name" (LOCNMDLGBOX). The logic lives on the models of
// shell/celllist.h; these bind widgets to them.
#pragma once

#include <QDialog>
#include <string>

#include "shell/celllist.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zn {

class CellListDialog : public QDialog {
  Q_OBJECT
 public:
  CellListDialog(CellListModel& model, bool smallScreen, QWidget* parent = nullptr);
  QListWidget* list() const { return list_; }
  QCheckBox* grouped() const { return grouped_; }
  QCheckBox* rangeSizes() const { return rangeSizes_; }
  QPushButton* plotSelected() const { return plotSelected_; }
  QPushButton* plotAll() const { return plotAll_; }
  QPushButton* editName() const { return editName_; }
  QLabel* cellLine() const { return cellLine_; }

 private:
  void finish(CellListModel::Action action);

  CellListModel& model_;
  QLabel* cellLine_;
  QListWidget* list_;
  QCheckBox* grouped_;
  QCheckBox* rangeSizes_;
  QPushButton* plotSelected_;
  QPushButton* plotAll_;
  QPushButton* editName_;
};

class CellNameDialog : public QDialog {
  Q_OBJECT
 public:
  CellNameDialog(CellNameModel& model, QWidget* parent = nullptr);
  QLineEdit* name() const { return name_; }
  QPushButton* cancelButton() const { return cancel_; }
  // Escape acts as OK; only the Cancel button leaves the name alone.
  void reject() override { accept(); }
  void accept() override;

 private:
  CellNameModel& model_;
  QLineEdit* name_;
  QPushButton* cancel_;
};

// True for the names above (without regard to case).
bool isCellDialog(const std::string& name);
// Runs the named dialog on its model; true when it was accepted.
bool runCellDialog(const std::string& name, DialogModel& model, QWidget* parent);

}  // namespace zn
