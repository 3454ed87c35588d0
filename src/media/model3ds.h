// The engine's own reader and writer of .3ds model files.
//
// A .3ds file is a tree of chunks (16-bit id, 32-bit length including the
// 6-byte header). The reader needs the main chunk 0x4D4D first and walks its
// contents from offset 6 in one pass: 0x3D3D (editor), 0x4000 (named object,
// after its zero-terminated name) and 0x4100 (triangle mesh) are entered,
// 0x4110 (vertex list: 16-bit count, count x three floats) and 0x4120 (face
// list: 16-bit count, count x four 16-bit words: three indices into the last
// vertex list seen and a flags word) are read, and every other chunk is
// stepped over by its length. Each of those five ids met counts as a handled
// chunk; a file is a model only with at least five of them, otherwise the
// caller's fallback file (the installation's 3dsfiles/default_.3ds) is read
// instead, and when that fails too the result is empty.
//
// A file is refused as a whole (and the fallback read) when a chunk runs past
// the end of the chunk that holds it or of the file, a chunk is shorter than
// its header, a count does not fit in its chunk, an object name has no
// terminator inside its chunk, entered chunks nest deeper than 32 or the file
// is larger than 16 MiB. A face with an index outside its vertex list or with
// a coordinate that is not finite is dropped alone. Up to 5 bytes left at the
// end of a chunk (too few for a header) are ignored.
//
// Axes: .3ds files are right-handed with z up; the engine is left-handed with
// y up. Reading turns file (x, y, z) into (x, z, y): the same shape, with
// file z as the engine's height. Front faces in a .3ds file wind
// counter-clockwise seen from the front; the axis swap keeps the points where
// they are but the engine's front faces wind clockwise, so every triangle of
// a core::Model is listed as (a, c, b) for the file's (a, b, c). The flat
// triangle list keeps the file's order (a, b, c).
//
// Texture coordinates (chunk 0x4140) are bottom-up in the file; a Model's
// are top-down ((0, 0) is the image's top-left corner), so v becomes 1 - v.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/model.h"

namespace media {

// One triangle of the mesh as loaded: three vertices, engine axes.
struct Triangle {
  core::Vec3 v[3];
};
static_assert(sizeof(Triangle) == 36);

inline constexpr size_t kMax3dsFileBytes = size_t{16} << 20;

// Where a loaded model came from.
enum class ModelSource : int32_t {
  file = 0,      // the file asked for
  fallback = 1,  // the file was no model; the fallback file was read
  none = 2,      // neither was a model; the result is empty
};

// The mesh as loaded: every face of every face list as a triangle, in file
// order. False (and `out` empty) when the bytes are no model.
bool parse_3ds_triangles(std::span<const uint8_t> file, std::vector<Triangle>& out);

// The same walk as a model: the vertex lists one after another, the faces as
// indexed triangles (front faces clockwise), texture coordinates from 0x4140,
// and the materials of the 0xAFFF blocks (name 0xA000, diffuse colour 0xA020,
// transparency 0xA050, texture map 0xA200 / 0xA300) applied to the faces that
// the face list's 0x4130 groups name. Material 0 is the default (white) for
// faces in no group. Malformed texture coordinates, groups or materials are
// left out without refusing the file. False (and `out` empty) when the bytes
// are no model.
bool parse_3ds_model(std::span<const uint8_t> file, core::Model& out);

ModelSource load_3ds_triangles(const std::string& path, const std::string& fallback_path, std::vector<Triangle>& out);
ModelSource load_3ds_model(const std::string& path, const std::string& fallback_path, core::Model& out);

// A model of the flat list (three vertices per triangle, each triangle wound
// (a, c, b) as above, one group of a default white material).
core::Model triangles_to_model(std::span<const Triangle> triangles);

// The visual's "faces flip": every triangle's winding reversed.
void reverse_winding(std::vector<Triangle>& triangles);
void reverse_winding(core::Model& model);

// A .3ds file of the flat list, in the smallest form the reader accepts:
// main, editor, named object, mesh, vertex list, face list. Each triangle
// gets its own three vertices; with `both_sides` each is listed twice, as
// (a, b, c) and (a, c, b), so that it shows from both sides. A list too long
// for the 16-bit counts is split over several objects. Reading the result
// gives back the same triangles (with both_sides: each followed by its
// reverse), bit for bit, as long as every coordinate is finite.
std::string encode_3ds(std::span<const Triangle> triangles, bool both_sides = false);
bool save_3ds(const std::string& path, std::span<const Triangle> triangles, bool both_sides = false);

}  // namespace media
