#include "cli/cell_cmd.h"
#include "cli/cli.h"
#include "cli/curve_cmd.h"
#include "cli/dataio_cmd.h"
#include "cli/gis_cmd.h"
#include "cli/marxan_cmd.h"
#include "cli/measure_options.h"
#include "cli/project_cmd.h"
#include "cli/render_cmd.h"
#include "cli/scores_cmd.h"
#include "cli/select_cmd.h"
#include "shell/optionstable.h"

namespace zn {

const std::vector<Subcommand>& subcommands() {
  static const std::vector<Subcommand> list{
      {"info", "info DATAFILE|FILE.gpkg [--preselect FILE.pre]", cmdInfo},
      {"measure",
       "measure NAME DATAFILE|FILE.gpkg [--areas FILE.sed] [--preselect FILE.pre] [--set KEY=VALUE]... [--taxa "
       "NAME]... [--mean N] [--smooth N]",
       cmdMeasure},
      {"cell",
       "cell DATAFILE N|FILE.gpkg UNIT_ID [measure options] " + settingKeysUsage(KeyScope::CellList) +
           " [--after KIND [select options]]",
       cmdCell},
      {"select",
       "select KIND DATAFILE|FILE.gpkg [--areas FILE.sed] [--preselect FILE.pre] [--set KEY=VALUE]... " +
           selectOptionsUsage(),
       cmdSelect},
      {"curve", "curve DATAFILE|FILE.gpkg [select options] [--max-areas K] [--runs R] --out FILE.csv|.png|.svg|.pdf",
       cmdCurve},
      {"render",
       "render DATAFILE|FILE.gpkg --measure NAME | --select KIND [measure and select options] [--preselect FILE.pre] "
       "[--options "
       "FILE.OPP] [--size WxH] [--graticule] [--dpi N | --dpr R] --out FILE.png|.bmp|.svg|.pdf",
       cmdRender},
      {"export-scores",
       "export-scores DATAFILE|FILE.gpkg --out FILE [--measure NAME | --import FILE.scr] [measure options] [--plain] "
       "[--occupied-only] [--zero-markers] [--background] [--centroids] [--mismatch]",
       cmdExportScores},
      {"import-scores", "import-scores DATAFILE FILE.scr [--areas FILE.sed] [--set KEY=VALUE]...", cmdImportScores},
      {"import-data", "import-data LAYOUT INPUT OUTPUT.dat", cmdImportData},
      {"export-data", "export-data LAYOUT DATAFILE OUTPUT [--taxa NAME]... [--excluded-level N]", cmdExportData},
      {"export-gis",
       "export-gis DATAFILE|FILE.gpkg --out FILE.gpkg|FILE.geojson|FILE.csv | FILE.gpkg --layer NAME [--measure NAME | "
       "--select KIND] [measure and select options]",
       cmdExportGis},
      {"import-gbif",
       "import-gbif INPUT OUTPUT.dat [--grid world|britain] [--max-uncertainty M] [--basis B,...] [--years A-B] "
       "[--rank species|genus|family] [--quantitative]",
       cmdImportGbif},
      {"marxan",
       "marxan DIR [--input input.dat] [--method exact|near-minimum|greedy] [--reps N] [--time-limit S] [--out DIR]",
       cmdMarxan},
      {"export-marxan",
       "export-marxan DATAFILE|FILE.gpkg DIR [--costs FILE.scr] [--areas FILE.sed] [--preselect FILE.pre] [--set "
       "KEY=VALUE]...",
       cmdExportMarxan},
      {"project",
       "project new FILE.gpkg --cell SIZE [--crs EPSG:N] [--extent W,S,E,N] [--hex] [--replace] | project new "
       "FILE.gpkg --units LAYER [--id FIELD] [--cost FIELD] [--status FIELD] [--crs EPSG:N] [--replace] | project add "
       "FILE.gpkg INPUT [--format table|gbif|datafile|marxan] [import-gbif filters]",
       cmdProject},
  };
  return list;
}

}  // namespace zn
