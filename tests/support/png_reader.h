// Reads the PNG files the engine writes (RGBA, stored deflate blocks);
// anything else answers false.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

inline uint32_t be32(const std::string& s, size_t p) {
  return uint32_t(uint8_t(s[p])) << 24 | uint32_t(uint8_t(s[p + 1])) << 16 | uint32_t(uint8_t(s[p + 2])) << 8 |
         uint8_t(s[p + 3]);
}

inline bool read_png(const std::string& png, int& width, int& height, std::vector<uint8_t>& rgba) {
  if (png.size() < 8 || png.compare(1, 3, "PNG") != 0) return false;
  std::string z;
  for (size_t p = 8; p + 12 <= png.size();) {
    const uint32_t len = be32(png, p);
    const std::string type = png.substr(p + 4, 4);
    if (p + 12 + len > png.size()) return false;
    if (type == "IHDR") {
      if (len < 13) return false;
      width = static_cast<int>(be32(png, p + 8));
      height = static_cast<int>(be32(png, p + 12));
    } else if (type == "IDAT") {
      z += png.substr(p + 8, len);
    }
    p += 12 + len;
  }
  std::string raw;
  for (size_t p = 2; p + 5 <= z.size();) {
    const bool last = z[p] & 1;
    const size_t n = uint8_t(z[p + 1]) | uint8_t(z[p + 2]) << 8;
    raw += z.substr(p + 5, n);
    p += 5 + n;
    if (last) break;
  }
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
  const size_t row = static_cast<size_t>(width) * 4;
  if (raw.size() != (row + 1) * static_cast<size_t>(height)) return false;
  rgba.clear();
  for (int y = 0; y < height; ++y)
    rgba.insert(rgba.end(), raw.begin() + y * (row + 1) + 1, raw.begin() + (y + 1) * (row + 1));
  return true;
}

}  // namespace testing_support
