#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

namespace zn::test {

namespace fs = std::filesystem;

namespace {
void put16(std::string& s, int v) {
  s.push_back(static_cast<char>(v & 0xff));
  s.push_back(static_cast<char>((v >> 8) & 0xff));
}
void putField(std::string& s, std::size_t at, const std::string& text, std::size_t width) {
  for (std::size_t i = 0; i < width && i < text.size(); ++i) s[at + i] = text[i];
}
}  // namespace

std::string datafileImage(const std::string& title, const std::vector<TaxonSpec>& taxa, int headerCount) {
  std::string s;
  put16(s, headerCount >= -32768 && headerCount != -1 ? headerCount : static_cast<int>(taxa.size()));
  std::string t(32, '\0');
  putField(t, 0, title, 32);
  s += t;
  for (const auto& tx : taxa) {
    std::string card(1024, '\0');
    putField(card, 0, tx.name, 31);
    std::string code = tx.code;
    code.resize(31, '0');
    putField(card, 32, code, 31);
    for (auto [cell, level] : tx.levels) card[66 + static_cast<std::size_t>(cell)] = static_cast<char>(level);
    s += card;
  }
  return s;
}

std::string mapDefinitionImage(const std::vector<GridTypeSpec>& types, int headerCount) {
  std::string s;
  put16(s, headerCount != -1 ? headerCount : static_cast<int>(types.size()));
  s += std::string(32, '\0');
  for (const auto& t : types) {
    std::string rec(1024, '\0');
    putField(rec, 0, t.name, 31);
    putField(rec, 32, t.subdir, 31);
    for (int n = 1; n <= 864; ++n) {
      auto it = t.classes.find(n);
      rec[66 + static_cast<std::size_t>(n)] = static_cast<char>(it == t.classes.end() ? t.defaultClass : it->second);
    }
    s += rec;
  }
  return s;
}

void writeFile(const fs::path& p, const std::string& data) {
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  if (!out) throw std::runtime_error("cannot write " + p.string());
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void expectMatchesFileAt(const std::string& text, const fs::path& path) {
  if (const char* r = std::getenv("ZN_REGENERATE"); r && std::string(r) == "1") writeFile(path, text);
  ASSERT_TRUE(fs::exists(path)) << path << " is missing; run with ZN_REGENERATE=1";
  EXPECT_EQ(text, readFile(path)) << "differs from " << path;
}

TempDir::TempDir() {
  static std::mt19937_64 rng(std::random_device{}());
  fs::path base = fs::temp_directory_path();
  for (;;) {
    fs::path p = base / ("zn-test-" + std::to_string(rng()));
    if (fs::create_directory(p)) {
      path_ = p;
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

fs::path makeProgramFolder(const fs::path& root) {
  fs::path home = root / "ZONARIUM";
  std::map<int, int> sea;
  for (int n = 1; n <= 36; ++n) sea[n] = 0;  // the top row is open sea
  writeFile(home / "ZONARIUM.MAP", mapDefinitionImage({{"Equal-area world grid", "equal", sea, 1},
                                                       {"Ravelund world grid", "ravelund", {}, 1},
                                                       {"A regional grid", "regional", {{1, 2}, {2, 3}}, 0}}));
  for (const char* d : {"equal", "ravelund", "regional"}) fs::create_directories(home / d);
  writeFile(home / "ZONARIUM.@17", coastlineImage({{4, 155}, {652, 587}, {328, 371}}, {{100, 400}}));
  return home;
}

std::string coastlineImage(const std::vector<std::pair<int, int>>& line,
                           const std::vector<std::pair<int, int>>& seeds) {
  std::string s;
  put16(s, static_cast<int>(line.size()));
  put16(s, static_cast<int>(seeds.size()));
  for (const auto* run : {&line, &seeds})
    for (auto [x, y] : *run) {
      put16(s, x);
      put16(s, y);
    }
  return s;
}
}  // namespace zn::test
