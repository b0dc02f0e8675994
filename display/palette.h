// The map palette: the fixed colour tables of every colour mode, the score
// ramp of the 256-colour modes, the land/sea colours of the frame fill and
// the two- and three-axis overlay blocks.
#pragma once

#include <cstdint>
#include <vector>

#include "store/notice.h"
#include "store/settings.h"

namespace zn {

inline bool isColour256Mode(int mode) { return mode == kDarkColour || mode == kLightColour; }

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A colour as the cells and markers store it: either a palette index (the
// 0x01000000 form) or a plain 0x00bbggrr colour.
constexpr std::int32_t kPaletteIndexFlag = 0x01000000;
inline std::int32_t paletteIndexRef(int index) { return kPaletteIndexFlag | index; }

struct Palette {
  int size = 256;            // entries the device offers: 16 or 256
  bool trueColour = true;    // more than 256 colours: the three-axis block gets 16 levels
  int classCount = 33;       // score colours in force
  std::vector<Rgb> entries;  // at least `size` entries; 4096 while a 16-level block is in force
  bool built = false;
  bool overlayInForce = false;

  // Entry i, black for an index the palette does not hold.
  Rgb at(int i) const {
    return i >= 0 && static_cast<std::size_t>(i) < entries.size() ? entries[static_cast<std::size_t>(i)] : Rgb{};
  }
  // The colour a cell or marker reference stands for.
  Rgb colour(std::int32_t ref) const;
};

// Sizes the palette from the device's colour count (NUMCOLORS): 0 to 16 is a
// 16-colour device, which also lowers 256 colour (dark) to 16 colour; any
// other answer, -1 for a true-colour screen included, gives 256 entries.
void allocatePalette(Palette& p, int deviceColours, Settings& s);

// Score colour count of a colour mode on a palette of the given size.
int scoreClassCount(int paletteSize, int colourMode);

// Fills the entries for the current colour mode, "max in separate class"
// and, in a 256 colour mode, the colour-blind-safe ramp when chosen.
void buildPalette(Palette& p, const Settings& s);

// True when the diverging ramp replaces the score ramp: chosen, a residual
// map, and the 33-class ramp of a 256 colour mode in force.
bool divergingRampApplies(const Palette& p, const Settings& s, MeasureCode measureCode);

// Puts the diverging ramp on the score classes: blue below zeroClass (the
// class of the zero residual), near white on it, red above; the top class
// darkest when the maximum has a class of its own.
void putDivergingRamp(Palette& p, int zeroClass, bool maxSeparate);

// The 10 x 10 block at entries 40..139 for two score sets (scheme 0..3). Only
// in a 256 colour mode on a 256-entry palette; false (palette unchanged)
// otherwise.
bool buildTwoAxisPalette(Palette& p, const Settings& s, int scheme);

// Per colour axis of the three-axis map: switched on, and reversed.
struct AxisScale {
  bool on = true;
  bool reversed = false;
};
struct ThreeAxisScales {
  AxisScale red, green, blue;
};

// Levels per axis of the three-axis block: 6 on a 256-entry palette, 16 on
// a true-colour device.
int threeAxisLevels(const Palette& p);

// Builds the three-axis block (red slowest, blue fastest) from entry 0. A
// palette of fewer than 256 entries refuses with the "Overlay scores"
// notice and is left unchanged.
bool buildThreeAxisPalette(Palette& p, const ThreeAxisScales& axes, Notices& notices);

// The "Map drawing options" rules for a colour mode choice: 256 modes fall
// back to 16 colour on a 16-entry palette; a monochrome mode on a coloured
// background makes the background white, coast and fine grid black and
// clears the frame-coast fill.
void chooseColourMode(Settings& s, int mode, const Palette& p);

// "fill frame-coast" may be ticked only in a 256 colour mode and not while
// zoomed; ticking it turns the frame on. Returns the value kept.
bool chooseFillFrameCoast(Settings& s, bool on, bool zoomed);

}  // namespace zn
