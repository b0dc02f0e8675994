#include "ui/scoresdialog.h"

#include <QGroupBox>
#include <QVBoxLayout>

#include "store/text.h"

namespace zn {

namespace {

QGroupBox* group(const char* title, QLayout* inner) {
  auto* g = new QGroupBox(title);
  g->setLayout(inner);
  return g;
}

}  // namespace

ExportScoresDialog::ExportScoresDialog(ExportScoresModel& model, QWidget* parent) : ModelDialog(model, parent) {
  setWindowTitle("Export scores");
  auto* kind = stack({{kExportScr, exportScoresLabel(kExportScr)},
                      {kExportCentroids, exportScoresLabel(kExportCentroids)},
                      {kExportMismatch, exportScoresLabel(kExportMismatch)}});
  auto* layout = stack({{kExportCellNumbers, exportScoresLabel(kExportCellNumbers), true},
                        {kExportOccupiedOnly, exportScoresLabel(kExportOccupiedOnly), true},
                        {kExportMarkerAsZero, exportScoresLabel(kExportMarkerAsZero), true},
                        {kExportBackground, exportScoresLabel(kExportBackground), true}});
  auto* columns = new QVBoxLayout;
  columns->addWidget(group("Export", kind));
  columns->addWidget(group(".scr layout", layout));
  arrange(columns, {});
}

bool isScoresDialog(const std::string& name) { return toLower(name) == "dexsdlgbox"; }

bool runScoresDialog(const std::string& name, DialogModel& model, QWidget* parent) {
  auto* m = dynamic_cast<ExportScoresModel*>(&model);
  if (!isScoresDialog(name) || !m) return false;
  ExportScoresDialog d(*m, parent);
  return d.exec() == QDialog::Accepted;
}

}  // namespace zn
