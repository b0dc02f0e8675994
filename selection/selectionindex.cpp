#include "selection/selectionindex.h"

#include "store/session.h"

namespace zn {

SelectionIndex::SelectionIndex(const Session& s) : SelectionIndex(analysisData(s)) {
  cells = std::min(ix.units, static_cast<int>(s.ws.cells.size()) - 2);
}

}  // namespace zn
