#include "platform/input_script.h"

#include <algorithm>
#include <charconv>

namespace platform {

namespace {

std::string_view next_token(std::string_view& rest) {
  size_t b = rest.find_first_not_of(" \t");
  if (b == std::string_view::npos) {
    rest = {};
    return {};
  }
  rest.remove_prefix(b);
  size_t e = rest.find_first_of(" \t");
  std::string_view tok = rest.substr(0, e);
  rest = e == std::string_view::npos ? std::string_view() : rest.substr(e);
  return tok;
}

bool to_int(std::string_view tok, int64_t lo, int64_t hi, int32_t& out) {
  int64_t v = 0;
  auto [p, ec] = std::from_chars(tok.data(), tok.data() + tok.size(), v);
  if (ec != std::errc() || p != tok.data() + tok.size() || v < lo || v > hi) return false;
  out = static_cast<int32_t>(v);
  return true;
}

}  // namespace

bool parse_input_script(std::string_view text, InputScript& script, std::string& error) {
  script = {};
  int line_no = 0;
  bool ok = true;
  while (!text.empty()) {
    size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view rest = line;
    std::string_view pump_tok = next_token(rest);
    if (pump_tok.empty() || pump_tok.front() == '#') continue;
    std::string_view what = next_token(rest);
    int32_t pump = 0, a = 0, b = 0;
    auto fail = [&](const char* why) {
      if (ok) error = "input script line " + std::to_string(line_no) + ": " + why;
      ok = false;
    };
    if (!to_int(pump_tok, 0, INT32_MAX, pump)) {
      fail("bad pump number");
      continue;
    }
    auto add = [&](uint32_t at, const Message& m) { script.events.push_back({at, m}); };
    Message m;
    if (what == "key" || what == "down" || what == "up") {
      if (!to_int(next_token(rest), 0, 255, a)) {
        fail("bad scan code");
        continue;
      }
      m.scancode = static_cast<uint8_t>(a);
      if (what == "up") {
        m.kind = MessageKind::KeyUp;
        add(pump, m);
        continue;
      }
      m.kind = MessageKind::KeyDown;
      std::string_view ch = what == "key" ? next_token(rest) : std::string_view();
      int32_t code = -1;
      if (ch.size() == 1) {
        code = static_cast<uint8_t>(ch[0]);
      } else if (!ch.empty() && !to_int(ch, 0, 255, code)) {
        fail("bad character");
        continue;
      }
      m.char_follows = code >= 0;
      add(pump, m);
      if (code >= 0) {
        Message c;
        c.kind = MessageKind::Char;
        c.scancode = m.scancode;
        c.ch = static_cast<uint8_t>(code);
        add(pump, c);
      }
      if (what == "key") {
        Message up;
        up.kind = MessageKind::KeyUp;
        up.scancode = m.scancode;
        add(static_cast<uint32_t>(pump) + 1, up);
      }
    } else if (what == "text") {
      size_t b0 = rest.find_first_not_of(" \t");
      std::string_view s = b0 == std::string_view::npos ? std::string_view() : rest.substr(b0);
      for (char c : s) {
        m.kind = MessageKind::Char;
        m.ch = static_cast<uint8_t>(c);
        add(pump, m);
      }
    } else if (what == "move") {
      if (!to_int(next_token(rest), INT32_MIN, INT32_MAX, a) || !to_int(next_token(rest), INT32_MIN, INT32_MAX, b)) {
        fail("bad position");
        continue;
      }
      m.kind = MessageKind::Mouse;
      m.x = a;
      m.y = b;
      add(pump, m);
    } else if (what == "buttons") {
      if (!to_int(next_token(rest), 0, 7, a)) {
        fail("bad button mask");
        continue;
      }
      m.kind = MessageKind::Buttons;
      m.value = a;
      add(pump, m);
    } else if (what == "wheel") {
      if (!to_int(next_token(rest), -32768, 32767, a)) {
        fail("bad wheel delta");
        continue;
      }
      m.kind = MessageKind::Wheel;
      m.value = a;
      add(pump, m);
    } else if (what == "stall") {
      if (!to_int(next_token(rest), 0, 60000, a)) {
        fail("bad stall time");
        continue;
      }
      m.kind = MessageKind::Stall;
      m.value = a;
      add(pump, m);
    } else if (what == "quit") {
      m.kind = MessageKind::Close;
      add(pump, m);
    } else if (what == "activate" || what == "deactivate") {
      m.kind = what == "activate" ? MessageKind::Activate : MessageKind::Deactivate;
      add(pump, m);
    } else {
      fail("unknown event");
    }
  }
  std::stable_sort(script.events.begin(), script.events.end(),
                   [](const ScriptEvent& x, const ScriptEvent& y) { return x.pump < y.pump; });
  return ok;
}

void script_deliver(InputScript& script, uint32_t pump, MessageQueue& out) {
  while (script.next < script.events.size() && script.events[script.next].pump <= pump) {
    if (!out.push(script.events[script.next].message)) return;  // rest at the next pump
    ++script.next;
  }
}

}  // namespace platform
