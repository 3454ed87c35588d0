// Facing: the rows that turn an element toward another. The heading is the
// horizontal direction of direction_xz (the rotation y that makes thrust
// point at the target); the elevation is the rotation x that then points
// the element's z axis at the target: the arctangent of the height
// difference over the horizontal distance, negative for a target above.
#include <algorithm>

#include "brain/bind.h"
#include "core/angles.h"
#include "core/element_state.h"
#include "core/int32.h"
#include "engine/motion.h"
#include "engine/tracks.h"

namespace engine {

namespace {

using core::kPosition;
using core::kRotation;

// Heading and elevation from a to target; false when either names no
// element or both are the same.
bool aim(const int32_t* a, const int32_t* t, int32_t& heading, int32_t& elevation) {
  if (!a || !t || a == t) return false;
  const int32_t dx = core::sub32(t[kPosition], a[kPosition]);
  const int32_t dy = core::sub32(t[kPosition + 1], a[kPosition + 1]);
  const int32_t dz = core::sub32(t[kPosition + 2], a[kPosition + 2]);
  heading = direction_angle(dx, dz);
  elevation = pitch_angle(dx, dy, dz);
  return true;
}

// The angle word moved toward `to` by (difference >> shift), normalised first.
void ease(int32_t& angle, int32_t to, int32_t shift) {
  angle = core::normalise_angle(angle);
  angle = core::add32(angle, angle_difference(angle, to) >> std::clamp(shift, 0, 31));
}

int32_t track(int32_t a, int32_t target) {
  int32_t* w = core::element_words(a);
  int32_t heading = 0, elevation = 0;
  if (aim(w, core::element_words(target), heading, elevation)) {
    w[kRotation] = elevation;
    w[kRotation + 1] = heading;
  }
  return 0;
}

int32_t track_yr(int32_t a, int32_t target) {
  int32_t* w = core::element_words(a);
  int32_t heading = 0, elevation = 0;
  if (aim(w, core::element_words(target), heading, elevation)) w[kRotation + 1] = heading;
  return 0;
}

int32_t track_smooth(int32_t a, int32_t shift, int32_t target) {
  int32_t* w = core::element_words(a);
  int32_t heading = 0, elevation = 0;
  if (aim(w, core::element_words(target), heading, elevation)) {
    ease(w[kRotation], elevation, shift);
    ease(w[kRotation + 1], heading, shift);
  }
  return 0;
}

int32_t track_yr_smooth(int32_t a, int32_t shift, int32_t target) {
  int32_t* w = core::element_words(a);
  int32_t heading = 0, elevation = 0;
  if (aim(w, core::element_words(target), heading, elevation)) ease(w[kRotation + 1], heading, shift);
  return 0;
}

}  // namespace

void bind_facing_builtins() {
  brain::bind<track>("track");
  brain::bind<track_yr>("track_yr");
  brain::bind<track_smooth>("track_smooth");
  brain::bind<track_yr_smooth>("track_yr_smooth");
}

}  // namespace engine
