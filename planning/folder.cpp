#include "planning/folder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <numeric>
#include <unordered_map>

#include "planning/outputset.h"
#include "store/files.h"
#include "store/text.h"

namespace zn::planning {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxLine = 1 << 20;

// Lines of a text file, LF or CR LF, without a leading byte-order mark; a
// line longer than kMaxLine (a binary file, say) stops the reading.
class LineReader {
 public:
  explicit LineReader(const fs::path& path) : f_(std::fopen(path.c_str(), "rb"), &std::fclose) {}
  bool open() const { return f_ != nullptr; }
  long number() const { return number_; }
  bool tooLong() const { return tooLong_; }

  bool next(std::string& line) {
    line.clear();
    for (;;) {
      if (pos_ == len_) {
        len_ = std::fread(buf_, 1, sizeof buf_, f_.get());
        pos_ = 0;
        if (len_ == 0) {
          if (line.empty() && !pending_) return false;
          break;
        }
      }
      pending_ = true;
      const char* start = buf_ + pos_;
      const void* nl = std::memchr(start, '\n', len_ - pos_);
      const std::size_t take = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - start) : len_ - pos_;
      if (line.size() + take > kMaxLine) {
        tooLong_ = true;
        return false;
      }
      line.append(start, take);
      pos_ += take;
      if (nl) {
        ++pos_;
        break;
      }
    }
    pending_ = false;
    ++number_;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number_ == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    return true;
  }

 private:
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f_;
  char buf_[1 << 16];
  std::size_t pos_ = 0, len_ = 0;
  long number_ = 0;
  bool pending_ = false;
  bool tooLong_ = false;
};

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return s;
}

// Fields split at the delimiter outside double quotes, so a quoted name may
// hold the delimiter.
void split(std::string_view line, char delim, std::vector<std::string_view>& out) {
  out.clear();
  std::size_t from = 0;
  bool quoted = false;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size() && line[i] == '"') quoted = !quoted;
    if (i == line.size() || (line[i] == delim && !quoted)) {
      out.push_back(trim(line.substr(from, i - from)));
      from = i + 1;
    }
  }
}

// A quoted text with its doubled quotes made single again.
std::string unquoted(std::string_view s) {
  std::string t;
  for (std::size_t i = 0; i < s.size(); ++i) {
    t += s[i];
    if (s[i] == '"' && i + 1 < s.size() && s[i + 1] == '"') ++i;
  }
  return t;
}

bool parseNumber(std::string_view s, double& v) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(v);
}

bool parseId(std::string_view s, long long& v) {
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size() && v > 0;
}

std::string shown(std::string_view s) {
  std::string t(s.substr(0, 40));
  return "\"" + t + (s.size() > 40 ? "...\"" : "\"");
}

// A table file: its header's columns by lower-case name, then one call per row.
class Table {
 public:
  Table(const fs::path& path, std::string name) : reader_(path), name_(std::move(name)) {}

  bool open(std::string& error) {
    if (!reader_.open()) {
      error = name_ + ": cannot be read (missing?)";
      return false;
    }
    std::string header;
    while (reader_.next(header) && trim(header).empty()) {
    }
    if (reader_.tooLong() || trim(header).empty()) {
      error = name_ + ": no header row";
      return false;
    }
    delim_ = header.find('\t') != std::string::npos ? '\t' : ',';
    std::vector<std::string_view> cols;
    split(header, delim_, cols);
    for (std::size_t i = 0; i < cols.size(); ++i) columns_.emplace(toLower(cols[i]), i);
    width_ = cols.size();
    return true;
  }

  int column(const std::string& name) const {
    const auto it = columns_.find(name);
    return it == columns_.end() ? -1 : static_cast<int>(it->second);
  }

  // Calls row(fields) for each non-blank row; stops at the first false.
  template <class F>
  bool rows(std::string& error, F&& row) {
    std::string line;
    std::vector<std::string_view> fields;
    while (reader_.next(line)) {
      if (trim(line).empty()) continue;
      split(line, delim_, fields);
      if (fields.size() != width_) {
        error = where() + strprintf("%zu fields where the header has %zu", fields.size(), width_);
        return false;
      }
      if (!row(fields)) return false;
    }
    if (reader_.tooLong()) {
      error = name_ + strprintf(" line %ld: longer than %zu bytes", reader_.number() + 1, kMaxLine);
      return false;
    }
    return true;
  }

