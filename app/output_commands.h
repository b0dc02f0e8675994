// "Save bitmap" and "Print map" as the user meets them: the shell runs the
// "Save map" and "Print map" dialogs and the file choice, the display writes
// the file or the page, and its notices are shown.
#pragma once

#include <QDialog>
#include <QImage>
#include <functional>

#include "display/mapoutput.h"
#include "display/unitmapfile.h"
#include "shell/host.h"

class QPrinter;
class QSpinBox;

namespace zn {

struct ProjectScreen;

// The size and resolution a project's map is saved at.
class MapSizeDialog : public QDialog {
  Q_OBJECT
 public:
  MapSizeDialog(UnitMapPage& page, QWidget* parent = nullptr);
  QSpinBox* widthBox() const { return width_; }
  QSpinBox* heightBox() const { return height_; }
  QSpinBox* dpiBox() const { return dpi_; }
  void accept() override;

 private:
  UnitMapPage& page_;
  QSpinBox* width_;
  QSpinBox* height_;
  QSpinBox* dpi_;
};

// "Save bitmap" with a project on screen: the size (the view's to start
// with) and resolution, the file (PNG, SVG or PDF), then the map of the
// part on view. True when a file was written.
bool saveProjectMap(Host& host, const ProjectScreen& p, const CrsBox& view, QSize shown, QWidget* parent);

// "Print map" with a project on screen: the platform's print dialog, then
// the map of the part on view on the page. True when a page was printed.
bool printProjectMap(Host& host, const ProjectScreen& p, const CrsBox& view, QPrinter& printer,
                     const std::function<bool(QPrinter&)>& choosePrinter);

// "Save bitmap": the dialog, the file name (asked again while empty), then
// the captured part of the client area. True when a file was written.
bool saveBitmap(Session& s, Host& host, DisplayState& d, const std::function<QImage()>& captureClient);

// "Print map": the dialog, then the page. True when a page was printed;
// `optionsRequested` tells the caller to open the map drawing options.
bool printMap(Session& s, Host& host, DisplayState& d, QPrinter& printer,
              const std::function<bool(QPrinter&)>& choosePrinter, PrintProgress& progress,
              bool* optionsRequested = nullptr, const DrawOptions& base = {});

}  // namespace zn
