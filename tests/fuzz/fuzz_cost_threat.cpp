// A cost or threat file (.scr) read as the area selection reads it, its
// values put on the cells of a small datafile, then the budget dialog's
// bounds and a greedy set by cost or re-ordered by threat: whatever the
// values (huge, tiny, not numbers), nothing may misbehave.
#include "interchange/scr.h"
#include "selection/greedy.h"
#include "selection/reorder.h"
#include "selection/values.h"
#include "tests/fuzz/session_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  zn::SilentHost host{zn::Answer::Ok};
  zn::Session s(host, "/nonexistent");
  if (!zn::fuzz::openSmallDatafile(s)) return 0;
  zn::recount(s.ws, 0);
  zn::fuzz::tenDegreeBounds(s.ws);
  const bool cost = data[0] & 1;
  const zn::ScoresRead r = zn::readScoresColumn(std::string(data + 1, data + size), s.ws);
  if (!r.column) return 0;
  const zn::ValueKind kind = cost ? zn::ValueKind::Cost : zn::ValueKind::Threat;
  if (!zn::applyAreaValues(s.ws, kind, r.column->values)) return 0;
  s.costPresent = cost;
  for (int n = 1; n <= s.ws.geo.cells; ++n) {
    const zn::GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    if (c.cost < 0.0 || c.threat < 0.0) __builtin_trap();
  }
  if (cost) {
    const zn::BudgetModel m =
        zn::openBudget(zn::budgetBounds(s.ws, s.settings.excludedLevel, s.areas), s.settings.budget());
    (void)zn::acceptedBudget(m);
  }
  zn::GreedyOptions o;
  o.byCost = cost;
  o.byRarity = data[0] & 2;
  o.rejectRedundant = data[0] & 4;
  s.areas = zn::growGreedySet(zn::analysisData(s), s.areas, o, s.progress).set;
  if (!cost) zn::reorderByThreat(s.areas, zn::analysisData(s).threat);
  return 0;
}
