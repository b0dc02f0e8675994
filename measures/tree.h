// Tree measures over the classification implied by the taxa's codes:
// subtree length (branch length the cell adds to the represented taxa) and
// root distance (summed taxonomic weights; the menu command then takes the
// mean). Both need the tree data of the last recount and say so otherwise.
#pragma once

#include "measures/richness.h"

namespace zn {

MeasureResult runSubtreeLength(const MeasureInput& in, const MeasureParams& p);  // code 3
MeasureResult runRootDistance(const MeasureInput& in, const MeasureParams& p);   // code 4

}  // namespace zn
