#include "interchange/dataimport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string_view>
#include <unordered_map>

#include "interchange/textscan.h"
#include "store/datafile.h"
#include "store/files.h"
#include "store/session.h"
#include "store/text.h"
#include "store/utilities.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCaption = "Import data";
const std::string kNewCode = "1" + std::string(kCodeLength - 1, '0');

// The taxa being built, found by their exact name.
class TaxonTable {
 public:
  TaxonTable(ImportedData& d, int cells) : d_(d), cells_(cells) {}

  bool full() const { return full_; }

  // The taxon of a name key, made when new; -1 once the limit stopped reading.
  int find(const std::string& key) {
    if (full_) return -1;
    const std::string name = key.substr(0, kNameField - 1);
    if (last_ >= 0 && lastName_ == name) return last_;
    auto it = index_.find(name);
    int t;
    if (it != index_.end()) {
      t = it->second;
    } else {
      t = static_cast<int>(d_.cardHeads.size());
      std::string head(2 * kNameField, '\0');
      head.replace(0, name.size(), name);
      head.replace(kCodeOffset, kCodeLength, kNewCode);
      d_.cardHeads.push_back(std::move(head));
      d_.levels.emplace_back(static_cast<std::size_t>(cells_) + 1, 0);
      index_.emplace(name, t);
      if (static_cast<int>(d_.cardHeads.size()) >= kImportMaxTaxa) {
        d_.notices.push_back(
            {strprintf("Limit to number of taxa (%d) reached", kImportMaxTaxa), kCaption, Icon::Exclamation});
        full_ = true;
      }
    }
    last_ = t;
    lastName_ = name;
    return t;
  }

  void set(int taxon, int cell, int level) {
    d_.levels[static_cast<std::size_t>(taxon)][static_cast<std::size_t>(cell)] = static_cast<std::int8_t>(level);
    ++d_.records;
  }

  // Changes the level of a record already counted.
  void mark(int taxon, int cell, int level) {
    d_.levels[static_cast<std::size_t>(taxon)][static_cast<std::size_t>(cell)] = static_cast<std::int8_t>(level);
  }

  void setCode(int taxon, const std::string& code) {
    std::string c = code.substr(0, kCodeLength);
    c.resize(kCodeLength, '0');
    d_.cardHeads[static_cast<std::size_t>(taxon)].replace(kCodeOffset, kCodeLength, c);
  }

  void lose(const std::string& line) {
    d_.lostText += line;
    ++d_.lost;
  }

 private:
  ImportedData& d_;
  int cells_;
  std::unordered_map<std::string, int> index_;
  int last_ = -1;
  std::string lastName_;
  bool full_ = false;
};

// "%s %s" of genus and species, the genus cut so that the key fits the name field.
std::string speciesKey(const std::string& genus, const std::string& species) {
  const std::size_t room = kNameField - 1;
  if (species.size() + 1 >= room) return species.substr(0, room);
  std::string key = genus.substr(0, room - species.size() - 1) + " " + species;
  if (key.size() > room) key.resize(room);
  return key;
}

// The leading quote of the quoted layouts is skipped only when it is there.
std::string_view afterQuote(std::string_view line) {
  if (!line.empty() && line.front() == '"') line.remove_prefix(1);
  return line;
}

// The cells by the leading four or six characters of their location names
// (the 10 km references of the Britain grid); the first cell wins.
std::unordered_map<std::string, int> referenceIndex(const Workspace& ws) {
  std::unordered_map<std::string, int> refs;
  for (int n = 1; n <= ws.geo.cells && n < static_cast<int>(ws.cells.size()); ++n) {
    const std::string name = fieldText(
        reinterpret_cast<const unsigned char*>(ws.cells[static_cast<std::size_t>(n)].name.data()), kLocationNameLength);
    for (std::size_t len : {std::size_t(4), std::size_t(6)})
      if (name.size() >= len && name.find(' ') >= len) refs.emplace(name.substr(0, len), n);
  }
  return refs;
}

