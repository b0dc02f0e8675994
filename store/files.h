// Whole-file reading and safe saving.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace zn {

// The whole file, or nothing when it cannot be opened or read. At most
// maxBytes are read, so a huge or endless file cannot exhaust memory.
std::optional<std::string> readFileBytes(const std::filesystem::path& path,
                                         std::size_t maxBytes = std::size_t(1) << 30);

// Writes data beside the target and renames it over the old file, so a
// failed write leaves the old file as it was. Returns false on failure.
bool saveFileAtomically(const std::filesystem::path& path, const std::string& data);

// Creates the program folder from the shipped copy, never overwriting a file
// that is already there. Returns false when the folder cannot be made.
bool populateProgramFolder(const std::filesystem::path& home, const std::filesystem::path& shipped);

// The shipped program data folder of this installation (installed copy first,
// then the source tree's copy for a build that was never installed).
std::filesystem::path shippedProgramData();

// $HOME/ZONARIUM, or ./ZONARIUM when HOME is not set.
std::filesystem::path defaultProgramFolder();

}  // namespace zn
