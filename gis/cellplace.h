// Where a WGS84 point falls on the session's grid: found by the units'
// outlines, after PROJ has taken the point into the grid's projected
// coordinate system where the grid has one.
#pragma once

#include <memory>
#include <string>

#include "store/session.h"

namespace zn {

class CellPlacer {
 public:
  explicit CellPlacer(const Session& s);
  ~CellPlacer();
  CellPlacer(const CellPlacer&) = delete;
  CellPlacer& operator=(const CellPlacer&) = delete;

  // Empty when the placer can be used; else why not (no PROJ transformation).
  const std::string& error() const { return error_; }
  // The cell holding the WGS84 point, or 0.
  int locate(double latitude, double longitude) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::string error_;
};

}  // namespace zn
