#include "media/palette.h"

#include <cstddef>

namespace media {

uint8_t nearest_program_colour(uint8_t r, uint8_t g, uint8_t b) {
  int sum = r + g + b;
  if (r < 16 && r + g < 32 && sum < 48) return sum > 23 ? 1 : 0;
  if (r > 240 && r + g > 480 && sum > 720) return sum < 745 ? 254 : 255;
  // The integer forms of r x 7 / 256 and g x 6 / 256.
  int ri = (r * 1792) >> 16;
  int gi = (g * 1536) >> 16;
  int bi = (b * 1536) >> 16;
  return static_cast<uint8_t>(36 * ri + 6 * gi + bi + 2);
}

Palette program_palette() {
  Palette p{};
  p[0] = {0, 0, 0};
  p[1] = {12, 12, 12};
  p[254] = {244, 244, 244};
  p[255] = {255, 255, 255};
  for (int ri = 0; ri < 7; ++ri) {
    for (int gi = 0; gi < 6; ++gi) {
      for (int bi = 0; bi < 6; ++bi) {
        // The middle of the cell: (level x 256 + 128) / count.
        p[36 * ri + 6 * gi + bi + 2] = {static_cast<uint8_t>((ri * 256 + 128) / 7),
                                        static_cast<uint8_t>((gi * 256 + 128) / 6),
                                        static_cast<uint8_t>((bi * 256 + 128) / 6)};
      }
    }
  }
  return p;
}

std::array<uint8_t, 256> program_colour_map(const Palette& from) {
  std::array<uint8_t, 256> map{};
  for (size_t i = 0; i < from.size(); ++i) map[i] = nearest_program_colour(from[i]);
  return map;
}

}  // namespace media
