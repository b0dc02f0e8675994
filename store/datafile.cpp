#include "store/datafile.h"
#include "store/measurecode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>

#include "store/binio.h"
#include "store/files.h"
#include "store/gridsystem.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxNameChars = 32;

}  // namespace

std::optional<int> headerCount(const Session& s, const unsigned char* p, std::size_t size) {
  return s.grid().headerCount(p, size);
}

DatafileCheck checkDatafile(const Session& s, const fs::path& path) {
  auto data = readFileBytes(path, 4 * std::size_t(s.ws.cards.layout->size) + 64);
  if (!data)
    return {DatafileCheck::Refused,
            {strprintf("failed to open datafile:\n%s\n(use New datafile to ceate a new one)", path.c_str()),
             "Check datafile", Icon::Warning}};
  auto count = headerCount(s, reinterpret_cast<const unsigned char*>(data->data()), data->size());
  if (count && *count < 0) {
    // A negative count would size the card store negatively: refuse the file.
    return {DatafileCheck::Refused,
            {strprintf("file: %s\n- negative taxa count in the header,\nnot a datafile", path.c_str()),
             "Check datafile", Icon::Warning}};
  }
  const CardLayout& L = *s.ws.cards.layout;
  bool good = true;
  for (int k = 0; k < 3; ++k) {
    std::size_t off = static_cast<std::size_t>(L.headerSize + 62) + static_cast<std::size_t>(L.size) * k;
    if (off >= data->size() || (*data)[off] != '0') good = false;
  }
  if (good) return {};
  return {DatafileCheck::Doubtful,
          {strprintf("file: %s\n- unexpected format,\nopen anyway?", path.c_str()), "Check datafile", Icon::Question}};
}

FileRequest datafileRequest(const Session& s) {
  const DatafileState& df = s.ws.datafile;
  FileRequest req;
  req.title = "Open datafile";
  req.filters = {{"ZN data (*.dat)", "*.dat"}, {"all files (*.*)", "*"}};
  req.initialName = df.fileName;
  req.initialDir = s.grid().dataFolder(s.home).value_or(df.subdir.empty() ? s.home : s.dataDir);
  req.mustExist = true;
  return req;
}

bool takeChosenDatafile(DatafileState& df, const fs::path& chosen) {
  DatafileState chosenState;
  setDatafilePath(chosenState, chosen);
  if (df.opened && chosenState.subdir == df.subdir && chosenState.fileName == df.fileName &&
      chosenState.fullPath == df.fullPath)
    return false;
  df.lastOpenedName = chosenState.fileName;
  setDatafilePath(df, chosen);
  df.newChosen = true;
  return true;
}

void setDatafilePath(DatafileState& df, const fs::path& chosen) {
  // The parent folder names the grid type; the file is read from where the
  // user chose it, wherever that is. A relative path is taken from the
  // current folder, so "carnivora.dat" inside "equal" still names "equal".
  std::error_code ec;
  fs::path full = fs::absolute(chosen, ec);
  if (ec) full = chosen;
  full = full.lexically_normal();
  std::string subdir = toLower(full.parent_path().filename().string());
  if (subdir.size() > kMaxNameChars - 1) subdir.resize(kMaxNameChars - 1);
  subdir += '\\';
  std::string name = toLower(full.filename().string());
  if (name.size() > kMaxNameChars) name.resize(kMaxNameChars);
  df.subdir = subdir;
  df.fileName = name;
  df.fullPath = full.string();
}

