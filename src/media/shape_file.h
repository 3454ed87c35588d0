// 3D-shape files (.a3d): a small binary mesh of integer vertices and
// triangle or quad faces, textured from one strip image of square tiles.
// docs/formats.md gives the layout; in short (little-endian):
//
//   header, 64 bytes: "A3D1", version 1, vertex count, face count, flags
//   (bit 0: the shape is ground), tile count of the strip, 40 bytes of
//   texture name (zero-terminated, relative to the program folder)
//   vertices, 12 bytes each: x, y, z, signed 32-bit, in 1/1000 world unit
//   faces, 16 bytes each: four 16-bit vertex indices, 16-bit flags (value 2:
//   untextured, value 4: a quad, else a triangle of the first three), 16-bit
//   tile in the strip, 32-bit colour 0x00RRGGBB
//
// Hostile files: a file that is shorter than its counts say, larger than
// kMaxShapeFileBytes, has a wrong magic or version, or counts above the
// limits is refused as a whole (the caller then reads the default shape). A
// face naming a vertex past the list is dropped alone. Tile counts of 0 read
// as 1 and tiles past the strip use its last tile.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/model.h"

namespace media {

inline constexpr size_t kMaxShapeFileBytes = size_t{4} << 20;
inline constexpr uint32_t kMaxShapeVertices = 65535;
inline constexpr uint32_t kMaxShapeFaces = 65535;
inline constexpr uint32_t kMaxShapeTiles = 4096;
inline constexpr size_t kShapeHeaderBytes = 64;
inline constexpr size_t kShapeTextureNameBytes = 40;

// The shape installed as 3dshapes/default_.a3d, read when an aspect is no shape.
inline constexpr char kDefaultShapeFile[] = "3dshapes/default_.a3d";

enum ShapeFaceFlags : uint16_t { kFaceUntextured = 2, kFaceQuad = 4 };
enum ShapeFlags : uint32_t { kShapeGround = 1 };

struct ShapeVertex {
  int32_t x, y, z;  // 1/1000 world unit
};
static_assert(sizeof(ShapeVertex) == 12);

struct ShapeFace {
  uint16_t v[4];
  uint16_t flags;
  uint16_t tile;
  uint32_t colour;  // 0x00RRGGBB
};
static_assert(sizeof(ShapeFace) == 16);

struct Shape {
  uint32_t flags = 0;
  uint32_t tiles = 1;
  std::string texture;  // empty: no strip
  std::vector<ShapeVertex> vertices;
  std::vector<ShapeFace> faces;
};

// False (and `out` empty) when the bytes are no shape.
bool parse_shape(std::span<const uint8_t> file, Shape& out);
// False when the file is missing or no shape.
bool read_shape(const std::string& path, Shape& out);

// The file of a shape; false when it breaks the limits (too many vertices,
// faces or tiles, a texture name of 40 bytes or more, a face index past the
// vertex list).
bool encode_shape(const Shape& shape, std::string& out);
bool save_shape(const std::string& path, const Shape& shape);

// Texture coordinates of corner k (0..3) of a face on tile `tile` of a strip
// of `tiles` square tiles stacked top to bottom, the tile inset by 1/128 of
// its side on each edge: corners run (left, top), (right, top), (right,
// bottom), (left, bottom).
core::Vec2 shape_uv(uint32_t tile, uint32_t tiles, int corner);

// The renderer model of the faces: every face its own vertices (flat
// normals), quads as two triangles (a, b, c) and (a, c, d), front faces
// clockwise as seen from the viewer. Group 0 holds the textured faces,
// group 1 the untextured ones; each vertex carries its face's colour. Faces
// with an index outside `vertices` are left out.
core::Model shape_model(std::span<const ShapeVertex> vertices, std::span<const ShapeFace> faces, uint32_t tiles);

// A box of the given half sizes (1/1000 world unit) around the origin, six
// quads of one colour, every face on tile 0.
Shape box_shape(int32_t hx, int32_t hy, int32_t hz, uint32_t colour, bool textured);

}  // namespace media