bool looksLikeReference(std::string_view t) {
  return (t.size() == 4 || t.size() == 6) && std::isalpha(static_cast<unsigned char>(t[0])) &&
         std::isdigit(static_cast<unsigned char>(t[t.size() - 1])) &&
         std::isdigit(static_cast<unsigned char>(t[t.size() - 2]));
}

// Names by number from a names file ("%d %s" lines); later lines win.
std::unordered_map<long long, std::string> numberedNames(const std::string& text, std::vector<std::string>* inOrder) {
  std::unordered_map<long long, std::string> names;
  for (std::string_view line : textLines(text)) {
    // A line with no name (or no number) still takes its place in order.
    std::vector<std::string> f;
    scanFields(line, {take("^ "), skip(" "), take("^\n")}, f);
    const std::string name = f.size() > 1 ? f[1] : std::string();
    if (!f.empty()) names[toInteger(f[0])] = name;
    if (inOrder) inOrder->push_back(name);
  }
  return names;
}

// The cell an area field names: a 10 km reference on the Britain grid (when
// `refs` is given), otherwise or failing that a number; 0 for none.
int areaOf(const std::string& field, int cells, const std::unordered_map<std::string, int>* refs) {
  if (refs) {
    std::string ref = field.substr(0, field.find_last_not_of(" \t") + 1);
    ref = ref.substr(std::min(ref.size(), ref.find_first_not_of(" \t")));
    for (char& c : ref) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (auto it = refs->find(ref); it != refs->end()) return it->second;
  }
  const long long cell = toInteger(field);
  return cell >= 1 && cell <= cells ? static_cast<int>(cell) : 0;
}

void readGenusSpeciesCells(const std::vector<std::string_view>& lines, bool quoted, bool groupCodes, TaxonTable& tt,
                           int cells, const std::unordered_map<std::string, int>* refs) {
  for (std::string_view raw : lines) {
    if (tt.full()) return;
    std::vector<std::string> f;
    const bool ok =
        quoted ? scanFields(afterQuote(raw), {take("^\""), skip(",\""), take("^\""), skip(",\""), take("^\"")}, f)
               : scanFields(raw, {take("^,"), skip(","), take("^,"), skip(","), take("^\n")}, f);
    // The Britain grid's text list export writes "name","reference": read
    // it back as the whole name and its area.
    const bool nameAndArea = !ok && refs && quoted && !groupCodes && f.size() == 2;
    if (!ok && !nameAndArea) {
      tt.lose(std::string(raw) + "\n");
      continue;
    }
    if (nameAndArea) f = {f[0], "", f[1]};
    const int t = tt.find(nameAndArea ? f[0].substr(0, kNameField - 1) : speciesKey(f[0], f[1]));
    if (t < 0) return;
    if (groupCodes) {
      tt.setCode(t, f[2]);
      continue;
    }
    const int cell = areaOf(f[2], cells, refs);
    if (cell > 0) tt.set(t, cell, 2);
    else if (refs) tt.lose(strprintf("area %s\n", f[2].c_str()));
    else tt.lose(strprintf("%s %s %s\n", f[0].c_str(), f[1].c_str(), f[2].c_str()));
  }
}