  std::string where() const { return name_ + strprintf(" line %ld: ", reader_.number()); }

 private:
  LineReader reader_;
  std::string name_;
  char delim_ = ',';
  std::size_t width_ = 0;
  std::unordered_map<std::string, std::size_t> columns_;
};

// Keys of the other tool's input.dat that steer its annealing, heuristics
// and extra files: read, named once in the report, and otherwise left alone.
constexpr std::string_view kUnusedKeys =
    " PROP RANDSEED NUMITNS STARTTEMP COOLFAC NUMTEMP COSTTHRESH THRESHPEN1 THRESHPEN2 RUNMODE HEURTYPE "
    "CLUMPTYPE ITIMPTYPE VERBOSITY PROBABILITYWEIGHTING STARTDECTHRESH ENDDECTHRESH STARTDECMULT ENDDECMULT "
    "SAVESPEC SAVEPU SAVEMATRIXPUORDER SAVEMATRIXSPORDER SAVEPENALTY SAVETOTALAREAS SAVEDEBUGTRACEFILE "
    "SAVERICHNESS SAVELOG SAVESNAPSTEPS SAVESNAPCHANGES SAVESNAPFREQUENCY SAVEANNEALINGTRACE "
    "ANNEALINGTRACEROWS SAVEITIMPTRACE ITIMPTRACEROWS RIMAGETYPE REXECUTESCRIPT RCLUSTERCOUNT RIMAGEWIDTH "
    "RIMAGEHEIGHT RIMAGEFONTSIZE ASYMMETRICCONNECTIVITY CONNECTIVITYIN MATRIXSPORDERNAME PENALTYNAME "
    "CONNECTIONFILESNAME BLOCKDEFNAME RBINARYPATHNAME ";

// A name taken relative to a folder: no absolute path and no way up out of it.
bool staysInside(const std::string& value) {
  const fs::path p(value);
  if (value.empty() || p.is_absolute() || p.has_root_name() || p.has_root_directory()) return false;
  const fs::path n = p.lexically_normal();
  return n.empty() || *n.begin() != "..";
}

