// DirectX .x model files (text, binary and compressed), read through assimp
// into one flat core::Model.
//
// Coordinates are kept as the file has them: .x files are left-handed like
// the engine, so there is no axis change; faces keep the file's winding
// (clockwise front faces); texture coordinates keep the file's top-down v.
// Every mesh is moved by the transforms of the frames above it, so the model
// is the file's rest pose. Polygons become triangle fans; materials keep
// their diffuse colour and alpha, specular colour and power, emissive colour
// and texture file name (with `\` turned into `/`). Per-vertex normals,
// texture coordinates and colours come through when the file has them.
//
// The file is parsed in a child process (platform/sandbox.h): the parser is
// third-party code and a hostile file can make it read or write out of
// bounds, run away with memory or never finish. The child has a memory
// limit and a deadline; when it dies, overruns or sends anything malformed
// the load fails with a message and the engine goes on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/model.h"
#include "core/rig.h"

namespace platform {

inline constexpr size_t kMaxXFileBytes = size_t{64} << 20;
inline constexpr uint32_t kMaxXVertices = 4u << 20;  // after polygons are split
inline constexpr uint32_t kMaxXIndices = 12u << 20;
inline constexpr int kXLoadSeconds = 30;

struct XAnimation {
  std::string name;             // the animation set's name ("" when it has none)
  double duration = 0;          // in ticks
  double ticks_per_second = 0;  // 0 when the file does not say
};

// What the file holds besides the model.
struct XInfo {
  std::vector<XAnimation> animations;  // animation sets with at least one key sequence
};

// False with a message in `error` when the file is missing, too large, not
// an .x file, malformed, or makes the parser fail; `model` and `info` are
// then empty.
// A file whose import failed in the child is known by its content for the
// rest of the process and fails at once, with the same message, when it is
// loaded again.
bool load_x(const std::string& path, core::Model& model, XInfo& info, std::string& error);
// Imports run in a child process so far.
uint32_t x_import_count();

// load_x, and the first animation set with the node hierarchy (core/rig.h),
// for posing the model at run time. A file without animation gives an empty
// rig (nothing to pose).
bool load_x_rig(const std::string& path, core::Model& model, XInfo& info, core::XRig& rig, std::string& error);

}  // namespace platform
