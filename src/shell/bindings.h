// Binds the built-in handlers of the subsystems composed here.
#pragma once

namespace shell {

void bind_builtins();

}  // namespace shell
