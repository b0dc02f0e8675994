#include "ui/gbifdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "store/text.h"

namespace zn {

GbifFilterFields::GbifFilterFields(const GbifDialogModel& m, QFormLayout* form, QWidget* parent) {
  uncertainty = new QLineEdit(QString::fromStdString(m.maxUncertainty), parent);
  uncertainty->setPlaceholderText("any");
  basis = new QLineEdit(QString::fromStdString(m.basis), parent);
  basis->setPlaceholderText("e.g. HUMAN_OBSERVATION,PRESERVED_SPECIMEN");
  QString leftOut;
  for (const char* b : kBasisLeftOut) leftOut += (leftOut.isEmpty() ? "" : ", ") + QString(b);
  basisNote = new QLabel(
      "When empty, all records but " + leftOut + " (fossils, zoo and garden organisms); name them to keep them.",
      parent);
  basisNote->setWordWrap(true);
  years = new QLineEdit(QString::fromStdString(m.years), parent);
  years->setPlaceholderText("any, or e.g. 1990-2020");
  rank = new QComboBox(parent);
  rank->addItems({"species", "genus", "family"});
  rank->setCurrentText(QString::fromStdString(m.rank));
  quantitative = new QCheckBox("record counts as quantities (1-100)", parent);
  quantitative->setChecked(m.quantitative);
  form->addRow("Largest coordinate uncertainty (m):", uncertainty);
  form->addRow("Basis of record:", basis);
  form->addRow(basisNote);
  form->addRow("Years:", years);
  form->addRow("Taxa at rank:", rank);
  form->addRow(quantitative);
}

GbifDialogModel GbifFilterFields::read() const {
  GbifDialogModel m;
  m.maxUncertainty = uncertainty->text().trimmed().toStdString();
  m.basis = basis->text().trimmed().toStdString();
  m.years = years->text().trimmed().toStdString();
  m.rank = rank->currentText().toStdString();
  m.quantitative = quantitative->isChecked();
  return m;
}

GbifImportDialog::GbifImportDialog(GbifDialogModel& model, QWidget* parent)
    : QDialog(parent), m_(model), form_(new QFormLayout), fields_(model, form_, this) {
  setWindowTitle("Import GBIF occurrences");
  problem_ = new QLabel(this);
  problem_->setStyleSheet("color: #a00000");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { tryAccept(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* top = new QVBoxLayout(this);
  top->addLayout(form_);
  top->addWidget(problem_);
  top->addWidget(buttons);
}

void GbifImportDialog::tryAccept() {
  const GbifDialogModel work = fields_.read();
  GbifImportOptions probe;
  if (std::string e = applyGbifFilters(work, probe); !e.empty()) {
    problem_->setText(QString::fromStdString(e));
    return;
  }
  static_cast<GbifDialogModel&>(m_) = work;
  accept();
}

bool isGbifDialog(const std::string& name) { return toLower(name) == "gbifdlgbox"; }

bool runGbifDialog(DialogModel& model, QWidget* parent) {
  auto* m = dynamic_cast<GbifDialogModel*>(&model);
  if (!m) return false;
  GbifImportDialog d(*m, parent);
  return d.exec() == QDialog::Accepted;
}

}  // namespace zn
