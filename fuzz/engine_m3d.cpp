// Arbitrary bytes as a ground-map cache: a cache the reader accepts answers
// height queries anywhere without leaving its bytes, and only with whole
// triangles. The same bytes read as triangles make a cache the reader takes
// back with those triangles.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "engine/ground_grid.h"

namespace {

void check(const engine::GroundView& v, int64_t x, int64_t z, int64_t y, int64_t radius) {
  auto word = [](int64_t w) { return static_cast<int32_t>(std::clamp<int64_t>(w, INT32_MIN, INT32_MAX)); };
  const engine::GroundFound f = engine::ground_query(v, word(x * 512), radius, word(y * 512), word(z * 512));
  if (f.triangle < -1) abort();
  if (f.triangle >= 0 && (f.triangle % engine::kGroundTriangleBytes != 0 ||
                          uint64_t(f.triangle) + engine::kGroundTriangleBytes > v.triangle_bytes))
    abort();
  if (f.triangle < 0 && f.height != 0) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  engine::GroundCache cache;
  std::string why;
  if (engine::read_ground_cache(std::span(data, size), cache, why)) {
    const engine::GroundView& v = cache.view;
    const int64_t d = v.d;
    for (int64_t x : {-d - 1, -d, -d / 2, int64_t{0}, d / 3, d - 1, d})
      for (int64_t z : {-d, int64_t{0}, d - 1}) check(v, x, z, 0, 512000);
    const uint32_t count = std::min<uint32_t>(v.triangle_bytes / engine::kGroundTriangleBytes, 64);
    for (uint32_t i = 0; i < count; ++i) {
      int32_t t[9];
      engine::ground_triangle(v, static_cast<int32_t>(i * engine::kGroundTriangleBytes), t);
      check(v, (int64_t(t[0]) + t[3] + t[6]) / 3, (int64_t(t[2]) + t[5] + t[8]) / 3, t[1], 1000);
      check(v, t[0], t[2], t[1], 0);
    }
  } else if (why.empty()) {
    abort();
  }

  std::vector<int32_t> triangles(std::min<size_t>(size / 36, 64) * 9);
  if (!triangles.empty()) std::memcpy(triangles.data(), data, triangles.size() * 4);
  std::string file;
  if (engine::encode_ground_cache(triangles, 7, 9, uint64_t{1} << 26, file)) {
    engine::GroundCache back;
    if (!engine::read_ground_cache(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()), back, why))
      abort();
    if (back.view.triangle_bytes != triangles.size() * 4 || back.record[4] != 7 || back.record[5] != 9) abort();
    if (!triangles.empty() && std::memcmp(back.view.block, triangles.data(), triangles.size() * 4) != 0) abort();
  }
  return 0;
}
