// A run's output files replace the previous run's as one set: they are
// written into a fresh staging folder beside the output folder, which then
// takes the output folder's place in one rename. Readers, a killed run and a
// second run writing the same folder therefore only ever see a whole set.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zn::planning {

struct OutputFile {
  std::string name;  // a plain file name inside the output folder
  std::string text;
};

// Makes DIR hold FILES in place of every file of the previous set
// (`ofSet(name)` tells them apart); every other file and folder in DIR stays.
// Runs on the same parent folder take turns (an advisory lock on it); the
// staging folders a killed run left are removed first. False with the
// message when the set cannot be written, leaving DIR as it was.
bool replaceOutputSet(const std::filesystem::path& dir, const std::vector<OutputFile>& files,
                      const std::function<bool(const std::string&)>& ofSet, std::string& error);

}  // namespace zn::planning
