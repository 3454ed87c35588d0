// Relative motion: chasing, joining and parenting elements, and turning an
// element to face its travel or another element.
#include <algorithm>

#include "brain/bind.h"
#include "core/angles.h"
#include "core/element_state.h"
#include "engine/motion.h"
#include "engine/motion_detail.h"
#include "engine/objects.h"

namespace engine::motion {

namespace {


// Moves e toward a chase point behind or ahead of target: target's position
// raised by `height` plus (0, distance) turned by its heading. Each axis
// covers ((P - position) >> 9) x 4k, all of it at k = 128.
int32_t follow(int32_t e, int32_t target, int32_t height, int32_t distance, int32_t k) {
  int32_t* w = core::element_words(e);
  const int32_t* t = core::element_words(target);
  if (!w || !t) return 0;
  const Vec3i offset = turn_y({0, 0, distance}, t[kRotation + 1]);
  const int32_t p[3] = {add32(t[kPosition], offset.x), add32(t[kPosition + 1], height),
                        add32(t[kPosition + 2], offset.z)};
  for (int i = 0; i < 3; ++i) {
    const int64_t step = int64_t(sub32(p[i], w[kPosition + i]) >> 9) * k * 4;
    w[kPosition + i] = add32(w[kPosition + i], wrap32(step));
  }
  return 0;
}

// b takes a's position, rotation, velocity and spin; a joined element that
// is not a camera passes on its parent rotation too.
int32_t join(int32_t a, int32_t b) {
  const int32_t* from = core::element_words(a);
  int32_t* to = core::element_words(b);
  if (!from || !to) return 0;
  for (int i = kPosition; i <= kSpin + 2; ++i) to[i] = from[i];
  if ((from[core::kFlags] & core::kFlagJoined) && current_tag(*core::element_at(a)) != kTagCamera) {
    for (int i = 0; i < 3; ++i) to[core::kParentRotation + i] = from[core::kParentRotation + i];
    to[core::kFlags] |= core::kFlagJoined;
  }
  return 0;
}

int32_t join_pos(int32_t a, int32_t b) {
  const int32_t* from = core::element_words(a);
  int32_t* to = core::element_words(b);
  if (!from || !to) return 0;
  for (int i = 0; i < 3; ++i) {
    to[kPosition + i] = from[kPosition + i];
    to[kVelocity + i] = from[kVelocity + i];
  }
  return 0;
}

// e at the parent's position plus an offset turned by the parent's rotation
// in the order z, x, y.
int32_t child_pos(int32_t e, int32_t parent, int32_t dx, int32_t dy, int32_t dz) {
  int32_t* w = core::element_words(e);
  const int32_t* p = core::element_words(parent);
  if (!w || !p) return 0;
  const int32_t* r = p + kRotation;
  const Vec3i d = turn_y(turn_x(turn_z({dx, dy, dz}, r[2]), r[0]), r[1]);
  const Vec3i at{add32(p[kPosition], d.x), add32(p[kPosition + 1], d.y), add32(p[kPosition + 2], d.z)};
  w[kPosition] = at.x;
  w[kPosition + 1] = at.y;
  w[kPosition + 2] = at.z;
  return 0;
}

// e takes the parent's rotation and, for this tick, a rotation of its own
// on top (parent_rotation with the joined flag, cleared by the next tick).
int32_t child_rot(int32_t e, int32_t parent, int32_t rx, int32_t ry, int32_t rz) {
  int32_t* w = core::element_words(e);
  const int32_t* p = core::element_words(parent);
  if (!w || !p) return 0;
  const int32_t r[3] = {p[kRotation], p[kRotation + 1], p[kRotation + 2]};
  for (int i = 0; i < 3; ++i) w[kRotation + i] = r[i];
  w[core::kParentRotation] = rx;
  w[core::kParentRotation + 1] = ry;
  w[core::kParentRotation + 2] = rz;
  w[core::kFlags] |= core::kFlagJoined;
  return 0;
}

// Rotation x and y that face position + velocity, plus (ax, ay).
void travel_facing(const int32_t* w, int32_t ax, int32_t ay, int32_t& rx, int32_t& ry) {
  const int32_t vx = w[kVelocity], vy = w[kVelocity + 1], vz = w[kVelocity + 2];
  rx = add32(pitch_angle(vx, vy, vz), ax);
  ry = add32(direction_angle(vx, vz), ay);
}

int32_t orient_straight(int32_t e, int32_t ax, int32_t ay) {
  if (int32_t* w = core::element_words(e)) travel_facing(w, ax, ay, w[kRotation], w[kRotation + 1]);
  return 0;
}

// As orient_straight; with k not 0 the element turns toward the facing by
// spin (strength k) instead of snapping, and its spin x and y are damped
// by f / 512.
int32_t orient_forward(int32_t e, int32_t ax, int32_t ay, int32_t k, int32_t f) {
  int32_t* w = core::element_words(e);
  if (!w) return 0;
  int32_t rx, ry;
  travel_facing(w, ax, ay, rx, ry);
  if (k == 0) {
    w[kRotation] = rx;
    w[kRotation + 1] = ry;
    return 0;
  }
  attract_spin(w, 0, rx, k);
  attract_spin(w, 1, ry, k);
  w[kSpin] = damp(w[kSpin], f);
  w[kSpin + 1] = damp(w[kSpin + 1], f);
  return 0;
}

// How far e must turn its heading to face target, within -max..max; 0 when
// either is off.
int32_t steer_angle_to(int32_t e, int32_t target, int32_t max) {
  const int32_t* w = core::element_words(e);
  const int32_t* t = core::element_words(target);
  if (!w || !t || !(w[core::kFlags] & core::kFlagOn) || !(t[core::kFlags] & core::kFlagOn)) return 0;
  const int32_t heading =
      w == t ? 0 : direction_angle(sub32(t[kPosition], w[kPosition]), sub32(t[kPosition + 2], w[kPosition + 2]));
  const int64_t d = angle_difference(w[kRotation + 1], heading);
  // A negative max gives the band -max..max the other way round: clamp to
  // |max| so the answer stays an angle within reach.
  const int64_t m = abs64(max);
  return static_cast<int32_t>(std::clamp<int64_t>(d, -m, m));
}

}  // namespace

void bind_motion_follow() {
  using brain::bind;
  bind<follow>("follow");
  bind<join>("join");
  bind<join_pos>("join_pos");
  bind<child_pos>("child_pos");
  bind<child_rot>("child_rot");
  bind<orient_straight>("orient_straight");
  bind<orient_forward>("orient_forward");
  bind<steer_angle_to>("steer_angle_to");
}

}  // namespace engine::motion
