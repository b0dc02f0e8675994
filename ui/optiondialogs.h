// The Qt faces of the option dialogs: "Tools options", "Map drawing options",
// "Map info" and "Selective plot". Every rule lives on the models
// (shell/options.h, measures/selective.h); a widget change goes to the model
// and every widget is then refreshed from it. The dialogs do not write back:
// on acceptance the caller applies the model.
#pragma once

#include <QBoxLayout>
#include <QCheckBox>
#include <QDialog>
#include <QRadioButton>
#include <functional>
#include <utility>
#include <vector>

#include "measures/selective.h"
#include "shell/options.h"

class QAbstractButton;
class QHBoxLayout;
class QLabel;
class QLayout;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace zn {

// A dialog whose check boxes and radio buttons stand for controls of a
// model, each widget named after its control. Radio buttons are not
// auto-exclusive: the model decides which one is on.
class BoundDialog : public QDialog {
 public:
  explicit BoundDialog(QWidget* parent) : QDialog(parent) {}
  // The check box or radio button whose widget carries that name, or nullptr.
  QAbstractButton* controlNamed(const QString& name) const;
  // Brings every widget in line with the model.
  virtual void refresh();

 protected:
  // How a button reads and changes the model.
  struct Binding {
    std::function<bool()> checked, enabled;
    std::function<void(bool)> set;
  };
  QRadioButton* radioButton(const QString& name, Binding b, const QString& text);
  QCheckBox* checkBox(const QString& name, Binding b, const QString& text);
  // A column (or, across, a row) for stack(), and its small gap.
  static QBoxLayout* newStack(bool across);
  static void addGap(QBoxLayout* stack, bool across);
  static void endStack(QBoxLayout* stack, bool across);
  // The dialog's layout: its columns over a row of `bottomLeft`, then OK and
  // Cancel; every widget is then refreshed from the model.
  void arrange(QLayout* columns, std::initializer_list<QWidget*> bottomLeft);

 private:
  void bind(const QString& name, Binding b, QAbstractButton* button);
  std::vector<std::pair<QAbstractButton*, Binding>> buttons_;
};

// The binding to a model with checked(), enabled(), setChecked() and
// controlName(), whose controls are of type Key.
template <class Model, class Key = int>
class ModelDialog : public BoundDialog {
 public:
  ModelDialog(Model& model, QWidget* parent) : BoundDialog(parent), model_(model) {}
  // The check box or radio button of a control, or nullptr.
  QAbstractButton* control(const Key& k) const { return controlNamed(nameOf(k)); }

 protected:
  static QString nameOf(const Key& k) { return QString::fromLatin1(Model::controlName(k)); }
  Binding binding(Key k) {
    return {[this, k] { return model_.checked(k); }, [this, k] { return model_.enabled(k); },
            [this, k](bool on) { model_.setChecked(k, on); }};
  }
  QRadioButton* radio(const Key& k, const QString& text) { return radioButton(nameOf(k), binding(k), text); }
  QCheckBox* check(const Key& k, const QString& text) { return checkBox(nameOf(k), binding(k), text); }

  // One entry of a column (or, across, a row) of controls: a radio button,
  // a check box, or (no text) a small gap.
  struct Item {
    Key id{};
    const char* text = nullptr;
    bool isCheck = false;
  };
  QBoxLayout* stack(std::initializer_list<Item> items, bool across = false) {
    QBoxLayout* col = newStack(across);
    for (const Item& item : items) {
      if (!item.text) addGap(col, across);
      else if (item.isCheck) col->addWidget(check(item.id, item.text));
      else col->addWidget(radio(item.id, item.text));
    }
    endStack(col, across);
    return col;
  }

  Model& model_;
};

class ToolsOptionsDialog : public ModelDialog<ToolsOptionsModel, Control> {
 public:
  ToolsOptionsDialog(ToolsOptionsModel& model, QWidget* parent = nullptr);
  QSpinBox* number(const Control& c) const;
  QLabel* percentLabel() const { return percent_; }
  QPushButton* clearNewButton() const { return clearNew_; }
  QPushButton* clearAllButton() const { return clearAll_; }
  void refresh() override;

 private:
  QSpinBox* spin(const Control& c);
  QHBoxLayout* numberRow(const Control& c, const QString& text);
  std::vector<std::pair<Control, QSpinBox*>> numbers_;
  QLabel* percent_ = nullptr;
  QLabel* areasNote_ = nullptr;
  QPushButton* clearNew_ = nullptr;
  QPushButton* clearAll_ = nullptr;
};

class MapOptionsDialog : public ModelDialog<MapOptionsModel, Control> {
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
