// Built-ins that edit the renderer objects of elements: colours, vertices,
// normals, materials and parts. Shadows, render states and the per-frame
// registrations are in mesh_states.cpp.
//
// Every row takes an element reference or an X handle; anything else, a
// frame without a mesh, a part the mesh lacks or a vertex outside the
// selected window changes nothing and answers 0. Setters answer -1 when they
// changed something.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "brain/bind.h"
#include "core/arena.h"
#include "core/pools.h"
#include "core/strings.h"
#include "engine/builtins.h"
#include "engine/mesh_access.h"

namespace engine {

namespace {


using core::Vec2;
using core::Vec3;

constexpr float kUv = 1000.0f;       // texture coordinates: 1000 = 1.0
constexpr float kNormal = 65536.0f;  // normals: 65536 = 1.0

float channel(int32_t v) { return std::clamp(v, 0, 255) / 255.0f; }

// Colour rows: every selected frame's selected part.
int32_t set_colour(int32_t ref, int32_t r, int32_t g, int32_t b, int32_t a, bool keep_alpha) {
  const PartSelection sel = selection_of(ref);
  const int n = for_each_frame(ref, [&](int frame) {
    const int part = part_of(frame, sel.part);
    const int mesh = part == -2 ? -1 : editable_mesh(ref, frame);
    if (mesh < 0) return false;
    platform::mesh_set_diffuse(mesh, part, channel(r), channel(g), channel(b), keep_alpha ? -1.0f : channel(a));
    return true;
  });
  return n ? -1 : 0;
}

int32_t visual_color_set(int32_t a1, int32_t a2, int32_t a3, int32_t a4) {
  return set_colour(a1, a2, a3, a4, 255, true);
}

int32_t visual_rgba_set(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5) {
  return set_colour(a1, a2, a3, a4, a5, false);
}

// The mesh vertex of a window index, or -1.
int window_vertex(int32_t ref, int32_t index, MeshWindow& w) {
  if (!target_window(ref, w) || index < 0 || index >= w.count) return -1;
  return w.first + index;
}

// The same for rows that change the vertex.
int editable_vertex(int32_t ref, int32_t index, MeshWindow& w) {
  if (!target_window(ref, w) || index < 0 || index >= w.count) return -1;
  w.mesh = editable_mesh(ref, w.frame);
  return w.mesh < 0 ? -1 : w.first + index;
}

int32_t vertex_pos(int32_t a1, int32_t a2, int32_t a3) {
  MeshWindow w;
  const int v = window_vertex(a1, a2, w);
  if (v < 0 || a3 < 0 || a3 > 2) return 0;
  const Vec3 p = platform::mesh_vertex(w.mesh, v);
  return to_position_units(a3 == 0 ? p.x : a3 == 1 ? p.y : p.z);
}

int32_t vertex_pos_set(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5) {
  MeshWindow w;
  const int v = editable_vertex(a1, a2, w);
  if (v < 0) return 0;
  platform::mesh_set_vertex(w.mesh, v, {to_world_units(a3), to_world_units(a4), to_world_units(a5)});
  return -1;
}

int32_t vertex_pos_add(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5) {
  MeshWindow w;
  const int v = editable_vertex(a1, a2, w);
  if (v < 0) return 0;
  const Vec3 p = platform::mesh_vertex(w.mesh, v);
  platform::mesh_set_vertex(w.mesh, v, p + Vec3{to_world_units(a3), to_world_units(a4), to_world_units(a5)});
  return -1;
}

// A world point (position units) into the mesh's own coordinates, through
// the element's placement as the next frame draws it.
int32_t vertex_posw_set(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5) {
  MeshWindow w;
  const int v = editable_vertex(a1, a2, w);
  if (v < 0) return 0;
  const core::Mat4 inv = core::inverse_affine(target_world(a1, w.frame));
  platform::mesh_set_vertex(w.mesh, v,
                            core::transform_point(inv, {to_world_units(a3), to_world_units(a4), to_world_units(a5)}));
  return -1;
}

int32_t uv_units(float f) {
  if (!(f == f)) return 0;  // NaN
  return static_cast<int32_t>(std::clamp(std::nearbyint(f * kUv), -2e9f, 2e9f));
}

int32_t vertex_u(int32_t a1, int32_t a2) {
  MeshWindow w;
  const int v = window_vertex(a1, a2, w);
  return v < 0 ? 0 : uv_units(platform::mesh_uv(w.mesh, v).u);
}

int32_t vertex_v(int32_t a1, int32_t a2) {
  MeshWindow w;
  const int v = window_vertex(a1, a2, w);
  return v < 0 ? 0 : uv_units(platform::mesh_uv(w.mesh, v).v);
}

int32_t vertex_uv_set(int32_t a1, int32_t a2, int32_t a3, int32_t a4) {
  MeshWindow w;
  const int v = editable_vertex(a1, a2, w);
  if (v < 0) return 0;
  platform::mesh_set_uv(w.mesh, v, {a3 / kUv, a4 / kUv});
  return -1;
}

// Adds (du, dv) to the window vertices first..last (clamped to the window):
// scrolling a texture over a part. Answers the number of vertices moved.
int32_t vertex_uv_add(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5) {
  MeshWindow w;
  if (!target_window(a1, w) || w.count == 0 || a2 > a3 || a3 < 0 || a2 >= w.count || !editable_window(a1, w)) return 0;
  const int32_t lo = std::max(a2, 0), hi = std::min(a3, w.count - 1);
  int32_t n = 0;
  for (int32_t i = lo; i <= hi; ++i, ++n) {
    const Vec2 t = platform::mesh_uv(w.mesh, w.first + i);
    platform::mesh_set_uv(w.mesh, w.first + i, {t.u + a4 / kUv, t.v + a5 / kUv});
  }
  return n;
}

int32_t vertices(int32_t a1) {
  MeshWindow w;
  return target_window(a1, w) ? w.count : 0;
}

// The array cells (32-bit) of a handle: three per vertex, starting at cell
// 0. Only cells inside the handle's memory are read or written.
int32_t* cells(int32_t handle, int32_t& count) {
  count = 0;
  if (handle < 0 || handle >= static_cast<int32_t>(core::kHandleCount)) return nullptr;
  const core::HandleEntry* e = core::handle_entry(handle);
  if (!e || e->addr == 0) return nullptr;
  count = static_cast<int32_t>(std::min<uint32_t>(e->size / 4, 0x7FFFFFFF));
  return core::at<int32_t>(e->addr);
}

// Copies between the window vertices first.. and an array, as many whole
// triples as both hold; answers that number.
template <class Get>
int32_t to_array(int32_t ref, int32_t handle, int32_t first, Get get) {
  MeshWindow w;
  int32_t n_cells = 0;
  int32_t* c = cells(handle, n_cells);
  if (!c || !target_window(ref, w) || first < 0 || first >= w.count) return 0;
  const int32_t n = std::min(w.count - first, n_cells / 3);
  for (int32_t k = 0; k < n; ++k) {
    int32_t t[3];
    get(w.mesh, w.first + first + k, t);
    std::memcpy(c + 3 * k, t, sizeof t);
  }
  return n;
}

template <class Put>
int32_t from_array(int32_t ref, int32_t handle, int32_t first, Put put) {
  MeshWindow w;
  int32_t n_cells = 0;
  const int32_t* c = cells(handle, n_cells);
  if (!c || !editable_window(ref, w) || first < 0 || first >= w.count) return 0;
  const int32_t n = std::min(w.count - first, n_cells / 3);
  for (int32_t k = 0; k < n; ++k) {
    int32_t t[3];
    std::memcpy(t, c + 3 * k, sizeof t);
    put(w.mesh, w.first + first + k, t);
  }
  return n;
}

int32_t vertices_get(int32_t a1, int32_t a2, int32_t a3) {
  return to_array(a1, a2, a3, [](int mesh, int v, int32_t* t) {
    const Vec3 p = platform::mesh_vertex(mesh, v);
    t[0] = to_position_units(p.x);
    t[1] = to_position_units(p.y);
    t[2] = to_position_units(p.z);
  });
}

int32_t vertices_set(int32_t a1, int32_t a2, int32_t a3) {
  return from_array(a1, a2, a3, [](int mesh, int v, const int32_t* t) {
    platform::mesh_set_vertex(mesh, v, {to_world_units(t[0]), to_world_units(t[1]), to_world_units(t[2])});
  });
}

int32_t normal_units(float f) { return static_cast<int32_t>(std::nearbyint(std::clamp(f, -1.0f, 1.0f) * kNormal)); }

// The vertex count of the part the last h_part_set selected.
int32_t normals() {
  refresh_view_state();
  MeshWindow w;
  const PartSelection& last = state().lists.last;
  return last.target != 0 && mesh_window(last, w) ? w.count : 0;
}

int32_t normals_get(int32_t a1, int32_t a2, int32_t a3) {
  return to_array(a1, a2, a3, [](int mesh, int v, int32_t* t) {
    const Vec3 n = platform::mesh_normal(mesh, v);
    t[0] = normal_units(n.x);
    t[1] = normal_units(n.y);
    t[2] = normal_units(n.z);
  });
}

// Normals are stored at unit length; a zero vector leaves the normal as it was.
int32_t normals_set(int32_t a1, int32_t a2, int32_t a3) {
  return from_array(a1, a2, a3, [](int mesh, int v, const int32_t* t) {
    const Vec3 n = core::normalize({t[0] / kNormal, t[1] / kNormal, t[2] / kNormal});
    if (core::length(n) > 0) platform::mesh_set_normal(mesh, v, n);
  });
}

// material_set (kind, r, g, b, x): kind 0 diffuse colour with opacity x,
// 1 specular colour with exponent x, 2 emissive colour (x unused); channels
// 0..255 and exponent 0..255, clamped. Other kinds change nothing.
int32_t material_set(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5) {
  refresh_view_state();
  PendingMaterial& m = state().lists.material;
  const int32_t rgb[3] = {std::clamp(a2, 0, 255), std::clamp(a3, 0, 255), std::clamp(a4, 0, 255)};
  switch (a1) {
    case 0:
      std::copy(rgb, rgb + 3, m.diffuse);
      m.diffuse[3] = std::clamp(a5, 0, 255);
      return -1;
    case 1:
      std::copy(rgb, rgb + 3, m.specular);
      m.power = std::clamp(a5, 0, 255);
      return -1;
    case 2: std::copy(rgb, rgb + 3, m.emissive); return -1;
    default: return 0;
  }
}

int32_t material_apply(int32_t a1) {
  const PartSelection sel = selection_of(a1);
  const PendingMaterial& pm = state().lists.material;
  core::Material m;  // no texture name: copying it allocates nothing
  m.r = pm.diffuse[0] / 255.0f;
  m.g = pm.diffuse[1] / 255.0f;
  m.b = pm.diffuse[2] / 255.0f;
  m.a = pm.diffuse[3] / 255.0f;
  for (int k = 0; k < 3; ++k) {
    m.specular[k] = pm.specular[k] / 255.0f;
    m.emissive[k] = pm.emissive[k] / 255.0f;
  }
  m.power = static_cast<float>(pm.power);
  const int n = for_each_frame(a1, [&](int frame) {
    const int part = part_of(frame, sel.part);
    const int mesh = part == -2 ? -1 : editable_mesh(a1, frame);
    if (mesh < 0) return false;
    platform::mesh_set_surface(mesh, part, m);
    return true;
  });
  return n ? -1 : 0;
}

// A selection (e, frame, part, first, count) checked against the target's
// mesh as it is now; false leaves `out` alone.
bool make_selection(int32_t ref, int32_t frame, int32_t part, int32_t first, int32_t count, PartSelection& out) {
  if (core::element_index(ref) < 0 && !is_x_handle(ref)) return false;
  const int f = renderer_frame(ref, frame);
  if (f < 0 || part_of(f, part) == -2 || first < 0) return false;
  out = {ref, frame, part, first, count};
  return true;
}

int32_t h_part_set(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5) {
  PartSelection* slot = selection_slot(a1);
  PartSelection sel;
  if (!slot || !make_selection(a1, a2, a3, a4, a5, sel)) return 0;
  *slot = sel;
  state().lists.last = sel;
  return -1;
}

template <int Which>
int32_t h_cpart_set(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5) {
  refresh_view_state();
  PartSelection sel;
  if (!make_selection(a1, a2, a3, a4, a5, sel)) return 0;
  state().lists.collision_parts[Which] = sel;
  return -1;
}

int32_t h_part_show(int32_t a1, int32_t a2) {
  const PartSelection sel = selection_of(a1);
  const int n = for_each_frame(a1, [&](int frame) {
    const int part = part_of(frame, sel.part);
    const int mesh = part == -2 ? -1 : editable_mesh(a1, frame);
    if (mesh < 0) return false;
    platform::mesh_set_group_visible(mesh, part, a2 != 0);
    return true;
  });
  return n ? -1 : 0;
}

}  // namespace

void bind_mesh_state_builtins();

void bind_mesh_builtins() {
  brain::bind<visual_color_set>("visual_color_set");
  brain::bind<visual_rgba_set>("visual_rgba_set");
  brain::bind<vertex_pos>("vertex_pos");
  brain::bind<vertex_pos_set>("vertex_pos_set");
  brain::bind<vertex_pos_add>("vertex_pos_add");
  brain::bind<vertex_posw_set>("vertex_posw_set");
  brain::bind<vertex_u>("vertex_u");
  brain::bind<vertex_v>("vertex_v");
  brain::bind<vertex_uv_set>("vertex_uv_set");
  brain::bind<vertex_uv_add>("vertex_uv_add");
  brain::bind<vertices>("vertices");
  brain::bind<vertices_get>("vertices_get");
  brain::bind<vertices_set>("vertices_set");
  brain::bind<normals>("normals");
  brain::bind<normals_get>("normals_get");
  brain::bind<normals_set>("normals_set");
  brain::bind<material_set>("material_set");
  brain::bind<material_apply>("material_apply");
  brain::bind<h_part_set>("h_part_set");
  brain::bind<h_cpart_set<0>>("h_cpart1_set");
  brain::bind<h_cpart_set<1>>("h_cpart2_set");
  brain::bind<h_part_show>("h_part_show");
  bind_mesh_state_builtins();
}

}  // namespace engine
