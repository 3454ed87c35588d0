// The plain word built-ins of motion: reading, setting, adding to and
// copying position, rotation, velocity and spin; integration; speeds;
// rebounds; scale.
#include <algorithm>
#include <cmath>

#include "brain/bind.h"
#include "core/angles.h"
#include "engine/motion.h"
#include "engine/motion_detail.h"
#include "engine/objects.h"
#include "engine/state.h"
#include "engine/xobjects.h"
#include "platform/scene.h"

namespace engine::motion {

namespace {

using core::kPosition;
using core::kRotation;
using core::kSpin;
using core::kVelocity;

template <int W>
int32_t get(uint32_t, int32_t e, int32_t, int32_t, int32_t, int32_t) {
  const int32_t* w = element(e);
  return w ? w[W] : 0;
}

int32_t get_angle(int32_t e, int word) {
  const int32_t* w = element(e);
  return w ? core::normalise_angle(w[word]) : 0;
}

template <int W>
int32_t get_rotation(uint32_t, int32_t e, int32_t, int32_t, int32_t, int32_t) {
  return get_angle(e, W);
}

template <int W>
int32_t set(uint32_t, int32_t e, int32_t v, int32_t, int32_t, int32_t) {
  if (int32_t* w = element(e)) w[W] = v;
  return 0;
}

template <int W>
int32_t add_to(uint32_t, int32_t e, int32_t v, int32_t, int32_t, int32_t) {
  if (int32_t* w = element(e)) w[W] = add(w[W], v);
  return 0;
}

// b's three words at W = a's.
template <int W>
int32_t copy3(uint32_t, int32_t a, int32_t b, int32_t, int32_t, int32_t) {
  const int32_t* from = element(a);
  int32_t* to = element(b);
  if (!from || !to) return 0;
  for (int i = 0; i < 3; ++i) to[W + i] = from[W + i];
  return 0;
}

int32_t rotation_copy(uint32_t, int32_t a, int32_t b, int32_t, int32_t, int32_t) {
  const int32_t* from = element(a);
  int32_t* to = element(b);
  if (!from || !to) return 0;
  const bool joined = (from[core::kFlags] & core::kFlagJoined) != 0;
  int32_t r[3];
  for (int i = 0; i < 3; ++i)
    r[i] = joined ? add(from[kRotation + i], from[core::kParentRotation + i]) : from[kRotation + i];
  for (int i = 0; i < 3; ++i) to[kRotation + i] = r[i];
  return 0;
}

// A position in position units from world units, saturated.
int32_t position_units(float v) {
  const double p = static_cast<double>(v) * 512000.0;
  return std::isfinite(p) ? static_cast<int32_t>(std::clamp(p, -2147483648.0, 2147483647.0)) : 0;
}

// Run-time X frames (bit 31) are placed relative to their parent frame.
int32_t position_set(uint32_t, int32_t e, int32_t x, int32_t y, int32_t z, int32_t) {
  if (int32_t* w = element(e)) {
    w[kPosition] = x;
    w[kPosition + 1] = y;
    w[kPosition + 2] = z;
  } else if (const int f = xobject_frame(e); f >= 0) {
    platform::frame_set_position(f, {x / 512000.0f, y / 512000.0f, z / 512000.0f});
  }
  return 0;
}

// A position word; for a run-time X frame its renderer position (relative
// to its parent) x 512000.
template <int Axis>
int32_t position_axis(uint32_t, int32_t e, int32_t, int32_t, int32_t, int32_t) {
  if (const int32_t* w = element(e)) return w[kPosition + Axis];
  const int f = xobject_frame(e);
  if (f < 0) return 0;
  const core::Vec3 p = platform::frame_position(f);
  return position_units(Axis == 0 ? p.x : Axis == 1 ? p.y : p.z);
}

// `from` += `by` on three words: the two integrations.
template <int To, int By>
int32_t integrate(uint32_t, int32_t e, int32_t, int32_t, int32_t, int32_t) {
  if (int32_t* w = element(e))
    for (int i = 0; i < 3; ++i) w[To + i] = add(w[To + i], w[By + i]);
  return 0;
}

int32_t velocity(uint32_t, int32_t e, int32_t, int32_t, int32_t, int32_t) {
  const int32_t* w = element(e);
  return w ? length_milli(w[kVelocity], w[kVelocity + 1], w[kVelocity + 2]) : 0;
}

int32_t velocity_xz(uint32_t, int32_t e, int32_t, int32_t, int32_t, int32_t) {
  const int32_t* w = element(e);
  return w ? length_milli(w[kVelocity], 0, w[kVelocity + 2]) : 0;
}

int32_t speed(uint32_t self, int32_t e, int32_t, int32_t, int32_t, int32_t) {
  return shl(velocity(self, e, 0, 0, 0, 0), 9);
}

int32_t speed_xz(uint32_t self, int32_t e, int32_t, int32_t, int32_t, int32_t) {
  return shl(velocity_xz(self, e, 0, 0, 0, 0), 9);
}

// Forward speed: the velocity in the element's frame, its z.
int32_t speed_lz(uint32_t, int32_t e, int32_t, int32_t, int32_t, int32_t) {
  const int32_t* w = element(e);
  if (!w) return 0;
  return to_local({w[kVelocity], w[kVelocity + 1], w[kVelocity + 2]}, w + kRotation).z;
}

// Steps back four ticks of travel on one axis and reverses it.
template <int Axis>
int32_t boing(uint32_t, int32_t e, int32_t, int32_t, int32_t, int32_t) {
  if (int32_t* w = element(e)) {
    int32_t& v = w[kVelocity + Axis];
    w[kPosition + Axis] = sub(w[kPosition + Axis], shl(v, 2));
    v = neg(v);
  }
  return 0;
}

// Visuals and X-models only: new scale words, extent from the unscaled copy.
int32_t scale_set(uint32_t, int32_t e, int32_t sx, int32_t sy, int32_t sz, int32_t) {
  int32_t* w = element(e);
  if (!w) return 0;
  const Object* o = object(w[core::kCurrentObject]);
  const uint32_t kind = o ? static_cast<uint32_t>(o->w[0]) : 0;
  if (kind != kTagVisual && kind != kTagXModel) return 0;
  w[core::kScaleX] = sx;
  w[core::kScaleY] = sy;
  w[core::kScaleZ] = sz;
  // Slots above the last element are copies of it and share its copy.
  const State& s = state();
  int index = core::element_index(static_cast<uint32_t>(e));
  if (s.element_count > 0 && index >= s.element_count) index = s.element_count - 1;
  const int32_t* keep = s.unscaled[index];
  const int32_t scale[3] = {sx, sy, sz};
  for (int k = 0; k < 6; ++k) w[core::kExtent + k] = wrap(int64_t(keep[k]) * scale[k % 3] / 1000);
  return 0;
}

}  // namespace

void bind_motion_words() {
  using brain::bind;
  bind("position_x", position_axis<0>);
  bind("position_y", position_axis<1>);
  bind("position_z", position_axis<2>);
  bind("position_x_set", set<kPosition>);
  bind("position_y_set", set<kPosition + 1>);
  bind("position_z_set", set<kPosition + 2>);
  bind("position_x_add", add_to<kPosition>);
  bind("position_y_add", add_to<kPosition + 1>);
  bind("position_z_add", add_to<kPosition + 2>);
  bind("position_copy", copy3<kPosition>);
  bind("position_set", position_set);

  bind("rotation_x", get_rotation<kRotation>);
  bind("rotation_y", get_rotation<kRotation + 1>);
  bind("rotation_z", get_rotation<kRotation + 2>);
  bind("rotation_x_set", set<kRotation>);
  bind("rotation_y_set", set<kRotation + 1>);
  bind("rotation_z_set", set<kRotation + 2>);
  bind("rotation_x_add", add_to<kRotation>);
  bind("rotation_y_add", add_to<kRotation + 1>);
  bind("rotation_z_add", add_to<kRotation + 2>);
  bind("rotation_copy", rotation_copy);

  bind("velocity_x", get<kVelocity>);
  bind("velocity_y", get<kVelocity + 1>);
  bind("velocity_z", get<kVelocity + 2>);
  bind("velocity_x_set", set<kVelocity>);
  bind("velocity_y_set", set<kVelocity + 1>);
  bind("velocity_z_set", set<kVelocity + 2>);
  bind("velocity_x_add", add_to<kVelocity>);
  bind("velocity_y_add", add_to<kVelocity + 1>);
  bind("velocity_z_add", add_to<kVelocity + 2>);
  bind("velocity_copy", copy3<kVelocity>);
  bind("velocity_update", integrate<kPosition, kVelocity>);
  bind("velocity", velocity);
  bind("velocity_xz", velocity_xz);
  bind("speed", speed);
  bind("speed_xz", speed_xz);
  bind("speed_lz", speed_lz);

  bind("spin_x", get<kSpin>);
  bind("spin_y", get<kSpin + 1>);
  bind("spin_z", get<kSpin + 2>);
  bind("spin_x_set", set<kSpin>);
  bind("spin_y_set", set<kSpin + 1>);
  bind("spin_z_set", set<kSpin + 2>);
  bind("spin_x_add", add_to<kSpin>);
  bind("spin_y_add", add_to<kSpin + 1>);
  bind("spin_z_add", add_to<kSpin + 2>);
  bind("spin_copy", copy3<kSpin>);
  bind("spin_update", integrate<kRotation, kSpin>);

  bind("boing_x", boing<0>);  // also rebound_x
  bind("boing_y", boing<1>);
  bind("boing_z", boing<2>);
  bind("rebound_x", boing<0>);
  bind("rebound_y", boing<1>);
  bind("rebound_z", boing<2>);

  bind("scale_x", get<core::kScaleX>);  // also flat_scale_x
  bind("scale_y", get<core::kScaleY>);
  bind("scale_z", get<core::kScaleZ>);
  bind("scale_set", scale_set);
}

}  // namespace engine::motion
