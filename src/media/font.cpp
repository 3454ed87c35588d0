#include "media/font.h"
#include "media/state_local.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "core/files.h"
#include "core/state.h"

namespace media {

namespace {

constexpr size_t kMeasureAt = 37;
constexpr size_t kGapAt = 38;
constexpr size_t kWidthsAt = 39;
constexpr size_t kStartsAt = 295;
constexpr size_t kHeightAt = 809;
constexpr size_t kRowBytesAt = 811;
constexpr size_t kSpacingAt = 815;
constexpr size_t kSpaceAt = 817;
constexpr size_t kTable1At = 819;
constexpr size_t kTable2At = 1843;

uint16_t u16(std::span<const uint8_t> f, size_t at) { return static_cast<uint16_t>(f[at] | f[at + 1] << 8); }
uint32_t u32(std::span<const uint8_t> f, size_t at) {
  return uint32_t{f[at]} | uint32_t{f[at + 1]} << 8 | uint32_t{f[at + 2]} << 16 | uint32_t{f[at + 3]} << 24;
}
void put16(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v & 255);
  s[at + 1] = static_cast<char>((v >> 8) & 255);
}
void put32(std::string& s, size_t at, uint32_t v) {
  put16(s, at, v & 0xFFFF);
  put16(s, at + 2, v >> 16);
}

size_t bitmap_bytes(const Font& f) { return size_t{f.glyph_height} * f.row_bytes; }

int32_t clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

bool ink_at(const Font& f, size_t row, size_t bit) {
  return (f.bitmap[row * f.row_bytes + bit / 8] >> (7 - bit % 8)) & 1;
}

}  // namespace

bool parse_font(std::span<const uint8_t> file, Font& font) {
  font = Font{};
  if (file.size() < kFontHeaderBytes) return false;
  Font f;
  f.measure = file[kMeasureAt];
  f.line_gap = file[kGapAt];
  for (size_t c = 0; c < 256; ++c) {
    f.glyph_width[c] = file[kWidthsAt + c];
    f.glyph_start[c] = u16(file, kStartsAt + 2 * c);
    f.table1[c] = static_cast<int32_t>(u32(file, kTable1At + 4 * c));
    f.table2[c] = static_cast<int32_t>(u32(file, kTable2At + 4 * c));
  }
  f.glyph_height = u16(file, kHeightAt);
  f.row_bytes = static_cast<uint16_t>(u32(file, kRowBytesAt) & 0xFFFF);
  f.letter_spacing = static_cast<int16_t>(u16(file, kSpacingAt));
  f.space_width = static_cast<int16_t>(u16(file, kSpaceAt));
  const size_t bytes = bitmap_bytes(f);
  if (bytes > kFontBitmapMax || file.size() - kFontHeaderBytes < bytes) return false;
  if (bytes) std::memcpy(f.bitmap.data(), file.data() + kFontHeaderBytes, bytes);
  font = f;
  return true;
}

