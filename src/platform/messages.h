// Window messages as the engine's window procedure sees them, whether they
// come from the desktop or from a headless input script.
#pragma once

#include <cstdint>

namespace platform {

enum class MessageKind : uint8_t {
  KeyDown,     // scancode; char_follows when a Char message for it is queued
  KeyUp,       // scancode
  Char,        // ch with the scancode of its key (0 when typed text has none)
  Wheel,       // value = signed wheel delta (one notch away from the user: 120)
  Activate,    // the window became active
  Deactivate,  // the window was minimised or hidden
  Close,       // a close request (swallowed by the engine)
  Mouse,       // the pointer moved to x, y (headless scripts only)
  Buttons,     // the button mask in value (headless scripts only)
  Stall,       // the clock jumps value milliseconds ahead, as after a slow frame (headless scripts only)
};

struct Message {
  MessageKind kind = MessageKind::KeyDown;
  uint8_t scancode = 0;
  uint8_t ch = 0;
  bool char_follows = false;
  int32_t x = 0, y = 0, value = 0;
};

// A fixed queue filled by one poll; nothing allocates per pump.
struct MessageQueue {
  static constexpr int kCapacity = 512;
  Message items[kCapacity];
  int count = 0;
  bool push(const Message& m) {
    if (count >= kCapacity) return false;
    items[count++] = m;
    return true;
  }
};

}  // namespace platform
