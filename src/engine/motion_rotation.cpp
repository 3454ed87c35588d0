// Orientation by axis and angle: the work rotation (a quaternion kept by the
// engine), its conversion to and from element rotation words, and the
// queries of local axes and renderer positions.
//
// Convention. An element's rotation words (rx, ry, rz) turn a local vector
// about x by rx, then about z by rz, then about y by ry (to_world), with
//   about x: (y, z) -> (y cos - z sin, y sin + z cos)   = Rx(rx)
//   about z: (x, y) -> (x cos - y sin, x sin + y cos)   = Rz(rz)
//   about y: (x, z) -> (x cos - z sin, x sin + z cos)   = Ry(-ry)
// (R* the usual right-handed column-vector matrices), so the orientation
// matrix is M = Ry(-ry) Rz(rz) Rx(rx). Its quaternion is the product scaled
// visuals are drawn with:
//   q = qx(-rx) * qz(-rz) * qy(+ry),  radians = units x 2 pi / 184320,
// Hamilton product, q(axis, t) = (cos t/2, axis sin t/2). Its usual matrix
// is R(q) = Rx(-rx) Rz(-rz) Ry(ry) = M^T: q read as a row-vector rotation
// (v' = v R(q)) turns vectors exactly as the x, z, y sequence does. The
// scene's frame_set_rotation reads a quaternion as a column-vector rotation,
// so a renderer frame shown with these words' orientation takes q's
// conjugate.
// orientation_set inverts q: from M = R(q)^T, rz = atan2(M10, hypot(M00,
// M20)), rx = atan2(-M12, M11), ry = atan2(M20, M00); at rz = +-90 degrees
// (hypot 0) rx is taken as 0 and ry = atan2(-M02, M22). The triple chosen
// has cos(rz) >= 0. So a work rotation about y by t gives rotation y = t,
// about x by t gives rotation x = -t, about z by t gives rotation z = -t.
#include <cmath>

#include "brain/bind.h"
#include "core/angles.h"
#include "engine/motion.h"
#include "engine/motion_detail.h"
#include "engine/state.h"

namespace engine {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadiansPerUnit = 2 * kPi / core::kFullTurn;

Quaternion about(double x, double y, double z, double units) {
  const double h = units * kRadiansPerUnit / 2;
  const double s = std::sin(h);
  return {std::cos(h), x * s, y * s, z * s};
}

Quaternion normalised(const Quaternion& q) {
  const double n = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  if (!(n > 0) || !std::isfinite(n)) return {1, 0, 0, 0};
  return {q.w / n, q.x / n, q.y / n, q.z / n};
}

int32_t to_units(double radians) {
  return core::normalise_angle(static_cast<int32_t>(std::lround(radians / kRadiansPerUnit)));
}

}  // namespace

Quaternion operator*(const Quaternion& a, const Quaternion& b) {
  return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
          a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Quaternion axis_quaternion(double x, double y, double z, double angle) {
  const double n = std::sqrt(x * x + y * y + z * z);
  if (!(n > 0)) return about(0, 0, 1, angle);
  return about(x / n, y / n, z / n, angle);
}

Quaternion rotation_quaternion(const int32_t* r) {
  return about(1, 0, 0, -double(r[0])) * about(0, 0, 1, -double(r[2])) * about(0, 1, 0, double(r[1]));
}

void quaternion_rotation(const Quaternion& in, int32_t* r) {
  const Quaternion q = normalised(in);
  const double w = q.w, x = q.x, y = q.y, z = q.z;
  // M = R(q)^T, element by element.
  const double m00 = 1 - 2 * (y * y + z * z), m02 = 2 * (x * z - w * y);
  const double m10 = 2 * (x * y - w * z), m11 = 1 - 2 * (x * x + z * z), m12 = 2 * (y * z + w * x);
  const double m20 = 2 * (x * z + w * y), m22 = 1 - 2 * (x * x + y * y);
  const double cos_z = std::hypot(m00, m20);
  double rx = 0, ry, rz = std::atan2(m10, cos_z);
  if (cos_z > 1e-9) {
    rx = std::atan2(-m12, m11);
    ry = std::atan2(m20, m00);
  } else {
    ry = std::atan2(-m02, m22);
  }
  r[0] = to_units(rx);
  r[1] = to_units(ry);
  r[2] = to_units(rz);
}

namespace motion {

namespace {

Quaternion work() {
  const double* q = state().motion_rotation;
  return {q[0], q[1], q[2], q[3]};
}

void set_work(const Quaternion& in) {
  const Quaternion q = normalised(in);
  double* out = state().motion_rotation;
  out[0] = q.w;
  out[1] = q.x;
  out[2] = q.y;
  out[3] = q.z;
}

int32_t rotation_axis_set(uint32_t, int32_t x, int32_t y, int32_t z, int32_t angle, int32_t) {
  set_work(axis_quaternion(x / 512000.0, y / 512000.0, z / 512000.0, angle));
  return 0;
}

int32_t rotation_axis_add(uint32_t, int32_t x, int32_t y, int32_t z, int32_t angle, int32_t) {
  set_work(work() * axis_quaternion(x / 512000.0, y / 512000.0, z / 512000.0, angle));
  return 0;
}

// Elements take the work rotation as rotation words. Run-time X frames
// (bit 31) get it from the renderer's frame built-ins; nothing here.
int32_t orientation_set(uint32_t, int32_t e, int32_t, int32_t, int32_t, int32_t) {
  if (int32_t* w = element(e)) quaternion_rotation(work(), w + core::kRotation);
  return 0;
}

// Renderer-frame queries: an X-model's or run-time X frame's orientation
// and position come from the renderer's frame built-ins; every other
// element answers 0 and keeps the axis as it was.
int32_t rotation_angle(uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return 0; }

int32_t position(uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return 0; }

int32_t rotation_axis(uint32_t, int32_t n, int32_t, int32_t, int32_t, int32_t) {
  if (n < 0 || n > 2) return 0;
  return static_cast<int32_t>(std::lround(state().motion_axis[n] * 512000.0));
}

// One of e's local axes (0 x, 1 y, 2 z) as a world vector of length
// 512000; its component 0, 1 or 2. Other codes answer 0.
int32_t local_axis(uint32_t, int32_t e, int32_t axis, int32_t component, int32_t, int32_t) {
  const int32_t* w = element(e);
  if (!w || axis < 0 || axis > 2 || component < 0 || component > 2) return 0;
  int32_t v[3] = {0, 0, 0};
  v[axis] = 512000;
  const Vec3i world = to_world({v[0], v[1], v[2]}, w + core::kRotation);
  const int32_t out[3] = {world.x, world.y, world.z};
  return out[component];
}

}  // namespace

void bind_motion_rotation() {
  using brain::bind;
  bind("rotation_axis_set", rotation_axis_set);
  bind("rotation_axis_add", rotation_axis_add);
  bind("orientation_set", orientation_set);
  bind("rotation_angle", rotation_angle);
  bind("rotation_axis", rotation_axis);
  bind("position", position);
  bind("local_axis", local_axis);
}

}  // namespace motion

}  // namespace engine
