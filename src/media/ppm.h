// Portable pixmaps (.ppm), which the picture selectors list beside Windows
// bitmaps: the binary form ("P6") and the text form ("P3"). A header of the
// magic, width, height and largest sample value, separated by white space
// with "#" comments to the end of a line, then width x height red, green,
// blue samples: one byte each in P6 when the largest value is below 256, two
// bytes (most significant first) otherwise; decimal numbers in P3. Samples
// are scaled to 0..255.
//
// Refused: another magic, a side of 0 or above 16384, more than 16 Mi
// pixels, a largest value of 0 or above 65535, a header number without
// digits or too large. Accepted with black in their place: pixels the data
// does not reach (a truncated file); samples above the largest value read as
// the largest value.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "media/bmp.h"

namespace media {

// The size a header claims; false when the header is refused.
bool read_ppm_size(std::span<const uint8_t> file, int32_t& width, int32_t& height);

// Decodes into `bitmap` (32-bit pixels of palette.h, rows top first); false
// and an empty bitmap when refused.
bool decode_ppm(std::span<const uint8_t> file, Bitmap& bitmap);
bool load_ppm(const std::string& path, Bitmap& bitmap);

}  // namespace media
