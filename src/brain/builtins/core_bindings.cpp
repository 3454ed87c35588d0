// The built-ins the core provides: the 512-scaled mathematics and the
// program arguments.
#include "brain/bind.h"
#include "core/angles.h"
#include "core/state.h"

namespace brain {

namespace {

int32_t par_count() {
  const int32_t n = core::state().arg_count;
  return n < 0 ? 0 : (n > core::kMaxProgramArgs ? core::kMaxProgramArgs : n);
}

int32_t par_get(int32_t index) {
  if (index < 0 || index >= par_count()) return 0;
  return core::state().args[index];
}

}  // namespace

void bind_core_builtins() {
  bind<core::sin_512>("sin_512");
  bind<core::cos_512>("cos_512");
  bind<core::tan_512>("tan_512");
  bind<core::atan_512>("atan_512");
  bind_inline<core::sqrt_512>("sqrt_512");
  bind_inline<core::factor_512>("factor_512");
  bind<par_count>("par_count");
  bind<par_get>("par_get");
}

}  // namespace brain
