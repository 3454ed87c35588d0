// Small pictures of files for the tool screens: the cells of the picture
// file selector and the element icons of the collision channel map.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

// A thumbnail of `path` as w x h colours of the tool screen, rows top first.
// By picture-selector kind:
//   0 (camera), 1 and 3 (3D shape, .a3d), 11 (visual, first frame), -4 and
//   12 (model, .3ds): rendered in 3D, filling the picture;
//   -1 and -7 (BMP or PPM), 2 and 5..8 (PCX): the image scaled with its
//   proportions kept, centred on colour 0.
// False, with `pixels` unchanged, for any other kind, a file that cannot be
// read or shows nothing, a size outside 1..640 x 1..480, or when nothing can
// be rendered.
bool file_thumbnail(int32_t kind, const std::string& path, int32_t w, int32_t h, std::vector<uint8_t>& pixels);

// The tool-screen colour nearest to a colour, through the 5-bit-a-channel
// table of the interface palette.
uint8_t screen_colour(uint8_t r, uint8_t g, uint8_t b);

// Copies w x h colours to the tool screen with their top left at (x, y);
// what falls outside the screen is left out.
void paste_pixels(int32_t x, int32_t y, int32_t w, int32_t h, const uint8_t* pixels);

}  // namespace ui
