#include "planning/folder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <unordered_map>

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

// A text field of an output: quoted only where a comma, quote or line break
// would split it, and never run as a spreadsheet formula.
std::string csvText(const std::string& text) {
  const std::string s = spreadsheetSafe(text);
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
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

bool readSettings(const fs::path& dir, const std::string& inputName, FolderSettings& s, Problem& p,
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
    auto numeric = [&](double& out, double lo, double hi) {
      double d = 0;
      if (!parseNumber(value, d) || d < lo || d > hi) {
        error = inputName + strprintf(" line %ld: ", in.number()) + std::string(key) + " " + shown(value) +
                strprintf(" is not a number from %g to %g", lo, hi);
        return false;
      }
      out = d;
      return true;
    };
    if (key == "INPUTDIR") inputDir = value;
    else if (key == "OUTPUTDIR") outputDir = value;
    else if (key == "PUNAME") s.puName = value;
    else if (key == "SPECNAME") s.specName = value;
    else if (key == "PUVSPRNAME") s.puvsprName = value;
    else if (key == "BOUNDNAME") s.boundName = value;
    else if (key == "SCENNAME") s.scenario = value;
    else if (key == "NUMREPS") {
      double d = 0;
      if (!numeric(d, 1, 10000)) return false;
      s.reps = static_cast<int>(d);
    } else if (key == "MISSLEVEL") {
      if (!numeric(p.missLevel, 0, 1)) return false;
    } else if (key == "BLM") {
      if (!numeric(p.blm, 0, 1e300)) return false;
    }
  }
  if (in.tooLong()) {
    error = inputName + ": a line is too long";
    return false;
  }
  s.inputDir = dir / inputDir;
  s.outputDir = dir / outputDir;
  return true;
}

bool readUnits(const FolderSettings& s, Problem& p, std::unordered_map<long long, int>& index, std::string& error) {
  Table t(s.inputDir / s.puName, s.puName);
  if (!t.open(error)) return false;
  const int id = t.column("id"), cost = t.column("cost"), status = t.column("status");
  if (id < 0) {
    error = s.puName + ": no \"id\" column";
    return false;
  }
  return t.rows(error, [&](const std::vector<std::string_view>& f) {
    Unit u;
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
    if (!index.emplace(u.id, static_cast<int>(p.units.size())).second) {
      error = t.where() + strprintf("unit %lld appears twice", u.id);
      return false;
    }
    p.units.push_back(u);
    return true;
  });
}

bool readFeatures(const FolderSettings& s, Problem& p, std::unordered_map<long long, int>& index,
                  std::vector<double>& props, std::string& error) {
  Table t(s.inputDir / s.specName, s.specName);
  if (!t.open(error)) return false;
  const int id = t.column("id"), target = t.column("target"), prop = t.column("prop"), spf = t.column("spf"),
            name = t.column("name"), occ = t.column("targetocc");
  if (id < 0 || (target < 0 && prop < 0)) {
    error = s.specName + (id < 0 ? ": no \"id\" column" : ": neither a \"target\" nor a \"prop\" column");
    return false;
  }
  return t.rows(error, [&](const std::vector<std::string_view>& f) {
    Feature ft;
    double share = 0.0;
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
    if (spf >= 0 && (!parseNumber(field(spf), ft.spf) || ft.spf < 0)) {
      error = t.where() + "spf " + shown(field(spf)) + " is not a number of 0 or more";
      return false;
    }
    double occurrences = 0.0;
    if (occ >= 0 && (!parseNumber(field(occ), occurrences) || occurrences != 0.0)) {
      error = t.where() + "occurrence targets (targetocc) are not solved by this version: set them to 0";
      return false;
    }
    if (name >= 0) ft.name = unquoted(field(name));
    if (!index.emplace(ft.id, static_cast<int>(p.features.size())).second) {
      error = t.where() + strprintf("feature %lld appears twice", ft.id);
      return false;
    }
    p.features.push_back(std::move(ft));
    props.push_back(share);
    return true;
  });
}

bool readAmounts(const FolderSettings& s, Problem& p, const std::unordered_map<long long, int>& units,
                 const std::unordered_map<long long, int>& features, std::string& error) {
  Table t(s.inputDir / s.puvsprName, s.puvsprName);
  if (!t.open(error)) return false;
  const int sp = t.column("species"), pu = t.column("pu"), amount = t.column("amount");
  if (sp < 0 || pu < 0) {
    error = s.puvsprName + (sp < 0 ? ": no \"species\" column" : ": no \"pu\" column");
    return false;
  }
  std::vector<Triple> triples;
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
    if (a > 0) triples.push_back({fi->second, ui->second, a});
    return true;
  });
  if (!ok) return false;
  buildRows(p, triples);
  return true;
}

// The boundary file: id1, id2 and the length between them (id1 = id2: the
// unit's outer boundary).
bool readBoundaries(const FolderSettings& s, Problem& p, const std::unordered_map<long long, int>& units,
                    std::string& error) {
  Table t(s.inputDir / s.boundName, s.boundName);
  if (!t.open(error)) return false;
  const int id1 = t.column("id1"), id2 = t.column("id2"), length = t.column("boundary");
  if (id1 < 0 || id2 < 0 || length < 0) {
    error = s.boundName + ": needs the columns \"id1\", \"id2\" and \"boundary\"";
    return false;
  }
  return t.rows(error, [&](const std::vector<std::string_view>& f) {
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
    if (l > 0) p.boundaries.push_back({ia->second, ib->second, l});
    return true;
  });
}

}  // namespace

