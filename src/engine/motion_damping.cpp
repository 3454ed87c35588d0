// Damping: linear friction on velocity and spin, quadratic drag with a
// floor, and the horizontal speed limit.
#include "brain/bind.h"
#include "core/element_state.h"
#include "engine/motion.h"
#include "engine/motion_detail.h"

namespace engine::motion {

namespace {

using core::kSpin;
using core::kVelocity;

// k / 512 on each chosen word; rounds toward zero, so -1 at 256 gives 0.
template <int Base, bool X, bool Y, bool Z>
int32_t friction(int32_t e, int32_t k) {
  if (int32_t* w = core::element_words(e)) {
    if (X) w[Base] = damp(w[Base], k);
    if (Y) w[Base + 1] = damp(w[Base + 1], k);
    if (Z) w[Base + 2] = damp(w[Base + 2], k);
  }
  return 0;
}

// Quadratic drag on the chosen velocity axes, in order: c = v >> 12 and
// d = c^2 k / 8192 + 10 slows v by d (a slower v changes sign, so a still
// element alternates between 0 and -10). A c^2 beyond 32 bits halves the
// chosen axes instead and ends the call. d is 64-bit and the new v wraps.
template <bool X, bool Y, bool Z>
int32_t drag(int32_t e, int32_t k) {
  int32_t* w = core::element_words(e);
  if (!w) return 0;
  const bool use[3] = {X, Y, Z};
  for (int i = 0; i < 3; ++i) {
    if (!use[i]) continue;
    int32_t& v = w[kVelocity + i];
    const int64_t c = v >> 12;
    if (c * c > 0x7FFFFFFF) {
      for (int j = 0; j < 3; ++j)
        if (use[j]) w[kVelocity + j] >>= 1;
      return 0;
    }
    const int64_t d = c * c * k / 8192 + 10;
    v = wrap32(v >= 0 ? v - d : v + d);
  }
  return 0;
}

// Scales the horizontal velocity down to `max` (position units per tick)
// when |vx| + |vz| exceeds it and the true horizontal speed does too.
int32_t speed_xz_limit(int32_t e, int32_t max) {
  int32_t* w = core::element_words(e);
  if (!w || max < 512) return 0;
  int32_t& vx = w[kVelocity];
  int32_t& vz = w[kVelocity + 2];
  if (abs64(vx) + abs64(vz) <= max) return 0;
  const int32_t s = length_milli(vx, 0, vz);
  const int32_t limit = max >> 9;
  if (s <= limit) return 0;
  vx = wrap32(int64_t(limit) * vx / s);
  vz = wrap32(int64_t(limit) * vz / s);
  return 0;
}

}  // namespace

void bind_motion_damping() {
  using brain::bind;
  bind<friction<kVelocity, true, true, true>>("friction");
  bind<friction<kVelocity, true, false, true>>("friction_xz");
  bind<friction<kVelocity, false, true, false>>("friction_y");
  bind<friction<kSpin, true, false, false>>("friction_xr");
  bind<friction<kSpin, false, true, false>>("friction_yr");
  bind<friction<kSpin, false, false, true>>("friction_zr");
  bind<drag<true, true, true>>("drag");
  bind<drag<true, false, true>>("drag_xz");
  bind<drag<false, true, false>>("drag_y");
  bind<speed_xz_limit>("speed_xz_limit");
}

}  // namespace engine::motion
