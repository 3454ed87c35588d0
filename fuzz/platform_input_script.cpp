// Arbitrary text as an --input-script file: the reader keeps its events in
// pump order with their values in range, names the first bad line, each
// event reads back from the line a recording writes for it, and delivery
// hands every event out once, in order, however the pumps advance.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/input_script.h"

namespace {

using platform::MessageKind;

bool joystick_in_range(const platform::Message& m) {
  if (m.x < 0 || m.x > 1) return false;
  switch (m.y) {
    case platform::kJoyXr:
    case platform::kJoyYr:
    case platform::kJoyZr: return m.value >= 0 && m.value <= 65535;
    case platform::kJoyButtons: return true;
    case platform::kJoyPresent: return m.value == 0 || m.value == 1;
    default:
      if (m.y >= platform::kJoyHat1 && m.y <= platform::kJoyHat4)
        return m.value == -1 || (m.value >= 0 && m.value < 36000);
      return m.y >= 0 && m.y < platform::kJoyHat1 && m.value >= -1000 && m.value <= 1000;
  }
}

bool in_range(const platform::Message& m) {
  switch (m.kind) {
    case MessageKind::KeyDown:
    case MessageKind::KeyUp:
    case MessageKind::Char:
    case MessageKind::Mouse:
    case MessageKind::Activate:
    case MessageKind::Deactivate:
    case MessageKind::Close: return true;
    case MessageKind::Buttons: return m.value >= 0 && m.value <= 7;
    case MessageKind::Wheel: return m.value >= -32768 && m.value <= 32767;
    case MessageKind::Stall: return m.value >= 0 && m.value <= 60000;
    case MessageKind::Joystick: return joystick_in_range(m);
  }
  return false;
}

// A script line read back from its own formatting gives the same message.
bool round_trips(const platform::ScriptEvent& e) {
  std::string line;
  platform::format_script_event(e.pump, e.message, line);
  platform::InputScript again;
  std::string error;
  if (!platform::parse_input_script(line, again, error) || again.events.size() != 1) return false;
  const platform::Message &a = e.message, &b = again.events[0].message;
  return again.events[0].pump == e.pump && a.kind == b.kind && a.scancode == b.scancode && a.ch == b.ch &&
         a.char_follows == b.char_follows && a.x == b.x && a.y == b.y && a.value == b.value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  platform::InputScript script;
  std::string error;
  const bool ok = platform::parse_input_script(text, script, error);
  if (ok != error.empty()) abort();
  if (!ok && error.compare(0, 18, "input script line ") != 0) abort();
  // At most one key press, its character and its release per input byte.
  if (script.events.size() > 3 * size) abort();
  for (size_t i = 0; i < script.events.size(); ++i) {
    if (i > 0 && script.events[i - 1].pump > script.events[i].pump) abort();
    if (!in_range(script.events[i].message)) abort();
    // Every message (also those "key" and "text" expand to) reads back
    // from the line an input recording writes for it.
    if (!round_trips(script.events[i])) abort();
  }

  // Deliver with pumps that advance by the bytes of the input, each pass
  // into a queue the desktop has partly filled; nothing may be lost, repeated
  // or reordered, and nothing due may be held back while there is room.
  size_t delivered = 0;
  uint32_t pump = 0;
  for (size_t step = 0; !platform::script_exhausted(script); ++step) {
    if (step > 2 * script.events.size() + 2) abort();  // no progress
    platform::MessageQueue queue;
    queue.count = size > 0 ? data[step % size] % 8 : 0;
    const int before = queue.count;
    const size_t next = script.next;
    platform::script_deliver(script, pump, queue);
    if (script.next - next != static_cast<size_t>(queue.count - before)) abort();
    for (int q = before; q < queue.count; ++q) {
      const platform::ScriptEvent& e = script.events[delivered++];
      if (e.pump > pump || std::memcmp(&e.message, &queue.items[q], sizeof e.message) != 0) abort();
    }
    if (!platform::script_exhausted(script) && queue.count < platform::MessageQueue::kCapacity &&
        script.events[script.next].pump <= pump)
      abort();
    // A pass that found nothing due skips ahead to the next event.
    if (script.next == next && !platform::script_exhausted(script)) {
      pump = script.events[script.next].pump;
    } else {
      pump += size > 0 ? data[(step * 7) % size] % 4 : 1;
    }
  }
  if (delivered != script.events.size()) abort();
  return 0;
}
