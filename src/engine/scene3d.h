// The 3D side of a run: renderer objects built once per scene, and the
// cameras' views of every drawn frame.
#pragma once

#include <cstdint>

namespace engine {

enum Root : int { kBackgroundRoot = 0, kMainRoot = 1, kSecondRoot = 2, kOverlayRoot = 3 };

// Roots, device settings and one renderer object per 3D object of the
// object table (cameras, lights, flat shapes, visuals, X models).
void build_scene3d(int32_t elements);
// The elements' transforms into the renderer, then every active camera's
// view (the frame's 3D layer).
void draw_views();
// Drops every renderer object.
void release_scene3d();

// Fog of the main, second and overlay roots from the engine's settings.
void apply_fog();

}  // namespace engine
