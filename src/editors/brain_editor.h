// The brain text editor (run mode 13): the full-screen editor of a brain
// file and the mode's flow around it (outside editor, save as, choosing
// another brain, the header change rule on leaving).
#pragma once

#include <cstdint>
#include <string>

namespace editors {

// Results of one editing session.
constexpr int32_t kEditorLeave = 0;
constexpr int32_t kEditorSaveAs = 1;
constexpr int32_t kEditorLoad = 2;
constexpr int32_t kEditorHelp = -1;

// What the mode keeps in the editor state files.
struct BrainEditorSettings {
  std::string picker_path;     // data/curpaths.ini line 3: the brain picker
  std::string outside_editor;  // line 14: a program to edit brains with
  int32_t view[4] = {};        // tarvo.ini lines 8-11: top line, column, row
};

// Edits the brain file in the full-screen editor. With `view_only` (the
// help view) the text is shown in other colours and never written back.
// `view` holds and receives the view position; `saved` (when given) tells
// whether the file was written.
int32_t edit_brain_file(const std::string& path, bool view_only, int32_t (&view)[4], bool* saved = nullptr);

// Run mode 13 on an element; answers the current element afterwards.
int32_t brain_editor_mode(int32_t element, BrainEditorSettings& settings);

}  // namespace editors
