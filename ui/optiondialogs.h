// The Qt faces of the option dialogs: "Tools options", "Map drawing options",
// "Map info" and "Selective plot". Every rule lives on the models
// (shell/options.h, measures/selective.h); a widget change goes to the model
// and every widget is then refreshed from it. The dialogs do not write back:
// on acceptance the caller applies the model.
#pragma once

#include <QDialog>
#include <map>

#include "measures/selective.h"
#include "shell/options.h"

class QAbstractButton;
class QBoxLayout;
class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLayout;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace zn {

// A dialog whose check boxes and radio buttons stand for controls of a
// model, each widget named after its control. Radio buttons are not auto-exclusive: the model decides which one
// is on.
class BoundDialog : public QDialog {
 public:
  explicit BoundDialog(QWidget* parent) : QDialog(parent) {}
  // The check box or radio button of a control id, or nullptr.
  QAbstractButton* control(int id) const;
  // Brings every widget in line with the model.
  virtual void refresh();

 protected:
  virtual bool modelChecked(int id) const = 0;
  virtual bool modelEnabled(int id) const = 0;
  virtual void modelSetChecked(int id, bool on) = 0;
  virtual QString controlName(int id) const = 0;

  QRadioButton* radio(int id, const QString& text);
  QCheckBox* check(int id, const QString& text);

  // One entry of a column (or, across, a row) of controls: a radio button,
  // a check box, or (no control) a small gap.
  struct Item {
    int id = 0;
    const char* text = nullptr;
    bool isCheck = false;
  };
  QBoxLayout* stack(std::initializer_list<Item> items, bool across = false);
  // The dialog's layout: its columns over a row of `bottomLeft`, then OK and
  // Cancel; every widget is then refreshed from the model.
  void arrange(QLayout* columns, std::initializer_list<QWidget*> bottomLeft);

 private:
  void bind(int id, QAbstractButton* b);
  std::map<int, QAbstractButton*> buttons_;
};

// The binding to a model with checked(), enabled() and setChecked().
template <class Model>
class ModelDialog : public BoundDialog {
 public:
  ModelDialog(Model& model, QWidget* parent) : BoundDialog(parent), model_(model) {}

 protected:
  bool modelChecked(int id) const override { return model_.checked(id); }
  bool modelEnabled(int id) const override { return model_.enabled(id); }
  void modelSetChecked(int id, bool on) override { model_.setChecked(id, on); }
  QString controlName(int id) const override { return QString::fromLatin1(Model::controlName(id)); }
  Model& model_;
};

class ToolsOptionsDialog : public ModelDialog<ToolsOptionsModel> {
 public:
  ToolsOptionsDialog(ToolsOptionsModel& model, QWidget* parent = nullptr);
  QSpinBox* number(int id) const;
  QLabel* percentLabel() const { return percent_; }
  QPushButton* clearNewButton() const { return clearNew_; }
  QPushButton* clearAllButton() const { return clearAll_; }
  void refresh() override;

 private:
  QSpinBox* spin(int id);
  QHBoxLayout* numberRow(int id, const QString& text);
  std::map<int, QSpinBox*> numbers_;
  QLabel* percent_ = nullptr;
  QLabel* areasNote_ = nullptr;
  QPushButton* clearNew_ = nullptr;
  QPushButton* clearAll_ = nullptr;
};

class MapOptionsDialog : public ModelDialog<MapOptionsModel> {
 public:
  MapOptionsDialog(MapOptionsModel& model, QWidget* parent = nullptr);
  QLineEdit* titleEdit() const { return title_; }
  QPushButton* defaultsButton(bool light) const { return light ? light_ : dark_; }
  void refresh() override;

 private:
  QLineEdit* title_ = nullptr;
  QPushButton* dark_ = nullptr;
  QPushButton* light_ = nullptr;
};

class MapInfoDialog : public QDialog {
 public:
  MapInfoDialog(MapInfoModel& model, QWidget* parent = nullptr);
  QPushButton* swapButton() const { return swap_; }
  // The value shown beside a row label ("Measure:" …), empty when absent.
  QString value(const QString& label) const;
  void refresh();

 private:
  MapInfoModel& model_;
  QWidget* rows_ = nullptr;
  QPushButton* swap_ = nullptr;
};

// "Selective plot" (RICHDLGBOX1/2 and their small-screen forms, which only
// show a shorter list).
class SelectivePlotDialog : public QDialog {
 public:
  SelectivePlotDialog(SelectivePlotModel& model, bool smallScreen, QWidget* parent = nullptr);
  QListWidget* list() const { return list_; }
  QCheckBox* grouped() const { return grouped_; }
  QCheckBox* rangeSizes() const { return rangeSizes_; }
  QPushButton* plotButton() const { return plot_; }
  // "Plot" or a double-click: the selected lines go to the model.
  void plot();

 private:
  SelectivePlotModel& model_;
  QListWidget* list_;
  QCheckBox* grouped_;
  QCheckBox* rangeSizes_;
  QPushButton* plot_;
};

}  // namespace zn
