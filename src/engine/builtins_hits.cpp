// Ray and polygon queries against the renderer's meshes: the lowest point
// of a model, a ray along an element's facing, a sweep along its velocity,
// and the point and normal of the last hit.
//
// The queries see the renderer frames as the last drawn frame left them
// (elements) or as the X-frame built-ins set them (run-time X frames). The
// querying element's own frame is left out of its rays. Hits are kept per
// element (and per run-time X frame): point in position units, unit normal
// x 512000, the front side of the face.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "brain/bind.h"
#include "core/element_state.h"
#include "engine/builtins.h"
#include "engine/mesh_access.h"
#include "engine/motion.h"
#include "engine/objects.h"
#include "engine/scene3d.h"
#include "engine/state.h"
#include "engine/xobjects.h"
#include "platform/scene.h"

namespace engine {

namespace {


constexpr double kUnit = 512000.0;
constexpr int kNarrowedGroups = 256;  // parts of a target a sweep can be narrowed in

int32_t saturate(double v) {
  return std::isfinite(v) ? static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0)) : 0;
}


// The renderer frame of an element's current object, or -1.
int element_frame(const core::ElementState* st) {
  const int o = st ? current_object(*st) : -1;
  if (o < 0) return -1;
  const int f = state().views.object_frame[o];
  return platform::frame_valid(f) ? f : -1;
}

// Where the hits of a handle are kept: an element's or an X frame's; null
// for anything else.
XHit* hit_record(int32_t handle) {
  const int e = core::element_index(handle);
  if (e >= 0) return &state().xobjects.element_hits[e];
  if (xobject_frame(handle) < 0) return nullptr;
  return &state().xobjects.slots[static_cast<uint32_t>(handle) & ~kXHandleBit].hit;
}

// A ray from a handle: an element's position and facing (local +z turned
// by parent rotation when joined, then by its rotation, as drawing does),
// or an X frame's world position and z axis. Its own frame is `self`.
struct Ray {
  core::Vec3 origin, direction;
  int self = -1;
  bool ok = false;
};

Ray facing_ray(int32_t handle) {
  Ray r;
  if (const core::ElementState* st = core::element_at(handle)) {
    Vec3i d{0, 0, 65536};
    if (st->w[core::kFlags] & core::kFlagJoined) d = to_world(d, &st->w[core::kParentRotation]);
    d = to_world(d, &st->w[core::kRotation]);
    r.origin = {static_cast<float>(st->w[core::kPosition] / kUnit),
                static_cast<float>(st->w[core::kPosition + 1] / kUnit),
                static_cast<float>(st->w[core::kPosition + 2] / kUnit)};
    r.direction = {d.x / 65536.0f, d.y / 65536.0f, d.z / 65536.0f};
    r.self = element_frame(st);
    r.ok = true;
  } else if (const int f = xobject_frame(handle); f >= 0) {
    const core::Mat4 w = platform::frame_world(f);
    r.origin = platform::frame_world_position(f);
    r.direction = core::transform_vector(w, {0, 0, 1});
    r.self = f;
    r.ok = true;
  }
  return r;
}

// The nearest hit under root within `reach` world units, leaving the
// caller's own frame out (made unpickable for the cast).
platform::Pick cast(int root, const Ray& r, double reach) {
  platform::Pick none;
  if (!r.ok || !(reach > 0) || core::length(r.direction) == 0) return none;
  const bool self_visible = platform::frame_visible(r.self);
  if (r.self >= 0 && r.self != root) platform::frame_set_traversal(r.self, self_visible, false);
  platform::Pick p = platform::ray_pick(root, r.origin, r.direction);
  if (r.self >= 0 && r.self != root) {
    // Drawing shows element frames visible and pickable together; X frames
    // keep the pickable bit of their slot.
    bool pickable = self_visible;
    for (const XSlot& s : state().xobjects.slots)
      if (s.frame == r.self) pickable = s.pickable;
    platform::frame_set_traversal(r.self, self_visible, pickable);
  }
  if (p.frame < 0 || p.distance > reach) return none;
  return p;
}

void keep(XHit* h, const platform::Pick& p) {
  if (!h) return;
  h->point[0] = saturate(p.point.x * kUnit);
  h->point[1] = saturate(p.point.y * kUnit);
  h->point[2] = saturate(p.point.z * kUnit);
  h->normal[0] = saturate(p.normal.x * kUnit);
  h->normal[1] = saturate(p.normal.y * kUnit);
  h->normal[2] = saturate(p.normal.z * kUnit);
}

// Lowest y of an element's mesh after its scale and its rotations x and z,
// relative to its origin, in position units.
int32_t mesh_bottom(const core::ElementState& st, int mesh) {
  const int n = platform::mesh_vertex_count(mesh);
  if (n <= 0) return 0;
  const int32_t rx[3] = {st.w[core::kRotation], 0, st.w[core::kRotation + 2]};
  int64_t lowest = INT64_MAX;
  for (int v = 0; v < n; ++v) {
    const core::Vec3 p = platform::mesh_vertex(mesh, v);
    const Vec3i q{saturate(p.x * st.w[core::kScaleX] / 1000.0 * kUnit),
                  saturate(p.y * st.w[core::kScaleY] / 1000.0 * kUnit),
                  saturate(p.z * st.w[core::kScaleZ] / 1000.0 * kUnit)};
    lowest = std::min<int64_t>(lowest, to_world(q, rx).y);
  }
  return static_cast<int32_t>(lowest);
}

