#include "media/texture.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace media {

std::array<uint32_t, 256> texture_colour_table(const Palette& palette, AlphaMode mode) {
  std::array<uint32_t, 256> table{};
  for (size_t i = 0; i < palette.size(); ++i) {
    const Rgb& c = palette[i];
    uint32_t alpha;
    if (mode == AlphaMode::colour_key) {
      alpha = (c.r | c.g | c.b) == 0 ? 0 : 255;
    } else {
      alpha = std::min<uint32_t>((uint32_t{c.r} + c.g + c.b) * 45000u / 65536u, 255u);
    }
    table[i] = argb(c.r & 0xF8u, c.g & 0xF8u, c.b & 0xF8u, alpha);
  }
  return table;
}

namespace {

bool usable_texture(const std::string& path, TextureSource& src) {
  if (!read_image_file(path, src.bytes)) return false;
  src.size = pcx_size(as_bytes(src.bytes));
  return is_power_of_two(src.size.width) && is_power_of_two(src.size.height);
}

}  // namespace

TextureSource open_texture(const std::string& path, const std::string& fallback_path) {
  TextureSource src;
  if (usable_texture(path, src)) return src;
  src.fallback = true;
  if (usable_texture(fallback_path, src)) return src;
  src.bytes.clear();
  src.size = {};
  return src;
}

TextureRecord build_texture(const TextureSource& src, AlphaMode mode, std::span<uint32_t> buffer) {
  TextureRecord rec;
  const size_t count = texture_words(src);
  if (buffer.size() < count) return rec;

  // The 8-bit pixels go to the start of the buffer and are widened from the
  // last to the first, so no source byte is overwritten before it is read.
  // The palette goes to a table of its own: small textures have no room for
  // it after their pixels.
  uint8_t* bytes = reinterpret_cast<uint8_t*>(buffer.data());
  Palette palette{};
  decode_pcx(as_bytes(src.bytes), {bytes, count}, PcxMode::file_palette, &palette);
  const std::array<uint32_t, 256> table = texture_colour_table(palette, mode);
  for (size_t i = count; i-- > 0;) {
    uint8_t index = bytes[i];
    buffer[i] = table[index];
  }

  rec.pixels = buffer.data();
  rec.width = src.size.width;
  rec.log2_width = std::countr_zero(static_cast<uint32_t>(src.size.width));
  rec.height = src.size.height;
  return rec;
}

TextureRecord load_texture(const std::string& path, const std::string& fallback_path, AlphaMode mode,
                           std::span<uint32_t> buffer) {
  return build_texture(open_texture(path, fallback_path), mode, buffer);
}

}  // namespace media
