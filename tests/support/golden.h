// Golden images for the renderer. A rendered map is compared with
// tests/data/display/<name>.png allowing small differences (font hinting,
// rounding); ZN_MAP_PNG=<dir> writes every map a test draws so a person can
// look at it; ZN_UPDATE_GOLDEN=1 rewrites the golden files after a
// deliberate change:
//   ZN_UPDATE_GOLDEN=1 ZN_MAP_PNG=/tmp/maps ctest -R GoldenMaps
// then look at the PNGs before committing them.
#pragma once

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace zn::test {

inline std::filesystem::path goldenDir() {
  const char* data = std::getenv("ZN_TEST_DATA");
  return std::filesystem::path(data ? data : ZN_TEST_DATA_DIR) / "display";
}

// Writes the image for a person to look at when ZN_MAP_PNG names a folder.
inline void showMap(const QImage& image, const std::string& name) {
  if (const char* dir = std::getenv("ZN_MAP_PNG")) {
    std::filesystem::create_directories(dir);
    image.save(QString::fromStdString((std::filesystem::path(dir) / (name + ".png")).string()));
  }
}

// Pixels whose channels differ by more than `channelTolerance`; at most
// `allowedFraction` of the image may differ.
inline void expectMatchesGolden(const QImage& actual, const std::string& name, double allowedFraction = 0.004,
                                int channelTolerance = 40) {
  showMap(actual, name);
  const auto file = goldenDir() / (name + ".png");
  if (std::getenv("ZN_UPDATE_GOLDEN")) {
    std::filesystem::create_directories(goldenDir());
    ASSERT_TRUE(actual.save(QString::fromStdString(file.string())));
    return;
  }
  QImage golden(QString::fromStdString(file.string()));
  ASSERT_FALSE(golden.isNull()) << "no golden image " << file;
  golden = golden.convertToFormat(QImage::Format_RGB32);
  const QImage img = actual.convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(img.size(), golden.size()) << name;
  long differing = 0;
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* a = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    const QRgb* b = reinterpret_cast<const QRgb*>(golden.constScanLine(y));
    for (int x = 0; x < img.width(); ++x)
      if (std::abs(qRed(a[x]) - qRed(b[x])) > channelTolerance ||
          std::abs(qGreen(a[x]) - qGreen(b[x])) > channelTolerance ||
          std::abs(qBlue(a[x]) - qBlue(b[x])) > channelTolerance)
        ++differing;
  }
  const long allowed = static_cast<long>(allowedFraction * img.width() * img.height());
  EXPECT_LE(differing, allowed) << name << ": " << differing << " pixels differ from the golden image, " << allowed
                                << " allowed";
}

}  // namespace zn::test
