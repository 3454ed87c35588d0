#include "media/input.h"

#include <algorithm>

#include "media/state_local.h"

#include "core/state.h"
#include "media/keys.h"
#include "platform/gl_device.h"
#include "platform/input_record.h"
#include "platform/joystick.h"
#include "platform/platform.h"
#include "platform/video.h"

namespace media {

State& state() {
  static State s;
  return s;
}

Input& input() { return state().input; }
EngineSettings& settings() { return state().settings; }

bool window_active() { return input().window_active; }

std::string_view typed_text() {
  const Input& in = input();
  return {in.typed, static_cast<size_t>(in.typed_length)};
}

void set_typed_text(std::string_view text) {
  Input& in = input();
  const size_t n = std::min(text.size(), sizeof in.typed - 1);
  std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), in.typed);
  in.typed[n] = 0;
  in.typed_length = static_cast<int>(n);
}

namespace {

// A full ring (15 unread entries) gives up its oldest unread entry rather
// than letting the write position run into the read position, where 16
// unread entries would read as none.
void ring_add(Input& in, uint32_t ch, uint32_t scancode) {
  const int next = (in.ring_write + 1) % kKeyRingSize;
  if (next == in.ring_read) {
    in.ring_read = (in.ring_read + 1) % kKeyRingSize;
    ++in.ring_dropped;
  }
  in.key_ring[in.ring_write] = (ch & 0xFF) | (scancode & 0xFF) << 16;
  in.ring_write = next;
}

// Main-row scan codes of the digit characters: "1" to "9" are 2 to 10, "0" 11.
uint32_t digit_scancode(uint8_t ch) { return ch == '0' ? 11u : static_cast<uint32_t>(ch - '1' + 2); }

}  // namespace

void window_procedure(Input& in, const platform::Message& m) {
  using platform::MessageKind;
  switch (m.kind) {
    case MessageKind::KeyDown:
      // A key without a set-1 code is neither held nor a key event.
      if (m.scancode == 0) break;
      in.held[m.scancode] = 1;
      if (!m.char_follows) ring_add(in, 0, m.scancode);
      break;
    case MessageKind::KeyUp: in.held[m.scancode] = 0; break;
    case MessageKind::Char: {
      uint32_t scancode = m.ch >= '0' && m.ch <= '9' ? digit_scancode(m.ch) : m.scancode;
      ring_add(in, m.ch, scancode);
      if (m.ch == 8) {
        if (in.typed_length > 0) in.typed[--in.typed_length] = 0;
      } else if (m.ch >= 32 && in.typed_length < kTypedTextBytes - 1) {
        in.typed[in.typed_length++] = static_cast<char>(m.ch);
        in.typed[in.typed_length] = 0;
      }
      break;
    }
    case MessageKind::Wheel: in.wheel = -static_cast<int16_t>(m.value); break;
    case MessageKind::Activate:
      in.activated = 1;
      in.window_active = true;
      break;
    case MessageKind::Deactivate: in.window_active = false; break;
    case MessageKind::Close: break;  // the window cannot be closed from outside
    case MessageKind::Mouse:
      in.pointer_x = in.mouse_x = m.x;
      in.pointer_y = in.mouse_y = m.y;
      break;
    case MessageKind::Buttons:
      in.mouse_presses |= m.value & ~in.mouse_buttons;
      in.mouse_buttons = m.value;
      break;
    case MessageKind::Stall:
      platform::advance_clock(static_cast<uint32_t>(m.value) * platform::kTicksPerSecond / 1000);
      break;
    case MessageKind::Joystick:
      if (m.x >= 0 && m.x < platform::kJoysticks) in.joy[m.x].set(m.y, m.value);
      break;
  }
}

bool input_exhausted() { return platform::headless() && platform::script_exhausted(); }

namespace {

// The pump pass that messages arriving now belong to: the current one
// inside a pump, the last one between pumps.
uint32_t last_pump() {
  const uint32_t n = core::state().pump_count;
  return n ? n - 1 : 0;
}

void deliver(Input& in, uint32_t pump_no) {
  const bool rec = platform::recording();
  for (int i = 0; i < in.queue.count; ++i) {
    if (rec) platform::record_message(pump_no, in.queue.items[i]);
    window_procedure(in, in.queue.items[i]);
  }
}

void clamp_mouse(Input& in) {
  in.mouse_x = std::clamp(in.pointer_x, 0, std::max(in.mouse_limit_x, 0));
  in.mouse_y = std::clamp(in.pointer_y, 0, std::max(in.mouse_limit_y, 0));
}

// The desktop's pointer and buttons, as messages when they changed.
void read_desktop_mouse(Input& in) {
  int32_t wx = 0, wy = 0, buttons = 0;
  platform::mouse_state(wx, wy, buttons);
  int fx = 0, fy = 0;
  platform::window_to_frame(wx, wy, fx, fy);
  if (fx != in.pointer_x || fy != in.pointer_y) {
    platform::Message m;
    m.kind = platform::MessageKind::Mouse;
    m.x = fx;
    m.y = fy;
    in.queue.push(m);
  }
  // A click pressed and released since the last pass: the press as a
  // message of its own, so that it counts as a press (and a recording
  // replays it).
  int32_t last = in.mouse_buttons;
  const int32_t clicked = platform::take_mouse_presses() & ~buttons & ~last & 7;
  if (clicked != 0) {
    platform::Message m;
    m.kind = platform::MessageKind::Buttons;
    m.value = last | clicked;
    in.queue.push(m);
    last |= clicked;
  }
  if (buttons != last) {
    platform::Message m;
    m.kind = platform::MessageKind::Buttons;
    m.value = buttons;
    in.queue.push(m);
  }
}

}  // namespace

