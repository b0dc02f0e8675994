// zonarium render: the map the window would show, written as an image.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"
#include "display/displaystate.h"

namespace zn {

// Classes the scores as the window does after the title, unless the measure
// leaves them unclassed (max data level, converted areas) or there are none.
void classMap(Session& s, DisplayState& d);

int cmdRender(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace zn
