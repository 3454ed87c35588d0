#include "media/visual_model.h"

#include <algorithm>
#include <cmath>

#include "media/bmp.h"
#include "media/model3ds.h"
#include "platform/scene.h"

namespace media {

namespace {

using core::Vec2;
using core::Vec3;

constexpr float kPi = 3.14159265358979f;

// How the image is seen from a wrap direction: its right and up axes and
// the direction the eye looks in.
struct View {
  Vec3 right, up, forward;
};

// Wrap directions 1 to 6: back, right, front, left, top, bottom. The front
// is the side a camera at the default place (looking along +z) sees.
View direction_view(int32_t direction) {
  switch (direction) {
    case 1: return {{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}};  // from behind
    case 2: return {{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}};   // from the right
    case 4: return {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}};   // from the left
    case 5: return {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}};   // from above
    case 6: return {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}};   // from below
    default: return {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};   // from the front
  }
}

Vec3 face_normal(Vec3 a, Vec3 b, Vec3 c) { return core::cross(b - a, c - a); }

// The wrap direction of a face for six views: the side its normal points to.
int32_t facing_direction(Vec3 n) {
  const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  if (az >= ax && az >= ay) return n.z > 0 ? 1 : 3;
  if (ax >= ay) return n.x > 0 ? 2 : 4;
  return n.y > 0 ? 5 : 6;
}

float extent(Vec3 size, Vec3 axis) {
  const float e = std::fabs(size.x * axis.x) + std::fabs(size.y * axis.y) + std::fabs(size.z * axis.z);
  return e > 1e-6f ? e : 1.0f;
}

Vec2 flat_uv(Vec3 q, Vec3 size, const View& v) {
  return {0.5f + core::dot(q, v.right) / extent(size, v.right), 0.5f - core::dot(q, v.up) / extent(size, v.up)};
}

// The angle around the up axis, 0.5 facing the eye and 0 / 1 behind.
float around(Vec3 q, const View& v) {
  const float x = core::dot(q, v.right), z = -core::dot(q, v.forward);
  if (std::fabs(x) < 1e-9f && std::fabs(z) < 1e-9f) return 0.5f;
  return 0.5f + std::atan2(x, z) / (2 * kPi);
}

// A name of a record relative to the program folder.
std::string in_program(const std::string& name, const std::string& program_folder) {
  if (name.empty() || name[0] == '/' || program_folder.empty()) return name;
  std::string folder = program_folder;
  if (folder.back() != '/') folder.push_back('/');
  return folder + (name.rfind("./", 0) == 0 ? name.substr(2) : name);
}

// Every triangle on vertices of its own, so that the normals the scene
// computes are the triangles' own.
void split_triangles(core::Model& m) {
  if (!core::model_valid(m) || m.indices.empty()) return;
  const size_t n = m.positions.size();
  const bool uvs = m.uvs.size() == n, colours = m.colours.size() == n;
  core::Model out;
  out.groups = m.groups;
  out.materials = m.materials;
  out.positions.reserve(m.indices.size());
  if (uvs) out.uvs.reserve(m.indices.size());
  if (colours) out.colours.reserve(m.indices.size());
  out.indices.reserve(m.indices.size());
  for (uint32_t i : m.indices) {
    out.indices.push_back(static_cast<uint32_t>(out.positions.size()));
    out.positions.push_back(m.positions[i]);
    if (uvs) out.uvs.push_back(m.uvs[i]);
    if (colours) out.colours.push_back(m.colours[i]);
  }
  m = std::move(out);
}

uint32_t rgba_of(const VisualPart& p) { return 0xFF000000u | uint32_t{p.blue} << 16 | uint32_t{p.green} << 8 | p.red; }

}  // namespace

int32_t effective_wrap_shape(const VisualPart& part) {
  if (part.texture_mode < 2) return -1;
  const int32_t shape = std::clamp(part.wrap_shape, 0, kWrapShapes - 1);
  return part.texture_mode == 3 && shape == kWrapFlat ? kWrapCylinder : shape;
}

int32_t effective_quality(const VisualPart& part) {
  // A damaged record's number is drawn as the nearest quality, as the
  // visual editor shows it.
  return std::clamp<int32_t>(part.quality, kQualityWireframe, kQualityGouraud);
}

