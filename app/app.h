// The desktop program's start-up, shared by ZN41 and zn41gb.
#pragma once

#include "store/session.h"

namespace zn {

// Runs the desktop program; returns the exit code of the message loop.
int runDesktop(int argc, char** argv, GridVariant variant);

}  // namespace zn
