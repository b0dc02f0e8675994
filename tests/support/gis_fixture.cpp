#include "tests/support/gis_fixture.h"

#include <gtest/gtest.h>

#include <cpl_vsi.h>
#include <gdal_priv.h>

#include "shell/data_dialogue.h"
#include "store/datafile.h"
#include "store/files.h"

namespace zn::test {

namespace fs = std::filesystem;

void writeZip(const fs::path& zip, const std::map<std::string, std::string>& files) {
  GDALAllRegister();
  for (const auto& [name, bytes] : files) {
    const std::string p = "/vsizip/" + zip.string() + "/" + name;
    VSILFILE* f = VSIFOpenL(p.c_str(), "wb");
    ASSERT_NE(f, nullptr) << p;
    ASSERT_EQ(VSIFWriteL(bytes.data(), 1, bytes.size(), f), bytes.size());
    VSIFCloseL(f);
  }
}

ShippedHome::ShippedHome() {
  if (!populateProgramFolder(home, fs::path(ZN_SOURCE_DIR) / "programdata")) ADD_FAILURE() << "no program folder";
}

OpenedSample::OpenedSample(const fs::path& home, GridVariant v, const fs::path& datafile) {
  s = std::make_unique<Session>(host, home, v);
  EXPECT_TRUE(startSession(*s));
  EXPECT_TRUE(openDatafile(*s, host, datafile)) << datafile;
}

std::string cardsOf(const fs::path& datafile, GridVariant v) {
  const std::string bytes = readFile(datafile);
  const std::size_t header = v == GridVariant::Britain ? 36 : 34;
  return bytes.size() > header ? bytes.substr(header) : std::string();
}

}  // namespace zn::test