void readPoints(const std::vector<std::string_view>& lines, int layout, TaxonTable& tt, const UnitGeometry& where) {
  for (std::string_view raw : lines) {
    if (tt.full()) return;
    std::vector<std::string> f;
    bool ok = false;
    if (layout == kImportLatLong) ok = scanFields(raw, {take("^ "), skip(" "), take("^ "), skip(" "), take("^\n")}, f);
    else if (layout == kImportQuotedLatLong)
      ok = scanFields(afterQuote(raw),
                      {take("^\""), skip(",\""), take("^\""), skip(",\""), take("^,"), skip(","), take("^\n")}, f);
    else
      ok = scanFields(
          afterQuote(raw),
          {take("^\""), skip(",\""), take("^,"), skip(","), take("^,"), skip(","), take("^,"), skip(","), take("^\n")},
          f);
    if (!ok) {
      tt.lose(std::string(raw) + "\n");
      continue;
    }
    std::string key;
    std::optional<double> lat, lon;
    int level = 2;
    std::string lostLine;
    if (layout == kImportLatLong) {
      key = f[0];
      if (auto u = key.find('_'); u != std::string::npos) key[u] = ' ';
      lat = toReal(f[1]);
      lon = toReal(f[2]);
      if (lat) *lat += 0.5;
      if (lon) *lon += 0.5;
      level = 1;
      lostLine = strprintf("%s %s %s\n", f[0].c_str(), f[1].c_str(), f[2].c_str());
    } else if (layout == kImportQuotedLatLong) {
      key = speciesKey(f[0], f[1]);
      lat = toReal(f[2]);
      lon = toReal(f[3]);
      lostLine = strprintf("%s %s %s %s\n", f[0].c_str(), f[1].c_str(), f[2].c_str(), f[3].c_str());
    } else {
      key = f[0];
      lon = toReal(f[3]);
      lat = toReal(f[4]);
      // A level byte holds no more than a quantity of 100.
      level = static_cast<int>(std::clamp<long long>(toInteger(f[2]), 0, 100));
      lostLine = strprintf("%s %s %s %s %s\n", f[0].c_str(), f[1].c_str(), f[2].c_str(), f[3].c_str(), f[4].c_str());
    }
    const int t = tt.find(key);
    if (t < 0) return;
    const int cell = lat && lon ? where.unitAtPoint(*lon, *lat) : 0;
    if (cell > 0) tt.set(t, cell, level);
    else tt.lose(lostLine);
  }
}

// TNC (NWPS on the Britain grid): a line beginning with a letter names a
// taxon; any other line is a record "level latitude longitude", or "level
// reference" with a 10 km reference, separated by blanks or commas.
void readTnc(const std::vector<std::string_view>& lines, TaxonTable& tt, const UnitGeometry& where,
             const std::unordered_map<std::string, int>& refs) {
  int t = -1;
  std::string taxon = "-";
  for (std::string_view raw : lines) {
    if (tt.full()) return;
    if (std::isalpha(static_cast<unsigned char>(raw.front()))) {
      std::string name(raw.substr(0, raw.find_last_not_of(" \t") + 1));
      t = tt.find(name);
      if (t < 0) return;
      taxon = name.substr(0, kNameField - 1);
      continue;
    }
    const std::vector<std::string> f = splitTokens(raw, " \t,");
    if (f.empty()) continue;
    const long long level = toInteger(f[0]);
    int cell = 0;
    if (f.size() == 2 && refs.count(f[1])) {
      cell = refs.at(f[1]);
    } else if (f.size() >= 3) {
      auto lat = toReal(f[1]);
      auto lon = toReal(f[2]);
      if (lat && lon) cell = where.unitAtPoint(*lon, *lat);
    }
    if (t >= 0 && cell > 0 && level >= 1 && level < 101) {
      tt.set(t, cell, static_cast<int>(level));
      continue;
    }
    std::string line = taxon;
    for (const std::string& x : f) line += " " + x;
    tt.lose(line + "\n");
  }
}

// The cells of the 4- and 6-character references, keyed by the characters
// packed into one number: an open-addressing table that the DMAP reader can
// probe without making a string per token.
class ReferenceTable {
 public:
  explicit ReferenceTable(const std::unordered_map<std::string, int>& refs) {
    std::size_t size = 16;
    while (size < 2 * refs.size() + 2) size *= 2;
    keys_.assign(size, 0);
    cells_.assign(size, 0);
    for (const auto& [name, cell] : refs) {
      std::size_t i = slot(pack(name));
      while (keys_[i] != 0) i = (i + 1) & (keys_.size() - 1);
      keys_[i] = pack(name);
      cells_[i] = cell;
    }
  }
  // The cell of a reference, or 0.
  int find(std::string_view ref) const {
    if (ref.empty() || ref.size() > 7) return 0;
    const std::uint64_t key = pack(ref);
    for (std::size_t i = slot(key);; i = (i + 1) & (keys_.size() - 1)) {
      if (keys_[i] == key) return cells_[i];
      if (keys_[i] == 0) return 0;
    }
  }

