// A visual (.v3d) rendered into the tool screen: the visual editor's view
// of the visual it edits.
#pragma once

#include <cstdint>
#include <string>

#include "ui/screen.h"

namespace ui {

// Frame `frame` (0-based, clamped to the visual's frames) of the visual at
// `path`, every part coloured or textured as a run shows it, rendered into
// `area` of the tool screen and seen from `yaw` degrees round to the right
// of the front and `pitch` degrees above it (at most 85). False, and the
// area left as it was, when there is nothing to show or no device.
bool draw_visual_preview(const Rect& area, const std::string& path, int32_t frame, int32_t yaw, int32_t pitch);

}  // namespace ui
