// Text over the 3D view: fonts chosen by family name through fontconfig,
// drawn with FreeType into the frame. Sixteen font slots; a slot keeps its
// glyphs until it is set to another face, height or weight.
#pragma once

#include <cstdint>

namespace platform {

constexpr int kFontSlots = 16;

// Sets slot (0..15) to the face of that family, cell height in pixels and
// weight (0..1000, 400 regular, 700 bold). Setting the same again costs
// nothing. False when no face could be loaded (the slot is then empty).
bool font_slot_set(int slot, const char* family, int height, int weight);
// Pixel width of a text in a slot (0 for an empty slot).
int text_width(int slot, const char* text);
// Draws text into the frame with its cell's top-left corner at (x, y) frame
// pixels, in colour 0x00BBGGRR, on a transparent background.
void text_draw(int slot, const char* text, int x, int y, uint32_t colour);
// Releases every slot (with the device).
void fonts_release();

}  // namespace platform