 private:
  // Up to 7 bytes and the length: never 0 for a name of 1 ... 7 bytes.
  static std::uint64_t pack(std::string_view s) {
    std::uint64_t k = s.size();
    for (std::size_t i = 0; i < s.size() && i < 7; ++i)
      k |= std::uint64_t(static_cast<unsigned char>(s[i])) << (8 * (i + 1));
    return k;
  }
  std::size_t slot(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> 20) & (keys_.size() - 1);
  }
  std::vector<std::uint64_t> keys_;
  std::vector<int> cells_;
};

// DMAP: blank-separated tokens. A 10 km reference sets its cell to 2; a
// following "K" or "G" (or a status digit 1) lowers it to 1; a word starts
// a taxon (words in a row make one name); a number other than -1 starts the
// taxon of that number in the names file; -1 closes a taxon.
void readDmap(const std::string& text, const std::optional<std::string>& namesText, TaxonTable& tt,
              const std::unordered_map<std::string, int>& refs) {
  const auto names = namesText ? numberedNames(*namesText, nullptr) : std::unordered_map<long long, std::string>{};
  int t = -1;
  std::string taxon = "-";
  std::string pending;
  int lastCell = 0;
  bool afterReference = false;
  auto flush = [&] {
    if (pending.empty()) return;
    t = tt.find(pending);
    taxon = pending.substr(0, kNameField - 1);
    pending.clear();
    lastCell = 0;
  };
  // Files run to hundreds of megabytes: the tokens are taken one at a time
  // from the text, and references are looked up by their packed characters.
  const ReferenceTable table(refs);
  const std::string_view all(text);
  auto separator = [](char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; };
  for (std::size_t pos = 0;;) {
    while (pos < all.size() && separator(all[pos])) ++pos;
    if (pos >= all.size()) break;
    const std::size_t start = pos;
    while (pos < all.size() && !separator(all[pos])) ++pos;
    const std::string_view tok = all.substr(start, pos - start);
    const bool wasAfter = afterReference;
    afterReference = false;
    const bool word = std::isalpha(static_cast<unsigned char>(tok[0])) && !looksLikeReference(tok) &&
                      !(tok.size() == 1 && (wasAfter || tok == "K" || tok == "G"));
    if (word) {
      if (!pending.empty()) pending += ' ';
      pending += tok;
      continue;
    }
    flush();
    if (tt.full()) return;
    if (looksLikeReference(tok)) {
      const int cell = table.find(tok);
      if (t >= 0 && cell > 0) {
        tt.set(t, cell, 2);
        lastCell = cell;
        afterReference = true;
      } else {
        // As "%s %s": each part ends at a NUL byte.
        const auto cut = [](std::string_view v) { return v.substr(0, v.find('\0')); };
        tt.lose(std::string(cut(taxon)) + " " + std::string(cut(tok)) + "\n");
        lastCell = 0;
      }
    } else if (tok == "K" || tok == "G" || (wasAfter && tok == "1")) {
      if (t >= 0 && lastCell > 0) tt.mark(t, lastCell, 1);
    } else if (wasAfter && tok.size() == 1) {
      // Another status letter or digit keeps the record at 2.
    } else if (tok == "-1") {
      t = -1;
      taxon = "-";
      lastCell = 0;
    } else {
      const long long n = toInteger(tok);
      auto it = names.find(n);
      pending = it != names.end() && !it->second.empty() ? it->second : strprintf("Sp %lld", n);
    }
  }
  flush();
}

