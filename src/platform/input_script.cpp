#include "platform/input_script.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>

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

namespace {

// clang-format off
constexpr const char* kJoyFieldNames[kJoyFieldCount] = {
    "x", "y", "z", "xr", "yr", "zr", "u", "v", "hat1", "hat2", "hat3", "hat4", "buttons", "present"};
// clang-format on

// The range of a joystick field's value in a script.
bool joy_value(int field, std::string_view tok, int32_t& out) {
  if (field >= kJoyHat1 && field <= kJoyHat4) {
    if (tok == "-1") {
      out = -1;
      return true;
    }
    return to_int(tok, 0, 35999, out);
  }
  switch (field) {
    case kJoyXr:
    case kJoyYr:
    case kJoyZr: return to_int(tok, 0, 65535, out);
    case kJoyButtons: {
      int64_t v = 0;
      auto [p, ec] = std::from_chars(tok.data(), tok.data() + tok.size(), v);
      if (ec != std::errc() || p != tok.data() + tok.size() || v < 0 || v > int64_t{UINT32_MAX}) return false;
      out = static_cast<int32_t>(static_cast<uint32_t>(v));
      return true;
    }
    case kJoyPresent: return to_int(tok, 0, 1, out);
    default: return to_int(tok, -1000, 1000, out);
  }
}

// One line's event(s) after its pump number; nullptr when they were added,
// else the reason the line is bad.
const char* parse_event(std::string_view what, std::string_view rest, uint32_t pump, InputScript& script) {
  auto add = [&](uint32_t at, const Message& m) { script.events.push_back({at, m}); };
  int32_t a = 0, b = 0;
  Message m;
  if (what == "key" || what == "down" || what == "up" || what == "press") {
    if (!to_int(next_token(rest), 0, 255, a)) return "bad scan code";
    if (what == "key" && pump == UINT32_MAX) return "no pump pass left for the release";
    m.scancode = static_cast<uint8_t>(a);
    if (what == "up") {
      m.kind = MessageKind::KeyUp;
      add(pump, m);
      return nullptr;
    }
    m.kind = MessageKind::KeyDown;
    if (what == "press") {
      m.char_follows = true;
      add(pump, m);
      return nullptr;
    }
    std::string_view ch = what == "key" ? next_token(rest) : std::string_view();
    int32_t code = -1;
    if (ch.size() == 1) {
      code = static_cast<uint8_t>(ch[0]);
    } else if (!ch.empty() && !to_int(ch, 0, 255, code)) {
      return "bad character";
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
      add(pump + 1, up);
    }
  } else if (what == "char") {
    if (!to_int(next_token(rest), 0, 255, a)) return "bad character";
    const std::string_view sc = next_token(rest);
    if (!sc.empty() && !to_int(sc, 0, 255, b)) return "bad scan code";
    m.kind = MessageKind::Char;
    m.ch = static_cast<uint8_t>(a);
    m.scancode = static_cast<uint8_t>(b);
    add(pump, m);
  } else if (what == "text") {
    size_t b0 = rest.find_first_not_of(" \t");
    std::string_view s = b0 == std::string_view::npos ? std::string_view() : rest.substr(b0);
    for (char c : s) {
      m.kind = MessageKind::Char;
      m.ch = static_cast<uint8_t>(c);
      add(pump, m);
    }
  } else if (what == "move") {
    if (!to_int(next_token(rest), INT32_MIN, INT32_MAX, a) || !to_int(next_token(rest), INT32_MIN, INT32_MAX, b))
      return "bad position";
    m.kind = MessageKind::Mouse;
    m.x = a;
    m.y = b;
    add(pump, m);
  } else if (what == "buttons") {
    if (!to_int(next_token(rest), 0, 7, a)) return "bad button mask";
    m.kind = MessageKind::Buttons;
    m.value = a;
    add(pump, m);
  } else if (what == "wheel") {
    if (!to_int(next_token(rest), -32768, 32767, a)) return "bad wheel delta";
    m.kind = MessageKind::Wheel;
    m.value = a;
    add(pump, m);
  } else if (what == "stall") {
    if (!to_int(next_token(rest), 0, 60000, a)) return "bad stall time";
    m.kind = MessageKind::Stall;
    m.value = a;
    add(pump, m);
  } else if (what == "joy") {
    if (!to_int(next_token(rest), 1, 2, a)) return "bad joystick number";
    const int field = joy_field_of(next_token(rest));
    if (field < 0) return "bad joystick field";
    if (!joy_value(field, next_token(rest), b)) return "bad joystick value";
    m.kind = MessageKind::Joystick;
    m.x = a - 1;
    m.y = field;
    m.value = b;
    add(pump, m);
  } else if (what == "clock") {
    const std::string_view tok = next_token(rest);
    uint32_t t = 0;
    auto [p, ec] = std::from_chars(tok.data(), tok.data() + tok.size(), t);
    if (tok.empty() || ec != std::errc() || p != tok.data() + tok.size()) return "bad clock reading";
    script.clock_readings.push_back(t);
  } else if (what == "quit") {
    m.kind = MessageKind::Close;
    add(pump, m);
  } else if (what == "activate" || what == "deactivate") {
    m.kind = what == "activate" ? MessageKind::Activate : MessageKind::Deactivate;
    add(pump, m);
  } else {
    return "unknown event";
  }
  return nullptr;
}

}  // namespace

