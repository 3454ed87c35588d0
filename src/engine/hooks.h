// The services other subsystems lend the engine. The shell fills every hook
// once at start-up (src/shell/bindings.cpp), and nothing else does outside
// tests and benchmarks; the engine only calls them. A null hook does
// nothing (or answers 0).
#pragma once

#include <cstdint>

namespace engine {

struct Hooks {
  // Drawing: the whole frame, the cameras' 3D views inside it, building
  // and releasing the renderer objects of a scene, and the element under
  // the mouse (an element reference, or 0).
  void (*draw_frame)() = nullptr;
  void (*draw_views)() = nullptr;
  void (*build_scene)(int32_t elements) = nullptr;
  void (*release_scene)() = nullptr;
  uint32_t (*pick)() = nullptr;

  // Steps of each loop iteration before the tick (not in the warm-up).
  void (*race_checkpoints)() = nullptr;
  void (*collisions)() = nullptr;
  void (*poll_joysticks)() = nullptr;

  // Network play inside the tick: the shared globals written in at the
  // start of a game, the element's snapshot before its brain, the exchange
  // of its synced fields after it, and the tick handed over for sending.
  // Each decides itself whether a game is active.
  void (*net_tick_start)() = nullptr;
  void (*net_element_before)(int32_t element) = nullptr;
  void (*net_element_after)(int32_t element) = nullptr;
  void (*net_tick_end)() = nullptr;
  // The end of a scene's set-up: network play computes its session code.
  void (*net_scene_setup)() = nullptr;
};

Hooks& hooks();

}  // namespace engine
