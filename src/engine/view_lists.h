// Per-frame registrations of brains for the cameras' views: meshes to
// environment-map and frames to turn toward the camera (billboards). Both
// lists hold for the next drawn frame only.
#pragma once

#include <cstdint>

namespace engine {

struct ViewListState {
  int32_t env_count = 0;
  int32_t billboard_count = 0;
};

// Before one camera's view is rendered: environment mapping for the camera
// frame, then every billboard turned to face it.
void prepare_camera_view(int camera_frame);
// After a drawn frame: both lists emptied.
void clear_view_lists();

}  // namespace engine
