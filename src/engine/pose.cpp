#include "engine/pose.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace engine {

using core::Mat4;
using core::XChannel;
using core::XKey;
using core::XPose;
using core::XRig;

namespace {

// Row-major 4 x 4 products on doubles (column vectors, as the parser keeps them).
void multiply(const double* a, const double* b, double* out) {
  double r[16];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += a[i * 4 + k] * b[k * 4 + j];
      r[i * 4 + j] = s;
    }
  std::memcpy(out, r, sizeof r);
}

// The key run's value at t: held before the first and after the last key,
// linear (spherical for rotations) in between.
void sample(const XKey* keys, uint32_t count, double t, bool rotation, float* out) {
  uint32_t lo = 0, hi = count;  // first key with time > t
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (keys[mid].time <= t)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo == 0 || lo == count) {
    std::memcpy(out, keys[lo == 0 ? 0 : count - 1].v, sizeof keys[0].v);
    return;
  }
  const XKey& a = keys[lo - 1];
  const XKey& b = keys[lo];
  const double span = b.time - a.time;
  const float f = span > 0 ? static_cast<float>((t - a.time) / span) : 0.0f;
  if (!rotation) {
    for (int i = 0; i < 3; ++i) out[i] = a.v[i] + (b.v[i] - a.v[i]) * f;
    return;
  }
  float d = a.v[0] * b.v[0] + a.v[1] * b.v[1] + a.v[2] * b.v[2] + a.v[3] * b.v[3];
  const float sign = d < 0 ? -1.0f : 1.0f;
  d *= sign;
  float wa = 1 - f, wb = f * sign;
  if (d < 0.9995f) {
    const float angle = std::acos(std::min(d, 1.0f));
    const float s = std::sin(angle);
    wa = std::sin((1 - f) * angle) / s;
    wb = std::sin(f * angle) / s * sign;
  }
  float n = 0;
  for (int i = 0; i < 4; ++i) {
    out[i] = a.v[i] * wa + b.v[i] * wb;
    n += out[i] * out[i];
  }
  n = std::sqrt(n);
  if (n > 1e-9f)
    for (int i = 0; i < 4; ++i) out[i] /= n;
}

// A node's local transform from its channel at t; kinds without keys keep
// the rest transform's part.
void channel_local(const XRig& rig, const XChannel& c, double t, double* m) {
  const float* rest = rig.nodes[static_cast<size_t>(c.node)].rest;
  double scale[3], rot[9], pos[3] = {rest[3], rest[7], rest[11]};
  for (int j = 0; j < 3; ++j) {
    scale[j] = std::sqrt(double(rest[j]) * rest[j] + double(rest[4 + j]) * rest[4 + j] +
                         double(rest[8 + j]) * rest[8 + j]);
    for (int i = 0; i < 3; ++i) rot[i * 3 + j] = scale[j] > 1e-12 ? rest[i * 4 + j] / scale[j] : (i == j);
  }
  float v[4];
  if (c.count[0]) {
    sample(&rig.keys[c.first[0]], c.count[0], t, false, v);
    pos[0] = v[0], pos[1] = v[1], pos[2] = v[2];
  }
  if (c.count[1]) {
    sample(&rig.keys[c.first[1]], c.count[1], t, true, v);
    const double w = v[0], x = v[1], y = v[2], z = v[3];
    const double q[9] = {1 - 2 * (y * y + z * z), 2 * (x * y - w * z),     2 * (x * z + w * y),
                         2 * (x * y + w * z),     1 - 2 * (x * x + z * z), 2 * (y * z - w * x),
                         2 * (x * z - w * y),     2 * (y * z + w * x),     1 - 2 * (x * x + y * y)};
    std::memcpy(rot, q, sizeof q);
  }
  if (c.count[2]) {
    sample(&rig.keys[c.first[2]], c.count[2], t, false, v);
    scale[0] = v[0], scale[1] = v[1], scale[2] = v[2];
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) m[i * 4 + j] = rot[i * 3 + j] * scale[j];
    m[i * 4 + 3] = pos[i];
  }
  m[12] = m[13] = m[14] = 0;
  m[15] = 1;
}

}  // namespace

void x_pose_prepare(const XRig& rig, XPose& pose) {
  pose.node_global.assign(rig.nodes.size() * 16, 0.0);
  pose.bones.assign(rig.bones.size(), Mat4{});
}

void x_pose(const XRig& rig, double t, XPose& pose) {
  const size_t nodes = rig.nodes.size();
  if (pose.node_global.size() != nodes * 16 || pose.bones.size() != rig.bones.size()) return;
  double* g = pose.node_global.data();
  for (size_t i = 0; i < nodes; ++i)
    for (int k = 0; k < 16; ++k) g[i * 16 + k] = rig.nodes[i].rest[k];
  for (const XChannel& c : rig.channels) channel_local(rig, c, t, g + static_cast<size_t>(c.node) * 16);
  for (size_t i = 0; i < nodes; ++i)
    if (rig.nodes[i].parent >= 0) multiply(g + static_cast<size_t>(rig.nodes[i].parent) * 16, g + i * 16, g + i * 16);
  for (size_t b = 0; b < rig.bones.size(); ++b) {
    double off[16], m[16];
    for (int k = 0; k < 16; ++k) off[k] = rig.bones[b].offset[k];
    multiply(g + static_cast<size_t>(rig.bones[b].node) * 16, off, m);
    // Into the model's space: S m S with S = diag(1, 1, -1, 1), then
    // column-major.
    Mat4& out = pose.bones[b];
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        const double sign = (i == 2) != (j == 2) ? -1.0 : 1.0;
        out.at(i, j) = static_cast<float>(m[i * 4 + j] * sign);
      }
  }
}

}  // namespace engine