bool readSettings(const fs::path& dir, const std::string& inputName, FolderSettings& s, PlanningTerms& p,
                  std::string& error) {
  LineReader in(dir / inputName);
  if (!in.open()) {
    error = inputName + ": cannot be read (missing?)";
    return false;
  }
  std::string inputDir = "input", outputDir = "output", line;
  while (in.next(line)) {
    std::string_view v = trim(line);
    const std::size_t sp = v.find_first_of(" \t");
    const std::string_view key = v.substr(0, sp);
    // Prose and headings share the file with the settings: only a key in
    // capitals followed by a value is a setting.
    if (sp == std::string_view::npos || key.empty() || !std::all_of(key.begin(), key.end(), [](char c) {
          return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        }))
      continue;
    const std::string value(trim(v.substr(sp + 1)));
    const std::string where = inputName + strprintf(" line %ld: ", in.number()) + std::string(key) + " " + shown(value);
    auto numeric = [&](double& out, double lo, double hi) {
      double d = 0;
      if (!parseNumber(value, d) || d < lo || d > hi) {
        error = where + strprintf(" is not a number from %g to %g", lo, hi);
        return false;
      }
      out = d;
      return true;
    };
    auto path = [&](std::string& out, const char* folder) {
      if (!staysInside(value)) {
        error = where + " is not a name inside the " + folder + " (no absolute path, no \"..\")";
        return false;
      }
      out = value;
      return true;
    };
    auto saving = [&](int& out) {
      double d = 0;
      if (!numeric(d, 0, 3) || d != std::floor(d)) {
        error = where + " is not 0 (no file) or 1, 2, 3 (a file)";
        return false;
      }
      out = static_cast<int>(d);
      return true;
    };
    bool ok = true;
    if (key == "INPUTDIR") ok = path(inputDir, "planning-unit folder");
    else if (key == "OUTPUTDIR") {
      // The output folder is replaced as a whole by each run, so it cannot be
      // the planning-unit folder itself.
      ok = path(outputDir, "planning-unit folder");
      if (ok && fs::path(value).lexically_normal() == ".") {
        error = where + " is the planning-unit folder itself: the outputs need a folder of their own, such as output";
        return false;
      }
    } else if (key == "PUNAME") ok = path(s.puName, "input folder");
    else if (key == "SPECNAME") ok = path(s.specName, "input folder");
    else if (key == "PUVSPRNAME") ok = path(s.puvsprName, "input folder");
    else if (key == "BOUNDNAME") ok = path(s.boundName, "input folder");
    else if (key == "SCENNAME") {
      // The scenario names files inside the output folder, so it is a plain name.
      if (value.find_first_of("/\\") != std::string::npos || value == "." || value == "..") {
        error = where + " is not a plain name (the outputs stay inside the output folder)";
        return false;
      }
      s.scenario = value;
    } else if (key == "NUMREPS") {
      double d = 0;
      ok = numeric(d, 1, 10000);
      s.reps = static_cast<int>(d);
    } else if (key == "MISSLEVEL") ok = numeric(p.missLevel, 0, 1);
    else if (key == "BLM") ok = numeric(p.blm, 0, 1e300);
    else if (key == "SAVEBEST") ok = saving(s.saveBest);
    else if (key == "SAVERUN") ok = saving(s.saveRun);
    else if (key == "SAVESUMMARY") ok = saving(s.saveSummary);
    else if (key == "SAVETARGMET") ok = saving(s.saveTargets);
    else if (key == "SAVESUMSOLN") ok = saving(s.saveSumSolution);
    else if (key == "SAVESOLUTIONSMATRIX") ok = saving(s.saveSolutionsMatrix);
    else if (key == "SAVESCEN") ok = saving(s.saveScenario);
    else if (key == "SOLUTIONSMATRIXHEADERS") s.solutionsMatrixHeaders = value != "0";
    else if (key == "BESTFIELDNAME") s.bestFieldName = value;
    else if (kUnusedKeys.find(" " + std::string(key) + " ") != std::string_view::npos &&
             std::find(s.unusedKeys.begin(), s.unusedKeys.end(), key) == s.unusedKeys.end())
      s.unusedKeys.emplace_back(key);
    if (!ok) return false;
  }
  if (in.tooLong()) {
    error = inputName + ": a line is too long";
    return false;
  }
  s.inputDir = dir / inputDir;
  s.outputDir = dir / outputDir;
  // The other tool's default amounts file, or this program's older name.
  if (s.puvsprName.empty()) {
    std::error_code ec;
    s.puvsprName = fs::exists(s.inputDir / "puvspr2.dat", ec) || !fs::exists(s.inputDir / "puvspr.dat", ec)
                       ? "puvspr2.dat"
                       : "puvspr.dat";
  }
  return true;
}

bool readUnits(const FolderSettings& s, Dataset& d, std::unordered_map<long long, int>& index, std::string& error) {
  Table t(s.inputDir / s.puName, s.puName);
  if (!t.open(error)) return false;
  const int id = t.column("id"), cost = t.column("cost"), status = t.column("status");
  if (id < 0) {
    error = s.puName + ": no \"id\" column";
    return false;
  }
  return t.rows(error, [&](const std::vector<std::string_view>& f) {
    DatasetUnit u;
    if (!parseId(f[static_cast<std::size_t>(id)], u.id)) {
      error = t.where() + "id " + shown(f[static_cast<std::size_t>(id)]) + " is not a positive whole number";
      return false;
    }
    if (cost >= 0 && (!parseNumber(f[static_cast<std::size_t>(cost)], u.cost) || u.cost < 0)) {
      error = t.where() + "cost " + shown(f[static_cast<std::size_t>(cost)]) + " is not a number of 0 or more";
      return false;
    }
    if (status >= 0) {
      long long st = -1;
      const auto& sf = f[static_cast<std::size_t>(status)];
      const auto r = std::from_chars(sf.data(), sf.data() + sf.size(), st);
      if (r.ec != std::errc() || r.ptr != sf.data() + sf.size() || st < 0 || st > 3) {
        error = t.where() + "status " + shown(sf) + " is not 0, 1, 2 or 3";
        return false;
      }
      u.status = static_cast<UnitStatus>(st);
    }
    if (!index.emplace(u.id, static_cast<int>(d.units.size())).second) {
      error = t.where() + strprintf("unit %lld appears twice", u.id);
      return false;
    }
    d.units.push_back(std::move(u));
    return true;
  });
}

