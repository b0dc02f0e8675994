// Little-endian field access for file records and card bytes. Files are read
// and written field by field so the layout never depends on the compiler.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace zn {

inline std::uint32_t readU32(const unsigned char* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
inline std::int32_t readI32(const unsigned char* p) { return static_cast<std::int32_t>(readU32(p)); }
inline std::uint16_t readU16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::int16_t readI16(const unsigned char* p) { return static_cast<std::int16_t>(readU16(p)); }
inline float readF32(const unsigned char* p) {
  std::uint32_t u = readU32(p);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

inline void writeU32(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}
inline void writeI32(unsigned char* p, std::int32_t v) { writeU32(p, static_cast<std::uint32_t>(v)); }
inline void writeU16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void writeF32(unsigned char* p, float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, 4);
  writeU32(p, u);
}

// Appending writers for building whole files in memory.
inline void putU16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xff));
  out.push_back(static_cast<char>(v >> 8));
}
inline void putI32(std::string& out, std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xff));
}

}  // namespace zn
