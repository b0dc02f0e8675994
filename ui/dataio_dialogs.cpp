#include "ui/dataio_dialogs.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "store/text.h"

namespace zn {

namespace {

// Runs the dialog on a copy, so Cancel leaves the caller's model alone.
template <class Dialog, class Model>
bool runOn(DialogModel& model, QWidget* parent) {
  auto* m = dynamic_cast<Model*>(&model);
  if (!m) return false;
  Model work = *m;
  Dialog d(work, parent);
  if (d.exec() != QDialog::Accepted) return false;
  *m = work;
  return true;
}

}  // namespace

LayoutDialog::LayoutDialog(QWidget* parent, const QString& title, const QString& group) : QDialog(parent) {
  setWindowTitle(title);
  auto* box = new QGroupBox(group, this);
  column_ = new QVBoxLayout(box);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* top = new QVBoxLayout(this);
  top->addWidget(box);
  top->addWidget(buttons);
}

QRadioButton* LayoutDialog::addLayout(int layout, const QString& text, std::function<void()> choose) {
  auto* b = new QRadioButton(text, this);
  // Not auto-exclusive: a click goes to the model, then every button follows it.
  b->setAutoExclusive(false);
  b->setObjectName(QString("layout%1").arg(layout));
  connect(b, &QRadioButton::clicked, this, [this, choose = std::move(choose)] {
    choose();
    refresh();
  });
  buttons_[layout] = b;
  column_->addWidget(b);
  return b;
}

QRadioButton* LayoutDialog::button(int layout) const {
  auto it = buttons_.find(layout);
  return it == buttons_.end() ? nullptr : it->second;
}

void LayoutDialog::refresh() {
  for (auto [l, b] : buttons_) b->setChecked(l == current());
}

ImportDataDialog::ImportDataDialog(ImportDialogModel& model, QWidget* parent)
    : LayoutDialog(parent, "Import data", "Read ASCII format"), m_(model) {
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  for (int l : m_.layouts()) {
    const auto [label, example] = m_.label(l);
    addLayout(l, QString::fromStdString(label), [this, l] { m_.choose(l); });
    if (example.empty()) continue;
    auto* ex = new QLabel(QString::fromStdString(example), this);
    ex->setFont(fixed);
    ex->setIndent(24);
    column()->addWidget(ex);
  }
  refresh();
}

ExportDataDialog::ExportDataDialog(ExportDialogModel& model, QWidget* parent)
    : LayoutDialog(parent, "Export data", "Write ASCII format"), m_(model) {
  for (int l = kExportMatrix; l <= kExportCoords; ++l)
    addLayout(l, QString::fromStdString(ExportDialogModel::label(l)), [this, l] { m_.layout = l; });
  refresh();
}

bool isDataIoDialog(const std::string& name) {
  const std::string n = toLower(name);
  return n == "dimddlgbox1" || n == "dimddlgbox" || n == "dexddlgbox";
}

bool runDataIoDialog(const std::string& name, DialogModel& model, QWidget* parent) {
  if (!isDataIoDialog(name)) return false;
  if (toLower(name) == "dexddlgbox") return runOn<ExportDataDialog, ExportDialogModel>(model, parent);
  return runOn<ImportDataDialog, ImportDialogModel>(model, parent);
}

}  // namespace zn
