// The modal message box, the notice box and the one-line input field that
// every tool shares, drawn on the tool screen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/screen.h"

namespace ui {

// Message box. `text` uses `|` as a line break and is word-wrapped at 560
// pixels (a word wider than that is broken between characters, so that the
// box keeps its buttons on the screen).
// - A first label: a choice box with two raised buttons, the first label on
//   the left, the second on the right (an empty second label shows the
//   first on both). It waits for a left click on a button (1 or 2), Enter
//   (1) or Delete (2); Escape does nothing. The screen and the display are
//   cleared afterwards and pending input is discarded.
// - Both labels empty and a text: a notice box, drawn and shown at once
//   with the pointer hidden; answers 0 without waiting.
// - All three empty: the notice state ends: the pointer shows again and the
//   screen and the display are cleared. Answers 0.
int message_box(std::string_view text, std::string_view first, std::string_view second);

// Where the last choice box put things (for tools that draw over a box, and
// for tests): the box's panel rectangle and its two buttons.
struct BoxLayout {
  Rect panel;
  Rect buttons[2];
  int lines = 0;
};
// The layout a choice box for this text and these labels gets with the
// current font, without drawing anything.
BoxLayout choice_box_layout(std::string_view text, std::string_view first, std::string_view second);
// Draws a choice box on a cleared screen (its buttons are entries 0 and 1 of
// the button table) without presenting it or waiting.
BoxLayout draw_choice_box(std::string_view text, std::string_view first, std::string_view second);

// The input field of the tools: `text` is the part before the cursor, `|`,
// and the part after it; one call handles one input event (a key with its
// character and scan code, and the mouse) for the input-field button
// `button`, redraws the field and answers the text in the same form. A
// held Control or Alt key leaves the text unchanged. `|` is refused, and so
// is a character that would overflow the field.
std::string input_field(std::string_view text, int32_t ch, int32_t scancode, int button);

}  // namespace ui
