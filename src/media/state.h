// The media subsystem's state: input now; the display device, sound and
// images join it as they arrive.
#pragma once

#include "media/config.h"
#include "media/input.h"

namespace media {

struct State {
  Input input;
  EngineSettings settings;
};

State& state();

}  // namespace media
