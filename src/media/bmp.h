// Windows bitmaps, read by the engine itself: every header size in use
// (12-byte OS/2 1.x, 64-byte OS/2 2.x, 40, 52, 56, 108 and 124 bytes),
// 1, 2, 4, 8, 16, 24 and 32 bits per pixel, bottom-up and top-down rows,
// RLE8, RLE4 and bit-field masks, decoded into 32-bit pixels (palette.h).
// Also the palette a full-screen bitmap is shown through.
//
// Refused: a file without "BM", an unknown header size, planes other than 1,
// a width below 1, a height of 0, more than 16384 pixels on a side or more
// than 16 Mi pixels, other bit counts, JPEG, PNG, OS/2 Huffman and RLE24
// data, RLE with top-down rows, a colour count above 2^bits, pixel data that
// starts past the end of the file. Accepted with black in their place:
// pixels the data does not reach (a truncated file, RLE skips), indices past
// the colour table. RLE runs are cut at the end of the row.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "media/palette.h"

namespace media {

inline constexpr int64_t kMaxBitmapPixels = int64_t{16} << 20;

enum class BmpResult : int32_t {
  ok = 0,
  unreadable,   // missing file or larger than any acceptable image
  not_bmp,      // no "BM" signature
  bad_header,   // header fields that make no sense
  unsupported,  // a valid form this reader does not decode
  too_large,    // outside the size limits
};
const char* bmp_result_text(BmpResult r);

struct BmpInfo {
  int32_t width = 0;
  int32_t height = 0;  // always positive; see top_down
  bool top_down = false;
  uint32_t header_size = 0;
  uint16_t bits = 0;
  uint32_t compression = 0;  // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields, 6 bit fields with alpha
  uint32_t colours_used = 0;
  uint32_t data_offset = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha (bit fields and 16/32 bits)
};

BmpResult read_bmp_info(std::span<const uint8_t> file, BmpInfo& info);

// Decodes into `out` (at least width x height words, rows top to bottom).
BmpResult decode_bmp(std::span<const uint8_t> file, std::span<uint32_t> out);

struct Bitmap {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // rows top to bottom; empty when refused
};
BmpResult decode_bmp(std::span<const uint8_t> file, Bitmap& bitmap);
BmpResult load_bmp(const std::string& path, Bitmap& bitmap);

// The 3-3-2 palette: red ((i >> 5) & 7) x 255 / 7, green ((i >> 2) & 7) x
// 255 / 7, blue (i & 3) x 85.
Palette palette_332();

// The palette a bitmap is shown through: for a 40-byte header with 1 to 8
// bits, the file's own colour table (its colour count, 2^bits when that is
// 0, at most 256; entries the file does not hold are black); for every other
// file the 3-3-2 palette.
Palette bmp_show_palette(std::span<const uint8_t> file);
Palette read_bmp_show_palette(const std::string& path);

}  // namespace media
