#include "display/bitmap.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "store/binio.h"

namespace zn {
namespace {

TEST(BitmapFile, HeaderOfA24BitBitmapAndNoFileForAnEmptyImage) {
  // 3 x 2 pixels: rows of 0xAARRGGBB, top row first.
  const std::vector<std::uint32_t> px{0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0, 0xFFD0E0F0, 0xFF010203};
  std::string bmp = encodeBmp24(3, 2, reinterpret_cast<const unsigned char*>(px.data()), 12);
  const auto* p = reinterpret_cast<const unsigned char*>(bmp.data());
  const std::size_t row = 12;  // 9 bytes padded to 12
  ASSERT_EQ(bmp.size(), 54 + 2 * row);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(readU32(p + 2), 54 + 2 * row);
  EXPECT_EQ(readU32(p + 6), 0u);
  EXPECT_EQ(readU32(p + 10), 54u);
  EXPECT_EQ(readU32(p + 14), 40u);
  EXPECT_EQ(readI32(p + 18), 3);
  EXPECT_EQ(readI32(p + 22), 2);
  EXPECT_EQ(readU16(p + 26), 1);
  EXPECT_EQ(readU16(p + 28), 24);
  EXPECT_EQ(readU32(p + 30), 0u);
  EXPECT_EQ(readU32(p + 34), 2 * row);
  // Bottom row first, blue green red, padding zero.
  EXPECT_EQ(std::vector<int>(p + 54, p + 54 + 12),
            (std::vector<int>{0xC0, 0xB0, 0xA0, 0xF0, 0xE0, 0xD0, 0x03, 0x02, 0x01, 0, 0, 0}));
  EXPECT_EQ(std::vector<int>(p + 66, p + 69), (std::vector<int>{0x30, 0x20, 0x10}));

  // An empty image gives no file.
  EXPECT_TRUE(encodeBmp24(0, 5, nullptr, 0).empty());
  EXPECT_TRUE(encodeBmp24(5, 0, nullptr, 0).empty());
}

TEST(BitmapFile, BitCountFromTheScreenDepth) {
  struct Case {
    int depth, bits;
  };
  for (Case c : {Case{1, 1}, Case{2, 4}, Case{4, 4}, Case{5, 8}, Case{8, 8}, Case{16, 24}, Case{32, 24}})
    EXPECT_EQ(bmpBitCount(c.depth), c.bits) << c.depth;
}

TEST(PrintMapDialog, EntriesAreClamped) {
  PrintMapModel m;
  m.setWidthPercent(150);
  EXPECT_EQ(m.widthPercent, 100);
  m.setWidthPercent(55);
  EXPECT_EQ(m.widthPercent, 55);
  m.setCoastThickness(-1);
  EXPECT_EQ(m.coastThickness, 0);
  m.setCoastThickness(101);
  EXPECT_EQ(m.coastThickness, 100);
  m.setGridThickness(7);
  EXPECT_EQ(m.gridThickness, 7);
  m.setGridThickness(1000);
  EXPECT_EQ(m.gridThickness, 100);
}

TEST(SaveMapDialog, UnknownAreaFallsBackToExcludingTheStatusBar) {
  SaveMapModel m;
  for (auto [typed, kept] : {std::pair{2, 2}, std::pair{7, 0}, std::pair{-1, 0}}) {
    m.setArea(typed);
    EXPECT_EQ(m.area, kept) << typed;
  }
}

// Each failure names its own step; a number no step gives is undefined.
TEST(PrintErrors, EachStepHasItsOwnMessage) {
  std::set<std::string> texts;
  const int steps[] = {0, kErrStartDoc, kErrSetAbortProc, kErrNewFrame, kErrEndDoc, 21};
  for (int e : steps) EXPECT_TRUE(texts.insert(printErrorText(e)).second) << e;
  for (int e : {22, -1}) EXPECT_EQ(printErrorText(e), "Undefined Error!") << e;
}

}  // namespace
}  // namespace zn
