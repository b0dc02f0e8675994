// Tree measures over the classification implied by the taxa's codes:
// subtree length (branch length the cell adds to the represented taxa) and
// root distance (summed taxonomic weights; the menu command then takes the
// mean). Both need the tree data of the last recount and say so otherwise.
#pragma once

#include "measures/richness.h"

namespace zn {

// Gives data without code fields (a project's) the code tree the tree
// measures read: made from the taxa's higher ranks, families and genera
// where any taxon has them, else from their code texts; with the
// taxonomic weights, their sum and the tree's length as a recount gives
// them. Tree data need 3 counted taxa and a tree that fits the code
// field. Data with code fields keep theirs. Returns whether there is tree
// data.
bool takeTaxonTree(AnalysisData& a);

MeasureResult runSubtreeLength(const MeasureInput& in, const MeasureParams& p);  // code 3
MeasureResult runRootDistance(const MeasureInput& in, const MeasureParams& p);   // code 4

}  // namespace zn
