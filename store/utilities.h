// The datafile utilities: a new datafile, two datafiles joined into one, and
// the cards divided into two new datafiles by rarity or by group code.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "store/notice.h"
#include "store/requests.h"

namespace zn {

struct Session;

// The save request of "New datafile".
FileRequest newDatafileRequest(const Session& s);

// "New datafile" at the chosen path: a datafile of three taxa in the
// folder's grid type, saved and open. True when it was made.
bool makeNewDatafile(Session& s, const std::filesystem::path& path);

// The requests of "Join datafiles": each source, then the target beside the
// first source.
FileRequest joinSourceRequest(const Session& s, const std::string& title);
FileRequest joinTargetRequest(const std::filesystem::path& first);

// "Join datafiles": two datafiles of one grid type written into a third,
// their codes prefixed '1' and '2', which is then opened. True when the
// joined datafile was made and opened; otherwise a notice says why.
bool joinDatafileFiles(Session& s, const std::filesystem::path& first, const std::filesystem::path& second,
                       const std::filesystem::path& target);

// The two divisions only read the session; what they wrote, or failed to
// write, is told in `notices`.
// "Divide data by rarity": the taxa with fewer records than the value at a
// quarter of the sorted record counts go to "Sm.dat", the others to
// "Lg.dat", both beside the open datafile and both with a datafile header.
bool divideByRarity(const Session& s, Notices& notices);

// "Divide data by group": the taxa of the included group code go to
// "<code>.dat", the others to "not<code>.dat", beside the open datafile.
bool divideByGroup(const Session& s, Notices& notices);

// The threshold of "Divide data by rarity": the record count at index n / 4
// of the counts sorted ascending (0 without taxa).
int rarityThreshold(std::vector<int> recordCounts);

// The file names "Divide data by group" writes for a group code.
std::pair<std::string, std::string> groupFileNames(const std::string& groupCode);

// A datafile image of the given cards of the store with its own header.
std::string datafileImageOf(const Session& s, const std::string& title, const std::vector<int>& taxa);

}  // namespace zn
