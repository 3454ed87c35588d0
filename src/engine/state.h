// The simulation engine's state: the run loop's clock and flags, the scene
// tables of the loaded project and the drawing settings of a run.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "engine/view_lists.h"
#include "engine/xobjects.h"

namespace engine {

constexpr int kElements = 256;

template <size_t N>
constexpr std::array<int32_t, N> filled(int32_t v) {
  std::array<int32_t, N> a{};
  for (int32_t& x : a) x = v;
  return a;
}

struct State {
  // Run loop.
  int32_t tick_length = 150;   // timer units (1/4500 s) per tick
  int32_t max_framerate = 30;  // ticks per second
  uint32_t next_deadline = 0;
  uint32_t tick_count = 0;
  uint32_t frames_drawn = 0;    // frames drawn by the run loop (warm-up frame included)
  int32_t exit_code = -1;
  bool engine_running = false;
  bool run_flag = false;       // random start values; set from load to the end of the loop
  bool first_frame = false;    // the warm-up frame is not presented
  int32_t net_counters[2] = {};
  int64_t tick_limit = -1;     // --ticks: end the run after this many ticks
  int64_t ticks_run = 0;
  int32_t current_key = 0;     // scan code of the key event of this iteration
  uint32_t picked = 0;         // element found by this tick's picking step
  bool picking_needed = false;

  // Scene tables.
  int32_t element_count = 0;   // last element index + 1
  int32_t object_count = 0;
  uint32_t work_used = 0;      // bytes of the work pool filled by this load
  int32_t shared_with[kElements] = {};  // element whose objects this one copies
  int32_t unscaled[kElements][8] = {};  // extent, radius and radius_max before scaling

  // Renderer objects of the scene, by object index (-1 for none).
  int32_t roots[4] = {-1, -1, -1, -1};
  int32_t object_frame[4096] = {};
  int32_t object_viewport[4096] = {};
  int32_t object_light[4096] = {};
  bool flats_after_cameras = false;
  bool fog_enabled = false;
  bool dithering = true;
  bool sorted_transparency = true;
  bool antialias = false;
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
  int32_t layer_count = 0;                  // layers in use, in drawing order
  int32_t layer_number[16] = {};            // the number of each layer in use
  int32_t layer_frames[16] = {};            // its frame under the second root
  int32_t element_layer[kElements] = {};    // 0: none, else the element's layer number
  std::array<int32_t, kElements> layer_copy = filled<kElements>(-1);  // the element's frame in its layer, -1 for none
  int32_t light_values[4096][4] = {};  // red, green, blue, intensity of each light object
  bool specular = true;
  bool state_change_optimize = false;

  // Drawing settings of a run.
  int32_t fog_start = 10240, fog_end = 15360;
  uint32_t scene_colour = 0xFF000000u;
  bool sprite_clipping = true;
  int32_t text_colour = 0xFFFFFF;  // of later overlay text (red + 256 green + 65536 blue)
  uint8_t channel_copy[256 * 256] = {};  // the channel map as it was before the run

  // Motion: the work rotation of the rotation-by-axis built-ins, a unit
  // quaternion (w, x, y, z) kept across calls and elements until set again,
  // and the unit axis kept by the last rotation_angle.
  double motion_rotation[4] = {1, 0, 0, 0};
  double motion_axis[3] = {0, 0, 0};

  XObjectState xobjects;  // run-time X frames
  ViewListState views;    // environment-map and billboard registrations

  // Services of other subsystems, bound by the shell; null does nothing.
  void (*draw_frame)() = nullptr;
  void (*draw_views)() = nullptr;  // the cameras' 3D views of a frame
  void (*race_checkpoints)() = nullptr;
  void (*collisions)() = nullptr;
  void (*poll_joysticks)() = nullptr;
  void (*release_scene)() = nullptr;
  void (*build_scene)(int32_t elements) = nullptr;
  uint32_t (*pick)() = nullptr;  // the element under the mouse, or 0
  // Network play inside the tick, bound by the network layer: the shared
  // globals written in at the start of a game, the element's snapshot before
  // its brain, the exchange of its synced fields after it, and the tick
  // handed over for sending. Each decides itself whether a game is active.
  void (*net_tick_start)() = nullptr;
  void (*net_element_before)(int32_t element) = nullptr;
  void (*net_element_after)(int32_t element) = nullptr;
  void (*net_tick_end)() = nullptr;
  uint32_t strings_free = 0;     // string pool bytes left after compiling
  // The brain compiler's value of a text parameter.
  int32_t (*text_parameter)(std::string_view text) = nullptr;
};

State& state();

// Allocates `bytes` (rounded up to 16) from the work pool; 0 when it is full.
uint32_t work_alloc(uint32_t bytes);

}  // namespace engine
