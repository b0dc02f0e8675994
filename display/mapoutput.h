// The map leaving the screen: "Save bitmap", "Print map" and image files.
#pragma once

#include <QImage>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "display/renderer.h"

class QPrinter;

namespace zn {

// Writes a 24-bit device-independent bitmap through a temporary file.
bool writeBmpFile(const std::filesystem::path& path, const QImage& image);

// Writes an image as PNG, BMP or PDF (one page of the image's size at 96
// pixels per inch) by the file's extension; false for another extension or
// when writing fails.
bool writeImageFile(const std::filesystem::path& path, const QImage& image);

// Writes the part `part` (device pixels of the mapping t) of the map as an
// SVG drawing of shapes and text, through a temporary file.
bool writeSvgFile(const std::filesystem::path& path, const Session& s, const DisplayState& d, const MapTransform& t,
                  const DeviceRect& part, const DrawOptions& o = {});

// What sending the map to a file or a printer came to: done, or not, with
// the notice the user is to see when it failed (none for a cancel).
struct MapOutput {
  bool done = false;
  std::optional<Notice> failure;
};

// "Save bitmap" around the shell's "Save map" dialog and file choice: the
// dialog's model from the options, its accepted answer kept, the request.
SaveMapModel saveMapModel(const Session& s);
void takeSaveMapChoice(Settings& settings, const SaveMapModel& model);
FileRequest saveMapRequest(const Session& s);
// Then a repaint and the captured part `area` (a SaveMapModel area) of the
// client area. `captureClient` returns the client area as the window shows
// it (drawn through drawMap, which keeps the mapping in d.view); a name
// ending in .png is written as PNG, .svg as a drawing of shapes and text,
// anything else as BMP. A file that cannot be written fails with "bitmap not
// saved", "BANG!!" and the program carries on. Done when a file was written.
MapOutput saveBitmapTo(const Session& s, const DisplayState& d, int area, const std::filesystem::path& file,
                       const std::function<QImage()>& captureClient);

// The "PRINTING" box shown while a page is printed.
class PrintProgress {
 public:
  virtual ~PrintProgress() = default;
  virtual void open(const std::string& title, const std::string& destination) = 0;
  // Lets the box handle its events; true once the user pressed Cancel.
  virtual bool cancelled() = 0;
  virtual void close() = 0;
};

// The page of a printer as the renderer sees it.
PageMetrics pageMetrics(QPrinter& printer);

// "Print map" around the shell's "Print map" dialog: its model (the last
// values in d.print), then its answer: a cancel clears the printing width
// option, an accepted model is kept in d.print (true).
PrintMapModel printMapModel(const DisplayState& d);
bool takePrintMapChoice(Settings& settings, DisplayState& d, PrintMapModel model, bool accepted);
// Then the platform print dialog through `choosePrinter`, the progress box,
// and the page with the values of d.print; a page begun clears the printing
// width option. Done when a page was printed; no notice for Cancel, one when
// the printer fails.
MapOutput printMapPage(const Session& s, const DisplayState& d, Settings& settings, QPrinter& printer,
                       const std::function<bool(QPrinter&)>& choosePrinter, PrintProgress& progress,
                       const DrawOptions& base = {});

}  // namespace zn
