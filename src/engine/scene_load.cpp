#include "engine/scene_load.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "brain/numbers.h"
#include "core/protect.h"
#include "core/angles.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "engine/collisions.h"
#include "engine/hooks.h"
#include "engine/images2d.h"
#include "engine/objects.h"
#include "engine/state.h"
#include "engine/tracks.h"
#include "engine/units.h"
#include "media/device.h"
#include "media/shape_file.h"
#include "media/sound.h"
#include "media/texture.h"
#include "media/visual_file.h"
#include "platform/scene.h"
#include "project/records.h"
#include "project/state.h"
#include "project/types.h"

namespace engine {

namespace {

using core::ElementState;

constexpr int kCameraBlockBytes = 112;
constexpr int kMaxNumberedFrames = 999;
constexpr char kDefaultCamera[] = "cameras/default_.03d";

bool exists(const std::string& path) { return core::file_exists(program_path(path)); }

int frames_of(const std::string& aspect, int type) {
  if (state().scene.editor && (type == project::kFlatShape || type == project::kSprite)) return 1;
  switch (type) {
    case project::kFlatShape:
    case project::kSprite:
    case project::kXModel: {
      int n = 1;
      while (n < kMaxNumberedFrames && exists(numbered_frame(aspect, n + 1, type == project::kXModel))) ++n;
      return n;
    }
    case project::kShadow:
    case project::kUnused: return 0;
    case project::kVisual: {
      media::Visual visual;
      const std::string& folder = core::state().folders.program;
      if (!media::read_visual(program_path(aspect), folder, visual)) {
        core::file_warning(program_path(aspect), "a visual", "visuals/default_.v3d");
        media::read_visual(program_path("visuals/default_.v3d"), folder, visual);
      }
      const size_t n = visual.frames.size();
      return n == 0 ? 1 : static_cast<int>(std::min<size_t>(n, kMaxNumberedFrames));
    }
    default: return 1;
  }
}

// Camera: the first 64 bytes of the file are the object, bytes 64-175 the
// viewport block in the work pool.
void load_camera(Object& o, const std::string& aspect) {
  if (!exists(aspect)) core::file_warning(program_path(aspect), "a camera file", kDefaultCamera);
  std::string path = exists(aspect) ? aspect : std::string(kDefaultCamera);
  uint8_t bytes[64 + kCameraBlockBytes] = {};
  core::read_resource_into(program_path(path), bytes, sizeof bytes);
  std::memcpy(o.w, bytes, 64);
  o.w[0] = static_cast<int32_t>(kTagCamera);
  const uint32_t block = work_alloc(kCameraBlockBytes);
  if (block) std::memcpy(core::at<uint8_t>(block), bytes + 64, kCameraBlockBytes);
  o.w[1] = static_cast<int32_t>(block);
}

// Light: field 37 is kind / red-green-blue / value.
void load_light(Object& o, int element) {
  o.w[0] = static_cast<int32_t>(kTagLight);
  o.w[1] = core::text_to_int(project::get_item(element, project::kFieldTypeList, 1));
  const std::string colour = project::get_item(element, project::kFieldTypeList, 2);
  const int32_t r = core::text_to_int(core::field(colour, 1, '-')) & 255;
  const int32_t g = core::text_to_int(core::field(colour, 2, '-')) & 255;
  const int32_t b = core::text_to_int(core::field(colour, 3, '-')) & 255;
  o.w[2] = r << 16 | g << 8 | b;
  o.w[3] = core::text_to_int(project::get_item(element, project::kFieldTypeList, 3));
}

// The strip texture of a 3D shape; -1 when it has none.
int shape_texture(const std::string& name) {
  if (name.empty()) return -1;
  const media::TextureSource src = media::open_texture(program_path(name.rfind("./", 0) == 0 ? name.substr(2) : name),
                                                       core::state().folders.data + "error.pcx");
  if (src.fallback) core::file_warning(name, "a PCX image with sides that are powers of two", "data/error.pcx");
  const size_t words = media::texture_words(src);
  if (words == 0 || words > (16u << 20)) return -1;
  std::vector<uint32_t> pixels(words);
  const media::TextureRecord t = media::build_texture(src, media::AlphaMode::colour_key, pixels);
  if (t.width <= 0) return -1;
  // The scene takes 0xAABBGGRR texels.
  for (uint32_t& p : pixels) p = (p & 0xFF00FF00u) | (p & 0xFF) << 16 | (p >> 16 & 0xFF);
  return platform::texture_create(pixels.data(), t.width, t.height);
}

// 3D shape: the file's vertices and faces in the work pool (the default
// shape when the aspect is no shape file, a small box when that fails too).
void load_shape(Object& o, int element, const std::string& file) {
  media::Shape shape;
  if (!media::read_shape(file, shape)) {
    core::file_warning(file, "a 3D shape", media::kDefaultShapeFile);
    if (!media::read_shape(program_path(media::kDefaultShapeFile), shape))
      shape = media::box_shape(500, 500, 500, 0xC0C0C0, false);
  }
  o.w[0] = static_cast<int32_t>(kTagShape);
  o.w[1] = shape_texture(shape.texture);
  o.w[2] = element;
  o.w[3] = static_cast<int32_t>(shape.tiles);
  const uint32_t vbytes = static_cast<uint32_t>(shape.vertices.size() * sizeof(media::ShapeVertex));
  const uint32_t fbytes = static_cast<uint32_t>(shape.faces.size() * sizeof(media::ShapeFace));
  const uint32_t vertices = vbytes ? work_alloc(vbytes) : 0, faces = fbytes ? work_alloc(fbytes) : 0;
  if ((vbytes && !vertices) || (fbytes && !faces)) return;  // the pool is full: an empty shape
  if (vbytes) std::memcpy(core::at<uint8_t>(vertices), shape.vertices.data(), vbytes);
  if (fbytes) std::memcpy(core::at<uint8_t>(faces), shape.faces.data(), fbytes);
  o.w[4] = static_cast<int32_t>(shape.faces.size());
  o.w[6] = static_cast<int32_t>(shape.vertices.size());
  o.w[7] = static_cast<int32_t>(vertices);
  o.w[8] = static_cast<int32_t>(faces);
  o.w[9] = static_cast<int32_t>(shape.flags);
}

void load_object(Object& o, int element, int type, const std::string& aspect, int frame) {
  std::memset(o.w, 0, sizeof o.w);
  const std::string file = program_path(frame == 1 ? aspect : numbered_frame(aspect, frame, type == project::kXModel));
  switch (type) {
    case project::kCamera: load_camera(o, aspect); break;
    case project::kLight: load_light(o, element); break;
    case project::kTrack: load_track(o, file); break;
    case project::kShape3d: load_shape(o, element, file); break;
    case project::kSprite: load_sprite(o, file); break;
    case project::kFrame: load_frame(o, file); break;
    case project::kBackground: load_background(o, file); break;
    case project::kCounter: load_counter(o, file); break;
    case project::kFlatShape: load_flat(o, file, project::field_int(element, project::kFieldFlags) >> 2 & 1); break;
    case project::kBoundary: load_ground_map(o, element, aspect); break;
    default: {
      const std::string_view t = project::type_tag(type);
      if (t.size() == 4) std::memcpy(o.w, t.data(), 4);
      // Visuals and X models are read by the scene build: which frame of
      // which element's aspect.
      o.w[1] = type == project::kVisual ? frame - 1 : frame;
      o.w[2] = element;
      break;
    }
  }
}

int32_t mode_factor() {
  const int32_t mode = media::current_display_mode();
  return mode == 4 || mode == 8 ? 125 : mode == 16 || mode == 32 ? 160 : 100;
}

int32_t field_value(int e, int k, bool plain, int32_t (*convert)(std::string_view)) {
  const std::string text = project::get_field(e, k);
  return plain ? core::text_to_int(text) : convert(text);
}

// Copies value fields with their random ranges (the ranges apply only while
// the run flag is set).
void copy_ranged(ElementState& st, int e, int word, int field, int count, bool plain,
                 int32_t (*convert)(std::string_view)) {
  for (int k = 0; k < count; ++k) {
    int32_t v = field_value(e, field + k, plain, convert);
    const int32_t range = field_value(e, field + count + k, plain, convert);
    if (state().loop.run_flag && range > 0) {
      const int64_t lo = static_cast<int64_t>(v) - range, hi = static_cast<int64_t>(v) + range;
      if (lo >= INT32_MIN && hi <= INT32_MAX)
        v = core::random_number(static_cast<int32_t>(lo), static_cast<int32_t>(hi));
    }
    st.w[word + k] = v;
  }
}

// A camera whose field 37 has seven items describes its own viewport.
bool has_own_viewport(int e) { return core::field_count(project::get_field(e, project::kFieldTypeList), '/') == 7; }

// Element e can use element j's objects: the same type and aspect text. A
// light's object comes from its field 37, so lights share only when that
// is equal too.
bool shares_objects(int e, int j) {
  const int type = project::element_type(e);
  if (project::element_type(j) != type ||
      project::get_field(j, project::kFieldAspect) != project::get_field(e, project::kFieldAspect))
    return false;
  return type != project::kLight ||
         project::get_field(j, project::kFieldTypeList) == project::get_field(e, project::kFieldTypeList);
}

// A copied camera object that gets a description block of its own, so that
// rewriting it from field 37 leaves the earlier camera's viewport alone.
void own_camera_block(Object& o) {
  if (o.w[1] == 0) return;
  const uint32_t block = work_alloc(kCameraBlockBytes);
  if (block) std::memcpy(core::at<uint8_t>(block), core::at<uint8_t>(static_cast<uint32_t>(o.w[1])), kCameraBlockBytes);
  o.w[1] = static_cast<int32_t>(block);
}

// Camera description block from a field 37 of seven items.
void camera_block(int e, ElementState& st) {
  const Object* o = object(st.w[core::kFirstObject]);
  if (!o || o->w[1] == 0) return;
  int32_t* b = core::at<int32_t>(static_cast<uint32_t>(o->w[1]));
  auto item = [&](int n) { return core::text_to_int(project::get_item(e, project::kFieldTypeList, n)); };
  const int32_t x1 = item(1), y1 = item(2), x2 = item(3), y2 = item(4);
  const int32_t w = x2 - x1 + 1, h = y2 - y1 + 1;
  int32_t k = item(7);
  if (k < 0) k = 0;
  if (k > 30) k = 30;
  const std::string six = project::get_item(e, project::kFieldTypeList, 6);
  const int32_t words[14] = {x1,
                             y1,
                             x2,
                             y2,
                             w,
                             h,
                             w / 2,
                             h / 2,
                             x1 + w / 2,
                             y1 + h / 2,
                             k,
                             -(1 << k),
                             core::text_to_int(core::field(six, 1, '&')) * 16,
                             core::text_to_int(core::field(six, 2, '&')) * 16};
  std::memcpy(b, words, sizeof words);
}

// A 3D shape's box from its vertices (1/1000 world unit).
void shape_box(ElementState& st) {
  const Object* o = object(st.w[core::kFirstObject]);
  if (!o || static_cast<uint32_t>(o->w[0]) != kTagShape || o->w[6] <= 0 || !o->w[7]) return;
  const media::ShapeVertex* v = core::at<media::ShapeVertex>(static_cast<uint32_t>(o->w[7]));
  int32_t lo[3] = {v[0].x, v[0].y, v[0].z}, hi[3] = {v[0].x, v[0].y, v[0].z};
  for (int32_t i = 1; i < o->w[6]; ++i) {
    const int32_t p[3] = {v[i].x, v[i].y, v[i].z};
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], p[k]);
      hi[k] = std::max(hi[k], p[k]);
    }
  }
  const int32_t box[6] = {hi[0], hi[1], hi[2], lo[0], lo[1], lo[2]};
  std::memcpy(&st.w[core::kExtent], box, sizeof box);
}

