// Run mode 3: the virtual editor. The project is loaded and compiled as for a
// test run (random ranges ignored, brains in editor mode), the scene is shown
// through its cameras or from the top, the back or the right, and the user
// moves, rotates and scales the current element; on Escape the changed values
// are written back into the element records. The controls are described in
// docs/virtual-editor.md.
#pragma once

#include <cstdint>
#include <string>

namespace editors {

// The icons of the menu bar (data/mini02.pcx: one 24 x 24 icon each, side by
// side) and their tool-tips, in order.
constexpr int kMenuIcons = 18;
constexpr int kIconSize = 24;
std::string menu_tooltip(int icon);

enum class EditView : int32_t { virtual_view = 0, top = 1, back = 2, right = 3 };

// The help lines, by number (0..8).
const char* help_line(int n);

// Status texts of an element's state (words as in core/element_state.h).
std::string scale_status(const int32_t* w);
std::string position_rotation_status(const int32_t* w);
std::string position_scale_status(const int32_t* w);
std::string sprite_status(const int32_t* w, bool object3d);
std::string velocity_status(const int32_t* w);
std::string distance_text(int32_t thousandths);
// The element's name, with " (DISABLED, NOT VISIBLE)" when it is not on.
std::string element_title(int element);

// Writes the run-time values of one element back into fields 5-7, 11-13,
// 17-19, 23-25, 29, 31 and 42-44 of its record. A value equal to its
// `loaded` word (the state as editing began) keeps the record's text, so
// that leaving the editor does not round values nobody changed.
void write_back(int element, const int32_t* loaded);

// True when some camera element of the loaded scene is on.
bool camera_enabled();

// The mode: `current` is the element to start on and becomes the element
// last selected; `design_scale` (tarvo.ini line 2) is the step, in 1/1000
// metre, of the keyboard nudges. With a `screenshot` path the last frame of
// the editing is saved there before the scene is released.
void run_virtual_editor(int32_t& current, int32_t design_scale, const std::string& screenshot = {});

}  // namespace editors
