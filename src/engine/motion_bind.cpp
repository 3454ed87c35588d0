// Binding the motion rows of the built-in table.
#include "engine/motion.h"
#include "engine/motion_detail.h"

namespace engine {

void bind_motion_builtins() {
  motion::bind_motion_words();
  motion::bind_motion_forces();
  motion::bind_motion_damping();
  motion::bind_motion_follow();
  motion::bind_motion_rotation();
  motion::bind_motion_waves();
}

}  // namespace engine
