// The ground and volume built-ins: heights over the current ground, placing
// elements on it, its slope and colour, bounces against it, and the volume
// element that keeps elements inside its box. The rules are in
// docs/builtins-collisions.md.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "brain/bind.h"
#include "core/element_state.h"
#include "core/int32.h"
#include "engine/collisions.h"
#include "engine/motion.h"
#include "engine/objects.h"
#include "engine/state.h"

namespace engine {

namespace {

using core::kPosition;
using core::kVelocity;

int32_t clamp32(double v) {
  if (!std::isfinite(v)) return v > 0 ? INT32_MAX : v < 0 ? INT32_MIN : 0;
  return static_cast<int32_t>(std::clamp(std::nearbyint(v), -2147483648.0, 2147483647.0));
}
int32_t clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The element's radius in position units (a negative word counts as 0).
int64_t feet(const int32_t* w) { return int64_t(std::max(w[core::kRadius], 0)) * 512; }

// The ground height under an element.
int32_t ground_under(const int32_t* w) {
  return ground_height(w[kPosition], feet(w), w[kPosition + 1], w[kPosition + 2]);
}

// The unit normal of the last ground triangle, pointing up; false when
// there is none or it has no area.
bool last_normal(double n[3]) {
  int32_t t[9];
  if (!last_ground_triangle(t)) return false;
  const double a[3] = {double(t[3]) - t[0], double(t[4]) - t[1], double(t[5]) - t[2]};
  const double b[3] = {double(t[6]) - t[0], double(t[7]) - t[1], double(t[8]) - t[2]};
  n[0] = a[1] * b[2] - a[2] * b[1];
  n[1] = a[2] * b[0] - a[0] * b[2];
  n[2] = a[0] * b[1] - a[1] * b[0];
  const double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(l > 0)) return false;
  const double s = (n[1] < 0 ? -1 : 1) / l;
  for (int k = 0; k < 3; ++k) n[k] *= s;
  return true;
}

int32_t ground_level(int32_t e) {
  const int32_t* w = core::element_words(e);
  return w ? ground_under(w) : 0;
}

int32_t above_ground_level(int32_t e) {
  const int32_t* w = core::element_words(e);
  return w ? core::sub32(w[kPosition + 1], ground_under(w)) : 0;
}

int32_t over_ground(int32_t e, int32_t h) {
  if (int32_t* w = core::element_words(e)) {
    const int32_t g = ground_under(w);
    w[kVelocity + 1] = 0;
    w[kPosition + 1] = core::add32(g, h);
  }
  return 0;
}

// As over_ground; then the part of a gravity g (position units a tick per
// tick) that runs down the slope of the last ground triangle is added to
// the horizontal velocity, so that elements left alone roll downhill.
int32_t over_ground_g(int32_t e, int32_t h, int32_t g) {
  int32_t* w = core::element_words(e);
  if (!w) return 0;
  over_ground(e, h);
  double n[3];
  if (!last_normal(n)) return 0;
  w[kVelocity] = clamp32(w[kVelocity] + g * n[1] * n[0]);
  w[kVelocity + 2] = clamp32(w[kVelocity + 2] + g * n[1] * n[2]);
  return 0;
}

// Four probes at the corners of the box (sizes x s / 512, s <= 0: 460)
// turned by rotation y; y = their mean height + h; rotation x from the
// front and back pairs, rotation z from the right and left pairs.
int32_t over_ground_slope(int32_t e, int32_t h, int32_t s) {
  int32_t* w = core::element_words(e);
  if (!w) return 0;
  const int64_t k = s > 0 ? s : 460;
  w[core::kRotation] = w[core::kRotation + 2] = 0;
  w[core::kSpin] = w[core::kSpin + 2] = 0;
  const int32_t* x = &w[core::kExtent];
  const int32_t cx[4] = {x[0], x[3], x[3], x[0]}, cz[4] = {x[2], x[2], x[5], x[5]};
  int64_t height[4];
  for (int i = 0; i < 4; ++i) {
    const Vec3i c = turn_y({clamp32(cx[i] * k / 512), 0, clamp32(cz[i] * k / 512)}, w[core::kRotation + 1]);
    const int32_t px = clamp32(int64_t(w[kPosition]) + int64_t(c.x) * 512);
    const int32_t pz = clamp32(int64_t(w[kPosition + 2]) + int64_t(c.z) * 512);
    height[i] = ground_height(px, feet(w), w[kPosition + 1], pz);
  }
  w[kPosition + 1] = core::wrap32((height[0] + height[1] + height[2] + height[3]) / 4 + h);
  w[kVelocity + 1] = 0;
  const int64_t depth = (int64_t(x[2]) - x[5]) * k / 512 * 512, width = (int64_t(x[0]) - x[3]) * k / 512 * 512;
  if (depth > 0)
    w[core::kRotation] = pitch_angle(0, clamp32((height[0] + height[1] - height[2] - height[3]) / 2), clamp32(depth));
  if (width > 0)
    w[core::kRotation + 2] = core::neg32(
        pitch_angle(0, clamp32((height[0] + height[3] - height[1] - height[2]) / 2), clamp32(width)));
  return 0;
}

// 46080 x the sine of the slope of the ground triangle under e: 0 level,
// 46080 vertical; 0 where there is no ground.
int32_t ground_slope(int32_t e) {
  const int32_t* w = core::element_words(e);
  if (!w) return 0;
  ground_under(w);
  int32_t t[9];
  if (!last_ground_triangle(t)) return 0;
  const float a[3] = {float(t[3]) - float(t[0]), float(t[4]) - float(t[1]), float(t[5]) - float(t[2])};
  const float b[3] = {float(t[6]) - float(t[0]), float(t[7]) - float(t[1]), float(t[8]) - float(t[2])};
  if (a[1] == 0 && b[1] == 0) return 0;
  float n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  const float l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(l > 0) || !std::isfinite(l)) return 0;
  for (float& v : n) v *= 46080.0f / l;
  return static_cast<int32_t>(std::min(46080.0f, std::sqrt(n[0] * n[0] + n[2] * n[2])));
}

