#include "ui/displaydialogs.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zn {

SaveMapDialog::SaveMapDialog(SaveMapModel& model, QWidget* parent)
    : QDialog(parent), model_(model), areas_(new QButtonGroup(this)) {
  setWindowTitle("Save map");
  auto* box = new QGroupBox("Image size");
  auto* boxLayout = new QVBoxLayout(box);
  const std::pair<int, const char*> choices[] = {{SaveMapModel::kExcludeStatusBar, "exclude status bar"},
                                                 {SaveMapModel::kIncludeStatusBar, "include status bar"},
                                                 {SaveMapModel::kMapFrame, "restrict to map frame"}};
  for (auto [id, label] : choices) {
    auto* r = new QRadioButton(label);
    areas_->addButton(r, id);
    boxLayout->addWidget(r);
  }
  if (auto* b = areas_->button(model.area)) b->setChecked(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    model_.setArea(areas_->checkedId());
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(box);
  layout->addWidget(buttons);
}

namespace {

// A spin box wide enough to take any entry; the model does the clamping.
QSpinBox* entry(int value) {
  auto* s = new QSpinBox;
  s->setRange(-9999, 9999);
  s->setValue(value);
  return s;
}

}  // namespace

PrintMapDialog::PrintMapDialog(PrintMapModel& model, QWidget* parent)
    : QDialog(parent),
      model_(model),
      width_(entry(model.widthPercent)),
      coast_(entry(model.coastThickness)),
      grid_(entry(model.gridThickness)) {
  setWindowTitle("Print map");
  auto* form = new QFormLayout;
  form->addRow("fit to printable page width (100%) or reduce to % width", width_);
  form->addRow("coast line thickness for printer", coast_);
  form->addRow("grid line thickness for printer", grid_);
  for (QSpinBox* s : {width_, coast_, grid_})
    connect(s, &QSpinBox::editingFinished, this, &PrintMapDialog::commitEdits);

  auto* note = new QLabel("To reset the palette or the map drawing options for the printer:");
  auto* options = new QPushButton("Options");
  auto* buttons = new QDialogButtonBox;
  auto* print = buttons->addButton("Print", QDialogButtonBox::AcceptRole);
  buttons->addButton(QDialogButtonBox::Cancel);
  print->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    commitEdits();
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(options, &QPushButton::clicked, this, [this] {
    model_.optionsChosen = true;
    reject();
  });
  auto* noteRow = new QHBoxLayout;
  noteRow->addWidget(note);
  noteRow->addWidget(options);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(noteRow);
  layout->addWidget(buttons);
}

void PrintMapDialog::commitEdits() {
  model_.setWidthPercent(width_->value());
  model_.setCoastThickness(coast_->value());
  model_.setGridThickness(grid_->value());
  width_->setValue(model_.widthPercent);
  coast_->setValue(model_.coastThickness);
  grid_->setValue(model_.gridThickness);
}

PrintingBox::PrintingBox(QWidget* parent) : dialog_(new QDialog(parent)), title_(new QLabel), destination_(new QLabel) {
  dialog_->setWindowTitle("Printing");
  dialog_->setModal(false);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog_, [this] {
    cancelled_ = true;
    dialog_->hide();
  });
  auto* layout = new QVBoxLayout(dialog_);
  layout->addWidget(title_);
  layout->addWidget(destination_);
  layout->addWidget(buttons);
}

PrintingBox::~PrintingBox() { delete dialog_.data(); }

void PrintingBox::open(const std::string& title, const std::string& destination) {
  cancelled_ = false;
  title_->setText(QString::fromStdString(title));
  destination_->setText(QString::fromStdString(destination));
  if (dialog_) dialog_->show();
  QApplication::processEvents();
}

bool PrintingBox::cancelled() {
  QApplication::processEvents();
  return cancelled_;
}

void PrintingBox::close() {
  if (dialog_) dialog_->hide();
}

QString PrintingBox::titleText() const { return title_->text(); }
QString PrintingBox::destinationText() const { return destination_->text(); }

bool isDisplayDialog(const std::string& name) { return name == "SAVEDLGBOX" || name == "PRINTDLGBOX"; }

bool runDisplayDialog(const std::string& name, DialogModel& model, QWidget* parent) {
  if (name == "SAVEDLGBOX") {
    if (auto* m = dynamic_cast<SaveMapModel*>(&model)) return SaveMapDialog(*m, parent).exec() == QDialog::Accepted;
  } else if (name == "PRINTDLGBOX") {
    if (auto* m = dynamic_cast<PrintMapModel*>(&model)) return PrintMapDialog(*m, parent).exec() == QDialog::Accepted;
  }
  return false;
}

bool choosePrinter(QPrinter& printer, QWidget* parent) {
  QPrintDialog dialog(&printer, parent);
  dialog.setWindowTitle("Print map");
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace zn
