// The .a3d reader and writer, the texture strip coordinates and the model
// built from the faces.
#include "media/shape_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using media::Shape;
using media::ShapeFace;

std::span<const uint8_t> bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

Shape sample() {
  Shape s = media::box_shape(1000, 2000, 3000, 0x102030, true);
  s.tiles = 4;
  s.texture = "images/strip.pcx";
  s.flags = media::kShapeGround;
  s.faces[1].tile = 3;
  s.faces.push_back({{0, 1, 2, 0}, media::kFaceUntextured, 0, 0xFF8000});  // a triangle
  return s;
}

std::string encoded(const Shape& s) {
  std::string out;
  EXPECT_TRUE(media::encode_shape(s, out));
  return out;
}

TEST(ShapeFile, RoundTripKeepsEveryField) {
  const Shape s = sample();
  const std::string file = encoded(s);
  EXPECT_EQ(file.size(), media::kShapeHeaderBytes + 8 * 12 + 7 * 16);
  Shape back;
  ASSERT_TRUE(media::parse_shape(bytes(file), back));
  EXPECT_EQ(back.flags, media::kShapeGround);
  EXPECT_EQ(back.tiles, 4u);
  EXPECT_EQ(back.texture, "images/strip.pcx");
  ASSERT_EQ(back.vertices.size(), 8u);
  EXPECT_EQ(back.vertices[7].x, 1000);
  EXPECT_EQ(back.vertices[7].y, 2000);
  EXPECT_EQ(back.vertices[0].z, -3000);
  ASSERT_EQ(back.faces.size(), 7u);
  EXPECT_EQ(back.faces[1].tile, 3);
  EXPECT_EQ(back.faces[6].flags, media::kFaceUntextured);
  EXPECT_EQ(back.faces[6].colour, 0xFF8000u);
  EXPECT_EQ(back.faces[6].v[3], back.faces[6].v[2]);  // a triangle's fourth index repeats its third
}

TEST(ShapeFile, HostileFilesAreRefusedOrTrimmed) {
  const std::string good = encoded(sample());
  Shape out;
  // Every truncation is refused, never read past.
  for (size_t n = 0; n < good.size(); n += 7) EXPECT_FALSE(media::parse_shape(bytes(good.substr(0, n)), out)) << n;
  EXPECT_TRUE(out.vertices.empty());
  auto patched = [&](size_t at, uint32_t v) {
    std::string f = good;
    std::memcpy(f.data() + at, &v, 4);
    return f;
  };
  EXPECT_FALSE(media::parse_shape(bytes(patched(0, 0x33333333)), out));    // magic
  EXPECT_FALSE(media::parse_shape(bytes(patched(4, 2)), out));             // version
  EXPECT_FALSE(media::parse_shape(bytes(patched(8, 0xFFFFFFFFu)), out));   // vertex count overflow
  EXPECT_FALSE(media::parse_shape(bytes(patched(12, 0x40000000u)), out));  // face count past the file
  EXPECT_FALSE(media::parse_shape(bytes(patched(20, 5000)), out));         // too many tiles
  // A tile count of 0 reads as one tile; faces beyond it take the last tile.
  ASSERT_TRUE(media::parse_shape(bytes(patched(20, 0)), out));
  EXPECT_EQ(out.tiles, 1u);
  EXPECT_EQ(out.faces[1].tile, 0);
  // A face naming a vertex past the list is dropped alone.
  std::string bad_index = good;
  const size_t face1 = media::kShapeHeaderBytes + 8 * 12 + 16;
  bad_index[face1 + 2] = 9;
  ASSERT_TRUE(media::parse_shape(bytes(bad_index), out));
  EXPECT_EQ(out.faces.size(), 6u);
  // A texture name without its terminator stops at 40 bytes.
  std::string long_name = good;
  std::memset(long_name.data() + 24, 'x', media::kShapeTextureNameBytes);
  ASSERT_TRUE(media::parse_shape(bytes(long_name), out));
  EXPECT_EQ(out.texture.size(), media::kShapeTextureNameBytes);
}

TEST(ShapeFile, WriterRefusesWhatTheReaderWouldNot) {
  Shape s = sample();
  std::string out;
  s.faces[0].v[3] = 8;
  EXPECT_FALSE(media::encode_shape(s, out));
  s = sample();
  s.texture = std::string(40, 'a');
  EXPECT_FALSE(media::encode_shape(s, out));
  s = sample();
  s.vertices.resize(media::kMaxShapeVertices + 1);
  EXPECT_FALSE(media::encode_shape(s, out));
}

TEST(ShapeFile, StripCoordinatesAreInsetTiles) {
  const float e = 1.0f / 128;
  core::Vec2 a = media::shape_uv(0, 1, 0), c = media::shape_uv(0, 1, 2);
  EXPECT_FLOAT_EQ(a.u, e);
  EXPECT_FLOAT_EQ(a.v, e);
  EXPECT_FLOAT_EQ(c.u, 1 - e);
  EXPECT_FLOAT_EQ(c.v, 1 - e);
  // Tile 2 of 4 covers the third quarter of the strip's height.
  a = media::shape_uv(2, 4, 1);
  c = media::shape_uv(2, 4, 3);
  EXPECT_FLOAT_EQ(a.u, 1 - e);
  EXPECT_FLOAT_EQ(a.v, (2 + e) / 4);
  EXPECT_FLOAT_EQ(c.u, e);
  EXPECT_FLOAT_EQ(c.v, (3 - e) / 4);
  // Tiles past the strip use its last.
  EXPECT_FLOAT_EQ(media::shape_uv(9, 4, 0).v, (3 + e) / 4);
}

TEST(ShapeFile, ModelSplitsQuadsAndSeparatesUntexturedFaces) {
  const Shape s = sample();
  const core::Model m = media::shape_model(s.vertices, s.faces, s.tiles);
  ASSERT_TRUE(core::model_valid(m));
  EXPECT_EQ(m.positions.size(), 6u * 4 + 3);
  EXPECT_EQ(m.indices.size(), (6u * 2 + 1) * 3);
  ASSERT_EQ(m.groups.size(), 2u);
  EXPECT_EQ(m.groups[0].index_count, 36u);   // the six textured quads
  EXPECT_EQ(m.groups[1].index_count, 3u);    // the untextured triangle
  EXPECT_EQ(m.colours.back(), 0xFF0080FFu);  // its colour, 0xAABBGGRR
  EXPECT_EQ(m.colours.front(), 0xFFFFFFFFu);
  // Front faces wind clockwise from outside: the first face (-z side) has its
  // normal along -z.
  const core::Vec3 p0 = m.positions[m.indices[0]], p1 = m.positions[m.indices[1]], p2 = m.positions[m.indices[2]];
  const core::Vec3 u{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z}, v{p2.x - p0.x, p2.y - p0.y, p2.z - p0.z};
  EXPECT_LT(u.x * v.y - u.y * v.x, 0);
  // Faces with indices outside the given vertices are left out.
  std::vector<media::ShapeVertex> few(s.vertices.begin(), s.vertices.begin() + 3);
  EXPECT_EQ(media::shape_model(few, s.faces, 1).indices.size(), 3u);
}

}  // namespace
