// Motion and physics: the built-ins that move elements (position, rotation,
// velocity and spin words), and the integer geometry they share with
// drawing, collisions and tracks.
#pragma once

#include <cstdint>

namespace engine {

// Binds every motion row of the built-in table (aliases included).
void bind_motion_builtins();

struct Vec3i {
  int32_t x, y, z;
};

// Integer rotations by the 1/8-degree sine table (32768 = 1.0): each output
// is the 64-bit sum of two products shifted right by 15, wrapped to 32 bits.
// An angle whose table index is 0 (below 64 units once normalised) leaves
// the vector as it is.
Vec3i turn_x(Vec3i v, int32_t angle);  // (y, z) -> (y cos - z sin, y sin + z cos)
Vec3i turn_z(Vec3i v, int32_t angle);  // (x, y) -> (x cos - y sin, x sin + y cos)
Vec3i turn_y(Vec3i v, int32_t angle);  // (x, z) -> (x cos - z sin, x sin + z cos)

// A local vector into world axes by an element's rotation words (x, then z,
// then y), and a world vector into the element's frame (-y, then -z, then
// -x). `rotation` points at three words.
Vec3i to_world(Vec3i v, const int32_t* rotation);
Vec3i to_local(Vec3i v, const int32_t* rotation);

// Square root rounded to the nearest integer.
uint32_t rounded_sqrt(uint64_t n);
// Length in milli-units: the rounded root of the squared components >> 9.
int32_t length_milli(int32_t x, int32_t y, int32_t z);

// Signed difference `to` - `from` of two angles, in -92160..92160.
int32_t angle_difference(int32_t from, int32_t to);
// Heading of the horizontal vector (dx, dz): 0 along +z, -46080 along +x,
// 46080 along -x, 92160 along -z (from -46080 to 138240). This is the
// heading whose rotation y makes thrust point that way.
int32_t direction_angle(int32_t dx, int32_t dz);
// Rotation x that points the local z axis along (dx, dy, dz) once rotation
// y is the direction_angle: negative for a climb, positive for a dive.
int32_t pitch_angle(int32_t dx, int32_t dy, int32_t dz);

// Orientations as quaternions (w, x, y, z; Hamilton product).
struct Quaternion {
  double w, x, y, z;
};
Quaternion operator*(const Quaternion& a, const Quaternion& b);
// Rotation by `angle` units about the axis (x, y, z); a zero axis means z.
Quaternion axis_quaternion(double x, double y, double z, double angle);
// The quaternion of an element rotation (three words, angle units):
// qx * qz * qy, with qx about x by -(rotation x), qz about z by
// -(rotation z), qy about y by +(rotation y). Read as a row-vector rotation
// (v' = v R(q), that is the matrix of q transposed for column vectors) it
// turns local vectors exactly as to_world does, without the table steps.
Quaternion rotation_quaternion(const int32_t* rotation);
// The inverse: the rotation words (normalised, rounded to whole units)
// whose quaternion is q (or -q). A zero quaternion gives no rotation.
void quaternion_rotation(const Quaternion& q, int32_t* rotation);

}  // namespace engine
