// Bitmap files and the logic of the "Save map" and "Print map" dialogs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "store/requests.h"

namespace zn {

// Bits per pixel of a bitmap captured from a screen of `planes x bits`.
int bmpBitCount(int planesTimesBits);

// A device-independent bitmap file of 24 bits per pixel (no colour table):
// file header, 40-byte info header, rows bottom first padded to 4 bytes.
// `rows` holds height rows of width 0xAARRGGBB pixels, top row first,
// `stride` bytes apart.
std::string encodeBmp24(int width, int height, const unsigned char* rows, std::size_t stride);

// "Save map": which part of the window is captured.
struct SaveMapModel : DialogModel {
  enum Area : int { kExcludeStatusBar = 0, kIncludeStatusBar = 1, kMapFrame = 2 };
  int area = kExcludeStatusBar;
  void setArea(int a) { area = a >= 0 && a <= 2 ? a : kExcludeStatusBar; }
};

// "Print map": width percentage and the printer's line thicknesses, each
// clamped as it is entered.
struct PrintMapModel : DialogModel {
  int widthPercent = 100;
  int coastThickness = 0;
  int gridThickness = 0;
  bool optionsChosen = false;  // "Options": close without printing

  void setWidthPercent(int v) { widthPercent = v < 10 ? 10 : v > 100 ? 100 : v; }
  void setCoastThickness(int v) { coastThickness = v < 0 ? 0 : v > 100 ? 100 : v; }
  void setGridThickness(int v) { gridThickness = v < 0 ? 0 : v > 100 ? 100 : v; }
};

// The printing error table: index -> message (no caption, exclamation icon).
enum PrintError : int {
  kErrStartDoc = 11,
  kErrSetAbortProc = 13,
  kErrNewFrame = 15,
  kErrEndPage = 16,
  kErrEndDoc = 17,
};
std::string printErrorText(int index);

}  // namespace zn
