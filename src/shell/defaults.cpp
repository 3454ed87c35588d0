#include "shell/defaults.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "core/files.h"
#include "media/font.h"
#include "media/model3ds.h"
#include "media/palette.h"
#include "media/pcx.h"
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

// The interface image: frame tiles, fill colours, the title graphic, the
// minimise and close boxes and the mouse pointer, in a 128 x 128 image.
Image panels() {
  Image img(128, 128);
  Palette& p = img.palette;
  p = media::program_palette();
  set(p, 200, 192, 192, 200);  // panel fill
  set(p, 201, 240, 240, 250);  // light edge
  set(p, 202, 96, 96, 112);    // dark edge
  set(p, 203, 40, 70, 150);    // title bar
  set(p, 204, 210, 210, 220);  // button fill
  set(p, 205, 250, 250, 250);  // input field fill
  set(p, 206, 20, 20, 30);     // message text
  set(p, 207, 10, 10, 60);     // button label, cursor
  set(p, 210, 255, 255, 255);  // input field background
  // Frame tiles of panels (x 0..35), raised buttons (36..71), input fields (72..107).
  auto tiles = [&](int x0, uint8_t fill, uint8_t light, uint8_t dark) {
    const int xs[8] = {0, 4, 8, 12, 20, 24, 28, 32};
    for (int t = 0; t < 8; ++t) {
      const int x = x0 + xs[t];
      img.fill(x, 0, x + 3, 3, fill);
      const bool top = t < 3, bottom = t >= 5, left = t == 0 || t == 3 || t == 5, right = t == 2 || t == 4 || t == 7;
      if (top) img.fill(x, 0, x + 3, 0, light);
      if (left) img.fill(x, 0, x, 3, light);
      if (bottom) img.fill(x, 3, x + 3, 3, dark);
      if (right) img.fill(x + 3, 0, x + 3, 3, dark);
    }
    img.fill(x0 + 16, 0, x0 + 19, 3, fill);  // the centre tile carries the fill colour
  };
  tiles(0, 200, 201, 202);
  tiles(36, 204, 201, 202);
  tiles(72, 205, 202, 201);
  img.at(0, 0) = 200;   // panel fill colour
  img.at(28, 3) = 203;  // title bar colour
  img.at(52, 0) = 204;  // raised button fill
  img.at(88, 0) = 205;  // input field fill
  img.at(49, 0) = 206;  // message text
  img.at(37, 0) = 207;  // button label and cursor
  // Title graphic 128 x 22 at (0, 4): a band with a light rule.
  img.fill(0, 4, 127, 25, 203);
  img.fill(4, 14, 60, 15, 201);
  // Minimise and close boxes, 34 x 14 at (0, 26), active and inactive.
  for (int v = 0; v < 2; ++v) {
    const int x0 = v * 34;
    img.fill(x0, 26, x0 + 33, 39, 204);
    img.fill(x0 + 3, 35, x0 + 12, 36, 206);  // minimise: a bar
    for (int i = 0; i < 9; ++i) {            // close: a cross
      const uint8_t c = v == 0 ? 206 : 202;
      img.at(x0 + 21 + i, 28 + i) = c;
      img.at(x0 + 29 - i, 28 + i) = c;
    }
  }
  // Mouse pointer 16 x 16 at (0, 40): an arrow, colour 0 transparent.
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x <= y && x < 11; ++x) {
      if (y > 12 && x > 16 - y) continue;
      img.at(x, 40 + y) = (x == 0 || x == y || y == 12) ? 206 : 210;
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
      {"data/panels.pcx", pcx(panels())},
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
      {"3dsfiles/default_.3ds", [](const std::string& p) { return media::save_3ds(p, cube()); }},
      {"visuals/default_.v3d", [](const std::string& p) { return core::write_file_atomic(p, visual_file()); }},
      {"cameras/default_.03d", [](const std::string& p) { return core::write_file_atomic(p, camera_file()); }},
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
  return true;
}

}  // namespace shell
