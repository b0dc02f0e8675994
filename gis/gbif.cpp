#include "gis/gbif.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "gis/cellplace.h"
#include "gis/gdalsetup.h"
#include "gis/occurrences.h"
#include "gis/project.h"
#include "interchange/dataimport.h"
#include "store/britain.h"
#include "store/datafile.h"
#include "store/files.h"
#include "store/measurecode.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

// Code characters in ASCII order so that codes sort like the names; '0'
// ends a code and is left out.
constexpr std::string_view kCodeAlphabet = "123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

enum Column { kSpecies, kGenus, kFamily, kLat, kLon, kUncertainty, kBasis, kStatus, kYear, kColumnCount };
constexpr const char* kColumnNames[kColumnCount] = {"species",
                                                    "genus",
                                                    "family",
                                                    "decimalLatitude",
                                                    "decimalLongitude",
                                                    "coordinateUncertaintyInMeters",
                                                    "basisOfRecord",
                                                    "occurrenceStatus",
                                                    "year"};

std::optional<double> number(std::string_view t) {
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  double v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

bool sameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

// Card names are printable ASCII: accented Latin letters lose their
// accents, the hybrid sign becomes x, anything else (a NUL byte, which would
// end the name, included) a question mark.
std::string asciiName(std::string_view s) {
  static constexpr std::string_view latin1 = "AAAAAAACEEEEIIIIDNOOOOOxOUUUUYTsaaaaaaaceeeeiiiidnooooo/ouuuuyty";
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
      ++i;
      continue;
    }
    const int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    // U+00C0 ... U+00FF are 0xC3 followed by 0x80 ... 0xBF.
    const bool latin = c == 0xC3 && i + 1 < s.size();
    out += latin ? latin1[static_cast<unsigned char>(s[i + 1]) & 0x3F] : '?';
    i += static_cast<std::size_t>(len);
  }
  return out;
}

// At most 30 characters: a long species name gets its genus cut to the initial.
std::string cardName(const std::string& name, const std::string& genus) {
  if (name.size() <= static_cast<std::size_t>(kNameLength)) return name;
  std::string shortName = name;
  if (!genus.empty() && name.compare(0, genus.size(), genus) == 0)
    shortName = genus.substr(0, 1) + ". " +
                name.substr(genus.size() + (name.size() > genus.size() && name[genus.size()] == ' ' ? 1 : 0));
  shortName.resize(std::min<std::size_t>(shortName.size(), kNameLength));
  return shortName;
}

// Text of the input as a line of the lost-records file shows it: control
// bytes (a NUL, a tab or line end inside a quoted field) as \xNN.
std::string shown(std::string_view t) {
  std::string out;
  out.reserve(t.size());
  for (char ch : t) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) out += strprintf("\\x%02X", c);
    else out += ch;
  }
  return out;
}

// An output written under a temporary name beside its target (made
// exclusively, never through a link) and renamed onto it only when every
// output of the import is ready; removed if it never is. A link at a
// checked output's name keeps pointing at the new data.
class StagedFile {
 public:
  explicit StagedFile(fs::path target, bool throughLink = false) : target_(std::move(target)) {
    std::error_code ec;
    if (throughLink && fs::is_symlink(fs::symlink_status(target_, ec))) {
      fs::path real = fs::canonical(target_, ec);
      if (!ec) target_ = std::move(real);
    }
  }
  ~StagedFile() {
    if (file_) std::fclose(file_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
  }
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  bool open() {
    struct stat old {};
    const bool exists = ::stat(target_.c_str(), &old) == 0;
    for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
      const fs::path temp = temporaryBeside(target_);
      const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd < 0 && errno == EEXIST) continue;
      if (fd < 0) break;
      temp_ = temp;
      // A replaced file keeps its permissions.
      if (exists) ::fchmod(fd, old.st_mode & 07777);
      file_ = ::fdopen(fd, "w");
      if (!file_) ::close(fd);
    }
    return note(file_ != nullptr);
  }
  void write(std::string_view t) {
    if (file_ && ok_) note(std::fwrite(t.data(), 1, t.size(), file_) == t.size());
  }
  // Flushed to disk and closed; false when any write failed.
  bool finish() {
    if (!file_) return false;
    note(std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0);
    note(std::fclose(file_) == 0);
    file_ = nullptr;
    return ok_;
  }
  bool publish() {
    if (!note(::rename(temp_.c_str(), target_.c_str()) == 0)) return false;
    temp_.clear();
    return true;
  }
  // "cannot write FILE: why".
  std::string failure() const { return "cannot write " + target_.string() + ": " + std::strerror(errno_); }

 private:
  bool note(bool good) {
    if (!good && ok_) errno_ = errno ? errno : EIO;
    ok_ = ok_ && good;
    return good;
  }
  fs::path target_, temp_;
  std::FILE* file_ = nullptr;
  bool ok_ = true;
  int errno_ = 0;
};

