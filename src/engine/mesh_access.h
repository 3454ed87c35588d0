// How the mesh rows find what they act on: an element's renderer frames and
// meshes (or a run-time X frame's), the part selected by h_part_set and the
// window of vertices inside it.
#pragma once

#include <cstdint>

#include "core/element_state.h"
#include "core/math3d.h"
#include "engine/objects.h"
#include "engine/state.h"
#include "engine/view_lists.h"
#include "engine/xobjects.h"
#include "platform/scene.h"

namespace engine {

constexpr float kPositionUnit = 512000.0f;

// Bit 31: a run-time X frame rather than an element.
inline bool is_x_handle(int32_t ref) { return (static_cast<uint32_t>(ref) & 0x80000000u) != 0; }

// The selection record kept for a target: the element's, or the X slot's
// (X handles of slot kXSelections and above have none). Null otherwise.
PartSelection* selection_slot(int32_t ref);
// The selection in force for a target: its record when it was made for this
// target, else the whole mesh of the current frame.
PartSelection selection_of(int32_t ref);

// The renderer frame of a target for an animation frame number (1-based;
// 0: the element's current object). -1 when there is none.
int renderer_frame(int32_t ref, int32_t frame_number);

struct MeshWindow {
  int frame = -1, mesh = -1, part = -1;
  int first = 0, count = 0;  // mesh vertices
};
// The mesh and vertex window a selection names; false when there is none
// (a bad target, a frame without a mesh, a part the mesh lacks).
bool mesh_window(const PartSelection& sel, MeshWindow& out);
// The window of a target under its own selection.
inline bool target_window(int32_t ref, MeshWindow& out) { return mesh_window(selection_of(ref), out); }

// The mesh of a target's frame, ready to be changed: an element whose frame
// shares its mesh with other elements (equal aspects share meshes) first
// gets its own copy, so that edits reach that element alone. X frames own
// their meshes. -1 when there is none.
inline int editable_mesh(int32_t ref, int frame) {
  return core::element_index(ref) >= 0 ? platform::frame_own_mesh(frame) : platform::frame_mesh(frame);
}
// target_window with the window's mesh made editable.
inline bool editable_window(int32_t ref, MeshWindow& out) {
  if (!target_window(ref, out)) return false;
  out.mesh = editable_mesh(ref, out.frame);
  return out.mesh >= 0;
}

// Calls f(frame) for every renderer frame with a mesh that the colour,
// material, visibility and render-state rows act on: the selection's frame,
// or with frame 0 every animation frame of the element (and its current
// one). f answers whether it changed something; returns how many did.
template <class F>
int for_each_frame(int32_t ref, F f) {
  const PartSelection sel = selection_of(ref);
  const int e = core::element_index(ref);
  if (e < 0 || sel.frame != 0) {
    const int fr = renderer_frame(ref, sel.frame);
    if (platform::frame_mesh(fr) < 0) return 0;
    return f(fr) ? 1 : 0;
  }
  const core::ElementState& st = *core::element_state(e);
  const State& s = state();
  const int32_t first = st.w[core::kFirstObject], current = st.w[core::kCurrentObject];
  int32_t count = st.w[core::kFrameCount];
  count = count < 1 ? 1 : count > 4096 ? 4096 : count;
  int n = 0;
  bool current_seen = false;
  for (int32_t k = 0; k < count && first >= 0 && first < s.scene.object_count; ++k) {
    const int32_t o = first + k;  // first < 4096: no overflow
    if (o >= s.scene.object_count || o >= 4096) break;
    if (platform::frame_mesh(s.views.object_frame[o]) < 0) continue;
    current_seen = current_seen || o == current;
    n += f(s.views.object_frame[o]) ? 1 : 0;
  }
  if (!current_seen && current >= 0 && current < s.scene.object_count && current < 4096 &&
      platform::frame_mesh(s.views.object_frame[current]) >= 0) {
    n += f(s.views.object_frame[current]) ? 1 : 0;
  }
  return n;
}

// The selected part of a target as a group number for the frame's mesh, or
// -2 when that mesh lacks it.
int part_of(int frame, int32_t part);

// The world matrix of a target's frame as of the element's state now
// (position, rotation and scale words); X frames from their renderer frame.
core::Mat4 target_world(int32_t ref, int frame);

// Position units to world units and back, saturating.
inline float to_world_units(int32_t v) { return static_cast<float>(v) / kPositionUnit; }
int32_t to_position_units(float v);

}  // namespace engine
