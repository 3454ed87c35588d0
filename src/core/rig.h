// The rig of an animated model: a node hierarchy, bones with skin weights
// and the key frames of one animation set. The X-file loader fills it; the
// engine poses the model's vertices with it (engine/pose.h).
//
// Nodes are the file's frames, parents before children. Every vertex of the
// model hangs on up to four bones with weights that add up to 1; a bone is a
// node and an offset matrix that takes the model's rest-pose vertex into the
// node's space (for vertices without skin weights: the node that holds the
// mesh). Matrices are kept in the parser's own right-handed space
// (row-major, column vectors); posing turns its result into the model's
// left-handed space.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/math3d.h"

namespace core {

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

// Work space for posing, sized once by engine::x_pose_prepare.
struct XPose {
  std::vector<double> node_global;  // 16 per node
  std::vector<Mat4> bones;          // per bone, in the model's space
};

// True when every index of the rig lies inside its tables, every number is
// finite and `vertices` (the model's vertex count) matches its influences.
bool x_rig_valid(const XRig& rig, size_t vertices);

}  // namespace core
