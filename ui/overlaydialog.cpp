#include "ui/overlaydialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "store/text.h"

namespace zn {

OverlayDialog::OverlayDialog(OverlayDialogModel& model, QWidget* parent)
    : QDialog(parent),
      model_(model),
      or_(new QRadioButton(QString::fromStdString(model.orLabel()))),
      and_(new QRadioButton(QString::fromStdString(model.andLabel()))) {
  setWindowTitle("Overlay scores");
  or_->setObjectName("anyScore");
  and_->setObjectName("bothScores");
  (model.method == 1 ? and_ : or_)->setChecked(true);
  auto* box = new QGroupBox("Cells of the overlay");
  auto* radios = new QVBoxLayout(box);
  radios->addWidget(or_);
  radios->addWidget(and_);
  auto* colours = new QGroupBox("Colours");
  auto* schemeRadios = new QVBoxLayout(colours);
  for (int k = 0; k < 4; ++k) {
    auto* r = new QRadioButton(QString::fromLatin1(OverlayDialogModel::schemeLabel(k)));
    r->setObjectName(QStringLiteral("scheme%1").arg(k));
    r->setChecked(k == model.scheme);
    schemeRadios->addWidget(r);
    schemes_[static_cast<std::size_t>(k)] = r;
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    model_.method = and_->isChecked() ? 1 : 0;
    for (int k = 0; k < 4; ++k)
      if (schemes_[static_cast<std::size_t>(k)]->isChecked()) model_.scheme = k;
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(box);
  layout->addWidget(colours);
  layout->addWidget(buttons);
}

bool isOverlayDialog(const std::string& name) { return toLower(name) == "overlaydlgbox"; }

bool runOverlayDialog(const std::string& name, DialogModel& model, QWidget* parent) {
  auto* m = dynamic_cast<OverlayDialogModel*>(&model);
  if (!isOverlayDialog(name) || !m) return false;
  OverlayDialog d(*m, parent);
  return d.exec() == QDialog::Accepted;
}

}  // namespace zn
