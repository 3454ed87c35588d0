// Planar shadows: the records, and the matrix that flattens a caster onto
// its plane. scene_render.cpp draws them.
#include <algorithm>
#include <cmath>

#include "platform/scene_local.h"

namespace platform {

int shadow_create(int caster) {
  if (!frame_at(caster)) return -1;
  SceneObjects& sc = scene();
  for (int i = 0; i < kMaxShadows; ++i) {
    if (sc.shadows[i].used) continue;
    sc.shadows[i] = ShadowRec{};
    sc.shadows[i].used = true;
    sc.shadows[i].caster = caster;
    return i;
  }
  return -1;
}
void shadow_delete(int s) {
  if (ShadowRec* r = shadow_at(s)) *r = ShadowRec{};
}
bool shadow_valid(int s) { return shadow_at(s) != nullptr; }
void shadow_set_caster(int s, int caster) {
  if (ShadowRec* r = shadow_at(s)) r->caster = frame_at(caster) ? caster : -1;
}
int shadow_caster(int s) { return shadow_at(s) ? shadow_at(s)->caster : -1; }
void shadow_set_light(int s, bool point, Vec3 v) {
  if (ShadowRec* r = shadow_at(s)) {
    r->point = point;
    r->light = v;
  }
}
void shadow_set_plane(int s, Vec3 point, Vec3 normal) {
  if (ShadowRec* r = shadow_at(s)) {
    r->plane_point = point;
    r->plane_normal = normal;
  }
}
void shadow_set_opacity(int s, float alpha) {
  if (ShadowRec* r = shadow_at(s)) r->alpha = std::clamp(alpha, 0.0f, 1.0f);
}
float shadow_opacity(int s) { return shadow_at(s) ? shadow_at(s)->alpha : 0; }

bool shadow_matrix(Vec3 plane_point, Vec3 plane_normal, bool point, Vec3 light, Mat4& out) {
  const Vec3 n = normalize(plane_normal);
  if (length(n) == 0) return false;
  const float plane[4] = {n.x, n.y, n.z, -dot(n, plane_point)};
  // The light as a homogeneous point: its position, or the direction it
  // comes from at infinity.
  Vec3 l = light;
  if (!point) {
    l = normalize(light) * -1.0f;
    if (length(l) == 0) return false;
  }
  const float lh[4] = {l.x, l.y, l.z, point ? 1.0f : 0.0f};
  float d = plane[0] * lh[0] + plane[1] * lh[1] + plane[2] * lh[2] + plane[3] * lh[3];
  if (std::fabs(d) < 1e-6f) return false;
  // M = d I - L P, negated when the light is behind the plane so that w
  // stays positive for points on the light's side; a light at infinity
  // divides by d, which keeps w at 1.
  const float k = point ? (d > 0 ? 1.0f : -1.0f) : 1.0f / d;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) out.at(row, col) = k * ((row == col ? d : 0.0f) - lh[row] * plane[col]);
  return true;
}

}  // namespace platform