void initialize_element(int e) {
  ElementState& st = *core::element_state(e);
  const int type = project::element_type(e);
  const bool plain = type == project::kSprite || type == project::kCounter;

  copy_ranged(st, e, core::kPosition, 5, 3, plain, position_units);
  copy_ranged(st, e, core::kRotation, 11, 3, plain, rotation_units);
  copy_ranged(st, e, core::kVelocity, 17, 3, plain, velocity_units);
  copy_ranged(st, e, core::kSpin, 23, 3, plain, spin_units);
  copy_ranged(st, e, core::kCredits, 29, 1, plain, whole_units);
  st.w[core::kElementId] = field_value(e, project::kFieldElementId, plain, whole_units);
  st.w[core::kScaleX] = core::text_to_thousandths(project::get_field(e, project::kFieldScaleX));
  st.w[core::kScaleY] = core::text_to_thousandths(project::get_field(e, project::kFieldScaleX + 1));
  st.w[core::kScaleZ] = core::text_to_thousandths(project::get_field(e, project::kFieldScaleX + 2));
  const int32_t radius = position_units(project::get_field(e, project::kFieldRadius)) >> 9;
  st.w[core::kRadius] = radius < 0 ? -radius : radius;

  int32_t flags = project::field_int(e, project::kFieldFlags) & core::kFlagOn;
  flags |= core::kFlagShown | core::kFlagCollisions;
  if (type == project::kCamera && (core::text_to_int(project::get_item(e, project::kFieldOption, 1)) & 1))
    flags |= core::kFlagTranslucent;
  st.w[core::kFlags] = flags;

  place_parameters(e, project::get_field(e, project::kFieldParams));

  // Extent from field 37.
  if (type == project::kCamera || type == project::kSprite || type == project::kBackground ||
      type == project::kCounter) {
    const bool scaled = type == project::kSprite || type == project::kBackground;
    const int32_t k = mode_factor();
    for (int n = 1; n <= 4; ++n) {
      int32_t v = core::text_to_int(project::get_item(e, project::kFieldTypeList, n));
      if (scaled) v = n <= 2 ? scale_low(v, k) : scale_high(v, k);
      st.w[core::kExtent + n - 1] = v;
    }
    const std::string five = project::get_item(e, project::kFieldTypeList, 5);
    st.w[core::kExtent + 4] = core::text_to_int(core::field(five, 1, 'x'));
    st.w[core::kExtent + 5] = core::text_to_int(core::field(five, 2, 'x'));
    if (type == project::kCamera) {
      if (has_own_viewport(e))
        camera_block(e, st);
      else
        project::set_field(e, project::kFieldOption, "0/1");
    }
  }

  st.w[core::kCurrentObject] = st.w[core::kFirstObject];
  if (type != project::kCamera)
    st.w[core::kFrameCount] = core::text_to_int(project::get_item(e, project::kFieldOption, 2));
  if (type == project::kCounter)
    for (int n = 1; n <= 3; ++n)
      st.w[core::kExtent + n - 1] = core::text_to_int(project::get_item(e, project::kFieldTypeList, n));
  if (type == project::kTrack)
    if (const Object* o = object(st.w[core::kFirstObject])) st.w[core::kTrackData] = o->w[1];
  st.w[core::kNetSync] = project::field_int(e, 47);
  st.w[core::kNetOwner] = project::field_int(e, 48);

  static constexpr int32_t kFlatBox[6] = {1000, 1000, 1, -1000, -1000, -1};
  static constexpr int32_t kCameraBox[6] = {250, 250, 250, -250, -250, -250};
  if (type == project::kFlatShape) std::memcpy(&st.w[core::kExtent], kFlatBox, sizeof kFlatBox);
  if (type == project::kCamera) std::memcpy(&st.w[core::kExtent], kCameraBox, sizeof kCameraBox);
  if (type == project::kShape3d) shape_box(st);

  for (int w : {core::kScaleX, core::kScaleY, core::kScaleZ})
    if (st.w[w] == 0) st.w[w] = 1000;
}

