#include "media/input.h"

#include <algorithm>

#include "media/state_local.h"

#include "core/state.h"
#include "platform/gl_device.h"
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

void ring_add(Input& in, uint32_t ch, uint32_t scancode) {
  in.key_ring[in.ring_write] = (ch & 0xFF) | (scancode & 0xFF) << 16;
  in.ring_write = (in.ring_write + 1) % kKeyRingSize;
}

// Main-row scan codes of the digit characters: "1" to "9" are 2 to 10, "0" 11.
uint32_t digit_scancode(uint8_t ch) { return ch == '0' ? 11u : static_cast<uint32_t>(ch - '1' + 2); }

}  // namespace

void window_procedure(Input& in, const platform::Message& m) {
  using platform::MessageKind;
  switch (m.kind) {
    case MessageKind::KeyDown:
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
      in.mouse_x = m.x;
      in.mouse_y = m.y;
      break;
    case MessageKind::Buttons: in.mouse_buttons = m.value; break;
    case MessageKind::Stall:
      platform::advance_clock(static_cast<uint32_t>(m.value) * platform::kTicksPerSecond / 1000);
      break;
  }
}

bool input_exhausted() { return platform::headless() && platform::script_exhausted(); }

void pump() {
  Input& in = input();
  in.queue.count = 0;
  if (platform::headless())
    platform::deliver_script(core::state().pump_count, in.queue);
  else
    platform::poll_messages(in.queue);
  for (int i = 0; i < in.queue.count; ++i) window_procedure(in, in.queue.items[i]);
  if (!platform::headless()) {
    int32_t wx = 0, wy = 0;
    platform::mouse_state(wx, wy, in.mouse_buttons);
    platform::window_to_frame(wx, wy, in.mouse_x, in.mouse_y);
  }
  if (in.mouse_x < 0) in.mouse_x = 0;
  if (in.mouse_y < 0) in.mouse_y = 0;
  if (in.mouse_x > in.mouse_limit_x) in.mouse_x = in.mouse_limit_x;
  if (in.mouse_y > in.mouse_limit_y) in.mouse_y = in.mouse_limit_y;
  ++core::state().pump_count;
  if (input_exhausted()) {
    // Hands off the keyboard and mouse: nothing stays held for ever.
    for (auto& h : in.held) h = 0;
    in.mouse_buttons = 0;
  }
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
  for (int code = 1; code < 256; ++code)
    if (in.held[code]) return code;
  return 0;
}

namespace {

void idle() {
  if (!platform::headless()) platform::sleep_ms(5);
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
  pump();
  while (any_key() != 0 || input().mouse_buttons != 0) {
    idle();
    pump();
  }
  Input& in = input();
  in.ring_read = in.ring_write;
}

}  // namespace media
