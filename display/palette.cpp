#include "display/palette.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "measures/scores.h"

namespace zn {

namespace {

using Ramp = std::array<Rgb, 33>;

// Score ramps of the two 256-colour modes, lowest class first; the top entry
// depends on "max in separate class" and is set by buildPalette.
constexpr Ramp kDarkRamp{{{0, 0, 125},    {0, 0, 147},    {0, 0, 175},   {0, 0, 195},   {0, 20, 212},  {0, 45, 228},
                          {0, 67, 240},   {0, 90, 247},   {0, 110, 252}, {0, 130, 255}, {0, 143, 255}, {0, 158, 255},
                          {0, 173, 255},  {0, 185, 255},  {0, 195, 255}, {0, 205, 255}, {8, 212, 228}, {17, 220, 190},
                          {32, 227, 150}, {50, 232, 105}, {70, 235, 55}, {95, 235, 0},  {122, 230, 0}, {155, 225, 0},
                          {188, 215, 0},  {220, 207, 0},  {240, 193, 0}, {255, 175, 0}, {255, 155, 0}, {255, 135, 0},
                          {250, 115, 0},  {240, 95, 0},   {255, 51, 0}}};
constexpr Ramp kLightRamp{{{180, 255, 255}, {168, 255, 255}, {153, 255, 255}, {140, 250, 250}, {127, 245, 243},
                           {117, 240, 232}, {108, 240, 220}, {103, 245, 202}, {105, 250, 180}, {113, 255, 157},
                           {125, 255, 138}, {131, 255, 120}, {150, 255, 102}, {160, 255, 83},  {170, 255, 68},
                           {183, 255, 50},  {194, 255, 37},  {204, 255, 22},  {215, 255, 15},  {227, 255, 10},
                           {235, 255, 7},   {243, 251, 3},   {248, 246, 0},   {250, 238, 0},   {255, 229, 0},
                           {255, 217, 0},   {255, 208, 0},   {255, 196, 0},   {255, 184, 0},   {255, 167, 0},
                           {255, 140, 0},   {255, 112, 0},   {255, 75, 0}}};
constexpr Rgb kSeparateTop{255, 0, 85};

// The colour-blind-safe ramp: perceptually even lightness from dark violet
// to yellow (viridis), read the same on both backgrounds.
constexpr Ramp kColourBlindRamp{
    {{68, 1, 84},    {69, 12, 94},   {70, 23, 104},  {71, 34, 114},  {71, 44, 122},  {68, 54, 127},  {65, 63, 132},
     {62, 73, 136},  {59, 82, 138},  {55, 90, 140},  {51, 98, 141},  {48, 106, 142}, {45, 114, 142}, {42, 121, 142},
     {39, 128, 142}, {36, 136, 141}, {34, 144, 140}, {33, 152, 138}, {32, 160, 136}, {39, 167, 132}, {45, 174, 127},
     {51, 181, 122}, {64, 187, 115}, {79, 193, 106}, {95, 200, 97},  {111, 206, 88}, {131, 210, 75}, {151, 215, 62},
     {171, 220, 50}, {191, 223, 43}, {212, 226, 41}, {232, 228, 39}, {253, 231, 37}}};

// The diverging ramp's ends and middle, blue below zero and red above
// (colour-blind-safe: the two sides differ in hue and lightness alike).
constexpr std::array<Rgb, 5> kDivergingStops{
    {{33, 102, 172}, {146, 197, 222}, {247, 247, 247}, {244, 165, 130}, {178, 24, 43}}};
constexpr Rgb kDivergingSeparateTop{103, 0, 31};

using Six = std::array<Rgb, 6>;
constexpr Six kMonoLogTable{
    {{230, 230, 230}, {212, 212, 212}, {188, 188, 188}, {156, 156, 156}, {107, 107, 107}, {0, 0, 0}}};
constexpr Six kMonoLinTable{
    {{210, 210, 210}, {165, 165, 165}, {130, 130, 130}, {100, 100, 100}, {75, 75, 75}, {0, 0, 0}}};
constexpr Six kSixteenOn256{{{0, 0, 195}, {0, 130, 255}, {0, 205, 255}, {95, 235, 0}, {255, 175, 0}, {255, 0, 36}}};
constexpr Six kSixteenDevice{{{0, 0, 128}, {0, 0, 255}, {0, 255, 255}, {0, 255, 0}, {255, 255, 0}, {255, 0, 0}}};

// Entries 33..38: the land, sea and background-class colours of the fill.
constexpr std::array<Rgb, 6> kFillDark{
    {{152, 166, 104}, {98, 119, 125}, {120, 100, 90}, {132, 132, 132}, {155, 155, 155}, {141, 130, 127}}};
constexpr Rgb kFillLight38{139, 130, 127};

constexpr int kTwoAxisBase = 40;

std::uint8_t cut(double v) { return static_cast<std::uint8_t>(std::clamp(static_cast<int>(v), 0, 255)); }

}  // namespace

Rgb Palette::colour(std::int32_t ref) const {
  if (ref & kPaletteIndexFlag) return at(ref & 0xFFFF);
  return Rgb{static_cast<std::uint8_t>(ref & 0xFF), static_cast<std::uint8_t>((ref >> 8) & 0xFF),
             static_cast<std::uint8_t>((ref >> 16) & 0xFF)};
}

void allocatePalette(Palette& p, int deviceColours, Settings& s) {
  const bool sixteen = deviceColours >= 0 && deviceColours <= 16;
  p.size = sixteen ? 16 : 256;
  p.trueColour = deviceColours < 0 || deviceColours > 256;
  p.entries.assign(static_cast<std::size_t>(p.size), Rgb{});
  p.built = false;
  if (sixteen && s.colourMode == kDarkColour) s.colourMode = kSixteenColour;
}

int scoreClassCount(int paletteSize, int colourMode) {
  return paletteSize >= 256 && isColour256Mode(colourMode) ? 33 : 6;
}

void buildPalette(Palette& p, const Settings& s) {
  if (p.size != 16) p.size = 256;
  p.entries.assign(static_cast<std::size_t>(p.size), Rgb{});
  p.overlayInForce = false;
  const int mode = s.colourMode;
  p.classCount = scoreClassCount(p.size, mode);
  auto put = [&](const auto& table) { std::copy(table.begin(), table.end(), p.entries.begin()); };
  if (p.classCount == 33) {
    const bool light = mode == kLightColour;
    put(hasRamp(s.mapPalette, MapPalette::kColourBlind) ? kColourBlindRamp : light ? kLightRamp : kDarkRamp);
    if (s.maxNotSeparate == Flag::kOff) p.entries[32] = kSeparateTop;
    std::copy(kFillDark.begin(), kFillDark.end(), p.entries.begin() + 33);
    if (light) p.entries[38] = kFillLight38;
  } else if (mode == kMonoLog) {
    put(kMonoLogTable);
  } else if (mode == kMonoLin) {
    put(kMonoLinTable);
  } else if (p.size == 16) {
    put(kSixteenDevice);
  } else {
    put(kSixteenOn256);
  }
  p.built = true;
}

bool divergingRampApplies(const Palette& p, const Settings& s, MeasureCode measureCode) {
  return hasRamp(s.mapPalette, MapPalette::kDivergingResiduals) && measureCode == kCodeResiduals &&
         p.classCount == 33 && !p.overlayInForce && p.entries.size() >= 33;
}

void putDivergingRamp(Palette& p, int zeroClass, bool maxSeparate) {
  const int top = std::min<int>(p.classCount, static_cast<int>(p.entries.size())) - 1;
  if (top < 1) return;
  zeroClass = std::clamp(zeroClass, 0, top);
  auto mix = [](Rgb a, Rgb b, double f) {
    auto m = [f](std::uint8_t x, std::uint8_t y) { return cut(x + (y - x) * f + 0.5); };
    return Rgb{m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
  };
  // t runs from -1 (lowest class) through 0 (the zero residual's class) to 1.
  auto at = [&](double t) {
    const double u = (t + 1.0) * 2.0;  // 0 .. 4 over the five stops
    const int i = std::clamp(static_cast<int>(u), 0, 3);
    return mix(kDivergingStops[static_cast<std::size_t>(i)], kDivergingStops[static_cast<std::size_t>(i + 1)], u - i);
  };
  for (int k = 0; k <= top; ++k) {
    const double t = k < zeroClass   ? -static_cast<double>(zeroClass - k) / zeroClass
                     : k > zeroClass ? static_cast<double>(k - zeroClass) / (top - zeroClass)
                                     : 0.0;
    p.entries[static_cast<std::size_t>(k)] = at(t);
  }
  if (maxSeparate) p.entries[static_cast<std::size_t>(top)] = kDivergingSeparateTop;
}

bool buildTwoAxisPalette(Palette& p, const Settings& s, int scheme) {
  if (p.size != 256 || !isColour256Mode(s.colourMode)) return false;
  if (p.entries.size() < 256) p.entries.resize(256);
  constexpr double r = 1.0 / 255.0;
  std::array<std::array<double, 10>, 10> red{};
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 10; ++j) {
      const double gi = 30 + 25 * i, bj = 30 + 25 * j;
      double rd = (120 + 15 * j) * gi * r;
      double gr = gi, bl = bj;
      if (scheme == 0) {
        gr = gi - bj * (gi - 120) * r;
        bl = bj - (bj - 120) * gi * r;
      } else if (scheme >= 2) {
        // Both axes high together shade towards white: a red term that peaks
        // on the diagonal (the anti-diagonal when axis 2 runs reversed).
        const int off = scheme == 3 ? std::abs(i - (9 - j)) : std::abs(i - j);
        rd = std::max(rd, std::max(0.0, gi - 40.0 * off));
      }
      red[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = rd;
      p.entries[static_cast<std::size_t>(kTwoAxisBase + 10 * i + j)] = {cut(rd), cut(gr), cut(bl)};
    }
  if (scheme >= 2) {
    // Pairs mirrored about the diagonal share their red, so neither axis
    // tints the "both" colours; green and blue still tell the axes apart.
    for (int i = 0; i < 10; ++i)
      for (int j = 0; j < 10; ++j) {
        const int mi = scheme == 3 ? 9 - j : j;
        const int mj = scheme == 3 ? 9 - i : i;
        const double avg = (red[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] +
                            red[static_cast<std::size_t>(mi)][static_cast<std::size_t>(mj)]) /
                           2.0;
        p.entries[static_cast<std::size_t>(kTwoAxisBase + 10 * i + j)].r = cut(avg);
      }
  }
  p.overlayInForce = true;
  return true;
}

int threeAxisLevels(const Palette& p) { return p.trueColour ? 16 : 6; }

bool buildThreeAxisPalette(Palette& p, const ThreeAxisScales& axes, Notices& notices) {
  if (p.size < 256) {
    notices.push_back({"Must be in 256 colour mode to plot overlays.", "Overlay scores", Icon::Information});
    return false;
  }
  const int levels = threeAxisLevels(p);
  auto level = [&](const AxisScale& a, int k, bool blue) -> std::uint8_t {
    if (!a.on) return 0;
    if (levels == 16) return static_cast<std::uint8_t>(a.reversed ? 255 - 17 * k : 17 * k);
    if (blue) return static_cast<std::uint8_t>(a.reversed ? 255 - 40 * k : 55 + 40 * k);
    return static_cast<std::uint8_t>(a.reversed ? 255 - 51 * k : 51 * k);
  };
  const std::size_t total = static_cast<std::size_t>(levels) * levels * levels;
  p.entries.assign(std::max<std::size_t>(total, 256), Rgb{});
  for (int r = 0; r < levels; ++r)
    for (int g = 0; g < levels; ++g)
      for (int b = 0; b < levels; ++b)
        p.entries[static_cast<std::size_t>((r * levels + g) * levels + b)] = {
            level(axes.red, r, false), level(axes.green, g, false), level(axes.blue, b, true)};
  p.classCount = static_cast<int>(total);
  p.overlayInForce = true;
  return true;
}

void chooseColourMode(Settings& s, int mode, const Palette& p) {
  if (isColour256Mode(mode) && p.size != 256) mode = kSixteenColour;
  s.colourMode = static_cast<ColourMode>(mode);
  if ((mode == kMonoLog || mode == kMonoLin) && s.backgroundColour != Shade::kWhite) {
    s.backgroundColour = Shade::kWhite;
    s.coastColour = CoastColour::kBlack;
    s.fineGridColour = Shade::kBlack;
    s.fillFrameCoast = Flag::kOff;
  }
}

bool chooseFillFrameCoast(Settings& s, bool on, bool zoomed) {
  if (on && (!isColour256Mode(s.colourMode) || zoomed)) on = false;
  s.fillFrameCoast = flagOf(on);
  if (on) s.frameShown = Flag::kOn;
  return on;
}

}  // namespace zn
