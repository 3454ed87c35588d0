#include "shell/defaults.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "core/files.h"
#include "engine/ground_grid.h"
#include "media/font.h"
#include "media/model3ds.h"
#include "media/palette.h"
#include "media/pcx.h"
#include "editors/explode.h"
#include "platform/glyphs.h"
#include "project/records.h"
#include "shell/defaults_3d.h"

namespace shell {

namespace {

using media::Palette;

struct Image {
  int width, height;
  std::vector<uint8_t> pixels;
  Palette palette{};
  Image(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, 0) {}
  uint8_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  void fill(int x1, int y1, int x2, int y2, uint8_t c) {
    for (int y = std::max(0, y1); y <= std::min(height - 1, y2); ++y)
      for (int x = std::max(0, x1); x <= std::min(width - 1, x2); ++x) at(x, y) = c;
  }
};

void set(Palette& p, int i, int r, int g, int b) {
  p[static_cast<size_t>(i)] = {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
}

// A glyph of a rendered font, inked where coverage passes half.
void stamp(Image& img, const platform::GlyphImage& g, int x0, int y0, int cell, uint8_t colour) {
  for (int y = 0; y < cell; ++y)
    for (int x = 0; x < g.width; ++x)
      if (g.coverage[static_cast<size_t>(y) * g.width + x] >= 128 && x0 + x < img.width && y0 + y < img.height)
        img.at(x0 + x, y0 + y) = colour;
}

// The tool-screen fonts from free faces.
bool make_font(const std::string& path, const char* family, int cell, bool fixed) {
  platform::GlyphImage glyphs[256];
  if (!platform::render_glyphs(family, cell, 400, true, glyphs)) return false;
  media::Font f;
  f.measure = fixed ? media::kFontFixed8 : media::kFontProportional;
  f.line_gap = fixed ? 2 : 3;
  f.glyph_height = static_cast<uint16_t>(cell);
  int total = 0;
  for (int c = 33; c < 256; ++c) total += fixed ? 8 : std::max(glyphs[c].width, 1);
  f.row_bytes = static_cast<uint16_t>((total + 7) / 8);
  if (static_cast<size_t>(f.row_bytes) * cell > media::kFontBitmapMax) return false;
  f.letter_spacing = fixed ? 0 : 1;
  f.space_width = static_cast<int16_t>(fixed ? 8 : std::max(glyphs[32].advance, 2));
  std::vector<uint8_t> ink;
  for (int c = 33; c < 256; ++c) {
    const platform::GlyphImage& g = glyphs[c];
    const int width = fixed ? 8 : std::max(g.width, 1);
    ink.assign(static_cast<size_t>(width) * cell, 0);
    for (int y = 0; y < cell; ++y)
      for (int x = 0; x < std::min(width, g.width); ++x)
        ink[static_cast<size_t>(y) * width + x] = g.coverage[static_cast<size_t>(y) * g.width + x] >= 128;
    if (!media::place_glyph(f, static_cast<uint8_t>(c), width, ink)) return false;
  }
  return media::write_font(path, f);
}

Image checker(int size, int r1, int g1, int b1, int r2, int g2, int b2) {
  Image img(size, size);
  set(img.palette, 1, r1, g1, b1);
  set(img.palette, 2, r2, g2, b2);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) img.at(x, y) = ((x / 8 + y / 8) & 1) ? 1 : 2;
  return img;
}

Image sprite() {
  Image img(32, 32);
  set(img.palette, 1, 255, 200, 40);
  set(img.palette, 2, 160, 90, 0);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const int dx = x - 16, dy = y - 16, d = dx * dx + dy * dy;
      if (d < 15 * 15) img.at(x, y) = d < 11 * 11 ? 1 : 2;
    }
  return img;
}

// Thirteen glyphs: 0-9, the sign of a non-negative value, minus, point;
// a transparent column between glyphs.
bool counter_strip(Image& out) {
  const int cell = 24;
  platform::GlyphImage glyphs[256];
  if (!platform::render_glyphs("Liberation Sans", cell, 700, true, glyphs)) return false;
  const char chars[] = "0123456789+-.";
  int width = 0;
  for (int i = 0; i < 13; ++i) width += std::max(glyphs[uint8_t(chars[i])].width, 2) + 1;
  out = Image(width, cell);
  set(out.palette, 1, 255, 255, 255);
  int x = 0;
  for (int i = 0; i < 13; ++i) {
    const platform::GlyphImage& g = glyphs[uint8_t(chars[i])];
    stamp(out, g, x, 0, cell, 1);
    // A glyph with no ink of its own (never for these) still needs a column.
    bool any = false;
    for (int yy = 0; yy < cell; ++yy)
      for (int xx = 0; xx < g.width; ++xx) any |= out.at(x + xx, yy) != 0;
    if (!any) out.at(x, cell - 1) = 1;
    x += std::max(g.width, 2) + 1;
  }
  return true;
}

Image frame_image() {
  Image img(640, 480);
  for (int i = 0; i < 256; ++i) set(img.palette, i, i / 4, i / 3, i);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) img.at(x, y) = static_cast<uint8_t>(y * 255 / 479);
  return img;
}