bool allocateCardStore(Session& s, int requested) {
  Workspace& ws = s.ws;
  const auto cardBytes = static_cast<std::size_t>(ws.cards.layout->size);
  auto tryAlloc = [&](int capacity) {
    ws.cards.release();
    std::size_t bytes = static_cast<std::size_t>(capacity + 1) * cardBytes;
    if (capacity < 0 || !s.budgetAllows(bytes)) return false;
    try {
      ws.cards.reset(capacity + 1);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  };
  ws.capacity = requested;
  if (tryAlloc(ws.capacity)) return true;
  for (;;) {
    ws.capacity -= kCapacityStep;
    if (ws.capacity < kMinimumCapacity) {
      s.fail("failure to find memory for RAM database");
      return false;
    }
    if (tryAlloc(ws.capacity)) break;
  }
  ws.taxaCount = ws.capacity - 1;
  ws.counters.includedTaxa = ws.capacity - 1;
  s.tell(strprintf("Insufficient free memory:\nspace allocated for only\n%d of %d taxa", ws.capacity, requested),
         "Loading database to RAM", Icon::Warning);
  return true;
}

namespace {

// Takes the header and makes the card store; false when the header is
// unreadable or the store could not be had.
bool beginLoad(Session& s, const unsigned char* p, std::size_t size) {
  Workspace& ws = s.ws;
  DatafileState& df = ws.datafile;
  const CardLayout& L = *ws.cards.layout;
  if (size < static_cast<std::size_t>(L.headerSize)) return false;
  auto count = headerCount(s, p, size);
  if (!count || *count < 0) return false;
  df.header.fill(0);
  std::copy_n(p, L.headerSize, df.header.begin());
  df.header[static_cast<std::size_t>(L.headerSize - 1)] = 0;
  df.title = fieldText(df.header.data() + (L.headerSize - 32), 31);
  df.quantitative = !df.title.empty() && df.title[0] == '*';
  df.levels = df.quantitative ? 100 : s.grid().presenceLevels();
  ws.taxaCount = *count;
  ws.counters.includedTaxa = *count;
  return allocateCardStore(s, *count + kCapacityMargin);
}

void endLoad(Session& s) {
  for (int k = 0; k < s.ws.taxaCount; ++k) s.ws.cards.setExcluded(k, false);
}

}  // namespace

bool readDatafileBytes(Session& s, const std::string& data) {
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  if (!beginLoad(s, p, data.size())) return false;
  // Cards missing at the end of a short file stay zero.
  const CardLayout& L = *s.ws.cards.layout;
  std::size_t want = static_cast<std::size_t>(s.ws.taxaCount) * static_cast<std::size_t>(L.size);
  std::size_t have = data.size() - static_cast<std::size_t>(L.headerSize);
  std::copy_n(p + L.headerSize, std::min(want, have), s.ws.cards.card(0));
  endLoad(s);
  return true;
}

bool loadDatafile(Session& s, int* cardsHeld) {
  std::FILE* f = std::fopen(s.ws.datafile.fullPath.c_str(), "rb");
  if (!f) return false;
  const CardLayout& L = *s.ws.cards.layout;
  std::array<unsigned char, 64> header{};
  std::size_t got = std::fread(header.data(), 1, static_cast<std::size_t>(L.headerSize), f);
  bool ok = beginLoad(s, header.data(), got);
  if (ok) {
    // Read straight into the store; a short file leaves the rest zero.
    std::size_t want = static_cast<std::size_t>(s.ws.taxaCount) * static_cast<std::size_t>(L.size);
    std::size_t read = want > 0 ? std::fread(s.ws.cards.card(0), 1, want, f) : 0;
    if (cardsHeld) *cardsHeld = static_cast<int>(read / static_cast<std::size_t>(L.size));
    endLoad(s);
  }
  std::fclose(f);
  return ok;
}

std::string encodeDatafile(const Dataset& d, const GridSystem& grid, const std::string& title) {
  const CardLayout& L = grid.cards();
  const int taxa = std::clamp(d.taxonCount(), 0, grid.maxTaxa());
  const int cells = std::min(d.unitCount(), L.maxCells);
  const auto cardBytes = static_cast<std::size_t>(L.size);
  std::string out = grid.headerImage(taxa, title);
  const std::size_t first = out.size();
  out.resize(first + static_cast<std::size_t>(taxa) * cardBytes, '\0');
  const Occurrences& occ = d.occurrences;
  for (int t = 0; t < taxa; ++t) {
    char* card = out.data() + first + static_cast<std::size_t>(t) * cardBytes;
    const DatasetTaxon& x = d.taxa[static_cast<std::size_t>(t)];
    std::copy_n(x.name.begin(), std::min<std::size_t>(x.name.size(), kNameField), card);
    std::copy_n(x.code.begin(), std::min<std::size_t>(x.code.size(), kCodeLength), card + kCodeOffset);
    if (t >= occ.taxa) continue;
    const double* amount = occ.hasAmounts() ? occ.amountsOf(t) : nullptr;
    for (int n : occ.unitsOf(t)) {
      const double a = amount ? *amount++ : 1.0;
      if (n <= cells && std::isfinite(a))
        card[L.levelBase + n] = static_cast<char>(static_cast<std::int8_t>(std::lround(std::clamp(a, -128.0, 127.0))));
    }
  }
  return out;
}

std::string encodeDatafile(const Session& s, const std::string& title) {
  return encodeDatafile(*datasetOfDatafile(s.ws), s.grid(), title);
}

bool saveDatafile(const Session& s, const fs::path& path, const std::string& title) {
  return saveFileAtomically(path, encodeDatafile(s, title));
}

namespace {

// The one notice left after a load, if any.
void reportLoad(Session& s) {
  const Workspace& ws = s.ws;
  const DatafileState& df = ws.datafile;
  if (!s.coastlineRead) {
    s.tell("Coastline data not read", strprintf("File: %s", s.coastFile().c_str()), Icon::Warning);
  } else if (!df.opened) {
    s.tell("File not opened", strprintf("File: %s??", df.fullPath.c_str()), Icon::Warning);
  } else if (ws.taxaCount == 0) {
    s.tell("No taxa read", strprintf("File: %s", df.fullPath.c_str()), Icon::Warning);
  } else if (ws.taxaCount == ws.capacity) {
    s.tell(strprintf("Data title: %s\nFirst %d taxa read\n (%ld records)", df.title.c_str(), ws.taxaCount,
                     static_cast<long>(ws.counters.records)),
           strprintf("File: %s", df.fileName.c_str()), Icon::Warning);
  } else if (df.quantitative) {
    s.tell("Data in quantitative mode", strprintf("File: %s", df.fullPath.c_str()), Icon::Information);
  }
}

}  // namespace

bool loadGridType(Session& s) { return s.grid().loadGridType(s); }

bool loadWorldGridType(Session& s) {
  Workspace& ws = s.ws;
  const std::string& sub = ws.datafile.subdir;
  s.coastApplies = CoastOutline::kNone;
  s.gridTypes.current = 0;
  for (GridCell& c : ws.cells) c.background = 1;
  int k = findGridType(s.gridTypes, sub);
  if (k < 0) {
    s.tell(
        "This grid type is not recognised\nby the current version of ZONARIUM -\nsee the file: "
        "\\ZONARIUM\\ZONARIUM.MAP",
        strprintf("Subdirectory: %s", sub.c_str()), Icon::Warning);
    return false;
  }
  if (isWorldGridName(sub) && s.coastlineRead) s.coastApplies = CoastOutline::kWorld;
  s.gridTypes.current = k;
  const GridType& t = s.gridTypes.types[static_cast<std::size_t>(k)];
  for (int n = 1; n <= ws.geo.cells && n < static_cast<int>(t.classes.size()); ++n)
    ws.cells[static_cast<std::size_t>(n)].background = t.classes[static_cast<std::size_t>(n)];
  buildNeighbourhoods(ws);
  std::string dirName = sub.substr(0, sub.size() - 1);
  fs::path dir = s.home / dirName;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return false;
  s.dataDir = dir;
  readLocationNames(ws, dir);
  return true;
}

bool loadAndRecount(Session& s) {
  DatafileState& df = s.ws.datafile;
  int held = 0;
  df.opened = loadDatafile(s, &held);
  if (s.fatal) return false;
  if (df.opened) {
    // A file cut short still opens (its missing cards stay empty), but the
    // user is told that the taxa past its end are not data.
    const CardLayout& L = *s.ws.cards.layout;
    auto count = headerCount(s, df.header.data(), static_cast<std::size_t>(L.headerSize));
    if (count && held < std::min(*count, s.ws.taxaCount))
      s.tell(strprintf("file holds %d of %d taxa", held, *count), "Open datafile", Icon::Warning);
  }
  if (df.opened) {
    s.map.showBase(kCodeRichness);
    s.settings.measureCode = kCodeRichness;
  }
  s.subgroupDataPresent = recount(s.ws, s.settings.excludedLevel);
  return df.opened;
}

bool openChosenDatafile(Session& s) {
  BusyGuard busy(s.progress);
  s.map.showBase(kCodeNone);
  s.settings.measureCode = kCodeNone;
  s.globalGrid = false;
  resetWorkspace(s);
  DatafileState& df = s.ws.datafile;
  if (df.subdir.size() <= 1 || df.fileName.empty()) {
    df.opened = false;
  } else if (!loadGridType(s)) {
    df.opened = false;
    s.progress.requestRedraw();
    return false;
  } else {
    loadAndRecount(s);
    if (s.fatal) return false;
  }
  reportLoad(s);
  occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
  s.progress.requestRedraw();
  return df.opened;
}

bool standardiseQuantitative(Session& s) {
  DatafileState& df = s.ws.datafile;
  if (!df.opened || !df.quantitative || df.rescaled) return false;
  BusyGuard busy(s.progress);
  rescaleQuantitative(s.ws);
  s.subgroupDataPresent = recount(s.ws, s.settings.excludedLevel);
  return true;
}

}  // namespace zn
