// The Qt faces of the area-selection dialogs: the modeless "Select grid
// cells" (SelecDlgBox, SelecDlgBoxVGA) and the two modal "Automated area
// selection" dialogs, by number of areas (SelecNumDlgBox1) and by cost
// (SelecNumDlgBox2). Their logic lives on the models of
// shell/selection_commands.h and selection/values.h.
#pragma once

#include <QDialog>
#include <string>

#include "selection/values.h"
#include "shell/selection_commands.h"

class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace zn {

// Lives while the dialog is open; goes by itself when the model closes,
// whether from its own buttons or from a click on the map.
class ManualSelectionWindow : public QDialog {
  Q_OBJECT
 public:
  ManualSelectionWindow(ManualSelectionModel& model, bool smallScreen, QWidget* parent = nullptr);
  ~ManualSelectionWindow() override;

  QListWidget* list() const { return list_; }
  // By label: "OK", "Cancel", "Clear list", "Delete grid cell", "Load file",
  // "Save file"; nullptr for another.
  QPushButton* button(const QString& label) const;

 protected:
  void reject() override;  // Escape acts as OK
  void closeEvent(QCloseEvent* e) override;

 private:
  void fill();
  void detach();

  ManualSelectionModel* model_;
  QListWidget* list_;
};

class AreaNumberDialog : public QDialog {
  Q_OBJECT
 public:
  AreaNumberDialog(NumberOfAreasModel& model, QWidget* parent = nullptr);
  QSpinBox* number() const { return number_; }
  QPushButton* cancelButton() const { return cancel_; }
  // Escape acts as OK; only the Cancel button keeps the stored number.
  void reject() override { accept(); }
  void accept() override;

 private:
  NumberOfAreasModel& model_;
  QSpinBox* number_;
  QPushButton* cancel_;
};

class BudgetDialog : public QDialog {
  Q_OBJECT
 public:
  BudgetDialog(BudgetModel& model, QWidget* parent = nullptr);
  QDoubleSpinBox* budget() const { return budget_; }
  void accept() override;

 private:
  BudgetModel& model_;
  QDoubleSpinBox* budget_;
};

// True for the names above (without regard to case).
bool isSelectionDialog(const std::string& name);
bool isManualSelectionDialog(const std::string& name);
// Runs one of the two modal number dialogs; true when accepted.
bool runSelectionDialog(const std::string& name, DialogModel& model, QWidget* parent);
// Shows "Select grid cells" on its model without waiting; nullptr when the
// model is not a ManualSelectionModel or is already closed.
ManualSelectionWindow* openManualSelection(const std::string& name, DialogModel& model, QWidget* parent);

}  // namespace zn