struct TaxonKey {
  std::vector<std::string> path;  // family (when the source names families), genus, species
  std::string name, genus;
};

// One code level per path level, members numbered in name order within
// their parent; two or three characters a level where one is too few.
std::vector<std::string> taxonCodes(const std::vector<TaxonKey>& taxa) {
  std::vector<std::string> codes(taxa.size());
  if (taxa.empty()) return codes;
  const std::size_t depth = taxa[0].path.size();
  for (std::size_t lv = 0; lv < depth; ++lv) {
    std::map<std::vector<std::string>, std::set<std::string>> children;
    for (const auto& t : taxa)
      children[std::vector<std::string>(t.path.begin(), t.path.begin() + static_cast<std::ptrdiff_t>(lv))].insert(
          t.path[lv]);
    std::size_t most = 0;
    for (const auto& [parent, members] : children) most = std::max(most, members.size());
    const std::size_t base = kCodeAlphabet.size();
    const int width = most <= base ? 1 : most <= base * base ? 2 : 3;
    for (std::size_t i = 0; i < taxa.size(); ++i) {
      const auto parent =
          std::vector<std::string>(taxa[i].path.begin(), taxa[i].path.begin() + static_cast<std::ptrdiff_t>(lv));
      const auto& members = children[parent];
      std::size_t k = static_cast<std::size_t>(std::distance(members.begin(), members.find(taxa[i].path[lv])));
      std::string sym(static_cast<std::size_t>(width), '1');
      for (int w = width - 1; w >= 0; --w) {
        sym[static_cast<std::size_t>(w)] = kCodeAlphabet[k % base];
        k /= base;
      }
      codes[i] += sym;
    }
  }
  for (auto& c : codes) c.resize(std::min<std::size_t>(c.size(), kCodeLength));
  return codes;
}

std::string effortScoresText(const std::string& title, const std::vector<long>& perCell) {
  std::string t = "\n ZONARIUM version 4.19.25\n\n";
  t += strprintf(" Scores for dataset: %s.\n", title.c_str());
  t += " Measure: records per cell (sampling effort).\n";
  t += std::string(71, '=') + "\n#2\n";
  for (std::size_t n = 1; n < perCell.size(); ++n)
    if (perCell[n] > 0) t += strprintf("%6d%#20.6f\n", static_cast<int>(n), static_cast<double>(perCell[n]));
  return t;
}

// The columns an import reads, by position in the row (-1 when absent).
struct Columns {
  int at[kColumnCount];
  Column rank = kSpecies;  // the column naming the taxa
};

// Reads the header rows and finds the columns; empty, or why the input
// cannot be imported.
std::string findColumns(OccurrenceReader& reader, const OccurrenceSource& src, const GbifImportOptions& o,
                        std::vector<std::string>& header, Columns& cols) {
  header = src.columns;
  std::vector<std::string_view> fields;
  for (int i = 0; i < src.headerLines; ++i) {
    if (!reader.next(fields)) return "the input is empty: no header row";
    if (i == 0 && header.empty())
      for (auto f : fields) header.emplace_back(f);
  }
  int* col = cols.at;
  for (int c = 0; c < kColumnCount; ++c) {
    col[c] = -1;
    for (std::size_t i = 0; i < header.size(); ++i)
      if (header[i] == kColumnNames[c]) col[c] = static_cast<int>(i);
  }
  cols.rank = o.rank == GbifRank::Species ? kSpecies : o.rank == GbifRank::Genus ? kGenus : kFamily;
  std::vector<std::string> missing;
  for (Column c : {cols.rank, kLat, kLon})
    if (col[c] < 0) missing.push_back(kColumnNames[c]);
  if (o.maxUncertainty && col[kUncertainty] < 0) missing.push_back(kColumnNames[kUncertainty]);
  if (!o.basis.empty() && col[kBasis] < 0) missing.push_back(kColumnNames[kBasis]);
  if (o.years && col[kYear] < 0) missing.push_back(kColumnNames[kYear]);
  if (missing.empty()) return "";
  std::string list;
  for (const auto& m : missing) list += (list.empty() ? "" : ", ") + m;
  return "the input has no column " + list + " (a GBIF simple download or Darwin Core occurrence table)";
}