// The quantitative matrix: names from the ".nam" file (or NAMES.BIN), then
// one line per area: the area number and one value per taxon. Lines that
// hold exactly one value per taxon, as "data matrix" export writes them,
// stand for the areas 1, 2, ... in order (see `unnumbered` for when).
void readMatrix(const ImportInput& in, ImportedData& d, int cells, const std::unordered_map<std::string, int>* refs) {
  std::vector<std::string> names;
  if (in.names) numberedNames(*in.names, &names);
  std::vector<std::string> binHeads;
  if (in.namesBin) {
    const std::string& b = *in.namesBin;
    std::size_t off = 0;
    const std::size_t header = 2 + kNameField;
    if (b.size() >= header && (b.size() - header) % (2 * kNameField) == 0) {
      // A header before the records brings the title of the exported data.
      d.title =
          ("*" + fieldText(reinterpret_cast<const unsigned char*>(b.data()) + 2, kNameField)).substr(0, kNameField - 1);
      off = header;
    }
    for (; off + 2 * kNameField <= b.size(); off += 2 * kNameField) binHeads.push_back(b.substr(off, 2 * kNameField));
  }
  int taxa = static_cast<int>(in.names ? names.size() : binHeads.size());

  // A line of nothing but blanks and carriage returns holds no area.
  std::vector<std::vector<std::string>> rows;
  for (std::string_view line : textLines(in.text))
    if (auto v = splitTokens(line, " \t"); !v.empty()) rows.push_back(std::move(v));
  const bool decimal = in.text.find('.') != std::string::npos;
  const int columns = rows.empty() ? 0 : static_cast<int>(rows.front().size());
  const bool numbered = taxa > 0 && columns == taxa + 1;
  // Lines without area numbers are the areas 1, 2, ... only where that is
  // certain: the export's matrix (NAMES.BIN beside it), or one line for
  // every cell and no line with a number in front. A numbered matrix one
  // column short is a mismatch, not area numbers read as data.
  const bool unnumbered =
      taxa > 0 && columns == taxa &&
      (in.namesBin ||
       (static_cast<int>(rows.size()) == cells &&
        std::all_of(rows.begin(), rows.end(), [&](const auto& v) { return static_cast<int>(v.size()) == taxa; })));
  if (!numbered && !unnumbered) {
    d.notices.push_back({strprintf("Mismatch in number of taxa %d/%d\n(ensure data matrix lines begin with a space)",
                                   taxa, std::max(0, columns - 1)),
                         kCaption, Icon::Exclamation});
    taxa = 0;
  } else {
    d.notices.push_back(
        {strprintf("Match in number of taxa:\n %d names %d data (%s)", taxa, taxa, in.inputName.c_str()), kCaption,
         Icon::Information});
  }
  if (taxa > kImportMaxTaxa) {
    d.notices.push_back(
        {strprintf("Limit to number of taxa (%d) reached", kImportMaxTaxa), kCaption, Icon::Exclamation});
    taxa = kImportMaxTaxa;
  }
  for (int t = 0; t < taxa; ++t) {
    std::string head(2 * kNameField, '\0');
    std::string name = t < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(t)] : std::string();
    if (name.empty()) name = strprintf("Sp %d", t + 1);
    head.replace(0, std::min<std::size_t>(name.size(), kNameField - 1), name.substr(0, kNameField - 1));
    head.replace(kCodeOffset, kCodeLength, kNewCode);
    if (t < static_cast<int>(binHeads.size())) {
      head = binHeads[static_cast<std::size_t>(t)];
      head[kNameField - 1] = '\0';
      head[kCodeOffset + kCodeLength] = '\0';
    }
    d.cardHeads.push_back(std::move(head));
    d.levels.emplace_back(static_cast<std::size_t>(cells) + 1, 0);
  }
  if (taxa == 0) return;

  long long row = 0;
  for (const std::vector<std::string>& v : rows) {
    ++row;
    const long long area = !numbered ? row : refs ? areaOf(v[0], cells, refs) : toInteger(v[0]);
    const std::size_t first = numbered ? 1 : 0;
    for (std::size_t k = first; k < v.size() && static_cast<int>(k - first) < taxa; ++k) {
      long long value = 0;
      if (decimal) {
        const double x = toReal(v[k]).value_or(0.0) * 100.0;
        value = std::isfinite(x) ? static_cast<long long>(std::llround(std::clamp(x, -1.0, 101.0))) : 0;
      } else {
        value = toInteger(v[k]);
      }
      value = std::clamp<long long>(value, 0, 100);
      if (value == 0) continue;
      const int taxon = static_cast<int>(k - first);
      if (area < 1 || area > cells) {
        d.lostText += numbered && refs ? strprintf("area %s attribute %d\n", v[0].c_str(), taxon + 1)
                                       : strprintf("area %lld attribute %d\n", area, taxon + 1);
        ++d.lost;
        continue;
      }
      d.levels[static_cast<std::size_t>(taxon)][static_cast<std::size_t>(area)] = static_cast<std::int8_t>(value);
      ++d.records;
    }
  }
}

}  // namespace

