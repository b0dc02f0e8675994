// zonarium cell DATAFILE N [measure options]: the lines the "List of biota"
// dialog shows for cell N with the measure on the map (richness unless
// --measure names another).
#include <charconv>

#include "cli/cell_cmd.h"
#include "cli/measure_options.h"
#include "shell/celllist.h"

namespace zn {

namespace {

SetKey onOffKey(std::string name, int slot) {
  auto valid = [](const std::string& v) { return v == "0" || v == "1"; };
  return SetKey{std::move(name), "0, 1", valid, [slot](CliContext&, Session& s, const std::string& v) {
                  s.settings[slot] = v == "1" ? 1 : 0;
                  return true;
                }};
}

}  // namespace

std::vector<SetKey> cellSetKeys() {
  std::vector<SetKey> keys = measureSetKeys();
  keys.push_back(onOffKey("grouped", kListDialogVariant));
  keys.push_back(onOffKey("range-sizes", kListDialogOption));
  return keys;
}

std::string formatCellList(const CellListModel& m) {
  std::string out = m.cellLine + "\n";
  if (!m.coordinates.empty()) out += m.coordinates + "\n";
  for (const auto& l : m.infoLines)
    if (!l.empty()) out += l + "\n";
  for (const auto& l : m.lines) out += "  " + l + "\n";
  out += m.counts + "\n";
  return out;
}

int parseCellNumber(CliContext& ctx, const Session& s, const std::string& text) {
  int n = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < 1 || n > s.ws.geo.cells) {
    ctx.err << "zonarium: cell takes a cell number from 1 to " << s.ws.geo.cells << ", not \"" << text << "\"\n";
    return 0;
  }
  return n;
}

int cmdCell(CliContext& ctx, const std::vector<std::string>& args) {
  const std::vector<SetKey> keys = cellSetKeys();
  MeasureOptions opts;
  std::vector<std::string> rest;
  if (int rc = parseMeasureOptions(ctx, args, opts, rest, keys); rc != 0) return rc;
  if (rest.size() != 2 || (!rest[0].empty() && rest[0][0] == '-') || (!rest[1].empty() && rest[1][0] == '-')) {
    ctx.err << "zonarium: cell takes DATAFILE N and the measure options\n";
    return 2;
  }
  if (opts.measure.empty()) opts.measure = "richness";
  auto s = startCliSession(ctx);
  if (!s) return 1;
  if (int rc = prepareMeasure(ctx, *s, opts, rest[0], keys); rc != 0) return rc;
  const int n = parseCellNumber(ctx, *s, rest[1]);
  if (n == 0) return 2;
  ctx.out << formatCellList(openCellList(*s, n, false));
  return 0;
}

}  // namespace zn
