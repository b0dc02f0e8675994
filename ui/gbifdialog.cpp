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

GbifImportDialog::GbifImportDialog(GbifDialogModel& model, QWidget* parent) : QDialog(parent), m_(model) {
  setWindowTitle("Import GBIF occurrences");
  uncertainty_ = new QLineEdit(QString::fromStdString(m_.maxUncertainty), this);
  uncertainty_->setPlaceholderText("any");
  basis_ = new QLineEdit(QString::fromStdString(m_.basis), this);
  basis_->setPlaceholderText("e.g. HUMAN_OBSERVATION,PRESERVED_SPECIMEN");
  QString leftOut;
  for (const char* b : kBasisLeftOut) leftOut += (leftOut.isEmpty() ? "" : ", ") + QString(b);
  basisNote_ = new QLabel(
      "When empty, all records but " + leftOut + " (fossils, zoo and garden organisms); name them to keep them.", this);
  basisNote_->setWordWrap(true);
  years_ = new QLineEdit(QString::fromStdString(m_.years), this);
  years_->setPlaceholderText("any, or e.g. 1990-2020");
  rank_ = new QComboBox(this);
  rank_->addItems({"species", "genus", "family"});
  rank_->setCurrentText(QString::fromStdString(m_.rank));
  quantitative_ = new QCheckBox("record counts as quantities (1-100)", this);
  quantitative_->setChecked(m_.quantitative);
  problem_ = new QLabel(this);
  problem_->setStyleSheet("color: #a00000");
  auto* form = new QFormLayout;
  form->addRow("Largest coordinate uncertainty (m):", uncertainty_);
  form->addRow("Basis of record:", basis_);
  form->addRow(basisNote_);
  form->addRow("Years:", years_);
  form->addRow("Taxa at rank:", rank_);
  form->addRow(quantitative_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { tryAccept(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* top = new QVBoxLayout(this);
  top->addLayout(form);
  top->addWidget(problem_);
  top->addWidget(buttons);
}

void GbifImportDialog::tryAccept() {
  GbifDialogModel work;
  work.maxUncertainty = uncertainty_->text().trimmed().toStdString();
  work.basis = basis_->text().trimmed().toStdString();
  work.years = years_->text().trimmed().toStdString();
  work.rank = rank_->currentText().toStdString();
  work.quantitative = quantitative_->isChecked();
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
