#include "engine/run_loop.h"

#include <algorithm>
#include <cstring>

#include "brain/driver.h"
#include "brain/run.h"
#include "brain/state.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "engine/hooks.h"
#include "engine/scene_load.h"
#include "engine/sounds.h"
#include "engine/state.h"
#include "media/device.h"
#include "media/font.h"
#include "media/input.h"
#include "media/overlay.h"
#include "platform/platform.h"
#include "project/records.h"
#include "project/state.h"
#include "project/types.h"

namespace engine {

namespace {

constexpr uint32_t kLowStringMemory = 80000;

void draw() {
  if (!media::window_active()) return;
  ++state().loop.frames_drawn;
  if (auto* f = hooks().draw_frame) f();
  media::note_present();
}

// True once the run has gone on for the ticks --ticks allows.
bool tick_limit_reached() {
  const State& s = state();
  return s.loop.tick_limit >= 0 && s.loop.ticks_run >= s.loop.tick_limit;
}

// No further tick runs: the tick limit is reached, or a run-time error box
// has ended the run (its brains would not run any more).
bool stopped() { return tick_limit_reached() || brain::state().halted; }

void load_globals() {
  const core::Pool& g = core::state().pools.globals;
  std::memset(g.bytes(), 0, g.size);
  core::read_into(core::state().folders.program + "temp/globvars.dat", g.bytes(), core::kGlobalCount * 4);
}

void compile_brains() {
  brain::CompileRequest request;
  for (int e = 0; e < state().scene.element_count; ++e)
    request.elements.push_back(
        {project::get_field(e, project::kFieldName), project::get_field(e, project::kFieldBrain), std::nullopt});
  const brain::CompileReport report = brain::compile_project(request);
  state().loop.picking_needed = report.picking_needed;
  const uint32_t pool = core::state().pools.strings.size;
  state().loop.strings_free = pool - std::min(report.strings_used, pool);
}

}  // namespace

void set_max_framerate(int32_t n) {
  if (n < 15 || n > 250) return;
  state().loop.max_framerate = n;
  state().loop.tick_length = 4500 / n;
}

void set_exit_code(int32_t code) { state().loop.exit_code = code; }
void set_tick_count(uint32_t count) { state().loop.tick_count = count; }

void tick() {
  State& s = state();
  media::overlay_clear();
  if (hooks().net_tick_start) hooks().net_tick_start();
  if (s.loop.picking_needed && hooks().pick) {
    const uint32_t picked = hooks().pick();
    if (picked != 0) s.loop.picked = picked;
  }
  for (int e = 0; e < core::kElementCount; ++e) core::element_state(e)->w[core::kFlags] &= ~core::kFlagJoined;
  for (int e = 0; e < s.scene.element_count; ++e) {
    core::ElementState& st = *core::element_state(e);
    if (hooks().net_element_before) hooks().net_element_before(e);
    if ((st.w[core::kFlags] & (core::kFlagOn | core::kFlagDisabled)) == core::kFlagOn) {
      brain::run(core::element_ref(e));
      ++st.w[core::kTimer];
    }
    if (hooks().net_element_after) hooks().net_element_after(e);
  }
  for (int32_t& c : s.loop.net_counters)
    if (c > 0) --c;
  ++s.loop.tick_count;
  if (hooks().net_tick_end) hooks().net_tick_end();
  ++s.loop.ticks_run;
  if (tick_limit_reached() && s.loop.exit_code == -1) s.loop.exit_code = kExitPlain;
}

void run_begin() {
  State& s = state();
  media::pump();
  media::flush();
  s.loop.engine_running = true;
  RunSettings& saved = s.loop.saved;
  saved.sprite_clipping = s.drawing.sprite_clipping;
  s.drawing.sprite_clipping = true;
  saved.fog_start = s.drawing.fog_start;
  saved.fog_end = s.drawing.fog_end;
  saved.scene_colour = s.drawing.scene_colour;
  s.drawing.text_colour = 0xFFFFFF;
  s.loop.exit_code = -1;
  s.loop.run_flag = true;
  s.loop.ticks_run = 0;
}

bool run_load(bool notices) {
  auto say = [notices](const char* text) {
    if (notices) core::notice(text);
  };
  say("Loading data, please wait...");
  const bool loaded = load_phase();
  if (loaded) {
    say("Initializing objects, please wait...");
    initialize_phase();
    say("Compiling brains, please wait...");
    compile_brains();
  }
  say("");
  return loaded;
}

void run_loop() {
  State& s = state();
  media::clear_display();
  reset_sounds();
  std::memcpy(s.loop.channel_copy, core::state().pools.channel_map.bytes(), sizeof s.loop.channel_copy);
  media::select_tool_font(core::state().folders.data, true);
  media::overlay_fonts_reset();
  if (s.loop.strings_free < kLowStringMemory)
    core::value_box(s.loop.strings_free, "Warning! Internal string memory low.");

  // The mouse has not moved since the last notice was presented.
  media::note_present();
  for (int i = 0; i < kWarmUpTicks && !stopped(); ++i) tick();
  s.loop.first_frame = true;
  draw();
  s.loop.first_frame = false;
  for (int e = 0; e < s.scene.element_count; ++e) {
    core::ElementState& st = *core::element_state(e);
    if (project::element_type(e) == project::kFrame && (st.w[core::kFlags] & core::kFlagOn)) st.w[core::kExtent] = 2;
  }

  s.loop.next_deadline = platform::now() + static_cast<uint32_t>(s.loop.tick_length);
  // An exit asked for in the warm-up still ends the run only after the
  // loop's first tick.
  while (!stopped()) {
    media::pump();
    // Headless with the script used up and no tick limit: Escape, so that
    // no headless run can go on for ever.
    if (platform::headless() && s.loop.tick_limit < 0 && media::input_exhausted() && !media::key_event_waiting())
      media::inject_default_key(false);
    media::next_key_event();
    s.loop.current_key = media::input().current_scancode;
    if (hooks().race_checkpoints) hooks().race_checkpoints();
    if (hooks().collisions) hooks().collisions();
    if (hooks().poll_joysticks) hooks().poll_joysticks();
    tick();
    if (s.loop.exit_code != -1 || s.loop.current_key == 1) break;
    if (static_cast<int32_t>(platform::now() - s.loop.next_deadline) > 0) {
      s.loop.next_deadline += static_cast<uint32_t>(s.loop.tick_length);
      continue;
    }
    platform::wait_until(s.loop.next_deadline + 1);
    s.loop.next_deadline += static_cast<uint32_t>(s.loop.tick_length);
    draw();
  }
  media::select_tool_font(core::state().folders.data, false);
  std::memcpy(core::state().pools.channel_map.bytes(), s.loop.channel_copy, sizeof s.loop.channel_copy);
}

int32_t run_end() {
  State& s = state();
  const RunSettings& saved = s.loop.saved;
  s.loop.run_flag = false;
  s.drawing.scene_colour = saved.scene_colour;
  s.drawing.fog_end = saved.fog_end;
  s.drawing.fog_start = saved.fog_start;
  s.drawing.sprite_clipping = saved.sprite_clipping;
  s.loop.engine_running = false;
  if (hooks().release_scene) hooks().release_scene();
  media::pump();
  return s.loop.exit_code;
}

int32_t test_run() {
  run_begin();
  load_globals();
  if (run_load(true)) run_loop();
  return run_end();
}

std::string dump_json() {
  const State& s = state();
  std::string out = "{\"tick_count\":" + std::to_string(s.loop.tick_count) +
                    ",\"frames_drawn\":" + std::to_string(s.loop.frames_drawn) +
                    ",\"exit_code\":" + std::to_string(s.loop.exit_code) +
                    ",\"fog_start\":" + std::to_string(s.drawing.fog_start) +
                    ",\"fog_end\":" + std::to_string(s.drawing.fog_end) +
                    ",\"scene_colour\":" + std::to_string(s.drawing.scene_colour) +
                    ",\"sprite_clipping\":" + std::to_string(s.drawing.sprite_clipping ? 1 : 0) + ",\"globals\":[";
  const int32_t* g = core::state().pools.globals.as<int32_t>();
  for (uint32_t i = 0; i < core::kGlobalCount; ++i) {
    if (i) out += ',';
    out += std::to_string(g[i]);
  }
  out += "],\"elements\":[";
  for (int e = 0; e <= project::last_index(); ++e) {
    if (e) out += ',';
    out += "{\"index\":" + std::to_string(e) + ",\"name\":";
    out += core::json_string(project::get_field(e, project::kFieldName)) + ",\"words\":[";
    const core::ElementState& st = *core::element_state(e);
    for (int w = 0; w < 256; ++w) {
      if (w) out += ',';
      out += std::to_string(st.w[w]);
    }
    out += "]}";
  }
  out += "]}";
  return out;
}

}  // namespace engine
