#include "shell/status.h"

#include "measures/scores.h"
#include "store/text.h"

namespace zn {

std::string displayFileName(const std::string& name) {
  if (name.size() >= 5 && name[name.size() - 4] == '.') return name.substr(0, name.size() - 4);
  return name;
}

namespace {
std::string subdirName(const Session& s) {
  std::string sub = s.ws.datafile.subdir;
  if (!sub.empty() && sub.back() == '\\') sub.pop_back();
  return sub;
}
}  // namespace

StatusInputs statusInputs(const Session& s) {
  StatusInputs in;
  in.overlaysShown = s.map.code() == kCodeOverlay;
  if (!in.overlaysShown) return in;
  const auto& p = s.overlay.presence;
  in.overlayTreatment = p[0] && p[1]   ? "overlay presence data"
                        : p[0] || p[1] ? "overlay presence/quantitative data"
                                       : s.map.title;
  return in;
}

std::array<std::string, 3> statusTexts(const Session& s, const StatusInputs& in) {
  const DatafileState& df = s.ws.datafile;
  std::array<std::string, 3> t;
  std::string sub = subdirName(s);
  t[0] = "MAP: " + (sub.empty() ? std::string("none") : sub);
  if (in.overlaysShown) {
    t[1] = "DATA: overlays";
  } else if (!df.opened) {
    t[1] = "DATA: none";
  } else if (!s.ws.groupCode.empty()) {
    t[1] = strprintf("DATA: %s-%s", displayFileName(df.fileName).c_str(), s.ws.groupCode.c_str());
  } else {
    t[1] = "DATA: " + displayFileName(df.fileName);
  }
  if (df.opened && df.quantitative && t[1].size() > 5) t[1][5] = df.rescaled ? '+' : '*';
  if (in.overlaysShown) t[2] = "TREATMENT: " + in.overlayTreatment;
  else t[2] = "TREATMENT: " + (s.map.title.empty() ? std::string("none") : s.map.title);
  return t;
}

std::array<int, 3> statusPartEdges(int w, bool groupCodeSet) {
  if (groupCodeSet) return {w / 6, static_cast<int>(w * 0.3333333), w};
  return {w / 8, w / 4, w};
}

std::string exitQuestion(const Session& s) {
  const DatafileState& df = s.ws.datafile;
  std::string sub = subdirName(s);
  std::string typeName;
  const auto& types = s.gridTypes.types;
  if (!sub.empty() && s.gridTypes.current >= 0 && s.gridTypes.current < static_cast<int>(types.size()))
    typeName = types[static_cast<std::size_t>(s.gridTypes.current)].name;
  auto orNone = [](const std::string& v) { return v.empty() ? std::string("None") : v; };
  return strprintf("GRID:  %s (%s)\nDATA:  %s (%s)", orNone(sub).c_str(), orNone(typeName).c_str(),
                   orNone(df.fileName).c_str(), orNone(df.title).c_str());
}

}  // namespace zn
