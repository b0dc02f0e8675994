// Shared by the fuzzing targets that need a session: a small world datafile,
// a scratch program folder for readers that only take paths, and the counts
// every datafile read is followed by.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "shell/silenthost.h"
#include "store/datafile.h"
#include "store/files.h"
#include "store/session.h"

namespace zn::fuzz {

// Three cards named A, B and C with a few records.
inline std::string smallDatafile() {
  std::string d;
  d += '\x03';
  d += '\0';
  d += std::string(32, '\0');
  for (char name : {'A', 'B', 'C'}) {
    std::string card(1024, '\0');
    card[0] = name;
    card.replace(32, 31, std::string(1, static_cast<char>(name - 'A' + '1')) + std::string(30, '0'));
    for (int n = 1; n <= 864; n += 7) card[66 + n] = static_cast<char>(1 + n % 4);
    d += card;
  }
  return d;
}

// A world session with the small datafile open; false when it could not be made.
inline bool openSmallDatafile(Session& s) {
  if (!allocateWorkspace(s) || !readDatafileBytes(s, smallDatafile())) return false;
  s.ws.datafile.opened = true;
  return true;
}

// A folder of this process, made once (in memory where /dev/shm exists) and
// holding a copy of the shipped program folder.
inline const std::filesystem::path& scratchHome() {
  static const std::filesystem::path home = [] {
    std::string base =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
    std::string pattern = base + "/zn-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    static const std::filesystem::path made = pattern;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(made, ec);
    });
    const std::filesystem::path dir = made / "ZONARIUM";
    if (!populateProgramFolder(dir, shippedProgramData())) std::abort();
    return dir;
  }();
  return home;
}

// World cell bounds of a plain 10-degree lattice, so that "#0" points land.
inline void tenDegreeBounds(Workspace& ws) {
  for (int n = 1; n <= ws.geo.cells; ++n) {
    GridCell& c = ws.cells[static_cast<std::size_t>(n)];
    const int col = (n - 1) % ws.geo.columns, row = (n - 1) / ws.geo.columns;
    c.lonWest = -180.0 + 10.0 * col, c.lonEast = c.lonWest + 10.0;
    c.latNorth = 120.0 - 10.0 * row, c.latSouth = c.latNorth - 10.0;
  }
}

inline void writeBytes(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// What opening a datafile does after the read: rescale, recount and the
// occupancy pass over a few areas; the input's first two bytes pick the
// group code and excluded level.
inline void countAfterRead(Session& s, const std::uint8_t* data, std::size_t size) {
  s.ws.datafile.opened = true;
  if (size > 0 && data[0] & 1) s.ws.groupCode = "1";
  rescaleQuantitative(s.ws);
  recount(s.ws, size > 1 ? static_cast<std::int8_t>(data[1]) % 5 : 0);
  s.areas.cells = {1, s.ws.geo.cells, 0, s.ws.geo.cells + 1, 5000};
  occupancyPass(s.ws, 0, s.areas);
}

}  // namespace zn::fuzz