bool readFeatures(const FolderSettings& s, Dataset& d, std::vector<double>& spfs,
                  std::unordered_map<long long, int>& index, std::vector<double>& props, std::string& error) {
  Table t(s.inputDir / s.specName, s.specName);
  if (!t.open(error)) return false;
  const int id = t.column("id"), target = t.column("target"), prop = t.column("prop"), spf = t.column("spf"),
            name = t.column("name"), occ = t.column("targetocc");
  if (id < 0 || (target < 0 && prop < 0)) {
    error = s.specName + (id < 0 ? ": no \"id\" column" : ": neither a \"target\" nor a \"prop\" column");
    return false;
  }
  return t.rows(error, [&](const std::vector<std::string_view>& f) {
    DatasetTaxon ft;
    double share = 0.0, penalty = 1.0;
    auto field = [&](int c) { return f[static_cast<std::size_t>(c)]; };
    if (!parseId(field(id), ft.id)) {
      error = t.where() + "id " + shown(field(id)) + " is not a positive whole number";
      return false;
    }
    if (target >= 0 && (!parseNumber(field(target), ft.target) || ft.target < 0)) {
      error = t.where() + "target " + shown(field(target)) + " is not a number of 0 or more";
      return false;
    }
    if (prop >= 0 && (!parseNumber(field(prop), share) || share < 0 || share > 1)) {
      error = t.where() + "prop " + shown(field(prop)) + " is not a share from 0 to 1";
      return false;
    }
    if (spf >= 0 && (!parseNumber(field(spf), penalty) || penalty < 0)) {
      error = t.where() + "spf " + shown(field(spf)) + " is not a number of 0 or more";
      return false;
    }
    double occurrences = 0.0;
    if (occ >= 0 && (!parseNumber(field(occ), occurrences) || occurrences != 0.0)) {
      error = t.where() + "occurrence targets (targetocc) are not solved by this version: set them to 0";
      return false;
    }
    if (name >= 0) ft.name = unquoted(field(name));
    if (!index.emplace(ft.id, static_cast<int>(d.taxa.size())).second) {
      error = t.where() + strprintf("feature %lld appears twice", ft.id);
      return false;
    }
    d.taxa.push_back(std::move(ft));
    spfs.push_back(penalty);
    props.push_back(share);
    return true;
  });
}

bool readAmounts(const FolderSettings& s, Dataset& d, const std::unordered_map<long long, int>& units,
                 const std::unordered_map<long long, int>& features, std::string& error) {
  Table t(s.inputDir / s.puvsprName, s.puvsprName);
  if (!t.open(error)) return false;
  const int sp = t.column("species"), pu = t.column("pu"), amount = t.column("amount");
  if (sp < 0 || pu < 0) {
    error = s.puvsprName + (sp < 0 ? ": no \"species\" column" : ": no \"pu\" column");
    return false;
  }
  std::vector<Occurrence> pairs;
  const bool ok = t.rows(error, [&](const std::vector<std::string_view>& f) {
    long long fid = 0, uid = 0;
    double a = 1.0;
    auto field = [&](int c) { return f[static_cast<std::size_t>(c)]; };
    if (!parseId(field(sp), fid) || !parseId(field(pu), uid)) {
      const bool species = !parseId(field(sp), fid);
      error = t.where() + (species ? "species " : "pu ") + shown(field(species ? sp : pu)) +
              " is not a positive whole number";
      return false;
    }
    if (amount >= 0 && (!parseNumber(field(amount), a) || a < 0)) {
      error = t.where() + "amount " + shown(field(amount)) + " is not a number of 0 or more";
      return false;
    }
    const auto fi = features.find(fid);
    const auto ui = units.find(uid);
    if (fi == features.end() || ui == units.end()) {
      error = t.where() + (fi == features.end() ? strprintf("feature %lld is not in ", fid) + s.specName
                                                : strprintf("unit %lld is not in ", uid) + s.puName);
      return false;
    }
    if (a > 0) pairs.push_back({static_cast<std::uint32_t>(fi->second), static_cast<std::uint32_t>(ui->second) + 1, a});
    return true;
  });
  if (!ok) return false;
  // The amounts of a repeated pair add up, so they are kept while the lists
  // are built, and dropped where every one is then 1 (presence data).
  d.occurrences = occurrencesFrom(d.taxonCount(), d.unitCount(), std::move(pairs), true);
  Occurrences& o = d.occurrences;
  if (std::all_of(o.taxonAmounts.begin(), o.taxonAmounts.end(), [](double x) { return x == 1.0; })) {
    std::vector<double>().swap(o.taxonAmounts);
    std::vector<double>().swap(o.unitAmounts);
  }
  return true;
}

