// Waves and ramps: oscillate and interpolate.
#include "brain/bind.h"
#include "core/angles.h"
#include "engine/motion_detail.h"
#include "engine/state.h"

namespace engine::motion {

namespace {

// (a x cos_512(rate x tick_count + phase)) >> 9; the angle wraps at 32 bits.
int32_t oscillate(int32_t a, int32_t rate, int32_t phase) {
  const uint32_t angle = static_cast<uint32_t>(rate) * state().loop.tick_count + static_cast<uint32_t>(phase);
  return wrap32((int64_t(a) * core::cos_512(static_cast<int32_t>(angle))) >> 9);
}

// y1 + (x - x1)(y2 - y1) / (x2 - x1), unclamped; 0 when x1 = x2. The
// differences wrap at 32 bits, the product and quotient are 64-bit (a
// quotient beyond 32 bits wraps rather than faulting).
int32_t interpolate(int32_t x, int32_t x1, int32_t x2, int32_t y1, int32_t y2) {
  const int32_t span = sub32(x2, x1);
  if (span == 0) return 0;
  return add32(y1, wrap32(int64_t(sub32(x, x1)) * sub32(y2, y1) / span));
}

}  // namespace

void bind_motion_waves() {
  brain::bind<oscillate>("oscillate");
  brain::bind<interpolate>("interpolate");
}

}  // namespace engine::motion
