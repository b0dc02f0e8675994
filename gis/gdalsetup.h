// GDAL set-up shared by the GIS readers and writers.
#pragma once

#include <filesystem>
#include <string>

namespace zn {

// Registers GDAL's drivers once per process.
void ensureGdal();

// Why GDAL must not be handed `path` as the user gave it: a name of one of
// its virtual file systems (/vsicurl/, /vsis3/, /vsistdin/ ...) or a URL
// would reach the network or other stores, where a user path means a plain
// local file. Empty when it is such a plain name.
std::string nonLocalPathProblem(const std::string& path);

// Why a new file cannot be written at `path` (its folder missing, not a
// folder, or not writable); empty when it can.
std::string outputFolderProblem(const std::filesystem::path& path);

// A temporary name beside `path` that keeps its extension, for writers
// that choose their layout by it.
std::filesystem::path temporaryBeside(const std::filesystem::path& path);

}  // namespace zn
