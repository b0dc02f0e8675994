// `--preselect FILE.pre` of the zonarium subcommands that open a datafile
// (info, measure, render, select): the file is applied as the preselection
// dialog's "Load file" applies it, then the preselection is applied.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace zn {

// Takes every "--preselect FILE" out of args (the last one counts). Returns
// 0, or 2 after a message on ctx.err when the file name is missing.
int takePreselectOption(CliContext& ctx, std::vector<std::string>& args, std::optional<std::filesystem::path>& file);

// Applies the preselection file to the open datafile: group code, excluded
// data level, excluded taxa and cells, then restrict to subgroup, recount
// and the map's recompute. False (after the "Can't open file" message, or a
// message when no datafile is open) when nothing was applied.
bool applyPreselectionFile(CliContext& ctx, Session& s, const std::filesystem::path& file);

}  // namespace zn
