// Ground maps and 3D-shape grounds at load: the boundary elements' caches
// made from their models when stale, the caches read into the work pool, the
// 3D-shape ground grids, and the choice of the current grounds.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "core/files.h"
#include "core/math3d.h"
#include "core/state.h"
#include "core/text.h"
#include "engine/collisions.h"
#include "engine/motion.h"
#include "engine/objects.h"
#include "engine/scene_load.h"
#include "engine/state.h"
#include "engine/units.h"
#include "media/model3ds.h"
#include "media/shape_file.h"
#include "platform/xfile.h"
#include "project/records.h"
#include "project/state.h"
#include "project/types.h"

namespace engine {

namespace {

constexpr char kDefaultGroundMap[] = "grndmaps/default_.m3d";
constexpr char kDefault3ds[] = "3dsfiles/default_.3ds";
constexpr int kFieldTransform = 34;

// Caches made by this load, by path: a cache that could not be written is
// still used for this run.
std::vector<std::pair<std::string, std::string>>& made_caches() {
  static std::vector<std::pair<std::string, std::string>> made;
  return made;
}

// The model file's time stamp (seconds, low 32 bits); 0 when it is missing.
int32_t file_stamp(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(st.st_mtime)));
}

void warn(const std::string& text) {
  if (auto* f = core::state().notify.warning) f(text);
}

// Axes of a placement: local x, y, z in world axes as drawing turns a 3D
// shape (the rotation words through the integer tables), a scale per local
// axis and a position in milli-units.
struct Placement {
  double axes[3][3];
  double scale[3];
  double position[3];
};

Placement placement(const int32_t rotation[3], const double position[3], const double scale[3]) {
  const Vec3i d = to_world({0, 0, 65536}, rotation), u = to_world({0, 65536, 0}, rotation);
  const core::Vec3 dir = core::normalize({d.x / 65536.0f, d.y / 65536.0f, d.z / 65536.0f});
  const core::Vec3 up = core::normalize({u.x / 65536.0f, u.y / 65536.0f, u.z / 65536.0f});
  core::Vec3 right = core::normalize(core::cross(up, dir));
  if (core::length(right) == 0) right = {1, 0, 0};
  Placement p{};
  const core::Vec3 axes[3] = {right, up, dir};
  for (int k = 0; k < 3; ++k) {
    p.axes[k][0] = axes[k].x;
    p.axes[k][1] = axes[k].y;
    p.axes[k][2] = axes[k].z;
    p.scale[k] = scale[k];
    p.position[k] = position[k];
  }
  return p;
}

// A vertex (milli-units) placed, as a rounded and bounded milli-unit word.
void place(const Placement& p, const double v[3], int32_t out[3]) {
  for (int k = 0; k < 3; ++k) {
    double w = p.position[k];
    for (int a = 0; a < 3; ++a) w += p.axes[a][k] * v[a] * p.scale[a];
    const double lim = kGroundCoordinateLimit;
    out[k] = static_cast<int32_t>(std::nearbyint(std::clamp(w, -lim, lim)));
  }
}

// Field 34 of a boundary element: when it is not 0, the ground map is placed
// like the element's start values (scale, rotation, position as written in
// the record, random ranges aside) before it is bucketed.
bool transformed(int e) { return project::field_int(e, kFieldTransform) != 0; }

Placement record_placement(int e) {
  int32_t rotation[3];
  double position[3], scale[3];
  for (int k = 0; k < 3; ++k) {
    rotation[k] = rotation_units(project::get_field(e, 11 + k));
    position[k] = position_units(project::get_field(e, 5 + k)) / 512.0;
    const int32_t s = core::text_to_thousandths(project::get_field(e, project::kFieldScaleX + k));
    scale[k] = s == 0 ? 1.0 : s / 1000.0;
  }
  return placement(rotation, position, scale);
}

