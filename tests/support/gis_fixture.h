// Shared pieces of the GIS tests: a program folder made from the shipped
// data, sessions on its samples, GBIF downloads written in GBIF's own
// column layout, and zips made through GDAL.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shell/silenthost.h"
#include "store/session.h"
#include "tests/support/gbif_rows.h"
#include "tests/support/fixtures.h"

namespace zn::test {

// Writes `files` (name -> bytes) into a new zip through GDAL's /vsizip/.
void writeZip(const std::filesystem::path& zip, const std::map<std::string, std::string>& files);

// A program folder populated from the shipped programdata.
struct ShippedHome {
  TempDir tmp;
  std::filesystem::path home = tmp.path() / "ZONARIUM";
  ShippedHome();
};

// A session on a datafile of the folder (opened as "Open datafile" does).
struct OpenedSample {
  SilentHost host;
  std::unique_ptr<Session> s;
  OpenedSample(const std::filesystem::path& home, GridVariant v, const std::filesystem::path& datafile);
};

// The datafile's cards (everything after the header).
std::string cardsOf(const std::filesystem::path& datafile, GridVariant v);

}  // namespace zn::test
