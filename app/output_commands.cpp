#include "app/output_commands.h"

#include <filesystem>
#include <optional>

#include "shell/notices.h"

namespace zn {

bool saveBitmap(Session& s, Host& host, DisplayState& d, const std::function<QImage()>& captureClient) {
  SaveMapModel model = saveMapModel(s);
  if (!host.runDialog("SAVEDLGBOX", model)) return false;
  takeSaveMapChoice(s, model);
  const FileRequest request = saveMapRequest(s);
  std::optional<std::filesystem::path> file;
  do {
    file = host.chooseSaveFile(request);
    if (!file) return false;
  } while (file->empty());
  const bool written = saveBitmapTo(s, d, model.area, *file, captureClient);
  showNotices(s, host);
  return written;
}

bool printMap(Session& s, Host& host, DisplayState& d, QPrinter& printer,
              const std::function<bool(QPrinter&)>& choosePrinter, PrintProgress& progress, bool* optionsRequested,
              const DrawOptions& base) {
  PrintMapModel model = printMapModel(d);
  const bool accepted = host.runDialog("PRINTDLGBOX", model);
  if (optionsRequested) *optionsRequested = !accepted && model.optionsChosen;
  if (!takePrintMapChoice(s, d, model, accepted)) return false;
  const bool printed = printMapPage(s, d, printer, choosePrinter, progress, base);
  showNotices(s, host);
  return printed;
}

}  // namespace zn
