// The GIS commands at full size: a GBIF download of 1,000,000 records
// (plain and zipped) made into a world-grid datafile, 200,000 records put on
// British 10 km squares through PROJ, and the GeoPackage export of the
// Britain grid's 2,777 cells with a near-minimum set.
#include <benchmark/benchmark.h>

#include <cpl_vsi.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "display/classing.h"
#include "display/palette.h"
#include "gis/gbif.h"
#include "gis/gisexport.h"
#include "shell/nearminimum_runs.h"
#include "shell/silenthost.h"
#include "store/datafile.h"
#include "store/files.h"
#include "store/text.h"

namespace {

namespace fs = std::filesystem;

const char* kColumns =
    "gbifID\tdatasetKey\toccurrenceID\tkingdom\tphylum\tclass\torder\tfamily\tgenus\tspecies\tinfraspecificEpithet\t"
    "taxonRank\tscientificName\tverbatimScientificName\tverbatimScientificNameAuthorship\tcountryCode\tlocality\t"
    "stateProvince\toccurrenceStatus\tindividualCount\tpublishingOrgKey\tdecimalLatitude\tdecimalLongitude\t"
    "coordinateUncertaintyInMeters\tcoordinatePrecision\televation\televationAccuracy\tdepth\tdepthAccuracy\teventDate"
    "\t"
    "day\tmonth\tyear\ttaxonKey\tspeciesKey\tbasisOfRecord\tinstitutionCode\tcollectionCode\tcatalogNumber\t"
    "recordNumber\tidentifiedBy\tdateIdentified\tlicense\trightsHolder\trecordedBy\ttypeStatus\testablishmentMeans\t"
    "lastInterpreted\tmediaType\tissue\n";

// Records of 2,000 species of 40 families in a box of longitude and latitude,
// every field of a real download present (most of them short).
std::string download(long rows, double west, double east, double south, double north) {
  std::string text = kColumns;
  text.reserve(static_cast<std::size_t>(rows) * 200);
  unsigned x = 2024;
  auto next = [&x] { return x = x * 1103515245u + 12345u; };
  for (long i = 0; i < rows; ++i) {
    const unsigned t = next() >> 8;
    const int sp = static_cast<int>(t % 2000), gen = sp / 10, fam = gen / 5;
    const double lat = south + (north - south) * ((next() >> 8) % 100000) / 100000.0;
    const double lon = west + (east - west) * ((next() >> 8) % 100000) / 100000.0;
    text += zn::strprintf(
        "%ld\t50c9509d-22c7-4a22-a47d-8c48425ef4a7\tobs:%ld\tAnimalia\tChordata\tMammalia\tCarnivora\tFamily%d\t"
        "Genus%d\tGenus%d species%d\t\tSPECIES\tGenus%d species%d L.\tGenus%d species%d\tL.\tXX\tsomewhere\t\t"
        "PRESENT\t1\t28eb1a3f-1c15-4a95-931a-4af90ecb574d\t%.5f\t%.5f\t%d\t\t\t\t\t\t2001-05-0%d\t%d\t5\t%d\t%d\t%d\t"
        "HUMAN_OBSERVATION\tINST\tCOLL\tC%ld\t\t\t\tCC_BY_4_0\t\t\t\t\t2024-01-01T00:00:00Z\t\t\n",
        i, i, fam, gen, gen, sp, gen, sp, gen, sp, lat, lon, static_cast<int>(next() >> 8) % 5000,
        1 + static_cast<int>(i % 9), 1 + static_cast<int>(i % 9), 1980 + static_cast<int>(i % 40), 1000 + sp, 1000 + sp,
        i);
  }
  return text;
}

struct Home {
  fs::path root = fs::temp_directory_path() / ("zn_bench_gis_" + std::to_string(::getpid()));
  fs::path home = root / "ZONARIUM";
  Home() { zn::populateProgramFolder(home, zn::shippedProgramData()); }
  ~Home() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

Home& home() {
  static Home h;
  return h;
}

const fs::path& worldDownload(bool zipped) {
  static const fs::path plain = [] {
    fs::path p = home().root / "0001-world.csv";
    zn::saveFileAtomically(p, download(1000000, -179.9, 179.9, -55.0, 75.0));
    return p;
  }();
  static const fs::path zip = [] {
    fs::path p = home().root / "0001-world.zip";
    const std::string bytes = *zn::readFileBytes(plain);
    VSILFILE* f = VSIFOpenL(("/vsizip/" + p.string() + "/0001-world.csv").c_str(), "wb");
    VSIFWriteL(bytes.data(), 1, bytes.size(), f);
    VSIFCloseL(f);
    return p;
  }();
  return zipped ? zip : plain;
}

void importInto(benchmark::State& state, zn::GridVariant v, const fs::path& input, const char* folder) {
  zn::SilentHost host{zn::Answer::Ok};
  zn::GbifImportOptions o;
  o.input = input;
  o.output = home().home / folder / "bench.dat";
  long placed = 0;
  for (auto _ : state) {
    zn::Session s{host, home().home, v};
    zn::startSession(s);
    const zn::GbifImportResult r = zn::importGbif(s, o);
    if (!r.ok()) state.SkipWithError(r.error.c_str());
    placed = r.placed;
  }
  state.counters["records"] = static_cast<double>(placed);
}

void BM_ImportGbifWorldMillion(benchmark::State& state) {
  importInto(state, zn::GridVariant::World, worldDownload(state.range(0) != 0), "equal");
}
BENCHMARK(BM_ImportGbifWorldMillion)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"zipped"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

void BM_ImportGbifBritain(benchmark::State& state) {
  static const fs::path p = [] {
    fs::path f = home().root / "0002-britain.csv";
    zn::saveFileAtomically(f, download(200000, -5.5, 1.5, 50.2, 58.5));
    return f;
  }();
  importInto(state, zn::GridVariant::Britain, p, "britain");
}
BENCHMARK(BM_ImportGbifBritain)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ExportGeoPackageBritainWithSet(benchmark::State& state) {
  zn::SilentHost host{zn::Answer::Ok};
  zn::Session s{host, home().home, zn::GridVariant::Britain};
  zn::startSession(s);
  zn::takeChosenDatafile(s.ws.datafile, home().home / "britain" / "butterflies.dat");
  zn::openChosenDatafile(s);
  zn::runNearMinimumSet(s, zn::SelectionEnv{});
  zn::Palette palette;
  zn::allocatePalette(palette, -1, s.settings);
  zn::buildPalette(palette, s.settings);
  zn::classifyScores(s.settings, s.map, s.ws, palette);
  const fs::path out = home().root / "gb.gpkg";
  for (auto _ : state) {
    const zn::GisExportResult r = zn::exportMapToGis(s, palette, {out, "bench", {}});
    if (!r.ok()) state.SkipWithError(r.error.c_str());
  }
  state.counters["cells"] = s.ws.geo.cells;
  state.counters["areas"] = s.areas.count();
}
BENCHMARK(BM_ExportGeoPackageBritainWithSet)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
