// The datafile utilities: a new datafile, two datafiles joined into one, and
// the cards divided into two new datafiles by rarity or by group code.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace zn {

struct Session;

// "New datafile": the save dialog, then a datafile of three taxa in the
// chosen folder's grid type, saved and open. True when it was made (the
// caller then opens the editor). A cancel changes nothing.
bool newDatafile(Session& s);

// "Join datafiles": two datafiles of one grid type written into a third,
// their codes prefixed '1' and '2', which is then opened. True when the
// joined datafile was made and opened.
bool joinDatafiles(Session& s);

// "Divide data by rarity": the taxa with fewer records than the value at a
// quarter of the sorted record counts go to "Sm.dat", the others to
// "Lg.dat", both beside the open datafile and both with a datafile header.
bool divideByRarity(Session& s);

// "Divide data by group": the taxa of the included group code go to
// "<code>.dat", the others to "not<code>.dat", beside the open datafile.
bool divideByGroup(Session& s);

// The threshold of "Divide data by rarity": the record count at index n / 4
// of the counts sorted ascending (0 without taxa).
int rarityThreshold(std::vector<int> recordCounts);

// The file names "Divide data by group" writes for a group code.
std::pair<std::string, std::string> groupFileNames(const std::string& groupCode);

// A datafile image of the given cards of the store with its own header.
std::string datafileImageOf(const Session& s, const std::string& title, const std::vector<int>& taxa);

}  // namespace zn
