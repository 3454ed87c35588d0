// Integer geometry of the motion built-ins: table rotations, rounded roots
// and the angles between directions.
#include <algorithm>
#include <limits>

#include "core/angles.h"
#include "core/element_state.h"
#include "engine/motion.h"
#include "engine/motion_detail.h"

namespace engine {

using core::neg32;
using core::wrap32;

namespace {

// (a cos - b sin, a sin + b cos) with 64-bit products, >> 15.
void turn_pair(int32_t& a, int32_t& b, int32_t angle) {
  const core::CoarseSine t = core::coarse_sine(angle);
  if (t.k == 0) return;
  const int64_t na = int64_t(a) * t.cos - int64_t(b) * t.sin;
  const int64_t nb = int64_t(a) * t.sin + int64_t(b) * t.cos;
  a = wrap32(na >> 15);
  b = wrap32(nb >> 15);
}

}  // namespace

Vec3i turn_x(Vec3i v, int32_t angle) {
  turn_pair(v.y, v.z, angle);
  return v;
}

Vec3i turn_z(Vec3i v, int32_t angle) {
  turn_pair(v.x, v.y, angle);
  return v;
}

Vec3i turn_y(Vec3i v, int32_t angle) {
  turn_pair(v.x, v.z, angle);
  return v;
}

Vec3i to_world(Vec3i v, const int32_t* r) { return turn_y(turn_z(turn_x(v, r[0]), r[2]), r[1]); }

Vec3i to_local(Vec3i v, const int32_t* r) { return turn_x(turn_z(turn_y(v, neg32(r[1])), neg32(r[2])), neg32(r[0])); }

uint32_t rounded_sqrt(uint64_t n) {
  // Bit-by-bit integer root, then round: n > r^2 + r means n is nearer (r+1)^2.
  uint64_t r = 0, rem = n, bit = uint64_t(1) << 62;
  while (bit > n) bit >>= 2;
  while (bit != 0) {
    if (rem >= r + bit) {
      rem -= r + bit;
      r = (r >> 1) + bit;
    } else {
      r >>= 1;
    }
    bit >>= 2;
  }
  if (rem > r) ++r;  // rem = n - r^2
  return static_cast<uint32_t>(r);
}

int32_t length_milli(int32_t x, int32_t y, int32_t z) {
  const int64_t a = x >> 9, b = y >> 9, c = z >> 9;  // each within 2^22
  return static_cast<int32_t>(rounded_sqrt(static_cast<uint64_t>(a * a + b * b + c * c)));
}

int32_t angle_difference(int32_t from, int32_t to) {
  int32_t d = core::normalise_angle(to) - core::normalise_angle(from);
  if (d > core::kFullTurn / 2) d -= core::kFullTurn;
  if (d < -core::kFullTurn / 2) d += core::kFullTurn;
  return d;
}

int32_t direction_angle(int32_t dx, int32_t dz) {
  const int32_t a = dx >> 9;
  int32_t k = 720;
  if (a != 0) {
    const int64_t r = motion::abs64(2 * int64_t(dz) / a);
    if (r < 512000) k = core::atan_index(static_cast<int32_t>(r));
  }
  if (a < 0 && dz < 0)
    k += 1440;
  else if (dz < 0)
    k = 2880 - k;
  else if (a < 0)
    k = 1440 - k;
  return (k - 720) * 64;
}

int32_t pitch_angle(int32_t dx, int32_t dy, int32_t dz) {
  const int64_t up = dy >> 9;
  if (up == 0) return 0;
  const int32_t h = length_milli(dx, 0, dz);
  int32_t k = 720;
  if (h != 0) {
    const int64_t r = motion::abs64(up) * 1024 / h;
    if (r < 512000) k = core::atan_index(static_cast<int32_t>(r));
  }
  // Positive rotation x turns the local z axis downward.
  return up > 0 ? -k * 64 : k * 64;
}

}  // namespace engine
