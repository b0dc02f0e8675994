// Feeds arbitrary bytes to "project add" as a long table onto a small
// hexagonal grid: whatever is lost, every occurrence kept names a stored
// unit and a taxon, and the project reads back as it was written.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "gis/project.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace fs = std::filesystem;
  static const fs::path dir = fs::temp_directory_path() / ("zn_fuzz_project_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "t.csv", std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<long>(size));
  zn::Project p;
  std::string error;
  p.grid = zn::makeRegularGrid({zn::CellSize{1.0, true}, 4326, std::vector<double>{-10, -10, 10, 10}, true}, error);
  if (!error.empty()) __builtin_trap();
  p.data.occurrences = zn::occurrencesFrom(0, 0, {}, false);
  zn::AddSummary sum;
  if (!zn::addTable(p, (dir / "t.csv").string(), sum, error)) return 0;
  const zn::Occurrences& o = p.data.occurrences;
  for (int t = 0; t < o.taxa; ++t)
    for (int n : o.unitsOf(t))
      if (n < 1 || n > p.data.unitCount()) __builtin_trap();
  if (!zn::writeProject(dir / "p.gpkg", p).empty()) __builtin_trap();
  auto back = zn::readProject(dir / "p.gpkg", error);
  if (!back || back->data.unitCount() != p.data.unitCount() || back->data.taxonCount() != p.data.taxonCount() ||
      back->data.occurrences.taxonUnits != o.taxonUnits)
    __builtin_trap();
  return 0;
}
