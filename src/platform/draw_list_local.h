// The draw list of one viewport render (private to platform/): the visible
// mesh groups and shadows under the root, collected and sorted on the CPU
// (no GL calls), then submitted by scene_render.cpp.
#pragma once

#include <cstdint>

#include "core/math3d.h"

namespace platform {

struct SceneObjects;

// One mesh group to draw.
struct DrawItem {
  int mesh;
  int group;
  core::Mat4 world;
  float depth;  // view depth of the frame's origin
  bool translucent;
  int frame;
  float part_depth;  // view depth of the group's centre (part ordering)
  float shadow;      // > 0: a shadow of this opacity
};

// Fills sc.items with the visible groups of the visible frames under root
// (a hidden frame hides its children), then the shadows of the casters
// reached; `view` takes world points to view space. Returns the item count.
int draw_collect(SceneObjects& sc, int root, const core::Mat4& view);
// Fills sc.order[0..count) with the drawing order: opaque items first, by
// the root's sort mode (ties and kSortNone in collection order), then the
// translucent ones back to front; the groups of a frame with a part order
// are ordered among themselves where they follow each other.
void draw_sort(SceneObjects& sc, int count, int32_t mode);

}  // namespace platform