constexpr const char* kLeftOutByDefault = " left out by default";

// Why a well-formed row's record is not taken before it is placed (empty
// when it passes the filters); its coordinates in `lat` and `lon`.
template <typename Field>
std::string recordProblem(const Field& field, Column rank, const GbifImportOptions& o, double& lat, double& lon) {
  if (sameWord(field(kStatus), "ABSENT")) return "absent";
  if (field(rank).empty()) return std::string("no ") + kColumnNames[rank] + " name";
  const std::string_view latText = field(kLat), lonText = field(kLon);
  if (latText.empty() || lonText.empty()) return "no coordinates";
  const auto la = number(latText), lo = number(lonText);
  if (!la || !lo) return "coordinates are not numbers";
  lat = *la;
  lon = *lo;
  if (lat == 0.0 && lon == 0.0) return "coordinates 0/0";
  if (std::fabs(lat) > 90.0 || std::fabs(lon) > 180.0) return "coordinates out of range";
  if (o.maxUncertainty && !field(kUncertainty).empty()) {
    const auto u = number(field(kUncertainty));
    if (!u) return "uncertainty is not a number";
    if (*u > *o.maxUncertainty) return strprintf("uncertainty %g m above %g m", *u, *o.maxUncertainty);
  }
  const std::string_view b = field(kBasis);
  if (!o.basis.empty()) {
    if (std::none_of(o.basis.begin(), o.basis.end(), [&](const std::string& w) { return sameWord(w, b); }))
      return "basis of record " + std::string(b.empty() ? "(none)" : b) + " not chosen";
  } else if (std::any_of(std::begin(kBasisLeftOut), std::end(kBasisLeftOut),
                         [&](const char* w) { return sameWord(w, b); })) {
    return "basis of record " + std::string(b) + kLeftOutByDefault;
  }
  if (o.years) {
    const auto y = number(field(kYear));
    if (!y) return "no year";
    if (*y < o.years->first || *y > o.years->second)
      return strprintf("year %g outside %d-%d", *y, o.years->first, o.years->second);
  }
  return "";
}

// What the rows gave: the taxa in order of first sight, the records per
// taxon and cell, the records per cell and the rows lost per taxon name; the
// lost rows themselves go straight to the lost-records file.
struct Collection {
  int cells = 0;
  std::vector<TaxonKey> taxa;
  std::unordered_map<std::string, int> taxonIndex;
  std::unordered_map<std::uint64_t, int> counts;  // taxon x (cells + 1) + cell
  std::vector<long> perCell;
  std::unordered_map<std::string, long> lostByName;
  StagedFile* lost = nullptr;
};

// Taxon names longer than this are told apart by their beginning only, so
// hostile rows cannot make the lost-name tally grow without bound.
constexpr std::size_t kLongestNameKept = 1024;

// Walks the data rows: a row that is well formed and passes the filters
// goes to `take(field, lat, lon)`, which places it or returns why not; every
// row not taken goes to `lose(reason)`. `fields` holds the row meanwhile.
template <typename Take, typename Lose>
void eachRecord(OccurrenceReader& reader, const std::vector<std::string>& header, const Columns& cols,
                const GbifImportOptions& o, std::vector<std::string_view>& fields, long& rows, long& leftOutByDefault,
                Take take, Lose lose) {
  const int* col = cols.at;
  auto field = [&](Column c) -> std::string_view {
    return col[c] >= 0 && static_cast<std::size_t>(col[c]) < fields.size() ? fields[static_cast<std::size_t>(col[c])]
                                                                           : std::string_view{};
  };
  while (reader.next(fields)) {
    if (reader.broken()) {
      ++rows;
      lose("a quoted field is not closed on its line");
      continue;
    }
    if (fields.size() == 1 && fields[0].empty()) continue;  // blank line
    ++rows;
    if (fields.size() != header.size()) {
      lose(strprintf("row has %zu fields, the header %zu", fields.size(), header.size()));
      continue;
    }
    if (!validUtf8(reader.raw())) {
      lose("bytes that are not UTF-8");
      continue;
    }
    double lat = 0.0, lon = 0.0;
    if (std::string why = recordProblem(field, cols.rank, o, lat, lon); !why.empty()) {
      if (why.ends_with(kLeftOutByDefault)) ++leftOutByDefault;
      lose(why);
      continue;
    }
    if (std::string why = take(field, lat, lon); !why.empty()) lose(why);
  }
}

