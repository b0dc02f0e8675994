#include "store/utilities.h"
#include "store/measurecode.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>

#include "store/binio.h"
#include "store/datafile.h"
#include "store/editor.h"
#include "store/files.h"
#include "store/session.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSourceMax = std::size_t(1) << 31;

int maxTaxa(const Session& s) { return s.grid().maxTaxa(); }
int taxaInStore(const Workspace& ws) { return std::clamp(ws.taxaCount, 0, ws.cards.slots()); }

std::vector<FileFilter> dataFilter() { return {{"ZN data (*.dat)", "*.dat"}}; }

// The grid a datafile belongs to, named by its folder (every folder
// beginning "britain" on the Britain grid).
std::string gridKey(const Session& s, const fs::path& file) {
  DatafileState df;
  setDatafilePath(df, file);
  return s.grid().gridKey(df.subdir);
}

fs::path besideDatafile(const Session& s) { return fs::path(s.ws.datafile.fullPath).parent_path(); }

// Record counts of every taxon, counted afresh against the excluded level.
std::vector<int> recordCounts(const Session& s) {
  const Workspace& ws = s.ws;
  const int level = s.settings.excludedLevel;
  std::vector<int> counts;
  for (int t = 0; t < taxaInStore(ws); ++t) {
    const std::int8_t* v = ws.cards.levels(t);
    int n = 0;
    for (int c = 1; c <= ws.geo.cells; ++c) n += v[c] > level;
    counts.push_back(n);
  }
  return counts;
}

struct Source {
  fs::path path;
  std::string bytes;
  int cards = 0;  // cards present, at most the header's count
  std::string title;
};

}  // namespace

FileRequest joinSourceRequest(const Session& s, const std::string& title) {
  FileRequest req;
  req.title = title;
  req.filters = dataFilter();
  const DatafileState& df = s.ws.datafile;
  req.initialDir = df.subdir.size() > 1 && !s.dataDir.empty() ? s.dataDir : s.home;
  req.mustExist = true;
  return req;
}

namespace {

bool readSource(Session& s, Source& src) {
  auto bytes = readFileBytes(src.path, kSourceMax);
  const CardLayout& L = *s.ws.cards.layout;
  std::optional<int> count;
  if (bytes) count = headerCount(s, reinterpret_cast<const unsigned char*>(bytes->data()), bytes->size());
  if (!bytes || !count || bytes->size() < static_cast<std::size_t>(L.headerSize)) {
    s.tell(strprintf("failed to open datafile:\n%s", src.path.string().c_str()), "Join data", Icon::Exclamation);
    return false;
  }
  src.bytes = std::move(*bytes);
  // A short file gives the cards it holds, no more.
  const std::size_t present = (src.bytes.size() - static_cast<std::size_t>(L.headerSize)) / L.size;
  src.cards = static_cast<int>(std::min<std::size_t>(present, static_cast<std::size_t>(std::max(*count, 0))));
  src.title = fieldText(reinterpret_cast<const unsigned char*>(src.bytes.data()) + L.headerSize - 32, 31);
  return true;
}

void appendPrefixed(std::string& out, const Session& s, const Source& src, char prefix) {
  const CardLayout& L = *s.ws.cards.layout;
  for (int k = 0; k < src.cards; ++k) {
    std::string card = src.bytes.substr(static_cast<std::size_t>(L.headerSize) + static_cast<std::size_t>(k) * L.size,
                                        static_cast<std::size_t>(L.size));
    // The prefix and the first 30 characters of the old code, then the NUL.
    card.replace(kCodeOffset + 1, kCodeLength - 1, card.substr(kCodeOffset, kCodeLength - 1));
    card[kCodeOffset] = prefix;
    card[kCodeOffset + kCodeLength] = '\0';
    out += card;
  }
}

// The datafile just written becomes the open one.
bool openWritten(Session& s) {
  const bool opened = loadAndRecount(s);
  occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
  return opened;
}

// The workspace made ready for a datafile at `path`: reset, path taken and
// its grid type loaded. False when the path names no grid type.
bool prepareFor(Session& s, const fs::path& path) {
  s.map.showBase(kCodeNone);
  s.settings.measureCode = kCodeNone;
  s.coastApplies = CoastOutline::kNone;
  resetWorkspace(s);
  DatafileState& df = s.ws.datafile;
  setDatafilePath(df, path);
  if (df.subdir.size() <= 1 || df.fileName.empty()) return false;
  return loadGridType(s);
}

bool writeParts(const Session& s, Notices& notices, const std::string& caption,
                const std::vector<std::pair<std::string, std::vector<int>>>& parts) {
  const fs::path folder = besideDatafile(s);
  bool ok = true;
  std::string report;
  for (const auto& [name, taxa] : parts) {
    if (!saveFileAtomically(folder / name, datafileImageOf(s, s.ws.datafile.title, taxa))) {
      notices.push_back({strprintf("failed writing file %s", name.c_str()), caption, Icon::Exclamation});
      ok = false;
      continue;
    }
    report +=
        strprintf("%s%d taxa written to %s", report.empty() ? "" : "\n", static_cast<int>(taxa.size()), name.c_str());
  }
  if (!report.empty()) notices.push_back({report, caption, Icon::Information});
  return ok;
}

}  // namespace

