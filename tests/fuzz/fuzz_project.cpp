// Feeds arbitrary bytes to the project reader as a .gpkg file: it refuses
// or reads, and what it reads is a consistent dataset.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "gis/project.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace fs = std::filesystem;
  static const fs::path file = fs::temp_directory_path() / ("zn_fuzz_project_" + std::to_string(::getpid()) + ".gpkg");
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<long>(size));
  std::string error;
  const auto p = zn::readProject(file, error);
  if (!p) return 0;
  const zn::Occurrences& o = p->data.occurrences;
  if (o.taxa != p->data.taxonCount() || o.units != p->data.unitCount()) __builtin_trap();
  for (int t = 0; t < o.taxa; ++t)
    for (int n : o.unitsOf(t))
      if (n < 1 || n > o.units) __builtin_trap();
  return 0;
}