// Radius from the box when the record gives none, and the horizontal
// bounding radius.
void derive_radii(ElementState& st) {
  const int32_t* x = &st.w[core::kExtent];
  if (st.w[core::kRadius] <= 0) {
    const int64_t sum = int64_t(x[0]) + x[1] + x[2] - x[3] - x[4] - x[5];
    const int64_t r = sum / 6;
    st.w[core::kRadius] = static_cast<int32_t>(r < 0 ? -r : r);
  }
  int64_t best = 0;
  bool overflow = false;
  for (int32_t cx : {x[0], x[3]})
    for (int32_t cz : {x[2], x[5]}) {
      const int64_t xx = int64_t(cx) * cx, zz = int64_t(cz) * cz;
      if (xx > 0x3FFFFFFF || zz > 0x3FFFFFFF) overflow = true;
      if (xx + zz > best) best = xx + zz;
    }
  st.w[core::kRadiusMax] = overflow ? st.w[core::kRadius] : static_cast<int32_t>(std::sqrt(static_cast<double>(best)));
}

}  // namespace

void set_editor_scene(bool on) { state().scene.editor = on; }

std::string program_path(const std::string& name) {
  if (name.empty() || name[0] == '/') return name;
  return core::state().folders.program + (name.rfind("./", 0) == 0 ? name.substr(2) : name);
}