const char* joy_field_name(int field) { return field >= 0 && field < kJoyFieldCount ? kJoyFieldNames[field] : ""; }

int joy_field_of(std::string_view name) {
  for (int f = 0; f < kJoyFieldCount; ++f)
    if (name == kJoyFieldNames[f]) return f;
  return -1;
}

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
    // Any pump pass a recording can name.
    uint32_t pump = 0;
    auto [end, ec] = std::from_chars(pump_tok.data(), pump_tok.data() + pump_tok.size(), pump);
    const bool pump_ok = ec == std::errc() && end == pump_tok.data() + pump_tok.size();
    const char* why = pump_ok ? parse_event(what, rest, pump, script) : "bad pump number";
    if (why && ok) error = "input script line " + std::to_string(line_no) + ": " + why;
    if (why) ok = false;
  }
  std::stable_sort(script.events.begin(), script.events.end(),
                   [](const ScriptEvent& x, const ScriptEvent& y) { return x.pump < y.pump; });
  return ok;
}

namespace {

void append_number(std::string& out, int64_t v) {
  char buf[24];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
  (void)ec;
  out.append(buf, p);
}

// "PUMP WORD" and then each number after a blank.
void line(std::string& out, uint32_t pump, std::string_view word, std::initializer_list<int64_t> numbers) {
  append_number(out, pump);
  out += ' ';
  out += word;
  for (int64_t v : numbers) {
    out += ' ';
    append_number(out, v);
  }
  out += '\n';
}

}  // namespace

void format_script_event(uint32_t pump, const Message& m, std::string& out) {
  switch (m.kind) {
    case MessageKind::KeyDown: line(out, pump, m.char_follows ? "press" : "down", {m.scancode}); break;
    case MessageKind::KeyUp: line(out, pump, "up", {m.scancode}); break;
    case MessageKind::Char: line(out, pump, "char", {m.ch, m.scancode}); break;
    // The window procedure reads the signed low word of a wheel delta.
    case MessageKind::Wheel: line(out, pump, "wheel", {static_cast<int16_t>(m.value)}); break;
    case MessageKind::Activate: line(out, pump, "activate", {}); break;
    case MessageKind::Deactivate: line(out, pump, "deactivate", {}); break;
    case MessageKind::Close: line(out, pump, "quit", {}); break;
    case MessageKind::Mouse: line(out, pump, "move", {m.x, m.y}); break;
    case MessageKind::Buttons: line(out, pump, "buttons", {m.value & 7}); break;
    case MessageKind::Stall: line(out, pump, "stall", {std::clamp(m.value, 0, 60000)}); break;
    case MessageKind::Joystick: {
      const bool hat = m.y >= kJoyHat1 && m.y <= kJoyHat4;
      const int64_t v = m.y == kJoyButtons                        ? int64_t{static_cast<uint32_t>(m.value)}
                        : hat && (m.value < 0 || m.value > 35999) ? -1
                                                                  : int64_t{m.value};
      append_number(out, pump);
      out += " joy ";
      out += static_cast<char>('1' + (m.x & 1));
      out += ' ';
      out += joy_field_name(m.y);
      out += ' ';
      append_number(out, v);
      out += '\n';
      break;
    }
  }
}

void format_clock_reading(uint32_t pump, uint32_t t, std::string& out) { line(out, pump, "clock", {t}); }

void script_deliver(InputScript& script, uint32_t pump, MessageQueue& out) {
  while (script.next < script.events.size() && script.events[script.next].pump <= pump) {
    if (!out.push(script.events[script.next].message)) return;  // rest at the next pump
    ++script.next;
  }
}

}  // namespace platform
