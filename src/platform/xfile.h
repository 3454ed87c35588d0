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
// The file is parsed in a child process: the parser is third-party code and
// a hostile file can make it read or write out of bounds, run away with
// memory or never finish. The child has a memory limit and a deadline; when
// it dies, overruns or sends anything malformed the load fails with a
// message and the engine goes on.
#pragma once

#include <string>
#include <vector>

#include "core/math3d.h"
#include "core/model.h"

namespace platform {

inline constexpr size_t kMaxXFileBytes = size_t{64} << 20;
inline constexpr uint32_t kMaxXVertices = 4u << 20;   // after polygons are split
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
bool load_x(const std::string& path, core::Model& model, XInfo& info, std::string& error);

// --- the first animation set of a file, for posing the model at run time.
//
// Nodes are the file's frames, parents before children. Every vertex of the
// model hangs on up to four bones with weights that add up to 1; a bone is a
// node and an offset matrix that takes the model's rest-pose vertex into the
// node's space (for vertices without skin weights: the node that holds the
// mesh). Posing at time t: each node's local transform comes from its
// channel's keys at t (or its rest transform), global transforms follow the
// hierarchy, and a vertex is the weighted sum of its bones' global x offset
// applied to its rest position. Matrices are kept in the parser's own
// right-handed space (row-major, column vectors); x_pose turns its result
// into the model's left-handed space.

inline constexpr uint32_t kMaxXNodes = 1024;
inline constexpr uint32_t kMaxXBones = 4096;
inline constexpr uint32_t kMaxXKeys = 1u << 20;

struct XNode {
  int32_t parent = -1;  // a lower index, -1 for a root
  float rest[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

struct XBone {
  int32_t node = 0;
  float offset[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

struct XInfluence {
  uint32_t bone[4] = {0, 0, 0, 0};
  float weight[4] = {0, 0, 0, 0};
};

// Keys of one node: positions and scales use v[0..2], rotations are
// quaternions (w, x, y, z) in v[0..3]. Times rise within each run.
struct XKey {
  double time = 0;
  float v[4] = {0, 0, 0, 0};
};

struct XChannel {
  int32_t node = 0;
  uint32_t first[3] = {0, 0, 0};  // position, rotation, scale runs in XRig::keys
  uint32_t count[3] = {0, 0, 0};
};

struct XRig {
  std::vector<XNode> nodes;
  std::vector<XBone> bones;
  std::vector<XInfluence> influences;  // one per model vertex
  std::vector<XChannel> channels;
  std::vector<XKey> keys;
  double duration = 0;          // of the first animation set, in key ticks
  double ticks_per_second = 0;  // 0 when the file does not say
  bool animated() const { return !channels.empty() && !influences.empty(); }
};

// Work space for posing, sized once by x_pose_prepare.
struct XPose {
  std::vector<double> node_global;  // 16 per node
  std::vector<core::Mat4> bones;    // per bone, in the model's space
};

// load_x, and the first animation set with the node hierarchy. A file
// without animation gives an empty rig (nothing to pose).
bool load_x_rig(const std::string& path, core::Model& model, XInfo& info, XRig& rig, std::string& error);
// True when every index of the rig lies inside its tables and `vertices`
// (the model's vertex count) matches its influences.
bool x_rig_valid(const XRig& rig, size_t vertices);
void x_pose_prepare(const XRig& rig, XPose& pose);
// The bone matrices at time t (key ticks); no allocation once prepared.
void x_pose(const XRig& rig, double t, XPose& pose);

}  // namespace platform
