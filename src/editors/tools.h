// The small single-screen tools: the collision channel map (run mode 2),
// the 3D background setter (run mode 15) and the animation renaming tool
// (run mode 9).
#pragma once

#include <cstdint>
#include <string>

namespace editors {

// Whether a pair of elements of these types can have a collision code.
bool collides(int type);
// The code after a click: +1 for the left button, -1 for the right,
// wrapping within 0..11.
int32_t stepped_code(int32_t code, bool left);

// Run mode 2 on the loaded project's channel map; Escape ends it.
void channel_map_tool();

// True for the repetition counts the background accepts (1, 2, 4, ... 2^30).
bool valid_repetitions(int32_t value);
// The band rows after a click at screen row y.
void band_click(int32_t y, int32_t& upper, int32_t& lower);
// Run mode 15; true when an image was chosen (the project is then saved).
bool background_setter();

// Run mode 9; `folder` (data/curpaths.ini line 4) is where its selectors
// start and receives the folder chosen last.
void animation_renaming(std::string& folder);

// The two operations on a folder ending in "/": the number of files
// renamed, or -1 when the operation stopped before renaming anything.
int32_t rename_animation(const std::string& folder, const std::string& first_frame, const std::string& new_name);
int32_t list_to_animation(const std::string& folder, const std::string& any_file);

}  // namespace editors
