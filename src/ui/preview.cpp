// Rendered thumbnails of 3D files for the picture file selector and the
// channel map: a model (.3ds), a 3D shape (.a3d), the first frame of a
// visual (.v3d) and a camera (.03d), drawn with
// the scene graph into the frame and read back. The preview builds its own
// root frame and removes everything it made, so a scene that is being run
// stays as it was.
#include "ui/preview_local.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "core/files.h"
#include "core/state.h"
#include "media/model3ds.h"
#include "media/shape_file.h"
#include "media/visual_file.h"
#include "media/visual_model.h"
#include "platform/gl_device.h"
#include "platform/scene.h"
#include "ui/preview.h"
#include "ui/screen.h"
#include "ui/events.h"
#include "ui/state_local.h"

namespace ui {

namespace {

constexpr size_t kMaxParts = 64;
constexpr size_t kMaxCameraFileBytes = 4096;

struct Part {
  core::Model model;
  bool coloured = false;
  bool textured = false;       // the model's materials name their textures
  uint32_t rgba = 0xFFFFFFFF;  // 0xAABBGGRR
};

// Where the eye looks from: the thumbnails' own angle, or turned by yaw
// (about the vertical, degrees) and pitch (above the horizon).
struct Eye {
  bool turned = false;
  float yaw = 0, pitch = 0;
};

// An axis-aligned box from `lo` to `hi`, every face listed in both windings
// so it shows from either side.
void add_box(core::Model& m, core::Vec3 lo, core::Vec3 hi) {
  const auto base = static_cast<uint32_t>(m.positions.size());
  for (int i = 0; i < 8; ++i) m.positions.push_back({i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z});
  const uint32_t quads[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
  for (const auto& q : quads) {
    for (uint32_t t : {q[0], q[1], q[2], q[0], q[2], q[3], q[0], q[2], q[1], q[0], q[3], q[2]})
      m.indices.push_back(base + t);
  }
}

// A camera: a body, a lens towards +z and a viewfinder on top.
core::Model camera_model() {
  core::Model m;
  add_box(m, {-1.0f, -0.6f, -0.5f}, {1.0f, 0.6f, 0.5f});
  add_box(m, {-0.4f, -0.4f, 0.5f}, {0.4f, 0.4f, 1.3f});
  add_box(m, {-0.7f, 0.6f, -0.3f}, {-0.1f, 0.9f, 0.2f});
  m.groups.push_back({0, static_cast<uint32_t>(m.indices.size()), 0});
  m.materials.push_back({});
  return m;
}

bool load_parts(int32_t kind, const std::string& path, int32_t frame, std::vector<Part>& parts) {
  const std::string& program = core::state().folders.program;
  if (kind == -4 || kind == 12) {
    Part p;
    if (media::load_3ds_model(path, "", p.model) != media::ModelSource::file) return false;
    parts.push_back(std::move(p));
  } else if (kind == 1 || kind == 3) {
    media::Shape shape;
    if (!media::read_shape(path, shape)) return false;
    Part p;
    p.model = media::shape_model(shape.vertices, shape.faces, shape.tiles);
    if (p.model.empty()) return false;
    parts.push_back(std::move(p));
  } else if (kind == 11) {
    media::Visual visual;
    if (!media::read_visual(path, program, visual) || visual.frames.empty()) return false;
    media::VisualFrame& shown =
        visual
            .frames[static_cast<size_t>(std::clamp<int32_t>(frame, 0, static_cast<int32_t>(visual.frames.size()) - 1))];
    if (shown.parts.size() > kMaxParts) shown.parts.resize(kMaxParts);
    Part p;
    p.model = media::visual_frame_model(shown, program);
    p.textured = true;
    if (p.model.empty()) return false;
    parts.push_back(std::move(p));
  } else if (kind == 0) {
    std::string bytes;
    if (!core::read_file(path, bytes, kMaxCameraFileBytes) || bytes.size() < 4 || bytes.compare(0, 4, "d30.") != 0)
      return false;
    Part p;
    p.model = camera_model();
    p.coloured = true;
    p.rgba = 0xFFB0A090u;
    parts.push_back(std::move(p));
  }
  return !parts.empty();
}

core::Vec3 normalised(core::Vec3 v) {
  const float n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return n > 0 ? core::Vec3{v.x / n, v.y / n, v.z / n} : core::Vec3{0, 0, 1};
}

bool render(int32_t kind, const std::string& path, int32_t frame_index, Eye look, int32_t w, int32_t h,
            std::vector<uint8_t>& rgba) {
  if (!platform::device_exists() || w <= 0 || h <= 0 || w > platform::frame_width() || h > platform::frame_height())
    return false;
  std::vector<Part> parts;
  if (!load_parts(kind, path, frame_index, parts)) return false;
  std::map<std::string, int> textures;

  const int root = platform::frame_create(-1);
  if (root < 0) return false;
  std::vector<int> meshes;
  core::Vec3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
  for (const Part& p : parts) {
    const int mesh = platform::mesh_create(p.model);
    if (mesh < 0) continue;
    meshes.push_back(mesh);
    if (p.coloured) platform::mesh_set_colour(mesh, -1, p.rgba);
    if (p.textured) media::apply_visual_textures(mesh, p.model, textures);
    const int f = platform::frame_create(root);
    if (f < 0) continue;
    platform::frame_set_mesh(f, mesh);
    core::Vec3 a, b;
    platform::mesh_bounds(mesh, a, b);
    lo = {std::min(lo.x, a.x), std::min(lo.y, a.y), std::min(lo.z, a.z)};
    hi = {std::max(hi.x, b.x), std::max(hi.y, b.y), std::max(hi.z, b.z)};
  }
  bool drawn = false;
  if (!meshes.empty() && lo.x <= hi.x && std::isfinite(lo.x) && std::isfinite(hi.x)) {
    const core::Vec3 c{(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
    const core::Vec3 d{hi.x - lo.x, hi.y - lo.y, hi.z - lo.z};
    const float r = std::max(std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z) / 2, 1e-3f);
    // Seen from the front, a little from above and to the left.
    core::Vec3 eye{c.x - 0.9f * r, c.y + 1.0f * r, c.z - 2.4f * r};
    if (look.turned) {
      constexpr float kDegree = 3.14159265f / 180.0f;
      const float yaw = look.yaw * kDegree, pitch = std::clamp(look.pitch, -85.0f, 85.0f) * kDegree;
      const float far = 2.75f * r;
      eye = {c.x - far * std::sin(yaw) * std::cos(pitch), c.y + far * std::sin(pitch),
             c.z - far * std::cos(yaw) * std::cos(pitch)};
    }
    const float distance = std::sqrt((c.x - eye.x) * (c.x - eye.x) + (c.y - eye.y) * (c.y - eye.y) +
                                     (c.z - eye.z) * (c.z - eye.z));
    const int camera = platform::frame_create(root);
    const int sun = platform::frame_create(root);
    if (camera >= 0 && sun >= 0) {
      platform::frame_set_position(camera, eye);
      platform::frame_set_orientation(camera, normalised({c.x - eye.x, c.y - eye.y, c.z - eye.z}), {0, 1, 0});
      platform::frame_set_orientation(sun, normalised({0.5f, -0.8f, 0.6f}), {0, 1, 0});
      const int ambient = platform::light_create(root, platform::kLightAmbient, 0.35f, 0.35f, 0.35f);
      const int light = platform::light_create(sun, platform::kLightDirectional, 0.9f, 0.9f, 0.9f);
      const int viewport = platform::viewport_create(camera, 0, 0, w, h);
      if (viewport >= 0) {
        platform::viewport_set_field(viewport, 0.5f);
        platform::viewport_set_clip(viewport, std::max(distance - 2 * r, distance * 0.01f), distance + 2 * r);
        platform::frame_clear();
        platform::viewport_render(viewport, root);
        platform::frame_finish();
        const int fw = platform::frame_width(), fh = platform::frame_height();
        std::vector<uint8_t> frame(static_cast<size_t>(fw) * static_cast<size_t>(fh) * 4);
        if (platform::frame_read(frame.data(), fw, fh)) {
          rgba.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0);
          for (int32_t y = 0; y < h; ++y)
            std::memcpy(rgba.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 4,
                        frame.data() + static_cast<size_t>(y) * static_cast<size_t>(fw) * 4,
                        static_cast<size_t>(w) * 4);
          drawn = true;
        }
        platform::viewport_delete(viewport);
      }
      if (light >= 0) platform::light_delete(light);
      if (ambient >= 0) platform::light_delete(ambient);
    }
  }
  platform::frame_delete(root);
  for (int mesh : meshes) platform::mesh_delete(mesh);
  for (const auto& [name, texture] : textures)
    if (texture >= 0) platform::texture_delete(texture);
  return drawn;
}

}  // namespace

bool render_preview(int32_t kind, const std::string& path, int32_t w, int32_t h, std::vector<uint8_t>& rgba) {
  return render(kind, path, 0, Eye{}, w, h, rgba);
}

bool draw_visual_preview(const Rect& area, const std::string& path, int32_t frame, int32_t yaw, int32_t pitch) {
  const int32_t w = area.right - area.left + 1, h = area.bottom - area.top + 1;
  if (w <= 0 || h <= 0 || area.left < 0 || area.top < 0 || area.right >= kScreenWidth || area.bottom >= kScreenHeight)
    return false;
  std::vector<uint8_t> rgba;
  if (!render(11, path, frame, Eye{true, static_cast<float>(yaw), static_cast<float>(pitch)}, w, h, rgba)) return false;
  uint8_t* s = screen();
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t* p = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4];
      s[(area.top + y) * kScreenWidth + area.left + x] = nearest_colour(p[0], p[1], p[2]);
    }
  mark_dirty();
  return true;
}

}  // namespace ui
