// The workspace: taxon cards, grid cells, work arrays and the counters every
// analysis reads. One Workspace per Session; no process-wide state.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/binio.h"
#include "store/dataset.h"

namespace zn {

// Byte offsets within a taxon card. The card is a file record as well as the
// in-memory record, so the world and Britain layouts are both kept exactly.
struct CardLayout {
  int size;       // bytes per card
  int levelBase;  // data level of cell n at levelBase + n
  int weight;     // float taxonomic weight
  int recordCount;
  int soleArea;
  int currentMark;
  int workA;
  int repCount;
  int workB;
  int sortScratch;
  int excluded;
  int headerSize;  // datafile header bytes before the first card
  int maxCells;    // cells that fit between levelBase and the run-time fields
};

extern const CardLayout kWorldCards;
extern const CardLayout kBritainCards;

constexpr int kNameField = 32;
constexpr int kCodeOffset = 32;
constexpr int kCodeField = 32;  // 31 code characters and the terminator
constexpr int kCodeLength = 31;
constexpr int kNameLength = 30;
constexpr int kCapacityMargin = 50;
constexpr int kCapacityStep = 152;
constexpr int kMinimumCapacity = 4;
constexpr double kZeroScore = 10000.0;

// The card store: (capacity + 1) zero-filled cards back to back.
class CardStore {
 public:
  const CardLayout* layout = &kWorldCards;

  CardStore() = default;
  CardStore(const CardStore&) = default;
  CardStore(CardStore&&) = default;
  // Assigned cards are other cards: the version moves past both, so nothing
  // kept for either matches them by chance.
  CardStore& operator=(const CardStore& o) {
    const std::uint64_t v = std::max(version_, o.version_) + 1;
    layout = o.layout;
    bytes_ = o.bytes_;
    version_ = v;
    return *this;
  }
  CardStore& operator=(CardStore&& o) noexcept {
    const std::uint64_t v = std::max(version_, o.version_) + 1;
    layout = o.layout;
    bytes_ = std::move(o.bytes_);
    version_ = v;
    return *this;
  }

  // Goes up whenever names, codes or levels may have changed (any writable
  // access to a card other than its run-time fields), so what was built
  // from the cards can tell whether it still holds.
  std::uint64_t version() const { return version_; }

  // Number of cards the buffer holds.
  int slots() const { return layout->size ? static_cast<int>(bytes_.size() / layout->size) : 0; }
  std::size_t byteSize() const { return bytes_.size(); }

  // Replaces the store by `count` zeroed cards. Throws std::bad_alloc.
  void reset(int count) {
    ++version_;
    std::vector<unsigned char>().swap(bytes_);
    bytes_.assign(static_cast<std::size_t>(count) * layout->size, 0);
  }
  void release() {
    ++version_;
    std::vector<unsigned char>().swap(bytes_);
  }

  unsigned char* card(int i) {
    ++version_;
    return fields(i);
  }
  const unsigned char* card(int i) const { return bytes_.data() + static_cast<std::size_t>(i) * layout->size; }

  std::string name(int i) const;
  void setName(int i, const std::string& name);
  const unsigned char* code(int i) const { return card(i) + kCodeOffset; }
  unsigned char* code(int i) { return card(i) + kCodeOffset; }
  std::string codeText(int i) const;

  std::int8_t level(int i, int cell) const { return static_cast<std::int8_t>(card(i)[layout->levelBase + cell]); }
  void setLevel(int i, int cell, int v) {
    card(i)[layout->levelBase + cell] = static_cast<unsigned char>(static_cast<std::int8_t>(v));
  }
  const std::int8_t* levels(int i) const { return reinterpret_cast<const std::int8_t*>(card(i) + layout->levelBase); }

  float weight(int i) const { return readF32(card(i) + layout->weight); }
  void setWeight(int i, float w) { writeF32(fields(i) + layout->weight, w); }
  std::int32_t field(int i, int offset) const { return readI32(card(i) + offset); }
  // Run-time fields only (past the levels): the version stays.
  void setField(int i, int offset, std::int32_t v) { writeI32(fields(i) + offset, v); }

