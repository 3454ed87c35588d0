// The bitmap fonts of the tool screens (.fnt): loading, measuring, drawing
// onto an 8-bit surface, and writing.
//
// File layout (little-endian): byte 37 the measuring mode (0 proportional,
// 255 fixed 8-pixel cells, other values the two tables), 38 the line gap,
// 39 the 256 glyph widths, 295 the 256 16-bit glyph starts (in bits within a
// bitmap row), 809 the 16-bit glyph height, 811 the bitmap row length in
// bytes (32 bits, the low 16 used), 815 the signed 16-bit letter spacing,
// 817 the signed 16-bit space width, 819 and 1843 two tables of 256 signed
// 32-bit values (their sum is a glyph's measured width in the third mode),
// and from 2867 the glyph bitmap, height rows of row-length bytes, one bit
// per pixel, most significant bit first, a set bit is ink.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace media {

inline constexpr size_t kFontHeaderBytes = 2867;
inline constexpr size_t kFontBitmapMax = 6000;
inline constexpr uint8_t kFontProportional = 0;
inline constexpr uint8_t kFontFixed8 = 255;

struct Font {
  uint8_t measure = kFontProportional;
  uint8_t line_gap = 0;
  std::array<uint8_t, 256> glyph_width{};
  std::array<uint16_t, 256> glyph_start{};
  uint16_t glyph_height = 0;
  uint16_t row_bytes = 0;
  int16_t letter_spacing = 0;
  int16_t space_width = 0;
  std::array<int32_t, 256> table1{};
  std::array<int32_t, 256> table2{};
  std::array<uint8_t, kFontBitmapMax> bitmap{};  // glyph_height x row_bytes used
};

// Reads a font held in memory. A file shorter than its header, whose bitmap
// would exceed 6000 bytes, or that ends before its bitmap does, is refused:
// the result is false and `font` is the empty font (all widths and the
// height 0, so text measures as spaces and draws nothing).
bool parse_font(std::span<const uint8_t> file, Font& font);
bool load_font(const std::string& path, Font& font);

// The tool-screen fonts: "font.fnt", or "font8.fnt" for the small variant,
// in `data_folder` (ending in "/"). The small font gets line gap 2 and letter
// spacing 0 whatever its file says.
std::string font_file_name(bool small);
bool load_tool_font(const std::string& data_folder, bool small, Font& font);
// Makes one of the two the current tool-screen font (media state); a font
// that cannot be read leaves the empty font, so text draws nothing.
void select_tool_font(const std::string& data_folder, bool small);
// The current tool-screen font, and replacing it (tools that bring a font of
// their own, tests).
const Font& tool_font();
void set_tool_font(const Font& font);

// Pixel width of a text. Fixed fonts: 8 per character. Proportional: a space
// adds the space width, any other character its glyph width plus the letter
// spacing. Other modes: a space adds the space width, any other character
// table 1 + table 2 plus the letter spacing. Saturates at the int32 range.
int32_t text_width(const Font& font, std::string_view text);

// Glyph height plus line gap.
inline int32_t font_height(const Font& font) { return font.glyph_height + font.line_gap; }

// An 8-bit surface the text is drawn on; `pitch` bytes from one row to the
// next. A surface without pixels, with a side below 1 or a pitch below its
// width holds nothing, so no glyph is drawn on it.
struct Surface8 {
  uint8_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;
};

struct TextPos {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const TextPos&) const = default;
};

// Draws from `pos`, which first moves down by half the line gap. A space
// advances x by the space width, CR sets x to 0, LF moves y down by glyph
// height + line gap; any other character is drawn only when it lies wholly
// on the surface (x >= 0, x + glyph width < width, y >= 0, y + glyph height
// < height), its ink bits in `colour` and the rest left as they were, and
// then x advances by glyph width + letter spacing; a character that is not
// drawn does not advance x. Returns the position after the text. Glyph bits
// past the end of a bitmap row are blank. Does not allocate.
TextPos draw_text(const Font& font, const Surface8& surface, std::string_view text, TextPos pos, uint8_t colour);

// The file form of a font (always header + glyph_height x row_bytes bytes,
// at most 6000 of them). Empty when the bitmap would exceed 6000 bytes.
std::string encode_font(const Font& font);
bool write_font(const std::string& path, const Font& font);

// For building fonts: places a glyph `width` pixels wide after the glyphs
// already placed (in bits, along the row) and sets its width; `ink` holds
// glyph_height rows of `width` bytes, non-zero meaning ink. False (font
// unchanged) when row_bytes is too short for it or `ink` is too small.
bool place_glyph(Font& font, uint8_t code, int32_t width, std::span<const uint8_t> ink);

}  // namespace media
