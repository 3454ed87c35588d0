#include "platform/glyphs.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <string>

namespace platform {

std::string face_file(const char* family, int weight, int& index) {
  index = 0;
  if (!FcInit()) return {};
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight < 1 ? 400 : weight));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  std::string file;
  if (match) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
      file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return file;
}

bool render_glyphs(const char* family, int cell, int weight, bool monochrome, GlyphImage glyphs[256]) {
  if (cell < 4 || cell > 256) return false;
  int index = 0;
  const std::string file = face_file(family, weight, index);
  FT_Library lib = nullptr;
  if (file.empty() || FT_Init_FreeType(&lib) != 0) return false;
  FT_Face face = nullptr;
  if (FT_New_Face(lib, file.c_str(), index, &face) != 0) {
    FT_Done_FreeType(lib);
    return false;
  }
  const int span = face->ascender - face->descender;
  const int em = span > 0 ? static_cast<int>(int64_t(cell) * face->units_per_EM / span) : cell;
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::max(em, 1)));
  const int baseline = span > 0 ? static_cast<int>(int64_t(cell) * face->ascender / span) : cell * 4 / 5;
  const FT_Int32 flags = FT_LOAD_RENDER | (monochrome ? FT_LOAD_TARGET_MONO : 0);
  for (int c = 32; c < 256; ++c) {
    GlyphImage& g = glyphs[c];
    g = {};
    if (FT_Load_Char(face, static_cast<FT_ULong>(c), flags) != 0) continue;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    g.advance = static_cast<int>(slot->advance.x >> 6);
    const int left = std::max(0, static_cast<int>(slot->bitmap_left));
    g.width = std::max(g.advance, left + static_cast<int>(bm.width));
    g.coverage.assign(static_cast<size_t>(g.width) * cell, 0);
    const int top = baseline - slot->bitmap_top;
    for (unsigned row = 0; row < bm.rows; ++row) {
      const int y = top + static_cast<int>(row);
      if (y < 0 || y >= cell) continue;
      for (unsigned col = 0; col < bm.width; ++col) {
        const int x = left + static_cast<int>(col);
        if (x >= g.width) continue;
        uint8_t v;
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
          v = (bm.buffer[row * static_cast<unsigned>(bm.pitch) + col / 8] >> (7 - col % 8) & 1) ? 255 : 0;
        else
          v = bm.buffer[row * static_cast<unsigned>(bm.pitch) + col];
        g.coverage[static_cast<size_t>(y) * g.width + x] = v;
      }
    }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
  return true;
}

}  // namespace platform
