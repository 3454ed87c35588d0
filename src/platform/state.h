// The platform layer's state: the clock, the headless switch with its input
// script, and the desktop objects of a run with a display.
#pragma once

#include "platform/clock.h"
#include "platform/input_script.h"

struct SDL_Window;

namespace platform {

struct State {
  bool headless = false;
  Clock clock;
  InputScript script;
  bool video = false;
  SDL_Window* window = nullptr;
  int lock_fd = -1;
};

State& state();

}  // namespace platform
