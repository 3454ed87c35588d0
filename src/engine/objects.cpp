#include "engine/objects.h"

#include "engine/state.h"

namespace engine {

int current_object(const core::ElementState& st) {
  const int32_t o = st.w[core::kCurrentObject];
  return valid_object(o) && o < state().scene.object_count ? o : -1;
}

uint32_t current_tag(const core::ElementState& st) {
  const Object* o = object(st.w[core::kCurrentObject]);
  return o ? static_cast<uint32_t>(o->w[0]) : 0;
}

const Object* current_object_of(const core::ElementState* st, uint32_t t) {
  return st && t != 0 && current_tag(*st) == t ? object(st->w[core::kCurrentObject]) : nullptr;
}

int32_t tag_type(uint32_t t) {
  static constexpr uint32_t kTags[12] = {kTagCamera,  kTagShape, kTagFlat,  kTagSprite, kTagFrame,     kTagBackground,
                                         kTagCounter, kTagTrack, kTagLight, kTagVisual, kTagGroundMap, kTagXModel};
  for (int32_t i = 0; i < 12; ++i)
    if (kTags[i] == t) return i;
  return -1;
}

}  // namespace engine
