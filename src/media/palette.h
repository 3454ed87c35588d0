// Colours of the 8-bit images: the 256-entry RGB palette, the program palette
// that remapped images use, its nearest-colour rule, and the 32-bit pixel
// word every image reader hands out.
#pragma once

#include <array>
#include <cstdint>

namespace media {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

using Palette = std::array<Rgb, 256>;

// 32-bit pixels: alpha in the top byte, then red, green and blue
// (0xAARRGGBB; in memory on a little-endian machine the bytes run B, G, R, A).
constexpr uint32_t argb(uint32_t r, uint32_t g, uint32_t b, uint32_t a = 255) {
  return (a & 255u) << 24 | (r & 255u) << 16 | (g & 255u) << 8 | (b & 255u);
}
constexpr uint8_t alpha_of(uint32_t p) { return static_cast<uint8_t>(p >> 24); }
constexpr uint8_t red_of(uint32_t p) { return static_cast<uint8_t>(p >> 16); }
constexpr uint8_t green_of(uint32_t p) { return static_cast<uint8_t>(p >> 8); }
constexpr uint8_t blue_of(uint32_t p) { return static_cast<uint8_t>(p); }

// The program palette: 0 and 1 near-black, 254 and 255 near-white, and
// 2..253 a cube of 7 red x 6 green x 6 blue levels.
//
// Nearest program colour: a colour with R < 16, R + G < 32 and R + G + B < 48
// is 0 (sum up to 23) or 1; one with R > 240, R + G > 480 and R + G + B > 720
// is 254 (sum below 745) or 255; any other colour is its cube cell
// 36 x (R x 7 / 256) + 6 x (G x 6 / 256) + B x 6 / 256 + 2.
uint8_t nearest_program_colour(uint8_t r, uint8_t g, uint8_t b);
inline uint8_t nearest_program_colour(Rgb c) { return nearest_program_colour(c.r, c.g, c.b); }

// The 256 colours of the program palette. Each cube entry is the middle of
// its cell (red levels 18, 54, 91, 128, 164, 201, 237; green and blue levels
// 21, 64, 106, 149, 192, 234); 0 is black (0, 0, 0), 1 is (12, 12, 12),
// 254 is (244, 244, 244) and 255 white. Every entry maps back to its own
// index under the nearest-colour rule.
Palette program_palette();

// For every colour of `from`, its nearest program colour.
std::array<uint8_t, 256> program_colour_map(const Palette& from);

}  // namespace media
