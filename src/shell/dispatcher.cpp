#include "shell/dispatcher.h"

#include <cstring>

#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "media/input.h"
#include "project/records.h"
#include "project/state.h"
#include "platform/video.h"
#include "shell/modes.h"
#include "shell/state.h"

namespace shell {

namespace {

const std::string& program() { return core::state().folders.program; }

// Writes tarvo.ini, data/curpaths.ini and the project.
void save() {
  State& s = state();
  write_editor_state(s.editor, program(), core::state().folders.data);
  save_project(s.request.project_path, s.editor.description);
}

// The current element number lives with the project: loading a missing
// project makes it 0.
int32_t& current() { return project::state().current; }

void clamp_current_element() {
  int32_t last = last_element_index();
  if (current() > last) current() = last;
}

// The load range becomes the current element alone.
void sync() { set_load_range(current(), current()); }

// Mode 14: the display area is items 1 to 4 of field 37 of the current
// element; the items behind them stay as they are.
void display_area_mode() {
  const int e = current();
  int32_t area[4];
  for (int k = 0; k < 4; ++k) area[k] = core::text_to_int(project::get_item(e, project::kFieldTypeList, k + 1));
  run_display_area(area);
  for (int k = 0; k < 4; ++k) project::set_item(e, project::kFieldTypeList, k + 1, std::to_string(area[k]));
}

void write_completion_marker() {
  core::make_folders(program() + "temp");
  core::write_file_atomic(program() + "temp/wasok.dat", "wasok\r\n");
}

void test_run_mode() {
  State& s = state();
  core::remove_file(program() + "temp/wasok.dat");
  int32_t design_view = s.editor.design_view;
  s.editor.design_view = 0;
  if (!core::file_exists(s.request.project_path))
    core::notice("The project file '" + s.request.project_path +
                 "' was not found:|a project of one camera runs instead.");

  s.exit_code = run_test();

  std::string notice = exit_notice(s.exit_code);
  if (!notice.empty()) core::box(notice, " OK ", " OK ");
  s.editor.design_view = design_view;
  sync();
  uint32_t recorded = recorded_track_bytes();
  if (recorded > 0) {
    core::box("A " + std::to_string(recorded / 720) +
                  " seconds track was successfully recorded!|Use the 'Save Recorded Track As' tool to|"
                  "save it as a new track-type element's aspect",
              " OK ", " OK ");
    write_recorded_track(program() + "data/currtrck.i3d");
  }
  write_completion_marker();
}

}  // namespace

std::string exit_notice(int32_t exit_code) {
  switch (exit_code) {
    case kExitPlain:
    case kExitNone: return {};
    case kExitEndScreen: return "When compiled, exit to end screen";
    case kExitDesktop: return "When compiled, exit directly to Windows";
    default: return "When compiled, exit to sub-project " + std::to_string(exit_code);
  }
}

void run_dispatcher() {
  core::State& c = core::state();
  State& s = state();
  platform::cursor_show(false);
  s.request = read_run_request(program());
  media::pump();
  while (media::key_event_waiting()) {
    media::next_key_event();
    media::pump();
  }
  c.no_encryption = core::file_exists(program() + "noencrypt.txt");

  const int32_t mode = s.request.mode;
  if (mode == kStandAlone) {
    c.folders.data = program();
    c.folders.temp_file = program() + "temp.tmp";
    c.stand_alone = 1;
    run_stand_alone();
    platform::cursor_show(true);
    return;
  }

  c.folders.data = program() + "data/";
  c.stand_alone = 0;
  std::memset(c.pools.globals.bytes(), 0, c.pools.globals.size);
  std::memset(c.pools.channel_map.bytes(), 0, c.pools.channel_map.size);
  default_paths(s.editor, program());
  read_editor_state(s.editor, program(), c.folders.data);
  media::wait_release();
  media::flush();
  current() = s.request.current_element;
  if (mode < kSelfExecutableEditor || mode > 10) load_project(s.request.project_path, s.editor.description);
  sync();
  c.folders.error_image = c.folders.data + "error.bmp";

  switch (mode) {
    case kTestRun: test_run_mode(); break;
    case kChannelMap:
      run_channel_map();
      save();
      break;
    case kVirtualEditor:
      clamp_current_element();
      run_virtual_editor();
      sync();
      save();
      break;
    case kParameterEditor:
      clamp_current_element();
      current() = run_parameter_editor(current());
      sync();
      save();
      break;
    case kSelfExecutableEditor: run_self_executable_editor(); break;
    case kVisualEditor: run_visual_editor(); break;
    case kExplodeTool: run_explode_tool(); break;
    case kAnimationRenaming: run_animation_renaming(); break;
    case kBrainEditor:
      current() = run_brain_editor(current());
      sync();
      save();
      break;
    case kDisplayArea:
      display_area_mode();
      sync();
      save();
      break;
    case kBackgroundSetter:
      if (run_background_setter()) save();
      break;
    default: break;  // modes 4, 10, 11, 12 and unlisted ones: nothing to do, nothing saved
  }
  platform::cursor_show(true);
}

}  // namespace shell
