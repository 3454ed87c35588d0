// Small vector, matrix and quaternion types and helpers, shared by the
// loaders, the scene and posing. Matrices are column-major 4x4 (as OpenGL
// takes them) and act on column vectors.
#pragma once

#include <cmath>

namespace core {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

struct Vec2 {
  float u = 0, v = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 normalize(Vec3 a) {
  float l = length(a);
  return l > 1e-20f ? a * (1.0f / l) : Vec3{0, 0, 0};
}

struct Quat {
  float w = 1, x = 0, y = 0, z = 0;
};

inline Quat operator*(Quat a, Quat b) {
  return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
          a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

// Rotation by `angle` radians about a unit axis.
inline Quat quat_axis(Vec3 axis, float angle) {
  float s = std::sin(angle / 2);
  return {std::cos(angle / 2), axis.x * s, axis.y * s, axis.z * s};
}

struct Mat4 {
  float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  float& at(int row, int col) { return m[col * 4 + row]; }
  float at(int row, int col) const { return m[col * 4 + row]; }
};

inline Mat4 operator*(const Mat4& a, const Mat4& b) {
  Mat4 r;
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += a.at(row, k) * b.at(k, c);
      r.at(row, c) = s;
    }
  return r;
}

inline Vec3 transform_point(const Mat4& m, Vec3 p) {
  return {m.at(0, 0) * p.x + m.at(0, 1) * p.y + m.at(0, 2) * p.z + m.at(0, 3),
          m.at(1, 0) * p.x + m.at(1, 1) * p.y + m.at(1, 2) * p.z + m.at(1, 3),
          m.at(2, 0) * p.x + m.at(2, 1) * p.y + m.at(2, 2) * p.z + m.at(2, 3)};
}

inline Vec3 transform_vector(const Mat4& m, Vec3 v) {
  return {m.at(0, 0) * v.x + m.at(0, 1) * v.y + m.at(0, 2) * v.z,
          m.at(1, 0) * v.x + m.at(1, 1) * v.y + m.at(1, 2) * v.z,
          m.at(2, 0) * v.x + m.at(2, 1) * v.y + m.at(2, 2) * v.z};
}

// Translation * rotation (columns right, up, dir) * scale.
inline Mat4 compose(Vec3 position, Vec3 right, Vec3 up, Vec3 dir, Vec3 scale) {
  Mat4 r;
  const Vec3 axes[3] = {right * scale.x, up * scale.y, dir * scale.z};
  for (int c = 0; c < 3; ++c) {
    r.at(0, c) = axes[c].x;
    r.at(1, c) = axes[c].y;
    r.at(2, c) = axes[c].z;
  }
  r.at(0, 3) = position.x;
  r.at(1, 3) = position.y;
  r.at(2, 3) = position.z;
  return r;
}

inline void quat_axes(Quat q, Vec3& right, Vec3& up, Vec3& dir) {
  const float w = q.w, x = q.x, y = q.y, z = q.z;
  right = {1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y)};
  up = {2 * (x * y - w * z), 1 - 2 * (x * x + z * z), 2 * (y * z + w * x)};
  dir = {2 * (x * z + w * y), 2 * (y * z - w * x), 1 - 2 * (x * x + y * y)};
}

// Inverse of an affine matrix (rotation, scale and translation).
Mat4 inverse_affine(const Mat4& m);

}  // namespace core