std::vector<int> ImportDialogModel::layouts() const {
  if (britain) return {1, 2, 3, 4, 5, 9};
  return {1, 2, 3, 4, 5, 6, 7, 8, 9};
}

std::pair<std::string, std::string> ImportDialogModel::label(int l) const {
  switch (l) {
    case 1: return {"quote- and comma-delimited text list:", "\"Genus\",\"species\",\"cell#\"[newline]"};
    case 2: return {"comma-delimited text list:", "Genus,species,cell#[newline]"};
    case 3: return {"comma-delimited text list:", "Genus,species,group#[newline]"};
    case 4: return {britain ? "NWPS format" : "TNC format", ""};
    case 5: return {"DMAP format (Britain + Europe only)", ""};
    case 6: return {"comma-delimited text list:", "Genus,species,lat,long[newline]"};
    case 7: return {"quote- and comma-delimited text list:", "\"Genus\",\"species\",lat,long[newline]"};
    case 8: return {"quote- and comma-delimited text list:", "\"Name\",code,record,x,y[newline]"};
    case 9: return {"quantitative (decimal) data matrix", ""};
    default: return {"", ""};
  }
}

void ImportDialogModel::choose(int l) {
  const auto shown = layouts();
  if (std::find(shown.begin(), shown.end(), l) != shown.end()) layout = l;
}

ImportedData convertImport(const ImportInput& in, const Workspace& ws) {
  ImportedData d;
  const int cells = ws.geo.cells;
  d.title = strprintf("Data from %s", in.inputName.c_str());
  if (in.layout == kImportMatrix) {
    d.quantitative = true;
    d.title = "*" + d.title;
    const auto refs = in.britain ? referenceIndex(ws) : std::unordered_map<std::string, int>{};
    readMatrix(in, d, cells, in.britain ? &refs : nullptr);
    return d;
  }
  TaxonTable tt(d, cells);
  if (in.layout == kImportDmap) {
    // DMAP is read by tokens, not lines: no list of every line of a large file.
    readDmap(in.text, in.names, tt, referenceIndex(ws));
    return d;
  }
  const std::vector<std::string_view> lines = textLines(in.text);
  switch (in.layout) {
    case kImportQuoted:
    case kImportComma:
    case kImportGroup: {
      const auto refs = in.britain ? referenceIndex(ws) : std::unordered_map<std::string, int>{};
      readGenusSpeciesCells(lines, in.layout == kImportQuoted, in.layout == kImportGroup, tt, cells,
                            in.britain ? &refs : nullptr);
    } break;
    // Points are longitudes and latitudes, which only world cells span.
    case kImportTnc: readTnc(lines, tt, *worldGeometry(ws), referenceIndex(ws)); break;
    case kImportLatLong:
    case kImportQuotedLatLong:
    case kImportRecords: readPoints(lines, in.layout, tt, *worldGeometry(ws)); break;
    default: break;
  }
  return d;
}

namespace {

bool storeImported(Session& s, const ImportedData& d) {
  Workspace& ws = s.ws;
  const int n = static_cast<int>(d.cardHeads.size());
  if (!allocateCardStore(s, n + kCapacityMargin) || ws.cards.slots() < n) return false;
  const int cells = std::min(ws.geo.cells, ws.cards.layout->maxCells);
  for (int t = 0; t < n; ++t) {
    std::copy(d.cardHeads[static_cast<std::size_t>(t)].begin(), d.cardHeads[static_cast<std::size_t>(t)].end(),
              ws.cards.card(t));
    const auto& v = d.levels[static_cast<std::size_t>(t)];
    for (int c = 1; c <= cells && c < static_cast<int>(v.size()); ++c)
      if (v[static_cast<std::size_t>(c)] != 0) ws.cards.setLevel(t, c, v[static_cast<std::size_t>(c)]);
  }
  ws.taxaCount = n;
  return true;
}

}  // namespace

