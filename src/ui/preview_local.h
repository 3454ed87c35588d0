// Thumbnails of the picture file selector that are rendered in 3D.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

// Renders the file of kind 0 (a camera, .03d), 1 or 3 (a 3D shape, .a3d), 11
// (a visual, .v3d: its first frame) or -4 (a model, .3ds) into `rgba`: w x h pixels of 4 bytes (red,
// green, blue, alpha), rows top first. False when the file holds nothing to
// show or nothing can be rendered (no device, scene tables full).
bool render_preview(int32_t kind, const std::string& path, int32_t w, int32_t h, std::vector<uint8_t>& rgba);

}  // namespace ui
