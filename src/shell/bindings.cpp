#include "shell/bindings.h"

namespace shell {

// The brain library's table is bound here as the subsystems arrive.
void bind_builtins() {}

}  // namespace shell
