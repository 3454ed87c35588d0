// The object table: one 16-word record per loaded aspect, word 0 a kind tag.
#pragma once

#include <cstdint>

#include "core/element_state.h"
#include "core/state.h"

namespace engine {

constexpr uint32_t tag(const char (&t)[5]) {
  return uint32_t(uint8_t(t[0])) | uint32_t(uint8_t(t[1])) << 8 | uint32_t(uint8_t(t[2])) << 16 |
         uint32_t(uint8_t(t[3])) << 24;
}

constexpr uint32_t kTagCamera = tag("d30.");
constexpr uint32_t kTagShape = tag("d3a.");
constexpr uint32_t kTagFlat = tag("d3b.");
constexpr uint32_t kTagSprite = tag("d3e.");
constexpr uint32_t kTagFrame = tag("d3f.");
constexpr uint32_t kTagBackground = tag("d3g.");
constexpr uint32_t kTagCounter = tag("d3h.");
constexpr uint32_t kTagTrack = tag("d3i.");
constexpr uint32_t kTagLight = tag("d3l.");
constexpr uint32_t kTagVisual = tag("d3v.");
constexpr uint32_t kTagGroundMap = tag("d3m.");
constexpr uint32_t kTagXModel = tag("d3x.");

struct Object {
  int32_t w[16];
};
static_assert(sizeof(Object) == core::kObjectBytes);

inline Object* objects() { return core::state().pools.object_table.as<Object>(); }
inline bool valid_object(int32_t index) { return index >= 0 && index < core::kObjectCount; }
inline Object* object(int32_t index) { return valid_object(index) ? objects() + index : nullptr; }

// The index of an element's current object when it is one of the objects of
// the loaded scene, else -1.
int current_object(const core::ElementState& st);
// The element's current object when it is of the kind `tag`; null otherwise
// (and for a null element). Records past the loaded ones are zero, so they
// are of no kind.
const Object* current_object_of(const core::ElementState* st, uint32_t tag);
// The kind tag of an element's current object, 0 for none.
uint32_t current_tag(const core::ElementState& st);

// The `type` number of an object's tag (camera 0 ... X-model 11), -1 for none.
int32_t tag_type(uint32_t tag);

}  // namespace engine
