// The map of a project leaving the screen: an image, a drawing or a page.
// The map is laid out at a size in screen pixels (96 to the inch), as the
// window shows it, and written at a resolution: a PNG has that many more
// pixels, an SVG drawing and a PDF page keep the size in inches and draw
// units, coast and key as shapes and text, so they print sharp at any size.
#pragma once

#include <filesystem>

#include "display/unitmap.h"

class QPrinter;

namespace zn {

struct UnitMapPage {
  int width = 1024, height = 768;  // the layout, in pixels of a 96-per-inch screen
  int dpi = 96;                    // the resolution written
  // A PNG as the window draws it on a screen of this device pixel ratio:
  // that many more pixels each way, text and edges drawn at that size.
  double pixelRatio = 1.0;
};

// The resolutions a page may take.
constexpr int kMinMapDpi = 72;
constexpr int kMaxMapDpi = 1200;
// And the device pixel ratios.
constexpr double kMaxMapPixelRatio = 4.0;

// Writes .png, .svg or .pdf by the name's extension, through a temporary
// file renamed into place (an old file stays when the write fails); false
// for another extension or a failed write.
bool writeUnitMapFile(const std::filesystem::path& path, const UnitMapShapes& shapes, const UnitMapLayer& layer,
                      const UnitMapPage& page, const UnitMapStyle& style = {});

// True for the extensions writeUnitMapFile takes.
bool unitMapFileType(const std::filesystem::path& path);

// The map on the printer's page, on white, laid out at the page's size in
// 96-per-inch pixels so that the key's text keeps a legible size. False
// when the printer cannot start or finish the page.
bool printUnitMap(QPrinter& printer, const UnitMapShapes& shapes, const UnitMapLayer& layer,
                  const UnitMapStyle& style = {});

}  // namespace zn
