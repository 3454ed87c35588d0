#include "engine/scene3d.h"

#include <string>

#include "core/element_state.h"
#include "core/state.h"
#include "engine/motion.h"
#include "engine/objects.h"
#include "engine/state.h"
#include "engine/view_lists.h"
#include "engine/xobjects.h"
#include "media/device.h"
#include "media/model3ds.h"
#include "media/state.h"
#include "media/visual_file.h"
#include "platform/gl_device.h"
#include "platform/scene.h"
#include "platform/xfile.h"
#include "project/records.h"
#include "project/state.h"

namespace engine {

namespace {

constexpr float kPositionUnit = 512000.0f;
constexpr float kFixed = 65536.0f;

int& root(int r) { return state().roots[r]; }

std::string resolve(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  return core::state().folders.program + path;
}

int32_t mode_percent() {
  const int32_t mode = media::state().display_mode;
  return mode == 4 || mode == 8 ? 125 : mode == 16 || mode == 32 ? 160 : 100;
}

// A flat shape: a quad of 2 x 2 world units facing the viewer.
platform::Model flat_quad() {
  platform::Model m;
  m.positions = {{-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}, {1, -1, 0}};
  m.uvs = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
  m.indices = {0, 1, 2, 0, 2, 3};
  m.materials = {platform::Material{}};
  m.groups = {{0, 6, 0}};
  return m;
}

// Every part of one frame of a visual, one group per part.
platform::Model visual_model(int element, int frame) {
  platform::Model out;
  media::Visual visual;
  std::string aspect = project::get_field(element, project::kFieldAspect);
  if (!media::read_visual(resolve(aspect), core::state().folders.program, visual))
    media::read_visual(resolve("visuals/default_.v3d"), core::state().folders.program, visual);
  if (frame < 0 || static_cast<size_t>(frame) >= visual.frames.size()) return out;
  for (const media::VisualPart& part : visual.frames[static_cast<size_t>(frame)].parts) {
    platform::Model m;
    media::load_3ds_model(resolve(part.source), resolve(std::string(media::kDefault3dsFile)), m);
    if (part.faces_flip) media::reverse_winding(m);
    const uint32_t base = static_cast<uint32_t>(out.positions.size());
    const uint32_t first = static_cast<uint32_t>(out.indices.size());
    out.positions.insert(out.positions.end(), m.positions.begin(), m.positions.end());
    for (uint32_t i : m.indices) out.indices.push_back(base + i);
    platform::Material mat;
    mat.r = part.red / 255.0f;
    mat.g = part.green / 255.0f;
    mat.b = part.blue / 255.0f;
    mat.a = part.translucent ? 0.5f : 1.0f;
    out.materials.push_back(mat);
    out.groups.push_back({first, static_cast<uint32_t>(m.indices.size()), static_cast<int>(out.materials.size() - 1)});
  }
  return out;
}

int make_mesh_frame(int parent, const platform::Model& m) {
  const int f = platform::frame_create(parent);
  if (f >= 0 && !m.empty()) platform::frame_set_mesh(f, platform::mesh_create(m));
  return f;
}

void build_camera(int o, const Object& obj) {
  State& s = state();
  const int f = platform::frame_create(root(kMainRoot));
  s.object_frame[o] = f;
  const int32_t* block = obj.w[1] ? core::at<int32_t>(static_cast<uint32_t>(obj.w[1])) : nullptr;
  int32_t x = 0, y = 0, w = 640, h = 480, k = 8;
  if (block && block[4] > 0 && block[5] > 0) {
    x = block[0];
    y = block[1];
    w = block[4];
    h = block[5];
    k = block[10];
  }
  const int32_t p = mode_percent();
  const int v = platform::viewport_create(f, x * p / 100, y * p / 100, w * p / 100, h * p / 100);
  s.object_viewport[o] = v;
  int32_t scale = project::state().scene.field_scale;
  scale = scale < 1 ? 1 : scale > 100 ? 100 : scale;
  if (k < 0 || k > 30) k = 8;
  platform::viewport_set_field(v, scale / 100.0f * 240.0f / static_cast<float>(1 << k));
  platform::viewport_set_clip(v, scale / 100.0f, static_cast<float>(project::state().scene.clip_distance));
}

void build_light(int o, const Object& obj) {
  State& s = state();
  const int f = platform::frame_create(root(kMainRoot));
  s.object_frame[o] = f;
  const uint32_t c = static_cast<uint32_t>(obj.w[2]);
  const int l = platform::light_create(f, obj.w[1], (c >> 16 & 255) / 255.0f, (c >> 8 & 255) / 255.0f, (c & 255) / 255.0f);
  s.object_light[o] = l;
  s.light_values[o][0] = static_cast<int32_t>(c >> 16 & 255);
  s.light_values[o][1] = static_cast<int32_t>(c >> 8 & 255);
  s.light_values[o][2] = static_cast<int32_t>(c & 255);
  s.light_values[o][3] = 0;
}

}  // namespace

void apply_fog() {
  const State& s = state();
  const uint32_t c = s.scene_colour;
  const uint32_t rgb = (c >> 16 & 255) | (c & 0xFF00) | (c & 255) << 16;
  for (int r : {kMainRoot, kSecondRoot, kOverlayRoot})
    platform::frame_set_fog(state().roots[r], s.fog_enabled, s.fog_start / 512.0f, s.fog_end / 512.0f, rgb);
}

void build_scene3d(int32_t elements) {
  State& s = state();
  for (int r = 0; r < 4; ++r) {
    root(r) = platform::frame_create(-1);
    platform::frame_set_sort_mode(root(r), r == kOverlayRoot ? platform::kSortBackToFront : platform::kSortFrontToBack);
  }
  apply_fog();
  platform::texture_set_quality(media::state().settings.filtering);
  for (int o = 0; o < s.object_count; ++o) {
    s.object_frame[o] = s.object_viewport[o] = s.object_light[o] = -1;
    const Object& obj = *object(o);
    switch (static_cast<uint32_t>(obj.w[0])) {
      case kTagCamera: build_camera(o, obj); break;
      case kTagLight: build_light(o, obj); break;
      case kTagFlat: {
        const int f = make_mesh_frame(root(kOverlayRoot), flat_quad());
        s.object_frame[o] = f;
        platform::mesh_set_texture(platform::frame_mesh(f), -1, obj.w[6]);
        platform::mesh_set_unlit(platform::frame_mesh(f), true);
        break;
      }
      case kTagVisual:
        s.object_frame[o] = make_mesh_frame(root(kMainRoot), visual_model(obj.w[2], obj.w[1]));
        break;
      case kTagXModel: {
        platform::Model m;
        platform::XInfo info;
        std::string error;
        std::string path = resolve(project::get_field(obj.w[2], project::kFieldAspect));
        if (obj.w[1] > 1) {
          const std::string base = path.size() >= 2 ? path.substr(0, path.size() - 2) : path;
          char digits[8];
          std::snprintf(digits, sizeof digits, "_%03d.x", obj.w[1] % 1000);
          path = base + digits;
        }
        platform::load_x(path, m, info, error);
        s.object_frame[o] = make_mesh_frame(root(kMainRoot), m);
        break;
      }
      default:
        break;
    }
    if (s.object_frame[o] >= 0) platform::frame_set_traversal(s.object_frame[o], false, false);
  }
  // 3D objects take their box from their meshes, scaled later with the rest.
  for (int e = 0; e < elements; ++e) {
    core::ElementState& st = *core::element_state(e);
    const int o = st.w[core::kFirstObject];
    if (!valid_object(o)) continue;
    const uint32_t t = static_cast<uint32_t>(object(o)->w[0]);
    if (t != kTagVisual && t != kTagXModel) continue;
    const int mesh = platform::frame_mesh(s.object_frame[o]);
    if (mesh < 0) continue;
    platform::Vec3 lo, hi;
    platform::mesh_bounds(mesh, lo, hi);
    const int32_t box[6] = {static_cast<int32_t>(hi.x * 1000), static_cast<int32_t>(hi.y * 1000),
                            static_cast<int32_t>(hi.z * 1000), static_cast<int32_t>(lo.x * 1000),
                            static_cast<int32_t>(lo.y * 1000), static_cast<int32_t>(lo.z * 1000)};
    for (int k = 0; k < 6; ++k) st.w[core::kExtent + k] = box[k];
  }
}

void release_scene3d() {
  release_xobjects();
  clear_view_lists();
  platform::scene_reset();
}

void draw_views() {
  State& s = state();
  // Every renderer frame hidden, then the active elements brought up to date.
  for (int o = 0; o < s.object_count; ++o)
    if (s.object_frame[o] >= 0) platform::frame_set_traversal(s.object_frame[o], false, false);
  for (int e = 0; e < s.element_count; ++e) {
    const core::ElementState& st = *core::element_state(e);
    if ((st.w[core::kFlags] & (core::kFlagOn | core::kFlagShown)) != (core::kFlagOn | core::kFlagShown)) continue;
    const int o = st.w[core::kCurrentObject];
    if (!valid_object(o) || o >= s.object_count || s.object_frame[o] < 0) continue;
    const int f = s.object_frame[o];
    Vec3i dir{0, 0, 65536}, up{0, 65536, 0};
    if (st.w[core::kFlags] & core::kFlagJoined) {
      dir = to_world(dir, &st.w[core::kParentRotation]);
      up = to_world(up, &st.w[core::kParentRotation]);
    }
    dir = to_world(dir, &st.w[core::kRotation]);
    up = to_world(up, &st.w[core::kRotation]);
    platform::frame_set_orientation(f, {dir.x / kFixed, dir.y / kFixed, dir.z / kFixed},
                                    {up.x / kFixed, up.y / kFixed, up.z / kFixed});
    const uint32_t t = static_cast<uint32_t>(object(o)->w[0]);
    const float sx = st.w[core::kScaleX] / 1000.0f, sy = st.w[core::kScaleY] / 1000.0f, sz = st.w[core::kScaleZ] / 1000.0f;
    if (t == kTagVisual || t == kTagXModel || t == kTagFlat)
      platform::frame_set_scale(f, {sx, sy, t == kTagFlat ? 1.0f : sz});
    platform::frame_set_position(f, {st.w[core::kPosition] / kPositionUnit, st.w[core::kPosition + 1] / kPositionUnit,
                                     st.w[core::kPosition + 2] / kPositionUnit});
    platform::frame_set_traversal(f, true, true);
  }

  for (int e = 0; e < s.element_count; ++e) {
    const core::ElementState& st = *core::element_state(e);
    if ((st.w[core::kFlags] & (core::kFlagOn | core::kFlagShown)) != (core::kFlagOn | core::kFlagShown)) continue;
    const int o = st.w[core::kCurrentObject];
    if (!valid_object(o) || o >= s.object_count || s.object_viewport[o] < 0) continue;
    const int v = s.object_viewport[o];
    prepare_camera_view(s.object_frame[o]);
    platform::viewport_clear_depth(v);
    platform::viewport_render(v, root(kMainRoot));
    if (!s.flats_after_cameras) platform::viewport_render(v, root(kOverlayRoot));
  }
  if (s.flats_after_cameras)
    for (int e = 0; e < s.element_count; ++e) {
      const core::ElementState& st = *core::element_state(e);
      if ((st.w[core::kFlags] & (core::kFlagOn | core::kFlagShown)) != (core::kFlagOn | core::kFlagShown)) continue;
      const int o = st.w[core::kCurrentObject];
      if (valid_object(o) && o < s.object_count && s.object_viewport[o] >= 0)
        platform::viewport_render(s.object_viewport[o], root(kOverlayRoot));
    }
  clear_view_lists();
}

}  // namespace engine