// The boundary file: id1, id2 and the length between them (id1 = id2: the
// unit's outer boundary).
bool readBoundaries(const FolderSettings& s, Dataset& d, const std::unordered_map<long long, int>& units,
                    std::string& error) {
  Table t(s.inputDir / s.boundName, s.boundName);
  if (!t.open(error)) return false;
  const int id1 = t.column("id1"), id2 = t.column("id2"), length = t.column("boundary");
  if (id1 < 0 || id2 < 0 || length < 0) {
    error = s.boundName + ": needs the columns \"id1\", \"id2\" and \"boundary\"";
    return false;
  }
  std::vector<Edge> edges;
  const bool ok = t.rows(error, [&](const std::vector<std::string_view>& f) {
    long long a = 0, b = 0;
    double l = 0.0;
    auto field = [&](int c) { return f[static_cast<std::size_t>(c)]; };
    if (!parseId(field(id1), a) || !parseId(field(id2), b)) {
      error = t.where() + "id1 and id2 must be positive whole numbers";
      return false;
    }
    if (!parseNumber(field(length), l) || l < 0) {
      error = t.where() + "boundary " + shown(field(length)) + " is not a number of 0 or more";
      return false;
    }
    const auto ia = units.find(a), ib = units.find(b);
    if (ia == units.end() || ib == units.end()) {
      error = t.where() + strprintf("unit %lld is not in ", ia == units.end() ? a : b) + s.puName;
      return false;
    }
    if (l > 0)
      edges.push_back({static_cast<std::uint32_t>(ia->second) + 1, static_cast<std::uint32_t>(ib->second) + 1, l});
    return true;
  });
  if (ok) d.adjacency = adjacencyFrom(d.unitCount(), edges);
  return ok;
}

// Sums of amounts, costs, targets and penalties must stay far from the
// largest double, so no total, shortfall or score overflows to infinity.
std::string tooLarge(const FolderSettings& s, const Dataset& d, const PlanningTerms& p) {
  constexpr double kLimit = 1e300;
  double amounts = 0.0, targets = 0.0, spf = 0.0, costs = 0.0, boundary = 0.0;
  const Occurrences& o = d.occurrences;
  amounts = o.hasAmounts() ? std::accumulate(o.taxonAmounts.begin(), o.taxonAmounts.end(), 0.0)
                           : static_cast<double>(o.taxonUnits.size());
  for (const DatasetTaxon& t : d.taxa) targets += t.target;
  for (double x : p.spf) spf += x;
  for (const DatasetUnit& u : d.units) costs += u.cost;
  // Each shared boundary is listed under both its units.
  for (int n = 1; n <= d.unitCount() && !d.adjacency.empty(); ++n)
    for (int k = 0; k < d.adjacency.degree(n); ++k)
      if (d.adjacency.neighboursOf(n)[k] >= static_cast<std::uint32_t>(n)) boundary += d.adjacency.lengthsOf(n)[k];
  const std::pair<double, std::string> sums[] = {
      {amounts, "the amounts in " + s.puvsprName},
      {targets, "the targets in " + s.specName},
      {spf, "the penalty factors (spf) in " + s.specName},
      {costs, "the costs in " + s.puName},
      {boundary * std::max(1.0, p.blm), "the boundary lengths in " + s.boundName + " times BLM"},
      {costs + spf + boundary * p.blm, "costs, penalty factors and BLM x boundary lengths together"}};
  for (const auto& [sum, what] : sums)
    if (!(sum <= kLimit)) return what + " add up to more than 1e+300: scale them down";
  return {};
}

}  // namespace

