// What the rest of the engine asks of the platform besides drawing, sound
// and windows: whether this run has a display, the engine clock, and the
// input script that stands in for the desktop in a headless run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/messages.h"

namespace platform {

// A headless run has no window: drawing goes to an offscreen surface, the
// clock is virtual, and input comes from the script. Set once at start-up.
void set_headless(bool on);
bool headless();

// The engine clock in ticks of 1/4500 s (a wrapping 32-bit value): real
// time, or in a headless run a virtual clock that moves only when the
// engine waits. start_clock picks the kind from the headless switch.
// A desktop run that records its input records every reading of now(); a
// headless replay of it answers those readings in order, and its virtual
// clock goes on from the last one.
constexpr uint32_t kTicksPerSecond = 4500;
void start_clock();
uint32_t now();
// The clock as it stands, for observers that follow it (the sound mix): not
// recorded, and in a replay not answered from the script, so watching the
// clock never shifts the readings the engine itself takes.
uint32_t peek_now();
// Waits until the (wrapping) tick `t`; the virtual clock jumps there.
void wait_until(uint32_t t);
// Waits `ms` milliseconds; the virtual clock advances by as many ticks.
void sleep_ms(uint32_t ms);
// Moves the virtual clock forward (no effect on the real clock).
void advance_clock(uint32_t ticks);
// A pause while waiting for the user on the desktop: real time passes, the
// virtual clock does not move. Nothing in a headless run.
void idle_ms(uint32_t ms);

// The input script of a headless run: false with a message naming the line
// for a malformed script. The messages due at pump pass `pump` are
// appended to `out`; exhausted once every event has been delivered.
bool load_input_script(std::string_view text, std::string& error);
void deliver_script(uint32_t pump, MessageQueue& out);
bool script_exhausted();

}  // namespace platform
