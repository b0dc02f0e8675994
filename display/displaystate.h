// The display's run-time state beside the session: the palette, the classes
// of the scores on the map, the view (zoom, pan, last mapping) and the last
// values of the "Print map" dialog.
#pragma once

#include "display/bitmap.h"
#include "display/classing.h"
#include "display/palette.h"
#include "display/view.h"

namespace zn {

struct DisplayState {
  Palette palette;
  ClassTable classes;
  ViewState view;
  PrintMapModel print;
};

}  // namespace zn
