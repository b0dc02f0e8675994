// One area selection on a project's units: what the run reads (the
// project, its analysis input, the session's options, the request) and
// what it leaves. Each selection's registry entry names the member that
// runs it on a project, so a new selection is placed in one entry.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "selection/nearminimum.h"
#include "selection/nearminimumrun.h"
#include "selection/report.h"
#include "selection/selectionindex.h"
#include "shell/projectselect.h"

namespace zn {

class ProjectRun {
 public:
  ProjectRun(const ProjectSource& source, Session& session, const ProjectSelectRequest& r, ProjectSelection& o);

  // The selections; each answers why it found nothing, or nothing.
  std::optional<Refusal> unitScores(const Analysis& a);
  std::optional<Refusal> chosenSet(const Analysis& a);
  std::optional<Refusal> grownSet(const Analysis& a);
  std::optional<Refusal> searched(const Analysis& a);
  std::optional<Refusal> currentSet(const Analysis& a);
  std::optional<Refusal> solvedSet(const Analysis& a);
  std::optional<Refusal> grownSetMap(const Analysis& a);

  // The analysis's own fields, after in_set and step.
  std::vector<UnitColumn> extraColumns;

 private:
  const RequestValues& values() const { return request.values; }
  std::string header() const;
  ReportContext context(MeasureCode code, const ReportFacts& f) const;
  ReportOptions reportOptions(MeasureCode code, std::vector<int> soleArea) const;
  void report(MeasureCode code, const ReportFacts& facts, std::vector<int> soleArea = {});
  int areasToAdd(bool noted = true);  // noted: a lowered number is told in the notes
  bool byBudget(const Analysis& a) const;
  double budgetToSpend();
  double timeLimit() const;
  std::function<bool(int)> percentProgress() const;
  void timesChosen(const std::vector<int>& chosen);
  std::optional<Refusal> grow(const Analysis& a, NearMinimumRun& run);
  void mapScores(const Analysis& a, const std::vector<double>& score, const std::vector<int>& count, int taxa,
                 double top);

  const ProjectSource& p;
  const AnalysisData& d;
  Session& s;
  const ProjectSelectRequest& request;
  ProjectSelection& out;
  const bool costs;
  const int capacity;
  const SelectionIndex x;
};

}  // namespace zn
