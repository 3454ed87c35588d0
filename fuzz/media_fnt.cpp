// Arbitrary bytes as a .fnt font: loading, measuring and drawing its own
// bytes as text onto a small surface, and writing it back unchanged.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "media/font.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  media::Font font;
  if (!media::parse_font({data, size}, font)) return 0;
  size_t used = media::kFontHeaderBytes + size_t{font.glyph_height} * font.row_bytes;
  std::string_view text(reinterpret_cast<const char*>(data) + used, size - used);
  if (text.size() > 256) text = text.substr(0, 256);
  media::text_width(font, text);

  uint8_t pixels[96 * 64] = {};
  // The size of the surface comes from the first bytes of the file (unused there).
  int32_t w = 1 + data[0] % 96, h = 1 + data[1] % 64;
  media::Surface8 surface{pixels, w, h, w};
  media::TextPos start{static_cast<int8_t>(data[2]), static_cast<int8_t>(data[3])};
  media::draw_text(font, surface, text, start, 7);

  std::string again = media::encode_font(font);
  if (again.size() != used || again.compare(0, used, reinterpret_cast<const char*>(data), used) != 0) {
    // Only the unused header bytes and the row length's high half may differ.
    media::Font back;
    if (!media::parse_font({reinterpret_cast<const uint8_t*>(again.data()), again.size()}, back) ||
        media::encode_font(back) != again) {
      abort();
    }
  }
  return 0;
}