bool load_font(const std::string& path, Font& font) {
  std::string bytes;
  if (!core::read_file(path, bytes, kFontHeaderBytes + kFontBitmapMax)) {
    font = Font{};
    return false;
  }
  return parse_font({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, font);
}

std::string font_file_name(bool small) { return small ? "font8.fnt" : "font.fnt"; }

bool load_tool_font(const std::string& data_folder, bool small, Font& font) {
  bool ok = load_font(data_folder + font_file_name(small), font);
  if (ok && small) {
    font.line_gap = 2;
    font.letter_spacing = 0;
  }
  return ok;
}

void select_tool_font(const std::string& data_folder, bool small) {
  State& m = state();
  m.tool_font_small = small;
  if (!load_tool_font(data_folder, small, m.tool_font)) {
    m.tool_font = Font{};
    core::file_warning(data_folder + font_file_name(small), "a font", "no text");
  }
}

const Font& tool_font() { return state().tool_font; }
void set_tool_font(const Font& font) { state().tool_font = font; }

int32_t text_width(const Font& font, std::string_view text) {
  if (font.measure == kFontFixed8) return clamp32(int64_t{8} * static_cast<int64_t>(text.size()));
  int64_t w = 0;
  for (char ch : text) {
    const auto c = static_cast<uint8_t>(ch);
    if (c == ' ') {
      w += font.space_width;
    } else if (font.measure == kFontProportional) {
      w += int64_t{font.glyph_width[c]} + font.letter_spacing;
    } else {
      w += int64_t{font.table1[c]} + font.table2[c] + font.letter_spacing;
    }
  }
  return clamp32(w);
}

TextPos draw_text(const Font& font, const Surface8& s, std::string_view text, TextPos pos, uint8_t colour) {
  const bool usable = s.pixels && s.width > 0 && s.height > 0 && s.pitch >= s.width;
  const int64_t width = usable ? s.width : 0, height = usable ? s.height : 0;
  // A hand-built font whose bitmap claims more than the array holds has no ink.
  const size_t row_bits = bitmap_bytes(font) <= kFontBitmapMax ? size_t{font.row_bytes} * 8 : 0;
  const int64_t gh = font.glyph_height;
  int64_t x = pos.x, y = int64_t{pos.y} + font.line_gap / 2;
  for (char ch : text) {
    const auto c = static_cast<uint8_t>(ch);
    if (c == ' ') {
      x += font.space_width;
    } else if (c == '\r') {
      x = 0;
    } else if (c == '\n') {
      y += gh + font.line_gap;
    } else {
      const int64_t gw = font.glyph_width[c];
      if (x < 0 || x + gw >= width || y < 0 || y + gh >= height) continue;
      const size_t start = font.glyph_start[c];
      // Bits past the end of the row are blank.
      const size_t bits = start >= row_bits ? 0 : std::min<size_t>(gw, row_bits - start);
      for (int64_t row = 0; row < gh; ++row) {
        uint8_t* line = s.pixels + static_cast<size_t>(y + row) * static_cast<size_t>(s.pitch) + static_cast<size_t>(x);
        for (size_t i = 0; i < bits; ++i) {
          if (ink_at(font, static_cast<size_t>(row), start + i)) line[i] = colour;
        }
      }
      x += gw + font.letter_spacing;
    }
  }
  return {clamp32(x), clamp32(y)};
}

std::string encode_font(const Font& font) {
  const size_t bytes = bitmap_bytes(font);
  if (bytes > kFontBitmapMax) return {};
  std::string out(kFontHeaderBytes + bytes, '\0');
  out[kMeasureAt] = static_cast<char>(font.measure);
  out[kGapAt] = static_cast<char>(font.line_gap);
  for (size_t c = 0; c < 256; ++c) {
    out[kWidthsAt + c] = static_cast<char>(font.glyph_width[c]);
    put16(out, kStartsAt + 2 * c, font.glyph_start[c]);
    put32(out, kTable1At + 4 * c, static_cast<uint32_t>(font.table1[c]));
    put32(out, kTable2At + 4 * c, static_cast<uint32_t>(font.table2[c]));
  }
  put16(out, kHeightAt, font.glyph_height);
  put32(out, kRowBytesAt, font.row_bytes);
  put16(out, kSpacingAt, static_cast<uint16_t>(font.letter_spacing));
  put16(out, kSpaceAt, static_cast<uint16_t>(font.space_width));
  if (bytes) std::memcpy(out.data() + kFontHeaderBytes, font.bitmap.data(), bytes);
  return out;
}

bool write_font(const std::string& path, const Font& font) {
  std::string bytes = encode_font(font);
  return !bytes.empty() && core::write_file_atomic(path, bytes);
}

bool place_glyph(Font& font, uint8_t code, int32_t width, std::span<const uint8_t> ink) {
  const size_t h = font.glyph_height;
  if (width < 0 || width > 255 || bitmap_bytes(font) > kFontBitmapMax || ink.size() < h * static_cast<size_t>(width)) {
    return false;
  }
  size_t next = 0;
  for (size_t c = 0; c < 256; ++c) {
    if (c != code && font.glyph_width[c]) {
      next = std::max<size_t>(next, size_t{font.glyph_start[c]} + font.glyph_width[c]);
    }
  }
  if (next + static_cast<size_t>(width) > size_t{font.row_bytes} * 8 || next > 0xFFFF) return false;
  for (size_t row = 0; row < h; ++row) {
    for (size_t i = 0; i < static_cast<size_t>(width); ++i) {
      const size_t bit = next + i;
      uint8_t& byte = font.bitmap[row * font.row_bytes + bit / 8];
      const uint8_t mask = static_cast<uint8_t>(0x80 >> (bit % 8));
      byte = ink[row * static_cast<size_t>(width) + i] ? byte | mask : byte & ~mask;
    }
  }
  font.glyph_start[code] = static_cast<uint16_t>(next);
  font.glyph_width[code] = static_cast<uint8_t>(width);
  return true;
}

}  // namespace media
