#include "cli/cli.h"

namespace zn {

const std::vector<Subcommand>& subcommands() {
  static const std::vector<Subcommand> list{
      {"info", "info DATAFILE", cmdInfo},
  };
  return list;
}

}  // namespace zn
