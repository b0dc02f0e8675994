// "Save bitmap" and "Print map" as the user meets them: the shell runs the
// "Save map" and "Print map" dialogs and the file choice, the display writes
// the file or the page, and its notices are shown.
#pragma once

#include <QImage>
#include <functional>

#include "display/mapoutput.h"
#include "shell/host.h"

class QPrinter;

namespace zn {

// "Save bitmap": the dialog, the file name (asked again while empty), then
// the captured part of the client area. True when a file was written.
bool saveBitmap(Session& s, Host& host, DisplayState& d, const std::function<QImage()>& captureClient);

// "Print map": the dialog, then the page. True when a page was printed;
// `optionsRequested` tells the caller to open the map drawing options.
bool printMap(Session& s, Host& host, DisplayState& d, QPrinter& printer,
              const std::function<bool(QPrinter&)>& choosePrinter, PrintProgress& progress,
              bool* optionsRequested = nullptr, const DrawOptions& base = {});

}  // namespace zn