void pump() {
  Input& in = input();
  const uint32_t pump_no = core::state().pump_count;
  in.queue.count = 0;
  if (platform::headless()) {
    platform::deliver_script(pump_no, in.queue);
  } else {
    platform::poll_messages(in.queue);
    read_desktop_mouse(in);
  }
  deliver(in, pump_no);
  clamp_mouse(in);
  ++core::state().pump_count;
  if (input_exhausted()) {
    // Hands off the keyboard and mouse: nothing stays held for ever.
    for (auto& h : in.held) h = 0;
    in.mouse_buttons = 0;
  }
  modifiers();
}

void inject_default_key(bool message_box) {
  platform::Message down, ch, up;
  down.scancode = ch.scancode = up.scancode = message_box ? 28 : 1;
  down.char_follows = true;
  ch.kind = platform::MessageKind::Char;
  ch.ch = message_box ? 13 : 27;
  up.kind = platform::MessageKind::KeyUp;
  window_procedure(input(), down);
  window_procedure(input(), ch);
  window_procedure(input(), up);
}

bool key_event_waiting() {
  const Input& in = input();
  return in.ring_read != in.ring_write;
}

int next_key_event() {
  Input& in = input();
  if (in.ring_read == in.ring_write) {
    in.current_scancode = 0;
    return 0;
  }
  uint32_t e = in.key_ring[in.ring_read];
  in.ring_read = (in.ring_read + 1) % kKeyRingSize;
  in.current_scancode = static_cast<int32_t>((e >> 16) & 0xFF);
  return static_cast<int>(e & 0xFF);
}

int any_key() {
  const Input& in = input();
  const KeyOrder order = any_key_order();
  for (int i = 0; i < order.count; ++i)
    if (in.held[order.codes[i]]) return order.codes[i];
  return 0;
}

int lowest_held_key() {
  const Input& in = input();
  for (int code = 1; code < 256; ++code)
    if (in.held[code]) return code;
  return 0;
}

bool key_held(int32_t scancode) { return scancode > 0 && scancode < 256 && input().held[scancode] != 0; }

int32_t modifiers() {
  Input& in = input();
  in.modifiers = (in.held[42] || in.held[54] ? kShift : 0) | (in.held[29] ? kControl : 0) | (in.held[56] ? kAlt : 0);
  return in.modifiers;
}

bool any_input() {
  const Input& in = input();
  if (any_key() != 0 || in.mouse_buttons != 0) return true;
  for (const platform::JoystickState& j : in.joy)
    if (j.present && j.buttons != 0) return true;
  return false;
}

void mouse_set(int32_t x, int32_t y) {
  Input& in = input();
  in.pointer_x = x;
  in.pointer_y = y;
  clamp_mouse(in);
  platform::warp_pointer_to_frame(in.mouse_x, in.mouse_y);
}

int32_t take_wheel() {
  Input& in = input();
  const int32_t w = in.wheel;
  in.wheel = 0;
  return w;
}

void note_present() {
  Input& in = input();
  in.presented_x = in.mouse_x;
  in.presented_y = in.mouse_y;
}

bool mouse_moved_since_present() {
  const Input& in = input();
  return in.mouse_x != in.presented_x || in.mouse_y != in.presented_y;
}

void poll_joysticks() {
  if (!platform::joysticks_started()) return;
  Input& in = input();
  platform::JoystickState now[platform::kJoysticks] = {in.joy[0], in.joy[1]};
  platform::joysticks_read(now);
  in.queue.count = 0;
  for (int n = 0; n < platform::kJoysticks; ++n) {
    // Arrival or departure first, then the values that changed.
    for (int i = 0; i <= platform::kJoyPresent; ++i) {
      const int field = i == 0 ? platform::kJoyPresent : i - 1;
      if (now[n].get(field) == in.joy[n].get(field)) continue;
      platform::Message m;
      m.kind = platform::MessageKind::Joystick;
      m.x = n;
      m.y = field;
      m.value = now[n].get(field);
      in.queue.push(m);
    }
  }
  deliver(in, last_pump());
}

namespace {

void idle() { platform::idle_ms(5); }

// Desktop messages that arrive between pump passes (the later passes of a
// flush), applied and recorded with the last pass; a headless script
// delivers only at pump passes.
void dispatch() {
  if (platform::headless()) return;
  Input& in = input();
  in.queue.count = 0;
  platform::poll_messages(in.queue);
  deliver(in, last_pump());
}

bool nothing_held() {
  const Input& in = input();
  return lowest_held_key() == 0 && in.mouse_buttons == 0;
}

}  // namespace

void wait_release() {
  pump();
  while (input().mouse_buttons != 0) {
    idle();
    pump();
  }
}

void flush() {
  constexpr int kPasses = 20;
  for (int pass = 0; pass < kPasses; ++pass) {
    if (pass == 0)
      pump();
    else
      dispatch();
    while (!nothing_held()) {
      idle();
      pump();
    }
    Input& in = input();
    in.ring_read = in.ring_write;
  }
  input().mouse_presses = 0;
}

int32_t take_button_presses() {
  Input& in = input();
  const int32_t pressed = in.mouse_presses;
  in.mouse_presses = 0;
  return pressed;
}

}  // namespace media
