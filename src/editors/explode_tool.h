// Run mode 8: the explode tool. A visual's first part is broken into its
// triangles by the script data/current.exp (editors/explode.h), each frame
// written as a .3ds file beside the part's source, and the visual rewritten
// to play them.
#pragma once

#include <cstdint>
#include <string>

namespace editors {

// Exit codes of the script editor that the tool acts on; any other code
// leaves the editing loop.
constexpr int32_t kScriptSaveAs = 1;
constexpr int32_t kScriptLoad = 2;

// Edits a script file in the brain text editor at the text-editor view
// position `view` (tarvo.ini lines 4-7) and answers the editor's exit code.
int32_t edit_script_text(const std::string& path, int32_t (&view)[4]);

// The tool: picks a visual with the picture selector, starting in the folder
// of `start_path` (the visual-tools line of curpaths.ini), and edits the
// script at the text-editor view position `view`.
void run_explode_tool(const std::string& start_path, int32_t (&view)[4]);

// Steps 4 to 6 for a chosen visual: reads the script text, writes the frame
// files and then the visual. Answers false with `message` set when nothing
// was written (no part record, a frame range outside 1..999, no frame file).
bool explode_visual(const std::string& visual_path, const std::string& script_text, std::string& message);

}  // namespace editors
