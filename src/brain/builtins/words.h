// The word built-ins, written once: read, set and add to one word of the
// element an argument names, and mask, set or clear bits of it. A reference
// that names no element reads 0 and changes nothing.
#pragma once

#include <cstdint>

#include "core/element_state.h"
#include "core/int32.h"

namespace brain::words {

template <int W>
int32_t get(int32_t e) {
  const int32_t* w = core::element_words(e);
  return w ? w[W] : 0;
}
template <int W>
int32_t set(int32_t e, int32_t v) {
  if (int32_t* w = core::element_words(e)) w[W] = v;
  return 0;
}
template <int W>
int32_t add(int32_t e, int32_t v) {
  if (int32_t* w = core::element_words(e)) w[W] = core::add32(w[W], v);
  return 0;
}
template <int W>
int32_t masked(int32_t e, int32_t m) {
  const int32_t* w = core::element_words(e);
  return w ? w[W] & m : 0;
}
template <int W>
int32_t bits_set(int32_t e, int32_t m) {
  if (int32_t* w = core::element_words(e)) w[W] |= m;
  return 0;
}
// word &= m ^ 0x0FFFFFFF: clears the bits of m among the low 28, and keeps
// the top four only where m has them.
template <int W>
int32_t bits_reset(int32_t e, int32_t m) {
  if (int32_t* w = core::element_words(e)) w[W] &= m ^ 0x0FFFFFFF;
  return 0;
}

}  // namespace brain::words