std::string numbered_frame(const std::string& aspect, int n, bool x_model) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03d", n % 1000);
  if (x_model) {
    const std::string base = aspect.size() >= 2 ? aspect.substr(0, aspect.size() - 2) : std::string();
    return base + "_" + digits + ".x";
  }
  const std::string base = aspect.size() >= 3 ? aspect.substr(0, aspect.size() - 3) : std::string();
  return base + digits;
}

int32_t scale_low(int32_t v, int32_t k) { return static_cast<int32_t>((int64_t(v) * k + 1) / 100); }
int32_t scale_high(int32_t v, int32_t k) { return static_cast<int32_t>(int64_t(v) * k / 100 + 1); }

void place_parameters(int e, const std::string& list) {
  ElementState& st = *core::element_state(e);
  const int32_t n = core::text_to_int(core::field(list, 1, '/'));
  const int count = core::field_count(list, '/');
  for (int32_t j = 0; j < n && 3 * j + 4 <= count; ++j) {
    const int32_t kind = core::text_to_int(core::field(list, 3 * j + 2, '/'));
    const std::string_view value = core::field(list, 3 * j + 3, '/');
    const int32_t place = core::text_to_int(core::field(list, 3 * j + 4, '/'));
    int32_t v = 0;
    switch (kind) {
      case 1: {
        const int32_t index = core::text_to_int(value);
        v = index >= 0 && index < core::kElementCount ? static_cast<int32_t>(core::element_ref(index)) : 0;
        break;
      }
      case 3: v = position_units(value); break;
      case 4: v = rotation_units(value); break;
      case 5: v = velocity_units(value); break;
      case 6: v = spin_units(value); break;
      case 7: v = brain::var_default_value(value); break;
      default: v = core::text_to_int(value); break;
    }
    // A place outside the record is ignored rather than written past it.
    const int64_t offset = place <= 255 ? int64_t(place) + 768 : place;
    if (offset < 0 || offset + 4 > static_cast<int64_t>(core::kElementStateBytes)) continue;
    std::memcpy(reinterpret_cast<uint8_t*>(st.w) + offset, &v, 4);
  }
}

