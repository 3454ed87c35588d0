// Arbitrary bytes as a PCX file: the size, the three decode modes, the
// texture expansion, and the encoder's output decoding back to the pixels.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "media/pcx.h"
#include "media/texture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> file(data, size);
  media::ImageSize s = media::pcx_size(file);
  if (s.pixels() > (int64_t{1} << 16)) return 0;  // valid, but slow to fill
  media::PcxImage one;
  for (media::PcxMode m : {media::PcxMode::remap, media::PcxMode::file_palette, media::PcxMode::palette_after}) {
    media::PcxImage img = media::decode_pcx(file, m);
    if (img.size != s || img.pixels.size() != media::pcx_buffer_bytes(s, m)) abort();
    if (m == media::PcxMode::file_palette) one = std::move(img);
  }

  media::TextureSource src;
  src.bytes.assign(reinterpret_cast<const char*>(data), size);
  src.size = s;
  std::vector<uint32_t> words(media::texture_words(src));
  media::TextureRecord rec = media::build_texture(src, media::AlphaMode::brightness, words);
  if (rec.width != s.width || rec.height != s.height) abort();

  std::string again = media::encode_pcx(s.width, s.height, one.pixels, one.palette);
  media::PcxImage back = media::decode_pcx(media::as_bytes(again), media::PcxMode::file_palette);
  if (back.pixels != one.pixels || back.palette != one.palette) abort();
  return 0;
}