std::string datafileImageOf(const Session& s, const std::string& title, const std::vector<int>& taxa) {
  const Workspace& ws = s.ws;
  const auto size = static_cast<std::size_t>(ws.cards.layout->size);
  std::string out = s.grid().headerImage(static_cast<int>(taxa.size()), title);
  out.reserve(out.size() + taxa.size() * size);
  for (int t : taxa) out.append(reinterpret_cast<const char*>(ws.cards.card(t)), size);
  return out;
}

int rarityThreshold(std::vector<int> counts) {
  if (counts.empty()) return 0;
  const auto k = counts.size() / 4;
  std::nth_element(counts.begin(), counts.begin() + static_cast<std::ptrdiff_t>(k), counts.end());
  return counts[k];
}

std::pair<std::string, std::string> groupFileNames(const std::string& groupCode) {
  std::string safe;
  for (char c : groupCode)
    safe += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'
                ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                : '_';
  return {safe + ".dat", "not" + safe + ".dat"};
}

FileRequest newDatafileRequest(const Session& s) {
  FileRequest req;
  req.title = "Save new datafile";
  req.filters = dataFilter();
  req.initialDir = s.home;
  req.mustExist = false;
  return req;
}

bool makeNewDatafile(Session& s, const fs::path& path) {
  if (!prepareFor(s, path)) return false;
  Workspace& ws = s.ws;
  DatafileState& df = ws.datafile;
  df.title = "New database";
  df.header.fill(0);
  const std::string head = s.grid().headerImage(3, df.title);
  std::copy(head.begin(), head.end(), df.header.begin());
  df.quantitative = false;
  df.levels = s.grid().presenceLevels();
  ws.taxaCount = 3;
  ws.counters.includedTaxa = 3;
  if (!allocateCardStore(s, 3 + kCapacityMargin)) return false;
  for (int t = 0; t < std::min(3, taxaInStore(ws)); ++t) {
    ws.cards.setName(t, newTaxonName(s.editor, s.progress, false));
    setCardCode(ws, t, "1");
  }
  if (!saveData(s, s.notices)) return false;
  df.opened = true;
  s.map.showBase(kCodeRichness);
  s.settings.measureCode = kCodeRichness;
  s.subgroupDataPresent = recount(ws, s.settings.excludedLevel);
  occupancyPass(ws, s.settings.excludedLevel, s.areas);
  return true;
}

FileRequest joinTargetRequest(const fs::path& first) {
  FileRequest req;
  req.title = "Save joined datafile";
  req.filters = dataFilter();
  req.initialDir = first.parent_path();
  req.mustExist = false;
  return req;
}

bool joinDatafileFiles(Session& s, const fs::path& first, const fs::path& second, const fs::path& target) {
  Source a, b;
  a.path = first;
  b.path = second;

  // Cards mean cells of one grid: files of two grid types cannot share a header.
  for (const fs::path& other : {b.path, target})
    if (gridKey(s, a.path) != gridKey(s, other)) {
      s.tell(strprintf("datafiles of different grid types\ncannot be joined:\n%s\n%s", a.path.string().c_str(),
                       other.string().c_str()),
             "Join data", Icon::Exclamation);
      return false;
    }
  if (!readSource(s, a) || !readSource(s, b)) return false;
  const int total = a.cards + b.cards;
  if (total > maxTaxa(s)) {
    s.tell(strprintf("The joined datafile would hold %d taxa;\na datafile holds at most %d", total, maxTaxa(s)),
           "Join data", Icon::Exclamation);
    return false;
  }
  const bool quantitative = (!a.title.empty() && a.title[0] == '*') || (!b.title.empty() && b.title[0] == '*');
  std::string image = s.grid().headerImage(total, quantitative ? "*Joined database" : "Joined database");
  appendPrefixed(image, s, a, '1');
  appendPrefixed(image, s, b, '2');

  if (!prepareFor(s, target)) return false;
  if (!saveFileAtomically(target, image)) {
    s.tell("failed writing file header", "Join data", Icon::Exclamation);
    return false;
  }
  return openWritten(s);
}

bool divideByRarity(const Session& s, Notices& notices) {
  if (!s.ws.datafile.opened) return false;
  const std::vector<int> counts = recordCounts(s);
  const int threshold = rarityThreshold(counts);
  std::vector<int> small, large;
  for (int t = 0; t < static_cast<int>(counts.size()); ++t)
    (counts[static_cast<std::size_t>(t)] < threshold ? small : large).push_back(t);
  return writeParts(s, notices, "Divide data", {{"Sm.dat", small}, {"Lg.dat", large}});
}

bool divideByGroup(const Session& s, Notices& notices) {
  const Workspace& ws = s.ws;
  if (!ws.datafile.opened || ws.groupCode.empty()) return false;
  if (ws.dataModifiedByPreselection) {
    notices.push_back({"restore data from preselection\nbefore writing data to file", "Divide data", Icon::None});
    return false;
  }
  std::vector<int> in, out;
  for (int t = 0; t < taxaInStore(ws); ++t) (ws.passesGroup(t) ? in : out).push_back(t);
  const auto [inName, outName] = groupFileNames(ws.groupCode);
  return writeParts(s, notices, "Divide data", {{inName, in}, {outName, out}});
}

}  // namespace zn