FolderRead readFolder(const fs::path& dir, const std::string& inputName) {
  FolderRead r;
  Dataset& d = r.data;
  if (!readSettings(dir, inputName, r.settings, r.terms, r.error)) return r;
  r.terms.targetsAsGiven = true;
  std::unordered_map<long long, int> units, features;
  std::vector<double> props;
  if (!readUnits(r.settings, d, units, r.error) ||
      !readFeatures(r.settings, d, r.terms.spf, features, props, r.error) ||
      !readAmounts(r.settings, d, units, features, r.error))
    return r;
  // Boundaries count in the summaries whenever they are given; with BLM above
  // 0 they are also wanted, so a missing file is then an error.
  std::error_code ec;
  const bool bounds =
      !r.settings.boundName.empty() && (r.terms.blm > 0 || fs::exists(r.settings.inputDir / r.settings.boundName, ec));
  if (bounds && !readBoundaries(r.settings, d, units, r.error)) return r;
  // A share of the feature's whole amount wins over an amount target.
  const Occurrences& o = d.occurrences;
  for (std::size_t f = 0; f < d.taxa.size(); ++f) {
    if (props[f] <= 0) continue;
    const int t = static_cast<int>(f);
    const double total = o.hasAmounts() ? std::accumulate(o.amountsOf(t), o.amountsOf(t) + o.range(t), 0.0)
                                        : static_cast<double>(o.range(t));
    d.taxa[f].target = props[f] * total;
  }
  r.error = tooLarge(r.settings, d, r.terms);
  return r;
}

