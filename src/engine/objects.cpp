#include "engine/objects.h"

namespace engine {

int32_t tag_type(uint32_t t) {
  static constexpr uint32_t kTags[12] = {kTagCamera, kTagShape, kTagFlat,  kTagSprite,  kTagFrame,     kTagBackground,
                                         kTagCounter, kTagTrack, kTagLight, kTagVisual, kTagGroundMap, kTagXModel};
  for (int32_t i = 0; i < 12; ++i)
    if (kTags[i] == t) return i;
  return -1;
}

}  // namespace engine
