// Ground grids: a triangle mesh bucketed into 128 x 128 square cells for
// height queries, as ground-map caches (".m3d") hold it and as the 3D-shape
// grounds are prepared at load. This file knows bytes and numbers only, not
// the engine's tables, so that the cache reader can be fuzzed on its own.
//
// A *block* is the triangle list (nine little-endian 32-bit words a triangle:
// the vertices x, y, z in milli-units), then the grid (128 x 128 words, row =
// z cell, column = x cell: the byte offset of the cell's list from the start
// of the block, 0 for an empty cell), then the cell lists (a count n and n
// byte offsets of triangles, from the start of the block). The grid covers
// the square of half width d around a centre (cx, cz); cell k (0..127) spans
// cx - d + k d / 64 to cx - d + (k + 1) d / 64 on x, and likewise on z.
//
// A cache file is a 64-byte record followed by one block (docs/formats.md):
// word 0 the tag "d3m.", words 1 and 2 the start and end of the triangle
// list (file offsets when we write them; only their difference is read),
// word 3 = 2 d, word 4 the time stamp of the model, word 5 our key of the
// triangle transform (0 for none). The centre of a cache's grid is (0, 0).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace engine {

constexpr int kGroundCells = 128;
constexpr uint32_t kGroundRecordBytes = 64;
constexpr uint32_t kGroundTriangleBytes = 36;
constexpr uint32_t kGroundGridBytes = kGroundCells * kGroundCells * 4;
// Coordinates are kept within this, so that 2 d fits a word.
constexpr int32_t kGroundCoordinateLimit = (1 << 30) - 1;

// A block in memory; queries trust it once check_ground_block has passed.
struct GroundView {
  const uint8_t* block = nullptr;
  uint32_t triangle_bytes = 0;  // the grid starts here
  uint32_t block_bytes = 0;
  int32_t d = 0;           // half width of the square, milli-units (at least 1)
  int32_t cx = 0, cz = 0;  // its centre
};

// The half width that covers every vertex around (cx, cz): the largest
// |x - cx| and |z - cz|, at least 1. `triangles` holds nine words each.
int32_t ground_half_width(std::span<const int32_t> triangles, int32_t cx, int32_t cz);

// The block of `triangles` over the square of half width d around (cx, cz).
// A triangle is listed in every cell its (x, z) projection touches (cells
// widened by 1 milli-unit, so that a point is always looked up in a cell
// that lists it); triangles of no area in projection are listed nowhere.
// False, with `out` empty, when the block would be larger than max_bytes.
bool build_ground_block(std::span<const int32_t> triangles, int32_t d, int32_t cx, int32_t cz, uint64_t max_bytes,
                        std::string& out);

// A whole cache file for `triangles` (centre (0, 0)); false when it would be
// larger than max_bytes.
bool encode_ground_cache(std::span<const int32_t> triangles, int32_t stamp, int32_t key, uint64_t max_bytes,
                         std::string& out);

struct GroundCache {
  int32_t record[16] = {};
  GroundView view;  // into the file's bytes
};

// Reads a cache from untrusted bytes: the tag, the triangle list and the
// grid inside the file, every grid word and every list entry checked
// (aligned, inside the block, lists after the grid and not overlapping,
// triangle offsets on whole triangles). False with the reason otherwise.
bool read_ground_cache(std::span<const uint8_t> file, GroundCache& out, std::string& why);
// The checks of the grid and its lists alone.
bool check_ground_block(const GroundView& view, std::string& why);

// The ground under a point (position units; `radius` in position units too):
// the height of the one triangle whose projection holds (x, z) (or of the
// first, when all of them give the same height: a point on an edge between
// triangles of one surface), or among several heights, the one nearest the
// element's feet as the multi-level rule picks it. `triangle` is that triangle's byte offset in the block, -1 for none
// (height 0): outside the grid, an empty cell, or no triangle qualifies.
struct GroundFound {
  int32_t height = 0;
  int32_t triangle = -1;
};
GroundFound ground_query(const GroundView& view, int32_t x, int64_t radius, int32_t y, int32_t z);

// Nine words of a triangle of a checked block.
void ground_triangle(const GroundView& view, int32_t offset, int32_t out[9]);

}  // namespace engine
