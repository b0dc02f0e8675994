#include "gis/occurrences.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cpl_minixml.h>
#include <cpl_string.h>
#include <cpl_vsi.h>

#include "gis/gdalsetup.h"

namespace zn {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChunk = std::size_t(1) << 20;
// Longer lines are cut there, so a file without line ends cannot exhaust memory.
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
  // The archive format's default is the double quote; an empty value (as
  // GBIF writes) means fields are never enclosed.
  const char* enclosed = CPLGetXMLValue(core, "fieldsEnclosedBy", "\"");
  src.quote = enclosed[0] == '\\' && enclosed[1] == 't' ? '\t' : enclosed[0];
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

// A zip ends with the list of its files (the end-of-central-directory
// record, within the last 64 KiB and 22 bytes); a cut-short download lacks it.
bool hasZipDirectory(int fd, off_t size) {
  const off_t span = std::min<off_t>(size, 65557);
  std::string tail(static_cast<std::size_t>(span), '\0');
  if (::pread(fd, tail.data(), tail.size(), size - span) != static_cast<ssize_t>(span)) return false;
  // The record is 22 bytes and a comment whose length it gives, up to the end.
  for (auto at = tail.rfind(std::string_view("PK\x05\x06", 4)); at != std::string::npos;
       at = at ? tail.rfind(std::string_view("PK\x05\x06", 4), at - 1) : std::string::npos) {
    if (at + 22 > tail.size()) continue;
    const auto comment = static_cast<unsigned char>(tail[at + 20]) | static_cast<unsigned char>(tail[at + 21]) << 8;
    if (at + 22 + static_cast<std::size_t>(comment) == tail.size()) return true;
  }
  return false;
}

// Removes the private folder of an alias.
struct AliasFolder {
  fs::path dir;
  ~AliasFolder() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

// The name GDAL is given for the user's file. GDAL ends a {}-quoted zip
// name at a brace that has no partner, so such a name is reached through a
// link of a plain name in a private folder; empty when none can be made.
std::string gdalName(const std::string& file, std::shared_ptr<void>& keep) {
  std::error_code ec;
  const fs::path full = fs::absolute(file, ec);
  if (ec) return {};
  const std::string text = full.string();
  int depth = 0;
  bool balanced = true;
  for (char c : text) {
    depth += c == '{' ? 1 : c == '}' ? -1 : 0;
    balanced = balanced && depth >= 0;
  }
  if (balanced && depth == 0) return text;
  std::string pattern = (fs::temp_directory_path(ec) / "zonarium-input-XXXXXX").string();
  if (ec || !::mkdtemp(pattern.data())) return {};
  auto folder = std::make_shared<AliasFolder>();
  folder->dir = pattern;
  const fs::path link = folder->dir / "input";
  fs::create_symlink(full, link, ec);
  if (ec) return {};
  keep = folder;
  return link.string();
}

}  // namespace

OccurrenceSource findOccurrenceSource(const std::string& file) {
  ensureGdal();
  OccurrenceSource src;
  if (std::string why = nonLocalPathProblem(file); !why.empty()) {
    src.error = "cannot open " + why;
    return src;
  }
  // The user's input is a plain local file, whatever its name says to GDAL.
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd >= 0) ::close(fd);
    src.error = "cannot open " + file;
    return src;
  }
  char magic[4] = {};
  const bool zipped = ::pread(fd, magic, 4, 0) == 4 && std::memcmp(magic, "PK\x03\x04", 4) == 0;
  const bool complete = !zipped || hasZipDirectory(fd, st.st_size);
  ::close(fd);
  const std::string name = gdalName(file, src.alias);
  if (name.empty()) {
    src.error = "cannot open " + file;
    return src;
  }
  if (!zipped) {
    src.path = name;
    return src;
  }
  if (!complete) {
    src.error = file +
                " is not a whole zip: its end (the list of the files it holds) is missing, so the download "
                "was cut short or damaged; download it again";
    return src;
  }
  const std::string zip = "/vsizip/{" + name + "}";
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

OccurrenceReader::OccurrenceReader(const OccurrenceSource& src)
    : sep_(src.separator), quote_(src.quote == src.separator ? '\0' : src.quote), buf_(kChunk) {
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
  broken_ = !split(fields);
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
    if (quote_ && p < e && *p == quote_) {
      const std::size_t from = cooked_.size();
      ++p;
      for (;;) {
        if (p >= e) return false;  // still inside quotes
        if (*p == quote_) {
          if (p + 1 < e && p[1] == quote_) {
            cooked_ += quote_;
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
