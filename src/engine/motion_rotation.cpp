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
#include <algorithm>
#include <cmath>

#include "brain/bind.h"
#include "core/angles.h"
#include "core/element_state.h"
#include "engine/motion.h"
#include "engine/motion_detail.h"
#include "engine/state.h"
#include "engine/xobjects.h"
#include "platform/scene.h"

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
  const double* q = state().motion.rotation;
  return {q[0], q[1], q[2], q[3]};
}

void set_work(const Quaternion& in) {
  const Quaternion q = normalised(in);
  double* out = state().motion.rotation;
  out[0] = q.w;
  out[1] = q.x;
  out[2] = q.y;
  out[3] = q.z;
}

int32_t rotation_axis_set(int32_t x, int32_t y, int32_t z, int32_t angle) {
  set_work(axis_quaternion(x / 512000.0, y / 512000.0, z / 512000.0, angle));
  return 0;
}

int32_t rotation_axis_add(int32_t x, int32_t y, int32_t z, int32_t angle) {
  set_work(work() * axis_quaternion(x / 512000.0, y / 512000.0, z / 512000.0, angle));
  return 0;
}

// Elements take the work rotation as rotation words. A run-time X frame
// (bit 31) takes it as its orientation relative to its parent, turned the
// way an element with those rotation words is drawn (the conjugate, see
// above).
int32_t orientation_set(int32_t e) {
  if (int32_t* w = core::element_words(e)) {
    quaternion_rotation(work(), w + core::kRotation);
  } else if (const int f = xobject_frame(e); f >= 0) {
    const Quaternion q = work();
    platform::frame_set_rotation(f, {static_cast<float>(q.w), static_cast<float>(-q.x), static_cast<float>(-q.y),
                                     static_cast<float>(-q.z)});
  }
  return 0;
}

// The reference frame of the renderer queries: 0 is the scene (the world),
// a live X handle its frame; anything else gives false.
bool reference_world(int32_t ref, core::Mat4& world) {
  world = core::Mat4{};
  if (ref == 0) return true;
  const int f = xobject_frame(ref);
  if (f < 0) return false;
  world = platform::frame_world(f);
  return true;
}

// The rotation part of a frame-to-world matrix, columns made unit length.
void rotation_part(const core::Mat4& m, double r[3][3]) {
  for (int c = 0; c < 3; ++c) {
    const double n = std::sqrt(double(m.at(0, c)) * m.at(0, c) + double(m.at(1, c)) * m.at(1, c) +
                               double(m.at(2, c)) * m.at(2, c));
    for (int i = 0; i < 3; ++i) r[i][c] = n > 1e-12 ? m.at(i, c) / n : (i == c);
  }
}

// An X model's or run-time X frame's orientation relative to ref, as the
// axis and angle of the work-rotation convention (so rotation_axis_set then
// orientation_set on a frame reads back the same angle and axis). The
// angle in angle units (0..92160); the unit axis is kept for
// rotation_axis. Other handles answer 0 and keep the axis as it was.
int32_t rotation_angle(int32_t e, int32_t ref) {
  const int f = x_model_frame(e);
  core::Mat4 ref_world;
  if (f < 0 || !reference_world(ref, ref_world)) return 0;
  double a[3][3], b[3][3], m[3][3];
  rotation_part(ref_world, a);
  rotation_part(platform::frame_world(f), b);
  // The frame's rotation seen from ref is a^T b; the work quaternion's matrix is its transpose.
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double sum = 0;
      for (int k = 0; k < 3; ++k) sum += a[k][j] * b[k][i];
      m[i][j] = sum;  // (a^T b)^T = b^T a
    }
  // Matrix to quaternion (largest-component branch).
  double w, x, y, z;
  const double trace = m[0][0] + m[1][1] + m[2][2];
  if (trace > 0) {
    const double s = std::sqrt(trace + 1) * 2;
    w = s / 4, x = (m[2][1] - m[1][2]) / s, y = (m[0][2] - m[2][0]) / s, z = (m[1][0] - m[0][1]) / s;
  } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
    const double s = std::sqrt(1 + m[0][0] - m[1][1] - m[2][2]) * 2;
    w = (m[2][1] - m[1][2]) / s, x = s / 4, y = (m[0][1] + m[1][0]) / s, z = (m[0][2] + m[2][0]) / s;
  } else if (m[1][1] > m[2][2]) {
    const double s = std::sqrt(1 + m[1][1] - m[0][0] - m[2][2]) * 2;
    w = (m[0][2] - m[2][0]) / s, x = (m[0][1] + m[1][0]) / s, y = s / 4, z = (m[1][2] + m[2][1]) / s;
  } else {
    const double s = std::sqrt(1 + m[2][2] - m[0][0] - m[1][1]) * 2;
    w = (m[1][0] - m[0][1]) / s, x = (m[0][2] + m[2][0]) / s, y = (m[1][2] + m[2][1]) / s, z = s / 4;
  }
  if (!std::isfinite(w + x + y + z)) return 0;
  if (w < 0) w = -w, x = -x, y = -y, z = -z;
  const double half = std::acos(std::min(w, 1.0));
  const double s = std::sqrt(x * x + y * y + z * z);
  double* axis = state().motion.axis;
  if (s > 1e-9) {
    axis[0] = x / s, axis[1] = y / s, axis[2] = z / s;
  } else {
    axis[0] = 0, axis[1] = 0, axis[2] = 1;
  }
  return static_cast<int32_t>(std::lround(2 * half / kRadiansPerUnit));
}

// An X model's or run-time X frame's position relative to ref (0: the
// scene) on axis 0, 1 or 2, x 512000; 0 for everything else.
int32_t position(int32_t e, int32_t axis, int32_t ref) {
  const int f = x_model_frame(e);
  core::Mat4 ref_world;
  if (f < 0 || axis < 0 || axis > 2 || !reference_world(ref, ref_world)) return 0;
  core::Vec3 p = platform::frame_world_position(f);
  if (ref != 0) p = core::transform_point(core::inverse_affine(ref_world), p);
  const double v = (axis == 0 ? p.x : axis == 1 ? p.y : p.z) * 512000.0;
  return std::isfinite(v) ? static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0)) : 0;
}

int32_t rotation_axis(int32_t n) {
  if (n < 0 || n > 2) return 0;
  return static_cast<int32_t>(std::lround(state().motion.axis[n] * 512000.0));
}

// One of e's local axes (0 x, 1 y, 2 z) as a world vector of length
// 512000; its component 0, 1 or 2. Other codes answer 0.
int32_t local_axis(int32_t e, int32_t axis, int32_t component) {
  const int32_t* w = core::element_words(e);
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
  bind<rotation_axis_set>("rotation_axis_set");
  bind<rotation_axis_add>("rotation_axis_add");
  bind<orientation_set>("orientation_set");
  bind<rotation_angle>("rotation_angle");
  bind<rotation_axis>("rotation_axis");
  bind<position>("position");
  bind<local_axis>("local_axis");
}

}  // namespace motion

}  // namespace engine
