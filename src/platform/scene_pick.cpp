// Picking on the CPU: rays against the triangles of the pickable meshes.
#include <cmath>

#include "platform/scene_local.h"

namespace platform {

namespace {

// Möller–Trumbore, both sides.
bool hit_triangle(Vec3 o, Vec3 d, Vec3 a, Vec3 b, Vec3 c, float& t) {
  const Vec3 e1 = b - a, e2 = c - a, p = cross(d, e2);
  const float det = dot(e1, p);
  if (std::fabs(det) < 1e-12f) return false;
  const float inv = 1.0f / det;
  const Vec3 s = o - a;
  const float u = dot(s, p) * inv;
  if (u < 0 || u > 1) return false;
  const Vec3 q = cross(s, e1);
  const float v = dot(d, q) * inv;
  if (v < 0 || u + v > 1) return false;
  t = dot(e2, q) * inv;
  return t > 0;
}

// Whether the triangle at index position i lies in a shown group (all are
// shown unless a part was hidden).
bool triangle_shown(const MeshRec& m, size_t i) {
  for (const GroupRec& g : m.groups)
    if (!g.visible && i >= g.first && i < static_cast<size_t>(g.first) + g.count) return false;
  return true;
}

}  // namespace

Pick ray_pick(int root, Vec3 origin, Vec3 direction) {
  SceneObjects& sc = scene();
  Pick best;
  const Vec3 dir = normalize(direction);
  if (length(dir) == 0) return best;
  float best_t = 1e30f;
  walk_visible(sc, root, [&](int f, const FrameRec& fr, const Mat4& world) {
    const MeshRec* m = mesh_at(fr.mesh);
    if (m && fr.pickable) {
      const Mat4 inv = inverse_affine(world);
      const Vec3 lo = transform_point(inv, origin), ld = transform_vector(inv, dir);
      bool any_hidden = false;
      for (const GroupRec& g : m->groups) any_hidden = any_hidden || !g.visible;
      for (size_t i = 0; i + 2 < m->indices.size(); i += 3) {
        if (any_hidden && !triangle_shown(*m, i)) continue;
        float t;
        if (hit_triangle(lo, ld, m->positions[m->indices[i]], m->positions[m->indices[i + 1]],
                         m->positions[m->indices[i + 2]], t)) {
          const Vec3 world_hit = transform_point(world, lo + ld * t);
          const float dist = length(world_hit - origin);
          if (dist < best_t) {
            best_t = dist;
            // The face's edges in world space give its normal under any scale.
            const Vec3 a = transform_point(world, m->positions[m->indices[i]]);
            const Vec3 n = cross(transform_point(world, m->positions[m->indices[i + 1]]) - a,
                                 transform_point(world, m->positions[m->indices[i + 2]]) - a);
            best = {f, world_hit, dist, normalize(n), static_cast<int>(i / 3)};
          }
        }
      }
    }
  });
  return best;
}

Pick viewport_pick(int vi, int root, float sx, float sy) {
  const ViewportRec* v = viewport_at(vi);
  if (!v) return {};
  const Vec3 near = viewport_inverse_transform(vi, sx, sy, v->front);
  const Vec3 far = viewport_inverse_transform(vi, sx, sy, v->back);
  Pick p = ray_pick(root, near, far - near);
  if (p.frame >= 0 && p.distance > length(far - near)) return {};
  return p;
}

}  // namespace platform
