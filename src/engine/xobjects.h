// Run-time X frames: models loaded by brains while a run goes on, named by
// handles with bit 31 set.
#pragma once

#include <cstdint>

namespace engine {

struct XObjectState {
  int32_t slots_used = 0;  // one past the highest slot in use
};

void bind_xobject_builtins();
// The renderer frame of an X handle (bit 31 set, slot in use), or -1.
int xobject_frame(int32_t handle);
// Drops every run-time X frame (scene release).
void release_xobjects();

}  // namespace engine
