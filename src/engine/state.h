// The simulation engine's state: the run loop's clock and flags, the scene
// tables of the loaded project, the renderer objects of its 3D views, the
// drawing settings of a run and the work of the motion and X-frame
// built-ins. The services the engine calls are in hooks.h.
#pragma once

#include <array>
#include <cstdint>

#include "core/pools.h"
#include "engine/tracks.h"
#include "engine/collisions.h"
#include "engine/view_lists.h"
#include "engine/xobjects.h"

namespace engine {

template <size_t N>
constexpr std::array<int32_t, N> filled(int32_t v) {
  std::array<int32_t, N> a{};
  for (int32_t& x : a) x = v;
  return a;
}

// The run loop: its clock, counters and flags.
// Drawing settings a run changes and puts back at its end.
struct RunSettings {
  bool sprite_clipping = false;
  int32_t fog_start = 0;
  int32_t fog_end = 0;
  uint32_t scene_colour = 0;
};

struct Loop {
  int32_t tick_length = 150;   // timer units (1/4500 s) per tick
  int32_t max_framerate = 30;  // ticks per second
  uint32_t next_deadline = 0;
  uint32_t tick_count = 0;
  uint32_t frames_drawn = 0;  // frames drawn by the run loop (warm-up frame included)
  int32_t exit_code = -1;
  bool engine_running = false;
  bool run_flag = false;     // random start values; set from load to the end of the loop
  bool first_frame = false;  // the warm-up frame is not presented
  int32_t net_counters[2] = {};
  int64_t tick_limit = -1;  // --ticks: end the run after this many ticks
  int64_t ticks_run = 0;
  int32_t current_key = 0;  // scan code of the key event of this iteration
  uint32_t picked = 0;      // element found by this tick's picking step
  bool picking_needed = false;
  uint32_t strings_free = 0;                          // string pool bytes left after compiling
  uint8_t channel_copy[core::kChannelMapBytes] = {};  // the channel map as it was before the run
  RunSettings saved;                                  // kept by run_begin for run_end
};

// The scene tables of the loaded project.
struct SceneTables {
  int32_t element_count = 0;  // last element index + 1
  int32_t object_count = 0;
  uint32_t work_used = 0;                         // bytes of the work pool filled by this load
  int32_t shared_with[core::kElementCount] = {};  // element whose objects this one copies
  int32_t unscaled[core::kElementCount][8] = {};  // extent, radius and radius_max before scaling
  bool editor = false;                            // loaded for the virtual editor (set_editor_scene)
};

// The renderer objects of the scene, by object index (-1 for none), and the
// settings of the 3D views.
struct Views {
  int32_t roots[4] = {-1, -1, -1, -1};
  int32_t marker_frames[3] = {-1, -1, -1};  // the virtual editor's box, radius and cross markers
  int32_t object_frame[core::kObjectCount] = {};
  int32_t object_viewport[core::kObjectCount] = {};
  int32_t object_light[core::kObjectCount] = {};
  int32_t light_values[core::kObjectCount][4] = {};  // red, green, blue, intensity of each light object
  bool flats_after_cameras = false;
  bool fog_enabled = false;
  bool dithering = true;
  bool sorted_transparency = true;
  bool antialias = false;
  bool specular = true;
  bool state_change_optimize = false;
  int32_t background3d_mode = 0;
  uint32_t background3d_colour = 0;
  // 3D background: the hood's parts (a: the image band, b: the caps) under
  // the background root, the band's texture, and the colour last given to
  // the caps (kColourUnset until a brain sets one).
  int32_t background3d_frames[2] = {-1, -1};
  int32_t background3d_texture = -1;
  uint32_t background3d_applied = 0xFFFFFFFFu;
  // Layered flats: priority layers are frames under the second root, drawn
  // one after another with the depth mapping shifted by the layer step.
  bool layered_flats = false;
  float layer_step = 0.001f;
  int32_t layer_count = 0;                          // layers in use, in drawing order
  int32_t layer_number[16] = {};                    // the number of each layer in use
  int32_t layer_frames[16] = {};                    // its frame under the second root
  int32_t element_layer[core::kElementCount] = {};  // 0: none, else the element's layer number
  std::array<int32_t, core::kElementCount> layer_copy = filled<core::kElementCount>(
      -1);  // the element's frame in its layer, -1 for none
};

// Drawing settings of a run.
struct Drawing {
  int32_t fog_start = 10240, fog_end = 15360;
  uint32_t scene_colour = 0xFF000000u;
  bool sprite_clipping = true;
  int32_t text_colour = 0xFFFFFF;  // of later overlay text (red + 256 green + 65536 blue)
};

// Motion: the work rotation of the rotation-by-axis built-ins, a unit
// quaternion (w, x, y, z) kept across calls and elements until set again,
// and the unit axis kept by the last rotation_angle.
struct MotionWork {
  double rotation[4] = {1, 0, 0, 0};
  double axis[3] = {0, 0, 0};
};

struct State {
  Loop loop;
  SceneTables scene;
  Views views;
  Drawing drawing;
  MotionWork motion;
  RaceTables races;           // checkpoints and racers
  SplineTables splines;       // keyed position curves
  XObjectState xobjects;      // run-time X frames
  ViewListState lists;        // environment-map and billboard registrations
  CollisionState collisions;  // pair list, ground grids and the collision built-ins' choices
};

State& state();

// Allocates `bytes` (rounded up to 16) from the work pool; 0 when it is full.
uint32_t work_alloc(uint32_t bytes);

}  // namespace engine
