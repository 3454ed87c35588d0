// Scripted input for headless runs. One event per line, "PUMP EVENT ARGS",
// delivered at that message-pump pass:
//   key SCANCODE [CHAR]   press (with the character, if given) and release
//   down SCANCODE / up SCANCODE
//   text STRING           the characters of the rest of the line
//   move X Y / buttons MASK / wheel DELTA / quit
//   activate / deactivate the window is restored / minimised
//   stall MS              the virtual clock jumps MS milliseconds (0..60000)
//                         ahead, as if a frame or a disk wait had been slow
//   press SCANCODE        a key goes down whose character follows as a char
//                         event (no key event of its own; no release)
//   char CODE [SCANCODE]  one character message: decimal CODE 0..255, with
//                         the scan code of its key (default 0)
//   joy N FIELD VALUE     joystick N (1 or 2): FIELD x, y, z, u, v (-1000..
//                         1000), xr, yr, zr (0..65535), hat1..hat4 (-1
//                         centred, or 0..35999 hundredths of a degree),
//                         buttons (mask, 0..4294967295), present (0 or 1)
//   clock TICKS           one reading of the engine clock (0..4294967295) in
//                         a recording of a desktop run: the replay's clock
//                         answers the readings in their order in the file
//                         (the pump number only places the line)
// CHAR is one character, or a decimal code of two or more digits ("13").
// Input recordings (--record-input) write these lines back; see
// format_script_event.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messages.h"

namespace platform {

struct ScriptEvent {
  uint32_t pump = 0;
  Message message;
};

struct InputScript {
  std::vector<ScriptEvent> events;  // sorted by pump, stable
  size_t next = 0;
  std::vector<uint32_t> clock_readings;  // in file order
  size_t next_reading = 0;
};

// Parses a script; false with a message naming the line on a malformed line
// (the events parsed so far are kept).
bool parse_input_script(std::string_view text, InputScript& script, std::string& error);

// Appends the messages due at or before pump pass `pump`.
void script_deliver(InputScript& script, uint32_t pump, MessageQueue& out);

inline bool script_exhausted(const InputScript& script) { return script.next >= script.events.size(); }

// Appends the script line ("PUMP EVENT ARGS" and a line feed) that the
// parser reads back as exactly `m` at pump pass `pump`.
void format_script_event(uint32_t pump, const Message& m, std::string& out);
// Appends the line of a clock reading `t` taken after `pump` pump passes.
void format_clock_reading(uint32_t pump, uint32_t t, std::string& out);

// The script name of a joystick field ("x", "hat1", "buttons", ...), and
// the field of a name (-1 for none).
const char* joy_field_name(int field);
int joy_field_of(std::string_view name);

}  // namespace platform
