// Helpers shared by the motion built-ins: element access through a handle
// and 32-bit arithmetic that wraps the way the brains' integers do.
#pragma once

#include <cstdint>

#include "core/element_state.h"

namespace engine::motion {

// The words of the element a handle names, or null when the handle is not
// the address of one of the ElementState records (bit 31 set, misaligned,
// outside the array). Run-time X frames (bit 31) are not elements.
inline int32_t* element(int32_t handle) {
  const int i = core::element_index(static_cast<uint32_t>(handle));
  return i < 0 ? nullptr : core::element_state(i)->w;
}

inline int32_t wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }
inline int32_t add(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t sub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t neg(int32_t a) { return static_cast<int32_t>(0u - static_cast<uint32_t>(a)); }
inline int32_t shl(int32_t a, int n) { return static_cast<int32_t>(static_cast<uint32_t>(a) << n); }
inline int64_t abs64(int64_t v) { return v < 0 ? -v : v; }

// k x v / 512 rounded toward zero: friction on velocity and spin.
inline int32_t damp(int32_t v, int32_t k) { return wrap(int64_t(k) * v / 512); }

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
