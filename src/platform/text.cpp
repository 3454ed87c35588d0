#include "platform/text.h"

#include <epoxy/gl.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cstring>
#include <string>
#include <vector>

#include "platform/gl_program.h"
#include "platform/glyphs.h"
#include "platform/state_local.h"

namespace platform {


constexpr int kAtlasWidth = 1024;
constexpr int kMaxHeight = 160;  // cell heights above this are drawn at this
constexpr int kFirstChar = 32;
constexpr int kBatchGlyphs = 512;

struct Glyph {
  int16_t x, y, w, h;  // in the atlas
  int16_t left, top;   // bitmap offset from the pen (top from the cell top)
  int16_t advance;
};

struct Slot {
  std::string family;
  int height = 0, weight = 0;
  bool loaded = false;
  GLuint texture = 0;
  int atlas_height = 0;
  Glyph glyphs[256] = {};
};


struct TextObjects {
  FT_Library library = nullptr;
  Slot slots[kFontSlots];
  GLuint program = 0, vao = 0, vbo = 0;
  GLint u_frame = -1, u_colour = -1;
  float vertices[kBatchGlyphs * 6 * 4];
};

namespace {

using Fonts = TextObjects;

Fonts& fonts() {
  State& s = state();
  if (!s.text) s.text = new TextObjects();
  return *s.text;
}

constexpr char kVertex[] = R"(#version 330 core
layout(location = 0) in vec4 v;  // frame x, y, atlas u, v
uniform vec2 frame;
out vec2 uv;
void main() {
  uv = v.zw;
  gl_Position = vec4(v.x / frame.x * 2.0 - 1.0, 1.0 - v.y / frame.y * 2.0, 0.0, 1.0);
}
)";

constexpr char kFragment[] = R"(#version 330 core
uniform sampler2D atlas;
uniform vec3 colour;
in vec2 uv;
out vec4 result;
void main() { result = vec4(colour, texture(atlas, uv).r); }
)";

bool ready_gl(Fonts& f) {
  if (f.program) return true;
  if (!state().device.context) return false;
  f.program = gl_program(kVertex, kFragment);
  if (!f.program) return false;
  f.u_frame = glGetUniformLocation(f.program, "frame");
  f.u_colour = glGetUniformLocation(f.program, "colour");
  glGenVertexArrays(1, &f.vao);
  glGenBuffers(1, &f.vbo);
  glBindVertexArray(f.vao);
  glBindBuffer(GL_ARRAY_BUFFER, f.vbo);
  glBufferData(GL_ARRAY_BUFFER, sizeof f.vertices, nullptr, GL_STREAM_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 16, nullptr);
  return true;
}

// Slots of equal face, height and weight share one glyph texture; it goes
// with the last slot that uses it.
void release(Slot& s) {
  if (s.texture) {
    int users = 0;
    for (const Slot& other : fonts().slots) users += other.texture == s.texture;
    if (users == 1) glDeleteTextures(1, &s.texture);
  }
  s = Slot{};
}

// Latin-1 code of each byte: the texts are byte strings.
bool render_slot(Slot& slot, FT_Face face, int cell) {
  // The cell height covers the face's ascent and descent, as the desktop's
  // font height does.
  int ascent = face->ascender, descent = -face->descender;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    ascent = os2->usWinAscent;
    descent = os2->usWinDescent;
  }
  if (ascent + descent <= 0) return false;
  const int em = static_cast<int>(int64_t(cell) * face->units_per_EM / (ascent + descent));
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em > 0 ? em : 1)) != 0) return false;
  const int baseline = static_cast<int>(int64_t(cell) * ascent / (ascent + descent));

  std::vector<uint8_t> atlas(static_cast<size_t>(kAtlasWidth) * (cell + 2) * 16, 0);
  int pen_x = 0, pen_y = 0;
  for (int c = kFirstChar; c < 256; ++c) {
    Glyph& g = slot.glyphs[c];
    FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(c));
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) continue;
    const FT_Bitmap& bm = face->glyph->bitmap;
    g.advance = static_cast<int16_t>(face->glyph->advance.x >> 6);
    int w = static_cast<int>(bm.width), h = static_cast<int>(bm.rows);
    if (w > kAtlasWidth) w = kAtlasWidth;
    if (h > cell + 2) h = cell + 2;
    if (pen_x + w > kAtlasWidth) {
      pen_x = 0;
      pen_y += cell + 2;
    }
    if (static_cast<size_t>(pen_y + h) * kAtlasWidth > atlas.size())
      atlas.resize(static_cast<size_t>(pen_y + h) * kAtlasWidth, 0);
    for (int row = 0; row < h; ++row)
      std::memcpy(&atlas[static_cast<size_t>(pen_y + row) * kAtlasWidth + pen_x], bm.buffer + row * bm.pitch,
                  static_cast<size_t>(w));
    g.x = static_cast<int16_t>(pen_x);
    g.y = static_cast<int16_t>(pen_y);
    g.w = static_cast<int16_t>(w);
    g.h = static_cast<int16_t>(h);
    g.left = static_cast<int16_t>(face->glyph->bitmap_left);
    g.top = static_cast<int16_t>(baseline - face->glyph->bitmap_top);
    pen_x += w + 1;
  }
  slot.atlas_height = pen_y + cell + 2;
  if (static_cast<size_t>(slot.atlas_height) * kAtlasWidth > atlas.size())
    atlas.resize(static_cast<size_t>(slot.atlas_height) * kAtlasWidth, 0);
  glGenTextures(1, &slot.texture);
  glBindTexture(GL_TEXTURE_2D, slot.texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, kAtlasWidth, slot.atlas_height, 0, GL_RED, GL_UNSIGNED_BYTE, atlas.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  return true;
}

}  // namespace

