// The built-ins the core provides: the 512-scaled mathematics and the
// program arguments.
#include "brain/bind.h"
#include "core/angles.h"
#include "core/state.h"

namespace brain {

namespace {

int32_t sin512(uint32_t, int32_t a, int32_t, int32_t, int32_t, int32_t) { return core::sin_512(a); }
int32_t cos512(uint32_t, int32_t a, int32_t, int32_t, int32_t, int32_t) { return core::cos_512(a); }
int32_t tan512(uint32_t, int32_t a, int32_t, int32_t, int32_t, int32_t) { return core::tan_512(a); }
int32_t atan512(uint32_t, int32_t a, int32_t, int32_t, int32_t, int32_t) { return core::atan_512(a); }
int32_t sqrt512(uint32_t, int32_t a, int32_t, int32_t, int32_t, int32_t) { return core::sqrt_512(a); }
int32_t factor512(uint32_t, int32_t a, int32_t b, int32_t, int32_t, int32_t) {
  return core::factor_512(a, b);
}

int32_t par_count(uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
  const int32_t n = core::state().arg_count;
  return n < 0 ? 0 : (n > core::kMaxProgramArgs ? core::kMaxProgramArgs : n);
}

int32_t par_get(uint32_t self, int32_t index, int32_t, int32_t, int32_t, int32_t) {
  if (index < 0 || index >= par_count(self, 0, 0, 0, 0, 0)) return 0;
  return core::state().args[index];
}

}  // namespace

void bind_core_builtins() {
  bind("sin_512", &sin512);
  bind("cos_512", &cos512);
  bind("tan_512", &tan512);
  bind("atan_512", &atan512);
  bind("sqrt_512", &sqrt512);
  bind("factor_512", &factor512);
  bind("par_count", &par_count);
  bind("par_get", &par_get);
}

}  // namespace brain
