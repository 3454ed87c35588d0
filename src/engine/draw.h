// Drawing one frame of a run.
#pragma once

#include "core/element_state.h"
#include "media/bmp.h"

namespace engine {

// Draws the 2D layers and the overlay text into the frame and presents it,
// except the warm-up frame. Nothing is drawn while the window is minimised
// or hidden.
void draw_frame();

// A bitmap stretched over the whole frame and presented at once (bmp_show,
// and the stand-alone player's loading and end images).
void show_bitmap(const media::Bitmap& bitmap);

struct Object;
// A COUNTER's credits in the glyphs of its digit strip.
void draw_counter(const core::ElementState& st, const Object& o);

}  // namespace engine
