// Textures from PCX files, on the CPU side: the power-of-two rule with its
// fallback image, the colour table with the two alpha modes, and the
// expansion into 32-bit pixels (alpha in the top byte, see palette.h).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "media/palette.h"
#include "media/pcx.h"

namespace media {

// The kind tag of a flat-shape texture record: the bytes "d3b." in file order.
inline constexpr uint32_t kTextureTag = 'd' | '3' << 8 | 'b' << 16 | uint32_t{'.'} << 24;

// Alpha mode 1 keys out pure black; every other value takes the alpha from
// the brightness.
enum class AlphaMode : int32_t { brightness = 0, colour_key = 1 };

struct TextureRecord {
  uint32_t* pixels = nullptr;  // width x height words, rows top to bottom
  int32_t width = 0;
  int32_t log2_width = 0;
  int32_t height = 0;
  int32_t bytes_per_pixel = 4;
  uint32_t tag = kTextureTag;
};

// Colour table of a texture: each channel with its low 3 bits cleared; alpha
// 255 (0 for pure black) in colour-key mode, else (R + G + B) x 45000 / 65536
// capped at 255, from the palette's own channel values.
std::array<uint32_t, 256> texture_colour_table(const Palette& palette, AlphaMode mode);

inline bool is_power_of_two(int32_t v) { return v > 0 && (v & (v - 1)) == 0; }

// The image a texture is made from: the named file when both sides are
// powers of two, else the fallback image (normally data/error.pcx); when that
// is not usable either, one black pixel.
struct TextureSource {
  std::string bytes;  // the PCX file (empty for the single black pixel)
  ImageSize size;
  bool fallback = false;
};
TextureSource open_texture(const std::string& path, const std::string& fallback_path);

// Pixel words a texture needs.
inline size_t texture_words(const TextureSource& src) { return static_cast<size_t>(src.size.pixels()); }

// Decodes and expands the source into `buffer`. When the buffer holds fewer
// than texture_words(src) words, nothing is written and the record has no
// pixels and width 0.
TextureRecord build_texture(const TextureSource& src, AlphaMode mode, std::span<uint32_t> buffer);

// open_texture and build_texture in one.
TextureRecord load_texture(const std::string& path, const std::string& fallback_path, AlphaMode mode,
                           std::span<uint32_t> buffer);

}  // namespace media
