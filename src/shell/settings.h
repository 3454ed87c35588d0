// The small text files shared with the editing front end: the run-mode
// request, the editor state and the current resource paths.
#pragma once

#include <cstdint>
#include <string>

namespace shell {

// runmode.ini, written by the front end and only read here.
struct RunRequest {
  std::string project_path;
  int32_t mode = 0;
  int32_t current_element = -1;
  int32_t value4 = -1;
  int32_t value5 = -1;
};

RunRequest read_run_request(const std::string& program_folder);

constexpr int kTarvoLines = 20;
constexpr int kCurpathsLines = 23;

// tarvo.ini, in the data folder: 20 lines.
struct EditorState {
  int32_t design_view = 0;            // 1
  int32_t design_scale = 512;         // 2
  int32_t front3 = 0;                 // 3
  int32_t text_pos[4] = {};           // 4-7
  int32_t brain_text_pos[4] = {};     // 8-11
  int32_t front12 = 2;                // 12
  int32_t front13 = 0;                // 13
  int32_t simulate_stand_alone = 0;   // 14
  int32_t display_flag = 0;           // 15
  int32_t resource_kit = 2;           // 16
  int32_t resource_page = 0;          // 17
  std::string front18;                // 18
  std::string description;            // 19: the project file's comment line
  int32_t front20 = 0;                // 20
  std::string paths[kCurpathsLines];  // data/curpaths.ini
};

// Default resource paths: program folder + the default name of each line.
void default_paths(EditorState& s, const std::string& program_folder);

// Reads data/curpaths.ini, then tarvo.ini from the data folder.
void read_editor_state(EditorState& s, const std::string& program_folder, const std::string& data_folder);
// Writes tarvo.ini, then data/curpaths.ini. Files that cannot be written are
// skipped.
void write_editor_state(const EditorState& s, const std::string& program_folder, const std::string& data_folder);

std::string tarvo_text(const EditorState& s);
std::string curpaths_text(const EditorState& s);

}  // namespace shell
