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

// The map's scores classed on the palette; when nothing is scored while the
// area set is not empty, the selected-areas display becomes "+ seed +
// selected areas", so that the set shows on the empty map.
ClassTable classMapScores(Session& s, const Palette& p);

}  // namespace zn
