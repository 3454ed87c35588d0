// Run-time X frames and X-model animation.
//
// A run-time X frame is a renderer frame with the mesh of an X file, under
// the main scene root or under another run-time X frame, kept in a fixed
// table of slots; its handle is slot | 0x80000000. Drawing leaves these
// frames alone (they are not objects of an element), so their transform and
// visibility stay what the built-ins set.
//
// Animation: an X file whose first animation set moves its frames gets a rig
// (core::XRig). Its clock runs in the file's key ticks: every engine
// tick adds speed / 1000 x (key ticks per second) / (ticks per second of the
// run), so speed 1000 plays the set at its own pace; the time wraps inside
// the range (start..end, key ticks). Nothing moves until a brain sets the
// speed, the time or the range: the model shows its rest pose until then.
// Each drawn frame re-poses the vertices of meshes whose time changed.
#include "engine/xobjects.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "brain/bind.h"
#include "core/protect.h"
#include "core/element_state.h"
#include "core/state.h"
#include "core/strings.h"
#include "engine/objects.h"
#include "engine/pose.h"
#include "engine/scene3d.h"
#include "engine/scene_load.h"
#include "engine/state.h"
#include "media/input.h"
#include "platform/scene.h"
#include "platform/xfile.h"
#include "project/records.h"

