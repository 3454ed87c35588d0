// The run-time record of one element: 256 signed 32-bit words, 256 records
// in one array in element order. Word meanings are named by the engine.
#pragma once

#include <cstdint>

#include "core/state.h"

namespace core {

// Word numbers of an ElementState.
enum Word : int {
  kCurrentObject = 0,
  kFirstObject = 1,
  kAnimationPhase = 2,
  kPosition = 3,  // x, y, z
  kRotation = 6,  // x, y, z
  kVelocity = 9,  // x, y, z
  kSpin = 12,     // x, y, z
  kExtent = 15,   // six words, by element kind
  kBrainEntry = 21,
  kFlags = 22,
  kCredits = 23,
  kElementId = 24,
  kCollisionBits = 25,
  kRadius = 26,
  kSoundIndex = 28,
  kRadiusMax = 30,
  kScaleX = 31,
  kScaleY = 32,
  kSoundRate = 33,  // two words
  kScaleZ = 35,
  kTrackData = 36,
  kNetSync = 37,
  kNetOwner = 38,
  kParentRotation = 39,  // x, y, z
  kFrameCount = 42,
  kTimer = 43,
  kSignals = 44,
  kFirstBrainVariable = 128,
};

// Flag bits of word kFlags.
enum Flag : int32_t {
  kFlagOn = 0x001,
  kFlagDisabled = 0x002,
  kFlagJoined = 0x008,
  kFlagSoundOnDemand = 0x010,
  kFlagTranslucent = 0x020,
  kFlagShown = 0x040,
  kFlagCollisions = 0x080,
  kFlagBoxCollisions = 0x100,
};

struct ElementState {
  int32_t w[256];
};
static_assert(sizeof(ElementState) == kElementStateBytes);

// On and shown: the element is drawn.
inline bool on_and_shown(const ElementState& st) {
  return (st.w[kFlags] & (kFlagOn | kFlagShown)) == (kFlagOn | kFlagShown);
}

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
inline int element_index(int32_t ref) { return element_index(static_cast<uint32_t>(ref)); }

// The record an element reference names, or null when it names none of them
// exactly (bit 31 set, misaligned, outside the array): the resolver of every
// built-in that takes an element.
inline ElementState* element_at(uint32_t ref) {
  const int i = element_index(ref);
  return i < 0 ? nullptr : element_state(i);
}
inline ElementState* element_at(int32_t ref) { return element_at(static_cast<uint32_t>(ref)); }
inline int32_t* element_words(int32_t ref) {
  ElementState* st = element_at(ref);
  return st ? st->w : nullptr;
}

}  // namespace core
