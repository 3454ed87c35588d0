// The element parameter editor (run mode 5) and the brain services it
// shares with the brain editor: rebuilding an element's parameter list,
// assigning and choosing its brain, the labels and description a brain's
// comments give, and the element picker.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace editors {

constexpr int kPickerColumns = 3;
constexpr int kPickerRows = 19;
constexpr int kPickerPage = kPickerColumns * kPickerRows;

// Field 35 rebuilt from the header of the brain named by field 4 ("0" when
// it cannot be read).
void rebuild_parameters(int element);
// Field 4 becomes `brain_path`; when its header signature differs from
// field 40 the header change rule resets the element and the parameter
// editor opens on it.
void set_brain(int element, const std::string& brain_path);
// The picture file selector of brains from `picker_path` (data/curpaths.ini
// line 3); a choice becomes the new picker path, a new working copy of it
// the element's brain (set_brain). False when cancelled.
bool choose_brain(int element, std::string& picker_path);

// The label of the k-th (0-based) "user" line of a brain: the comment of
// that line and of the lines after it, up to a line without one.
std::string parameter_label(std::string_view brain_text, int k);
// The leading comment text of a brain (of its first section after "@0"
// when `project_file`), the comments of its lines joined with blanks.
std::string brain_description(std::string_view text, bool project_file);
// The words of `text` that fit below `limit` pixels, the last cut by one
// character and followed by "..." when they do not all fit.
std::string fit_description(std::string_view text, int32_t limit);

// The full-screen element picker of pages of 57; answers the index chosen.
int element_picker(int start);

// Run mode 5 on an element.
void edit_parameters(int element);

}  // namespace editors
