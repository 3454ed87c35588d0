// Objects made from images: sprites, frames, backgrounds, counters and flat
// shapes. Pixel data lives in the work pool; object words point at it.
//
// Sprite  "d3e.": w1 image block, w2 runs, w3 width, w4 height, w5 run count,
//                 w6 texture.
// Frame   "d3f.": w1 640x480 pixels followed by 256 16-bit colours, w2 texture.
// Background "d3g.": w1 width, w2 height, w3 colour index of the first pixel,
//                 w4 its colour 0x00RRGGBB. A ".g3d" aspect is the record itself.
// Counter "d3h.": w1 image block, w2 texture, w3..w15 glyph spans
//                 (start | width << 16) of the 13 glyphs.
// Flat    "d3b.": w1 pixels (4 bytes each), w2 width, w3 height, w4 = 4,
//                 w5 log2 of the width, w6 texture.
#pragma once

#include <cstdint>
#include <string>

#include "engine/objects.h"

namespace engine {

// Image block: width, height, 256 palette colours (0x00RRGGBB), then the
// pixels (8-bit indices, rows top first).
struct ImageBlock {
  int32_t width, height;
  uint32_t palette[256];
  uint8_t pixels[1];  // width x height
};

// One horizontal run of opaque pixels of a sprite.
struct Run {
  int16_t y, x, length, pad;
};

constexpr int kCounterGlyphs = 13;

void load_sprite(Object& o, const std::string& path);
void load_frame(Object& o, const std::string& path);
void load_background(Object& o, const std::string& path);
void load_counter(Object& o, const std::string& path);
// Alpha mode 1 keys out black (field 33 bit 2 of the element).
void load_flat(Object& o, const std::string& path, int alpha_mode);

inline const ImageBlock* image_block(const Object& o) {
  return o.w[1] ? core::at<ImageBlock>(static_cast<uint32_t>(o.w[1])) : nullptr;
}

}  // namespace engine
