// Forces: changes of velocity (gravity, thrust, attraction, lift, the
// wheeled-vehicle steer) and of spin (angle attraction).
#include <algorithm>
#include <cstdint>

#include "brain/bind.h"
#include "core/angles.h"
#include "core/element_state.h"
#include "engine/motion.h"
#include "engine/motion_detail.h"

namespace engine::motion {

namespace {


Vec3i velocity_of(const int32_t* w) { return {w[kVelocity], w[kVelocity + 1], w[kVelocity + 2]}; }

void set_velocity(int32_t* w, Vec3i v) {
  w[kVelocity] = v.x;
  w[kVelocity + 1] = v.y;
  w[kVelocity + 2] = v.z;
}

int32_t gravity(int32_t e, int32_t gx, int32_t gy, int32_t gz) {
  if (int32_t* w = core::element_words(e)) {
    w[kVelocity] = add32(w[kVelocity], gx);
    w[kVelocity + 1] = add32(w[kVelocity + 1], gy);
    w[kVelocity + 2] = add32(w[kVelocity + 2], gz);
  }
  return 0;
}

// The local forward vector (0, 0, a) in world axes.
Vec3i forward(const int32_t* w, int32_t a) { return to_world({0, 0, a}, w + kRotation); }

int32_t thrust(int32_t e, int32_t a) {
  if (int32_t* w = core::element_words(e)) {
    const Vec3i f = forward(w, a);
    set_velocity(w, {add32(w[kVelocity], f.x), add32(w[kVelocity + 1], f.y), add32(w[kVelocity + 2], f.z)});
  }
  return 0;
}

int32_t velocity_set(int32_t e, int32_t a) {
  if (int32_t* w = core::element_words(e)) set_velocity(w, forward(w, a));
  return 0;
}

// The horizontal built-ins use the whole-degree byte table (128 = 1.0):
// (a sin(rotation y), a cos(rotation y)) >> 7.
void horizontal(const int32_t* w, int32_t a, int32_t& x, int32_t& z) {
  const core::FineSine t = core::fine_sine(w[kRotation + 1]);
  x = wrap32((int64_t(a) * t.sin) >> 7);
  z = wrap32((int64_t(a) * t.cos) >> 7);
}

int32_t thrust_xz(int32_t e, int32_t a) {
  if (int32_t* w = core::element_words(e)) {
    int32_t x, z;
    horizontal(w, a, x, z);
    w[kVelocity] = add32(w[kVelocity], x);
    w[kVelocity + 2] = add32(w[kVelocity + 2], z);
  }
  return 0;
}

int32_t velocity_set_xz(int32_t e, int32_t a) {
  if (int32_t* w = core::element_words(e)) horizontal(w, a, w[kVelocity], w[kVelocity + 2]);
  return 0;
}

// velocity += k d / m on the chosen axes, m the largest |d| among them (the
// Chebyshev distance): a pull of k along the dominant axis at any range.
void pull(int32_t* w, const int32_t target[3], int32_t k, bool x, bool y, bool z) {
  const bool use[3] = {x, y, z};
  int64_t d[3] = {0, 0, 0}, m = 0;
  for (int i = 0; i < 3; ++i)
    if (use[i]) {
      d[i] = sub32(target[i], w[kPosition + i]);
      m = std::max(m, abs64(d[i]));
    }
  if (m == 0) return;
  for (int i = 0; i < 3; ++i)
    if (use[i]) w[kVelocity + i] = add32(w[kVelocity + i], wrap32(int64_t(k) * d[i] / m));
}

template <bool X, bool Y, bool Z>
int32_t attract(int32_t e, int32_t target, int32_t k) {
  int32_t* w = core::element_words(e);
  const int32_t* t = core::element_words(target);
  if (w && t) pull(w, t + kPosition, k, X, Y, Z);
  return 0;
}

int32_t attract_point(int32_t e, int32_t x, int32_t y, int32_t z, int32_t k) {
  const int32_t p[3] = {x, y, z};
  if (int32_t* w = core::element_words(e)) pull(w, p, k, true, true, true);
  return 0;
}

template <int Axis>
int32_t attract_r(int32_t e, int32_t angle, int32_t k) {
  if (int32_t* w = core::element_words(e)) attract_spin(w, Axis, angle, k);
  return 0;
}

// Aerodynamic lift: M = -((a >> 6) S k) >> 9 from the angle of attack a
// (reflected past the stall angle, none beyond twice it) and the local
// horizontal speed S. The lift (0, M, 0) is turned about x by minus the
// true angle of attack and then to the local heading: the direction of
// travel is the local z axis turned by -attack, so this keeps the lift
// perpendicular to it (turning by +a, or by the reflected a, would tilt it
// by up to twice the angle and add a push along the travel).
int32_t lift(int32_t e, int32_t k, int32_t stall) {
  int32_t* w = core::element_words(e);
  if (!w) return 0;
  Vec3i l = to_local(velocity_of(w), w + kRotation);
  const int32_t s = length_milli(l.x, 0, l.z);
  if (s == 0) return 0;

  int64_t attack = 0;  // angle units, signed like l.y
  if (l.y != 0) {
    const int64_t r = abs64(l.y >> 9) * 1024 / s;
    attack = int64_t(core::atan_index(static_cast<int32_t>(std::min<int64_t>(r, INT32_MAX)))) * 64;
    if (l.y < 0) attack = -attack;
  }
  int64_t a = attack;
  const int64_t two_stall = 2 * int64_t(stall);
  if (abs64(a) >= two_stall) return 0;  // stalled: no lift
  if (abs64(a) > stall) a = (a < 0 ? -1 : 1) * (two_stall - abs64(a));

  // |a >> 6| <= 719, s < 2^23 and |k| <= 2^31: the product can pass 63 bits.
  const __int128 p = static_cast<__int128>(a >> 6) * s * k;
  const int32_t m = wrap32(-static_cast<int64_t>(p >> 9));

  const int32_t heading = direction_angle(l.x, l.z);
  const Vec3i up = turn_y(turn_x({0, m, 0}, wrap32(-attack)), heading);
  l = {add32(l.x, up.x), add32(l.y, up.y), add32(l.z, up.z)};
  set_velocity(w, to_world(l, w + kRotation));
  return m;
}

// A wheeled vehicle on the horizontal plane: keeps the part of the velocity
// along the wheels, turns the heading by the steering at that speed, and
// lets `skid` / 512 of the sideways part through. Result: the signed speed
// along the wheels.
int32_t steer(int32_t e, int32_t angle, int32_t skid) {
  int32_t* w = core::element_words(e);
  if (!w) return 0;
  int32_t& ry = w[kRotation + 1];
  const int32_t vx = w[kVelocity], vz = w[kVelocity + 2];

  const int32_t deflection = wrap32((int64_t(angle) * 85) >> 8);
  const int32_t wheel = core::normalise_angle(add32(add32(ry, 46080), deflection));
  // Split into the parts along and across the wheels in the wheel frame.
  // A wheel angle of 0 is split too (the turns are then the identity): the
  // rolling axis is x and z is sideways; keeping the whole velocity there
  // would drop all grip at exactly that heading.
  const Vec3i local = turn_y({vx, 0, vz}, core::kFullTurn - wheel);
  const Vec3i rolling = turn_y({local.x, 0, 0}, wheel);
  const Vec3i sideways = turn_y({0, 0, local.z}, wheel);
  w[kVelocity] = rolling.x;
  w[kVelocity + 2] = rolling.z;

  int32_t s = length_milli(rolling.x, 0, rolling.z);
  const int32_t turn = wrap32((int64_t(deflection) * s) >> 10);
  const Vec3i heading = turn_y({vx, 0, vz}, neg32(ry));
  if (heading.z < 0) {
    ry = core::normalise_angle(sub32(ry, turn));
    s = -s;
  } else {
    ry = core::normalise_angle(add32(ry, turn));
  }

  w[kVelocity] = add32(w[kVelocity], wrap32((int64_t(sideways.x) * skid) >> 9));
  w[kVelocity + 2] = add32(w[kVelocity + 2], wrap32((int64_t(sideways.z) * skid) >> 9));
  return shl32(s, 9);
}

}  // namespace

void attract_spin(int32_t* w, int axis, int32_t angle, int32_t k) {
  int32_t d = core::normalise_angle(w[kRotation + axis]) - core::normalise_angle(angle);
  if (d > core::kFullTurn / 2 || d < -core::kFullTurn / 2) d = -d;  // the shorter way round
  int32_t& spin = w[kSpin + axis];
  spin = d < 0 ? add32(spin, k) : sub32(spin, k);
}

void bind_motion_forces() {
  using brain::bind;
  bind<gravity>("gravity");
  bind<thrust>("thrust");
  bind<velocity_set>("speed_set");  // also velocity_set
  bind<velocity_set>("velocity_set");
  bind<thrust_xz>("thrust_xz");
  bind<velocity_set_xz>("speed_xz_set");  // also velocity_set_xz
  bind<velocity_set_xz>("velocity_set_xz");
  bind<attract<true, true, true>>("attract");
  bind<attract<true, false, true>>("attract_xz");
  bind<attract<false, true, false>>("attract_y");
  bind<attract_point>("attract_point");
  bind<attract_r<0>>("attract_xr");
  bind<attract_r<1>>("attract_yr");
  bind<attract_r<2>>("attract_zr");
  bind<lift>("lift");
  bind<steer>("steer");
}

}  // namespace engine::motion