// Word 5 of the cache: 0 without the transform, else a hash of the fields
// it depends on (never 0), so that moving the element makes the cache stale.
int32_t transform_key(int e) {
  if (!transformed(e)) return 0;
  uint32_t h = 2166136261u;
  for (int f : {kFieldTransform, 5, 6, 7, 11, 12, 13, 42, 43, 44}) {
    for (char ch : project::get_field(e, f)) h = (h ^ static_cast<uint8_t>(ch)) * 16777619u;
    h = (h ^ '|') * 16777619u;
  }
  return static_cast<int32_t>(h | 1u);
}

// The triangles of a model file in milli-units (nine words each): an X file
// through the X reader, anything else through our 3DS reader; an X file
// without triangles, or a 3DS file that is no model, gives the default 3DS
// model. Triangles with a coordinate that is not finite are left out.
std::vector<int32_t> model_triangles(const std::string& path, int e) {
  std::vector<media::Triangle> flat;
  const std::string fallback = program_path(kDefault3ds);
  const bool x = path.size() >= 2 && path.compare(path.size() - 2, 2, ".x") == 0;
  if (x) {
    core::Model m;
    platform::XInfo info;
    std::string error;
    if (platform::load_x(path, m, info, error))
      for (size_t i = 0; i + 2 < m.indices.size(); i += 3) {
        media::Triangle t;
        bool inside = true;
        for (int k = 0; k < 3; ++k) {
          inside = inside && m.indices[i + k] < m.positions.size();
          if (inside) t.v[k] = m.positions[m.indices[i + k]];
        }
        if (inside) flat.push_back(t);
      }
    if (flat.empty()) {
      core::file_warning(path, "an X model with triangles", kDefault3ds);
      media::load_3ds_triangles(fallback, fallback, flat);
    }
  } else if (media::load_3ds_triangles(path, fallback, flat) != media::ModelSource::file) {
    core::file_warning(path, "a 3DS model", kDefault3ds);
  }
  const bool moved = transformed(e);
  const Placement p = moved ? record_placement(e) : Placement{};
  std::vector<int32_t> out;
  out.reserve(flat.size() * 9);
  for (const media::Triangle& t : flat) {
    int32_t words[9];
    bool finite = true;
    for (int k = 0; k < 3; ++k) {
      const double v[3] = {t.v[k].x * 1000.0, t.v[k].y * 1000.0, t.v[k].z * 1000.0};
      finite = finite && std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
      if (!finite) break;
      if (moved) {
        place(p, v, words + 3 * k);
      } else {
        const double lim = kGroundCoordinateLimit;
        for (int a = 0; a < 3; ++a)
          words[3 * k + a] = static_cast<int32_t>(std::nearbyint(std::clamp(v[a], -lim, lim)));
      }
    }
    if (finite) out.insert(out.end(), words, words + 9);
  }
  return out;
}

// The bytes of a cache file, at most `limit` of them; `too_large` when there
// were more.
bool read_cache(const std::string& path, uint64_t limit, std::string& bytes, bool& too_large) {
  too_large = false;
  for (const auto& [made, content] : made_caches())
    if (made == path) {
      too_large = content.size() > limit;
      bytes = too_large ? std::string() : content;
      return !too_large;
    }
  if (!core::file_exists(path)) return false;
  bool truncated = false;
  if (!core::read_file(path, bytes, static_cast<size_t>(limit), &truncated)) return false;
  too_large = truncated;
  return !truncated;
}

