#include "interchange/scr.h"

#include <utility>

#include "interchange/scores_import.h"
#include "store/files.h"
#include "store/text.h"

namespace zn {

namespace {
constexpr std::size_t kScoresFileMax = std::size_t(256) << 20;
}  // namespace

ScoresRead readScoresColumn(const std::string& text, const Workspace& ws) {
  ScoresRead out;
  ScoresImportData d = parseScoresImport(text, ws);
  if (d.format < 0) {
    out.error = std::move(d.error);
    return out;
  }
  ScoresColumn c;
  c.format = d.format;
  c.read = std::move(d.read);
  c.values.reserve(d.values.size());
  for (const auto& v : d.values) c.values.push_back(v[0]);
  out.column = std::move(c);
  return out;
}

ScoresRead readScoresFile(const std::string& path, const Workspace& ws) {
  const auto text = readFileBytes(path, kScoresFileMax);
  if (!text) {
    ScoresRead out;
    out.error = strprintf("Can't open file\n%s", path.c_str());
    return out;
  }
  return readScoresColumn(*text, ws);
}

}  // namespace zn
