// The plain word built-ins of motion: reading, setting, adding to and
// copying position, rotation, velocity and spin; integration; speeds;
// rebounds; scale.
#include <algorithm>
#include <cmath>

#include "brain/bind.h"
#include "brain/builtins/words.h"
#include "core/angles.h"
#include "core/element_state.h"
#include "engine/motion.h"
#include "engine/motion_detail.h"
#include "engine/objects.h"
#include "engine/state.h"
#include "engine/xobjects.h"
#include "platform/scene.h"

namespace engine::motion {

namespace {

using brain::words::get;
using brain::words::set;

int32_t get_angle(int32_t e, int word) {
  const int32_t* w = core::element_words(e);
  return w ? core::normalise_angle(w[word]) : 0;
}

template <int W>
int32_t get_rotation(int32_t e) {
  return get_angle(e, W);
}

// b's three words at W = a's.
template <int W>
int32_t copy3(int32_t a, int32_t b) {
  const int32_t* from = core::element_words(a);
  int32_t* to = core::element_words(b);
  if (!from || !to) return 0;
  for (int i = 0; i < 3; ++i) to[W + i] = from[W + i];
  return 0;
}

int32_t rotation_copy(int32_t a, int32_t b) {
  const int32_t* from = core::element_words(a);
  int32_t* to = core::element_words(b);
  if (!from || !to) return 0;
  const bool joined = (from[core::kFlags] & core::kFlagJoined) != 0;
  int32_t r[3];
  for (int i = 0; i < 3; ++i)
    r[i] = joined ? add32(from[kRotation + i], from[core::kParentRotation + i]) : from[kRotation + i];
  for (int i = 0; i < 3; ++i) to[kRotation + i] = r[i];
  return 0;
}

// A position in position units from world units, saturated.
int32_t position_units(float v) {
  const double p = static_cast<double>(v) * 512000.0;
  return std::isfinite(p) ? static_cast<int32_t>(std::clamp(p, -2147483648.0, 2147483647.0)) : 0;
}

// Run-time X frames (bit 31) are placed relative to their parent frame.
int32_t position_set(int32_t e, int32_t x, int32_t y, int32_t z) {
  if (int32_t* w = core::element_words(e)) {
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
int32_t position_axis(int32_t e) {
  if (const int32_t* w = core::element_words(e)) return w[kPosition + Axis];
  const int f = xobject_frame(e);
  if (f < 0) return 0;
  const core::Vec3 p = platform::frame_position(f);
  return position_units(Axis == 0 ? p.x : Axis == 1 ? p.y : p.z);
}

// `from` += `by` on three words: the two integrations.
template <int To, int By>
int32_t integrate(int32_t e) {
  if (int32_t* w = core::element_words(e))
    for (int i = 0; i < 3; ++i) w[To + i] = add32(w[To + i], w[By + i]);
  return 0;
}

int32_t velocity(int32_t e) {
  const int32_t* w = core::element_words(e);
  return w ? length_milli(w[kVelocity], w[kVelocity + 1], w[kVelocity + 2]) : 0;
}

int32_t velocity_xz(int32_t e) {
  const int32_t* w = core::element_words(e);
  return w ? length_milli(w[kVelocity], 0, w[kVelocity + 2]) : 0;
}

int32_t speed(int32_t e) { return shl32(velocity(e), 9); }

int32_t speed_xz(int32_t e) { return shl32(velocity_xz(e), 9); }

// Forward speed: the velocity in the element's frame, its z.
int32_t speed_lz(int32_t e) {
  const int32_t* w = core::element_words(e);
  if (!w) return 0;
  return to_local({w[kVelocity], w[kVelocity + 1], w[kVelocity + 2]}, w + kRotation).z;
}

// Steps back four ticks of travel on one axis and reverses it.
template <int Axis>
int32_t boing(int32_t e) {
  if (int32_t* w = core::element_words(e)) {
    int32_t& v = w[kVelocity + Axis];
    w[kPosition + Axis] = sub32(w[kPosition + Axis], shl32(v, 2));
    v = neg32(v);
  }
  return 0;
}

// Visuals and X-models only: new scale words, extent from the unscaled copy.
int32_t scale_set(int32_t e, int32_t sx, int32_t sy, int32_t sz) {
  int32_t* w = core::element_words(e);
  if (!w) return 0;
  const uint32_t kind = current_tag(*core::element_at(e));
  if (kind != kTagVisual && kind != kTagXModel) return 0;
  w[core::kScaleX] = sx;
  w[core::kScaleY] = sy;
  w[core::kScaleZ] = sz;
  // Slots above the last element are copies of it and share its copy.
  const State& s = state();
  int index = core::element_index(e);
  if (s.scene.element_count > 0 && index >= s.scene.element_count) index = s.scene.element_count - 1;
  const int32_t* keep = s.scene.unscaled[index];
  const int32_t scale[3] = {sx, sy, sz};
  for (int k = 0; k < 6; ++k) w[core::kExtent + k] = wrap32(int64_t(keep[k]) * scale[k % 3] / 1000);
  return 0;
}

}  // namespace

// The word rows bound in line read, set or add one word of a real element
// exactly as table.h describes, so compiled brains may do that themselves on
// the running element.
void bind_motion_words() {
  using brain::bind;
  using brain::bind_inline;
  bind_inline<position_axis<0>>("position_x");
  bind_inline<position_axis<1>>("position_y");
  bind_inline<position_axis<2>>("position_z");
  bind_inline<set<kPosition>>("position_x_set");
  bind_inline<set<kPosition + 1>>("position_y_set");
  bind_inline<set<kPosition + 2>>("position_z_set");
  bind_inline<brain::words::add<kPosition>>("position_x_add");
  bind_inline<brain::words::add<kPosition + 1>>("position_y_add");
  bind_inline<brain::words::add<kPosition + 2>>("position_z_add");
  bind<copy3<kPosition>>("position_copy");
  bind<position_set>("position_set");

  bind<get_rotation<kRotation>>("rotation_x");
  bind<get_rotation<kRotation + 1>>("rotation_y");
  bind<get_rotation<kRotation + 2>>("rotation_z");
  bind_inline<set<kRotation>>("rotation_x_set");
  bind_inline<set<kRotation + 1>>("rotation_y_set");
  bind_inline<set<kRotation + 2>>("rotation_z_set");
  bind_inline<brain::words::add<kRotation>>("rotation_x_add");
  bind_inline<brain::words::add<kRotation + 1>>("rotation_y_add");
  bind_inline<brain::words::add<kRotation + 2>>("rotation_z_add");
  bind<rotation_copy>("rotation_copy");

  bind_inline<get<kVelocity>>("velocity_x");
  bind_inline<get<kVelocity + 1>>("velocity_y");
  bind_inline<get<kVelocity + 2>>("velocity_z");
  bind_inline<set<kVelocity>>("velocity_x_set");
  bind_inline<set<kVelocity + 1>>("velocity_y_set");
  bind_inline<set<kVelocity + 2>>("velocity_z_set");
  bind_inline<brain::words::add<kVelocity>>("velocity_x_add");
  bind_inline<brain::words::add<kVelocity + 1>>("velocity_y_add");
  bind_inline<brain::words::add<kVelocity + 2>>("velocity_z_add");
  bind<copy3<kVelocity>>("velocity_copy");
  bind<integrate<kPosition, kVelocity>>("velocity_update");
  bind<velocity>("velocity");
  bind<velocity_xz>("velocity_xz");
  bind<speed>("speed");
  bind<speed_xz>("speed_xz");
  bind<speed_lz>("speed_lz");

  bind_inline<get<kSpin>>("spin_x");
  bind_inline<get<kSpin + 1>>("spin_y");
  bind_inline<get<kSpin + 2>>("spin_z");
  bind_inline<set<kSpin>>("spin_x_set");
  bind_inline<set<kSpin + 1>>("spin_y_set");
  bind_inline<set<kSpin + 2>>("spin_z_set");
  bind_inline<brain::words::add<kSpin>>("spin_x_add");
  bind_inline<brain::words::add<kSpin + 1>>("spin_y_add");
  bind_inline<brain::words::add<kSpin + 2>>("spin_z_add");
  bind<copy3<kSpin>>("spin_copy");
  bind<integrate<kRotation, kSpin>>("spin_update");

  bind<boing<0>>("boing_x");  // also rebound_x
  bind<boing<1>>("boing_y");
  bind<boing<2>>("boing_z");
  bind<boing<0>>("rebound_x");
  bind<boing<1>>("rebound_y");
  bind<boing<2>>("rebound_z");

  bind<get<core::kScaleX>>("scale_x");  // also flat_scale_x
  bind<get<core::kScaleY>>("scale_y");
  bind<get<core::kScaleZ>>("scale_z");
  bind<scale_set>("scale_set");
}

}  // namespace engine::motion
