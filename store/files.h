// Whole-file reading and safe saving.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zn {

// The whole file, or nothing when it cannot be opened or read. At most
// maxBytes are read, so a huge or endless file cannot exhaust memory.
std::optional<std::string> readFileBytes(const std::filesystem::path& path, std::size_t maxBytes = std::size_t(1)
                                                                                                   << 30);

// The one way the program saves a file. Writes data to a new temporary file
// beside the target (made exclusively, never through a link at its name),
// with the old file's mode, flushes it to disk and renames it over the old
// file, so a failed write leaves the old file as it was. A symbolic link at
// path is written through to its target. Refuses a target that exists and is
// not a regular file. Returns false on failure, leaving no temporary file;
// those that a killed save left are removed by the next save of the target.
bool saveFileAtomically(const std::filesystem::path& path, const std::string& data);

// The file a save to path really writes: the end of the chain of symbolic
// links at path, so that a link keeps pointing at the saved data. Empty when
// the chain is too long or unreadable.
std::filesystem::path resolveSaveTarget(const std::filesystem::path& path);

// Creates the program folder from the shipped copy, never overwriting a file
// that is already there, except an empty or cut-short copy of the shipped
// file, which is copied again. Each copy goes through a temporary file; the
// files that could not be copied are added to *failed. Returns false when the
// folder cannot be made.
bool populateProgramFolder(const std::filesystem::path& home, const std::filesystem::path& shipped,
                           std::vector<std::filesystem::path>* failed = nullptr);

// The shipped program data folder of this installation (installed copy first,
// then the source tree's copy for a build that was never installed).
std::filesystem::path shippedProgramData();

// $HOME/ZONARIUM, or ./ZONARIUM when HOME is not set.
std::filesystem::path defaultProgramFolder();

}  // namespace zn