// The interface image (128 x 128): the frame tiles of panels, raised buttons
// and input fields in row 0 to 3, the title graphic, the minimise and close
// boxes and the mouse pointer. The tool screen reads its colours from fixed
// pixels of the tiles, so the tiles are drawn around them:
//   panels:   an outline in the title-bar colour (pixel (28, 3)), a light
//             and a shadow line inside it, the fill at (0, 0) (a rounded
//             corner) and the light line at (13, 0);
//   buttons:  a two-pixel outline in the text colour (pixels (37, 0),
//             (38, 0) and (49, 0)), a light and a shadow line (the shadow at
//             (57, 0)), the fill in the centre tile (52, 0), the panel fill
//             at the corner (36, 0);
//   fields:   sunken: shadow and text colour on the top and left (the text
//             colour at (85, 0)), light lines on the bottom and right, the
//             white field (86, 0) and (88, 0).
// With `built_game` the title graphic carries no emblem (panels2.pcx, which
// a built game takes as its panels.pcx).
Image panels(bool built_game) {
  enum : uint8_t {
    kFill = 200,
    kLight = 201,
    kShadow = 202,
    kTitle = 203,
    kButton = 204,
    kGold = 205,
    kInk = 206,
    kWhite = 210
  };
  Image img(128, 128);
  Palette& p = img.palette;
  p = media::program_palette();
  set(p, kFill, 192, 192, 200);
  set(p, kLight, 244, 244, 252);
  set(p, kShadow, 110, 110, 128);
  set(p, kTitle, 36, 64, 140);
  set(p, kButton, 212, 212, 224);
  set(p, kGold, 236, 196, 80);
  set(p, kInk, 16, 16, 40);
  set(p, kWhite, 255, 255, 255);

  const int xs[8] = {0, 4, 8, 12, 20, 24, 28, 32};
  // Sides of each tile: top, bottom, left, right.
  const bool top[8] = {true, true, true, false, false, false, false, false};
  const bool bottom[8] = {false, false, false, false, false, true, true, true};
  const bool left[8] = {true, false, false, true, false, true, false, false};
  const bool right[8] = {false, false, true, false, true, false, false, true};
  // `ring(t, depth_from_edge)` picks the colour of a pixel by how far it
  // lies inside each side its tile borders.
  auto tiles = [&](int x0, uint8_t centre, auto colour_of) {
    for (int t = 0; t < 8; ++t)
      for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
          const int dt = top[t] ? j : 9, db = bottom[t] ? 3 - j : 9, dl = left[t] ? i : 9, dr = right[t] ? 3 - i : 9;
          img.at(x0 + xs[t] + i, j) = colour_of(dt, db, dl, dr);
        }
    img.fill(x0 + 16, 0, x0 + 19, 3, centre);
  };
  // Panels: outline, then light (top, left) or shadow (bottom, right).
  tiles(0, kFill, [&](int dt, int db, int dl, int dr) -> uint8_t {
    if (std::min({dt, db, dl, dr}) == 0) return kTitle;
    if (db == 1 || dr == 1) return kShadow;
    if (dt == 1 || dl == 1) return kLight;
    return kFill;
  });
  // Rounded corners: colour 0 lets the screen show through (the top-left
  // pixel has to carry the fill colour).
  img.at(0, 0) = kFill;
  img.at(8 + 3, 0) = 0;
  img.at(24, 3) = 0;
  img.at(32 + 3, 3) = 0;
  // Raised buttons: a two-pixel outline, then light or shadow.
  tiles(36, kButton, [&](int dt, int db, int dl, int dr) -> uint8_t {
    if (std::min({dt, db, dl, dr}) <= 1) return kInk;
    if (db == 2 || dr == 2) return kShadow;
    if (dt == 2 || dl == 2) return kLight;
    return kButton;
  });
  img.at(36, 0) = kFill;
  img.at(36 + 8 + 3, 0) = kFill;
  img.at(36 + 24, 3) = kFill;
  img.at(36 + 32 + 3, 3) = kFill;
  // Input fields, sunken: shadow and ink on the top and left, light on the
  // bottom and right.
  tiles(72, kWhite, [&](int dt, int db, int dl, int dr) -> uint8_t {
    if (dt == 0 || dl == 0) return kShadow;
    if (db == 0 || dr == 0) return kLight;
    if (dt == 1 || dl == 1) return kInk;
    if (db == 1 || dr == 1) return kFill;
    return kWhite;
  });

  // Title graphic, 128 x 22 at (0, 4), colour 0 transparent: a quill and
  // the name in the tools' image, a thin rule in a built game's.
  if (built_game) {
    img.fill(4, 4 + 15, 40, 4 + 15, kLight);
  } else {
    for (int k = 0; k <= 15; ++k) {  // the shaft, bottom left to top right
      const int x = 4 + k * 12 / 15, y = 4 + 20 - k;
      img.at(x, y) = kLight;
      if (k > 3 && k < 15) {  // the vane
        for (int b = 1; b <= (k < 9 ? k - 3 : 15 - k) / 2 + 1; ++b)
          if (x + b < 20) img.at(x + b, y + b / 2) = kGold;
      }
    }
    platform::GlyphImage glyphs[256];
    if (platform::render_glyphs("Liberation Sans", 18, 700, true, glyphs)) {
      int x = 22;
      for (char c : std::string("quill")) {
        const platform::GlyphImage& g = glyphs[static_cast<uint8_t>(c)];
        for (int y = 0; y < 18; ++y)
          for (int gx = 0; gx < g.width; ++gx)
            if (g.coverage[static_cast<size_t>(y) * g.width + gx] >= 128 && x + gx < 128) img.at(x + gx, 6 + y) = kGold;
        x += std::max(g.advance, 1);
      }
    }
  }

  // Minimise and close boxes, 34 x 14 at (0, 26): the close box active, and
  // at (34, 26) inactive. Each box is 16 x 14 with a 2-pixel gap between.
  for (int v = 0; v < 2; ++v) {
    const int x0 = v * 34;
    img.fill(x0, 26, x0 + 33, 39, kTitle);
    for (int b = 0; b < 2; ++b) {
      const int bx = x0 + b * 18;
      img.fill(bx, 26, bx + 15, 39, kInk);
      img.fill(bx + 1, 27, bx + 14, 38, kButton);
      img.fill(bx + 1, 27, bx + 14, 27, kLight);
      img.fill(bx + 1, 27, bx + 1, 38, kLight);
      img.fill(bx + 2, 38, bx + 14, 38, kShadow);
      img.fill(bx + 14, 28, bx + 14, 38, kShadow);
    }
    img.fill(x0 + 4, 34, x0 + 11, 35, kInk);  // minimise: a bar
    const uint8_t cross = v == 0 ? kInk : kShadow;
    for (int i = 0; i < 7; ++i) {  // close: a cross
      img.at(x0 + 18 + 4 + i, 29 + i) = cross;
      img.at(x0 + 18 + 5 + i, 29 + i) = cross;
      img.at(x0 + 18 + 10 - i, 29 + i) = cross;
      img.at(x0 + 18 + 11 - i, 29 + i) = cross;
    }
  }

  // Mouse pointer 16 x 16 at (0, 40): an arrow, colour 0 transparent.
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x <= y && x < 11; ++x) {
      if (y > 12 && x > 16 - y) continue;
      img.at(x, 40 + y) = (x == 0 || x == y || y == 12) ? kInk : kWhite;
    }
  return img;
}

