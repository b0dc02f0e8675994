// zonarium render: the map the window would show, written as an image.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"

namespace zn {

int cmdRender(CliContext& ctx, const std::vector<std::string>& args);

// Qt set up to draw off screen in the tool: the offscreen platform unless
// the caller chose one, and a runtime folder of the process's own (removed
// at exit) when the environment names none, so Qt has no cause to warn.
// Called before the tool makes its application.
void prepareOffscreenQt();

}  // namespace zn
