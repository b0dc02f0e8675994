#include "gis/occurrences.h"

#include <algorithm>
#include <cstring>

#include <cpl_minixml.h>
#include <cpl_string.h>
#include <cpl_vsi.h>

#include "gis/gdalsetup.h"

namespace zn {

namespace {

constexpr std::size_t kChunk = std::size_t(1) << 20;
// A quoted field left open would otherwise swallow the rest of the file.
constexpr std::size_t kLongestRow = std::size_t(1) << 20;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The last part of a term URI: "http://rs.tdwg.org/dwc/terms/decimalLatitude"
// names the column decimalLatitude.
std::string termName(const char* term) {
  std::string t = term ? term : "";
  const auto cut = t.find_last_of("/#:");
  return cut == std::string::npos ? t : t.substr(cut + 1);
}

char separatorOf(const char* text) {
  const std::string t = text ? text : "\\t";
  if (t == "\\t" || t == "\t" || t.empty()) return '\t';
  return t[0];
}

// The first element of that name (a namespace prefix aside) at or below n
// and its siblings.
CPLXMLNode* findElement(CPLXMLNode* n, const char* name) {
  for (; n; n = n->psNext) {
    if (n->eType != CXT_Element) continue;
    const char* local = std::strchr(n->pszValue, ':');
    if (std::strcmp(local ? local + 1 : n->pszValue, name) == 0) return n;
    if (CPLXMLNode* below = findElement(n->psChild, name)) return below;
  }
  return nullptr;
}

// The core table of an archive as its meta.xml describes it.
OccurrenceSource fromMeta(const std::string& zip, const std::vector<std::string>& entries) {
  OccurrenceSource src;
  CPLXMLNode* root = CPLParseXMLFile((zip + "/meta.xml").c_str());
  if (!root) {
    src.error = "the archive's meta.xml cannot be read";
    return src;
  }
  CPLXMLNode* core = findElement(root, "core");
  const char* location = core ? CPLGetXMLValue(core, "files.location", nullptr) : nullptr;
  if (!core || !location) {
    CPLDestroyXMLNode(root);
    src.error = "the archive's meta.xml names no core file";
    return src;
  }
  const std::string file = location;
  if (std::find(entries.begin(), entries.end(), file) == entries.end()) {
    CPLDestroyXMLNode(root);
    src.error = "the zip holds no occurrence file: meta.xml names " + file + ", which is not in it";
    return src;
  }
  src.path = zip + "/" + file;
  src.separator = separatorOf(CPLGetXMLValue(core, "fieldsTerminatedBy", "\\t"));
  src.headerLines = std::clamp(std::atoi(CPLGetXMLValue(core, "ignoreHeaderLines", "0")), 0, 100);
  for (CPLXMLNode* n = core->psChild; n; n = n->psNext) {
    if (n->eType != CXT_Element) continue;
    const bool id = std::strcmp(n->pszValue, "id") == 0;
    if (!id && std::strcmp(n->pszValue, "field") != 0) continue;
    const char* index = CPLGetXMLValue(n, "index", nullptr);
    if (!index) continue;
    const int i = std::atoi(index);
    if (i < 0 || i > 10000) continue;
    if (src.columns.size() <= static_cast<std::size_t>(i)) src.columns.resize(static_cast<std::size_t>(i) + 1);
    std::string& name = src.columns[static_cast<std::size_t>(i)];
    if (!id || name.empty()) name = id ? "id" : termName(CPLGetXMLValue(n, "term", ""));
  }
  CPLDestroyXMLNode(root);
  if (src.columns.empty()) src.error = "the archive's meta.xml describes no columns";
  return src;
}

}  // namespace

OccurrenceSource findOccurrenceSource(const std::string& file) {
  ensureGdal();
  OccurrenceSource src;
  if (std::string why = nonLocalPathProblem(file); !why.empty()) {
    src.error = "cannot open " + why;
    return src;
  }
  VSIStatBufL st;
  if (VSIStatL(file.c_str(), &st) != 0 || VSI_ISDIR(st.st_mode)) {
    src.error = "cannot open " + file;
    return src;
  }
  char magic[4] = {};
  if (VSILFILE* f = VSIFOpenL(file.c_str(), "rb")) {
    if (VSIFReadL(magic, 1, 4, f) != 4) std::memset(magic, 0, 4);
    VSIFCloseL(f);
  }
  if (std::memcmp(magic, "PK\x03\x04", 4) != 0) {
    src.path = file;
    return src;
  }
  const std::string zip = "/vsizip/{" + file + "}";
  std::vector<std::string> entries;
  if (char** list = VSIReadDirRecursive(zip.c_str())) {
    for (char** p = list; *p; ++p) entries.emplace_back(*p);
    CSLDestroy(list);
  }
  if (std::find(entries.begin(), entries.end(), "meta.xml") != entries.end()) return fromMeta(zip, entries);
  for (const std::string& e : entries) {
    const std::string l = lower(e);
    if (l == "occurrence.txt" || endsWith(l, "/occurrence.txt") || endsWith(l, ".csv")) {
      src.path = zip + "/" + e;
      return src;
    }
  }
  src.error = "the zip holds no occurrence file (occurrence.txt with meta.xml, or a .csv download)";
  return src;
}

OccurrenceReader::OccurrenceReader(const OccurrenceSource& src) : sep_(src.separator), buf_(kChunk) {
  ensureGdal();
  file_ = VSIFOpenL(src.path.c_str(), "rb");
}

OccurrenceReader::~OccurrenceReader() {
  if (file_) VSIFCloseL(static_cast<VSILFILE*>(file_));
}

bool OccurrenceReader::readLine(std::string& out) {
  bool any = false;
  for (;;) {
    if (pos_ == end_) {
      if (eof_) return any;
      end_ = VSIFReadL(buf_.data(), 1, buf_.size(), static_cast<VSILFILE*>(file_));
      pos_ = 0;
      if (end_ < buf_.size()) eof_ = true;
      if (end_ == 0) return any;
    }
    any = true;
    const char* start = buf_.data() + pos_;
    const void* nl = std::memchr(start, '\n', end_ - pos_);
    if (!nl) {
      if (out.size() < kLongestRow) out.append(start, end_ - pos_);
      pos_ = end_;
      continue;
    }
    const std::size_t n = static_cast<const char*>(nl) - start;
    if (out.size() < kLongestRow) out.append(start, n);
    pos_ += n + 1;
    ++physical_;
    if (!out.empty() && out.back() == '\r') out.pop_back();
    return true;
  }
}

bool OccurrenceReader::next(std::vector<std::string_view>& fields) {
  if (!file_) return false;
  line_.clear();
  broken_ = false;
  rowLine_ = physical_ + 1;
  if (!readLine(line_)) return false;
  if (first_) {
    first_ = false;
    if (line_.compare(0, 3, "\xEF\xBB\xBF") == 0) line_.erase(0, 3);
  }
  // A quoted field may run over line ends: take lines until it closes.
  while (!split(fields)) {
    if (line_.size() >= kLongestRow) {
      broken_ = true;
      break;
    }
    line_ += '\n';
    if (!readLine(line_)) {
      broken_ = true;
      break;
    }
  }
  if (broken_) fields.clear();
  return true;
}

bool OccurrenceReader::split(std::vector<std::string_view>& fields) {
  fields.clear();
  cooked_.clear();
  cooked_.reserve(line_.size() + 1);  // views into it must not move
  const char* p = line_.data();
  const char* e = p + line_.size();
  for (;;) {
    if (p < e && *p == '"') {
      const std::size_t from = cooked_.size();
      ++p;
      for (;;) {
        if (p >= e) return false;  // still inside quotes
        if (*p == '"') {
          if (p + 1 < e && p[1] == '"') {
            cooked_ += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        cooked_ += *p++;
      }
      // Text after the closing quote belongs to the field as it stands.
      while (p < e && *p != sep_) cooked_ += *p++;
      fields.emplace_back(cooked_.data() + from, cooked_.size() - from);
    } else {
      const char* s = p;
      const void* next = std::memchr(p, sep_, static_cast<std::size_t>(e - p));
      p = next ? static_cast<const char*>(next) : e;
      fields.emplace_back(s, static_cast<std::size_t>(p - s));
    }
    if (p >= e) return true;
    ++p;  // the separator
  }
}

bool validUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* e = p + s.size();
  while (p < e) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int n;
    unsigned cp;
    if ((c & 0xE0) == 0xC0) n = 1, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0) n = 2, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0) n = 3, cp = c & 0x07;
    else return false;
    if (e - p <= n) return false;
    for (int i = 1; i <= n; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    p += n + 1;
  }
  return true;
}

}  // namespace zn