// A cube of side 2 around the origin, as the 3DS reader hands it back.
std::vector<media::Triangle> cube() {
  using core::Vec3;
  std::vector<media::Triangle> t;
  auto quad = [&](Vec3 a, Vec3 b, Vec3 c, Vec3 d) {
    t.push_back({{a, b, c}});
    t.push_back({{a, c, d}});
  };
  const float k = 1;
  quad({-k, -k, -k}, {k, -k, -k}, {k, k, -k}, {-k, k, -k});  // front (towards -z)
  quad({k, -k, k}, {-k, -k, k}, {-k, k, k}, {k, k, k});      // back
  quad({-k, -k, k}, {-k, -k, -k}, {-k, k, -k}, {-k, k, k});  // left
  quad({k, -k, -k}, {k, -k, k}, {k, k, k}, {k, k, -k});      // right
  quad({-k, k, -k}, {k, k, -k}, {k, k, k}, {-k, k, k});      // top
  quad({-k, -k, k}, {k, -k, k}, {k, -k, -k}, {-k, -k, -k});  // bottom
  return t;
}

// A camera file: 64 bytes starting with the tag, then the viewport block of
// the whole 640 x 480 screen with zoom exponent 9.
std::string camera_file() {
  std::string f(176, '\0');
  std::memcpy(f.data(), "d30.", 4);
  const int32_t block[14] = {0, 0, 639, 479, 640, 480, 320, 240, 320, 240, 9, -(1 << 9), 320, 640};
  std::memcpy(f.data() + 64, block, sizeof block);
  return f;
}

