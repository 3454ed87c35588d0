// The 5-6-5 cut of presented frames in the 16-bit display modes.
#pragma once

#include "platform/state_local.h"

namespace platform {

// The program and the scratch copy of the frame; false when GL refuses.
bool colour16_create(DeviceObjects& d);
void colour16_destroy(DeviceObjects& d);
// Cuts the frame's colours in place when the switch is on.
void colour16_apply(DeviceObjects& d);

}  // namespace platform
