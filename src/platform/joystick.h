// Joysticks and gamepads through SDL's joystick and game-controller API.
// The first two attached devices become joystick 1 and joystick 2; a device
// plugged in later takes a free slot, and one that disappears leaves its
// slot absent with the values it last had. docs/input.md gives the mapping
// of a gamepad's sticks, triggers and buttons.
//
// A headless run starts no devices: its joysticks come from the input
// script. Tests drive the device path with SDL's virtual devices.
#pragma once

#include <cstdint>

#include "platform/messages.h"

namespace platform {

constexpr int kJoysticks = 2;

struct JoystickState {
  bool present = false;
  int32_t axis[8] = {};  // by JoyField: x, y, z, xr, yr, zr, u, v
  uint32_t hat[4] = {};  // hundredths of a degree; 0xFFFFFFFF centred
  uint32_t buttons = 0;  // bit i set while button i is down

  // A field by JoyField number (the hats and buttons as their bit pattern);
  // 0 for a number out of range, which set ignores.
  int32_t get(int field) const;
  void set(int field, int32_t value);
};

// Starts SDL's joystick and game-controller subsystems and opens the first
// two attached devices. False when SDL has no joystick support here.
bool joysticks_start();
void joysticks_stop();
bool joysticks_started();

// Reads the devices into `out`: slots of open devices get their present
// values; a device that has gone marks its slot absent and leaves the rest;
// a device that has arrived takes a free slot.
void joysticks_read(JoystickState (&out)[kJoysticks]);

// The scalings the device path uses. Axes: -32768..32767 to -1000..1000,
// with a 15 % dead zone about the centre when asked for (the range outside
// it is stretched so that nothing jumps). Triggers: 0..32767 to -1000
// (released)..1000. Rotations: the raw value as 0..65535. Hats: SDL's hat
// bits to hundredths of a degree clockwise from up, 0xFFFFFFFF centred.
int32_t joystick_axis(int raw, bool dead_zone);
int32_t joystick_trigger(int raw);
int32_t joystick_rotation(int raw);
uint32_t joystick_hat(uint8_t sdl_hat);

// Hat bits as SDL reports them.
constexpr uint8_t kHatUp = 1, kHatRight = 2, kHatDown = 4, kHatLeft = 8;

// SDL's virtual devices, for tests of the device path without hardware
// (the subsystem must have been started). A gamepad has the standard
// controller layout: axes left x, left y, right x, right y, left trigger,
// right trigger; buttons in SDL's controller order (A, B, X, Y, back,
// guide, start, left stick, right stick, left shoulder, right shoulder,
// d-pad up, down, left, right, ...). Answers an id for the calls below, or
// -1.
int joystick_attach_virtual(bool gamepad, int axes, int buttons, int hats);
bool joystick_virtual_axis(int id, int axis, int16_t value);
bool joystick_virtual_button(int id, int button, bool down);
bool joystick_virtual_hat(int id, int hat, uint8_t value);
bool joystick_detach_virtual(int id);

}  // namespace platform
