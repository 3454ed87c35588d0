// What the dispatcher calls: the project model and one entry per run mode.
#pragma once

#include <cstdint>
#include <string>

namespace shell {

// Project model.
void load_project(const std::string& path, std::string& description);
void save_project(const std::string& path, const std::string& description);
int32_t last_element_index();
void set_load_range(int32_t first, int32_t last);

// Mode 1: a test run; returns the run's exit code.
int32_t run_test();
uint32_t recorded_track_bytes();
void write_recorded_track(const std::string& path);

void run_stand_alone();
void run_channel_map();
void run_virtual_editor();
int32_t run_parameter_editor(int32_t element);
void run_self_executable_editor();
void run_visual_editor();
void run_explode_tool();
void run_animation_renaming();
int32_t run_brain_editor(int32_t element);
// The display area: left, top, right, bottom on the 640x480 screen.
void run_display_area(int32_t area[4]);
// True when an image was chosen (and the project is to be saved).
bool run_background_setter();

}  // namespace shell
