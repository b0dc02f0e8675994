// The shipped program folder: every sample datafile opens with the counters
// of its source and writes back byte for byte, and the land cells of "equal" hold land of the coastline.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "shell/data_dialogue.h"
#include "store/binio.h"
#include "store/datafile.h"
#include "store/files.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = ZN_SOURCE_DIR;

// The rows of a table of the test data after its header, split at commas.
std::vector<std::vector<std::string>> csvRows(const char* name) {
  std::ifstream in(kSource / "tests" / "data" / name);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::stringstream fields(line);
    rows.emplace_back();
    for (std::string f; std::getline(fields, f, ',');) rows.back().push_back(f);
  }
  return rows;
}

struct Expected {
  std::string path;
  int taxa, records, occupied, cells = 0;  // the master grid's cells, for Britain
};

std::vector<Expected> expectedSamples() {
  std::vector<Expected> out;
  for (const char* table : {"shipped_samples.csv", "shipped_britain.csv"})
    for (const auto& r : csvRows(table))
      out.push_back({r.at(0), std::stoi(r.at(1)), std::stoi(r.at(2)), std::stoi(r.at(3)),
                     r.size() > 4 ? std::stoi(r.at(4)) : 0});
  return out;
}

// The Britain butterflies open on the master grid, the others on their grid
// types of the world grid.
TEST(ShippedSamples, EveryDatafileOpensWithItsSourceCounters) {
  test::TempDir tmp;
  fs::path home = tmp.path() / "ZONARIUM";
  ASSERT_TRUE(populateProgramFolder(home, kSource / "programdata"));
  auto samples = expectedSamples();
  ASSERT_GE(samples.size(), 5u);
  ASSERT_GT(samples.back().cells, 0);
  for (const Expected& e : samples) {
    const bool britain = e.cells > 0;
    test::ScriptedHost host;
    Session s(host, home, britain ? GridVariant::Britain : GridVariant::World);
    ASSERT_TRUE(startSession(s));
    EXPECT_TRUE(s.coastlineRead);
    if (britain) {
      EXPECT_EQ(s.ws.geo.cells, e.cells);
      EXPECT_EQ(s.coastApplies, CoastOutline::kBritain);
      EXPECT_EQ(std::string(s.ws.cells[1].name.data()).substr(0, 4), "HP51");
    }
    host.openFiles.push_back(home / e.path);
    ASSERT_TRUE(openDatafile(s, host)) << e.path;
    EXPECT_EQ(s.ws.taxaCount, e.taxa) << e.path;
    EXPECT_EQ(s.ws.counters.records, e.records) << e.path;
    EXPECT_EQ(s.ws.counters.occupiedCells, e.occupied) << e.path;
    if (britain) {
      EXPECT_EQ(s.ws.datafile.levels, 2);
    }
    EXPECT_TRUE(s.subgroupDataPresent) << e.path << ": codes give tree data";
    EXPECT_GT(s.ws.counters.codeTreeLength, 1.0) << e.path;
    EXPECT_FALSE(s.ws.datafile.title.empty());
    // Only the quantitative sample says anything when it opens.
    for (const auto& m : host.messages) EXPECT_EQ(m.text, "Data in quantitative mode") << e.path;
    EXPECT_EQ(s.ws.datafile.quantitative, !host.messages.empty()) << e.path;
    // Written back from the dataset it was read into, the file is unchanged.
    EXPECT_TRUE(encodeDatafile(*datasetOfDatafile(s.ws), s.grid(), s.ws.datafile.title) ==
                test::readFile(home / e.path))
        << e.path;
  }
}

TEST(ShippedSamples, EveryGridTypeHasItsFolderAndNames) {
  GridTypes types;
  ASSERT_TRUE(readMapDefinitions(types, kSource / "programdata" / "ZONARIUM.MAP"));
  ASSERT_GE(types.types.size(), 2u);
  EXPECT_EQ(findGridType(types, "equal\\"), 0);
  EXPECT_EQ(findGridType(types, "ravelund\\"), 1);
  for (const GridType& t : types.types) {
    std::string sub(reinterpret_cast<const char*>(t.subdir.data()));
    fs::path loc = kSource / "programdata" / sub / "ZONARIUM.LOC";
    ASSERT_TRUE(fs::exists(loc)) << sub;
    EXPECT_EQ(fs::file_size(loc), 864u * 20) << sub;
  }
}

