// The run loop: a test run from loading to the end, and the tick.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

constexpr int32_t kExitPlain = static_cast<int32_t>(0x80000000u);
constexpr int kWarmUpTicks = 4;

// Runs the loaded project until a brain sets an exit code or Escape is
// taken; returns the exit code. Globals come from temp/globvars.dat.
// The same as run_begin, run_load(true), run_loop when loaded, run_end.
int32_t test_run();

// The steps of a run, for callers that put their own steps between them
// (the stand-alone player):
// Flushes the input, keeps the drawing settings the run may change, sets
// the exit code to -1 and the run flag.
void run_begin();
// The loaded project's aspects into objects, its records into element
// states, and its brains compiled; notices say what is going on when asked
// to. False when the project does not fit (nothing was compiled).
bool run_load(bool notices);
// The warm-up ticks, the first frame and the fixed-step loop, until an exit
// code is set, Escape is taken, the tick limit is reached or a run-time
// error has stopped the brains.
void run_loop();
// Puts back the settings run_begin kept, clears the run flag and releases
// the scene; returns the exit code.
int32_t run_end();

// The stand-alone player's changes of the loop's counters: the exit code
// before a level's loop, the tick count of a resumed game.
void set_exit_code(int32_t code);
void set_tick_count(uint32_t count);

// One step of the simulation: every element that is on and enabled runs
// its brain once, in element order.
void tick();

// max_framerate_set: 15..250 ticks per second, anything else ignored.
void set_max_framerate(int32_t n);

// The state at the end of a run as JSON: tick count, exit code, globals and
// every element's words.
std::string dump_json();

}  // namespace engine
