// Where a point falls on the session's grid: the world grid by the cells'
// longitude and latitude bounds (the date-line cell included), the Britain
// grid through PROJ into British National Grid 10 km squares.
#pragma once

#include <memory>
#include <string>

#include "store/session.h"

namespace zn {

// The south-west corner of a Britain cell in metres of British National
// Grid (EPSG:27700): frame column c and row r (from the north) span
// eastings (c - 1) * 10 km ... c * 10 km and northings (125 - r) * 10 km ... .
inline double britainEasting(const GridCell& c) { return (c.column - 1) * 10000.0; }
inline double britainNorthing(const GridCell& c) { return (125 - c.row) * 10000.0; }

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