FolderRead readFolder(const fs::path& dir, const std::string& inputName) {
  FolderRead r;
  Problem& p = r.problem;
  if (!readSettings(dir, inputName, r.settings, p, r.error)) return r;
  std::unordered_map<long long, int> units, features;
  std::vector<double> props;
  if (!readUnits(r.settings, p, units, r.error) || !readFeatures(r.settings, p, features, props, r.error) ||
      !readAmounts(r.settings, p, units, features, r.error))
    return r;
  if (p.blm > 0 && !r.settings.boundName.empty() && !readBoundaries(r.settings, p, units, r.error)) return r;
  // A share of the feature's whole amount wins over an amount target.
  for (std::size_t f = 0; f < p.features.size(); ++f)
    if (props[f] > 0) p.features[f].target = props[f] * p.features[f].total;
  return r;
}

std::string number(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

bool writeOutputs(const Problem& p, const FolderSettings& s, const fs::path& outDir, const std::vector<Solution>& runs,
                  std::size_t best, std::string& error) {
  std::error_code ec;
  fs::create_directories(outDir, ec);
  if (ec || !fs::is_directory(outDir)) {
    error = "cannot make the output folder " + outDir.string();
    return false;
  }
  // Every file goes to a temporary beside it first; only when all are
  // written do they take their names, so a failed run leaves the outputs of
  // the last run whole rather than a mixture.
  std::vector<std::string> staged;
  auto stagedPath = [&](const std::string& name) { return outDir / (name + ".zn-partial"); };
  auto discard = [&] {
    for (const auto& name : staged) fs::remove(stagedPath(name), ec);
  };
  auto save = [&](const std::string& name, const std::string& text) {
    if (saveFileAtomically(stagedPath(name), text)) {
      staged.push_back(name);
      return true;
    }
    error = "cannot write " + (outDir / name).string();
    discard();
    return false;
  };
  auto solution = [&](const std::vector<char>& chosen) {
    std::string t = "planning_unit,solution\n";
    for (std::size_t u = 0; u < p.units.size(); ++u) t += strprintf("%lld,%d\n", p.units[u].id, chosen[u] ? 1 : 0);
    return t;
  };
  const std::string& sc = s.scenario;
  if (!save(sc + "_best.csv", solution(runs[best].chosen))) return false;
  for (std::size_t r = 0; r < runs.size(); ++r)
    if (!save(sc + strprintf("_r%05zu.csv", r + 1), solution(runs[r].chosen))) return false;

  std::string ssoln = "planning_unit,number\n";
  for (std::size_t u = 0; u < p.units.size(); ++u) {
    int n = 0;
    for (const auto& r : runs) n += r.chosen[u] ? 1 : 0;
    ssoln += strprintf("%lld,%d\n", p.units[u].id, n);
  }
  if (!save(sc + "_ssoln.csv", ssoln)) return false;

  const Evaluation b = evaluate(p, runs[best].chosen);
  std::string mv =
      "\"Conservation Feature\",\"Feature Name\",\"Target\",\"Amount Held\",\"Occurrence Target\",\"Occurrences "
      "Held\",\"Separation Target\",\"Separation Achieved\",\"Target Met\",\"MPM\"\n";
  for (std::size_t f = 0; f < p.features.size(); ++f) {
    int occurrences = 0;
    for (const Entry* x = p.unitsOf.begin(f); x != p.unitsOf.end(f); ++x)
      occurrences += runs[best].chosen[static_cast<std::size_t>(x->index)] ? 1 : 0;
    const double target = p.features[f].target;
    const double mpm = target > 0 ? std::min(1.0, b.held[f] / target) : 1.0;
    mv += strprintf("%lld,", p.features[f].id) + csvText(p.features[f].name) + "," + number(target) + "," +
          number(b.held[f]) + strprintf(",0,%d,0,0,%s,", occurrences, targetMet(p, f, b.held[f]) ? "yes" : "no") +
          number(mpm) + "\n";
  }
  if (!save(sc + "_mvbest.csv", mv)) return false;

  std::string sum =
      "\"Run_Number\",\"Score\",\"Cost\",\"Planning_Units\",\"Connectivity\",\"Connectivity_Edge\","
      "\"Connectivity_Out\",\"Connectivity_In\",\"Connectivity_Fraction\",\"Penalty\",\"Shortfall\","
      "\"Missing_Values\",\"MPM\",\"Run_Time\"\n";
  for (std::size_t r = 0; r < runs.size(); ++r) {
    const Evaluation e = evaluate(p, runs[r].chosen);
    double penalty = 0.0, mpm = 1.0;
    for (std::size_t f = 0; f < p.features.size(); ++f) {
      const double target = p.features[f].target;
      if (target <= 0) continue;
      const double met = std::min(1.0, e.held[f] / target);
      penalty += p.features[f].spf * (1.0 - met);
      mpm = std::min(mpm, met);
    }
    sum += strprintf("%zu,", r + 1) + number(e.cost + penalty) + "," + number(e.cost) +
           strprintf(",%d,0,0,0,0,0,", e.units) + number(penalty) + "," + number(e.shortfall) +
           strprintf(",%d,", e.unmet) + number(mpm) + "," + strprintf("%.3f", runs[r].seconds) + "\n";
  }
  if (!save(sc + "_sum.csv", sum)) return false;
  for (const auto& name : staged) {
    fs::rename(stagedPath(name), outDir / name, ec);
    if (ec) {
      error = "cannot write " + (outDir / name).string();
      discard();
      return false;
    }
  }
  return true;
}

}  // namespace zn::planning
