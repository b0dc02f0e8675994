#include "cli/cell_cmd.h"
#include "cli/cli.h"
#include "cli/measure_options.h"
#include "cli/render_cmd.h"

namespace zn {

const std::vector<Subcommand>& subcommands() {
  static const std::vector<Subcommand> list{
      {"info", "info DATAFILE", cmdInfo},
      {"measure", "measure NAME DATAFILE [--areas FILE.sed] [--set KEY=VALUE]... [--taxa NAME]... [--mean N] [--smooth N]", cmdMeasure},
      {"cell", "cell DATAFILE N [measure options] [--set grouped=0|1] [--set range-sizes=0|1]", cmdCell},
      {"render", "render DATAFILE --measure NAME [measure options] [--options FILE.OPP] [--size WxH] --out FILE.png|.bmp|.pdf", cmdRender},
  };
  return list;
}

}  // namespace zn
