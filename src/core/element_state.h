// The run-time record of one element: 256 signed 32-bit words, 256 records
// in one array in element order. Word meanings are named by the engine.
#pragma once

#include <cstdint>

#include "core/state.h"

namespace core {

struct ElementState {
  int32_t w[256];
};
static_assert(sizeof(ElementState) == kElementStateBytes);

// Bit 31 set: no element.
constexpr bool is_element_ref(uint32_t ref) { return (ref & 0x80000000u) == 0; }

inline ElementState* element_states() { return state().pools.element_state.as<ElementState>(); }
inline ElementState* element_state(int index) { return element_states() + index; }
inline uint32_t element_ref(int index) { return addr_of(element_state(index)); }

// The element index of a reference, or -1 when it names no element record.
inline int element_index(uint32_t ref) {
  const Pool& p = state().pools.element_state;
  if (!is_element_ref(ref) || !p.contains(ref, kElementStateBytes)) return -1;
  uint32_t off = ref - p.addr;
  return off % kElementStateBytes == 0 ? static_cast<int>(off / kElementStateBytes) : -1;
}

}  // namespace core
