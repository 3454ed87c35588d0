#include "shell/modes.h"

#include <cstdio>

#include "core/files.h"
#include "core/state.h"
#include "editors/explode_tool.h"
#include "editors/virtual_editor.h"
#include "editors/visual_editor.h"
#include "engine/run_loop.h"
#include "engine/state.h"
#include "engine/tracks.h"
#include "media/device.h"
#include "project/project_file.h"
#include "project/records.h"
#include "project/state.h"
#include "shell/dispatcher.h"
#include "shell/state.h"
#include "ui/dialogs.h"

namespace shell {

void load_project(const std::string& path, std::string& description) { project::load_project(path, description); }
void save_project(const std::string& path, const std::string& description) { project::save_project(path, description); }
int32_t last_element_index() { return project::last_index(); }
void set_load_range(int32_t first, int32_t last) { project::set_load_range(first, last); }

int32_t run_test() {
  engine::State& e = engine::state();
  const Options& o = state().options;
  e.loop.tick_limit = o.ticks;
  const int32_t exit_code = engine::test_run();
  // The screenshot of a test run is its last frame, taken before the boxes
  // that follow the run (the exit notice) clear the display.
  if (!o.screenshot.empty()) {
    state().screenshot_taken = true;
    if (!media::save_screenshot(o.screenshot)) std::fprintf(stderr, "quill: cannot write %s\n", o.screenshot.c_str());
  }
  if (!o.dump.empty() && !core::write_file_atomic(o.dump, engine::dump_json()))
    core::error_box("Cannot write " + o.dump);
  return exit_code;
}

uint32_t recorded_track_bytes() { return engine::recorded_track_bytes(); }

void write_recorded_track(const std::string& path) {
  if (!engine::write_recorded_track(path)) core::error_box("Cannot write " + path);
}

// Stand-alone multi-level player: arrives with the player; plays nothing yet.
void run_stand_alone() {}
// Collision channel map tool: arrives with its tool screen; changes nothing yet.
void run_channel_map() {}
void run_virtual_editor() {
  const Options& o = state().options;
  if (!o.screenshot.empty()) state().screenshot_taken = true;
  editors::run_virtual_editor(project::state().current, state().editor.design_scale, o.screenshot);
  if (!o.dump.empty() && !core::write_file_atomic(o.dump, engine::dump_json()))
    core::error_box("Cannot write " + o.dump);
}
// Element parameter editor: arrives with the editors; changes nothing yet.
int32_t run_parameter_editor(int32_t element) { return element; }
// Self-executable editor: arrives with the build tool; changes nothing yet.
void run_self_executable_editor() {}
// Both start in the folder of the visual-tools path (curpaths.ini line 11).
void run_visual_editor() { editors::run_visual_editor(state().editor.paths[10]); }
void run_explode_tool() { editors::run_explode_tool(state().editor.paths[10]); }
// Animation renaming tool: arrives with the editors; changes nothing yet.
void run_animation_renaming() {}
// Brain text editor: arrives with the editors; changes nothing yet.
int32_t run_brain_editor(int32_t element) { return element; }
void run_display_area(int32_t area[4]) { ui::display_area_setter(area); }
// 3D background setter: arrives with its tool screen; chooses no image yet.
bool run_background_setter() { return false; }

}  // namespace shell
