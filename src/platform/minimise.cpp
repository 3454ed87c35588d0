#include "platform/minimise.h"

#include <SDL.h>

#include "platform/state_local.h"

namespace platform {

void window_minimise() {
  State& s = state();
  if (s.headless || !s.window) return;
  SDL_MinimizeWindow(s.window);
}

}  // namespace platform
