// Helpers shared by the motion built-ins: 32-bit arithmetic that wraps the
// way the brains' integers do, damping, and the per-file binders.
#pragma once

#include <cstdint>

#include "core/element_state.h"
#include "core/int32.h"

namespace engine::motion {

using core::kPosition;
using core::kRotation;
using core::kSpin;
using core::kVelocity;

using core::add32;
using core::neg32;
using core::shl32;
using core::sub32;
using core::wrap32;
inline int64_t abs64(int64_t v) { return v < 0 ? -v : v; }

// k x v / 512 rounded toward zero: friction on velocity and spin.
inline int32_t damp(int32_t v, int32_t k) { return wrap32(int64_t(k) * v / 512); }

// Per-file binders, called by bind_motion_builtins.
void bind_motion_words();
void bind_motion_forces();
void bind_motion_damping();
void bind_motion_follow();
void bind_motion_rotation();
void bind_motion_waves();

// Spin-based turning toward an angle (attract_xr and friends); `axis` 0..2.
void attract_spin(int32_t* w, int axis, int32_t angle, int32_t k);

}  // namespace engine::motion