bool load_phase() {
  State& s = state();
  const core::Pools& p = core::state().pools;
  std::memset(p.element_state.bytes(), 0, p.element_state.size);
  std::memset(p.object_table.bytes(), 0, p.object_table.size);
  s.scene.work_used = 0;
  reset_collisions();
  // Renderer objects of an earlier load (textures among them) go first.
  platform::scene_reset();
  s.scene.object_count = 0;
  reset_races();
  const int last = project::last_index();
  s.scene.element_count = last + 1;

  // Object indices, with elements of equal aspect text sharing the loads.
  int32_t first[core::kElementCount] = {}, count[core::kElementCount] = {};
  int32_t total = 0;
  for (int e = 0; e <= last; ++e) {
    s.scene.shared_with[e] = e;
    for (int j = 0; j < e; ++j)
      if (count[j] > 0 && shares_objects(e, j)) {
        s.scene.shared_with[e] = j;
        break;
      }
    const std::string aspect = project::get_field(e, project::kFieldAspect);
    const int type = project::element_type(e);
    count[e] = s.scene.shared_with[e] == e ? frames_of(aspect, type) : count[s.scene.shared_with[e]];
    first[e] = total;
    total += count[e];
    if (total > core::kObjectCount) {
      core::box("The project needs more than 4096 objects|and cannot be run.", " OK ", " OK ");
      s.scene.element_count = 0;
      return false;
    }
  }

  // Ground-map caches are made from their models before they are loaded.
  initialize_boundaries();

  for (int e = 0; e <= last; ++e) {
    ElementState& st = *core::element_state(e);
    st.w[core::kCurrentObject] = st.w[core::kFirstObject] = first[e];
    st.w[core::kAnimationPhase] = 0;
    const int type = project::element_type(e);
    const std::string aspect = project::get_field(e, project::kFieldAspect);
    const int src = s.scene.shared_with[e];
    for (int k = 0; k < count[e]; ++k) {
      Object& o = *object(first[e] + k);
      if (src != e)
        o = *object(first[src] + k);
      else
        load_object(o, e, type, aspect, k + 1);
    }
    if (src != e && type == project::kCamera && has_own_viewport(e)) own_camera_block(*object(first[e]));
    if (type != project::kCamera) project::set_item(e, project::kFieldOption, 2, std::to_string(count[e]));
  }
  s.scene.object_count = total;
  return true;
}

