#include "shell/state.h"

namespace shell {

State& state() {
  static State s;
  return s;
}

}  // namespace shell
