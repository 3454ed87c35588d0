#include "shell/modes.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "core/files.h"
#include "core/state.h"
#include "editors/brain_editor.h"
#include "editors/parameters.h"
#include "editors/tools.h"
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
void run_channel_map() { editors::channel_map_tool(); }
void run_virtual_editor() {
  const Options& o = state().options;
  if (!o.screenshot.empty()) state().screenshot_taken = true;
  editors::run_virtual_editor(project::state().current, state().editor.design_scale, o.screenshot);
  if (!o.dump.empty() && !core::write_file_atomic(o.dump, engine::dump_json()))
    core::error_box("Cannot write " + o.dump);
}
int32_t run_parameter_editor(int32_t element) {
  editors::edit_parameters(element);
  return element;
}
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
// Both start in the folder of the visual-tools path (curpaths.ini line 11).
void run_visual_editor() {
  const Options& o = state().options;
  if (!o.screenshot.empty()) state().screenshot_taken = true;
  editors::run_visual_editor(state().editor.paths[10], o.screenshot);
}
void run_explode_tool() { editors::run_explode_tool(state().editor.paths[10], state().editor.text_pos); }
// The tool's last folder is line 4 of data/curpaths.ini, written back alone:
// the mode saves nothing else.
void run_animation_renaming() {
  EditorState& e = state().editor;
  const std::string before = e.paths[3];
  editors::animation_renaming(e.paths[3]);
  if (e.paths[3] != before)
    core::write_file_atomic(core::state().folders.program + "data/curpaths.ini", curpaths_text(e));
}
// The brain editor's view position is lines 8-11 of tarvo.ini; its brain
// picker and outside editor are lines 3 and 14 of data/curpaths.ini.
int32_t run_brain_editor(int32_t element) {
  EditorState& e = state().editor;
  editors::BrainEditorSettings settings;
  settings.picker_path = e.paths[2];
  settings.outside_editor = e.paths[13];
  std::copy(std::begin(e.brain_text_pos), std::end(e.brain_text_pos), settings.view);
  element = editors::brain_editor_mode(element, settings);
  e.paths[2] = settings.picker_path;
  std::copy(std::begin(settings.view), std::end(settings.view), e.brain_text_pos);
  return element;
}
void run_display_area(int32_t area[4]) { ui::display_area_setter(area); }
bool run_background_setter() { return editors::background_setter(); }

}  // namespace shell
