// Glyph images rendered from a font found by family name, for building the
// engine's own bitmap fonts and digit strips.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct GlyphImage {
  int width = 0;                  // columns of `coverage`
  int advance = 0;                // pen advance in pixels
  std::vector<uint8_t> coverage;  // cell_height rows of width bytes, 0..255
};

// Renders the characters 32..255 of the family into cells of `cell_height`
// rows (ascent and descent fitted into the cell); glyphs[c] for code c.
// `monochrome` renders without anti-aliasing. False when no face is found.
// The font file (and face index) fontconfig chooses for a family and a
// weight (0..1000), with its substitutions ("Arial" finds a metric-compatible
// face). Empty when none.
std::string face_file(const char* family, int weight, int& index);

bool render_glyphs(const char* family, int cell_height, int weight, bool monochrome, GlyphImage glyphs[256]);

}  // namespace platform