// The colour word of the 3D-shape ground's triangle under e.
int32_t ground_color(int32_t e) {
  const int32_t* w = core::element_words(e);
  const CollisionState& c = state().collisions;
  if (!w || c.shape_ground < 0) return 0;
  const GroundGrid& g = c.grounds[c.shape_ground];
  if (!g.block || !g.colours) return 0;
  const GroundFound f = ground_query(ground_view(g), w[kPosition], feet(w), w[kPosition + 1], w[kPosition + 2]);
  if (f.triangle < 0) return 0;
  return core::at<int32_t>(g.colours)[static_cast<uint32_t>(f.triangle) / kGroundTriangleBytes];
}

// An element whose sphere reaches below the ground is put on it and, when it
// moves into the ground, its velocity is mirrored about the ground's normal
// with k / 512 of the speed kept (512: elastic, 0: stops). -1 on a bounce.
int32_t ground_rebound(int32_t e, int32_t k) {
  int32_t* w = core::element_words(e);
  if (!w) return 0;
  const int32_t g = ground_under(w);
  double n[3];
  if (!last_normal(n)) return 0;
  const int64_t r = feet(w);
  if (int64_t(w[kPosition + 1]) - r >= g) return 0;
  w[kPosition + 1] = clamp32(int64_t(g) + r);
  const double v[3] = {double(w[kVelocity]), double(w[kVelocity + 1]), double(w[kVelocity + 2])};
  const double into = v[0] * n[0] + v[1] * n[1] + v[2] * n[2];
  if (into >= 0) return 0;
  const double keep = 1.0 + std::max(0, k) / 512.0;
  for (int i = 0; i < 3; ++i) w[kVelocity + i] = clamp32(v[i] - keep * into * n[i]);
  return -1;
}

int32_t ground_set(int32_t e) {
  const int i = core::element_index(e);
  CollisionState& c = state().collisions;
  if (i < 0 || !c.grounds[i].block) return 0;
  if (c.grounds[i].colours) {
    c.shape_ground = i;
    c.ground_element = -1;
  } else {
    c.ground_element = i;
  }
  return -1;
}

int32_t volume_set(int32_t e) {
  const int i = core::element_index(e);
  if (i < 0) return 0;
  state().collisions.volume_element = i;
  return -1;
}

// The volume element's words when it is set and is not `w`.
const int32_t* volume_for(const int32_t* w) {
  const int v = state().collisions.volume_element;
  if (v < 0 || v >= core::kElementCount) return nullptr;
  const int32_t* box = core::element_state(v)->w;
  return box == w ? nullptr : box;
}

// A world vector into the volume's frame (its rotation y) and back.
Vec3i into_volume(const int32_t* v, Vec3i a) { return turn_y(a, core::neg32(v[core::kRotation + 1])); }
Vec3i out_of_volume(const int32_t* v, Vec3i a) { return turn_y(a, v[core::kRotation + 1]); }

// e's position in the volume's frame, milli-units.
Vec3i local_position(const int32_t* v, const int32_t* w) {
  const int32_t d[3] = {clamp32((int64_t(w[kPosition]) - v[kPosition]) >> 9),
                        clamp32((int64_t(w[kPosition + 1]) - v[kPosition + 1]) >> 9),
                        clamp32((int64_t(w[kPosition + 2]) - v[kPosition + 2]) >> 9)};
  return into_volume(v, {d[0], d[1], d[2]});
}

int32_t inside_volume(int32_t e) {
  const int32_t* w = core::element_words(e);
  const int32_t* v = w ? volume_for(w) : nullptr;
  if (!v) return 0;
  const Vec3i p = local_position(v, w);
  const int32_t q[3] = {p.x, p.y, p.z};
  for (int k = 0; k < 3; ++k)
    if (q[k] < v[core::kExtent + 3 + k] || q[k] > v[core::kExtent + k]) return 0;
  return -1;
}

