#include "ui/selectiondialogs.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

#include "selection/areaset.h"
#include "store/text.h"

namespace zn {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QLabel* line(const std::string& text, const char* id) {
  auto* l = new QLabel(q(text));
  l->setObjectName(id);
  return l;
}

QPushButton* labelled(QWidget* w, const char* label, const char* id) {
  auto* b = new QPushButton(label, w);
  b->setObjectName(id);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

// --- Select grid cells ------------------------------------------------------------

ManualSelectionWindow::ManualSelectionWindow(ManualSelectionModel& model, bool smallScreen, QWidget* parent)
    : QDialog(parent), model_(&model), list_(new QListWidget) {
  setWindowTitle("Select grid cells");
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose, false);
  list_->setObjectName("areas");
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setMinimumWidth(smallScreen ? 200 : 260);
  list_->setMinimumHeight(smallScreen ? 160 : 280);
  QFont mono = list_->font();
  mono.setFamily("Monospace");
  mono.setStyleHint(QFont::TypeWriter);
  list_->setFont(mono);  // the "%4d:" positions line up

  auto* ok = labelled(this, "OK", "ok");
  auto* cancel = labelled(this, "Cancel", "cancel");
  auto* clear = labelled(this, "Clear list", "clearList");
  auto* remove = labelled(this, "Delete grid cell", "deleteCell");
  auto* load = labelled(this, "Load file", "loadFile");
  auto* save = labelled(this, "Save file", "saveFile");
  ok->setDefault(true);

  // Each action may close the model, which takes the window with it.
  connect(ok, &QPushButton::clicked, this, [this] {
    if (model_) model_->close(true);
  });
  connect(cancel, &QPushButton::clicked, this, [this] {
    if (model_) model_->close(false);
  });
  connect(clear, &QPushButton::clicked, this, [this] {
    if (model_) model_->clearList();
  });
  connect(remove, &QPushButton::clicked, this, [this] {
    if (!model_) return;
    std::vector<int> rows;
    for (int i = 0; i < list_->count(); ++i)
      if (list_->item(i)->isSelected()) rows.push_back(i);
    model_->deleteLines(rows);
  });
  connect(load, &QPushButton::clicked, this, [this] {
    if (model_) model_->loadFile();
  });
  connect(save, &QPushButton::clicked, this, [this] {
    if (model_) model_->saveFile();
  });

  auto* side = new QVBoxLayout;
  for (QPushButton* b : {ok, cancel}) side->addWidget(b);
  side->addSpacing(12);
  for (QPushButton* b : {clear, remove}) side->addWidget(b);
  side->addSpacing(12);
  for (QPushButton* b : {load, save}) side->addWidget(b);
  side->addStretch(1);
  auto* body = new QHBoxLayout;
  body->addWidget(list_, 1);
  body->addLayout(side);
  auto* hint = new QLabel("add cells with right mouse button double click");
  hint->setObjectName("hint");
  hint->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body, 1);
  layout->addWidget(hint);

  model.onListChanged = [this] { fill(); };
  model.onClosed = [this] {
    detach();
    hide();
    deleteLater();
  };
  fill();
}

ManualSelectionWindow::~ManualSelectionWindow() { detach(); }

QPushButton* ManualSelectionWindow::button(const QString& label) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == label) return b;
  return nullptr;
}

void ManualSelectionWindow::detach() {
  if (!model_) return;
  model_->onListChanged = nullptr;
  model_->onClosed = nullptr;
  model_ = nullptr;
}

void ManualSelectionWindow::fill() {
  if (!model_) return;
  list_->clear();
  for (const std::string& l : model_->lines()) list_->addItem(q(l));
  list_->scrollToBottom();
}

void ManualSelectionWindow::reject() {
  if (model_) model_->close(true);
}

void ManualSelectionWindow::closeEvent(QCloseEvent* e) {
  if (model_) model_->close(true);
  e->accept();
}

// --- Automated area selection -------------------------------------------------------

