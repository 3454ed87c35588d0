// Built-ins of the renderer states of elements: depth and part order,
// shadows, mesh optimisation, and the per-frame registrations for
// environment mapping and billboards.
#include <algorithm>

#include "brain/bind.h"
#include "engine/mesh_access.h"

namespace engine {

namespace {


ViewListState& views() {
  refresh_view_state();
  return state().lists;
}

int32_t env_map_update(int32_t a1) {
  ViewListState& v = views();
  MeshWindow w;
  if (v.env_count >= kEnvMapEntries || !editable_window(a1, w)) return 0;
  v.env[v.env_count++] = {w.frame, w.mesh, w.first, w.count};
  return -1;
}

int32_t make_flat(int32_t a1) {
  ViewListState& v = views();
  int frame = renderer_frame(a1, 0);
  // An element in a priority layer is drawn by its layer's frame.
  const int e = core::element_index(a1);
  if (frame >= 0 && e >= 0 && state().views.layer_copy[e] >= 0) frame = state().views.layer_copy[e];
  if (v.billboard_count >= kBillboardEntries || frame < 0) return 0;
  v.billboards[v.billboard_count++] = frame;
  return -1;
}

int32_t zbuffer_mode_set(int32_t a1, int32_t a2) {
  if (a2 < platform::kDepthTestWrite || a2 > platform::kDepthNone) return 0;
  return for_each_frame(a1,
                        [&](int frame) {
                          platform::frame_set_depth_mode(frame, a2);
                          return true;
                        })
             ? -1
             : 0;
}

int32_t h_sort_mode_set(int32_t a1, int32_t a2) {
  if (a2 < 1 || a2 > 3) return 0;
  return for_each_frame(a1,
                        [&](int frame) {
                          platform::frame_set_part_order(frame, a2 == 3 ? 0 : a2);
                          return true;
                        })
             ? -1
             : 0;
}

int32_t rendering_optimize(int32_t a1) {
  const PartSelection sel = selection_of(a1);
  int32_t removed = 0;
  for_each_frame(a1, [&](int frame) {
    const int part = part_of(frame, sel.part);
    if (part != -2) removed += platform::mesh_merge_vertices(editable_mesh(a1, frame), part);
    return part != -2;
  });
  return removed;
}

int32_t normals_optimize(int32_t a1) {
  const PartSelection sel = selection_of(a1);
  int32_t written = 0;
  for_each_frame(a1, [&](int frame) {
    const int part = part_of(frame, sel.part);
    if (part != -2) written += platform::mesh_smooth_normals(editable_mesh(a1, frame), part);
    return part != -2;
  });
  return written;
}

// --- shadows (elements only)

ElementShadows* shadows_of(int32_t ref) {
  const int e = core::element_index(ref);
  return e < 0 ? nullptr : &views().shadows[e];
}

int32_t shadow_add(int32_t a1, int32_t a2) {
  ElementShadows* sh = shadows_of(a1);
  if (!sh) return 0;
  sh->planar = true;
  sh->light = core::element_index(a2);
  views().any_shadows = true;
  return -1;
}

int32_t shadow_location_set(int32_t a1, int32_t a2, int32_t a3) {
  ViewListState& v = views();
  v.plane_point[0] = a1;
  v.plane_point[1] = a2;
  v.plane_point[2] = a3;
  return -1;
}

int32_t shadow_orientation_set(int32_t a1, int32_t a2, int32_t a3) {
  if (a1 == 0 && a2 == 0 && a3 == 0) return 0;
  ViewListState& v = views();
  v.plane_normal[0] = a1;
  v.plane_normal[1] = a2;
  v.plane_normal[2] = a3;
  return -1;
}

int32_t v_shadow_create(int32_t a1) {
  ElementShadows* sh = shadows_of(a1);
  if (!sh) return 0;
  sh->volume = true;
  views().any_shadows = true;
  return -1;
}

int32_t v_shadow_factor(int32_t a1, int32_t a2) {
  ElementShadows* sh = shadows_of(a1);
  if (!sh) return 0;
  const int32_t before = sh->opacity;
  sh->opacity = std::clamp(a2, 0, 1000);
  views().any_shadows = true;
  return before;
}

int32_t v_shadow_delete() {
  ViewListState& v = views();
  int32_t n = 0;
  for (ElementShadows& sh : v.shadows) {
    n += sh.volume ? 1 : 0;
    sh.volume = false;
  }
  v.any_shadows = true;
  return n;
}

int32_t v_shadow_set(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5) {
  if (a1 != 0 && a1 != 1) return 0;
  if (a1 == 0 && a2 == 0 && a3 == 0 && a4 == 0) return 0;
  ViewListState& v = views();
  v.volume_kind = a1;
  v.volume_light[0] = a2;
  v.volume_light[1] = a3;
  v.volume_light[2] = a4;
  v.volume_length = std::max(a5, 0);
  return -1;
}

int32_t v_shadow_volume_add(int32_t a1, int32_t a2, int32_t a3) {
  ViewListState& v = views();
  if (v.receiver_count >= kShadowPlanes) return 0;
  int32_t* r = v.receivers[v.receiver_count++];
  r[0] = a1;
  r[1] = a2;
  r[2] = a3;
  return v.receiver_count;
}

int32_t v_shadow_volume_reset() {
  views().receiver_count = 0;
  return 0;
}

// The volume light follows an element: a directional LIGHT element gives
// its direction, anything else its position.
int32_t v_shadow_update(int32_t a1) {
  const int e = core::element_index(a1);
  if (e < 0) return 0;
  ViewListState& v = views();
  const core::ElementState& st = *core::element_state(e);
  const Object* o = current_object_of(&st, kTagLight);
  if (o && o->w[1] == platform::kLightDirectional) {
    const core::Vec3 d = core::transform_vector(target_world(a1, -1), {0, 0, 1});
    v.volume_kind = 0;
    v.volume_light[0] = static_cast<int32_t>(d.x * 65536.0f);
    v.volume_light[1] = static_cast<int32_t>(d.y * 65536.0f);
    v.volume_light[2] = static_cast<int32_t>(d.z * 65536.0f);
  } else {
    v.volume_kind = 1;
    std::copy(&st.w[core::kPosition], &st.w[core::kPosition] + 3, v.volume_light);
  }
  return -1;
}

}  // namespace

void bind_mesh_state_builtins() {
  brain::bind<env_map_update>("env_map_update");
  brain::bind<make_flat>("make_flat");
  brain::bind<zbuffer_mode_set>("zbuffer_mode_set");
  brain::bind<h_sort_mode_set>("h_sort_mode_set");
  brain::bind<rendering_optimize>("rendering_optimize");
  brain::bind<normals_optimize>("normals_optimize");
  brain::bind<shadow_add>("shadow_add");
  brain::bind<shadow_location_set>("shadow_location_set");
  brain::bind<shadow_orientation_set>("shadow_orientation_set");
  brain::bind<v_shadow_create>("v_shadow_create");
  brain::bind<v_shadow_factor>("v_shadow_factor");
  brain::bind<v_shadow_delete>("v_shadow_delete");
  brain::bind<v_shadow_set>("v_shadow_set");
  brain::bind<v_shadow_volume_add>("v_shadow_volume_add");
  brain::bind<v_shadow_volume_reset>("v_shadow_volume_reset");
  brain::bind<v_shadow_update>("v_shadow_update");
}

}  // namespace engine
