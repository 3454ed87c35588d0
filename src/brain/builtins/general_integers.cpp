// Integer routines and geometry between elements.
#include <cmath>
#include <cstdint>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/angles.h"
#include "core/element_state.h"
#include "core/int32.h"
#include "core/text.h"

namespace brain::general {

namespace {

using U = uint32_t;

using core::wrap32;

int32_t abs_(int32_t v) { return v < 0 ? wrap32(-static_cast<int64_t>(v)) : v; }
int32_t sum(int32_t a, int32_t b) { return wrap32(int64_t{a} + b); }
int32_t subtract(int32_t a, int32_t b) { return wrap32(int64_t{a} - b); }
int32_t multiply(int32_t a, int32_t b) { return wrap32(int64_t{a} * b); }
int32_t divide(int32_t a, int32_t b) {
  if (b == 0) return 2147483647;
  return wrap32(int64_t{a} / b);  // -2147483648 / -1 wraps to itself
}
int32_t limit(int32_t v, int32_t lo, int32_t hi) {
  if (v < lo) return lo;
  if (v >= hi) return hi;
  return v;
}
int32_t between(int32_t v, int32_t lo, int32_t hi) { return lo <= v && v <= hi ? -1 : 0; }
int32_t wrap(int32_t v, int32_t lo, int32_t hi) { return core::wrap_into_range(v, lo, hi); }
int32_t random(int32_t a, int32_t b) { return a <= b ? core::random_number(a, b) : core::random_number(b, a); }
int32_t every_tics(int32_t n, int32_t m) {
  const uint32_t* tc = state().general.tick_count;
  const uint32_t t = tc ? *tc : 0;
  return t < static_cast<U>(m) && (t & (static_cast<U>(n) - 1u)) == 0 ? -1 : 0;
}
int32_t debug(int32_t v) {
  State& s = state();
  s.debug_value = v;
  s.debug_shown = true;
  return 0;
}

int32_t angle(int32_t dx, int32_t dz) { return core::vector_angle(dx, dz); }

// Coordinate difference of word w between two records, wrapped to 32 bits.
int32_t diff(const int32_t* a, const int32_t* b, int w) { return core::sub32(b[w], a[w]); }

int32_t length_shifted(int64_t x, int64_t y, int64_t z) {
  const double len = std::sqrt(static_cast<double>(x * x + y * y + z * z));
  return core::shl32(wrap32(std::llround(len)), 9);
}

int32_t distance(int32_t e1, int32_t e2) {
  const int32_t* a = core::element_words(e1);
  const int32_t* b = core::element_words(e2);
  if (!a || !b) return 0;
  return length_shifted(diff(a, b, core::kPosition) >> 9, diff(a, b, core::kPosition + 1) >> 9,
                        diff(a, b, core::kPosition + 2) >> 9);
}

int32_t distance_xz(int32_t e1, int32_t e2) {
  const int32_t* a = core::element_words(e1);
  const int32_t* b = core::element_words(e2);
  if (!a || !b) return 0;
  return length_shifted(diff(a, b, core::kPosition) >> 9, 0, diff(a, b, core::kPosition + 2) >> 9);
}

int32_t direction_xz(int32_t e1, int32_t e2) {
  const int32_t* p = core::element_words(e1);
  const int32_t* q = core::element_words(e2);
  if (!p || !q || p == q) return 0;
  const int32_t a = diff(p, q, core::kPosition) >> 9;
  const int32_t b = core::mul32(diff(p, q, core::kPosition + 2), 2);
  return core::angle_of_quotient(a, b, a == 0 ? 0 : int64_t{b} / a);
}

}  // namespace

// The routines bound in line do what table.h says of their rows; the native
// back end writes those rows as machine code.
void bind_integers() {
  bind_inline<abs_>("abs");
  bind_inline<sum>("sum");
  bind_inline<subtract>("subtract");
  bind_inline<multiply>("multiply");
  bind_inline<divide>("divide");
  bind_inline<limit>("limit");
  bind_inline<between>("between");
  bind_inline<wrap>("wrap");
  bind_inline<random>("random");
  bind<every_tics>("every_tics");
  bind<debug>("debug");
  bind<angle>("angle");
  bind<distance>("distance");
  bind<distance_xz>("distance_xz");
  bind<direction_xz>("direction_xz");
}

}  // namespace brain::general