// Reads every data row into the collection.
void collectRecords(OccurrenceReader& reader, const std::vector<std::string>& header, const Columns& cols,
                    const GbifImportOptions& o, const CellPlacer& placer, Collection& k, GbifImportResult& res) {
  const int* col = cols.at;
  const Column rankColumn = cols.rank;
  k.counts.reserve(1 << 16);
  k.perCell.assign(static_cast<std::size_t>(k.cells) + 1, 0);
  const bool withFamily = col[kFamily] >= 0;
  std::vector<std::string_view> fields;
  std::string key;

  auto field = [&](Column c) -> std::string_view {
    return col[c] >= 0 && static_cast<std::size_t>(col[c]) < fields.size() ? fields[static_cast<std::size_t>(col[c])]
                                                                           : std::string_view{};
  };
  std::string line;
  auto lose = [&](const std::string& reason) {
    ++res.lost;
    line = strprintf("%ld\t%s\t", reader.line(), reason.c_str());
    if (fields.size() == header.size() && validUtf8(reader.raw())) {
      const std::string_view name = field(rankColumn);
      line += shown(name) + '\t' + shown(field(kLat)) + '\t' + shown(field(kLon));
      if (!name.empty()) ++k.lostByName[std::string(name.substr(0, kLongestNameKept))];
    } else {
      line += "\t\t";
    }
    line += '\n';
    k.lost->write(line);
  };
  auto take = [&](const auto& /*field*/, double lat, double lon) -> std::string {
    const int cell = placer.locate(lat, lon);
    if (cell <= 0 || cell > k.cells) return "outside the grid";
    const std::string_view name = field(rankColumn);
    key.assign(withFamily ? field(kFamily) : std::string_view{});
    key += '\x1f';
    key.append(o.rank == GbifRank::Family ? std::string_view{} : field(kGenus));
    key += '\x1f';
    key.append(name);
    auto [it, made] = k.taxonIndex.try_emplace(key, static_cast<int>(k.taxa.size()));
    if (made) {
      TaxonKey t;
      const std::string fam(field(kFamily)), gen(field(kGenus)), nm(name);
      if (withFamily) t.path.push_back(fam);
      if (o.rank != GbifRank::Family) t.path.push_back(gen);
      if (o.rank == GbifRank::Species || (o.rank == GbifRank::Family && !withFamily)) t.path.push_back(nm);
      t.name = nm;
      t.genus = gen;
      k.taxa.push_back(std::move(t));
    }
    ++k.counts[static_cast<std::uint64_t>(it->second) * static_cast<std::uint64_t>(k.cells + 1) +
               static_cast<std::uint64_t>(cell)];
    ++k.perCell[static_cast<std::size_t>(cell)];
    ++res.placed;
    return {};
  };
  eachRecord(reader, header, cols, o, fields, res.rows, res.leftOutByDefault, take, lose);
}

// The card names of the taxa: each name as a card holds it (30 ASCII
// characters). A name that cannot be held as written gets a line in the
// lost-records file, and a "~2", "~3" ... ending where it would otherwise
// read like another taxon's name.
std::vector<std::string> cardNames(const std::vector<TaxonKey>& taxa, const std::vector<int>& order, StagedFile& lost) {
  std::vector<std::string> names(taxa.size());
  std::set<std::string> used;
  for (std::size_t i = 0; i < taxa.size(); ++i) {
    names[i] = cardName(asciiName(taxa[i].name), asciiName(taxa[i].genus));
    if (names[i] == taxa[i].name) used.insert(names[i]);
  }
  for (int i : order) {
    const auto t = static_cast<std::size_t>(i);
    if (names[t] == taxa[t].name) continue;
    std::string name = names[t];
    for (int n = 2; used.count(name); ++n) {
      const std::string tail = "~" + std::to_string(n);
      name = names[t].substr(0, static_cast<std::size_t>(kNameLength) - tail.size()) + tail;
    }
    used.insert(name);
    names[t] = name;
    lost.write(strprintf("-\tname written as \"%s\" (a datafile name is at most %d ASCII letters)\t%s\t\t\n",
                         name.c_str(), kNameLength, shown(taxa[t].name).c_str()));
  }
  return names;
}