// One frame of one part: the default cube in a warm colour.
std::string visual_file() {
  std::string line = "1||./3dsfiles/default_.3ds|0|3|0|0";
  for (int k = 8; k <= 31; ++k) {
    const char* v = k == 25 ? "230" : k == 26 ? "160" : k == 27 ? "60" : k == 29 ? "1" : "0";
    line += std::string("|") + v;
  }
  return line + "\r\n";
}

// The default ground map: level ground at height 0, 200 x 200 units around
// the origin, as two triangles (made from no model: time stamp 0).
bool write_default_ground(const std::string& path) {
  constexpr int32_t h = 100000;
  const int32_t triangles[18] = {-h, 0, -h, -h, 0, h, h, 0, h, -h, 0, -h, h, 0, h, h, 0, -h};
  std::string bytes;
  return engine::encode_ground_cache(triangles, 0, 0, 16u << 20, bytes) && core::write_file_atomic(path, bytes);
}

// The virtual editor's menu bar: 18 raised 24 x 24 icons side by side, each
// with an 8 x 8 glyph drawn twice its size (editors/virtual_editor.h lists
// them in order).
Image menu_bar() {
  static constexpr const char* kGlyphs[18][8] = {
      {"########", "#......#", "#.##...#", "#.##...#", "#......#", "#....#.#", "#......#", "########"},  // sprites
      {"...##...", "..####..", ".######.", "########", "...##...", "...##...", "...##...", "...##..."},  // previous
      {"...##...", "...##...", "...##...", "...##...", "########", ".######.", "..####..", "...##..."},  // next
      {"........", "..####..", ".#....#.", "#..##..#", "#..##..#", ".#....#.", "..####..", "........"},  // virtual
      {"########", "#......#", "#......#", "#..##..#", "#..##..#", "#......#", "#......#", "########"},  // top
      {"########", "#......#", "#......#", "########", "#......#", "#......#", "#......#", "########"},  // back
      {"########", "#...#..#", "#...#..#", "#...#..#", "#...#..#", "#...#..#", "#...#..#", "########"},  // right
      {"#......#", ".#....#.", "..#..#..", "...##...", "...##...", "..#..#..", ".#....#.", "#......#"},  // x
      {"#......#", ".#....#.", "..#..#..", "...##...", "...##...", "...##...", "...##...", "...##..."},  // y
      {"########", "......#.", ".....#..", "....#...", "...#....", "..#.....", ".#......", "########"},  // z
      {"..####..", ".#....#.", "#.#..#.#", "#..##..#", "#..##..#", "#.#..#.#", ".#....#.", "..####.."},  // rx
      {"..####..", ".#....#.", "#.#..#.#", "#..##..#", "#...#..#", "#...#..#", ".#..#.#.", "..####.."},  // ry
      {"..####..", ".#....#.", "#.####.#", "#...#..#", "#..#...#", "#.####.#", ".#....#.", "..####.."},  // rz
      {"########", "#......#", "#.####.#", "#.#..#.#", "#.#..#.#", "#.####.#", "#......#", "########"},  // scaling
      {"..#.....", ".##.....", "#######.", ".##....#", "..#....#", ".......#", "..#####.", "........"},  // undo
      {"...##...", "..####..", "...##...", "########", "########", "...##...", "..####..", "...##..."},  // move bar
      {"........", "........", "........", "........", "........", "........", "########", "########"},  // minimise
      {"##....##", ".##..##.", "..####..", "...##...", "...##...", "..####..", ".##..##.", "##....##"},  // exit
  };
  Image img(18 * 24, 24);
  set(img.palette, 1, 236, 236, 236);
  set(img.palette, 2, 168, 172, 180);
  set(img.palette, 3, 72, 76, 84);
  set(img.palette, 4, 24, 28, 40);
  set(img.palette, 5, 200, 60, 50);
  set(img.palette, 6, 50, 160, 60);
  set(img.palette, 7, 50, 90, 210);
  for (int i = 0; i < 18; ++i) {
    const int x0 = i * 24;
    img.fill(x0, 0, x0 + 23, 23, 2);
    img.fill(x0, 0, x0 + 23, 0, 1);
    img.fill(x0, 0, x0, 23, 1);
    img.fill(x0, 23, x0 + 23, 23, 3);
    img.fill(x0 + 23, 0, x0 + 23, 23, 3);
    // Axis icons in the axis colour: x red, y green, z blue.
    const uint8_t ink = i >= 7 && i <= 12 ? static_cast<uint8_t>(5 + (i - 7) % 3) : 4;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        if (kGlyphs[i][y][x] == '#') img.fill(x0 + 4 + 2 * x, 4 + 2 * y, x0 + 5 + 2 * x, 5 + 2 * y, ink);
  }
  return img;
}

