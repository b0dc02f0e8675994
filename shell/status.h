// The three texts and part widths of the main window's status bar, and the
// exit question: pure functions of the session.
#pragma once

#include <array>
#include <string>

#include "store/session.h"

namespace zn {

struct StatusInputs {
  bool overlaysShown = false;    // measure 11
  std::string overlayTreatment;  // the text after "TREATMENT: " while overlays are shown
};

std::array<std::string, 3> statusTexts(const Session& s, const StatusInputs& in = {});

// The overlay part of the inputs as the session stands: the treatment names
// presence overlays, or gives the overlay's correlation title.
StatusInputs statusInputs(const Session& s);

// Right edges of the three parts for a desktop width w.
std::array<int, 3> statusPartEdges(int desktopWidth, bool groupCodeSet);

// The datafile's name as the status bar shows it: a four-character
// extension is cut when the name has at least five characters.
std::string displayFileName(const std::string& fileName);

// The exit question's text: grid, grid-type name, file and title.
std::string exitQuestion(const Session& s);

}  // namespace zn
