#include "platform/state_local.h"

namespace platform {

State& state() {
  static State s;
  return s;
}

}  // namespace platform
