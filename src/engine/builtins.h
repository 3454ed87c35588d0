// Binding the engine's built-ins to the brain table.
#pragma once

#include "engine/motion.h"
#include "engine/tracks.h"

namespace engine {

void bind_run_builtins();
void bind_2d_builtins();
void bind_device_builtins();
void bind_3d_builtins();
void bind_mesh_builtins();
void bind_xobject_builtins();
void bind_input_builtins();
void bind_collision_builtins();
void bind_sound_builtins();
// The element under the mouse pointer, for the run loop's picking step.
uint32_t pick_element();

// Every engine family bound so far.
inline void bind_builtins() {
  bind_run_builtins();
  bind_2d_builtins();
  bind_device_builtins();
  bind_3d_builtins();
  bind_mesh_builtins();
  bind_xobject_builtins();
  bind_input_builtins();
  bind_sound_builtins();
  bind_motion_builtins();
  bind_track_builtins();
  bind_collision_builtins();
}

}  // namespace engine