namespace {

void map_coordinates(core::Model& m, const VisualPart& part) {
  if (!core::model_valid(m) || m.indices.empty() || m.positions.empty()) return;
  // Smoothed normals of the shared vertices, for chrome.
  std::vector<Vec3> smooth(m.positions.size(), Vec3{0, 0, 0});
  for (size_t i = 0; i + 2 < m.indices.size(); i += 3) {
    const Vec3 n = face_normal(m.positions[m.indices[i]], m.positions[m.indices[i + 1]], m.positions[m.indices[i + 2]]);
    for (size_t k = 0; k < 3; ++k) smooth[m.indices[i + k]] = smooth[m.indices[i + k]] + n;
  }
  Vec3 lo = m.positions[m.indices[0]], hi = lo;
  for (uint32_t i : m.indices) {
    const Vec3 p = m.positions[i];
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  const Vec3 centre = (lo + hi) * 0.5f, size = hi - lo;
  const int32_t shape = effective_wrap_shape(part);
  const View view = direction_view(part.wrap_direction);
  // Flat and chrome give every vertex one place in the image: the mesh
  // keeps its vertices as they are.
  if (shape == kWrapFlat || shape == kWrapChrome) {
    m.uvs.resize(m.positions.size());
    for (size_t i = 0; i < m.positions.size(); ++i) {
      if (shape == kWrapFlat) {
        m.uvs[i] = flat_uv(m.positions[i] - centre, size, view);
      } else {
        const Vec3 n = core::normalize(smooth[i]);
        m.uvs[i] = {0.5f + core::dot(n, view.right) / 2, 0.5f - core::dot(n, view.up) / 2};
      }
    }
    return;
  }

  core::Model out;
  out.groups = m.groups;
  out.materials = m.materials;
  out.positions.reserve(m.indices.size());
  out.uvs.reserve(m.indices.size());
  out.indices.reserve(m.indices.size());
  const bool colours = m.colours.size() == m.positions.size();
  for (size_t i = 0; i + 2 < m.indices.size(); i += 3) {
    const uint32_t idx[3] = {m.indices[i], m.indices[i + 1], m.indices[i + 2]};
    const Vec3 p[3] = {m.positions[idx[0]], m.positions[idx[1]], m.positions[idx[2]]};
    Vec2 uv[3];
    if (shape < 0) {  // six views (or colour only, which shows no texture)
      const View side = direction_view(facing_direction(face_normal(p[0], p[1], p[2])));
      for (int k = 0; k < 3; ++k) uv[k] = flat_uv(p[k] - centre, size, side);
    } else {
      for (int k = 0; k < 3; ++k) {
        const Vec3 q = p[k] - centre;
        switch (shape) {
          case kWrapCylinder: uv[k] = {around(q, view), flat_uv(q, size, view).v}; break;
          case kWrapSphere: {
            const float r = core::length(q);
            const float up = r > 1e-9f ? std::clamp(core::dot(q, view.up) / r, -1.0f, 1.0f) : 0.0f;
            uv[k] = {around(q, view), std::acos(up) / kPi};
            break;
          }
          default: uv[k] = flat_uv(q, size, view); break;
        }
      }
      // A triangle across the seam of a wrap takes its far corners round
      // once more instead of running back over the whole image.
      if (shape == kWrapCylinder || shape == kWrapSphere) {
        const float top = std::max({uv[0].u, uv[1].u, uv[2].u}), bottom = std::min({uv[0].u, uv[1].u, uv[2].u});
        if (top - bottom > 0.5f)
          for (Vec2& t : uv)
            if (t.u < 0.5f) t.u += 1.0f;
      }
    }
    for (int k = 0; k < 3; ++k) {
      out.indices.push_back(static_cast<uint32_t>(out.positions.size()));
      out.positions.push_back(p[k]);
      out.uvs.push_back(uv[k]);
      if (colours) out.colours.push_back(m.colours[idx[k]]);
    }
  }
  m = std::move(out);
}

}  // namespace

void map_part_texture(core::Model& m, const VisualPart& part) {
  map_coordinates(m, part);
  // A model at the edge of the float range overflows its extent: such a
  // vertex has no place in the image and takes the image's centre.
  for (Vec2& t : m.uvs)
    if (!std::isfinite(t.u) || !std::isfinite(t.v)) t = {0.5f, 0.5f};
}

core::Model visual_frame_model(const VisualFrame& frame, const std::string& program_folder,
                               std::vector<std::string>* missing) {
  const std::string fallback = in_program(std::string(kDefault3dsFile), program_folder);
  core::Model out;
  bool any_uvs = false;
  for (const VisualPart& part : frame.parts) {
    core::Model m;
    const std::string source = in_program(part.source, program_folder);
    if (load_3ds_model(source, fallback, m) != ModelSource::file && missing) missing->push_back(source);
    if (part.morph_percent > 0 && !part.target.empty()) {
      core::Model target;
      if (load_3ds_model(in_program(part.target, program_folder), "", target) == ModelSource::file &&
          target.positions.size() == m.positions.size()) {
        const float t = static_cast<float>(std::clamp(part.morph_percent, 0, 100)) / 100.0f;
        for (size_t i = 0; i < m.positions.size(); ++i)
          m.positions[i] = m.positions[i] + (target.positions[i] - m.positions[i]) * t;
      }
    }
    if (part.faces_flip) reverse_winding(m);
    const bool textured = part.texture_mode != 0 && !part.texture.empty();
    if (textured) map_part_texture(m, part);
    const int32_t quality = effective_quality(part);
    if (quality == kQualityFlat || quality == kQualityUnlitFlat) split_triangles(m);
    core::Material mat;
    if (!textured) {
      const uint32_t c = rgba_of(part);
      mat.r = static_cast<float>(c & 255) / 255.0f;
      mat.g = static_cast<float>(c >> 8 & 255) / 255.0f;
      mat.b = static_cast<float>(c >> 16 & 255) / 255.0f;
    } else {
      mat.texture = in_program(part.texture, program_folder) + (part.transparent ? "|" : "");
    }
    mat.a = part.translucent ? 0.5f : 1.0f;
    if (part.material == 1) {  // metal: a bright, tight highlight
      mat.specular[0] = mat.specular[1] = mat.specular[2] = 0.9f;
      mat.power = 24.0f;
    }
    const auto base = static_cast<uint32_t>(out.positions.size());
    const auto first = static_cast<uint32_t>(out.indices.size());
    out.positions.insert(out.positions.end(), m.positions.begin(), m.positions.end());
    if (m.uvs.size() == m.positions.size()) {
      any_uvs = true;
      out.uvs.insert(out.uvs.end(), m.uvs.begin(), m.uvs.end());
    } else {
      out.uvs.resize(out.positions.size(), Vec2{0, 0});
    }
    for (uint32_t i : m.indices) out.indices.push_back(base + i);
    out.materials.push_back(mat);
    core::Group group{first, static_cast<uint32_t>(m.indices.size()), static_cast<int>(out.materials.size() - 1)};
    group.lines = quality == kQualityWireframe;
    group.lit = quality != kQualityUnlitFlat;
    out.groups.push_back(group);
  }
  if (!any_uvs) out.uvs.clear();
  return out;
}

void apply_visual_textures(int mesh, const core::Model& model, std::map<std::string, int>& made) {
  for (const core::Group& g : model.groups) {
    if (g.material < 0 || static_cast<size_t>(g.material) >= model.materials.size()) continue;
    const std::string& name = model.materials[static_cast<size_t>(g.material)].texture;
    if (name.empty()) continue;
    auto it = made.find(name);
    if (it == made.end()) {
      const bool keyed = name.back() == '|';
      Bitmap bmp;
      int texture = -1;
      if (load_bmp(keyed ? name.substr(0, name.size() - 1) : name, bmp) == BmpResult::ok && bmp.width > 0 &&
          bmp.height > 0 && bmp.pixels.size() >= static_cast<size_t>(bmp.width) * static_cast<size_t>(bmp.height)) {
        std::vector<uint32_t> rgba(bmp.pixels.size());
        for (size_t i = 0; i < rgba.size(); ++i) {
          const uint32_t c = bmp.pixels[i] & 0xFFFFFF;
          const uint32_t alpha = keyed && c == 0 ? 0u : 0xFF000000u;
          rgba[i] = alpha | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
        }
        texture = platform::texture_create(rgba.data(), bmp.width, bmp.height);
      }
      it = made.emplace(name, texture).first;
    }
    const int group = static_cast<int>(&g - model.groups.data());
    if (it->second >= 0)
      platform::mesh_set_texture(mesh, group, it->second);
    else
      platform::mesh_set_colour(mesh, group, 0xFFFFFFFFu);
  }
}

}  // namespace media
