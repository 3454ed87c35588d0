// Built-ins of the rendering device: the display mode and the device
// choice (kept for the next start), and the render switches.
#include "brain/bind.h"
#include "core/state.h"
#include "engine/builtins.h"
#include "engine/scene3d.h"
#include "engine/state.h"
#include "media/config.h"
#include "media/device.h"
#include "media/state.h"
#include "platform/scene.h"

namespace engine {

namespace {

#define BUILTIN(name) int32_t name(uint32_t, int32_t a1, int32_t, int32_t, int32_t, int32_t)

bool stand_alone() { return core::state().stand_alone == 1; }

BUILTIN(display_mode) {
  (void)a1;
  return media::current_display_mode();
}

// Only the stand-alone player may change the settings; they take effect at
// the next start.
BUILTIN(display_mode_set) {
  if (!stand_alone()) return 0;
  media::EngineSettings& s = media::state().settings;
  s.display_mode = a1;
  media::write_config(media::config_path(), s);
  return 0;
}

BUILTIN(rendering_device_set) {
  if (!stand_alone()) return 0;
  media::EngineSettings& s = media::state().settings;
  s.rendering_device = a1 & 3;
  media::write_config(media::config_path(), s);
  return 0;
}

// Switches the frame drawing keeps for its own state; the modern pipeline
// has no dithering or state-change batching to turn. Specular highlights
// are the materials' own, switched for the whole scene.
BUILTIN(dithering_set) {
  state().dithering = a1 != 0;
  return 0;
}

BUILTIN(specular_set) {
  if (a1 == 0 || a1 == 1) {
    state().specular = a1 == 1;
    platform::scene_set_specular(a1 == 1);
  }
  return 0;
}

BUILTIN(state_change_optimize) {
  state().state_change_optimize = a1 != 0;
  return 0;
}

BUILTIN(fogeffect_set) {
  state().fog_enabled = a1 != 0;
  apply_fog();
  return 0;
}

}  // namespace

void bind_device_builtins() {
  brain::bind("display_mode", display_mode);
  brain::bind("display_mode_set", display_mode_set);
  brain::bind("rendering_device_set", rendering_device_set);
  brain::bind("dithering_set", dithering_set);
  brain::bind("specular_set", specular_set);
  brain::bind("state_change_optimize", state_change_optimize);
  brain::bind("fogeffect_set", fogeffect_set);
}

}  // namespace engine