// The cards of the collected taxa in code order: names, codes and levels
// (presence, or for quantities each taxon's busiest cell as 100).
ImportedData cardsOf(const Collection& k, const GbifImportOptions& o) {
  const std::vector<TaxonKey>& taxa = k.taxa;
  const int cells = k.cells;
  const std::vector<std::string> codes = taxonCodes(taxa);
  std::vector<int> order(taxa.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::sort(order.begin(), order.end(),
            [&](int a, int b) { return codes[static_cast<std::size_t>(a)] < codes[static_cast<std::size_t>(b)]; });
  std::vector<int> slot(taxa.size());
  for (std::size_t i = 0; i < order.size(); ++i) slot[static_cast<std::size_t>(order[i])] = static_cast<int>(i);

  ImportedData d;
  d.quantitative = o.quantitative;
  std::string title = (o.quantitative ? "*" : "") + strprintf("Data from %s", o.input.filename().string().c_str());
  d.title = title.substr(0, kNameField - 1);
  d.cardHeads.resize(taxa.size());
  d.levels.assign(taxa.size(), std::vector<std::int8_t>(static_cast<std::size_t>(cells) + 1, 0));
  const std::vector<std::string> names = cardNames(taxa, order, *k.lost);
  for (std::size_t i = 0; i < taxa.size(); ++i) {
    std::string head(2 * kNameField, '\0');
    const std::string& nm = names[i];
    head.replace(0, nm.size(), nm);
    std::string code = codes[i];
    code.resize(kCodeLength, '0');
    head.replace(kCodeOffset, kCodeLength, code);
    d.cardHeads[static_cast<std::size_t>(slot[i])] = std::move(head);
  }
  std::vector<int> largest(taxa.size(), 0);
  for (const auto& [key, n] : k.counts) {
    const auto t = static_cast<std::size_t>(key / static_cast<std::uint64_t>(cells + 1));
    largest[t] = std::max(largest[t], n);
  }
  for (const auto& [key, n] : k.counts) {
    const auto t = static_cast<std::size_t>(key / static_cast<std::uint64_t>(cells + 1));
    const auto c = static_cast<std::size_t>(key % static_cast<std::uint64_t>(cells + 1));
    // ceil(100 n / largest): the taxon's busiest cell becomes 100, every record at least 1.
    const int level = o.quantitative ? static_cast<int>((100L * n + largest[t] - 1) / largest[t]) : 1;
    d.levels[static_cast<std::size_t>(slot[t])][c] = static_cast<std::int8_t>(level);
  }
  d.records = static_cast<long>(k.counts.size());
  return d;
}

// The taxa that had rows but lost every one, in name order, each with a
// line in the lost-records file.
std::vector<std::string> vanishedTaxa(const Collection& k) {
  std::unordered_set<std::string> placed;
  for (const auto& t : k.taxa) placed.insert(t.name.substr(0, kLongestNameKept));
  std::map<std::string, long> gone;
  for (const auto& [name, rows] : k.lostByName)
    if (!placed.count(name)) gone.emplace(name, rows);
  std::vector<std::string> names;
  for (const auto& [name, rows] : gone) {
    k.lost->write(strprintf("-\tevery record of the taxon lost (%ld rows)\t%s\t\t\n", rows, shown(name).c_str()));
    names.push_back(name);
  }
  return names;
}

// Stages the effort scores and the datafile beside the lost records, then
// puts all in place; empty, or what could not be written (the old files
// then stay as they were).
std::string writeImport(Session& s, const GbifImportOptions& o, const Collection& k, const ImportedData& d,
                        GbifImportResult& res) {
  const std::string image = importedDatafileImage(s, d);
  if (image.empty()) return "no memory for the cards of the new datafile";
  // Both were checked to lead into the program folder.
  StagedFile effort(res.effortFile, true), data(o.output, true);
  if (!k.lost->finish()) return k.lost->failure();
  for (auto [file, text] : {std::pair{&effort, effortScoresText(d.title, k.perCell)}, std::pair{&data, image}}) {
    if (!file->open()) return file->failure();
    file->write(text);
    if (!file->finish()) return file->failure();
  }
  for (StagedFile* file : {k.lost, &effort, &data})
    if (!file->publish()) return file->failure();
  return "";
}

}  // namespace

