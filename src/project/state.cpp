#include "project/state.h"

namespace project {

State& state() {
  static State s;
  return s;
}

}  // namespace project