std::string csvText(const std::string& text) {
  const std::string s = spreadsheetSafe(text);
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

std::string number(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

double boundaryOf(const Problem& p, const std::vector<char>& chosen) {
  double sum = 0.0;
  for (const Boundary& b : p.boundaries) {
    const bool a = chosen[static_cast<std::size_t>(b.a)], c = chosen[static_cast<std::size_t>(b.b)];
    if (b.a == b.b ? a : a != c) sum += b.length;
  }
  return sum;
}

double penaltyOf(const Problem& p, const Evaluation& e) {
  double sum = 0.0;
  for (std::size_t f = 0; f < p.features.size(); ++f)
    if (const double t = p.features[f].target; t > 0 && !reaches(e.held[f], t))
      sum += p.features[f].spf * (1.0 - e.held[f] / t);
  return sum;
}

bool isOutputOf(const std::string& scenario, const std::string& name) {
  if (!name.starts_with(scenario + "_")) return false;
  std::string rest = name.substr(scenario.size() + 1);
  // Files a killed run of an earlier version left behind belong to the set too.
  if (rest.ends_with(".zn-partial")) return true;
  const std::size_t dot = rest.rfind('.');
  if (dot == std::string::npos) return false;
  const std::string ext = rest.substr(dot), stem = rest.substr(0, dot);
  if (ext != ".csv" && ext != ".txt" && ext != ".dat") return false;
  for (const char* fixed : {"best", "mvbest", "ssoln", "sum", "solutionsmatrix", "sen", "report"})
    if (stem == fixed) return true;
  const std::size_t digits = stem.starts_with("mv") ? 2 : stem.starts_with("r") ? 1 : 0;
  return digits > 0 && stem.size() >= digits + 5 &&
         std::all_of(stem.begin() + static_cast<long>(digits), stem.end(), [](char c) { return c >= '0' && c <= '9'; });
}

namespace {

// What a set achieves in the terms of the summary file.
struct RunSummary {
  Evaluation e;
  double boundary = 0.0, total = 0.0, in = 0.0, edge = 0.0, out = 0.0;
  double penalty = 0.0, mpm = 1.0;
};

RunSummary summarise(const Problem& p, const std::vector<char>& chosen) {
  RunSummary r;
  r.e = evaluate(p, chosen);
  r.boundary = boundaryOf(p, chosen);
  // Each boundary once: inside the set, on its edge, or outside it.
  for (const Boundary& b : p.boundaries) {
    const bool a = chosen[static_cast<std::size_t>(b.a)], c = chosen[static_cast<std::size_t>(b.b)];
    r.total += b.length;
    if (b.a == b.b) (a ? r.edge : r.out) += b.length;
    else (a && c ? r.in : a || c ? r.edge : r.out) += b.length;
  }
  r.penalty = penaltyOf(p, r.e);
  for (std::size_t f = 0; f < p.features.size(); ++f)
    if (p.features[f].target > 0) r.mpm = std::min(r.mpm, std::min(1.0, r.e.held[f] / p.features[f].target));
  return r;
}

// The "missing values" table of one set: per feature its target, what the
// set holds and in how many units, whether the target is met and the share met.
std::string targetsTable(const Problem& p, const std::vector<char>& chosen) {
  const Evaluation e = evaluate(p, chosen);
  std::string t =
      "\"Conservation Feature\",\"Feature Name\",\"Target\",\"Amount Held\",\"Occurrence Target \","
      "\"Occurrences Held\",\"Separation Target \",\"Separation Achieved\",\"Target Met\",\"MPM\"\n";
  for (std::size_t f = 0; f < p.features.size(); ++f) {
    int occurrences = 0;
    for (const Entry* x = p.unitsOf.begin(f); x != p.unitsOf.end(f); ++x)
      occurrences += chosen[static_cast<std::size_t>(x->index)] ? 1 : 0;
    const double target = p.features[f].target;
    const double mpm = target > 0 ? std::min(1.0, e.held[f] / target) : 1.0;
    t += strprintf("%lld,", p.features[f].id) + csvText(p.features[f].name) +
         strprintf(",%f,%f,0,%d,0,0,%s,%f\n", target, e.held[f], occurrences, targetMet(p, f, e.held[f]) ? "yes" : "no",
                   mpm);
  }
  return t;
}

std::string solutionTable(const Problem& p, const FolderSettings& s, const std::vector<char>& chosen) {
  std::string t = "PUID," + s.bestFieldName + "\n";
  for (std::size_t u = 0; u < p.units.size(); ++u) t += strprintf("%lld,%d\n", p.units[u].id, chosen[u] ? 1 : 0);
  return t;
}

std::string scenarioText(const Problem& p, const std::string& method, std::size_t runs) {
  return strprintf("Number of Planning Units %zu\nNumber of Conservation Values %zu\n", p.units.size(),
                   p.features.size()) +
         strprintf("Starting proportion 0.00\nConnection modifier %.2f\n\n", p.blm) +
         "Clumping - default step function\nAlgorithm Used :" + method +
         "\nNo Heuristic used \nNumber of iterations N/A\nInitial temperature N/A\nCooling Factor N/A\n"
         "Number of temperature decreases N/A\n\nCost Threshold Disabled\nThreshold penalty factor A N/A\n"
         "Threshold penalty factor B N/A\n\n" +
         strprintf("Random Seed 1\nNumber of runs %zu\n", runs);
}

}  // namespace

bool writeOutputs(const Problem& p, const FolderSettings& s, const fs::path& outDir, const std::vector<Solution>& runs,
                  std::size_t best, const std::string& method, const std::string& report, std::string& error) {
  std::vector<OutputFile> files;
  const std::string& sc = s.scenario;
  if (s.saveScenario) files.push_back({sc + "_sen.dat", scenarioText(p, method, runs.size())});
  for (std::size_t r = 0; r < runs.size(); ++r) {
    if (s.saveRun) files.push_back({sc + strprintf("_r%05zu.csv", r + 1), solutionTable(p, s, runs[r].chosen)});
    if (s.saveRun && s.saveTargets)
      files.push_back({sc + strprintf("_mv%05zu.csv", r + 1), targetsTable(p, runs[r].chosen)});
  }
  if (s.saveSummary) {
    std::string sum =
        "\"Run_Number\",\"Score\",\"Cost\",\"Planning_Units\",\"Connectivity\",\"Connectivity_Total\","
        "\"Connectivity_In\",\"Connectivity_Edge\",\"Connectivity_Out\",\"Connectivity_In_Fraction\",\"Penalty\","
        "\"Shortfall\",\"Missing_Values\",\"MPM\"\n";
    for (std::size_t r = 0; r < runs.size(); ++r) {
      const RunSummary m = summarise(p, runs[r].chosen);
      sum += strprintf("%zu,%g,%g,%d,%g,%g,%g,%g,%g,%g,%g,%g,%d,%g\n", r + 1, m.e.cost + p.blm * m.boundary + m.penalty,
                       m.e.cost, m.e.units, m.boundary, m.total, m.in, m.edge, m.out,
                       m.total > 0 ? m.in / m.total : 0.0, m.penalty, m.e.shortfall, m.e.unmet, m.mpm);
    }
    files.push_back({sc + "_sum.csv", sum});
  }
  if (s.saveSolutionsMatrix) {
    std::string t;
    if (s.solutionsMatrixHeaders) {
      t = "SolutionsMatrix";
      for (const Unit& u : p.units) t += strprintf(",P%lld", u.id);
      t += "\n";
    }
    for (std::size_t r = 0; r < runs.size(); ++r) {
      if (s.solutionsMatrixHeaders) t += strprintf("S%zu", r + 1);
      for (char c : runs[r].chosen) t += c ? ",1" : ",0";
      t += "\n";
    }
    files.push_back({sc + "_solutionsmatrix.csv", t});
  }
  if (s.saveBest) files.push_back({sc + "_best.csv", solutionTable(p, s, runs[best].chosen)});
  if (s.saveBest && s.saveTargets) files.push_back({sc + "_mvbest.csv", targetsTable(p, runs[best].chosen)});
  if (s.saveSumSolution) {
    // The units last to first, as the other tool lists them.
    std::string t = "\"planning_unit\",\"number\"\n";
    for (std::size_t u = p.units.size(); u-- > 0;) {
      int n = 0;
      for (const auto& r : runs) n += r.chosen[u] ? 1 : 0;
      t += strprintf("%lld,%d\n", p.units[u].id, n);
    }
    files.push_back({sc + "_ssoln.csv", t});
  }
  files.push_back({sc + "_report.txt", report});
  return replaceOutputSet(
      outDir, files, [&sc](const std::string& name) { return isOutputOf(sc, name); }, error);
}

bool writeFolder(const Problem& p, const std::string& title, const fs::path& dir, std::string& error,
                 const std::string& source) {
  std::error_code ec;
  fs::create_directories(dir / "input", ec);
  if (ec) {
    error = "cannot make the folder " + (dir / "input").string();
    return false;
  }
  std::string pu = "id,cost,status\n", spec = "id,target,spf,name\n", amounts = "species,pu,amount\n";
  for (const auto& u : p.units)
    pu += strprintf("%lld,", u.id) + number(u.cost) + strprintf(",%d\n", static_cast<int>(u.status));
  for (std::size_t i = 0; i < p.features.size(); ++i) {
    const Feature& f = p.features[i];
    std::string name;
    for (char c : f.name) name += c == '"' ? std::string("\"\"") : std::string(1, c);
    spec += strprintf("%lld,", f.id) + number(f.target) + ",1,\"" + name + "\"\n";
    for (const Entry* e = p.unitsOf.begin(i); e != p.unitsOf.end(i); ++e)
      amounts +=
          strprintf("%lld,%lld,", f.id, p.units[static_cast<std::size_t>(e->index)].id) + number(e->amount) + "\n";
  }
  std::string input = "Planning-unit folder of the " + source + " \"" + title +
                      "\"\n\nBLM 0\nNUMREPS 10\nMISSLEVEL 1\nSCENNAME output\nINPUTDIR input\nOUTPUTDIR "
                      "output\nPUNAME pu.dat\nSPECNAME spec.dat\nPUVSPRNAME puvspr.dat\n";
  // Shared boundaries, where the units have them; a BLM above 0 uses them.
  std::string bound;
  if (!p.boundaries.empty()) {
    bound = "id1,id2,boundary\n";
    for (const Boundary& b : p.boundaries)
      bound += strprintf("%lld,%lld,", p.units[static_cast<std::size_t>(b.a)].id,
                         p.units[static_cast<std::size_t>(b.b)].id) +
               number(b.length) + "\n";
    input += "BOUNDNAME bound.dat\n";
  }
  std::vector<std::pair<fs::path, const std::string*>> files{
      {dir / "input" / "pu.dat", &pu}, {dir / "input" / "spec.dat", &spec}, {dir / "input" / "puvspr.dat", &amounts}};
  if (!bound.empty()) files.emplace_back(dir / "input" / "bound.dat", &bound);
  files.emplace_back(dir / "input.dat", &input);
  for (const auto& [name, text] : files)
    if (!saveFileAtomically(name, *text)) {
      error = "cannot write " + name.string();
      return false;
    }
  return true;
}

}  // namespace zn::planning
