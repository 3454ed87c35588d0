#include "engine/mesh_access.h"

#include <cmath>

#include "engine/scene3d.h"

namespace engine {

PartSelection* selection_slot(int32_t ref) {
  refresh_view_state();
  ViewListState& v = state().lists;
  const int e = core::element_index(ref);
  if (e >= 0) return &v.parts[e];
  if (!is_x_handle(ref) || xobject_frame(ref) < 0) return nullptr;
  const uint32_t slot = static_cast<uint32_t>(ref) & 0x7FFFFFFFu;
  return slot < static_cast<uint32_t>(kXSelections) ? &v.x_parts[slot] : nullptr;
}

PartSelection selection_of(int32_t ref) {
  const PartSelection* s = selection_slot(ref);
  if (s && s->target == ref) return *s;
  PartSelection whole;
  whole.target = ref;
  return whole;
}

int renderer_frame(int32_t ref, int32_t frame_number) {
  const int e = core::element_index(ref);
  if (e < 0) {
    if (!is_x_handle(ref) || frame_number < 0 || frame_number > 1) return -1;
    return xobject_frame(ref);
  }
  const core::ElementState& st = *core::element_state(e);
  int64_t o = st.w[core::kCurrentObject];
  if (frame_number != 0) {
    if (frame_number < 1 || frame_number > st.w[core::kFrameCount]) return -1;
    o = int64_t{st.w[core::kFirstObject]} + frame_number - 1;
  }
  const State& s = state();
  if (o < 0 || o >= s.scene.object_count || o >= 4096) return -1;
  return s.views.object_frame[o];
}

int part_of(int frame, int32_t part) {
  const int mesh = platform::frame_mesh(frame);
  if (mesh < 0) return -2;
  if (part == -1) return -1;
  return part >= 0 && part < platform::mesh_group_count(mesh) ? part : -2;
}

bool mesh_window(const PartSelection& sel, MeshWindow& out) {
  out = MeshWindow{};
  const int frame = renderer_frame(sel.target, sel.frame);
  const int mesh = platform::frame_mesh(frame);
  if (mesh < 0 || part_of(frame, sel.part) == -2) return false;
  int first = 0, count = 0;
  if (!platform::mesh_group_range(mesh, sel.part, first, count)) return false;
  const int skip = sel.first < 0 ? 0 : sel.first;
  int n = skip >= count ? 0 : count - skip;
  if (sel.count > 0 && sel.count < n) n = sel.count;
  out.frame = frame;
  out.mesh = mesh;
  out.part = sel.part;
  out.first = first + (skip >= count ? count : skip);
  out.count = n;
  return true;
}

core::Mat4 target_world(int32_t ref, int frame) {
  const int e = core::element_index(ref);
  if (e < 0) return platform::frame_world(frame);
  const core::ElementState& st = *core::element_state(e);
  // As the frame drawing places the element: rotation (after the parent's
  // while joined), scale of flats and of scaled visuals and X models, then
  // position.
  const int32_t* parent = (st.w[core::kFlags] & core::kFlagJoined) ? &st.w[core::kParentRotation] : nullptr;
  const Object* o = object(st.w[core::kCurrentObject]);
  const uint32_t t = o ? static_cast<uint32_t>(o->w[0]) : 0;
  const int32_t sx = st.w[core::kScaleX], sy = st.w[core::kScaleY], sz = st.w[core::kScaleZ];
  const bool model = t == kTagVisual || t == kTagXModel;
  core::Vec3 right, up, dir, scale{1, 1, 1};
  if (model && (sx != 1000 || sy != 1000 || sz != 1000)) {
    core::quat_axes(element_rotation(&st.w[core::kRotation], parent), right, up, dir);
    scale = {sx / 1000.0f, sy / 1000.0f, sz / 1000.0f};
  } else {
    core::Vec3 d, u;
    element_axes(&st.w[core::kRotation], parent, d, u);
    dir = core::normalize(d);
    right = core::normalize(core::cross(u, dir));
    if (core::length(right) == 0) right = {1, 0, 0};
    up = core::cross(dir, right);
    if (t == kTagFlat) scale = {sx / 1000.0f, sy / 1000.0f, 1.0f};
  }
  const core::Vec3 p{to_world_units(st.w[core::kPosition]), to_world_units(st.w[core::kPosition + 1]),
                     to_world_units(st.w[core::kPosition + 2])};
  return core::compose(p, right, up, dir, scale);
}

int32_t to_position_units(float v) {
  const double p = std::nearbyint(static_cast<double>(v) * kPositionUnit);
  if (!(p == p)) return 0;  // NaN
  return p >= 2147483647.0 ? 2147483647 : p <= -2147483648.0 ? INT32_MIN : static_cast<int32_t>(p);
}

}  // namespace engine
