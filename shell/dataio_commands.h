// The data interchange commands of the dispatcher: "Import data" (1200),
// which builds a new datafile and opens it, and "Export data" (1600); and
// the two runs after their dialogs, as the shell asks for their files.
// `input` and `output`, when set, stand for the file choices (the tool
// names its files on the command line).
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "shell/host.h"

namespace zn {

class Shell;
struct Session;

// Connects the two commands; called once from the Shell's constructor.
void connectInterchangeDataCommands(Shell& shell);

// The import after the dialog: refusals, input and output files, then the
// conversion. True when the new datafile was written (the caller opens it).
bool runImport(Session& s, Host& host, int layout, std::optional<std::filesystem::path> input = {},
               std::optional<std::filesystem::path> output = {});
// "Import data": the dialog, then runImport.
bool importDataCommand(Session& s, Host& host);

// The export after the dialog: refusals, for DMAP the taxa (nothing: the
// "Selective plot" list asks), the output file. True when it was written.
bool runExport(Session& s, Host& host, int layout, std::optional<std::vector<int>> dmapTaxa = std::nullopt,
               std::optional<std::filesystem::path> output = {});
// "Export data": nothing without taxa; the dialog, then runExport.
bool exportDataCommand(Session& s, Host& host);

}  // namespace zn
