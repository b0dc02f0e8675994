// Reading occurrence tables: a GBIF simple download (tab-separated, header
// row) or the core file of a Darwin Core Archive, plain or inside a zip,
// through GDAL's virtual file system. Columns are found by their term name.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zn {

// Where the occurrence rows are and how they are laid out.
struct OccurrenceSource {
  std::string path;  // a GDAL virtual path (/vsizip/... inside a zip)
  char separator = '\t';
  char quote = '\0';                 // the character enclosing fields; none in GBIF's downloads
  int headerLines = 1;               // lines before the data
  std::vector<std::string> columns;  // from meta.xml; empty: the first header line names them
  std::string error;                 // why the input cannot be read
  std::shared_ptr<void> alias;       // keeps a plain name for an input GDAL would misread
};

// Finds the occurrence table of a plain file, a zipped simple download or a
// Darwin Core Archive.
OccurrenceSource findOccurrenceSource(const std::string& file);

// Splits the source into rows of fields, one row per line. Where the source
// encloses fields, a field may be quoted ("..." with "" for a quote) and then
// hold separators, but never a line break: a row is never merged with the
// next. A byte-order mark at the start and CR before LF are dropped.
class OccurrenceReader {
 public:
  explicit OccurrenceReader(const OccurrenceSource& src);
  ~OccurrenceReader();
  OccurrenceReader(const OccurrenceReader&) = delete;
  OccurrenceReader& operator=(const OccurrenceReader&) = delete;

  bool opened() const { return file_ != nullptr; }
  // The next row; false at the end. The views stay valid until the next call.
  bool next(std::vector<std::string_view>& fields);
  // The line number (1-based) where the last row began.
  long line() const { return rowLine_; }
  // The row's raw text, for the lost-records file.
  const std::string& raw() const { return line_; }
  // True when a quoted field of the last row is not closed on its line.
  bool broken() const { return broken_; }

 private:
  bool readLine(std::string& out);  // appends one physical line, without its end
  bool split(std::vector<std::string_view>& fields);

  void* file_ = nullptr;  // VSILFILE
  char sep_, quote_;
  std::vector<char> buf_;
  std::size_t pos_ = 0, end_ = 0;
  bool eof_ = false, first_ = true, broken_ = false;
  long physical_ = 0, rowLine_ = 0;
  std::string line_, cooked_;
};

// True when the bytes are valid UTF-8.
bool validUtf8(std::string_view s);

}  // namespace zn