bool write_image(const std::string& path, const Image& img) {
  return media::write_pcx(path, img.width, img.height, img.pixels, img.palette);
}

void put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8 & 0xFF);
}
void put32(std::string& s, uint32_t v) {
  put16(s, v & 0xFFFF);
  put16(s, v >> 16);
}

}  // namespace

std::string default_panels_pcx(bool built_game) {
  const Image img = panels(built_game);
  return media::encode_pcx(img.width, img.height, img.pixels, img.palette);
}

std::string encode_bmp8(int width, int height, const unsigned char* pixels, const unsigned char* rgb) {
  const uint32_t stride = (static_cast<uint32_t>(width) + 3) & ~3u;
  const uint32_t data = stride * static_cast<uint32_t>(height);
  std::string s = "BM";
  put32(s, 14 + 40 + 1024 + data);
  put32(s, 0);
  put32(s, 14 + 40 + 1024);
  put32(s, 40);
  put32(s, static_cast<uint32_t>(width));
  put32(s, static_cast<uint32_t>(height));
  put16(s, 1);
  put16(s, 8);
  put32(s, 0);
  put32(s, data);
  put32(s, 2835);
  put32(s, 2835);
  put32(s, 256);
  put32(s, 0);
  for (int i = 0; i < 256; ++i) {
    s += static_cast<char>(rgb[3 * i + 2]);
    s += static_cast<char>(rgb[3 * i + 1]);
    s += static_cast<char>(rgb[3 * i]);
    s += '\0';
  }
  for (int y = height - 1; y >= 0; --y) {
    s.append(reinterpret_cast<const char*>(pixels) + static_cast<size_t>(y) * width, static_cast<size_t>(width));
    s.append(stride - static_cast<uint32_t>(width), '\0');
  }
  return s;
}

std::string default_sound_wav() {
  // A third of a second at 22,050 Hz, 16-bit mono: a 660 Hz tone with its
  // octave, fading out, so that it is heard once and loops as a pulse.
  constexpr uint32_t kRate = 22050, kFrames = kRate / 3;
  constexpr double kPi = 3.14159265358979323846;
  std::string w = "RIFF";
  put32(w, 36 + kFrames * 2);
  w += "WAVEfmt ";
  put32(w, 16);
  put16(w, 1);
  put16(w, 1);
  put32(w, kRate);
  put32(w, kRate * 2);
  put16(w, 2);
  put16(w, 16);
  w += "data";
  put32(w, kFrames * 2);
  for (uint32_t i = 0; i < kFrames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double attack = std::min(1.0, t / 0.005), fade = std::exp(-t * 9.0);
    const double v = (0.8 * std::sin(2 * kPi * 660 * t) + 0.2 * std::sin(2 * kPi * 1320 * t)) * attack * fade;
    put16(w, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 24000))));
  }
  return w;
}

