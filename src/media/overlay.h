// The overlay text list: text that brains put over the 3D view, rebuilt every
// simulation step and drawn after each rendered frame.
#pragma once

#include <cstdint>

namespace media {

constexpr int kOverlayCommands = 4096;
constexpr int kOverlayTextBytes = 65536;

struct OverlayCommand {
  int32_t code;     // 0 position, 1 text, 2 colour, 3 number
  int32_t a, b, c;  // operands (text: offset into the text buffer, font)
};

struct Overlay {
  OverlayCommand commands[kOverlayCommands];
  int count = 0;
  char text[kOverlayTextBytes];
  int text_used = 0;
};

// Empties the list (at the start of each element tick).
void overlay_clear();
void overlay_position(int32_t x, int32_t y);
void overlay_text(const char* text, int32_t font);
void overlay_colour(int32_t colour);
void overlay_number(int32_t value, int32_t decimals, int32_t font);
// Draws the list into the frame: colour starts white, position (0, 0).
void overlay_draw();

// The value a brain gave to `debug`, shown in the lower right corner of the
// frame as "Debug: <value>" in the tool font (white on a black strip).
void draw_debug_value(int32_t value);

// The overlay fonts of a new scene: every slot "Arial" 28, weight 400.
void overlay_fonts_reset();
// font_set: index clamped to 0..15, weight to 0..1000.
void overlay_font_set(const char* face, int32_t weight, int32_t index, int32_t height);

// The text of a number command ("%.*f" of value / 10^decimals).
int format_number(char* out, int size, int32_t value, int32_t decimals);

}  // namespace media
