// Shared plumbing of the zonarium subcommands.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/clihost.h"
#include "store/session.h"

namespace zn {

struct CliContext {
  CliContext(std::ostream& output, std::ostream& errors) : out(output), err(errors), host(errors) {}
  std::ostream& out;
  std::ostream& err;
  CliHost host;
  std::filesystem::path home;  // the program folder
  GridVariant variant = GridVariant::World;
};

// "zonarium: WHY" on the error stream; returns the exit status.
int cliRefuse(CliContext& ctx, const std::string& why, int status = 2);

// Makes the program folder if needed and starts a session in it; nullptr
// (after a message) when that fails.
std::unique_ptr<Session> startCliSession(CliContext& ctx);

// Opens the datafile as "Open datafile" does; false when it was not opened.
bool openCliDatafile(CliContext& ctx, Session& s, const std::filesystem::path& file);

struct Subcommand {
  std::string name;
  std::string usage;  // one line, after "zonarium [options] "
  // Runs with the arguments after the subcommand name; returns the exit status.
  std::function<int(CliContext&, const std::vector<std::string>&)> run;
};

// Every subcommand, in the order the usage text lists them.
const std::vector<Subcommand>& subcommands();

int cmdInfo(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace zn
