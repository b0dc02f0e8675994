#include "display/unitmapfile.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <memory>

#include "store/files.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

constexpr double kScreenDpi = 96.0;

std::string extensionOf(const fs::path& p) { return toLower(p.extension().string()); }

int scaled(int pixels, int dpi) { return std::max(1, static_cast<int>(std::lround(pixels * dpi / kScreenDpi))); }

// Draws the map at the layout's size onto a device of `dpi`; a drawing
// takes a square grid's cells as shapes of their own, not as the one
// image the screen draws them from.
bool paintMap(QPaintDevice& device, const UnitMapShapes& shapes, const UnitMapLayer& layer, const UnitMapPage& page,
              const UnitMapStyle& style, bool shapesOnly) {
  UnitMapPicture picture(shapes, layer);
  if (shapesOnly && !picture.blocks.isNull()) {
    picture.blocks = QImage();
    picture.index = std::make_shared<const UnitIndex>(shapes);
  }
  QPainter p;
  if (!p.begin(&device)) return false;
  p.scale(page.dpi / kScreenDpi, page.dpi / kScreenDpi);
  drawUnitMap(p, QRectF(0, 0, page.width, page.height), picture, style);
  return p.end();
}

bool save(const fs::path& path, const QByteArray& bytes) {
  return !bytes.isEmpty() &&
         saveFileAtomically(path, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace

bool unitMapFileType(const fs::path& path) {
  const std::string e = extensionOf(path);
  return e == ".png" || e == ".svg" || e == ".pdf";
}

bool writeUnitMapFile(const fs::path& path, const UnitMapShapes& shapes, const UnitMapLayer& layer,
                      const UnitMapPage& given, const UnitMapStyle& style) {
  UnitMapPage page = given;
  page.dpi = std::clamp(page.dpi, kMinMapDpi, kMaxMapDpi);
  if (page.width < 1 || page.height < 1) return false;
  const std::string ext = extensionOf(path);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (ext == ".png") {
    const double ratio = std::clamp(page.pixelRatio, 1.0, kMaxMapPixelRatio);
    QImage image;
    if (ratio != 1.0) {
      // The window's drawing on a screen of that ratio: the painter works
      // in layout pixels, the device holds the ratio's.
      image = renderUnitMap(shapes, layer, page.width, page.height, style, ratio);
      image.setDevicePixelRatio(1.0);
      image.setDotsPerMeterX(static_cast<int>(std::lround(kScreenDpi * ratio / 0.0254)));
    } else {
      image = QImage(scaled(page.width, page.dpi), scaled(page.height, page.dpi), QImage::Format_RGB32);
      image.fill(Qt::white);
      image.setDotsPerMeterX(static_cast<int>(std::lround(page.dpi / 0.0254)));
      if (!paintMap(image, shapes, layer, page, style, false)) return false;
    }
    image.setDotsPerMeterY(image.dotsPerMeterX());
    if (!image.save(&buffer, "PNG")) return false;
    return save(path, bytes);
  }
  if (ext == ".svg") {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setResolution(page.dpi);
    svg.setSize(QSize(scaled(page.width, page.dpi), scaled(page.height, page.dpi)));
    svg.setViewBox(QRectF(0, 0, page.width, page.height));
    svg.setTitle(QString::fromStdString(layer.title));
    // The view box is in layout pixels already.
    const UnitMapPage flat{page.width, page.height, static_cast<int>(kScreenDpi)};
    if (!paintMap(svg, shapes, layer, flat, style, true)) return false;
    return save(path, bytes);
  }
  if (ext == ".pdf") {
    {
      QPdfWriter pdf(&buffer);
      pdf.setResolution(page.dpi);
      pdf.setTitle(QString::fromStdString(layer.title));
      pdf.setPageLayout(QPageLayout(
          QPageSize(QSizeF(page.width * 72.0 / kScreenDpi, page.height * 72.0 / kScreenDpi), QPageSize::Point),
          QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
      if (!paintMap(pdf, shapes, layer, page, style, true)) return false;
    }
    return save(path, bytes);
  }
  return false;
}

bool printUnitMap(QPrinter& printer, const UnitMapShapes& shapes, const UnitMapLayer& layer,
                  const UnitMapStyle& style) {
  const int dpi = std::max(1, printer.resolution());
  const QRect paper = printer.pageLayout().paintRectPixels(dpi);
  // The painter starts at the printable area's corner.
  const UnitMapPage page{static_cast<int>(paper.width() * kScreenDpi / dpi),
                         static_cast<int>(paper.height() * kScreenDpi / dpi), dpi};
  return paintMap(printer, shapes, layer, page, style, true);
}

}  // namespace zn