// Keeps e's position inside the volume's box shrunk by `margin`
// milli-units. On each axis of the volume's frame where e was outside it is
// moved back to the wall, and a local velocity that still runs outward is
// replaced by touch(axis, velocity). True when e was outside.
template <class Touch>
bool keep_inside(int32_t* w, const int32_t* v, int64_t margin, Touch touch) {
  const Vec3i p = local_position(v, w);
  const Vec3i lv = into_volume(v, {w[kVelocity], w[kVelocity + 1], w[kVelocity + 2]});
  const int64_t pos[3] = {p.x, p.y, p.z};
  const int32_t vel[3] = {lv.x, lv.y, lv.z};
  int64_t move[3] = {0, 0, 0};
  int64_t dv[3] = {0, 0, 0};
  bool outside = false;
  for (int k = 0; k < 3; ++k) {
    int64_t lo = int64_t(v[core::kExtent + 3 + k]) + margin, hi = int64_t(v[core::kExtent + k]) - margin;
    if (lo > hi) lo = hi = (int64_t(v[core::kExtent + 3 + k]) + v[core::kExtent + k]) / 2;
    const int side = pos[k] < lo ? -1 : pos[k] > hi ? 1 : 0;
    if (side == 0) continue;
    outside = true;
    move[k] = (side < 0 ? lo : hi) - pos[k];
    if ((side < 0 && vel[k] < 0) || (side > 0 && vel[k] > 0)) dv[k] = int64_t(touch(k, vel[k])) - vel[k];
  }
  if (!outside) return false;
  const Vec3i m = out_of_volume(v, {clamp32(move[0]), clamp32(move[1]), clamp32(move[2])});
  const Vec3i d = out_of_volume(v, {clamp32(dv[0]), clamp32(dv[1]), clamp32(dv[2])});
  const int32_t mw[3] = {m.x, m.y, m.z}, dw[3] = {d.x, d.y, d.z};
  for (int k = 0; k < 3; ++k) {
    w[kPosition + k] = core::wrap32(int64_t(w[kPosition + k]) + int64_t(mw[k]) * 512);
    w[kVelocity + k] = core::add32(w[kVelocity + k], dw[k]);
  }
  return true;
}

// Inside the volume with e's radius to spare; an outward velocity along an
// axis of the volume is reversed with k / 512 of it kept (kx, ky, kz per
// axis). -1 when e was against a wall.
int32_t volume_rebound(int32_t e, int32_t kx, int32_t ky, int32_t kz) {
  int32_t* w = core::element_words(e);
  const int32_t* v = w ? volume_for(w) : nullptr;
  if (!v) return 0;
  const int32_t ks[3] = {kx, ky, kz};
  const bool hit = keep_inside(w, v, std::max(w[core::kRadius], 0), [&](int axis, int32_t vel) {
    return clamp32(-double(vel) * std::max(ks[axis], 0) / 512.0);
  });
  return hit ? -1 : 0;
}

// e moved by (dx, dy, dz) position units and kept inside the volume with
// `margin` milli-units to spare (e's radius when margin <= 0); the part of
// its velocity that runs into a wall is taken away, so it slides along.
int32_t volume_slide(int32_t e, int32_t dx, int32_t dy, int32_t dz, int32_t margin) {
  int32_t* w = core::element_words(e);
  const int32_t* v = w ? volume_for(w) : nullptr;
  if (!v) return 0;
  w[kPosition] = core::add32(w[kPosition], dx);
  w[kPosition + 1] = core::add32(w[kPosition + 1], dy);
  w[kPosition + 2] = core::add32(w[kPosition + 2], dz);
  const int64_t m = margin > 0 ? margin : std::max(w[core::kRadius], 0);
  return keep_inside(w, v, m, [](int, int32_t) { return 0; }) ? -1 : 0;
}

}  // namespace

void bind_ground_builtins() {
  brain::bind<ground_level>("ground_level");
  brain::bind<above_ground_level>("above_ground_level");
  brain::bind<above_ground_level>("agl");
  brain::bind<above_ground_level>("aglevel");
  brain::bind<over_ground>("over_ground");
  brain::bind<over_ground_g>("over_ground_g");
  brain::bind<over_ground_slope>("over_ground_slope");
  brain::bind<ground_slope>("ground_slope");
  brain::bind<ground_color>("ground_color");
  brain::bind<ground_rebound>("ground_color_rebound");
  brain::bind<ground_rebound>("boundary_rebound");
  brain::bind<ground_set>("ground_set");
  brain::bind<volume_set>("volume_set");
  brain::bind<inside_volume>("inside_volume");
  brain::bind<volume_rebound>("volume_rebound");
  brain::bind<volume_slide>("volume_slide");
}

}  // namespace engine
