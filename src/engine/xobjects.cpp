#include "engine/xobjects.h"

#include "engine/builtins.h"
#include "engine/state.h"

namespace engine {

void bind_xobject_builtins() {}

void release_xobjects() { state().xobjects = XObjectState{}; }

}  // namespace engine
