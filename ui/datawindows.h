// The Qt faces of the two modeless data windows, "Data preselection"
// (DoptDlgBox) and the data editor (EditDlgBox), and the modal "Group code"
// dialog (GRPCODDLGBOX). Their logic lives in store/preselection.h,
// store/editor.h and shell/data_commands.h; these only bind widgets to the
// session's models and hand the buttons to those functions.
#pragma once

#include <QDialog>
#include <QPointer>

#include <string>

#include "ui/threeaxiswindow.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;

namespace zn {

class Shell;

class PreselectionWindow : public QDialog {
  Q_OBJECT
 public:
  PreselectionWindow(Shell& shell, QWidget* parent = nullptr);
  ~PreselectionWindow() override;

  QListWidget* groupList() const { return groupList_; }
  QListWidget* taxonList() const { return taxonList_; }
  QListWidget* areaList() const { return areaList_; }
  QLineEdit* groupCode() const { return groupCode_; }
  QLineEdit* findText() const { return find_; }
  QSpinBox* minimumLevel() const { return level_; }
  // Shows the model again (after a map click, for one).
  void refresh();
  // Stops hearing the model's changes (the window is on its way out).
  void detach();

 protected:
  void reject() override;  // Escape acts as OK
  void closeEvent(QCloseEvent* e) override;

 private:
  void showGroup();
  void showAreas();
  void finish(int action);

  Shell& shell_;
  QListWidget* groupList_;
  QListWidget* taxonList_;
  QListWidget* areaList_;
  QLineEdit* groupCode_;
  QLineEdit* find_;
  QLineEdit* taxaExcluded_;
  QLineEdit* areasExcluded_;
  QSpinBox* level_;
  bool finished_ = false;
  bool detached_ = false;
};

class EditorWindow : public QDialog {
  Q_OBJECT
 public:
  EditorWindow(Shell& shell, QWidget* parent = nullptr);
  ~EditorWindow() override;

  QListWidget* list() const { return list_; }
  QLineEdit* title() const { return title_; }
  QLineEdit* name() const { return name_; }
  QLineEdit* code() const { return code_; }
  QLineEdit* findText() const { return find_; }
  QLabel* taxonText() const { return taxonText_; }
  QLabel* clickText() const { return clickText_; }
  // Shows the model again; the name and code edits only when the current
  // taxon changed, so that a map click does not lose what is being typed.
  void refresh();
  void detach();

 protected:
  void reject() override;  // Escape and closing end as "Save+exit"
  void closeEvent(QCloseEvent* e) override;

 private:
  void showAll();
  void act(void (*action)(Shell&));

  Shell& shell_;
  QLineEdit* title_;
  QListWidget* list_;
  QLineEdit* name_;
  QLineEdit* code_;
  QLineEdit* find_;
  QLabel* taxonText_;
  QLabel* clickText_;
  int shownTaxon_ = -1;
  bool detached_ = false;
};

// "Group code": the prompt "Edit group code:" and a code of 30 characters at
// most, pre-filled with `code`. True (with the code) when accepted.
bool runGroupCodeDialog(QWidget* parent, std::string& code);

// Opens and closes the two windows by resource name for the host.
class DataWindows {
 public:
  DataWindows(Shell& shell, QWidget* parent) : shell_(shell), parent_(parent) {}
  // The windows go with their keeper, also those without a parent window.
  ~DataWindows();
  DataWindows(const DataWindows&) = delete;
  DataWindows& operator=(const DataWindows&) = delete;
  // False when the name is not one of the two.
  bool open(const std::string& name);
  bool close(const std::string& name);
  PreselectionWindow* preselection() const { return preselection_.data(); }
  EditorWindow* editor() const { return editor_.data(); }
  ThreeAxisWindow* threeAxis() const { return threeAxis_.data(); }

 private:
  Shell& shell_;
  QWidget* parent_;
  QPointer<PreselectionWindow> preselection_;
  QPointer<EditorWindow> editor_;
  QPointer<ThreeAxisWindow> threeAxis_;
};

}  // namespace zn