std::span<const uint8_t> byte_span(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// Is the cache there, sound, and made from this model as it is now?
bool cache_current(const std::string& path, int32_t stamp, int32_t key) {
  std::string bytes, why;
  bool too_large = false;
  if (!read_cache(path, core::kWorkBytes, bytes, too_large)) return false;
  GroundCache cache;
  return read_ground_cache(byte_span(bytes), cache, why) && cache.record[4] == stamp && cache.record[5] == key;
}

void refuse_too_large(const std::string& name) {
  core::box("The ground map of '" + name + "'|is larger than the work memory and was not loaded.", " OK ", "");
}

// The 3D-shape ground of element e: its shape's faces placed as the element
// stands at load, with the face colours.
void prepare_shape_ground(int e) {
  const core::ElementState& st = *core::element_state(e);
  const Object* o = object(st.w[core::kFirstObject]);
  if (!o || static_cast<uint32_t>(o->w[0]) != kTagShape || !(o->w[9] & media::kShapeGround)) return;
  const core::Pool& pool = core::state().pools.work;
  const int32_t nv = o->w[6], nf = o->w[4];
  const uint32_t va = static_cast<uint32_t>(o->w[7]), fa = static_cast<uint32_t>(o->w[8]);
  if (nv <= 0 || nf <= 0 || nv > 65535 || nf > 65535 ||
      !pool.contains(va, static_cast<uint32_t>(nv * sizeof(media::ShapeVertex))) ||
      !pool.contains(fa, static_cast<uint32_t>(nf * sizeof(media::ShapeFace))))
    return;
  const media::ShapeVertex* v = core::at<media::ShapeVertex>(va);
  const media::ShapeFace* f = core::at<media::ShapeFace>(fa);
  const double position[3] = {st.w[core::kPosition] / 512.0, st.w[core::kPosition + 1] / 512.0,
                              st.w[core::kPosition + 2] / 512.0};
  const double unit[3] = {1, 1, 1};
  const Placement p = placement(&st.w[core::kRotation], position, unit);
  std::vector<int32_t> triangles;
  std::vector<uint32_t> colours;
  auto add = [&](uint16_t a, uint16_t b, uint16_t c, uint32_t colour) {
    if (a >= nv || b >= nv || c >= nv) return;
    int32_t words[9];
    for (int k = 0; k < 3; ++k) {
      const media::ShapeVertex& s = v[k == 0 ? a : k == 1 ? b : c];
      const double at[3] = {double(s.x), double(s.y), double(s.z)};
      place(p, at, words + 3 * k);
    }
    triangles.insert(triangles.end(), words, words + 9);
    colours.push_back(colour);
  };
  for (int32_t i = 0; i < nf; ++i) {
    add(f[i].v[0], f[i].v[1], f[i].v[2], f[i].colour);
    if (f[i].flags & media::kFaceQuad) add(f[i].v[0], f[i].v[2], f[i].v[3], f[i].colour);
  }
  if (triangles.empty()) return;
  int32_t lo[2] = {INT32_MAX, INT32_MAX}, hi[2] = {INT32_MIN, INT32_MIN};
  for (size_t i = 0; i < triangles.size(); i += 3)
    for (int k = 0; k < 2; ++k) {
      lo[k] = std::min(lo[k], triangles[i + 2 * k]);
      hi[k] = std::max(hi[k], triangles[i + 2 * k]);
    }
  const int32_t cx = static_cast<int32_t>((int64_t(lo[0]) + hi[0]) / 2);
  const int32_t cz = static_cast<int32_t>((int64_t(lo[1]) + hi[1]) / 2);
  const int32_t d = ground_half_width(triangles, cx, cz);
  const uint64_t colour_bytes = colours.size() * 4;
  const uint64_t room = pool.size - std::min(pool.size, state().scene.work_used);
  std::string block;
  if (!build_ground_block(triangles, d, cx, cz, room > colour_bytes ? room - colour_bytes : 0, block)) {
    refuse_too_large(project::get_field(e, project::kFieldName));
    return;
  }
  const uint32_t at = work_alloc(static_cast<uint32_t>(block.size() + colour_bytes));
  if (!at) {
    refuse_too_large(project::get_field(e, project::kFieldName));
    return;
  }
  std::memcpy(core::at<uint8_t>(at), block.data(), block.size());
  const uint32_t colour_at = at + static_cast<uint32_t>(block.size());
  std::memcpy(core::at<uint8_t>(colour_at), colours.data(), colour_bytes);
  state().collisions.grounds[e] = {at,
                                   static_cast<uint32_t>(triangles.size() / 9 * kGroundTriangleBytes),
                                   static_cast<uint32_t>(block.size()),
                                   colour_at,
                                   d,
                                   cx,
                                   cz};
}

}  // namespace

std::string with_extension(const std::string& aspect, const char* extension) {
  const size_t slash = aspect.find_last_of('/');
  const size_t dot = aspect.find_last_of('.');
  const bool has = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (has ? aspect.substr(0, dot) : aspect) + extension;
}

