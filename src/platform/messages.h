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
  Joystick,    // joystick x (0 or 1): field y (JoyField) takes value
};

// The fields of a joystick that a Joystick message sets.
enum JoyField : int32_t {
  kJoyX,  // axes X, Y, Z: -1000..1000
  kJoyY,
  kJoyZ,
  kJoyXr,  // rotations about X, Y, Z: the device's raw value, 0..65535
  kJoyYr,
  kJoyZr,
  kJoyU,  // sliders u and v: -1000..1000
  kJoyV,
  kJoyHat1,  // hats 1 to 4: hundredths of a degree, 0xFFFFFFFF when centred
  kJoyHat4 = kJoyHat1 + 3,
  kJoyButtons,  // bit i set while button i is down
  kJoyPresent,  // 1 attached, 0 gone (the other fields keep their values)
  kJoyFieldCount,
};

struct Message {
  MessageKind kind = MessageKind::KeyDown;
  uint8_t scancode = 0;
  uint8_t ch = 0;
  bool char_follows = false;
  int32_t x = 0, y = 0, value = 0;
};

// Messages of a pump pass that the desktop poll leaves room for.
constexpr int kReservedMessages = 40;

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
