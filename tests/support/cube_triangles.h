// A cube from -1 to 1 as a flat triangle list, each side two triangles
// wound to face outward, for the tests of the model readers and previews.
#pragma once

#include <vector>

#include "media/model3ds.h"

namespace testing_support {

inline std::vector<media::Triangle> cube_triangles() {
  using core::Vec3;
  std::vector<media::Triangle> t;
  auto quad = [&](Vec3 a, Vec3 b, Vec3 c, Vec3 d) {
    t.push_back({{a, b, c}});
    t.push_back({{a, c, d}});
  };
  quad({-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1});
  quad({1, -1, 1}, {-1, -1, 1}, {-1, 1, 1}, {1, 1, 1});
  quad({-1, -1, 1}, {-1, -1, -1}, {-1, 1, -1}, {-1, 1, 1});
  quad({1, -1, -1}, {1, -1, 1}, {1, 1, 1}, {1, 1, -1});
  quad({-1, 1, -1}, {1, 1, -1}, {1, 1, 1}, {-1, 1, 1});
  quad({-1, -1, 1}, {1, -1, 1}, {1, -1, -1}, {-1, -1, -1});
  return t;
}

}  // namespace testing_support
