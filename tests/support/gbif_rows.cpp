#include "tests/support/gbif_rows.h"

namespace zn::test {

const std::vector<std::string>& gbifColumns() {
  static const std::vector<std::string> c{"gbifID",
                                          "datasetKey",
                                          "occurrenceID",
                                          "kingdom",
                                          "phylum",
                                          "class",
                                          "order",
                                          "family",
                                          "genus",
                                          "species",
                                          "infraspecificEpithet",
                                          "taxonRank",
                                          "scientificName",
                                          "verbatimScientificName",
                                          "verbatimScientificNameAuthorship",
                                          "countryCode",
                                          "locality",
                                          "stateProvince",
                                          "occurrenceStatus",
                                          "individualCount",
                                          "publishingOrgKey",
                                          "decimalLatitude",
                                          "decimalLongitude",
                                          "coordinateUncertaintyInMeters",
                                          "coordinatePrecision",
                                          "elevation",
                                          "elevationAccuracy",
                                          "depth",
                                          "depthAccuracy",
                                          "eventDate",
                                          "day",
                                          "month",
                                          "year",
                                          "taxonKey",
                                          "speciesKey",
                                          "basisOfRecord",
                                          "institutionCode",
                                          "collectionCode",
                                          "catalogNumber",
                                          "recordNumber",
                                          "identifiedBy",
                                          "dateIdentified",
                                          "license",
                                          "rightsHolder",
                                          "recordedBy",
                                          "typeStatus",
                                          "establishmentMeans",
                                          "lastInterpreted",
                                          "mediaType",
                                          "issue"};
  return c;
}

std::string gbifHeader(const std::string& end) {
  std::string h;
  for (const auto& c : gbifColumns()) h += (h.empty() ? "" : "\t") + c;
  return h + end;
}

std::string gbifRow(const std::map<std::string, std::string>& values, const std::string& end) {
  std::string r;
  bool first = true;
  for (const auto& c : gbifColumns()) {
    if (!first) r += '\t';
    first = false;
    if (auto it = values.find(c); it != values.end()) r += it->second;
  }
  return r + end;
}

}  // namespace zn::test
