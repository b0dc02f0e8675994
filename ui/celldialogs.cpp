#include "ui/celldialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "store/text.h"

namespace zn {

namespace {

QString q(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<int>(s.size())); }

QLabel* line(const std::string& text, const char* id) {
  auto* l = new QLabel(q(text));
  l->setObjectName(id);
  return l;
}

}  // namespace

CellListDialog::CellListDialog(CellListModel& model, bool smallScreen, QWidget* parent)
    : QDialog(parent),
      model_(model),
      cellLine_(line(model.cellLine, "cellLine")),
      list_(new QListWidget),
      grouped_(new QCheckBox("grouped")),
      rangeSizes_(new QCheckBox("range sizes")),
      plotSelected_(new QPushButton("Plot sel taxa")),
      plotAll_(new QPushButton("Plot all taxa")),
      editName_(new QPushButton("Edit cell name")) {
  setWindowTitle("List of biota");
  list_->setObjectName("taxa");
  grouped_->setObjectName("grouped");
  rangeSizes_->setObjectName("rangeSizes");
  plotSelected_->setObjectName("plotSelected");
  plotAll_->setObjectName("plotAll");
  editName_->setObjectName("editName");
  list_->setSelectionMode(QAbstractItemView::MultiSelection);
  list_->setMinimumWidth(smallScreen ? 220 : 300);
  list_->setMinimumHeight(smallScreen ? 160 : 320);
  for (const std::string& l : model_.lines) list_->addItem(q(l));
  grouped_->setChecked(model_.grouped);
  rangeSizes_->setChecked(model_.rangeSizes);
  for (QPushButton* b : {plotSelected_, plotAll_}) {
    b->setEnabled(model_.plotting);
    if (!model_.plotting) b->setToolTip(q(model_.whyNot));
  }
  editName_->setEnabled(model_.naming);
  if (!model_.naming) editName_->setToolTip(q(model_.whyNot));

  // A display change closes the dialog; the command shows it again.
  connect(grouped_, &QCheckBox::clicked, this, [this](bool on) {
    model_.grouped = on;
    finish(CellListModel::Action::ToggleGrouped);
  });
  connect(rangeSizes_, &QCheckBox::clicked, this, [this](bool on) {
    if (model_.rangeSizesLocked) {
      rangeSizes_->setChecked(false);
      return;
    }
    model_.rangeSizes = on;
    finish(CellListModel::Action::ToggleRangeSizes);
  });
  connect(plotSelected_, &QPushButton::clicked, this, [this] {
    model_.selected.clear();
    for (int i = 0; i < list_->count(); ++i)
      if (list_->item(i)->isSelected()) model_.selected.push_back(i);
    finish(CellListModel::Action::PlotSelected);
  });
  connect(plotAll_, &QPushButton::clicked, this, [this] { finish(CellListModel::Action::PlotAll); });
  connect(editName_, &QPushButton::clicked, this, [this] {
    if (!model_.editCellName) return;
    model_.editCellName();
    cellLine_->setText(q(model_.cellLine));
  });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { finish(CellListModel::Action::Close); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(cellLine_);
  layout->addWidget(line(model_.coordinates, "coordinates"));
  const char* ids[] = {"info1", "info2", "info3"};
  for (std::size_t i = 0; i < model_.infoLines.size(); ++i) layout->addWidget(line(model_.infoLines[i], ids[i]));
  layout->addWidget(list_, 1);
  layout->addWidget(line(model_.counts, "counts"));
  auto* checks = new QHBoxLayout;
  checks->addWidget(grouped_);
  checks->addWidget(rangeSizes_);
  checks->addStretch(1);
  layout->addLayout(checks);
  auto* plots = new QHBoxLayout;
  plots->addWidget(plotSelected_);
  plots->addWidget(plotAll_);
  plots->addWidget(editName_);
  layout->addLayout(plots);
  layout->addWidget(buttons);
}

void CellListDialog::finish(CellListModel::Action action) {
  model_.action = action;
  accept();
}

CellNameDialog::CellNameDialog(CellNameModel& model, QWidget* parent)
    : QDialog(parent), model_(model), name_(new QLineEdit(q(model.name))), cancel_(nullptr) {
  setWindowTitle("Gridcell name");
  name_->setObjectName("name");
  name_->setMaxLength(kLocationNameLength);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
  // The Cancel button alone closes without the name; Escape keeps it.
  connect(cancel_, &QPushButton::clicked, this, [this] { QDialog::done(QDialog::Rejected); });
  connect(buttons, &QDialogButtonBox::accepted, this, &CellNameDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(line(model_.prompt, "prompt"));
  layout->addWidget(name_);
  layout->addWidget(buttons);
}

void CellNameDialog::accept() {
  model_.name = name_->text().toLocal8Bit().toStdString();
  QDialog::accept();
}

bool isCellDialog(const std::string& name) {
  const std::string n = toLower(name);
  return n == "biotadlgbox1" || n == "biotadlgbox2" || n == "biotadlgbox1vga" || n == "biotadlgbox2vga" ||
         n == "locnmdlgbox";
}

bool runCellDialog(const std::string& name, DialogModel& model, QWidget* parent) {
  const std::string n = toLower(name);
  if (n == "locnmdlgbox") {
    auto* m = dynamic_cast<CellNameModel*>(&model);
    if (!m) return false;
    CellNameDialog d(*m, parent);
    return d.exec() == QDialog::Accepted;
  }
  if (!isCellDialog(name)) return false;
  auto* m = dynamic_cast<CellListModel*>(&model);
  if (!m) return false;
  CellListDialog d(*m, n.ends_with("vga"), parent);
  return d.exec() == QDialog::Accepted;
}

}  // namespace zn