namespace engine {

struct XRigData {
  core::XRig rig;
  core::XPose pose;
  std::vector<core::Vec3> rest, rest_normals;
};

void XRigDataDelete::operator()(XRigData* p) const { delete p; }

namespace {


constexpr float kPositionUnit = 512000.0f;
constexpr double kDefaultKeyTicksPerSecond = 4800;  // X files that do not say

XObjectState& xs() { return state().xobjects; }


void reset_animation(XAnimation& a);

// Frames and meshes are indices into the renderer's tables: after a scene
// reset they name nothing of ours, so the tables start over.
void follow_scene() {
  XObjectState& x = xs();
  const uint32_t g = platform::scene_generation();
  if (x.generation == g) return;
  x.generation = g;
  x.slots_used = 0;
  for (XSlot& s : x.slots) s = XSlot{};
  for (XAnimation& a : x.animations) reset_animation(a);
  std::fill(std::begin(x.rig_read), std::end(x.rig_read), uint8_t{0});
}

// The slot of a live X handle, or -1.
int slot_of(int32_t handle) {
  follow_scene();
  const auto h = static_cast<uint32_t>(handle);
  if (!(h & kXHandleBit)) return -1;
  const uint32_t slot = h & ~kXHandleBit;
  if (slot >= static_cast<uint32_t>(kXSlots)) return -1;
  const XSlot& s = xs().slots[slot];
  return s.frame >= 0 && platform::frame_valid(s.frame) ? static_cast<int>(slot) : -1;
}


// The current object of an element when it is an X model, or -1.
int x_model_object(const core::ElementState* st) {
  return current_object_of(st, kTagXModel) ? current_object(*st) : -1;
}


// --- animation

void reset_animation(XAnimation& a) {
  a.mesh = -1;
  a.object = -1;
  a.rig.reset();
  a.speed = 0;
  a.time = 0;
  a.range_start = a.range_end = 0;
  a.last_tick = 0;
  a.active = false;
  a.posed_time = -1;
}

XAnimation* animation_of_mesh(int mesh) {
  if (mesh < 0) return nullptr;
  for (XAnimation& a : xs().animations)
    if (a.mesh == mesh) return &a;
  return nullptr;
}

// Registers the mesh of a model with its rig (null rig: nothing to pose, so
// later calls do not read the file again). Null when the table is full.
XAnimation* add_animation(int mesh, core::XRig* rig, const core::Model* model) {
  XAnimation* free_entry = nullptr;
  for (XAnimation& a : xs().animations)
    if (a.mesh < 0) {
      free_entry = &a;
      break;
    }
  if (!free_entry) return nullptr;
  XAnimation& a = *free_entry;
  reset_animation(a);
  a.mesh = mesh;
  a.last_tick = state().loop.tick_count;
  if (rig && rig->animated() && model &&
      platform::mesh_vertex_count(mesh) == static_cast<int>(model->positions.size())) {
    auto data = std::unique_ptr<XRigData, XRigDataDelete>(new XRigData);
    data->rig = std::move(*rig);
    x_pose_prepare(data->rig, data->pose);
    const int n = platform::mesh_vertex_count(mesh);
    data->rest.resize(static_cast<size_t>(n));
    data->rest_normals.resize(static_cast<size_t>(n));
    for (int v = 0; v < n; ++v) {
      data->rest[static_cast<size_t>(v)] = platform::mesh_vertex(mesh, v);
      data->rest_normals[static_cast<size_t>(v)] = platform::mesh_normal(mesh, v);
    }
    double end = data->rig.duration;
    for (const core::XKey& k : data->rig.keys) end = std::max(end, k.time);
    a.range_end = static_cast<int32_t>(std::clamp(std::ceil(end), 0.0, 2e9));
    a.rig = std::move(data);
  }
  return &a;
}

void wrap_time(XAnimation& a) {
  const double lo = a.range_start, hi = a.range_end;
  if (!(hi > lo) || !std::isfinite(a.time)) {
    a.time = lo;
    return;
  }
  const double span = hi - lo;
  if (a.time > hi) a.time = lo + std::fmod(a.time - lo, span);
  if (a.time < lo) a.time = hi - std::fmod(lo - a.time, span);
}

// Brings the clock to the current tick.
void advance(XAnimation& a) {
  const uint32_t now = state().loop.tick_count;
  const uint32_t elapsed = now - a.last_tick;
  a.last_tick = now;
  if (!a.rig || a.speed == 0 || elapsed == 0) return;
  const double per_second = a.rig->rig.ticks_per_second > 0 ? a.rig->rig.ticks_per_second : kDefaultKeyTicksPerSecond;
  const double rate = std::max(state().loop.max_framerate, 1);
  a.time += elapsed * (a.speed / 1000.0) * per_second / rate;
  wrap_time(a);
}

void pose(XAnimation& a) {
  if (!a.rig || a.time == a.posed_time) return;
  XRigData& d = *a.rig;
  // A mesh whose vertices were merged or replaced meanwhile no longer
  // matches the rig: its animation ends.
  if (platform::mesh_vertex_count(a.mesh) != static_cast<int>(d.rest.size())) {
    a.rig.reset();
    return;
  }
  x_pose(d.rig, a.time, d.pose);
  const std::vector<core::Mat4>& bones = d.pose.bones;
  const size_t n = std::min(d.rest.size(), d.rig.influences.size());
  for (size_t v = 0; v < n; ++v) {
    const core::XInfluence& in = d.rig.influences[v];
    core::Vec3 p{}, nrm{};
    for (int k = 0; k < 4; ++k) {
      if (in.weight[k] <= 0 || in.bone[k] >= bones.size()) continue;
      p = p + core::transform_point(bones[in.bone[k]], d.rest[v]) * in.weight[k];
      nrm = nrm + core::transform_vector(bones[in.bone[k]], d.rest_normals[v]) * in.weight[k];
    }
    platform::mesh_set_vertex(a.mesh, static_cast<int>(v), p);
    platform::mesh_set_normal(a.mesh, static_cast<int>(v), core::normalize(nrm));
  }
  a.posed_time = a.time;
}

// The animation entry of an X handle or of an X-model element's current
// mesh; an element's rig is read from its file the first time.
XAnimation* animation_of(int32_t handle) {
  follow_scene();
  const int slot = slot_of(handle);
  if (slot >= 0) return animation_of_mesh(xs().slots[slot].mesh);
  const int o = x_model_object(core::element_at(handle));
  if (o < 0) return nullptr;
  // Elements that share a model's mesh are posed apart: the one animated
  // takes a mesh of its own first.
  const int mesh = platform::frame_own_mesh(state().views.object_frame[o]);
  if (mesh < 0) return nullptr;
  if (XAnimation* a = animation_of_mesh(mesh)) return a;
  // The element got a mesh of its own (a copy made by a mesh row): the
  // object's rig follows it.
  for (XAnimation& a : xs().animations)
    if (a.object == o && a.mesh >= 0) {
      a.mesh = mesh;
      a.posed_time = -1;
      return &a;
    }
  // The file is read once per object, even when the table has no room.
  if (xs().rig_read[o]) return nullptr;
  xs().rig_read[o] = 1;
  core::Model model;
  platform::XInfo info;
  core::XRig rig;
  std::string error;
  const core::RestoredFile file(x_model_file(*object(o)), core::kRestoredX);
  const bool ok = platform::load_x_rig(file.path(), model, info, rig, error);
  XAnimation* a = add_animation(mesh, ok ? &rig : nullptr, ok ? &model : nullptr);
  if (a) a->object = o;
  return a;
}

// --- the slot table

// Deletes the meshes of a slot: the one it was loaded with, and the one its
// frame shows now when a mesh row gave it a copy of its own.
void delete_meshes(XSlot& s) {
  const int shown = platform::frame_mesh(s.frame);
  if (XAnimation* a = animation_of_mesh(s.mesh)) reset_animation(*a);
  platform::mesh_delete(s.mesh);
  if (shown >= 0 && shown != s.mesh) platform::mesh_delete(shown);
  s.mesh = -1;
}

void shrink_slots() {
  XObjectState& x = xs();
  while (x.slots_used > 0 && x.slots[x.slots_used - 1].frame < 0) --x.slots_used;
}

// Loads an X file into a new frame under `parent` (0 or an X handle); the
// handle, or -1.
int32_t load_into_slot(const std::string& path, int32_t parent, int32_t source) {
  follow_scene();
  XObjectState& x = xs();
  int parent_frame = state().views.roots[kMainRoot];
  int parent_slot = -1;
  if (parent != 0) {
    parent_slot = slot_of(parent);
    if (parent_slot < 0) return -1;
    parent_frame = x.slots[parent_slot].frame;
  }
  if (!platform::frame_valid(parent_frame)) return -1;
  int slot = -1;
  for (int i = 0; i < kXSlots && slot < 0; ++i)
    if (x.slots[i].frame < 0) slot = i;
  if (slot < 0) return -1;
  core::Model model;
  platform::XInfo info;
  core::XRig rig;
  std::string error;
  const core::RestoredFile file(path, core::kRestoredX);
  if (!platform::load_x_rig(file.path(), model, info, rig, error)) return -1;
  const int frame = platform::frame_create(parent_frame);
  if (frame < 0) return -1;
  const int mesh = model.empty() ? -1 : platform::mesh_create(model);
  if (!model.empty() && mesh < 0) {  // the renderer's mesh table is full
    platform::frame_delete(frame);
    return -1;
  }
  platform::frame_set_mesh(frame, mesh);
  platform::frame_set_traversal(frame, true, true);
  XSlot& s = x.slots[slot];
  s = XSlot{};
  s.frame = frame;
  s.mesh = mesh;
  s.parent = parent_slot;
  s.source = source;
  if (mesh >= 0 && rig.animated()) add_animation(mesh, &rig, &model);
  x.slots_used = std::max(x.slots_used, slot + 1);
  return static_cast<int32_t>(static_cast<uint32_t>(slot) | kXHandleBit);
}

// The viewport of the first element in index order that is on and shown
// and whose current object is a camera; -1 when there is none.
int first_camera_viewport() {
  const State& s = state();
  for (int e = 0; e < s.scene.element_count; ++e) {
    const core::ElementState& st = *core::element_state(e);
    if ((st.w[core::kFlags] & (core::kFlagOn | core::kFlagShown)) != (core::kFlagOn | core::kFlagShown)) continue;
    const int o = st.w[core::kCurrentObject];
    if (valid_object(o) && o < s.scene.object_count && static_cast<uint32_t>(object(o)->w[0]) == kTagCamera &&
        s.views.object_viewport[o] >= 0)
      return s.views.object_viewport[o];
  }
  return -1;
}

int32_t to_position(float v) {
  const double p = static_cast<double>(v) * kPositionUnit;
  return std::isfinite(p) ? static_cast<int32_t>(std::clamp(p, -2147483648.0, 2147483647.0)) : 0;
}

// --- built-ins

int32_t x_load(int32_t a1, int32_t a2) {
  return load_into_slot(program_path(std::string(core::string_arg(a1))), a2, -1);
}

int32_t x_clone(int32_t a1, int32_t a2) {
  const int e = core::element_index(a2);
  const int o = x_model_object(core::element_at(a2));
  if (o < 0) return -1;
  return load_into_slot(x_model_file(*object(o)), a1, e);
}

int32_t x_kill(int32_t a1) {
  if (!(static_cast<uint32_t>(a1) & kXHandleBit)) return a1;
  const int slot = slot_of(a1);
  if (slot < 0) return 0;
  XObjectState& x = xs();
  // The frame goes with its children, so the slots under it go too.
  for (int i = 0; i < x.slots_used; ++i) {
    if (x.slots[i].frame < 0 || i == slot) continue;
    int p = x.slots[i].parent;
    for (int depth = 0; p >= 0 && p != slot && depth < kXSlots; ++depth) p = x.slots[p].parent;
    if (p == slot) {
      delete_meshes(x.slots[i]);
      x.slots[i].frame = -2;  // freed below, after the frame is gone
    }
  }
  delete_meshes(x.slots[slot]);
  platform::frame_delete(x.slots[slot].frame);
  x.slots[slot] = XSlot{};
  for (int i = 0; i < x.slots_used; ++i)
    if (x.slots[i].frame == -2) x.slots[i] = XSlot{};
  shrink_slots();
  return 0;
}

int32_t x_picked(int32_t a1) {
  const int slot = slot_of(a1);
  if (slot < 0) return 0;
  const int v = first_camera_viewport();
  if (v < 0) return 0;
  const platform::Pick p = platform::viewport_pick(v, xs().slots[slot].frame,
                                                   static_cast<float>(media::input().mouse_x),
                                                   static_cast<float>(media::input().mouse_y));
  if (p.frame < 0) return 0;
  xs().pick_point[0] = to_position(p.point.x);
  xs().pick_point[1] = to_position(p.point.y);
  xs().pick_point[2] = to_position(p.point.z);
  return -1;
}

int32_t x_pick_pt(int32_t a1) { return a1 >= 0 && a1 <= 2 ? xs().pick_point[a1] : a1; }

// The element an X frame was cloned from (0 for x_load frames and bad
// handles); when a2 is an element, its position words get the frame's world
// position.
int32_t x_element_get(int32_t a1, int32_t a2) {
  const int slot = slot_of(a1);
  if (slot < 0) return 0;
  if (core::ElementState* st = core::element_at(a2)) {
    const core::Vec3 p = platform::frame_world_position(xs().slots[slot].frame);
    st->w[core::kPosition] = to_position(p.x);
    st->w[core::kPosition + 1] = to_position(p.y);
    st->w[core::kPosition + 2] = to_position(p.z);
  }
  const int source = xs().slots[slot].source;
  return source >= 0 ? static_cast<int32_t>(core::element_ref(source)) : 0;
}

int32_t h_animation_speed(int32_t a1) {
  const XAnimation* a = animation_of(a1);
  return a && a->rig ? a->speed : 0;
}

int32_t h_animation_speed_set(int32_t a1, int32_t a2) {
  XAnimation* a = animation_of(a1);
  if (!a || !a->rig) return 0;
  advance(*a);
  a->speed = a2;
  a->active = true;
  return 0;
}

int32_t h_animation_tick(int32_t a1) {
  XAnimation* a = animation_of(a1);
  if (!a || !a->rig) return 0;
  advance(*a);
  return static_cast<int32_t>(std::floor(a->time));
}

int32_t h_animation_tick_set(int32_t a1, int32_t a2) {
  XAnimation* a = animation_of(a1);
  if (!a || !a->rig) return 0;
  advance(*a);
  a->time = a2;
  wrap_time(*a);
  a->active = true;
  return 0;
}

int32_t h_animation_range_set(int32_t a1, int32_t a2, int32_t a3) {
  XAnimation* a = animation_of(a1);
  if (!a || !a->rig) return 0;
  advance(*a);
  a->range_start = std::min(a2, a3);
  a->range_end = std::max(a2, a3);
  wrap_time(*a);
  a->active = true;
  return 0;
}

int32_t h_animation_range_start(int32_t a1) {
  const XAnimation* a = animation_of(a1);
  return a && a->rig ? a->range_start : 0;
}

int32_t h_animation_range_end(int32_t a1) {
  const XAnimation* a = animation_of(a1);
  return a && a->rig ? a->range_end : 0;
}

}  // namespace

int xobject_frame(int32_t handle) {
  const int slot = slot_of(handle);
  return slot < 0 ? -1 : xs().slots[slot].frame;
}

int x_model_frame(int32_t handle) {
  const int f = xobject_frame(handle);
  if (f >= 0) return f;
  const int o = x_model_object(core::element_at(handle));
  return o >= 0 && platform::frame_valid(state().views.object_frame[o]) ? state().views.object_frame[o] : -1;
}

bool xobject_show(int32_t handle, bool visible) {
  const int slot = slot_of(handle);
  if (slot < 0) return false;
  platform::frame_set_traversal(xs().slots[slot].frame, visible, xs().slots[slot].pickable);
  return true;
}

void xobject_enable(uint32_t slot_number, bool enable) {
  const int slot = slot_of(static_cast<int32_t>(slot_number | kXHandleBit));
  if (slot < 0) return;
  XSlot& x = xs().slots[slot];
  x.pickable = enable;
  platform::frame_set_traversal(x.frame, platform::frame_visible(x.frame), enable);
}

void animate_xobjects() {
  follow_scene();
  for (XAnimation& a : xs().animations) {
    if (a.mesh < 0 || !a.rig || !a.active) continue;
    advance(a);
    pose(a);
  }
}

void release_xobjects() {
  XObjectState& x = xs();
  x.slots_used = 0;
  for (XSlot& s : x.slots) s = XSlot{};
  for (XAnimation& a : x.animations) reset_animation(a);
  for (XHit& h : x.element_hits) h = XHit{};
  std::fill(std::begin(x.rig_read), std::end(x.rig_read), uint8_t{0});
  x.pick_point[0] = x.pick_point[1] = x.pick_point[2] = 0;
}

void bind_hit_builtins();  // builtins_hits.cpp

void bind_xobject_builtins() {
  bind_hit_builtins();
  brain::bind<x_load>("x_load");
  brain::bind<x_clone>("x_clone");
  brain::bind<x_kill>("x_kill");
  brain::bind<x_picked>("x_picked");
  brain::bind<x_pick_pt>("x_pick_pt");
  brain::bind<x_element_get>("x_element_get");
  brain::bind<h_animation_speed>("h_animation_speed");
  brain::bind<h_animation_speed_set>("h_animation_speed_set");
  brain::bind<h_animation_tick>("h_animation_tick");
  brain::bind<h_animation_tick_set>("h_animation_tick_set");
  brain::bind<h_animation_range_set>("h_animation_range_set");
  brain::bind<h_animation_range_start>("h_animation_range_start");
  brain::bind<h_animation_range_end>("h_animation_range_end");
}

}  // namespace engine
