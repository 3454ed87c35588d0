// The input side of a tool loop: one pass presents the tool screen when it
// changed or the pointer moved, pumps the window messages and takes one key
// event, and reports the mouse with the buttons pressed since the last
// pass. Headless, once the input script is used up, a message box gets
// Enter and any other wait Escape, so no tool loop can wait for ever.
#pragma once

#include <cstdint>

namespace ui {

struct Event {
  int32_t ch = 0;        // the character of the key event taken, 0 for none
  int32_t scancode = 0;  // its scan code, 0 when no key event was waiting
  int32_t x = 0, y = 0;  // the mouse on the tool screen
  int32_t buttons = 0;   // held now: 1 left, 2 right, 4 middle
  int32_t pressed = 0;   // went down since the last pass
};

// Starts a wait: pending input is discarded (keys and buttons released, the
// key ring emptied) and the screen is presented, stretched over the display
// when asked (the display-area setter).
void wait_begin(bool stretched = false);
// One pass. `box`: the default answer of a used-up script is Enter.
Event wait_event(bool box = false);
// The screen changed: the next pass presents it.
void mark_dirty();

// Modifier flags of the held keys: Shift 3, Control 4, Alt 8 (ORed).
int32_t modifiers();

// Minimises the main window and waits until it is active again (headless:
// until the script restores it or is used up; with a display that does not
// minimise it, about a second), then presents the screen.
void minimise_and_wait();

}  // namespace ui
