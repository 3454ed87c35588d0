#include "platform/state.h"

namespace platform {

State& state() {
  static State s;
  return s;
}

}  // namespace platform
