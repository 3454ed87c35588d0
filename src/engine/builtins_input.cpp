// The input built-ins: the keyboard by scan code or key name, the mouse, the
// two joysticks, any_input and any_input_exit, input_process.
#include <cstdint>

#include "brain/bind.h"
#include "brain/state.h"
#include "core/int32.h"
#include "core/strings.h"
#include "engine/builtins.h"
#include "engine/state.h"
#include "media/input.h"
#include "media/keys.h"
#include "platform/platform.h"

namespace engine {

namespace {

using platform::JoystickState;

const JoystickState& joystick(int n) { return media::input().joy[n]; }

// A string literal of the running brains is a key name; anything else is a
// scan code.
int32_t keyboard(int32_t key) {
  const brain::State& b = brain::state();
  const uint32_t address = static_cast<uint32_t>(key);
  if (address >= b.literal_begin && address < b.literal_end) key = media::key_scancode(core::string_arg(key));
  return media::key_held(key) ? -1 : 0;
}

int32_t scancode() { return media::lowest_held_key(); }

int32_t any_input() { return media::any_input() ? -1 : 0; }

int32_t any_input_exit(int32_t code) {
  if (!media::mouse_moved_since_present() && !media::any_input()) return 0;
  state().loop.exit_code = code;
  return -1;
}

int32_t mouse_on_off() { return 0; }

int32_t mouse_set(int32_t x, int32_t y) {
  media::mouse_set(x, y);
  return 0;
}

int32_t mouse_x() { return media::input().mouse_x; }
int32_t mouse_y() { return media::input().mouse_y; }
int32_t mouse_click() { return media::input().mouse_buttons; }
int32_t mouse_wheel() { return media::take_wheel(); }

// The button mask rotated left by 4 bits: button 0 answers to mask bit 4.
template <int N>
int32_t joy_buttons(int32_t mask) {
  const uint32_t b = joystick(N).buttons;
  return mask & static_cast<int32_t>(b << 4 | b >> 28);
}

// An axis of -1000..1000 mapped onto a (at 1000) and b (at -1000), with a
// 64-bit product; a reversed pair (a > b) maps the same way round.
constexpr int32_t kAxisLow = -1000, kAxisHigh = 1000;

int32_t map_axis(int32_t x, int32_t a, int32_t b) {
  const int64_t v = x < kAxisLow ? kAxisLow : x > kAxisHigh ? kAxisHigh : x;
  const int64_t span = int64_t{b} - a;
  return core::wrap32(a + (kAxisHigh - v) * span / (kAxisHigh - kAxisLow));
}

template <int N, int F>
int32_t joy_axis(int32_t a, int32_t b) {
  return map_axis(joystick(N).axis[F], a, b);
}

template <int N, int F>
int32_t joy_rotation() {
  return joystick(N).axis[F];
}

// A hat: -1 centred, else its direction in angle units (512 a degree).
template <int N, int H>
int32_t joy_direction() {
  const uint32_t v = joystick(N).hat[H];
  if ((v & 0xFFFF) == 0xFFFF) return -1;
  return core::wrap32(int64_t{v} * 512 / 100);
}

int32_t input_process() {
  media::pump();
  Loop& loop = state().loop;
  loop.next_deadline = platform::now() + static_cast<uint32_t>(loop.tick_length);
  return 0;
}

template <int N>
void bind_joystick(const char* prefix) {
  using platform::kJoyU;
  using platform::kJoyV;
  using platform::kJoyX;
  using platform::kJoyXr;
  using platform::kJoyY;
  using platform::kJoyYr;
  using platform::kJoyZ;
  using platform::kJoyZr;
  const std::string p = prefix;
  brain::bind<joy_buttons<N>>(p + "_b");
  brain::bind<joy_axis<N, kJoyX>>(p + "_x");
  brain::bind<joy_axis<N, kJoyY>>(p + "_y");
  brain::bind<joy_axis<N, kJoyZ>>(p + "_z");
  brain::bind<joy_axis<N, kJoyU>>(p + "_u");
  brain::bind<joy_axis<N, kJoyV>>(p + "_v");
  brain::bind<joy_rotation<N, kJoyXr>>(p + "_xr");
  brain::bind<joy_rotation<N, kJoyYr>>(p + "_yr");
  brain::bind<joy_rotation<N, kJoyZr>>(p + "_zr");
  brain::bind<joy_direction<N, 0>>(p + "_dir1");
  brain::bind<joy_direction<N, 1>>(p + "_dir2");
  brain::bind<joy_direction<N, 2>>(p + "_dir3");
  brain::bind<joy_direction<N, 3>>(p + "_dir4");
}

}  // namespace

void bind_input_builtins() {
  brain::bind<keyboard>("keyboard");
  brain::bind<scancode>("scancode");
  brain::bind<any_input>("any_input");
  brain::bind<any_input_exit>("any_input_exit");
  brain::bind<mouse_on_off>("mouse_on");
  brain::bind<mouse_on_off>("mouse_off");
  brain::bind<mouse_set>("mouse_set");
  brain::bind<mouse_x>("mouse_x");
  brain::bind<mouse_y>("mouse_y");
  brain::bind<mouse_click>("mouse_click");
  brain::bind<mouse_wheel>("mouse_wheel");
  brain::bind<input_process>("input_process");
  bind_joystick<0>("joy1");  // joy_b shares the row's routine
  bind_joystick<1>("joy2");
}

}  // namespace engine
