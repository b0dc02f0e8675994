#include "measures/tree.h"

#include <new>
#include <utility>
#include <vector>

#include "measures/presence.h"
#include "measures/richness.h"
#include "measures/scores.h"
#include "store/codetree.h"

namespace zn {

namespace {

constexpr const char* kNoTreeData = "Requires tree data\n- data absent or inconsistent";

bool haveTreeData(Session& s, const char* caption) {
  if (s.subgroupDataPresent) return true;
  s.host.messageBox(kNoTreeData, caption, Icon::Information, Buttons::Ok);
  return false;
}

struct CellValue {
  double score = 0.0;
  int count = 0;
};

// The whole map, computed aside so that a failure leaves the old scores.
std::vector<CellValue> subtreeScores(const Session& s, int& taxaCounted) {
  const Workspace& ws = s.ws;
  const PresenceIndex ix = buildPresenceIndex(ws, s.settings[kExcludedLevel]);
  const int g = static_cast<int>(ws.groupCode.size());
  std::vector<char> included(static_cast<std::size_t>(ix.taxa), 0);
  for (int t = 0; t < ix.taxa; ++t) included[static_cast<std::size_t>(t)] = ws.passesGroup(t) ? 1 : 0;

  // The represented taxa, in set order and within an area in card order.
  const bool haveSet = !s.areas.empty();
  std::vector<char> represented(static_cast<std::size_t>(ix.taxa), 0);
  std::vector<char> isArea(static_cast<std::size_t>(ix.cells) + 1, 0);
  CodeTree rep(g);
  for (int a : s.areas.cells) {
    if (a < 1 || a > ix.cells) continue;
    isArea[static_cast<std::size_t>(a)] = 1;
    for (std::int32_t t : ix.taxaIn(a)) {
      char& r = represented[static_cast<std::size_t>(t)];
      if (!included[static_cast<std::size_t>(t)] || r) continue;
      r = 1;
      rep.add(ws.cards.code(t));
    }
  }
  const double base = rep.size() >= 2 ? rep.length() : 0.0;

  std::vector<CellValue> out(static_cast<std::size_t>(ix.cells) + 1);
  std::vector<char> anyCell(static_cast<std::size_t>(ix.taxa), 0);
  std::vector<std::int32_t> fresh;
  taxaCounted = 0;
  for (int h = 1; h <= ix.cells; ++h) {
    fresh.clear();
    if (!haveSet || !isArea[static_cast<std::size_t>(h)])
      for (std::int32_t t : ix.taxaIn(h))
        if (included[static_cast<std::size_t>(t)] && !represented[static_cast<std::size_t>(t)])
          fresh.push_back(t);
    for (std::int32_t t : fresh)
      if (!anyCell[static_cast<std::size_t>(t)]) {
        anyCell[static_cast<std::size_t>(t)] = 1;
        ++taxaCounted;
      }
    CellValue& v = out[static_cast<std::size_t>(h)];
    if (fresh.empty()) continue;
    const int k = static_cast<int>(fresh.size());
    if (!haveSet && k == 1) {
      v = {kZeroScore, 1};
      continue;
    }
    // A prefix tree of the represented taxa plus this cell's gives the
    // same length as comparing every pair of codes.
    CodeTree tree = haveSet ? rep : CodeTree(g);
    for (std::int32_t t : fresh) tree.add(ws.cards.code(t));
    v = {haveSet ? tree.length() - base : tree.length(), k};
  }
  return out;
}

}  // namespace

void computeSubtreeLength(Session& s) {
  if (!measureApplies(s, kCodeSubtreeLength) || !haveTreeData(s, "Subtree length")) return;
  std::vector<CellValue> values;
  int taxaCounted = 0;
  try {
    values = subtreeScores(s, taxaCounted);
  } catch (const std::bad_alloc&) {
    s.host.messageBox("insufficient free memory", "Subtree length", Icon::Exclamation, Buttons::Ok);
    return;
  }
  beginMeasure(s);
  for (std::size_t n = 1; n < values.size(); ++n) {
    GridCell& c = s.ws.cells[n];
    c.score = values[n].score;
    c.count = values[n].count;
  }
  s.map.taxaCounted = taxaCounted;
  finishMeasure(s, s.ws.counters.codeTreeLength);
}

void computeRootDistance(Session& s) {
  if (!measureApplies(s, kCodeRootDistance) || !haveTreeData(s, "Root distance")) return;
  beginMeasure(s);
  const PresenceIndex ix = buildPresenceIndex(s.ws, s.settings[kExcludedLevel]);
  const std::vector<char> take = countedTaxa(s.ws, ix, s.areas);
  const CardStore& cards = s.ws.cards;
  s.map.taxaCounted =
      addTaxonValues(s, ix, take, [&cards](int t) { return static_cast<double>(cards.weight(t)); });
  finishMeasure(s, s.ws.counters.sumWeights);
}

}  // namespace zn