  std::int32_t recordCount(int i) const { return field(i, layout->recordCount); }
  void setRecordCount(int i, std::int32_t v) { setField(i, layout->recordCount, v); }
  bool excluded(int i) const { return field(i, layout->excluded) != 0; }
  void setExcluded(int i, bool v) { setField(i, layout->excluded, v ? 1 : 0); }

 private:
  unsigned char* fields(int i) { return bytes_.data() + static_cast<std::size_t>(i) * layout->size; }

  std::vector<unsigned char> bytes_;
  std::uint64_t version_ = 0;
};

struct GridCell {
  std::int32_t column = 0, row = 0;
  std::int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  std::int32_t count = 0;
  std::int32_t scored = 0;
  std::int32_t topValue = 0;
  std::int32_t ruleCode = 0;
  std::int32_t tieCount = 0;
  double score = 0.0;
  double cost = 0.0;
  double threat = 0.0;
  std::int32_t fillColour = 0;
  std::int32_t classNumber = 0;
  std::int32_t background = 0;
  std::int32_t flexClass = 0;
  std::array<char, 20> name{};
  std::int32_t number = 0;
  std::array<std::int32_t, 8> inner{};   // NW, N, NE, W, E, SW, S, SE
  std::array<std::int32_t, 16> outer{};  // the ring two cells out, reading order
  double lonWest = 0.0, lonEast = 0.0, latNorth = 0.0, latSouth = 0.0;
  double complement = 0.0;
};

struct LatticeLine {
  std::int32_t x0, x1, y0, y1;
};

struct Geometry {
  int columns = 36;
  int rows = 24;
  int cells = 864;
  int latticeLines = 62;
  int cellSize = 72;
  int originX = 160, originY = 160;
  int farX = 2752, farY = 1888;
  int extentX = 3073, extentY = 2249;
};

// Counters as they stood at the last recount.
struct Snapshot {
  int taxaWithRecords = 0;
  int occupiedCells = 0;
  int includedTaxa = 0;
  int records = 0;
  int excludedLevel = 0;
  int groupCodeLength = 0;
  std::string groupCode;
};

struct Counters {
  int includedTaxa = 0;
  int records = 0;
  int taxaWithRecords = 0;
  int occupiedCells = 0;
  int cellsWithData = 0;
  double sumGaps = 0.0;
  double sumInverseRanges = 0.0;
  double sumInverseSquaredRanges = 0.0;
  double sumWeights = 0.0;
  double codeTreeLength = 0.0;
  int minRange = 10000;
  int medianRange = 0;
  int maxRange = 0;
  Snapshot snapshot;
};

// What the open datafile is and where it came from.
struct DatafileState {
  std::array<unsigned char, 36> header{};  // as read (34 bytes world, 36 Britain)
  std::string title;                       // title copy, at most 31 characters
  std::string fileName;                    // lower case
  std::string subdir;                      // lower case, with the trailing backslash
  std::string fullPath;                    // where the file is actually read from
  std::string lastOpenedName;
  bool opened = false;
  bool quantitative = false;
  int levels = 4;
  bool rescaled = false;
  bool newChosen = false;
};

// The area set: an ordered list of cell numbers, the first seedCount of them
// seed areas that analyses keep in front.
struct AreaSet {
  std::vector<int> cells;
  int seedCount = 0;
  // Cells holding an included taxon not yet represented; counted before the
  // number-of-areas dialogs open and read by the hotspot title.
  int candidateCells = 0;
  // A near-minimum run with re-ordering and a goal of 1 is on the map.
  bool nearMinimumDone = false;
  // The set an exact run left: the map title names it for as long as the
  // set is exactly these cells.
  enum class Exact { kNone, kMinimumSet, kMaximumCoverage };
  Exact exactKind = Exact::kNone;
  std::vector<int> exactCells;
  bool showsExactSet() const { return exactKind != Exact::kNone && exactCells == cells; }
  bool empty() const { return cells.empty(); }
  int count() const { return static_cast<int>(cells.size()); }
};

struct Workspace {
  Geometry geo;
  CardStore cards;
  std::vector<GridCell> cells;  // cells + 2 records; record n is cell n
  std::vector<LatticeLine> lattice;
  std::vector<int> masterIndex;                            // Britain grid: frame square -> cell number
  std::vector<std::int32_t> backcell, prop, prop2, prop3;  // 5 slots per cell + 10

