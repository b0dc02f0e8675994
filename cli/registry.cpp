#include "cli/cli.h"
#include "cli/measure_options.h"

namespace zn {

const std::vector<Subcommand>& subcommands() {
  static const std::vector<Subcommand> list{
      {"info", "info DATAFILE", cmdInfo},
      {"measure", "measure NAME DATAFILE [--areas FILE.sed] [--set KEY=VALUE]... [--taxa NAME]... [--mean N] [--smooth N]", cmdMeasure},
  };
  return list;
}

}  // namespace zn
