#include "engine/xobjects.h"

#include "engine/builtins.h"
#include "engine/state.h"

namespace engine {

void bind_xobject_builtins() {}

int xobject_frame(int32_t handle) {
  (void)handle;
  return -1;
}

void release_xobjects() { state().xobjects = XObjectState{}; }

}  // namespace engine