int gbifTaxaLimit(GridVariant v) { return gridSystem(v).maxTaxa(); }

std::optional<std::pair<int, int>> parseYearRange(const std::string& text) {
  const auto dash = text.find('-', 1);
  if (dash == std::string::npos) return std::nullopt;
  int a = 0, b = 0;
  auto r1 = std::from_chars(text.data(), text.data() + dash, a);
  auto r2 = std::from_chars(text.data() + dash + 1, text.data() + text.size(), b);
  if (r1.ec != std::errc() || r1.ptr != text.data() + dash || r2.ec != std::errc() ||
      r2.ptr != text.data() + text.size() || a > b)
    return std::nullopt;
  return std::make_pair(a, b);
}

std::string applyGbifFilters(const GbifDialogModel& m, GbifImportOptions& o) {
  o.maxUncertainty.reset();
  if (!m.maxUncertainty.empty()) {
    const auto v = number(m.maxUncertainty);
    if (!v || *v < 0) return "the largest coordinate uncertainty is a number of metres, 0 or more";
    o.maxUncertainty = *v;
  }
  o.basis.clear();
  for (std::size_t from = 0; from < m.basis.size();) {
    const auto comma = std::min(m.basis.find(',', from), m.basis.size());
    std::string word = m.basis.substr(from, comma - from);
    while (!word.empty() && word.front() == ' ') word.erase(0, 1);
    while (!word.empty() && word.back() == ' ') word.pop_back();
    if (!word.empty()) o.basis.push_back(word);
    from = comma + 1;
  }
  if (!m.basis.empty() && o.basis.empty())
    return "the basis of record takes values such as HUMAN_OBSERVATION,PRESERVED_SPECIMEN";
  o.years.reset();
  if (!m.years.empty()) {
    o.years = parseYearRange(m.years);
    if (!o.years) return "the years take a range such as 1990-2020";
  }
  if (m.rank == "species") o.rank = GbifRank::Species;
  else if (m.rank == "genus") o.rank = GbifRank::Genus;
  else if (m.rank == "family") o.rank = GbifRank::Family;
  else return "the rank is species, genus or family";
  o.quantitative = m.quantitative;
  return {};
}

std::string gbifSummary(const GbifImportResult& r) {
  std::string t = strprintf("%ld rows read: %ld records placed as %ld cell records for %d taxa\n", r.rows, r.placed,
                            r.cellRecords, r.taxa);
  t += strprintf("%ld lost records, listed in %s (each import replaces it)", r.lost, r.lostFile.string().c_str());
  if (r.basisByDefault)
    t += strprintf(
        "\n%ld fossil or zoo and garden records left out (FOSSIL_SPECIMEN, LIVING_SPECIMEN): a basis of record "
        "(--basis) that names them takes them",
        r.leftOutByDefault);
  if (!r.vanished.empty()) {
    // A short list is named here; a long one only in the lost-records file.
    constexpr std::size_t kNamedHere = 10;
    t += strprintf("\n%zu taxa lost every record", r.vanished.size());
    if (r.vanished.size() > kNamedHere) return t + " (named in the lost-records file)";
    for (std::size_t i = 0; i < r.vanished.size(); ++i) t += (i ? ", " : ": ") + shown(r.vanished[i]);
  }
  return t;
}

std::vector<fs::path> gbifOutputs(const GbifImportOptions& o) {
  return {o.output, fs::path(o.output).replace_extension(".scr")};
}

std::string gbifOutputProblem(const Session& s, const GbifImportOptions& o) {
  if (std::string why = outputFolderProblem(o.output); !why.empty()) return why;
  const std::vector<fs::path> outputs = gbifOutputs(o);
  if (outputs[0] == outputs[1])
    return "the datafile cannot be named " + o.output.filename().string() +
           ": its records-per-cell scores file takes that name";
  for (const fs::path& p : outputs) {
    std::error_code ec;
    const auto link = fs::symlink_status(p, ec);
    if (fs::is_symlink(link) && !fs::exists(p, ec))
      return p.string() + " is a symbolic link to nothing; name the new file itself";
    if (!insideProgramFolder(s, p))
      return "the new datafile must lie in a grid folder of the program folder, such as " +
             (s.home / s.grid().exampleFolder() / "new.dat").string();
    if (toLower(p.stem().string()) == "zonarium")
      return p.filename().string() + " is one of the program's own files and is never replaced; choose another name";
    if (fs::exists(p, ec) && !fs::is_regular_file(p, ec)) return p.string() + " exists and is not a plain file";
  }
  return {};
}

