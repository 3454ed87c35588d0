#include "engine/scene3d.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/protect.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "engine/motion.h"
#include "engine/objects.h"
#include "engine/scene_load.h"
#include "engine/sounds.h"
#include "engine/state.h"
#include "engine/view_lists.h"
#include "engine/xobjects.h"
#include "media/config.h"
#include "media/bmp.h"
#include "media/device.h"
#include "media/model3ds.h"
#include "media/shape_file.h"
#include "media/sound.h"
#include "media/visual_file.h"
#include "media/visual_model.h"
#include "platform/blit.h"
#include "platform/gl_device.h"
#include "platform/scene.h"
#include "platform/xfile.h"
#include "project/records.h"
#include "project/state.h"
#include "project/types.h"

namespace engine {

namespace {

constexpr float kPositionUnit = 512000.0f;
constexpr float kFixed = 65536.0f;
constexpr char kDefaultXModel[] = "xvisuals/default_.x";

int& root(int r) { return state().views.roots[r]; }


int32_t mode_percent() {
  const int32_t mode = media::current_display_mode();
  return mode == 4 || mode == 8 ? 125 : mode == 16 || mode == 32 ? 160 : 100;
}

uint32_t tag_of(int o) { return static_cast<uint32_t>(object(o)->w[0]); }

// A flat shape: a quad of 2 x 2 world units facing the viewer.
core::Model flat_quad() {
  core::Model m;
  m.positions = {{-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}, {1, -1, 0}};
  m.uvs = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
  m.indices = {0, 1, 2, 0, 2, 3};
  m.materials = {core::Material{}};
  m.groups = {{0, 6, 0}};
  return m;
}

// Every part of one frame of a visual, one group per part.
core::Model visual_model(int element, int frame) {
  media::Visual visual;
  std::string aspect = project::get_field(element, project::kFieldAspect);
  if (!media::read_visual(program_path(aspect), core::state().folders.program, visual)) {
    core::file_warning(program_path(aspect), "a visual", "visuals/default_.v3d");
    media::read_visual(program_path("visuals/default_.v3d"), core::state().folders.program, visual);
  }
  if (frame < 0 || static_cast<size_t>(frame) >= visual.frames.size()) return {};
  std::vector<std::string> missing;
  core::Model out = media::visual_frame_model(visual.frames[static_cast<size_t>(frame)], core::state().folders.program,
                                              &missing);
  for (const std::string& m : missing) core::file_warning(m, "a 3DS model", std::string(media::kDefault3dsFile));
  return out;
}

core::Model x_model(const std::string& path) {
  core::Model m;
  platform::XInfo info;
  std::string error;
  const core::RestoredFile file(path, core::kRestoredX);
  if (!platform::load_x(file.path(), m, info, error)) {
    core::file_warning(path, "a usable X model", kDefaultXModel);
    platform::load_x(program_path(kDefaultXModel), m, info, error);
  }
  return m;
}

// Meshes of one scene build by source, so that objects of the same file
// (elements sharing an aspect) share one mesh.
using MeshCache = std::map<std::string, int>;

int cached_mesh(MeshCache& cache, const std::string& key, const std::function<core::Model()>& make) {
  const auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  const core::Model m = make();
  const int mesh = m.empty() ? -1 : platform::mesh_create(m);
  cache[key] = mesh;
  return mesh;
}

int mesh_frame(int parent, int mesh) {
  const int f = platform::frame_create(parent);
  if (f >= 0 && mesh >= 0) platform::frame_set_mesh(f, mesh);
  return f;
}

// Viewport rectangle of a camera object on the 640 x 480 base screen, and
// its zoom exponent.
void camera_rect(const Object& obj, int32_t& x, int32_t& y, int32_t& w, int32_t& h, int32_t& k) {
  const int32_t* block = obj.w[1] ? core::at<int32_t>(static_cast<uint32_t>(obj.w[1])) : nullptr;
  x = 0, y = 0, w = 640, h = 480, k = 8;
  if (block && block[4] > 0 && block[5] > 0) {
    x = block[0];
    y = block[1];
    w = block[4];
    h = block[5];
    k = block[10];
  }
  if (k < 0 || k > 30) k = 8;
}

void build_camera(int o, const Object& obj) {
  State& s = state();
  const int f = platform::frame_create(root(kMainRoot));
  s.views.object_frame[o] = f;
  int32_t x, y, w, h, k;
  camera_rect(obj, x, y, w, h, k);
  const int32_t p = mode_percent();
  const int v = platform::viewport_create(f, x * p / 100, y * p / 100, w * p / 100, h * p / 100);
  s.views.object_viewport[o] = v;
  const int32_t scale = std::clamp(project::state().scene.field_scale, 1, 100);
  platform::viewport_set_field(v, scale / 100.0f * 240.0f / static_cast<float>(1 << k));
  platform::viewport_set_clip(v, scale / 100.0f, static_cast<float>(project::state().scene.clip_distance));
}

void build_light(int o, const Object& obj) {
  State& s = state();
  const int f = platform::frame_create(root(kMainRoot));
  s.views.object_frame[o] = f;
  const uint32_t c = static_cast<uint32_t>(obj.w[2]);
  const int l = platform::light_create(f, obj.w[1], (c >> 16 & 255) / 255.0f, (c >> 8 & 255) / 255.0f,
                                       (c & 255) / 255.0f);
  s.views.object_light[o] = l;
  s.views.light_values[o][0] = static_cast<int32_t>(c >> 16 & 255);
  s.views.light_values[o][1] = static_cast<int32_t>(c >> 8 & 255);
  s.views.light_values[o][2] = static_cast<int32_t>(c & 255);
  s.views.light_values[o][3] = 0;
}

// A 3D shape's mesh from its object's vertices and faces in the work pool.
core::Model shape_mesh(const Object& obj) {
  const int32_t nv = obj.w[6], nf = obj.w[4];
  if (nv <= 0 || nf <= 0 || !obj.w[7] || !obj.w[8]) return {};
  const auto* v = core::at<media::ShapeVertex>(static_cast<uint32_t>(obj.w[7]));
  const auto* f = core::at<media::ShapeFace>(static_cast<uint32_t>(obj.w[8]));
  return media::shape_model({v, static_cast<size_t>(nv)}, {f, static_cast<size_t>(nf)},
                            static_cast<uint32_t>(std::max(obj.w[3], 1)));
}

// --- 3D background

// The band of the 3D background image (rows of the 640 x 480 preview from
// the upper to the lower band row) as a texture, and the mean colours of its
// top and bottom rows (0x00RRGGBB).
int background_texture(uint32_t& top, uint32_t& bottom) {
  const project::Scene& scene = project::state().scene;
  media::Bitmap bmp;
  std::string path = scene.background.empty() ? std::string(kDefaultBackground3d) : scene.background;
  if (media::load_bmp(program_path(path), bmp) != media::BmpResult::ok) {
    core::file_warning(program_path(path), "a BMP image", kDefaultBackground3d);
    if (media::load_bmp(program_path(kDefaultBackground3d), bmp) != media::BmpResult::ok) return -1;
  }
  const int32_t upper = std::clamp(scene.band_upper, 0, 479);
  int32_t lower = std::clamp(scene.band_lower, 0, 479);
  if (lower <= upper) lower = 479;
  int32_t y0 = static_cast<int32_t>(int64_t(upper) * bmp.height / 480);
  int32_t y1 = static_cast<int32_t>((int64_t(lower) + 1) * bmp.height / 480);
  y0 = std::clamp(y0, 0, bmp.height - 1);
  y1 = std::clamp(y1, y0 + 1, bmp.height);
  const int w = bmp.width, h = y1 - y0;
  std::vector<uint32_t> rgba(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t p = bmp.pixels[static_cast<size_t>(y0 + y) * w + x];  // 0xAARRGGBB
      rgba[static_cast<size_t>(y) * w + x] = 0xFF000000u | (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF);
    }
  auto mean = [&](int row) {
    uint64_t c[3] = {};
    for (int x = 0; x < w; ++x) {
      const uint32_t p = rgba[static_cast<size_t>(row) * w + x];
      c[0] += p & 0xFF, c[1] += p >> 8 & 0xFF, c[2] += p >> 16 & 0xFF;
    }
    return static_cast<uint32_t>(c[0] / w) << 16 | static_cast<uint32_t>(c[1] / w) << 8 |
           static_cast<uint32_t>(c[2] / w);
  };
  top = mean(0);
  bottom = mean(h - 1);
  return platform::texture_create(rgba.data(), w, h);
}

uint32_t abgr(uint32_t rgb) { return 0xFF000000u | (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF); }

// The hood: part a carries the image band around the viewer (repeated as
// often as the project says), part b closes it above and below in the
// band's edge colours. Both are unlit and drawn from the inside.
void build_background3d() {
  State& s = state();
  const project::Scene& scene = project::state().scene;
  const int preview = std::clamp(scene.preview, 0, 4);
  uint32_t top = 0x405080, bottom = 0x202020;
  s.views.background3d_texture = background_texture(top, bottom);
  int32_t reps = scene.repetitions;
  if (reps < 1 || (reps & (reps - 1)) != 0 || reps > 1024) reps = 1;
  for (int part = 0; part < 2; ++part) {
    char name[16];
    std::snprintf(name, sizeof name, "hood%d%c.x", preview, part == 0 ? 'a' : 'b');
    core::Model m;
    platform::XInfo info;
    std::string error;
    if (!platform::load_x(core::state().folders.data + name, m, info, error)) continue;
    if (part == 0)
      for (core::Vec2& uv : m.uvs) uv.u *= static_cast<float>(reps);
    const int mesh = m.empty() ? -1 : platform::mesh_create(m);
    if (mesh < 0) continue;
    platform::mesh_set_unlit(mesh, true);
    if (part == 0) {
      platform::mesh_set_texture(mesh, -1, s.views.background3d_texture);
    } else {
      platform::mesh_set_colour(mesh, -1, abgr(top));
      if (platform::mesh_group_count(mesh) > 1) platform::mesh_set_colour(mesh, 1, abgr(bottom));
    }
    s.views.background3d_frames[part] = mesh_frame(root(kBackgroundRoot), mesh);
  }
}

// Mode 1: the hood around this camera, sized to half the back clip, drawn
// before the scene; the depth buffer is cleared again afterwards so that the
// hood never hides the scene.
void draw_background3d(int viewport, int camera_frame) {
  State& s = state();
  if (s.views.background3d_applied != s.views.background3d_colour && s.views.background3d_colour != kColourUnset) {
    s.views.background3d_applied = s.views.background3d_colour;
    const int mesh = platform::frame_mesh(s.views.background3d_frames[1]);
    if (mesh >= 0) platform::mesh_set_colour(mesh, -1, abgr(s.views.background3d_colour));
  }
  const core::Vec3 eye = platform::frame_world_position(camera_frame);
  const float radius = std::max(platform::viewport_back(viewport) * 0.5f, platform::viewport_front(viewport) * 4.0f);
  for (int f : s.views.background3d_frames) {
    if (f < 0) continue;
    platform::frame_set_position(f, eye);
    platform::frame_set_scale(f, {radius, radius, radius});
  }
  platform::viewport_render(viewport, root(kBackgroundRoot));
  platform::viewport_clear_depth(viewport);
}

// Mode 2 and above: every active camera's viewport filled with the 3D
// background colour (the scene colour until a brain sets one).
void clear_viewports() {
  State& s = state();
  const uint32_t c = s.views.background3d_colour != kColourUnset ? s.views.background3d_colour
                                                                 : s.drawing.scene_colour & 0xFFFFFF;
  for (int e = 0; e < s.scene.element_count; ++e) {
    const core::ElementState& st = *core::element_state(e);
    if (!core::on_and_shown(st)) continue;
    const int o = current_object(st);
    if (o < 0 || s.views.object_viewport[o] < 0) continue;
    int32_t x, y, w, h, k;
    camera_rect(*object(o), x, y, w, h, k);
    const int32_t p = mode_percent();
    platform::frame_fill({x * p / 100, y * p / 100, (x + w) * p / 100 - 1, (y + h) * p / 100 - 1}, c);
  }
}

// --- priority layers

int layer_frame(int32_t layer) {
  State& s = state();
  for (int i = 0; i < s.views.layer_count; ++i)
    if (s.views.layer_number[i] == layer) return s.views.layer_frames[i];
  if (s.views.layer_count == kMaxLayers) return -1;
  const int f = platform::frame_create(root(kSecondRoot));
  if (f < 0) return -1;
  // Layers are drawn in increasing number.
  int at = s.views.layer_count;
  while (at > 0 && s.views.layer_number[at - 1] > layer) {
    s.views.layer_number[at] = s.views.layer_number[at - 1];
    s.views.layer_frames[at] = s.views.layer_frames[at - 1];
    --at;
  }
  s.views.layer_number[at] = layer;
  s.views.layer_frames[at] = f;
  ++s.views.layer_count;
  apply_fog();
  return f;
}

void apply_transform(int f, const core::ElementState& st, uint32_t t);

}  // namespace

void element_axes(const int32_t* rotation, const int32_t* parent, core::Vec3& dir, core::Vec3& up) {
  Vec3i d{0, 0, 65536}, u{0, 65536, 0};
  if (parent) {
    d = to_world(d, parent);
    u = to_world(u, parent);
  }
  d = to_world(d, rotation);
  u = to_world(u, rotation);
  dir = {d.x / kFixed, d.y / kFixed, d.z / kFixed};
  up = {u.x / kFixed, u.y / kFixed, u.z / kFixed};
}

core::Quat element_rotation(const int32_t* rotation, const int32_t* parent) {
  Quaternion q = rotation_quaternion(rotation);
  if (parent) q = rotation_quaternion(parent) * q;
  // The product turns row vectors; the renderer's rotation turns column
  // vectors, so it takes the conjugate.
  return {static_cast<float>(q.w), static_cast<float>(-q.x), static_cast<float>(-q.y), static_cast<float>(-q.z)};
}

namespace {

void apply_transform(int f, const core::ElementState& st, uint32_t t) {
  const int32_t* parent = (st.w[core::kFlags] & core::kFlagJoined) ? &st.w[core::kParentRotation] : nullptr;
  const int32_t sx = st.w[core::kScaleX], sy = st.w[core::kScaleY], sz = st.w[core::kScaleZ];
  const bool model = t == kTagVisual || t == kTagXModel;
  if (model && (sx != 1000 || sy != 1000 || sz != 1000)) {
    platform::frame_set_rotation(f, element_rotation(&st.w[core::kRotation], parent));
    platform::frame_set_scale(f, {sx / 1000.0f, sy / 1000.0f, sz / 1000.0f});
  } else {
    core::Vec3 dir, up;
    element_axes(&st.w[core::kRotation], parent, dir, up);
    platform::frame_set_orientation(f, dir, up);
    platform::frame_set_scale(f, t == kTagFlat ? core::Vec3{sx / 1000.0f, sy / 1000.0f, 1.0f}
                                               : core::Vec3{1.0f, 1.0f, 1.0f});
  }
  platform::frame_set_position(f, {st.w[core::kPosition] / kPositionUnit, st.w[core::kPosition + 1] / kPositionUnit,
                                   st.w[core::kPosition + 2] / kPositionUnit});
}

// Renders the second root's layers (or the root itself when no layer is in
// use) with the front and back clips moved out by the layer offset. The
// renderer's field is the half width at unit distance, so an unchanged field
// keeps the view angle as the clips move.
void draw_layers(int viewport) {
  State& s = state();
  const float front = platform::viewport_front(viewport), back = platform::viewport_back(viewport);
  float offset = s.views.layer_step;
  if (s.views.layer_count == 0) {
    platform::viewport_set_clip(viewport, front + offset, back + offset);
    platform::viewport_render(viewport, root(kSecondRoot));
  }
  for (int i = 0; i < s.views.layer_count; ++i, offset += s.views.layer_step) {
    platform::viewport_set_clip(viewport, front + offset, back + offset);
    platform::viewport_render(viewport, s.views.layer_frames[i]);
  }
  platform::viewport_set_clip(viewport, front, back);
}

}  // namespace

void apply_fog() {
  const State& s = state();
  const uint32_t c = s.drawing.scene_colour;
  const uint32_t rgb = (c >> 16 & 255) | (c & 0xFF00) | (c & 255) << 16;
  for (int r : {kMainRoot, kSecondRoot, kOverlayRoot})
    platform::frame_set_fog(s.views.roots[r], s.views.fog_enabled, s.drawing.fog_start / 512.0f,
                            s.drawing.fog_end / 512.0f, rgb);
  for (int i = 0; i < s.views.layer_count; ++i)
    platform::frame_set_fog(s.views.layer_frames[i], s.views.fog_enabled, s.drawing.fog_start / 512.0f,
                            s.drawing.fog_end / 512.0f, rgb);
}

bool set_priority_layer(int element, int32_t layer) {
  State& s = state();
  if (element < 0 || element >= s.scene.element_count || layer < 0 || layer > kMaxLayers) return false;
  const int o = current_object(*core::element_state(element));
  if (o < 0 || (tag_of(o) != kTagFlat && tag_of(o) != kTagXModel)) return false;
  int& copy = s.views.layer_copy[element];
  if (s.views.element_layer[element] > 0 && copy >= 0) platform::frame_delete(copy);
  copy = -1;
  s.views.element_layer[element] = layer;
  if (layer == 0) return true;
  const int parent = layer_frame(layer);
  copy = parent >= 0 ? platform::frame_create(parent) : -1;
  if (copy < 0) {
    s.views.element_layer[element] = 0;
    return false;
  }
  platform::frame_set_traversal(copy, false, false);
  s.views.layered_flats = true;
  return true;
}

namespace {

// The editor's marker models, hidden until show_editor_markers places them.
// The box is translucent so that it never hides the element it surrounds.
void build_markers() {
  State& s = state();
  static constexpr const char* kNames[3] = {"bndbox.x", "radius.x", "cross.x"};
  for (int k = 0; k < 3; ++k) {
    core::Model m;
    platform::XInfo info;
    std::string error;
    if (!platform::load_x(core::state().folders.data + kNames[k], m, info, error) || m.empty()) continue;
    const int mesh = platform::mesh_create(m);
    if (mesh < 0) continue;
    platform::mesh_set_unlit(mesh, true);
    if (k == 0) platform::mesh_set_diffuse(mesh, -1, 0.25f, 1.0f, 0.25f, 0.2f);
    const int f = mesh_frame(root(k == 0 ? kOverlayRoot : kMainRoot), mesh);
    if (f >= 0) platform::frame_set_traversal(f, false, false);
    s.views.marker_frames[k] = f;
  }
}

}  // namespace

void build_scene3d(int32_t elements) {
  State& s = state();
  for (int r = 0; r < 4; ++r) {
    root(r) = platform::frame_create(-1);
    platform::frame_set_sort_mode(root(r), r == kOverlayRoot ? platform::kSortBackToFront : platform::kSortFrontToBack);
  }
  s.views.background3d_mode = 0;
  s.views.background3d_colour = s.views.background3d_applied = kColourUnset;
  s.views.background3d_frames[0] = s.views.background3d_frames[1] = -1;
  s.views.layered_flats = false;
  s.views.layer_step = 0.001f;
  s.views.layer_count = 0;
  for (int e = 0; e < core::kElementCount; ++e) {
    s.views.element_layer[e] = 0;
    s.views.layer_copy[e] = -1;
  }
  apply_fog();
  platform::texture_set_quality(media::settings().filtering);
  platform::scene_set_specular(s.views.specular);
  build_background3d();
  for (int32_t& f : s.views.marker_frames) f = -1;
  if (s.scene.editor) build_markers();

  MeshCache meshes;
  std::map<std::string, int> visual_textures;  // released with the scene
  for (int o = 0; o < s.scene.object_count; ++o) {
    s.views.object_frame[o] = s.views.object_viewport[o] = s.views.object_light[o] = -1;
    const Object& obj = *object(o);
    switch (static_cast<uint32_t>(obj.w[0])) {
      case kTagCamera: build_camera(o, obj); break;
      case kTagLight: build_light(o, obj); break;
      case kTagShape: {
        // Shapes that share their records share the pool arrays too.
        const int mesh = cached_mesh(meshes, "a:" + std::to_string(obj.w[7]) + ":" + std::to_string(obj.w[8]),
                                     [&] { return shape_mesh(obj); });
        s.views.object_frame[o] = mesh_frame(root(kMainRoot), mesh);
        if (mesh >= 0 && obj.w[1] >= 0) platform::mesh_set_texture(mesh, 0, obj.w[1]);
        break;
      }
      case kTagFlat: {
        const int mesh = platform::mesh_create(flat_quad());
        s.views.object_frame[o] = mesh_frame(root(kOverlayRoot), mesh);
        platform::mesh_set_texture(mesh, -1, obj.w[6]);
        platform::mesh_set_unlit(mesh, true);
        break;
      }
      case kTagVisual: {
        const int element = obj.w[2], frame = obj.w[1];
        const std::string key = "v:" + project::get_field(element, project::kFieldAspect) + ":" + std::to_string(frame);
        const auto cached = meshes.find(key);
        int mesh = cached == meshes.end() ? -1 : cached->second;
        if (cached == meshes.end()) {
          const core::Model m = visual_model(element, frame);
          mesh = m.empty() ? -1 : platform::mesh_create(m);
          if (mesh >= 0) media::apply_visual_textures(mesh, m, visual_textures);
          meshes[key] = mesh;
        }
        s.views.object_frame[o] = mesh_frame(root(kMainRoot), mesh);
        break;
      }
      case kTagXModel: {
        const std::string path = x_model_file(obj);
        s.views.object_frame[o] = mesh_frame(root(kMainRoot),
                                             cached_mesh(meshes, "x:" + path, [&] { return x_model(path); }));
        break;
      }
      default: break;
    }
    if (s.views.object_frame[o] >= 0) platform::frame_set_traversal(s.views.object_frame[o], false, false);
  }
  for (int e = 0; e < elements && e < core::kElementCount; ++e) {
    core::ElementState& st = *core::element_state(e);
    const int o = st.w[core::kFirstObject];
    if (!valid_object(o) || o >= s.scene.object_count) continue;
    const uint32_t t = tag_of(o);
    // Flat shapes and X models whose option item (field 38 item 1) names a
    // layer are drawn in that priority layer.
    if (t == kTagFlat || t == kTagXModel) {
      const int32_t layer = core::text_to_int(project::get_item(e, project::kFieldOption, 1));
      if (layer > 0) set_priority_layer(e, std::min(layer, kMaxLayers));
    }
    // Visuals and X models take their box from their meshes, scaled later
    // with the rest.
    if (t != kTagVisual && t != kTagXModel) continue;
    const int mesh = platform::frame_mesh(s.views.object_frame[o]);
    if (mesh < 0) continue;
    core::Vec3 lo, hi;
    platform::mesh_bounds(mesh, lo, hi);
    const int32_t box[6] = {static_cast<int32_t>(hi.x * 1000), static_cast<int32_t>(hi.y * 1000),
                            static_cast<int32_t>(hi.z * 1000), static_cast<int32_t>(lo.x * 1000),
                            static_cast<int32_t>(lo.y * 1000), static_cast<int32_t>(lo.z * 1000)};
    for (int k = 0; k < 6; ++k) st.w[core::kExtent + k] = box[k];
  }
  // The elements' sounds come last.
  load_element_sounds(elements);
}

std::string x_model_file(const Object& obj) {
  const std::string aspect = project::get_field(obj.w[2], project::kFieldAspect);
  return program_path(obj.w[1] > 1 ? numbered_frame(aspect, obj.w[1], true) : aspect);
}

void release_scene3d() {
  media::release_sounds();
  release_xobjects();
  clear_view_lists();
  platform::scene_reset();
  State& s = state();
  s.views.layer_count = 0;
  s.views.layered_flats = false;
  s.views.background3d_frames[0] = s.views.background3d_frames[1] = -1;
  s.views.background3d_texture = -1;
  for (int32_t& f : s.views.marker_frames) f = -1;
  for (int e = 0; e < core::kElementCount; ++e) {
    s.views.element_layer[e] = 0;
    s.views.layer_copy[e] = -1;
  }
}

void show_editor_markers(int element) {
  State& s = state();
  const core::ElementState* st = element >= 0 && element < s.scene.element_count ? core::element_state(element)
                                                                                 : nullptr;
  for (int f : s.views.marker_frames)
    if (f >= 0) platform::frame_set_traversal(f, st != nullptr, false);
  if (!st) return;
  const int32_t* w = st->w;
  const core::Vec3 at{w[core::kPosition] / kPositionUnit, w[core::kPosition + 1] / kPositionUnit,
                      w[core::kPosition + 2] / kPositionUnit};
  const int32_t* x = &w[core::kExtent];  // high x, y, z then low x, y, z, in 1/1000
  core::Vec3 half{(x[0] - x[3]) / 2000.0f, (x[1] - x[4]) / 2000.0f, (x[2] - x[5]) / 2000.0f};
  for (float* v : {&half.x, &half.y, &half.z}) *v = std::max(*v, 0.05f);
  const core::Quat q = element_rotation(&w[core::kRotation], &w[core::kParentRotation]);
  const float radius = std::max(w[core::kRadius] / 1000.0f, 0.05f);
  const float cross = std::max({half.x, half.y, half.z}) * 1.25f;
  const core::Vec3 scales[3] = {half, {radius, radius, radius}, {cross, cross, cross}};
  for (int k = 0; k < 3; ++k) {
    const int f = s.views.marker_frames[k];
    if (f < 0) continue;
    core::Vec3 p = at;
    if (k == 0) p = {at.x + (x[0] + x[3]) / 2000.0f, at.y + (x[1] + x[4]) / 2000.0f, at.z + (x[2] + x[5]) / 2000.0f};
    platform::frame_set_position(f, p);
    platform::frame_set_rotation(f, q);
    platform::frame_set_scale(f, scales[k]);
  }
}

void draw_views() {
  State& s = state();
  animate_xobjects();
  // Every renderer frame hidden, then the active elements brought up to date.
  for (int o = 0; o < s.scene.object_count; ++o)
    if (s.views.object_frame[o] >= 0) platform::frame_set_traversal(s.views.object_frame[o], false, false);
  for (int e = 0; e < s.scene.element_count; ++e) {
    const int copy = s.views.element_layer[e] > 0 ? s.views.layer_copy[e] : -1;
    if (copy >= 0) platform::frame_set_traversal(copy, false, false);
    const core::ElementState& st = *core::element_state(e);
    if (!core::on_and_shown(st)) continue;
    const int o = current_object(st);
    if (o < 0 || s.views.object_frame[o] < 0) continue;
    const uint32_t t = tag_of(o);
    if (copy >= 0) {
      // In a priority layer the element is drawn by its layer's frame alone,
      // with the mesh of its current object.
      platform::frame_set_mesh(copy, platform::frame_mesh(s.views.object_frame[o]));
      apply_transform(copy, st, t);
      platform::frame_set_traversal(copy, true, true);
      continue;
    }
    const int f = s.views.object_frame[o];
    apply_transform(f, st, t);
    platform::frame_set_traversal(f, true, true);
  }

  if (s.views.background3d_mode >= 2) clear_viewports();
  for (int e = 0; e < s.scene.element_count; ++e) {
    const core::ElementState& st = *core::element_state(e);
    if (!core::on_and_shown(st)) continue;
    const int o = current_object(st);
    if (o < 0 || s.views.object_viewport[o] < 0) continue;
    const int v = s.views.object_viewport[o];
    prepare_camera_view(s.views.object_frame[o]);
    platform::viewport_clear_depth(v);
    if (s.views.background3d_mode == 1) draw_background3d(v, s.views.object_frame[o]);
    platform::viewport_render(v, root(kMainRoot));
    if (!s.views.flats_after_cameras) platform::viewport_render(v, root(kOverlayRoot));
    if (s.views.layered_flats) draw_layers(v);
  }
  if (s.views.flats_after_cameras)
    for (int e = 0; e < s.scene.element_count; ++e) {
      const core::ElementState& st = *core::element_state(e);
      if (!core::on_and_shown(st)) continue;
      const int o = current_object(st);
      if (o >= 0 && s.views.object_viewport[o] >= 0)
        platform::viewport_render(s.views.object_viewport[o], root(kOverlayRoot));
    }
  clear_view_lists();
}

}  // namespace engine
