#include "display/scalebar.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "measures/scores.h"
#include "store/measuretraits.h"
#include "store/session.h"
#include "store/text.h"

namespace zn {

namespace {

std::string limitText(double lim, const MeasureKind& kind, bool top) {
  const double shown = lim > 100 ? 0.0 : lim;
  if (kind.countType) return strprintf("%d", static_cast<int>(lim));
  if (top) return strprintf("%6.2f%c", shown, '%');
  return strprintf("%6.2f", shown);
}

// Drops every label that reads like the next one up the bar (`upwards` gives
// the order in which the labels run up the bar).
std::vector<ScaleLabel> mergeEqual(std::vector<ScaleLabel> labels, bool upwards) {
  if (!upwards) std::reverse(labels.begin(), labels.end());
  std::vector<ScaleLabel> out;
  for (std::size_t i = 0; i < labels.size(); ++i)
    if (i + 1 == labels.size() || labels[i + 1].text != labels[i].text) out.push_back(labels[i]);
  if (!upwards) std::reverse(out.begin(), out.end());
  return out;
}

}  // namespace

std::vector<ScaleLabel> scaleBarLabels(const ClassTable& t, const MeasureKind& kind, int scaleType, bool inverted) {
  std::vector<ScaleLabel> out;
  const int k = t.classCount;
  if (kind.category || static_cast<int>(t.limits.size()) < k) return out;
  if (inverted) {
    if (static_cast<int>(t.maxima.size()) < k) return out;
    int topClass = -1;
    for (int c = 0; c < k; ++c)
      if (t.maxima[static_cast<std::size_t>(c)] > 0 &&
          (topClass < 0 || t.maxima[static_cast<std::size_t>(c)] > t.maxima[static_cast<std::size_t>(topClass)]))
        topClass = c;
    for (int c = 0; c < k; ++c) {
      const double m = t.maxima[static_cast<std::size_t>(c)];
      if (m > 0) out.push_back({c, limitText(m, kind, c == topClass)});
    }
    return mergeEqual(std::move(out), false);
  }
  // Each class that holds cells carries its own largest score: a class left
  // empty (whose box colours no cell) gets no number, so a number always
  // stands beside the colour of the cells it names.
  const bool ownMaxima = static_cast<int>(t.maxima.size()) >= k;
  for (int c = 0; c < k; ++c) {
    const double lim = ownMaxima ? t.maxima[static_cast<std::size_t>(c)] : t.limits[static_cast<std::size_t>(c)];
    const bool top = c == k - 1;
    if (!(lim > 0)) continue;
    if (top ? scaleType == kFixedLimit : !ownMaxima && lim == t.limits[static_cast<std::size_t>(c + 1)]) continue;
    out.push_back({c, limitText(lim, kind, top)});
  }
  return mergeEqual(std::move(out), true);
}

std::vector<KeyEntry> categoryKey(const Session& s, const MeasureKind& kind) {
  std::vector<KeyEntry> key;
  if (!kind.category || kind.overlay || kind.maxLevelSpots) return key;
  const int last = std::min<int>(s.ws.geo.cells, static_cast<int>(s.ws.cells.size()) - 1);
  // Each score on the map, largest first, with the colour its cells take and
  // one cell's count (the position in the set on the order maps).
  struct Shown {
    int colour;
    int count;
  };
  std::map<double, Shown, std::greater<>> shown;
  for (int n = 1; n <= last; ++n) {
    const GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    // The zero-score marker stands for 0: it comes last.
    if (c.scored && c.score > 0)
      shown.try_emplace(c.score == kZeroScore ? 0.0 : c.score, Shown{c.fillColour & 0xFFFF, c.count});
  }
  const MapReading reading = s.map.traits().reading;
  const bool grownSet = reading == MapReading::NearMinimumSet || reading == MapReading::CoverageSet;
  const bool flexMap = s.settings.flexibilityMap != Flag::kOff && s.settings.nearMinimumGoal <= 1 && grownSet;
  auto add = [&](int colour, std::string text) {
    // Neighbouring kinds that read the same are one line.
    if (!key.empty() && key.back().text == text) return;
    key.push_back({colour, std::move(text)});
  };
  // Long runs of values keep their two ends and evenly spaced ones between.
  std::vector<std::pair<double, Shown>> values(shown.begin(), shown.end());
  constexpr std::size_t kMostLines = 8;
  if (values.size() > kMostLines) {
    std::vector<std::pair<double, Shown>> kept;
    for (std::size_t i = 0; i < kMostLines; ++i) kept.push_back(values[i * (values.size() - 1) / (kMostLines - 1)]);
    values = std::move(kept);
  }
  for (const auto& [score, v] : values) {
    if (flexMap) {
      add(v.colour, score >= 4 ? "irreplaceable (R)" : score >= 3 ? "flexible (O)" : "partial alternative");
    } else if (reading == MapReading::TimesChosen) {
      add(v.colour, strprintf("%d times chosen", static_cast<int>(score)));
    } else if (reading == MapReading::FullyFlexible) {
      add(v.colour, score == values.front().first ? "selected area" : "alternative area");
    } else if (reading == MapReading::ShareOfRuns) {
      add(v.colour, strprintf("%g %% of runs", std::round(score * 10.0) / 10.0));
    } else if (reading == MapReading::ReplacementCost) {
      add(v.colour, v.count < 0    ? std::string("irreplaceable")
                    : v.count == 0 ? std::string("no extra area")
                                   : strprintf("%d extra area%s", v.count, v.count == 1 ? "" : "s"));
    } else if (reading == MapReading::SelectedAreas) {
      add(v.colour, "selected area");
    } else if (grownSet || reading == MapReading::ChoiceOrder || reading == MapReading::TaxaAdded ||
               reading == MapReading::Threat) {
      add(v.colour, strprintf("chosen %d%s", v.count,
                              v.count % 10 == 1 && v.count % 100 != 11   ? "st"
                              : v.count % 10 == 2 && v.count % 100 != 12 ? "nd"
                              : v.count % 10 == 3 && v.count % 100 != 13 ? "rd"
                                                                         : "th"));
    } else {
      add(v.colour, strprintf("%g", score));
    }
  }
  const AreasShown display = s.settings.selectedAreasDisplay;
  if (display >= AreasShown::kSeeds && s.areas.seedCount > 0 && !s.areas.empty()) add(kMarkerSample, "seed");
  return key;
}

}  // namespace zn
