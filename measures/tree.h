// Tree measures over the classification implied by the taxa's codes:
// subtree length (branch length the cell adds to the represented taxa) and
// root distance (summed taxonomic weights; the menu command then takes the
// mean). Both need the tree data of the last recount and say so otherwise.
#pragma once

#include "store/session.h"

namespace zn {

void computeSubtreeLength(Session& s);  // code 3
void computeRootDistance(Session& s);   // code 4

}  // namespace zn
