// The area-selection commands of the dispatcher that this file provides:
// Greedy set (2810), Hotspots (2800), EMR irreplaceability (40008) and
// Max rarity (40010), Map fully flexible areas (2830).
#pragma once

namespace zn {

class Shell;

// Connects the commands above; called once from the Shell's constructor.
void connectAnalysisCommands(Shell& shell);

// A left click on a map cell while the map shows a near-minimum or
// coverage set (or an earlier click's result) with a goal of 1: the
// goal-essential taxa of the cell are mapped. False when the click does
// not apply.
bool clickGoalEssential(Shell& shell, int cell);

}  // namespace zn