AreaNumberDialog::AreaNumberDialog(NumberOfAreasModel& model, QWidget* parent)
    : QDialog(parent), model_(model), number_(new QSpinBox), cancel_(nullptr) {
  setWindowTitle("Automated area selection");
  number_->setObjectName("number");
  // Typing more than the room is allowed; OK lowers it.
  number_->setRange(0, kAreaCapacity);
  number_->setValue(std::clamp(model.number, 0, kAreaCapacity));
  number_->setMinimumWidth(90);

  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("Number of areas to add:"));
  row->addWidget(number_);
  row->addWidget(line(model.maxLine, "maximum"));
  row->addStretch(1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
  connect(cancel_, &QPushButton::clicked, this, [this] { QDialog::done(QDialog::Rejected); });
  connect(buttons, &QDialogButtonBox::accepted, this, &AreaNumberDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(line(model.seedsLine, "seeds"));
  layout->addSpacing(6);
  layout->addLayout(row);
  layout->addSpacing(6);
  layout->addWidget(buttons);
  number_->selectAll();
  number_->setFocus();
}

void AreaNumberDialog::accept() {
  number_->interpretText();
  model_.number = number_->value();
  QDialog::accept();
}

BudgetDialog::BudgetDialog(BudgetModel& model, QWidget* parent)
    : QDialog(parent), model_(model), budget_(new QDoubleSpinBox) {
  setWindowTitle("Automated area selection");
  budget_->setObjectName("budget");
  budget_->setDecimals(model.decimals);
  budget_->setGroupSeparatorShown(false);
  if (model.editWithinBounds && model.bounds.total >= model.bounds.minimum)
    budget_->setRange(model.bounds.minimum, model.bounds.total);
  else budget_->setRange(0.0, 1.0e12);
  budget_->setValue(std::isfinite(model.budget) ? model.budget : 0.0);
  budget_->setMinimumWidth(120);

  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QString::fromStdString(model.editLabel)));
  row->addWidget(budget_);
  row->addStretch(1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &BudgetDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(line(model.minimumLine, "minimumCost"));
  layout->addWidget(line(model.totalLine, "totalCost"));
  layout->addSpacing(6);
  layout->addLayout(row);
  layout->addSpacing(6);
  layout->addWidget(buttons);
  budget_->selectAll();
  budget_->setFocus();
}

void BudgetDialog::accept() {
  budget_->interpretText();
  model_.budget = budget_->value();
  QDialog::accept();
}

// --- by name ------------------------------------------------------------------------

bool isManualSelectionDialog(const std::string& name) {
  const std::string n = toLower(name);
  return n == "selecdlgbox" || n == "selecdlgboxvga";
}

bool isSelectionDialog(const std::string& name) {
  const std::string n = toLower(name);
  return n == "selecnumdlgbox1" || n == "selecnumdlgbox2" || isManualSelectionDialog(name);
}

bool runSelectionDialog(const std::string& name, DialogModel& model, QWidget* parent) {
  const std::string n = toLower(name);
  if (n == "selecnumdlgbox1") {
    auto* m = dynamic_cast<NumberOfAreasModel*>(&model);
    if (!m) return false;
    AreaNumberDialog d(*m, parent);
    return d.exec() == QDialog::Accepted;
  }
  if (n == "selecnumdlgbox2") {
    auto* m = dynamic_cast<BudgetModel*>(&model);
    if (!m) return false;
    BudgetDialog d(*m, parent);
    return d.exec() == QDialog::Accepted;
  }
  if (isManualSelectionDialog(name)) return openManualSelection(name, model, parent) != nullptr;
  return false;
}

ManualSelectionWindow* openManualSelection(const std::string& name, DialogModel& model, QWidget* parent) {
  auto* m = dynamic_cast<ManualSelectionModel*>(&model);
  if (!m || !m->isOpen() || !isManualSelectionDialog(name)) return nullptr;
  auto* w = new ManualSelectionWindow(*m, toLower(name).ends_with("vga"), parent);
  w->show();
  return w;
}

}  // namespace zn
