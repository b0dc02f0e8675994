#include "shell/projectcurves.h"

#include "selection/greedy.h"
#include "selection/nearminimum.h"
#include "selection/selectionindex.h"
#include "shell/projectselect.h"
#include "shell/runinputs.h"

namespace zn {

CurveSet projectCurves(const AnalysisData& d, const Session& s, const CurveParams& p, Feedback& feedback) {
  CurveSet refused;
  refused.error = curvesGoalRefusal(s.settings);
  if (!refused.error.empty()) return refused;
  const bool costs = costData(d);
  const SelectionIndex x(d);
  CurveOrders orders;
  orders.capacity = areaCapacity(d);
  orders.nearMinimum = [&](std::uint32_t seed) {
    Settings st = s.settings;
    st.nearMinimumGoal = 1;
    SelectionEnv env;
    env.seed = seed;
    RunRequest request;
    request.params = nearMinimumParams(st, costs, env);
    request.params.longReports = false;  // the curves keep only the order
    request.params.capacity = orders.capacity;
    AreaSet set;
    Progress quiet;
    runMainRun(d, x, request, set, quiet);
    return set.cells;
  };
  orders.greedy = greedyOptions(s.settings, costs);
  return computeCurves(d, p, orders, feedback);
}

}  // namespace zn
