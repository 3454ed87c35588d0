// The run loop: a test run from loading to the end, and the tick.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

constexpr int32_t kExitPlain = static_cast<int32_t>(0x80000000u);
constexpr int kWarmUpTicks = 4;

// Runs the loaded project until a brain sets an exit code or Escape is
// taken; returns the exit code.
int32_t test_run();

// One step of the simulation: every element that is on and enabled runs
// its brain once, in element order.
void tick();

// max_framerate_set: 15..250 ticks per second, anything else ignored.
void set_max_framerate(int32_t n);

// The state at the end of a run as JSON: tick count, exit code, globals and
// every element's words.
std::string dump_json();

}  // namespace engine