  int taxaCount = 0;
  int capacity = 0;
  Counters counters;
  DatafileState datafile;

  // Preselection state; the excluded data level itself is settings slot 0.
  std::string groupCode;
  bool dataModifiedByPreselection = false;
  // Copy of the area list kept while the preselection dialog borrows the set.
  std::vector<int> borrowedAreas;

  // The cards' dataset, built on first use and kept with what it was built
  // from, until the cards or the excluded level change (analyses run on one
  // thread, so the const readers may fill it in).
  struct KeptDataset {
    std::shared_ptr<const Dataset> data;
    std::uint64_t cardsVersion = 0;
    int excludedLevel = 0;
    int taxaCount = 0;
    int cells = 0;
    const CardLayout* layout = nullptr;
  };
  mutable KeptDataset dataset;

  // Per-cell flag "has data" of the occupancy pass (prop slot 5n + 4).
  bool cellHasData(int n) const { return prop[static_cast<std::size_t>(5 * n + 4)] != 0; }

  // Inclusion test: the taxon's code begins with the included group code.
  bool passesGroup(int taxon) const {
    return groupCode.empty() ||
           std::memcmp(cards.code(taxon), groupCode.data(), std::min<std::size_t>(groupCode.size(), kCodeField)) == 0;
  }
};

// Builds the default lattice and the cell corners of the current geometry.
void buildLattice(Workspace& ws);
void buildCellCorners(Workspace& ws);

// Recount of the workspace counters and card working fields. Returns false
// when no datafile is open or when fewer than 3 taxa leave no tree data.
bool recount(Workspace& ws, int excludedLevel);

// The cards as a dataset: cells 1 … cells as units (names and costs of the
// cell records as they stand), cards as taxa (names and codes), and a
// presence wherever a level is above the excluded level.
std::shared_ptr<const Dataset> datasetFromCards(const Workspace& ws, int excludedLevel);
// Its occurrences alone: every taxon, whatever its group code.
Occurrences buildPresenceIndex(const Workspace& ws, int excludedLevel);
// The kept dataset's occurrences while the cards, their count, the grid and
// the excluded level are those it was built from; otherwise the dataset is
// built afresh and kept in ws.dataset.
std::shared_ptr<const Occurrences> presenceIndex(const Workspace& ws, int excludedLevel);

// Rescales each quantitative taxon so that its largest level becomes 100.
void rescaleQuantitative(Workspace& ws);

// Sets the cell-has-data flags and the cells-with-data counter.
void occupancyPass(Workspace& ws, int excludedLevel, const AreaSet& areas);

// Depth of a code from position g: characters up to the first '0' (or 32).
int codeDepth(const unsigned char* code, int g);

// The last cell number that both the grid and the cell table hold: a
// damaged grid never sends a loop past the table.
inline int lastCellNumber(const Workspace& ws) { return std::min(ws.geo.cells, static_cast<int>(ws.cells.size()) - 1); }

// The background cell table (backcell): per cell count, score (two slots),
// scored flag and colour.
struct BackCell {
  int count = 0;
  double score = 0.0;
  int scored = 0;
  int colour = 0;
};
BackCell readBackCell(const Workspace& ws, int n);
void writeBackCell(Workspace& ws, int n, const BackCell& b);

}  // namespace zn
