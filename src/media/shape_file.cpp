#include "media/shape_file.h"

#include <cstring>

#include "core/protect.h"
#include "core/files.h"

namespace media {

namespace {

constexpr char kMagic[4] = {'A', '3', 'D', '1'};
constexpr uint32_t kVersion = 1;

uint32_t get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void put32(std::string& s, uint32_t v) {
  for (int k = 0; k < 4; ++k) s += static_cast<char>(v >> (8 * k) & 0xFF);
}
void put16(std::string& s, uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}

uint32_t abgr(uint32_t rgb) { return 0xFF000000u | (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF); }

}  // namespace

bool parse_shape(std::span<const uint8_t> file, Shape& out) {
  out = Shape{};
  if (file.size() < kShapeHeaderBytes || file.size() > kMaxShapeFileBytes) return false;
  const uint8_t* h = file.data();
  if (std::memcmp(h, kMagic, 4) != 0 || get32(h + 4) != kVersion) return false;
  const uint32_t vertices = get32(h + 8), faces = get32(h + 12);
  if (vertices > kMaxShapeVertices || faces > kMaxShapeFaces) return false;
  // Counts are small, so the sizes cannot overflow.
  const size_t need = kShapeHeaderBytes + size_t{vertices} * sizeof(ShapeVertex) + size_t{faces} * sizeof(ShapeFace);
  if (file.size() < need) return false;
  Shape s;
  s.flags = get32(h + 16);
  s.tiles = get32(h + 20);
  if (s.tiles == 0) s.tiles = 1;
  if (s.tiles > kMaxShapeTiles) return false;
  const char* name = reinterpret_cast<const char*>(h + 24);
  s.texture.assign(name, strnlen(name, kShapeTextureNameBytes));
  for (char& c : s.texture)
    if (c == '\\') c = '/';
  const uint8_t* p = h + kShapeHeaderBytes;
  s.vertices.resize(vertices);
  for (ShapeVertex& v : s.vertices) {
    v = {static_cast<int32_t>(get32(p)), static_cast<int32_t>(get32(p + 4)), static_cast<int32_t>(get32(p + 8))};
    p += sizeof(ShapeVertex);
  }
  s.faces.reserve(faces);
  for (uint32_t i = 0; i < faces; ++i, p += sizeof(ShapeFace)) {
    ShapeFace f{
        {get16(p), get16(p + 2), get16(p + 4), get16(p + 6)}, get16(p + 8), get16(p + 10), get32(p + 12) & 0xFFFFFF};
    const int corners = f.flags & kFaceQuad ? 4 : 3;
    bool ok = true;
    for (int k = 0; k < corners; ++k) ok &= f.v[k] < vertices;
    if (!ok) continue;
    if (corners == 3) f.v[3] = f.v[2];
    if (f.tile >= s.tiles) f.tile = static_cast<uint16_t>(s.tiles - 1);
    s.faces.push_back(f);
  }
  out = std::move(s);
  return true;
}

bool read_shape(const std::string& path, Shape& out) {
  std::string bytes;
  out = Shape{};
  if (!core::read_resource(path, bytes, kMaxShapeFileBytes + 1)) return false;
  return parse_shape({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, out);
}

bool encode_shape(const Shape& shape, std::string& out) {
  out.clear();
  if (shape.vertices.size() > kMaxShapeVertices || shape.faces.size() > kMaxShapeFaces ||
      shape.tiles > kMaxShapeTiles || shape.texture.size() >= kShapeTextureNameBytes)
    return false;
  for (const ShapeFace& f : shape.faces)
    for (int k = 0; k < (f.flags & kFaceQuad ? 4 : 3); ++k)
      if (f.v[k] >= shape.vertices.size()) return false;
  out.append(kMagic, 4);
  put32(out, kVersion);
  put32(out, static_cast<uint32_t>(shape.vertices.size()));
  put32(out, static_cast<uint32_t>(shape.faces.size()));
  put32(out, shape.flags);
  put32(out, shape.tiles ? shape.tiles : 1);
  std::string name = shape.texture;
  name.resize(kShapeTextureNameBytes, '\0');
  out += name;
  for (const ShapeVertex& v : shape.vertices) {
    put32(out, static_cast<uint32_t>(v.x));
    put32(out, static_cast<uint32_t>(v.y));
    put32(out, static_cast<uint32_t>(v.z));
  }
  for (const ShapeFace& f : shape.faces) {
    for (uint16_t i : f.v) put16(out, i);
    put16(out, f.flags);
    put16(out, f.tile);
    put32(out, f.colour & 0xFFFFFF);
  }
  return true;
}

bool save_shape(const std::string& path, const Shape& shape) {
  std::string bytes;
  return encode_shape(shape, bytes) && core::write_file_atomic(path, bytes);
}

core::Vec2 shape_uv(uint32_t tile, uint32_t tiles, int corner) {
  if (tiles == 0) tiles = 1;
  if (tile >= tiles) tile = tiles - 1;
  constexpr float kInset = 1.0f / 128.0f;
  const float left = kInset, right = 1.0f - kInset;
  const float top = (static_cast<float>(tile) + kInset) / static_cast<float>(tiles);
  const float bottom = (static_cast<float>(tile) + 1.0f - kInset) / static_cast<float>(tiles);
  switch (corner & 3) {
    case 0: return {left, top};
    case 1: return {right, top};
    case 2: return {right, bottom};
    default: return {left, bottom};
  }
}

core::Model shape_model(std::span<const ShapeVertex> vertices, std::span<const ShapeFace> faces, uint32_t tiles) {
  core::Model m;
  std::vector<uint32_t> plain;  // indices of the untextured faces, appended after the textured ones
  auto point = [&](uint16_t i) {
    const ShapeVertex& v = vertices[i];
    return core::Vec3{v.x / 1000.0f, v.y / 1000.0f, v.z / 1000.0f};
  };
  for (const ShapeFace& f : faces) {
    const int corners = f.flags & kFaceQuad ? 4 : 3;
    bool ok = true;
    for (int k = 0; k < corners; ++k) ok &= f.v[k] < vertices.size();
    if (!ok) continue;
    const bool textured = !(f.flags & kFaceUntextured);
    const uint32_t base = static_cast<uint32_t>(m.positions.size());
    for (int k = 0; k < corners; ++k) {
      m.positions.push_back(point(f.v[k]));
      m.uvs.push_back(shape_uv(f.tile, tiles, k));
      m.colours.push_back(textured ? 0xFFFFFFFFu : abgr(f.colour));
    }
    std::vector<uint32_t>& to = textured ? m.indices : plain;
    to.insert(to.end(), {base, base + 1, base + 2});
    if (corners == 4) to.insert(to.end(), {base, base + 2, base + 3});
  }
  const uint32_t textured_count = static_cast<uint32_t>(m.indices.size());
  m.indices.insert(m.indices.end(), plain.begin(), plain.end());
  m.materials = {core::Material{}};
  m.groups = {{0, textured_count, 0}, {textured_count, static_cast<uint32_t>(plain.size()), 0}};
  return m;
}

Shape box_shape(int32_t hx, int32_t hy, int32_t hz, uint32_t colour, bool textured) {
  Shape s;
  for (int k = 0; k < 8; ++k) s.vertices.push_back({k & 1 ? hx : -hx, k & 2 ? hy : -hy, k & 4 ? hz : -hz});
  // Corners clockwise as seen from outside (left-handed, y up, z away).
  const uint16_t quads[6][4] = {
      {0, 2, 3, 1},  // front (-z)
      {5, 7, 6, 4},  // back (+z)
      {4, 6, 2, 0},  // left (-x)
      {1, 3, 7, 5},  // right (+x)
      {2, 6, 7, 3},  // top (+y)
      {4, 0, 1, 5},  // bottom (-y)
  };
  for (const auto& q : quads)
    s.faces.push_back({{q[0], q[1], q[2], q[3]},
                       static_cast<uint16_t>(kFaceQuad | (textured ? 0 : kFaceUntextured)),
                       0,
                       colour & 0xFFFFFF});
  return s;
}

}  // namespace media
