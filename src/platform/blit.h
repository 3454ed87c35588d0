// 2D drawing into the frame: filled rectangles and images (scene textures)
// placed at frame pixels, clipped to a rectangle.
#pragma once

#include <cstdint>

namespace platform {

struct Rect {
  int32_t x1, y1, x2, y2;  // inclusive
};

// Fills a rectangle (inclusive corners) with 0x00RRGGBB.
void frame_fill(Rect r, uint32_t rgb);
// Draws the part (sx, sy, w, h) of a texture with its top-left corner at
// (dx, dy), pixel for pixel, inside `clip`. Texels of alpha 0 are not drawn;
// translucent images are blended half and half.
void frame_blit(int texture, int sx, int sy, int w, int h, int dx, int dy, Rect clip, bool translucent);
// The same, stretched over the whole frame.
void frame_blit_full(int texture);

}  // namespace platform