void initialize_phase() {
  State& s = state();
  const int last = s.scene.element_count - 1;
  for (int e = 0; e <= last; ++e) initialize_element(e);

  if (hooks().build_scene) hooks().build_scene(s.scene.element_count);
  prepare_grounds();
  media::set_playback_area({});

  s.loop.net_counters[0] = 3;
  s.loop.net_counters[1] = 5;

  for (int e = 0; e <= last; ++e) {
    ElementState& st = *core::element_state(e);
    derive_radii(st);
    int32_t* keep = s.scene.unscaled[e];
    std::memcpy(keep, &st.w[core::kExtent], 6 * 4);
    keep[6] = st.w[core::kRadius];
    keep[7] = st.w[core::kRadiusMax];
    if (project::element_type(e) == project::kCounter) continue;
    static constexpr int kScaleOf[6] = {core::kScaleX, core::kScaleY, core::kScaleZ,
                                        core::kScaleX, core::kScaleY, core::kScaleZ};
    for (int k = 0; k < 6; ++k)
      st.w[core::kExtent + k] = static_cast<int32_t>(int64_t(st.w[core::kExtent + k]) * st.w[kScaleOf[k]] / 1000);
  }
  prepare_collision_pairs();

  // Elements above the last one read as copies of it.
  if (last >= 0)
    for (int e = last + 1; e < core::kElementCount; ++e) *core::element_state(e) = *core::element_state(last);
  if (hooks().net_scene_setup) hooks().net_scene_setup();
}

}  // namespace engine
