#include "app/output_commands.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPrinter>
#include <QSpinBox>

#include <filesystem>
#include <optional>

#include "shell/notices.h"
#include "shell/projectscreen.h"

namespace zn {

bool saveBitmap(Session& s, Host& host, DisplayState& d, const std::function<QImage()>& captureClient) {
  SaveMapModel model = saveMapModel(s);
  if (!host.runDialog("SAVEDLGBOX", model)) return false;
  takeSaveMapChoice(s.settings, model);
  const FileRequest request = saveMapRequest(s);
  std::optional<std::filesystem::path> file;
  do {
    file = host.chooseSaveFile(request);
    if (!file) return false;
  } while (file->empty());
  const MapOutput out = saveBitmapTo(s, d, model.area, *file, captureClient);
  if (out.failure) showNotice(host, *out.failure);
  return out.done;
}

bool printMap(Session& s, Host& host, DisplayState& d, QPrinter& printer,
              const std::function<bool(QPrinter&)>& choosePrinter, PrintProgress& progress, bool* optionsRequested,
              const DrawOptions& base) {
  PrintMapModel model = printMapModel(d);
  const bool accepted = host.runDialog("PRINTDLGBOX", model);
  if (optionsRequested) *optionsRequested = !accepted && model.optionsChosen;
  if (!takePrintMapChoice(s.settings, d, model, accepted)) return false;
  const MapOutput out = printMapPage(s, d, s.settings, printer, choosePrinter, progress, base);
  if (out.failure) showNotice(host, *out.failure);
  return out.done;
}

MapSizeDialog::MapSizeDialog(UnitMapPage& page, QWidget* parent)
    : QDialog(parent), page_(page), width_(new QSpinBox), height_(new QSpinBox), dpi_(new QSpinBox) {
  setWindowTitle("Save map");
  width_->setObjectName("mapWidth");
  height_->setObjectName("mapHeight");
  dpi_->setObjectName("mapDpi");
  for (QSpinBox* b : {width_, height_}) {
    b->setRange(16, 8192);
    b->setSuffix(" px");
  }
  dpi_->setRange(kMinMapDpi, kMaxMapDpi);
  dpi_->setSuffix(" dpi");
  width_->setValue(page.width);
  height_->setValue(page.height);
  dpi_->setValue(page.dpi);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &MapSizeDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* form = new QFormLayout(this);
  form->addRow("Width:", width_);
  form->addRow("Height:", height_);
  form->addRow("Resolution:", dpi_);
  form->addRow(buttons);
}

void MapSizeDialog::accept() {
  page_ = {width_->value(), height_->value(), dpi_->value()};
  QDialog::accept();
}

bool saveProjectMap(Host& host, const ProjectScreen& p, const CrsBox& view, QSize shown, QWidget* parent) {
  UnitMapPage page{shown.width(), shown.height(), 96};
  if (MapSizeDialog(page, parent).exec() != QDialog::Accepted) return false;
  FileRequest request;
  request.title = "Save map";
  request.filters = {
      {"PNG images (*.png)", "*.png"}, {"SVG drawings (*.svg)", "*.svg"}, {"PDF documents (*.pdf)", "*.pdf"}};
  request.initialDir = p.file.parent_path();
  request.initialName = p.file.stem().string() + ".png";
  const auto file = host.chooseSaveFile(request);
  if (!file || file->empty()) return false;
  UnitMapStyle style;
  style.view = view;
  if (!unitMapFileType(*file) || !writeUnitMapFile(*file, p.shapes, p.layer, page, style)) {
    host.messageBox("Can't write " + file->string() + "\nSave a .png, .svg or .pdf file where it can be written.",
                    "Save map", Icon::Exclamation, Buttons::Ok);
    return false;
  }
  return true;
}

bool printProjectMap(Host& host, const ProjectScreen& p, const CrsBox& view, QPrinter& printer,
                     const std::function<bool(QPrinter&)>& choosePrinter) {
  if (!choosePrinter(printer)) return false;
  printer.setDocName(QString::fromStdString(p.layer.title));
  UnitMapStyle style;
  style.view = view;
  if (printUnitMap(printer, p.shapes, p.layer, style)) return true;
  host.messageBox("The map could not be printed.", "Print map", Icon::Exclamation, Buttons::Ok);
  return false;
}

}  // namespace zn
