// Scripted input for headless runs. One event per line, "PUMP EVENT ARGS",
// delivered at that message-pump pass:
//   key SCANCODE [CHAR]   press (with the character, if given) and release
//   down SCANCODE / up SCANCODE
//   text STRING           the characters of the rest of the line
//   move X Y / buttons MASK / wheel DELTA / quit
//   activate / deactivate the window is restored / minimised
//   stall MS              the virtual clock jumps MS milliseconds (0..60000)
//                         ahead, as if a frame or a disk wait had been slow
// CHAR is one character, or a decimal code of two or more digits ("13").
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
};

// Parses a script; false with a message naming the line on a malformed line
// (the events parsed so far are kept).
bool parse_input_script(std::string_view text, InputScript& script, std::string& error);

// Appends the messages due at or before pump pass `pump`.
void script_deliver(InputScript& script, uint32_t pump, MessageQueue& out);

inline bool script_exhausted(const InputScript& script) { return script.next >= script.events.size(); }

}  // namespace platform