void reset_collisions() {
  state().collisions = CollisionState{};
  made_caches().clear();
}

void initialize_boundaries() {
  if (core::state().stand_alone) return;  // a built game ships its caches
  const State& s = state();
  for (int e = 0; e < s.scene.element_count; ++e) {
    if (project::element_type(e) != project::kBoundary || s.scene.shared_with[e] != e) continue;
    const std::string aspect = project::get_field(e, project::kFieldAspect);
    const std::string cache = program_path(with_extension(aspect, ".m3d"));
    const std::string x = program_path(with_extension(aspect, ".x"));
    const std::string model = core::file_exists(x) ? x : program_path(with_extension(aspect, ".3ds"));
    // With no model to make it from, a cache is kept as it is.
    if (!core::file_exists(model)) continue;
    const int32_t stamp = file_stamp(model), key = transform_key(e);
    if (cache_current(cache, stamp, key)) continue;

    const std::string name = project::get_field(e, project::kFieldName);
    core::notice("Initializing boundary element " + name + "|This is a one-time operation, please wait...");
    const std::vector<int32_t> triangles = model_triangles(model, e);
    std::string bytes;
    if (!encode_ground_cache(triangles, stamp, key, core::kWorkBytes, bytes)) {
      refuse_too_large(name);
    } else {
      if (!core::write_file_atomic(cache, bytes))
        warn("Cannot write the ground map cache '" + cache + "'; it is made again at the next load.");
      made_caches().emplace_back(cache, std::move(bytes));
    }
    core::notice("Loading data, please wait...");
  }
}

void load_ground_map(Object& o, int element, const std::string& aspect) {
  std::memset(o.w, 0, sizeof o.w);
  o.w[0] = static_cast<int32_t>(kTagGroundMap);
  GroundGrid& grid = state().collisions.grounds[element];
  grid = {};
  const core::Pool& pool = core::state().pools.work;
  const uint64_t room = pool.size - std::min(pool.size, state().scene.work_used);
  const std::string name = project::get_field(element, project::kFieldName);

  std::string path = program_path(with_extension(aspect, ".m3d")), bytes, why;
  bool too_large = false;
  GroundCache cache;
  bool ok = read_cache(path, room + kGroundRecordBytes, bytes, too_large);
  if (too_large) return refuse_too_large(name);
  ok = ok && read_ground_cache(byte_span(bytes), cache, why);
  if (!ok) {
    core::file_warning(path, "a ground map cache", kDefaultGroundMap);
    path = program_path(kDefaultGroundMap);
    ok = read_cache(path, room + kGroundRecordBytes, bytes, too_large);
    if (too_large) return refuse_too_large(name);
    ok = ok && read_ground_cache(byte_span(bytes), cache, why);
    if (!ok) {
      core::file_warning(path, "a ground map cache", "no ground");
      return;
    }
  }
  const uint32_t at = work_alloc(cache.view.block_bytes);
  if (!at) return refuse_too_large(name);
  std::memcpy(core::at<uint8_t>(at), cache.view.block, cache.view.block_bytes);
  std::memcpy(o.w, cache.record, sizeof o.w);
  o.w[0] = static_cast<int32_t>(kTagGroundMap);
  o.w[1] = static_cast<int32_t>(at);
  o.w[2] = static_cast<int32_t>(at + cache.view.triangle_bytes);
  grid = {at, cache.view.triangle_bytes, cache.view.block_bytes, 0, cache.view.d, 0, 0};
}

void prepare_grounds() {
  State& s = state();
  CollisionState& c = s.collisions;
  for (int e = 0; e < s.scene.element_count; ++e) {
    const int type = project::element_type(e);
    if (type == project::kShape3d) {
      prepare_shape_ground(e);
      if (c.grounds[e].block) c.shape_ground = e;
    } else if (type == project::kBoundary) {
      const int src = s.scene.shared_with[e];
      if (src != e && src >= 0 && src < e) c.grounds[e] = c.grounds[src];
      if (c.grounds[e].block && current_tag(*core::element_state(e)) == kTagGroundMap) c.ground_element = e;
    }
  }
}

}  // namespace engine
