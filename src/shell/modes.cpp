#include "shell/modes.h"

#include <cstdio>

#include "core/files.h"
#include "core/state.h"
#include "engine/run_loop.h"
#include "engine/state.h"
#include "engine/tracks.h"
#include "media/device.h"
#include "project/project_file.h"
#include "project/records.h"
#include "project/state.h"
#include "shell/dispatcher.h"
#include "shell/settings.h"
#include "shell/state.h"
#include "standalone/editor.h"
#include "standalone/player.h"
#include "ui/dialogs.h"

namespace shell {

namespace {
constexpr int kExecutableNameLine = 17;  // of data/curpaths.ini
}  // namespace

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

// The stand-alone player: tarvo.ini's display flag is 1 while it plays,
// curpaths.ini line 10 names the last level afterwards.
void run_stand_alone() {
  State& s = state();
  const core::State& c = core::state();
  default_paths(s.editor, c.folders.program);
  read_editor_state(s.editor, c.folders.program, c.folders.data);
  s.editor.display_flag = 1;
  engine::state().loop.tick_limit = s.options.ticks;
  s.exit_code = standalone::play();
  if (!standalone::player().level_path.empty()) s.editor.paths[9] = standalone::player().level_path;
  write_editor_state(s.editor, c.folders.program, c.folders.data);
  if (!s.options.dump.empty() && !core::write_file_atomic(s.options.dump, engine::dump_json()))
    core::error_box("Cannot write " + s.options.dump);
}
// Collision channel map tool: arrives with its tool screen; changes nothing yet.
void run_channel_map() {}
// Virtual editor: arrives with the editors; changes nothing yet.
void run_virtual_editor() {}
// Element parameter editor: arrives with the editors; changes nothing yet.
int32_t run_parameter_editor(int32_t element) { return element; }
// Self-executable editor: the list screen, and the build from it. The
// executable name and the project browser's kit and page it changed are
// written back with the rest of the editor state.
void run_self_executable_editor() {
  EditorState& editor = state().editor;
  standalone::EditorSettings settings{editor.paths[kExecutableNameLine - 1], editor.resource_kit, editor.resource_page};
  standalone::self_executable_editor(settings);
  editor.paths[kExecutableNameLine - 1] = settings.executable_name;
  editor.resource_kit = settings.resource_kit;
  editor.resource_page = settings.resource_page;
  write_editor_state(editor, core::state().folders.program, core::state().folders.data);
}
// Visual editor: arrives with the editors; changes nothing yet.
void run_visual_editor() {}
// Explode tool: arrives with the visual editor; changes nothing yet.
void run_explode_tool() {}
// Animation renaming tool: arrives with the editors; changes nothing yet.
void run_animation_renaming() {}
// Brain text editor: arrives with the editors; changes nothing yet.
int32_t run_brain_editor(int32_t element) { return element; }
void run_display_area(int32_t area[4]) { ui::display_area_setter(area); }
// 3D background setter: arrives with its tool screen; chooses no image yet.
bool run_background_setter() { return false; }

}  // namespace shell
