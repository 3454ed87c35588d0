#include "shell/bindings.h"

#include "brain/bind.h"
#include "core/state.h"
#include "engine/builtins.h"
#include "engine/draw.h"
#include "engine/scene3d.h"
#include "engine/state.h"
#include "shell/state.h"

namespace shell {

namespace {

// Bit 0: the stand-alone player; bit 1: the simulate-stand-alone switch.
int32_t exemode(uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
  return (core::state().stand_alone & 1) | (state().editor.simulate_stand_alone == 1 ? 2 : 0);
}

}  // namespace

void bind_builtins() {
  brain::bind_core_builtins();
  brain::bind("exemode", exemode);
  engine::bind_builtins();
  engine::State& e = engine::state();
  e.draw_frame = engine::draw_frame;
  e.draw_views = engine::draw_views;
  e.build_scene = engine::build_scene3d;
  e.release_scene = engine::release_scene3d;
  e.pick = engine::pick_element;
}

}  // namespace shell
