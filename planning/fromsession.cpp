#include "planning/fromsession.h"

#include <algorithm>

#include "planning/folder.h"
#include "selection/selectionindex.h"
#include "store/files.h"
#include "store/text.h"

namespace zn::planning {

namespace fs = std::filesystem;

Problem problemFromSession(const Session& s) {
  const SelectionIndex x(s);
  const int goal = std::max(1, s.settings.nearMinimumGoal);
  // The session's data as a dataset of the units that matter, then the
  // problem from it as from any dataset.
  Dataset d;
  std::vector<std::uint32_t> numberOf(static_cast<std::size_t>(x.cells) + 1, 0);
  std::vector<char> seed(static_cast<std::size_t>(x.cells) + 1, 0);
  // The areas already in the set seed every analysis, so they are locked in.
  for (int n : s.areas.cells)
    if (x.valid(n)) seed[static_cast<std::size_t>(n)] = 1;
  for (int n = 1; n <= x.cells; ++n) {
    bool holds = seed[static_cast<std::size_t>(n)] != 0;
    for (int t : x.ix.taxaIn(n)) holds |= x.counts(t);
    if (!holds) continue;
    d.units.push_back({n, std::string(), s.costPresent ? s.ws.cells[static_cast<std::size_t>(n)].cost : 1.0,
                       seed[static_cast<std::size_t>(n)] ? UnitStatus::LockedIn : UnitStatus::Free});
    numberOf[static_cast<std::size_t>(n)] = static_cast<std::uint32_t>(d.units.size());
  }
  // Only the counted taxa hold records; each wants the goal, or its range
  // where that is smaller.
  d.taxa.resize(static_cast<std::size_t>(x.ix.taxa));
  std::vector<Occurrence> pairs;
  for (int t = 0; t < x.ix.taxa; ++t) {
    DatasetTaxon& taxon = d.taxa[static_cast<std::size_t>(t)];
    taxon.id = t + 1;
    taxon.name = s.ws.cards.name(t);
    if (!x.counts(t)) continue;
    taxon.target = static_cast<double>(std::min(goal, x.range(t)));
    for (int n : x.ix.unitsOf(t))
      if (x.valid(n)) pairs.push_back({static_cast<std::uint32_t>(t), numberOf[static_cast<std::size_t>(n)], 1.0});
  }
  d.occurrences = occurrencesFrom(d.taxonCount(), d.unitCount(), std::move(pairs), false);
  return problemFromDataset(d);
}

bool writeFolder(const Problem& p, const std::string& title, const fs::path& dir, std::string& error,
                 const std::string& source) {
  std::error_code ec;
  fs::create_directories(dir / "input", ec);
  if (ec) {
    error = "cannot make the folder " + (dir / "input").string();
    return false;
  }
  std::string pu = "id,cost,status\n", spec = "id,target,spf,name\n", amounts = "species,pu,amount\n";
  for (const auto& u : p.units)
    pu += strprintf("%lld,", u.id) + number(u.cost) + strprintf(",%d\n", static_cast<int>(u.status));
  for (std::size_t i = 0; i < p.features.size(); ++i) {
    const Feature& f = p.features[i];
    std::string name;
    for (char c : f.name) name += c == '"' ? std::string("\"\"") : std::string(1, c);
    spec += strprintf("%lld,", f.id) + number(f.target) + ",1,\"" + name + "\"\n";
    for (const Entry* e = p.unitsOf.begin(i); e != p.unitsOf.end(i); ++e)
      amounts +=
          strprintf("%lld,%lld,", f.id, p.units[static_cast<std::size_t>(e->index)].id) + number(e->amount) + "\n";
  }
  std::string input = "Planning-unit folder of the " + source + " \"" + title +
                      "\"\n\nBLM 0\nNUMREPS 10\nMISSLEVEL 1\nSCENNAME output\nINPUTDIR input\nOUTPUTDIR "
                      "output\nPUNAME pu.dat\nSPECNAME spec.dat\nPUVSPRNAME puvspr.dat\n";
  // Shared boundaries, where the units have them; a BLM above 0 uses them.
  std::string bound;
  if (!p.boundaries.empty()) {
    bound = "id1,id2,boundary\n";
    for (const Boundary& b : p.boundaries)
      bound += strprintf("%lld,%lld,", p.units[static_cast<std::size_t>(b.a)].id,
                         p.units[static_cast<std::size_t>(b.b)].id) +
               number(b.length) + "\n";
    input += "BOUNDNAME bound.dat\n";
  }
  std::vector<std::pair<fs::path, const std::string*>> files{
      {dir / "input" / "pu.dat", &pu}, {dir / "input" / "spec.dat", &spec}, {dir / "input" / "puvspr.dat", &amounts}};
  if (!bound.empty()) files.emplace_back(dir / "input" / "bound.dat", &bound);
  files.emplace_back(dir / "input.dat", &input);
  for (const auto& [name, text] : files)
    if (!saveFileAtomically(name, *text)) {
      error = "cannot write " + name.string();
      return false;
    }
  return true;
}

}  // namespace zn::planning
