#include "engine/view_lists.h"

#include "core/element_state.h"
#include "engine/mesh_access.h"
#include "engine/objects.h"
#include "engine/state.h"
#include "platform/scene.h"

namespace engine {

namespace {

using core::Vec3;

Vec3 world_point(const int32_t* p) { return {to_world_units(p[0]), to_world_units(p[1]), to_world_units(p[2])}; }
Vec3 direction(const int32_t* v) { return {v[0] / 65536.0f, v[1] / 65536.0f, v[2] / 65536.0f}; }

// Texture coordinates from the vertex normals as the camera sees them: a
// normal facing the camera maps to the centre of the texture.
void env_map(const EnvMapEntry& e, const core::Mat4& camera) {
  if (platform::frame_mesh(e.frame) != e.mesh) return;
  const Vec3 right = core::normalize(core::transform_vector(camera, {1, 0, 0}));
  const Vec3 up = core::normalize(core::transform_vector(camera, {0, 1, 0}));
  const core::Mat4 world = platform::frame_world(e.frame);
  const int n = platform::mesh_vertex_count(e.mesh);
  for (int v = e.first; v < e.first + e.count && v < n; ++v) {
    const Vec3 w = core::normalize(core::transform_vector(world, platform::mesh_normal(e.mesh, v)));
    const float nx = core::dot(w, right), ny = core::dot(w, up);
    platform::mesh_set_uv(e.mesh, v, {0.5f + 0.5f * nx, 0.5f - 0.5f * ny});
  }
}

// The light of an element's planar shadow: a light element's frame gives a
// direction (directional lights) or a point (others but ambient); without
// one the light falls straight down.
void planar_light(int32_t light_element, bool& point, Vec3& v) {
  point = false;
  v = {0, -1, 0};
  if (light_element < 0 || light_element >= core::kElementCount) return;
  const core::ElementState& st = *core::element_state(light_element);
  const Object* o = current_object_of(&st, kTagLight);
  if (!o || current_object(st) < 0) return;
  const int frame = state().views.object_frame[current_object(st)];
  if (!platform::frame_valid(frame) || o->w[1] == platform::kLightAmbient) return;
  const core::Mat4 w = platform::frame_world(frame);
  if (o->w[1] == platform::kLightDirectional) {
    v = core::transform_vector(w, {0, 0, 1});
  } else {
    point = true;
    v = core::transform_point(w, {0, 0, 0});
  }
}

void drop(int32_t& id) {
  platform::shadow_delete(id);
  id = -1;
}

// Makes `id` a shadow of `caster` (creating it when needed) or drops it.
void keep(int32_t& id, bool wanted, int caster) {
  if (!wanted || caster < 0) {
    if (id >= 0) drop(id);
    return;
  }
  if (!platform::shadow_valid(id)) id = platform::shadow_create(caster);
  platform::shadow_set_caster(id, caster);
}

}  // namespace

void refresh_view_state() {
  ViewListState& v = state().lists;
  const uint32_t g = platform::scene_generation();
  if (v.generation == g) return;
  v = ViewListState{};
  v.generation = g;
}

void sync_shadows() {
  refresh_view_state();
  ViewListState& v = state().lists;
  if (!v.any_shadows) return;
  const Vec3 plane_point = world_point(v.plane_point), plane_normal = direction(v.plane_normal);
  const bool volume_point = v.volume_kind == 1;
  const Vec3 volume_light = volume_point ? world_point(v.volume_light) : direction(v.volume_light);
  const float length = v.volume_length > 0 ? to_world_units(v.volume_length) : 0.0f;
  bool any = false;
  for (int e = 0; e < core::kElementCount; ++e) {
    ElementShadows& sh = v.shadows[e];
    if (!sh.planar && !sh.volume && sh.planar_id < 0 && sh.volume_ids[0] < 0) continue;
    const int caster = renderer_frame(static_cast<int32_t>(core::element_ref(e)), 0);
    const float alpha = sh.opacity / 1000.0f;
    keep(sh.planar_id, sh.planar, caster);
    if (sh.planar_id >= 0) {
      bool point;
      Vec3 light;
      planar_light(sh.light, point, light);
      platform::shadow_set_light(sh.planar_id, point, light);
      platform::shadow_set_plane(sh.planar_id, plane_point, plane_normal);
      platform::shadow_set_opacity(sh.planar_id, alpha);
    }
    // Volume shadows fall on each receiving plane (or the shadow plane when
    // none was added); a plane faces the light. Casters farther from the
    // plane than the volume length cast nothing on it.
    const int planes = v.receiver_count > 0 ? v.receiver_count : 1;
    const Vec3 at = caster >= 0 ? platform::frame_world_position(caster) : Vec3{};
    for (int k = 0; k < kShadowPlanes; ++k) {
      const bool wanted = sh.volume && k < planes;
      keep(sh.volume_ids[k], wanted, caster);
      if (sh.volume_ids[k] < 0) continue;
      const Vec3 point = v.receiver_count > 0 ? world_point(v.receivers[k]) : plane_point;
      Vec3 normal = plane_normal;
      if (v.receiver_count > 0) normal = volume_point ? volume_light - point : volume_light * -1.0f;
      const float reach = core::dot(at - point, core::normalize(normal));
      const bool in_reach = length <= 0 || (reach >= 0 && reach <= length);
      platform::shadow_set_light(sh.volume_ids[k], volume_point, volume_light);
      platform::shadow_set_plane(sh.volume_ids[k], point, normal);
      platform::shadow_set_opacity(sh.volume_ids[k], in_reach ? alpha : 0.0f);
    }
    any = any || sh.planar || sh.volume;
  }
  v.any_shadows = any;
}

void prepare_camera_view(int camera_frame) {
  refresh_view_state();
  ViewListState& v = state().lists;
  sync_shadows();
  if (!platform::frame_valid(camera_frame)) return;
  const core::Mat4 camera = platform::frame_world(camera_frame);
  for (int i = 0; i < v.env_count && i < kEnvMapEntries; ++i) env_map(v.env[i], camera);
  // Billboards turn their z axis along the line of sight, so that the side a
  // camera looking down +z sees faces this camera.
  const Vec3 eye = core::transform_point(camera, {0, 0, 0});
  for (int i = 0; i < v.billboard_count && i < kBillboardEntries; ++i) {
    const int f = v.billboards[i];
    if (!platform::frame_valid(f)) continue;
    const Vec3 at = platform::frame_world_position(f);
    if (core::length(at - eye) < 1e-6f) continue;
    platform::frame_look_at(f, at + (at - eye));
  }
}

void clear_view_lists() {
  state().lists.env_count = 0;
  state().lists.billboard_count = 0;
}

}  // namespace engine
