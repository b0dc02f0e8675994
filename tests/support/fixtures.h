// Builders for test files, written straight from the file layouts so they
// check the readers independently of the program's own writers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace zn::test {

struct TaxonSpec {
  std::string name;
  std::string code;           // significant part; padded with '0' to 31
  std::map<int, int> levels;  // cell -> signed level
};

// A taxon present at `level` in the given cells.
inline TaxonSpec taxon(const std::string& name, std::initializer_list<int> cells, const std::string& code = "1",
                       int level = 1) {
  TaxonSpec t{name, code, {}};
  for (int c : cells) t.levels[c] = level;
  return t;
}

// Five taxa in a handful of world-grid cells, small enough that a test can
// name every cell that matters; their near-minimum set is 10, 30, 20:
//   T1: 10   T2: 20 30   T3: 30 40   T4: 20 40 50   T5: 10 50 60
inline std::vector<TaxonSpec> smallTaxa() {
  return {taxon("T1", {10}), taxon("T2", {20, 30}), taxon("T3", {30, 40}), taxon("T4", {20, 40, 50}),
          taxon("T5", {10, 50, 60})};
}

// A world-grid datafile image: int16 count, 32-byte title, 1024-byte cards.
std::string datafileImage(const std::string& title, const std::vector<TaxonSpec>& taxa, int headerCount = -1);

struct GridTypeSpec {
  std::string name;
  std::string subdir;
  std::map<int, int> classes;  // cell -> class; others get defaultClass
  int defaultClass = 1;
};

std::string mapDefinitionImage(const std::vector<GridTypeSpec>& types, int headerCount = -1);

void writeFile(const std::filesystem::path& p, const std::string& data);
std::string readFile(const std::filesystem::path& p);

// Compares text with an expected-text file; ZN_REGENERATE=1 rewrites the file
// from the text after a deliberate change (read the diff before committing).
void expectMatchesFileAt(const std::string& text, const std::filesystem::path& path);

// A fresh temporary folder, removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A program folder with a map-definition file holding "equal" (land cells 1),
// "ravelund" and "regional" grid types and their data folders.
std::filesystem::path makeProgramFolder(const std::filesystem::path& root);

// A coastline file image: counts A and B, then A + B points of int16 x, y.
std::string coastlineImage(const std::vector<std::pair<int, int>>& line, const std::vector<std::pair<int, int>>& seeds);
}  // namespace zn::test
