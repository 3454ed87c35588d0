// Keyboard and mouse as the engine sees them: the key ring, the typed-text
// buffer, the wheel, the activation flag and the held keys, filled by the
// window procedure inside every message pump.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/messages.h"

namespace media {

constexpr int kKeyRingSize = 16;
constexpr int kTypedTextBytes = 8192;

struct Input {
  // Ring entries: character in bits 0-7, scan code in bits 16-23.
  uint32_t key_ring[kKeyRingSize] = {};
  int ring_write = 0;
  int ring_read = 0;
  char typed[kTypedTextBytes] = {};  // zero-terminated, at most 8191 characters
  int typed_length = 0;
  int32_t wheel = 0;
  int32_t activated = 0;      // set whenever the window is activated
  bool window_active = true;  // false while the window is minimised or hidden
  int32_t mouse_x = 0, mouse_y = 0, mouse_buttons = 0;
  int32_t mouse_limit_x = 639, mouse_limit_y = 479;  // the display mode's size - 1
  int32_t current_scancode = 0;                      // of the last key event taken
  uint8_t held[256] = {};                            // held state by scan code
  platform::MessageQueue queue;
};

Input& input();

// False while the main window is minimised or hidden: frames are not drawn.
// A headless run is active unless its input script deactivates it.
bool window_active();

// The typed-text buffer: its text, and replacing it (cut to 8191 characters).
std::string_view typed_text();
void set_typed_text(std::string_view text);

// The window procedure: applies one message to the input state.
void window_procedure(Input& in, const platform::Message& m);

// One message-pump pass: dispatch pending messages (desktop or script),
// read the mouse, count the pass.
void pump();

// Takes the next key event: its character (0 when none or the ring is empty);
// sets current_scancode (0 when empty).
int next_key_event();
// True when a key event is waiting.
bool key_event_waiting();
// Lowest held scan code, or 0.
int any_key();
// Pumps until no mouse button is down.
void wait_release();
// Discards pending input: waits until no key is held and the buttons are
// released, then empties the key ring.
void flush();

// Headless runs: true once the input script is used up. Waits that would
// never end then take Enter (message boxes) or Escape (anything else).
bool input_exhausted();
// Delivers Enter (for a message box) or Escape as a key press and release.
void inject_default_key(bool message_box);

}  // namespace media