// Source units of the coastline: x from 4 eastwards from 30 W, 18 units a
// column; y from 155 at the south edge, 18 units a band.
struct Pt {
  double x, y;
};

bool insidePolygon(const std::vector<Pt>& poly, Pt p) {
  bool in = false;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Pt& a = poly[i];
    const Pt& b = poly[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

bool segmentsCross(Pt p1, Pt p2, Pt q1, Pt q2) {
  auto cross = [](Pt o, Pt a, Pt b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); };
  auto onSeg = [](Pt a, Pt b, Pt p) {
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
  };
  double d1 = cross(q1, q2, p1), d2 = cross(q1, q2, p2), d3 = cross(p1, p2, q1), d4 = cross(p1, p2, q2);
  if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) return true;
  return (d1 == 0 && onSeg(q1, q2, p1)) || (d2 == 0 && onSeg(q1, q2, p2)) || (d3 == 0 && onSeg(p1, p2, q1)) ||
         (d4 == 0 && onSeg(p1, p2, q2));
}

// True when the rectangle holds some land of the polygon: a vertex inside,
// a corner inside the polygon, or an edge crossing.
bool rectTouches(const std::vector<Pt>& poly, double x0, double y0, double x1, double y1) {
  for (const Pt& p : poly)
    if (p.x >= x0 && p.x <= x1 && p.y >= y0 && p.y <= y1) return true;
  Pt corners[4] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  for (const Pt& c : corners)
    if (insidePolygon(poly, c)) return true;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    Pt a = poly[i], b = poly[(i + 1) % poly.size()];
    for (int k = 0; k < 4; ++k)
      if (segmentsCross(a, b, corners[k], corners[(k + 1) % 4])) return true;
  }
  return false;
}

TEST(ShippedCoastline, LandCellsOfEqualAreExactlyTheCellsHoldingLand) {
  auto data = readFileBytes(kSource / "programdata" / "ZONARIUM.@17");
  ASSERT_TRUE(data);
  const auto* p = reinterpret_cast<const unsigned char*>(data->data());
  int a = readU16(p), b = readU16(p + 2);
  ASSERT_LE(a + b, 2002);
  ASSERT_EQ(data->size(), 4u + 4u * static_cast<std::size_t>(a + b));
  // Break markers lie right of the frame (x > 652) and split the outlines.
  std::vector<std::vector<Pt>> outlines(1);
  for (int i = 0; i < a; ++i) {
    Pt pt{static_cast<double>(readI16(p + 4 + 4 * i)), static_cast<double>(readI16(p + 6 + 4 * i))};
    if (pt.x > 652 || pt.y > 587) {
      if (!outlines.back().empty()) outlines.emplace_back();
      continue;
    }
    outlines.back().push_back(pt);
  }
  if (outlines.back().empty()) outlines.pop_back();
  ASSERT_GT(outlines.size(), 50u);
  for (const auto& o : outlines) {
    ASSERT_GE(o.size(), 3u);
    EXPECT_EQ(o.front().x, o.back().x) << "outlines are closed";
    EXPECT_EQ(o.front().y, o.back().y);
  }

  GridTypes types;
  ASSERT_TRUE(readMapDefinitions(types, kSource / "programdata" / "ZONARIUM.MAP"));
  const GridType& equal = types.types.at(0);
  int land = 0;
  for (int n = 1; n <= 864; ++n) {
    bool isLand = equal.classes[static_cast<std::size_t>(n)] != 0;
    land += isLand;
    int c = (n - 1) % 36 + 1, r = (n - 1) / 36 + 1;
    // Shrink the cell a little so land merely touching its edge does not count.
    double x0 = 4 + 18.0 * (c - 1) + 0.01, x1 = x0 + 17.98, y1 = 587 - 18.0 * (r - 1) - 0.01, y0 = y1 - 17.98;
    bool found = false;
    for (const auto& o : outlines)
      if (rectTouches(o, x0, y0, x1, y1)) {
        found = true;
        break;
      }
    EXPECT_EQ(found, isLand) << "cell " << n << " (column " << c << ", row " << r << ")";
  }
  EXPECT_GT(land, 400);
}

}  // namespace
}  // namespace zn