GbifImportResult importGbif(Session& s, const GbifImportOptions& o) {
  GbifImportResult res;
  if (std::string why = gbifOutputProblem(s, o); !why.empty()) {
    res.error = why;
    return res;
  }
  const OccurrenceSource src = findOccurrenceSource(o.input.string());
  if (!src.error.empty()) {
    res.error = src.error;
    return res;
  }
  OccurrenceReader reader(src);
  if (!reader.opened()) {
    res.error = "cannot open " + o.input.string();
    return res;
  }
  std::vector<std::string> header;
  Columns cols;
  if (std::string why = findColumns(reader, src, o, header, cols); !why.empty()) {
    res.error = why;
    return res;
  }

  // The grid of the new datafile.
  s.map.showBase(kCodeNone);
  s.settings.measureCode = kCodeNone;
  resetWorkspace(s);
  setDatafilePath(s.ws.datafile, o.output);
  if (!loadGridType(s)) {
    res.error = "the grid type of " + o.output.parent_path().string() + " cannot be loaded";
    return res;
  }
  const CellPlacer placer(s);
  if (!placer.error().empty()) {
    res.error = placer.error();
    return res;
  }
  res.lostFile = s.home / "LOSTDAT.TXT";
  res.effortFile = gbifOutputs(o)[1];
  res.basisByDefault = o.basis.empty() && cols.at[kBasis] >= 0;
  StagedFile lost(res.lostFile);
  if (!lost.open()) {
    res.error = lost.failure();
    return res;
  }
  lost.write("line\treason\tname\tdecimalLatitude\tdecimalLongitude\n");
  Collection k;
  k.lost = &lost;
  k.cells = std::min(lastCellNumber(s.ws), s.ws.cards.layout->maxCells);
  collectRecords(reader, header, cols, o, placer, k, res);

  const int limit = gbifTaxaLimit(s.variant);
  if (static_cast<int>(k.taxa.size()) > limit) {
    res.error = strprintf(
        "the download holds %zu taxa; a datafile on this grid holds at most %d "
        "(narrow it with --rank genus, or filters)",
        k.taxa.size(), limit);
    return res;
  }
  res.vanished = vanishedTaxa(k);
  if (k.taxa.empty()) {
    // The lost rows still replace the last import's, which would mislead.
    res.error = lost.finish() && lost.publish()
                    ? strprintf("no record could be placed on the grid (%ld rows, %ld lost, listed in %s)", res.rows,
                                res.lost, res.lostFile.string().c_str())
                    : lost.failure();
    return res;
  }
  const ImportedData d = cardsOf(k, o);
  res.cellRecords = d.records;
  res.taxa = static_cast<int>(k.taxa.size());
  res.error = writeImport(s, o, k, d, res);
  return res;
}

bool addGbifToProject(Project& p, const GbifImportOptions& o, AddSummary& summary, std::string& error) {
  const OccurrenceSource src = findOccurrenceSource(o.input.string());
  if (!src.error.empty()) {
    error = src.error;
    return false;
  }
  OccurrenceReader reader(src);
  if (!reader.opened()) {
    error = "cannot open " + o.input.string();
    return false;
  }
  std::vector<std::string> header;
  Columns cols;
  if (std::string why = findColumns(reader, src, o, header, cols); !why.empty()) {
    error = why;
    return false;
  }
  OccurrenceAdder adder(p, summary);
  if (!adder.pointsIn(4326, error)) return false;
  std::vector<std::string_view> fields;
  long rows = 0, leftOutByDefault = 0;
  auto take = [&](const auto& field, double lat, double lon) -> std::string {
    if (std::string why = adder.atPoint(lon, lat); !why.empty()) return why;
    adder.add(field(cols.rank), o.rank == GbifRank::Family ? std::string_view{} : field(kGenus), field(kFamily), 1.0);
    return {};
  };
  eachRecord(reader, header, cols, o, fields, rows, leftOutByDefault, take,
             [&](const std::string& why) { adder.lose(why); });
  summary.rows += rows;
  adder.finish(o.quantitative);
  return true;
}

}  // namespace zn