bool write_default_resources(const std::string& folder, std::string& error) {
  struct Item {
    const char* name;
    std::function<bool(const std::string&)> make;
  };
  auto pcx = [](Image img) { return [img](const std::string& path) { return write_image(path, img); }; };
  auto bmp = [](Image img) {
    return [img](const std::string& path) {
      return core::write_file_atomic(path, encode_bmp8(img.width, img.height, img.pixels.data(),
                                                       reinterpret_cast<const unsigned char*>(img.palette.data())));
    };
  };
  Image strip(1, 1);
  const bool have_strip = counter_strip(strip);
  const Item items[] = {
      {"data/font.fnt", [](const std::string& p) { return make_font(p, "Liberation Sans", 14, false); }},
      {"data/font8.fnt", [](const std::string& p) { return make_font(p, "Liberation Mono", 8, true); }},
      {"data/panels.pcx", pcx(panels(false))},
      {"data/panels2.pcx", pcx(panels(true))},
      {"data/error.pcx", pcx(checker(64, 255, 0, 255, 0, 0, 0))},
      {"data/error.bmp", bmp(checker(64, 255, 0, 255, 0, 0, 0))},
      {"sprites/default_.pcx", pcx(sprite())},
      {"counters/default_.pcx", have_strip ? pcx(strip) : pcx(checker(13, 255, 255, 255, 0, 0, 0))},
      {"frames/default_.pcx", pcx(frame_image())},
      {"bckgrnds/default_.pcx", pcx(checker(64, 20, 30, 90, 20, 30, 90))},
      {"images/default_.bmp", bmp(checker(64, 90, 120, 200, 30, 40, 80))},
      {"images/jeep001_.pcx", pcx(checker(64, 200, 60, 40, 80, 20, 10))},
      {"images/jeep002_.pcx", pcx(checker(64, 60, 200, 40, 20, 80, 10))},
      {"images/jeep003_.pcx", pcx(checker(64, 40, 60, 200, 10, 20, 80))},
      {"images/jeep004_.pcx", pcx(checker(64, 200, 200, 40, 80, 80, 10))},
      {"images/jeep005_.pcx", pcx(checker(64, 200, 40, 200, 80, 10, 80))},
      {"images/jeep006_.pcx", pcx(checker(64, 40, 200, 200, 10, 80, 80))},
      {"data/mini02.pcx", pcx(menu_bar())},
      {"data/current.exp",
       [](const std::string& p) { return core::write_file_atomic(p, editors::default_explode_script()); }},
      {"3dsfiles/default_.3ds", [](const std::string& p) { return media::save_3ds(p, cube()); }},
      {"visuals/default_.3ds", [](const std::string& p) { return media::save_3ds(p, cube()); }},
      {"visuals/default_.v3d", [](const std::string& p) { return core::write_file_atomic(p, visual_file()); }},
      {"cameras/default_.03d", [](const std::string& p) { return core::write_file_atomic(p, camera_file()); }},
      {"grndmaps/default_.m3d", write_default_ground},
      {"sounds/default_.wav", [](const std::string& p) { return core::write_file_atomic(p, default_sound_wav()); }},
      // The stand-alone build: loading, load-complete, resume and end images,
      // and the project a new list entry names.
      {"images/wait_.bmp", bmp(checker(64, 40, 40, 120, 10, 10, 40))},
      {"images/anykey_.bmp", bmp(checker(64, 40, 120, 40, 10, 40, 10))},
      {"images/black_.bmp", bmp(checker(64, 0, 0, 0, 0, 0, 0))},
      {"data/resume_.bmp", bmp(checker(64, 120, 120, 40, 40, 40, 10))},
      {"data/end_.bmp", bmp(checker(64, 120, 40, 40, 40, 10, 10))},
      {"projects/myprj/default_.prj",
       [](const std::string& p) {
         return core::write_file_atomic(
             p, ";An empty project: one camera\r\n1\r\n" + project::default_camera_record("./") + "\r\n|1|\r\n@0\r\n");
       }},
  };
  auto make = [&](const std::string& name, const std::function<bool(const std::string&)>& maker) {
    const std::string path = folder + name;
    if (core::file_exists(path)) return true;
    core::make_folders(core::folder_of(path));
    if (maker(path)) return true;
    error = "cannot make " + path;
    return false;
  };
  for (const Item& item : items)
    if (!make(item.name, item.make)) return false;
  for (const DefaultFile& file : default_3d_files())
    if (!make(file.name, file.make)) return false;
  // Where the visual editor saves.
  if (!core::make_folders(folder + "visuals/myvisual/")) {
    error = "cannot make " + folder + "visuals/myvisual/";
    return false;
  }
  return true;
}

}  // namespace shell
