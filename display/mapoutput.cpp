#include "display/mapoutput.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSvgGenerator>
#include <cmath>

#include "store/files.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

std::string extensionOf(const fs::path& p) { return toLower(p.extension().string()); }

bool writePdf(const fs::path& path, const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter pdf(&buffer);
    pdf.setResolution(96);
    pdf.setPageLayout(
        QPageLayout(QPageSize(QSizeF(image.width() * 72.0 / 96, image.height() * 72.0 / 96), QPageSize::Point),
                    QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter p;
    if (!p.begin(&pdf)) return false;
    p.drawImage(QRect(0, 0, image.width(), image.height()), image);
    if (!p.end()) return false;
  }
  return saveFileAtomically(path, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace

bool writeSvgFile(const fs::path& path, const Session& s, const DisplayState& d, const MapTransform& t,
                  const DeviceRect& part, const DrawOptions& o) {
  if (part.empty()) return false;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(part.width(), part.height()));
    svg.setViewBox(QRect(0, 0, part.width(), part.height()));
    svg.setTitle(QString::fromStdString(s.map.title));
    // The part's corner becomes the drawing's origin.
    MapTransform shifted = t;
    shifted.vpX -= part.left;
    shifted.vpY -= part.top;
    shifted.clip = {std::max(0, t.clip.left - part.left), std::max(0, t.clip.top - part.top),
                    std::min(part.width(), t.clip.right - part.left),
                    std::min(part.height(), t.clip.bottom - part.top)};
    QPainter p;
    if (!p.begin(&svg)) return false;
    renderMapVector(p, shifted, s, d, o);
    if (!p.end()) return false;
  }
  return !bytes.isEmpty() &&
         saveFileAtomically(path, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

bool writeBmpFile(const fs::path& path, const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const std::string data =
      encodeBmp24(rgb.width(), rgb.height(), rgb.constBits(), static_cast<std::size_t>(rgb.bytesPerLine()));
  return !data.empty() && saveFileAtomically(path, data);
}

bool writeImageFile(const fs::path& path, const QImage& image) {
  const std::string ext = extensionOf(path);
  if (ext == ".bmp") return writeBmpFile(path, image);
  if (ext == ".pdf") return writePdf(path, image);
  if (ext == ".png") {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return false;
    return saveFileAtomically(path, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  }
  return false;
}

SaveMapModel saveMapModel(const Session& s) {
  SaveMapModel model;
  model.setArea(static_cast<int>(s.settings.bitmapOption));
  return model;
}

void takeSaveMapChoice(Settings& settings, const SaveMapModel& model) {
  settings.bitmapOption = static_cast<BitmapArea>(model.area);
}

FileRequest saveMapRequest(const Session& s) {
  FileRequest request;
  request.title = "Save map";
  request.filters = {{"bitmaps (*.bmp)", "*.bmp"}, {"PNG images (*.png)", "*.png"}, {"SVG drawings (*.svg)", "*.svg"}};
  request.initialDir = s.dataDir.empty() ? s.home : s.dataDir;
  request.mustExist = false;
  return request;
}

MapOutput saveBitmapTo(const Session& s, const DisplayState& d, int area, const fs::path& file,
                       const std::function<QImage()>& captureClient) {
  s.progress.requestRedraw();
  const QImage client = captureClient();
  const DeviceRect r = captureRect(area, d.view, d.view.last, s.ws.geo, client.width(), client.height());
  if (r.empty()) return {};
  const QImage part = client.copy(r.left, r.top, r.width(), r.height());
  // The file's extension picks the form; anything else is a bitmap.
  const std::string ext = extensionOf(file);
  DrawOptions screen;
  screen.statusBar = 0;
  const bool written = ext == ".svg"   ? writeSvgFile(file, s, d, d.view.last, r, screen)
                       : ext == ".png" ? writeImageFile(file, part)
                                       : writeBmpFile(file, part);
  // The original program closed its window here, losing unsaved edits.
  if (!written) return {false, Notice{"bitmap not saved", "BANG!!", Icon::Error}};
  return {true, {}};
}

PageMetrics pageMetrics(QPrinter& printer) {
  const int res = printer.resolution();
  const QPageLayout layout = printer.pageLayout();
  const QRect full = layout.fullRectPixels(res);
  const QMargins margins = layout.marginsPixels(res);
  PageMetrics m;
  m.width = full.width();
  m.height = full.height();
  m.offsetX = margins.left();
  m.offsetY = margins.top();
  const double ax = 1.0 / std::max(1, printer.logicalDpiX());
  const double ay = 1.0 / std::max(1, printer.logicalDpiY());
  m.aspectRatio = ax / std::hypot(ax, ay);
  return m;
}

PrintMapModel printMapModel(const DisplayState& d) {
  PrintMapModel model = d.print;
  model.optionsChosen = false;
  return model;
}

bool takePrintMapChoice(Settings& settings, DisplayState& d, PrintMapModel model, bool accepted) {
  if (!accepted) {
    settings.printOption = 0;
    return false;
  }
  model.setWidthPercent(model.widthPercent);
  model.setCoastThickness(model.coastThickness);
  model.setGridThickness(model.gridThickness);
  d.print = model;
  return true;
}

MapOutput printMapPage(const Session& s, const DisplayState& d, Settings& settings, QPrinter& printer,
                       const std::function<bool(QPrinter&)>& choosePrinter, PrintProgress& progress,
                       const DrawOptions& base) {
  const PrintMapModel& model = d.print;

  if (!choosePrinter(printer)) return {};
  printer.setFullPage(true);
  const std::string name = printer.printerName().isEmpty() ? std::string("PDF") : printer.printerName().toStdString();
  const std::string port = printer.outputFileName().isEmpty() ? name : printer.outputFileName().toStdString();
  progress.open(strprintf("Printing '%s'", s.map.title.c_str()), strprintf("to %s on %s", name.c_str(), port.c_str()));
  printer.setDocName(QString::fromStdString(s.map.title));

  QPainter painter;
  if (!painter.begin(&printer)) {
    progress.close();
    return {false, Notice{printErrorText(kErrStartDoc), "", Icon::Exclamation}};
  }
  DrawOptions o = base;
  o.printingPercent = model.widthPercent;
  o.coastLineWidth = model.coastThickness;
  o.gridLineWidth = model.gridThickness;
  // The page carries its width in the drawing options; the option itself
  // is left cleared once a page is begun.
  drawMapOnPage(painter, pageMetrics(printer), s, d, o);
  settings.printOption = 0;

  if (progress.cancelled()) {
    // Cancel abandons the page. A file printer cannot be stopped from
    // finishing its document, so the file it began is taken away again.
    printer.abort();
    painter.end();
    if (!printer.outputFileName().isEmpty()) {
      std::error_code ec;
      fs::remove(fs::path(printer.outputFileName().toStdString()), ec);
    }
    progress.close();
    return {};
  }
  const bool ended = painter.end();
  progress.close();
  if (!ended) return {false, Notice{printErrorText(kErrEndDoc), "", Icon::Exclamation}};
  return {true, {}};
}

}  // namespace zn