std::string importedDatafileImage(Session& s, const ImportedData& d) {
  if (!storeImported(s, d)) return {};
  std::vector<int> all(static_cast<std::size_t>(d.cardHeads.size()));
  for (std::size_t t = 0; t < all.size(); ++t) all[t] = static_cast<int>(t);
  std::string image = datafileImageOf(s, d.title, all);
  // A datafile holds at least three cards (the format check reads the
  // third): the placeholders written before the taxa stay behind the last
  // taxon, named "empty card" with a code of zeros, outside the header's count.
  const auto cardSize = static_cast<std::size_t>(s.ws.cards.layout->size);
  for (std::size_t t = all.size(); t < 3; ++t) {
    std::string card(cardSize, '\0');
    card.replace(0, 10, "empty card");
    card.replace(kCodeOffset, kCodeLength, std::string(kCodeLength, '0'));
    image += card;
  }
  return image;
}

bool insideProgramFolder(const Session& s, const fs::path& p) {
  std::error_code ec;
  const fs::path home = fs::weakly_canonical(s.home, ec);
  const fs::path full = fs::weakly_canonical(fs::absolute(p, ec), ec);
  return !ec && full.has_parent_path() && full.parent_path().parent_path() == home && !full.filename().empty();
}

namespace {

// The names file beside the input: "x.nam", or "x.NAM" from older tools.
std::optional<std::string> readBeside(const fs::path& input) {
  for (const char* e : {".nam", ".NAM"}) {
    fs::path p = input;
    p.replace_extension(e);
    if (auto b = readFileBytes(p, kImportInputMax)) return b;
  }
  return std::nullopt;
}

}  // namespace

bool importPossible(const Session& s, int layout) {
  return !s.ws.cells.empty() && layout >= kImportQuoted && layout <= kImportMatrix;
}

std::optional<Notice> importRefusal(const Session& s, int layout) {
  if (layout == kImportDmap && !s.grid().readsDmap() && s.ws.datafile.subdir.compare(0, 7, "britain") != 0)
    return Notice{"DMAP format\nonly available for Britain, Finland and Europe", kCaption, Icon::Information};
  if (!s.grid().importsCoordinates() && (layout == kImportLatLong || layout == kImportQuotedLatLong))
    return Notice{"lat-long format\nnot available", kCaption, Icon::Information};
  if (!s.grid().importsCoordinates() && layout == kImportRecords)
    return Notice{"import of coordinates\nnot supported by this version", kCaption, Icon::Information};
  return std::nullopt;
}

FileRequest importInputRequest(const Session& s, int layout) {
  FileRequest open;
  open.title = "Read import data";
  open.filters = {layout == kImportDmap ? FileFilter{"DMAP data (*.dis)", "*.dis"}
                                        : FileFilter{"ASCII data (*.txt)", "*.txt"}};
  open.initialDir = s.dataDir.empty() ? s.home : s.dataDir;
  open.mustExist = true;
  return open;
}

std::optional<ImportInput> readImportInput(const Session& s, Notices& notices, int layout, const fs::path& input) {
  ImportInput in;
  in.layout = layout;
  in.britain = s.grid().namesAreasByReference();
  in.inputName = input.filename().string();
  std::error_code sizeError;
  if (const auto bytes = fs::file_size(input, sizeError); !sizeError && bytes > kImportInputMax) {
    notices.push_back({strprintf("File too large to import (over %d MiB):\n%s", static_cast<int>(kImportInputMax >> 20),
                                 input.string().c_str()),
                       kCaption, Icon::Exclamation});
    return std::nullopt;
  }
  if (auto text = readFileBytes(input, kImportInputMax)) {
    in.text = std::move(*text);
  } else {
    notices.push_back({strprintf("Can't open file\n%s", input.string().c_str()), kCaption, Icon::Exclamation});
    return std::nullopt;
  }
  if (layout == kImportMatrix || layout == kImportDmap) in.names = readBeside(input);
  return in;
}

FileRequest importTargetRequest(const Session& s) {
  FileRequest save;
  save.title = "Write import data";
  save.filters = {{"ZN data (*.dat)", "*.dat"}};
  save.initialDir = s.dataDir.empty() ? s.home : s.dataDir;
  save.mustExist = false;
  return save;
}

}  // namespace zn
