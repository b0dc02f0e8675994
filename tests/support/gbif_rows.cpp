#include "tests/support/gbif_rows.h"

namespace zn::test {

namespace {
// The header row of a GBIF "simple" download, as GBIF writes it.
const char* const kHeader =
    "gbifID\tdatasetKey\toccurrenceID\tkingdom\tphylum\tclass\torder\tfamily\tgenus\tspecies\tinfraspecificEpithet\t"
    "taxonRank\tscientificName\tverbatimScientificName\tverbatimScientificNameAuthorship\tcountryCode\tlocality\t"
    "stateProvince\toccurrenceStatus\tindividualCount\tpublishingOrgKey\tdecimalLatitude\tdecimalLongitude\t"
    "coordinateUncertaintyInMeters\tcoordinatePrecision\televation\televationAccuracy\tdepth\tdepthAccuracy\t"
    "eventDate\tday\tmonth\tyear\ttaxonKey\tspeciesKey\tbasisOfRecord\tinstitutionCode\tcollectionCode\t"
    "catalogNumber\trecordNumber\tidentifiedBy\tdateIdentified\tlicense\trightsHolder\trecordedBy\ttypeStatus\t"
    "establishmentMeans\tlastInterpreted\tmediaType\tissue";
}  // namespace

const std::vector<std::string>& gbifColumns() {
  static const std::vector<std::string> c = [] {
    std::vector<std::string> out(1);
    for (const char* p = kHeader; *p; ++p)
      if (*p == '\t') out.emplace_back();
      else out.back().push_back(*p);
    return out;
  }();
  return c;
}

std::string gbifHeader(const std::string& end) { return kHeader + end; }

std::string gbifRow(const std::map<std::string, std::string>& values, const std::string& end) {
  std::string r;
  for (const auto& c : gbifColumns()) {
    if (&c != &gbifColumns().front()) r += '\t';
    if (auto it = values.find(c); it != values.end()) r += it->second;
  }
  return r + end;
}

std::string gbifRecord(const std::string& species, const std::string& lat, const std::string& lon,
                       const std::string& basis, const std::string& family, const std::string& year) {
  return gbifRow({{"family", family},
                  {"genus", species.substr(0, species.find(' '))},
                  {"species", species},
                  {"decimalLatitude", lat},
                  {"decimalLongitude", lon},
                  {"basisOfRecord", basis},
                  {"year", year}});
}

}  // namespace zn::test