bool font_slot_set(int index, const char* family, int height, int weight) {
  Fonts& f = fonts();
  if (index < 0 || index >= kFontSlots || !family) return false;
  if (height < 0) height = -height;
  if (height < 1) height = 1;
  if (height > kMaxHeight) height = kMaxHeight;
  Slot& slot = f.slots[index];
  if (slot.loaded && slot.family == family && slot.height == height && slot.weight == weight) return true;
  if (!state().device.context) return false;
  release(slot);
  slot.family = family;
  slot.height = height;
  slot.weight = weight;
  for (const Slot& other : f.slots)
    if (&other != &slot && other.loaded && other.family == family && other.height == height && other.weight == weight) {
      slot = other;
      return true;
    }
  if (!f.library && FT_Init_FreeType(&f.library) != 0) {
    f.library = nullptr;
    return false;
  }
  int face_index = 0;
  std::string file = face_file(family, weight, face_index);
  FT_Face face = nullptr;
  if (file.empty() || FT_New_Face(f.library, file.c_str(), face_index, &face) != 0) return false;
  slot.loaded = render_slot(slot, face, height);
  FT_Done_Face(face);
  return slot.loaded;
}

int text_width(int index, const char* text) {
  if (index < 0 || index >= kFontSlots || !text) return 0;
  const Slot& slot = fonts().slots[index];
  if (!slot.loaded) return 0;
  int w = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) w += slot.glyphs[*p].advance;
  return w;
}

void text_draw(int index, const char* text, int x, int y, uint32_t colour) {
  Fonts& f = fonts();
  if (index < 0 || index >= kFontSlots || !text || !ready_gl(f)) return;
  const Slot& slot = f.slots[index];
  if (!slot.loaded) return;
  const DeviceObjects& d = state().device;
  glBindFramebuffer(GL_FRAMEBUFFER, d.fbo);
  glViewport(0, 0, d.width, d.height);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glUseProgram(f.program);
  glUniform2f(f.u_frame, static_cast<float>(d.width), static_cast<float>(d.height));
  glUniform3f(f.u_colour, (colour & 0xFF) / 255.0f, (colour >> 8 & 0xFF) / 255.0f, (colour >> 16 & 0xFF) / 255.0f);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, slot.texture);
  glBindVertexArray(f.vao);
  glBindBuffer(GL_ARRAY_BUFFER, f.vbo);
  const float aw = kAtlasWidth, ah = static_cast<float>(slot.atlas_height);
  int pen = x, count = 0;
  auto flush = [&] {
    if (count == 0) return;
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(count) * 6 * 16, f.vertices);
    glDrawArrays(GL_TRIANGLES, 0, count * 6);
    count = 0;
  };
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    const Glyph& g = slot.glyphs[*p];
    if (g.w > 0 && g.h > 0) {
      const float x0 = static_cast<float>(pen + g.left), y0 = static_cast<float>(y + g.top);
      const float x1 = x0 + g.w, y1 = y0 + g.h;
      const float u0 = g.x / aw, v0 = g.y / ah, u1 = (g.x + g.w) / aw, v1 = (g.y + g.h) / ah;
      const float quad[6][4] = {{x0, y0, u0, v0}, {x1, y0, u1, v0}, {x0, y1, u0, v1},
                                {x1, y0, u1, v0}, {x1, y1, u1, v1}, {x0, y1, u0, v1}};
      std::memcpy(&f.vertices[count * 24], quad, sizeof quad);
      if (++count == kBatchGlyphs) flush();
    }
    pen += g.advance;
  }
  flush();
  glDisable(GL_BLEND);
}

void fonts_release() {
  if (!state().text) return;
  Fonts& f = fonts();
  if (state().device.context) {
    for (Slot& s : f.slots) release(s);
    if (f.program) glDeleteProgram(f.program);
    if (f.vbo) glDeleteBuffers(1, &f.vbo);
    if (f.vao) glDeleteVertexArrays(1, &f.vao);
  }
  f.program = f.vao = f.vbo = 0;
  if (f.library) FT_Done_FreeType(f.library);
  delete state().text;
  state().text = nullptr;
}

}  // namespace platform
