#include "shell/defaults_3d.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "core/files.h"
#include "media/shape_file.h"
#include "shell/defaults.h"

namespace shell {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kColumns = 32;
// Upper edge of the band, in degrees above the horizon, for previews 0 to 4;
// the band always starts 10 degrees below the horizon.
constexpr float kBandTop[5] = {25, 35, 50, 65, 80};
constexpr float kBandBottom = -10;

XMeshText::P on_sphere(float elevation_deg, float azimuth) {
  const float e = elevation_deg * kPi / 180;
  return {std::cos(e) * std::sin(azimuth), std::sin(e), std::cos(e) * std::cos(azimuth)};
}

// Rows of a sphere between two elevations (top first), columns all round;
// seen from the centre every quad winds clockwise.
void sphere_rows(XMeshText& m, const std::vector<float>& rows, unsigned material, bool uv) {
  const unsigned base = static_cast<unsigned>(m.positions.size());
  for (size_t r = 0; r < rows.size(); ++r)
    for (int c = 0; c <= kColumns; ++c) {
      m.positions.push_back(on_sphere(rows[r], 2 * kPi * c / kColumns));
      m.uvs.push_back({uv ? static_cast<float>(c) / kColumns : 0.0f,
                       uv ? static_cast<float>(r) / static_cast<float>(rows.size() - 1) : 0.0f});
    }
  const unsigned stride = kColumns + 1;
  for (unsigned r = 0; r + 1 < rows.size(); ++r)
    for (unsigned c = 0; c < static_cast<unsigned>(kColumns); ++c) {
      const unsigned tl = base + r * stride + c, tr = tl + 1, bl = tl + stride, br = bl + 1;
      m.indices.insert(m.indices.end(), {tl, tr, br, tl, br, bl});
      m.material.insert(m.material.end(), {material, material});
    }
}

std::vector<float> steps(float from, float to, int n) {
  std::vector<float> v;
  for (int i = 0; i <= n; ++i) v.push_back(from + (to - from) * static_cast<float>(i) / static_cast<float>(n));
  return v;
}

// A day sky over green hills, or a dusk sky over dark ones: 256 x 128,
// 8 bits, with the horizon at row 96.
std::string background_bmp(bool dusk) {
  const int w = 256, h = 128;
  std::vector<unsigned char> px(static_cast<size_t>(w) * h);
  unsigned char pal[768] = {};
  // 0..95 sky gradient, 96..127 hills, 128..159 ground.
  for (int i = 0; i < 96; ++i) {
    const float t = static_cast<float>(i) / 95;
    const float top[3] = {dusk ? 40.f : 40.f, dusk ? 30.f : 90.f, dusk ? 90.f : 200.f};
    const float low[3] = {dusk ? 250.f : 170.f, dusk ? 140.f : 210.f, dusk ? 80.f : 250.f};
    for (int k = 0; k < 3; ++k) pal[3 * i + k] = static_cast<unsigned char>(top[k] + (low[k] - top[k]) * t);
  }
  for (int i = 0; i < 32; ++i) {
    const int g = dusk ? 40 + i : 90 + 2 * i;
    pal[3 * (96 + i) + 0] = static_cast<unsigned char>(dusk ? 30 : 40);
    pal[3 * (96 + i) + 1] = static_cast<unsigned char>(g);
    pal[3 * (96 + i) + 2] = static_cast<unsigned char>(dusk ? 40 : 30);
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      // Hills: a sum of two waves that wraps round the image's width.
      const float a = 2 * kPi * static_cast<float>(x) / w;
      const int ridge = 84 + static_cast<int>(8 * std::sin(3 * a) + 5 * std::sin(7 * a + 1));
      unsigned char c;
      if (y < ridge)
        c = static_cast<unsigned char>(std::min(95, y * 95 / 96));
      else
        c = static_cast<unsigned char>(96 + std::min(31, (y - ridge) * 31 / std::max(1, h - ridge)));
      px[static_cast<size_t>(y) * w + x] = c;
    }
  return encode_bmp8(w, h, px.data(), pal);
}

XMeshText default_x() {
  XMeshText m;
  // A cube of side 2 with a pyramid roof, two materials.
  const XMeshText::P p[] = {{-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {-1, -1, 1},
                            {1, -1, 1},   {-1, 1, 1},  {1, 1, 1},   {0, 2, 0}};
  const unsigned quads[5][4] = {{0, 2, 3, 1}, {5, 7, 6, 4}, {4, 6, 2, 0}, {1, 3, 7, 5}, {4, 0, 1, 5}};
  for (const auto& q : quads)
    for (unsigned k : {0u, 1u, 2u, 0u, 2u, 3u}) {
      m.positions.push_back(p[q[k]]);
      m.uvs.push_back({0, 0});
      m.indices.push_back(static_cast<unsigned>(m.indices.size()));
      if (m.indices.size() % 3 == 0) m.material.push_back(0);
    }
  const unsigned roof[4][3] = {{2, 8, 3}, {3, 8, 7}, {7, 8, 6}, {6, 8, 2}};
  for (const auto& t : roof)
    for (int k = 0; k < 3; ++k) {
      m.positions.push_back(p[t[k]]);
      m.uvs.push_back({0, 0});
      m.indices.push_back(static_cast<unsigned>(m.indices.size()));
      if (m.indices.size() % 3 == 0) m.material.push_back(1);
    }
  m.colours = {0x50A0E0, 0xE04030};
  return m;
}

// Editor markers, all of unit size around the origin: the faces of a box
// (bndbox.x), a flat ring in the x-z plane (radius.x) and three crossed bars
// along the axes (cross.x). Each face shows from both sides.
void add_quad(XMeshText& m, XMeshText::P a, XMeshText::P b, XMeshText::P c, XMeshText::P d) {
  const unsigned base = static_cast<unsigned>(m.positions.size());
  for (const XMeshText::P& p : {a, b, c, d}) {
    m.positions.push_back(p);
    m.uvs.push_back({0, 0});
  }
  m.indices.insert(m.indices.end(), {base, base + 1, base + 2, base, base + 2, base + 3, base, base + 2, base + 1, base,
                                     base + 3, base + 2});
  m.material.insert(m.material.end(), {0, 0, 0, 0});
}

XMeshText marker_box() {
  XMeshText m;
  const float k = 1;
  add_quad(m, {-k, -k, -k}, {-k, k, -k}, {k, k, -k}, {k, -k, -k});
  add_quad(m, {-k, -k, k}, {-k, k, k}, {k, k, k}, {k, -k, k});
  add_quad(m, {-k, -k, -k}, {-k, k, -k}, {-k, k, k}, {-k, -k, k});
  add_quad(m, {k, -k, -k}, {k, k, -k}, {k, k, k}, {k, -k, k});
  add_quad(m, {-k, k, -k}, {-k, k, k}, {k, k, k}, {k, k, -k});
  add_quad(m, {-k, -k, -k}, {-k, -k, k}, {k, -k, k}, {k, -k, -k});
  m.colours = {0x40FF40};
  return m;
}

XMeshText marker_ring() {
  XMeshText m;
  const int n = 48;
  for (int i = 0; i < n; ++i) {
    const float a = 2 * kPi * i / n, b = 2 * kPi * (i + 1) / n;
    auto at = [](float r, float t) { return XMeshText::P{r * std::sin(t), 0, r * std::cos(t)}; };
    add_quad(m, at(0.97f, a), at(1.0f, a), at(1.0f, b), at(0.97f, b));
  }
  m.colours = {0xFFFF40};
  return m;
}

XMeshText marker_cross() {
  XMeshText m;
  const float t = 0.02f;
  add_quad(m, {-1, -t, 0}, {-1, t, 0}, {1, t, 0}, {1, -t, 0});
  add_quad(m, {-t, -1, 0}, {t, -1, 0}, {t, 1, 0}, {-t, 1, 0});
  add_quad(m, {0, -t, -1}, {0, t, -1}, {0, t, 1}, {0, -t, 1});
  m.colours = {0xFF4040};
  return m;
}

media::Shape default_shape() {
  media::Shape s = media::box_shape(500, 500, 500, 0, false);
  const uint32_t colours[6] = {0xE03C3C, 0x3CE03C, 0x3C3CE0, 0xE0E03C, 0xE03CE0, 0x3CE0E0};
  for (size_t i = 0; i < s.faces.size(); ++i) s.faces[i].colour = colours[i];
  return s;
}

}  // namespace

std::string x_text(const XMeshText& m) {
  std::string s = "xof 0303txt 0032\n\nFrame Model {\n Mesh ModelMesh {\n";
  char line[160];
  auto add = [&](const char* fmt, auto... args) {
    std::snprintf(line, sizeof line, fmt, args...);
    s += line;
  };
  const size_t n = m.positions.size(), t = m.indices.size() / 3;
  add("  %zu;\n", n);
  for (size_t i = 0; i < n; ++i)
    add("  %.6f;%.6f;%.6f;%s\n", m.positions[i].x, m.positions[i].y, m.positions[i].z, i + 1 < n ? "," : ";");
  add("  %zu;\n", t);
  for (size_t i = 0; i < t; ++i)
    add("  3;%u,%u,%u;%s\n", m.indices[3 * i], m.indices[3 * i + 1], m.indices[3 * i + 2], i + 1 < t ? "," : ";");
  if (m.uvs.size() == n) {
    add("  MeshTextureCoords {\n   %zu;\n", n);
    for (size_t i = 0; i < n; ++i) add("   %.6f;%.6f;%s\n", m.uvs[i].u, m.uvs[i].v, i + 1 < n ? "," : ";");
    s += "  }\n";
  }
  if (!m.colours.empty() && m.material.size() == t) {
    add("  MeshMaterialList {\n   %zu;\n   %zu;\n", m.colours.size(), t);
    for (size_t i = 0; i < t; ++i) add("   %u%s\n", m.material[i], i + 1 < t ? "," : ";");
    for (unsigned c : m.colours)
      add("   Material {\n    %.6f;%.6f;%.6f;1.000000;;\n    0.000000;\n    0.000000;0.000000;0.000000;;\n"
          "    0.000000;0.000000;0.000000;;\n   }\n",
          (c >> 16 & 255) / 255.0, (c >> 8 & 255) / 255.0, (c & 255) / 255.0);
    s += "  }\n";
  }
  s += " }\n}\n";
  return s;
}

XMeshText hood_mesh(int preview, int part) {
  XMeshText m;
  const float top = kBandTop[preview < 0 ? 0 : preview > 4 ? 4 : preview];
  if (part == 0) {
    sphere_rows(m, steps(top, kBandBottom, 6), 0, true);
    m.colours = {0xFFFFFF};
  } else {
    sphere_rows(m, steps(90, top, 4), 0, false);
    sphere_rows(m, steps(kBandBottom, -90, 4), 1, false);
    m.colours = {0x6080C0, 0x303030};
  }
  return m;
}

std::vector<DefaultFile> default_3d_files() {
  std::vector<DefaultFile> files;
  auto text = [](std::string content) {
    return [content](const std::string& path) { return core::write_file_atomic(path, content); };
  };
  files.push_back(
      {"3dshapes/default_.a3d", [](const std::string& p) { return media::save_shape(p, default_shape()); }});
  files.push_back({"bckgrnds/bkgr000_.bmp", text(background_bmp(false))});
  files.push_back({"bckgrnds/bkgr001_.bmp", text(background_bmp(true))});
  for (int preview = 0; preview < 5; ++preview)
    for (int part = 0; part < 2; ++part) {
      char name[32];
      std::snprintf(name, sizeof name, "data/hood%d%c.x", preview, part == 0 ? 'a' : 'b');
      files.push_back({name, text(x_text(hood_mesh(preview, part)))});
    }
  files.push_back({"xvisuals/default_.x", text(x_text(default_x()))});
  files.push_back({"data/bndbox.x", text(x_text(marker_box()))});
  files.push_back({"data/radius.x", text(x_text(marker_ring()))});
  files.push_back({"data/cross.x", text(x_text(marker_cross()))});
  return files;
}

}  // namespace shell
