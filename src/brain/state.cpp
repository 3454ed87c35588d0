#include "brain/state.h"

namespace brain {

State& state() {
  static State s;
  return s;
}

bool select_backend(std::string_view name) {
  if (name == "interp") {
    state().backend = Backend::kInterpreter;
    return true;
  }
  if (name == "native" && kDefaultBackend == Backend::kNative) {
    state().backend = Backend::kNative;
    return true;
  }
  return false;
}

}  // namespace brain
