#include "core/rig.h"

#include <cmath>

namespace core {

namespace {

bool finite_floats(const float* v, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

}  // namespace

bool x_rig_valid(const XRig& rig, size_t vertices) {
  if (rig.nodes.size() > kMaxXNodes || rig.bones.size() > kMaxXBones || rig.keys.size() > kMaxXKeys ||
      rig.channels.size() > kMaxXNodes)
    return false;
  if (!std::isfinite(rig.duration) || !std::isfinite(rig.ticks_per_second)) return false;
  if (rig.influences.empty() && rig.channels.empty() && rig.bones.empty()) return true;  // nothing to pose
  if (rig.influences.size() != vertices) return false;
  const auto nodes = static_cast<int64_t>(rig.nodes.size());
  for (size_t i = 0; i < rig.nodes.size(); ++i)
    if (rig.nodes[i].parent < -1 || rig.nodes[i].parent >= static_cast<int64_t>(i) ||
        !finite_floats(rig.nodes[i].rest, 16))
      return false;
  for (const XBone& b : rig.bones)
    if (b.node < 0 || b.node >= nodes || !finite_floats(b.offset, 16)) return false;
  for (const XInfluence& in : rig.influences)
    for (int k = 0; k < 4; ++k)
      if (in.bone[k] >= rig.bones.size() || !std::isfinite(in.weight[k]) || in.weight[k] < 0 || in.weight[k] > 1.001f)
        return false;
  for (const XChannel& c : rig.channels) {
    if (c.node < 0 || c.node >= nodes) return false;
    for (int k = 0; k < 3; ++k)
      if (c.first[k] > rig.keys.size() || c.count[k] > rig.keys.size() - c.first[k]) return false;
  }
  for (const XKey& k : rig.keys)
    if (!std::isfinite(k.time) || !finite_floats(k.v, 4)) return false;
  return true;
}

}  // namespace core
