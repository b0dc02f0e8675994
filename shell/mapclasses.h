// The classes of the map once its title is built. The window and the
// zonarium tool both class through here, so that they draw alike.
#pragma once

#include "display/displaystate.h"
#include "store/session.h"

namespace zn {

// None without scores or for code 0; left as they are for the maps drawn
// without classes (the max data level and the converted selected areas);
// otherwise the scores classed on the palette.
void classMap(Session& s, DisplayState& d);

}  // namespace zn
