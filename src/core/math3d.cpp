#include "core/math3d.h"

namespace core {

Mat4 inverse_affine(const Mat4& m) {
  // Inverse of the 3x3 part by cofactors, then the translation.
  const float a = m.at(0, 0), b = m.at(0, 1), c = m.at(0, 2);
  const float d = m.at(1, 0), e = m.at(1, 1), f = m.at(1, 2);
  const float g = m.at(2, 0), h = m.at(2, 1), i = m.at(2, 2);
  const float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
  Mat4 r;
  if (std::fabs(det) < 1e-30f) return r;
  const float k = 1.0f / det;
  r.at(0, 0) = (e * i - f * h) * k;
  r.at(0, 1) = (c * h - b * i) * k;
  r.at(0, 2) = (b * f - c * e) * k;
  r.at(1, 0) = (f * g - d * i) * k;
  r.at(1, 1) = (a * i - c * g) * k;
  r.at(1, 2) = (c * d - a * f) * k;
  r.at(2, 0) = (d * h - e * g) * k;
  r.at(2, 1) = (b * g - a * h) * k;
  r.at(2, 2) = (a * e - b * d) * k;
  const Vec3 t{m.at(0, 3), m.at(1, 3), m.at(2, 3)};
  const Vec3 it = transform_vector(r, t);
  r.at(0, 3) = -it.x;
  r.at(1, 3) = -it.y;
  r.at(2, 3) = -it.z;
  return r;
}

}  // namespace core
