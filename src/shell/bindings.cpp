#include "engine/hooks.h"
#include "shell/bindings.h"

#include <algorithm>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/element_state.h"
#include "engine/objects.h"
#include "media/device.h"
#include "media/input.h"
#include "platform/state.h"
#include "project/records.h"
#include "core/state.h"
#include "engine/builtins.h"
#include "engine/draw.h"
#include "engine/scene3d.h"
#include "engine/state.h"
#include "shell/state.h"

namespace shell {

namespace {

// Bit 0: the stand-alone player; bit 1: the simulate-stand-alone switch.
int32_t exemode() {
  return (core::state().stand_alone & 1) | (state().editor.simulate_stand_alone == 1 ? 2 : 0);
}

// What the general built-ins need to know of the run.
void fill_general_services() {
  brain::GeneralServices& g = brain::state().general;
  engine::State& e = engine::state();
  g.tick_count = &e.loop.tick_count;
  g.exit_code = &e.loop.exit_code;
  g.next_deadline = &e.loop.next_deadline;
  g.tick_length = &e.loop.tick_length;
  g.timer = [] { return platform::clock_now(platform::state().clock); };
  g.element_count = [] { return static_cast<int>(project::last_index() + 1); };
  g.object_type = [](int element) { return engine::tag_type(engine::current_tag(*core::element_state(element))); };
  g.clear_screen = media::clear_display;
  g.typed_text = [] { return std::string_view(media::input().typed, static_cast<size_t>(media::input().typed_length)); };
  g.set_typed_text = [](std::string_view text) {
    media::Input& in = media::input();
    const size_t n = std::min(text.size(), sizeof in.typed - 1);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), in.typed);
    in.typed[n] = 0;
    in.typed_length = static_cast<int>(n);
  };
  brain::state().runtime_error = brain::runtime_error_box;
}

}  // namespace

void bind_builtins() {
  brain::bind_core_builtins();
  // General rows first: where an engine family implements a row too (clear,
  // counter_picked), the engine's binding is the one that stays.
  brain::bind_general_builtins();
  fill_general_services();
  brain::bind<exemode>("exemode");
  engine::bind_builtins();
  engine::State& e = engine::state();
  engine::hooks().draw_frame = engine::draw_frame;
  engine::hooks().draw_views = engine::draw_views;
  engine::hooks().build_scene = engine::build_scene3d;
  engine::hooks().release_scene = engine::release_scene3d;
  engine::hooks().pick = engine::pick_element;
}

}  // namespace shell
