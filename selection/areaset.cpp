#include "selection/areaset.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <unordered_set>

#include "measures/presence.h"
#include "measures/scores.h"
#include "store/files.h"
#include "store/text.h"

namespace zn {

namespace {

constexpr const char* kSeedHeader = "[seed selected grid cell biotas]";
constexpr std::size_t kSeedFileMax = std::size_t(64) << 20;

bool isSeparator(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// The token's leading decimal integer, as a scanf-style conversion reads it;
// nothing when it does not begin with a number or does not fit.
std::optional<long> leadingInteger(const std::string& token) {
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(token.c_str(), &end, 10);
  if (end == token.c_str() || errno == ERANGE) return std::nullopt;
  return v;
}

}  // namespace

bool addArea(AreaSet& a, int cell) {
  if (a.count() >= kAreaCapacity) return false;
  if (std::find(a.cells.begin(), a.cells.end(), cell) != a.cells.end()) return false;
  a.cells.push_back(cell);
  return true;
}

void deleteAreas(AreaSet& a, const std::vector<int>& positions) {
  std::vector<char> drop(a.cells.size(), 0);
  for (int p : positions)
    if (p >= 1 && p <= a.count()) drop[static_cast<std::size_t>(p - 1)] = 1;
  std::vector<int> kept;
  int seeds = 0;
  for (std::size_t i = 0; i < a.cells.size(); ++i) {
    if (drop[i]) continue;
    kept.push_back(a.cells[i]);
    if (static_cast<int>(i) < a.seedCount) ++seeds;
  }
  a.cells = std::move(kept);
  a.seedCount = seeds;
}

void clearAreaSet(AreaSet& a) {
  clearAllAreas(a);
  a.nearMinimumDone = false;
}

void clearNewAreas(AreaSet& a) {
  a.seedCount = std::clamp(a.seedCount, 0, a.count());
  a.cells.resize(static_cast<std::size_t>(a.seedCount));
}

void clearAllAreas(AreaSet& a) {
  a.cells.clear();
  a.seedCount = 0;
}

bool isRepresented(const Workspace& ws, int excludedLevel, const AreaSet& a, int taxon) {
  if (taxon < 0 || taxon >= std::min(ws.taxaCount, ws.cards.slots())) return false;
  const int cells = std::min(ws.geo.cells, ws.cards.layout->maxCells);
  for (int n : a.cells)
    if (n >= 1 && n <= cells && ws.cards.level(taxon, n) > excludedLevel) return true;
  return false;
}

int countCandidateCells(const Workspace& ws, int excludedLevel, AreaSet& a) {
  int k = 0;
  if (ws.datafile.opened) {
    const PresenceIndex ix = buildPresenceIndex(ws, excludedLevel);
    const std::vector<char> counted = countedTaxa(ws, ix, a);
    for (int n = 1; n <= ix.units; ++n) {
      auto taxa = ix.taxaIn(n);
      k += std::any_of(taxa.begin(), taxa.end(), [&](std::int32_t t) { return counted[static_cast<std::size_t>(t)]; })
               ? 1
               : 0;
    }
  }
  a.candidateCells = k;
  return k;
}

std::string seedFileText(const AreaSet& a) {
  std::string out = std::string(kSeedHeader) + "\n";
  for (int cell : a.cells) out += strprintf("%d\n", cell);
  out += "[end]\n";
  return out;
}

std::vector<int> parseSeedFile(const std::string& text, int cells) {
  std::vector<int> out;
  std::unordered_set<int> seen;
  std::size_t i = text.find('\n');
  if (i == std::string::npos) return out;
  ++i;
  while (i < text.size() && static_cast<int>(out.size()) < kAreaCapacity) {
    while (i < text.size() && isSeparator(text[i])) ++i;
    if (i >= text.size() || text[i] == '[') break;
    std::size_t end = i;
    while (end < text.size() && !isSeparator(text[end])) ++end;
    const auto v = leadingInteger(text.substr(i, end - i));
    i = end;
    if (!v || *v < 1 || *v > cells) continue;
    // A repeated cell would count its taxa twice in the analyses.
    if (seen.insert(static_cast<int>(*v)).second) out.push_back(static_cast<int>(*v));
  }
  return out;
}

bool saveSeedFile(const AreaSet& a, const std::filesystem::path& path) {
  return saveFileAtomically(path, seedFileText(a));
}

bool loadSeedFile(AreaSet& a, int cells, const std::filesystem::path& path, std::optional<Notice>& refusal) {
  auto text = readFileBytes(path, kSeedFileMax);
  if (!text) {
    refusal =
        Notice{strprintf("Can't open file\n%s", path.string().c_str()), "Select grid cells load", Icon::Exclamation};
    return false;
  }
  a.cells = parseSeedFile(*text, cells);
  a.seedCount = 0;
  return true;
}

FileRequest seedRequest(const std::filesystem::path& dir, const char* title, bool mustExist) {
  FileRequest r;
  r.title = title;
  r.filters = {{"seed areas (*.sed)", "*.sed"}};
  r.initialDir = dir;
  r.mustExist = mustExist;
  return r;
}

}  // namespace zn
