// Taxa that tie on the rarest between cells 1 and 2 and leave the decision
// to later taxa, one tie-break level each: the first n of them.
#pragma once

#include <vector>

#include "tests/support/sessions.h"

namespace zn::test {

inline std::vector<TaxonSpec> tieChain(int n) {
  const std::vector<TaxonSpec> all{taxon("T1", {1, 2}),
                                   taxon("T2", {1, 3, 4}),
                                   taxon("T3", {2, 5, 6}),
                                   taxon("T4", {1, 7, 8, 9}),
                                   taxon("T5", {2, 10, 11, 12}),
                                   taxon("T6", {1, 13, 14, 15, 16}),
                                   taxon("T7", {2, 17, 18, 19, 20})};
  return {all.begin(), all.begin() + n};
}

}  // namespace zn::test
