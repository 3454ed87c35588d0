// Built-ins of the rendering device: the display mode and the device
// choice (kept for the next start), and the render switches.
#include "brain/bind.h"
#include "core/state.h"
#include "engine/builtins.h"
#include "engine/scene3d.h"
#include "engine/state.h"
#include "media/config.h"
#include "media/device.h"
#include "platform/scene.h"

namespace engine {

namespace {


bool stand_alone() { return core::state().stand_alone == 1; }

int32_t display_mode(int32_t a1) {
  (void)a1;
  return media::current_display_mode();
}

// Only the stand-alone player may change the settings; they take effect at
// the next start.
int32_t display_mode_set(int32_t a1) {
  if (!stand_alone()) return 0;
  media::EngineSettings& s = media::settings();
  s.display_mode = a1;
  media::write_config(media::config_path(), s);
  return 0;
}

int32_t rendering_device_set(int32_t a1) {
  if (!stand_alone()) return 0;
  media::EngineSettings& s = media::settings();
  s.rendering_device = a1 & 3;
  media::write_config(media::config_path(), s);
  return 0;
}

// Switches the frame drawing keeps for its own state; the modern pipeline
// has no dithering or state-change batching to turn. Specular highlights
// are the materials' own, switched for the whole scene.
int32_t dithering_set(int32_t a1) {
  state().views.dithering = a1 != 0;
  return 0;
}

int32_t specular_set(int32_t a1) {
  if (a1 == 0 || a1 == 1) {
    state().views.specular = a1 == 1;
    platform::scene_set_specular(a1 == 1);
  }
  return 0;
}

int32_t state_change_optimize(int32_t a1) {
  state().views.state_change_optimize = a1 != 0;
  return 0;
}

int32_t fogeffect_set(int32_t a1) {
  state().views.fog_enabled = a1 != 0;
  apply_fog();
  return 0;
}

}  // namespace

void bind_device_builtins() {
  brain::bind<display_mode>("display_mode");
  brain::bind<display_mode_set>("display_mode_set");
  brain::bind<rendering_device_set>("rendering_device_set");
  brain::bind<dithering_set>("dithering_set");
  brain::bind<specular_set>("specular_set");
  brain::bind<state_change_optimize>("state_change_optimize");
  brain::bind<fogeffect_set>("fogeffect_set");
}

}  // namespace engine