int32_t bottom(int32_t a1) {
  if (const core::ElementState* st = core::element_at(a1)) {
    const uint32_t tag = current_tag(*st);
    if (tag == kTagXModel) return static_cast<int32_t>(static_cast<uint32_t>(st->w[core::kExtent + 4]) << 9);
    if (tag != kTagVisual && tag != kTagShape) return 0;
    return mesh_bottom(*st, platform::frame_mesh(element_frame(st)));
  }
  // A run-time X frame: its lowest vertex in world y, from its origin.
  const int f = xobject_frame(a1);
  const int mesh = platform::frame_mesh(f);
  const int n = platform::mesh_vertex_count(mesh);
  if (n <= 0) return 0;
  const core::Mat4 w = platform::frame_world(f);
  const float origin = platform::frame_world_position(f).y;
  float lowest = INFINITY;
  for (int v = 0; v < n; ++v) lowest = std::min(lowest, core::transform_point(w, platform::mesh_vertex(mesh, v)).y);
  return saturate((lowest - origin) * kUnit);
}

// visual_ray (e, distance): the ray along e's facing, `distance` position
// units long, on the main scene; the distance to the nearest face hit in
// position units (at least 1), or 0.
int32_t visual_ray(int32_t a1, int32_t a2) {
  XHit* h = hit_record(a1);
  if (!h || a2 <= 0) return 0;
  const platform::Pick p = cast(state().views.roots[kMainRoot], facing_ray(a1), a2 / kUnit);
  if (p.frame < 0) return 0;
  keep(h, p);
  return std::max(1, saturate(p.distance * kUnit));
}

// The middle of the box of the first collision part when it was chosen for
// `handle` (h_cpart1_set), in world units as the element stands now.
bool first_part_centre(int32_t handle, core::Vec3& out) {
  const PartSelection& part = state().lists.collision_parts[0];
  MeshWindow window;
  if (part.target != handle || !mesh_window(part, window) || window.count <= 0) return false;
  core::Vec3 lo = platform::mesh_vertex(window.mesh, window.first), hi = lo;
  for (int v = window.first + 1; v < window.first + window.count; ++v) {
    const core::Vec3 p = platform::mesh_vertex(window.mesh, v);
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  out = core::transform_point(target_world(handle, window.frame), (lo + hi) * 0.5f);
  return std::isfinite(out.x) && std::isfinite(out.y) && std::isfinite(out.z);
}

// h_poly_collision (e, other, margin): sweeps e's position (or the centre of
// its first collision part) along its velocity, extended by margin position
// units, against the faces of other (an element's frame or an X frame; 0:
// the whole scene but e). -1 on a hit, which is kept for the point and
// normal queries; 0 otherwise.
int32_t h_poly_collision(int32_t a1, int32_t a2, int32_t a3) {
  XHit* h = hit_record(a1);
  if (!h) return 0;
  refresh_view_state();
  int root = state().views.roots[kMainRoot];
  if (a2 != 0) {
    root = core::element_at(a2) ? element_frame(core::element_at(a2)) : xobject_frame(a2);
    if (root < 0) return 0;
  }
  Ray r = facing_ray(a1);
  core::Vec3 from;
  if (r.ok && first_part_centre(a1, from)) r.origin = from;
  double speed = 0;
  if (const core::ElementState* st = core::element_at(a1)) {
    const double vx = st->w[core::kVelocity], vy = st->w[core::kVelocity + 1], vz = st->w[core::kVelocity + 2];
    speed = std::sqrt(vx * vx + vy * vy + vz * vz);
    if (speed == 0) return 0;
    r.direction = {static_cast<float>(vx / speed), static_cast<float>(vy / speed), static_cast<float>(vz / speed)};
  }
  const double reach = (speed + a3) / kUnit;
  // A second collision part chosen for this target narrows the sweep to that
  // part: the target's other parts are hidden from the ray meanwhile.
  const PartSelection& part = state().lists.collision_parts[1];
  MeshWindow window;
  const bool narrowed = a2 != 0 && part.target == a2 && part.part >= 0 && mesh_window(part, window) &&
                        platform::mesh_group_count(window.mesh) <= kNarrowedGroups;
  bool shown[kNarrowedGroups];
  if (narrowed)
    for (int g = 0; g < platform::mesh_group_count(window.mesh); ++g) {
      shown[g] = platform::mesh_group_visible(window.mesh, g);
      if (g != window.part) platform::mesh_set_group_visible(window.mesh, g, false);
    }
  const platform::Pick p = cast(root, r, reach);
  if (narrowed)
    for (int g = 0; g < platform::mesh_group_count(window.mesh); ++g)
      platform::mesh_set_group_visible(window.mesh, g, shown[g]);
  if (p.frame < 0) return 0;
  keep(h, p);
  return -1;
}

template <int Word>
int32_t hit_value(int32_t a1) {
  const XHit* h = hit_record(a1);
  if (!h) return 0;
  return Word < 3 ? h->point[Word] : h->normal[Word - 3];
}

}  // namespace

void bind_hit_builtins() {
  brain::bind<bottom>("bottom");
  brain::bind<visual_ray>("visual_ray");
  brain::bind<h_poly_collision>("h_poly_collision");
  brain::bind<hit_value<0>>("h_cpoint_x");
  brain::bind<hit_value<1>>("h_cpoint_y");
  brain::bind<hit_value<2>>("h_cpoint_z");
  brain::bind<hit_value<3>>("h_cnormal_x");
  brain::bind<hit_value<4>>("h_cnormal_y");
  brain::bind<hit_value<5>>("h_cnormal_z");
}

}  // namespace engine
