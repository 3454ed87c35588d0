// Keyboard, mouse and joysticks as the engine sees them: the key ring, the
// typed-text buffer, the wheel, the activation flag, the held keys and the
// modifier flags, the two joysticks, filled by the window procedure inside
// every message pump (and by the joystick poll of each step).
//
// The key ring keeps the 15 most recent unread key events: when it is full,
// a new event pushes the oldest unread one out (counted in ring_dropped), so
// the reader always finds the latest keys in order and a full ring never
// reads as an empty one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/joystick.h"
#include "platform/messages.h"

namespace media {

constexpr int kKeyRingSize = 16;
constexpr int kTypedTextBytes = 8192;

// Modifier flags (ORed): either Shift key, Control, Alt.
constexpr int32_t kShift = 3, kControl = 4, kAlt = 8;

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
  int32_t ring_dropped = 0;   // unread key events pushed out of a full ring
  int32_t mouse_x = 0, mouse_y = 0, mouse_buttons = 0;
  int32_t mouse_presses = 0;                         // buttons that went down since take_button_presses
  int32_t mouse_limit_x = 639, mouse_limit_y = 479;  // the display mode's size - 1
  int32_t pointer_x = 0, pointer_y = 0;              // the last position reported, before clamping
  int32_t presented_x = 0, presented_y = 0;          // the mouse position at the last present
  int32_t current_scancode = 0;                      // of the last key event taken
  int32_t modifiers = 0;                             // as modifiers() last found them
  uint8_t held[256] = {};                            // held state by scan code (0: none)
  platform::JoystickState joy[platform::kJoysticks];
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
// read the mouse, count the pass. With --record-input every message is
// recorded with the number of its pass.
void pump();

// Takes the next key event: its character (0 when none or the ring is empty);
// sets current_scancode (0 when empty).
int next_key_event();
// True when a key event is waiting.
bool key_event_waiting();
// The scan code of a held key among those that count as "any key" (the
// order of media/keys.h: not Shift, Control, Alt, Scroll Lock or the
// punctuation keys), or 0.
int any_key();
// The lowest scan code (1..255) of any held key, or 0.
int lowest_held_key();
// Whether the key with this scan code is held (false outside 1..255).
bool key_held(int32_t scancode);
// The modifier flags of the held keys (kShift, kControl, kAlt), also
// stored in Input::modifiers.
int32_t modifiers();
// True while a key of any_key() is held, a mouse button is down, or a
// button of a present joystick is down.
bool any_input();
// Pumps until no mouse button is down.
void wait_release();
// Discards pending input in 20 passes: each dispatches the pending
// messages, waits until no key or mouse button is held, and empties the key
// ring. Only the first pass and the waits count as pump passes.
void flush();
// The mouse buttons that went down since the last call (or the last flush),
// held or released again: a click shorter than a pump pass still counts.
int32_t take_button_presses();

// The mouse: moves the pointer to (x, y) of the display (headless, the
// scripted pointer); the display-mode limits apply as at a pump.
void mouse_set(int32_t x, int32_t y);
// The wheel's last movement (negated: a notch away from the user is
// -120), which then reads 0.
int32_t take_wheel();
// Remembers the mouse position of a present; mouse_moved_since_present()
// answers whether the mouse has moved since.
void note_present();
bool mouse_moved_since_present();

// Polls the joystick devices (when they were started) and applies their
// changes as messages, recorded like those of a pump. The run loop calls
// it once a step.
void poll_joysticks();

// Headless runs: true once the input script is used up. Waits that would
// never end then take Enter (message boxes) or Escape (anything else).
bool input_exhausted();
// Delivers Enter (for a message box) or Escape as a key press and release.
void inject_default_key(bool message_box);

}  // namespace media
