#include "engine/view_lists.h"

#include "engine/state.h"

namespace engine {

void prepare_camera_view(int camera_frame) { (void)camera_frame; }

void clear_view_lists() {
  state().views.env_count = 0;
  state().views.billboard_count = 0;
}

}  // namespace engine
