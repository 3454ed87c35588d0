// Running compiled brains.
#pragma once

#include <cstdint>

namespace brain {

// Brains started from brains (execute) nest at most this deep.
constexpr int kMaxRunDepth = 32;

// Runs the brain of the element whose ElementState is at `self`, as the run
// loop does once per tick. Returns a RunStatus (ir.h): 0 when the brain
// returned; a run that is stopped (time limit, gosub nesting, execute
// nesting) reports itself through the run-time error hook first. Nothing
// runs while a compile is in progress, after a run-time error box has ended
// the run, for an address that is no ElementState, or for an entry word that
// names no compiled brain.
int32_t run(uint32_t self);

// An entry of the current compile.
bool is_brain_entry(uint32_t entry);

}  // namespace brain
