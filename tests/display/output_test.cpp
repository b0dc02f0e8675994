#include "app/output_commands.h"

#include <gtest/gtest.h>
#include <QPrinter>

#include "store/binio.h"
#include "tests/support/map_fixture.h"

namespace zn {
namespace {

using test::MapFixture;
namespace fs = std::filesystem;

struct BmpInfo {
  int width = 0, height = 0, bits = 0;
  std::size_t size = 0;
};

BmpInfo readBmp(const fs::path& p) {
  const std::string data = test::readFile(p);
  BmpInfo b;
  if (data.size() < 54 || data.substr(0, 2) != "BM") return b;
  const auto* u = reinterpret_cast<const unsigned char*>(data.data());
  b.width = readI32(u + 18);
  b.height = readI32(u + 22);
  b.bits = readU16(u + 28);
  b.size = readU32(u + 2);
  EXPECT_EQ(b.size, data.size());
  return b;
}

// The client area as the window would capture it.
std::function<QImage()> client(MapFixture& f, int w, int h) {
  return [&f, w, h] { return renderClient(f.s, f.d, w, h); };
}
// Save bitmap of a w x h window, "Save map" answered with OK and the file
// dialog with the file.
bool saveAs(MapFixture& f, const fs::path& file, int w = 1000, int h = 800) {
  f.host.dialogAnswers.push_back(true);
  f.host.saveFiles.push_back(file);
  return saveBitmap(f.s, f.host, f.d, client(f, w, h));
}

TEST(SaveBitmap, WritesTheChosenPartOfTheWindow) {
  struct Case {
    BitmapArea area;
    int width, height;
  };
  for (Case c : {Case{BitmapArea::kExcludeStatusBar, 998, 779}, Case{BitmapArea::kIncludeStatusBar, 1000, 800}}) {
    MapFixture f;
    f.s.settings.bitmapOption = c.area;
    const fs::path file = f.dir.path() / "map.bmp";
    ASSERT_TRUE(saveAs(f, file));
    EXPECT_EQ(f.host.dialogs, std::vector<std::string>{"SAVEDLGBOX"});
    EXPECT_EQ(f.host.saveRequests.size(), 1u);
    EXPECT_EQ(f.host.redraws, 1);
    const BmpInfo b = readBmp(file);
    EXPECT_EQ(b.bits, 24);
    EXPECT_EQ(b.width, c.width) << "area " << static_cast<int>(c.area);
    EXPECT_EQ(b.height, c.height) << "area " << static_cast<int>(c.area);
  }
}

TEST(SaveBitmap, CancelEmptyNamesAndAnUnwritableFile) {
  MapFixture f;
  f.host.dialogAnswers.push_back(false);
  EXPECT_FALSE(saveBitmap(f.s, f.host, f.d, client(f, 500, 400)));
  EXPECT_TRUE(f.host.saveRequests.empty());

  // An empty name asks again; a cancelled file dialog ends the command.
  f.host.dialogAnswers.push_back(true);
  f.host.saveFiles = {fs::path(), std::nullopt};
  EXPECT_FALSE(saveBitmap(f.s, f.host, f.d, client(f, 500, 400)));
  EXPECT_EQ(f.host.saveRequests.size(), 2u);
  EXPECT_TRUE(f.host.messages.empty());

  // An unwritable file is reported and the program carries on.
  f.s.settings.bitmapOption = BitmapArea::kIncludeStatusBar;
  EXPECT_FALSE(saveAs(f, f.dir.path() / "no such folder" / "map.bmp", 500, 400));
  EXPECT_EQ(f.host.messageLines(), std::vector<std::string>{"BANG!!: bitmap not saved"});
  EXPECT_EQ(f.host.messages[0].icon, Icon::Error);
  EXPECT_FALSE(f.s.fatal);
  EXPECT_EQ(f.s.settings.bitmapOption, BitmapArea::kIncludeStatusBar);
}

// (PNG: the window's maps against the tool's pictures in tests/shell_qt.)
TEST(ImageFiles, ByExtension) {
  test::TempDir dir;
  QImage img(400, 300, QImage::Format_RGB32);
  img.fill(QColor(10, 200, 30));
  ASSERT_TRUE(writeImageFile(dir.path() / "a.BMP", img));
  EXPECT_EQ(readBmp(dir.path() / "a.BMP").width, 400);
  ASSERT_TRUE(writeImageFile(dir.path() / "a.pdf", img));
  const std::string pdf = test::readFile(dir.path() / "a.pdf");
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_NE(pdf.find("/MediaBox [0 0 300.000000 225.000000]"), std::string::npos) << "points, at 96 pixels to the inch";
  EXPECT_FALSE(writeImageFile(dir.path() / "a.gif", img));
  EXPECT_FALSE(fs::exists(dir.path() / "a.gif"));
  EXPECT_FALSE(writeImageFile(dir.path() / "missing" / "a.png", img));
}

class ScriptedProgress : public PrintProgress {
 public:
  bool cancel = false;
  std::vector<std::string> lines;
  int closed = 0;
  void open(const std::string& title, const std::string& destination) override { lines = {title, destination}; }
  bool cancelled() override { return cancel; }
  void close() override { ++closed; }
};

struct PrintSetup {
  MapFixture f;
  QPrinter printer{QPrinter::HighResolution};
  ScriptedProgress progress;
  fs::path pdf = f.dir.path() / "page.pdf";
  int chosen = 0;
  std::function<bool(QPrinter&)> choose = [this](QPrinter& p) {
    ++chosen;
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(QString::fromStdString(pdf.string()));
    return true;
  };
  PrintSetup() {
    f.scoreLand();
    f.classify();
  }
  // Print map with the print dialog answered OK.
  bool print() {
    f.host.dialogAnswers.push_back(true);
    return printMap(f.s, f.host, f.d, printer, choose, progress);
  }
};

TEST(PrintMap, PrintsOnePageWithTheDialogValues) {
  PrintSetup p;
  p.f.d.print.widthPercent = 60;
  p.f.d.print.coastThickness = 4;
  p.f.s.settings.printOption = 70;  // a width left in the options file
  ASSERT_TRUE(p.print());
  EXPECT_EQ(p.f.host.dialogs, std::vector<std::string>{"PRINTDLGBOX"});
  EXPECT_EQ(p.chosen, 1);
  EXPECT_EQ(p.progress.lines[0], "Printing 'richness'");
  EXPECT_EQ(p.progress.lines[1].substr(0, 3), "to ");
  EXPECT_EQ(p.progress.closed, 1);
  EXPECT_EQ(p.f.s.settings.printOption, 0);
  EXPECT_EQ(p.f.d.print.widthPercent, 60);
  EXPECT_EQ(test::readFile(p.pdf).substr(0, 5), "%PDF-");
  EXPECT_TRUE(p.f.host.messages.empty());
}

// Image objects a PDF holds (their dictionaries are not compressed).
int pdfImages(const std::string& pdf) {
  int n = 0;
  for (std::size_t at = pdf.find("/Subtype /Image"); at != std::string::npos; at = pdf.find("/Subtype /Image", at + 1))
    ++n;
  return n;
}

TEST(PrintMap, PageIsShapesAndTextWithAPictureOnlyForTheSeaFill) {
  for (bool light : {false, true}) {
    PrintSetup p;
    p.f.s.settings.lightDefaults = flagOf(light);
    setDefaults(p.f.s.settings);
    p.f.classify();
    ASSERT_TRUE(p.print());
    const std::string pdf = test::readFile(p.pdf);
    // The dark defaults fill the frame and flood the sea: one picture of it.
    EXPECT_EQ(pdfImages(pdf), light ? 0 : 1) << (light ? "light" : "dark");
    EXPECT_NE(pdf.find("/FontFile"), std::string::npos) << "text stays text";
    EXPECT_LT(pdf.size(), light ? 200000u : 3000000u);
  }
}

// A drawing, not a picture: the title stays text and without the sea fill
// nothing is an image. (A PNG is written by its extension as any image.)
TEST(SaveBitmap, SvgByTheNameChosen) {
  MapFixture f(true);
  f.scoreLand();
  f.classify();
  const fs::path file = f.dir.path() / "map.svg";
  ASSERT_TRUE(saveAs(f, file));
  const std::string data = test::readFile(file);
  EXPECT_NE(data.find("<svg"), std::string::npos);
  EXPECT_NE(data.find("richness"), std::string::npos) << "the title as text";
  EXPECT_EQ(data.find("<image"), std::string::npos) << "no sea fill: no picture";
  EXPECT_NE(data.find("viewBox=\"0 0 998 779\""), std::string::npos);
}

// Cancel in the dialog prints nothing; in the progress box it abandons the page.
TEST(PrintMap, CancelInTheDialogOrTheProgressBoxPrintsNothing) {
  PrintSetup p;
  p.f.s.settings.printOption = 70;
  p.f.host.dialogAnswers.push_back(false);
  bool options = true;
  EXPECT_FALSE(printMap(p.f.s, p.f.host, p.f.d, p.printer, p.choose, p.progress, &options));
  EXPECT_FALSE(options);
  EXPECT_EQ(p.chosen, 0);
  EXPECT_EQ(p.f.s.settings.printOption, 0);

  const int closed = p.progress.closed;
  p.progress.cancel = true;
  EXPECT_FALSE(p.print());
  EXPECT_EQ(p.progress.closed, closed + 1);
  EXPECT_FALSE(fs::exists(p.pdf));
  EXPECT_TRUE(p.f.host.messages.empty());
}

TEST(PrintMap, PrinterThatCannotStartIsReported) {
  PrintSetup p;
  p.pdf = p.f.dir.path() / "missing" / "x.pdf";
  EXPECT_FALSE(p.print());
  EXPECT_EQ(p.f.host.messageLines(), std::vector<std::string>{": Printer: StartDoc failed!"});
  EXPECT_EQ(p.f.host.messages[0].icon, Icon::Exclamation);
  EXPECT_EQ(p.progress.closed, 1);
}

TEST(PrintMap, PageMetricsOfAPdfPrinter) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
  const PageMetrics m = pageMetrics(printer);
  const int res = printer.resolution();
  EXPECT_NEAR(m.width, 210 / 25.4 * res, 8);
  EXPECT_NEAR(m.height, 297 / 25.4 * res, 8);
  EXPECT_NEAR(m.offsetX, 10 / 25.4 * res, 8);
  EXPECT_NEAR(m.aspectRatio, 0.7071, 0.001);
}

}  // namespace
}  // namespace zn
