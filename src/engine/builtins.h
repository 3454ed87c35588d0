// Binding the engine's built-ins to the brain table.
#pragma once

#include "engine/motion.h"

namespace engine {

void bind_run_builtins();
void bind_2d_builtins();

// Every engine family bound so far.
inline void bind_builtins() {
  bind_run_builtins();
  bind_2d_builtins();
  bind_motion_builtins();
}

}  // namespace engine
