#include "display/bitmap.h"

#include <array>

#include "store/binio.h"

namespace zn {

int bmpBitCount(int planesTimesBits) {
  if (planesTimesBits < 2) return 1;
  if (planesTimesBits <= 4) return 4;
  if (planesTimesBits <= 8) return 8;
  return 24;
}

std::string encodeBmp24(int width, int height, const unsigned char* rows, std::size_t stride) {
  if (width <= 0 || height <= 0) return {};
  const std::size_t rowBytes = ((24u * static_cast<std::size_t>(width) + 31) / 32) * 4;
  const std::size_t image = rowBytes * static_cast<std::size_t>(height);
  const std::size_t headers = 14 + 40;
  std::string out(headers + image, '\0');
  auto* p = reinterpret_cast<unsigned char*>(out.data());
  writeU16(p, 0x4D42);
  writeU32(p + 2, static_cast<std::uint32_t>(headers + image));
  writeU32(p + 10, static_cast<std::uint32_t>(headers));
  writeU32(p + 14, 40);
  writeI32(p + 18, width);
  writeI32(p + 22, height);
  writeU16(p + 26, 1);
  writeU16(p + 28, 24);
  writeU32(p + 30, 0);
  writeU32(p + 34, static_cast<std::uint32_t>(image));
  // Resolution and colour counts stay 0, as the capture leaves them.
  unsigned char* dst = p + headers;
  for (int y = height - 1; y >= 0; --y, dst += rowBytes) {
    const unsigned char* src = rows + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t px = readU32(src + 4 * static_cast<std::size_t>(x));
      dst[3 * x] = static_cast<unsigned char>(px);
      dst[3 * x + 1] = static_cast<unsigned char>(px >> 8);
      dst[3 * x + 2] = static_cast<unsigned char>(px >> 16);
    }
  }
  return out;
}

std::string printErrorText(int index) {
  static const std::array<const char*, 22> kTexts{
      "Not a Windows DIB file!",
      "Couldn't allocate memory!",
      "Error reading file!",
      "Error locking memory!",
      "Error opening file!",
      "Error creating palette!",
      "Error getting a DC!",
      "Error creating Device Dependent Bitmap",
      "StretchBlt() failed!",
      "StretchDIBits() failed!",
      "SetDIBitsToDevice() failed!",
      "Printer: StartDoc failed!",
      "Printing: GetModuleHandle() couldn't find GDI!",
      "Printer: SetAbortProc failed!",
      "Printer: StartPage failed!",
      "Printer: NEWFRAME failed!",
      "Printer: EndPage failed!",
      "Printer: EndDoc failed!",
      "SetDIBits() failed!",
      "File Not Found!",
      "Invalid Handle",
      "General Error on call to DIB function",
  };
  if (index < 0 || index >= static_cast<int>(kTexts.size())) return "Undefined Error!";
  return kTexts[static_cast<std::size_t>(index)];
}

}  // namespace zn
