// Ground grids and ground-map caches as bytes: made, read back, queried,
// and refused when damaged.
#include "engine/ground_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/files.h"
#include "media/model3ds.h"

namespace {

constexpr int32_t kMilli = 512;

std::span<const uint8_t> bytes_of(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// Two triangles: a square of half side h at height y = base + slope x.
std::vector<int32_t> square(int32_t h, int32_t base, double slope = 0) {
  auto y = [&](int32_t x) { return static_cast<int32_t>(base + slope * x); };
  return {-h, y(-h), -h, -h, y(-h), h, h, y(h), h, -h, y(-h), -h, h, y(h), h, h, y(h), -h};
}

// The height found at a point in milli-units, or -1 for none.
struct Probe {
  engine::GroundView view;
  int32_t operator()(int32_t x, int32_t z, int32_t y = 0, int32_t radius = 0) const {
    const engine::GroundFound f = engine::ground_query(view, x * kMilli, int64_t(radius) * kMilli, y * kMilli,
                                                       z * kMilli);
    return f.triangle < 0 ? -1 : f.height / kMilli;
  }
};

engine::GroundCache read(const std::string& file) {
  engine::GroundCache c;
  std::string why;
  EXPECT_TRUE(engine::read_ground_cache(bytes_of(file), c, why)) << why;
  return c;
}

TEST(GroundGrid, CacheRoundTripKeepsTheTrianglesAndAnswersHeights) {
  std::vector<int32_t> t = square(20000, 1000, 0.25);
  // A small triangle in one corner, so that most cells list only the square.
  const std::vector<int32_t> corner = {30000, 7000, 30000, 30500, 7000, 30000, 30000, 7000, 30500};
  t.insert(t.end(), corner.begin(), corner.end());
  std::string file;
  ASSERT_TRUE(engine::encode_ground_cache(t, 77, 5, 1u << 24, file));
  const engine::GroundCache c = read(file);
  EXPECT_EQ(c.record[3], 2 * 30500);
  EXPECT_EQ(c.record[4], 77);
  EXPECT_EQ(c.record[5], 5);
  EXPECT_EQ(c.record[2] - c.record[1], 3 * 36);
  ASSERT_EQ(c.view.triangle_bytes, 3u * 36);
  EXPECT_EQ(std::memcmp(c.view.block, t.data(), 3 * 36), 0);

  const Probe at{c.view};
  EXPECT_EQ(at(4000, 0), 2000);
  EXPECT_EQ(at(-20000, -20000), -4000);  // on the square's corner
  EXPECT_EQ(at(30100, 30100), 7000);
  EXPECT_EQ(at(25000, 25000), -1);   // an empty cell
  EXPECT_EQ(at(0, 30600), -1);       // past the grid
  EXPECT_EQ(at(-30501, 0), -1);      // before it
  EXPECT_EQ(at(20001, -19999), -1);  // beside the square in a listed cell
  // One surface takes its height whatever the element's height.
  EXPECT_EQ(at(4000, 1000, -90000, 10), 2000);
}

// A bridge at 5000 over ground at 0: the element stays on the surface
// nearest its feet within one radius above its position.
TEST(GroundGrid, TwoLevelsKeepTheElementOnTheLowerOne) {
  std::vector<int32_t> t = square(20000, 0);
  const std::vector<int32_t> bridge = square(4000, 5000);
  t.insert(t.end(), bridge.begin(), bridge.end());
  std::string file;
  ASSERT_TRUE(engine::encode_ground_cache(t, 0, 0, 1u << 24, file));
  const Probe at{read(file).view};
  EXPECT_EQ(at(1000, 500, 100, 1000), 0);      // just above the lower level
  EXPECT_EQ(at(1000, 500, 3000, 1000), 0);     // the bridge is above its reach
  EXPECT_EQ(at(1000, 500, 4800, 1000), 5000);  // within a radius below the bridge
  EXPECT_EQ(at(1000, 500, 5100, 1000), 5000);
  EXPECT_EQ(at(1000, 500, -2000, 1000), -1);  // under both: none qualifies
  EXPECT_EQ(at(10000, 500, 9000, 1000), 0);   // beside the bridge
}

TEST(GroundGrid, DamagedCachesAreRefusedWhole) {
  std::string good;
  ASSERT_TRUE(engine::encode_ground_cache(square(5000, 0, 1.0), 1, 0, 1u << 24, good));
  auto refused = [](const std::string& file) {
    engine::GroundCache c;
    std::string why;
    const bool ok = engine::read_ground_cache(bytes_of(file), c, why);
    return !ok && !why.empty();
  };
  auto patched = [&](size_t at, uint32_t v) {
    std::string f = good;
    std::memcpy(f.data() + at, &v, 4);
    return f;
  };
  const size_t grid = 64 + 2 * 36;
  uint32_t first_list = 0;
  std::memcpy(&first_list, good.data() + grid, 4);
  ASSERT_GE(first_list, 2 * 36 + engine::kGroundGridBytes);
  for (size_t n : {size_t{0}, size_t{10}, size_t{63}, size_t{64}, size_t{200}, grid + 100, good.size() - 1})
    EXPECT_TRUE(refused(good.substr(0, n))) << n;
  EXPECT_TRUE(refused(patched(0, 0x2E6D3365u)));               // tag
  EXPECT_TRUE(refused(patched(8, 60)));                        // end before start
  EXPECT_TRUE(refused(patched(8, 64 + 71)));                   // not whole triangles
  EXPECT_TRUE(refused(patched(8, 0xFFFFFFF0u)));               // triangles past the file
  EXPECT_TRUE(refused(patched(12, 1)));                        // no width
  EXPECT_TRUE(refused(patched(grid, 0x7FFFFFF0u)));            // a list past the end
  EXPECT_TRUE(refused(patched(grid, first_list + 2)));         // misaligned
  EXPECT_TRUE(refused(patched(grid, 36)));                     // a list inside the triangles
  EXPECT_TRUE(refused(patched(64 + first_list, 0x40000000)));  // a count past the end
  EXPECT_TRUE(refused(patched(64 + first_list + 4, 18)));      // half a triangle
  EXPECT_TRUE(refused(patched(64 + first_list + 4, 72)));      // past the triangles
  EXPECT_TRUE(refused(patched(64 + first_list, 1000)));        // runs into the next list
  engine::GroundCache c;
  std::string why;
  EXPECT_TRUE(engine::read_ground_cache(bytes_of(good + std::string(40, 'x')), c, why)) << why;  // a tail is kept
}

TEST(GroundGrid, BlocksLargerThanAllowedAreNotMade) {
  std::string out;
  const std::vector<int32_t> t = square(5000, 0);
  EXPECT_FALSE(engine::build_ground_block(t, 5000, 0, 0, engine::kGroundGridBytes + 36, out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(engine::encode_ground_cache(t, 0, 0, 1000, out));
  EXPECT_TRUE(engine::build_ground_block(t, 5000, 0, 0, 1u << 24, out));
  // A grid around its own centre (as 3D-shape grounds have it).
  std::vector<int32_t> moved = t;
  for (size_t i = 0; i < moved.size(); i += 3) moved[i] += 100000;
  ASSERT_TRUE(engine::build_ground_block(moved, engine::ground_half_width(moved, 100000, 0), 100000, 0, 1u << 24, out));
  const Probe at{
      {reinterpret_cast<const uint8_t*>(out.data()), 2 * 36, static_cast<uint32_t>(out.size()), 5000, 100000, 0}};
  EXPECT_EQ(at(101000, 0), 0);
  EXPECT_EQ(at(1000, 0), -1);
}

// Real .3ds models become ground maps: every triangle with an area in
// projection is found at its centre.
TEST(GroundGrid, SampleModelsBecomeGroundMaps) {
  const std::filesystem::path folder = std::filesystem::path(QUILL_TESTDATA) / "3ds";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no sample files";
  int models = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string bytes;
    ASSERT_TRUE(core::read_file(entry.path().string(), bytes));
    std::vector<media::Triangle> flat;
    if (!media::parse_3ds_triangles(bytes_of(bytes), flat) || flat.empty()) continue;
    std::vector<int32_t> t;
    for (const media::Triangle& tri : flat)
      for (const core::Vec3& v : tri.v)
        for (float c : {v.x, v.y, v.z}) t.push_back(static_cast<int32_t>(std::lround(c * 1000.0f)));
    std::string file;
    ASSERT_TRUE(engine::encode_ground_cache(t, 0, 0, 1u << 26, file)) << entry.path();
    const engine::GroundCache c = read(file);
    ++models;
    for (size_t i = 0; i < t.size(); i += 9) {
      const double area = (double(t[i + 3]) - t[i]) * (double(t[i + 8]) - t[i + 2]) -
                          (double(t[i + 6]) - t[i]) * (double(t[i + 5]) - t[i + 2]);
      if (std::abs(area) < 1e4) continue;  // slivers: the centre may round onto an edge
      const int64_t cx = (int64_t(t[i]) + t[i + 3] + t[i + 6]) / 3, cz = (int64_t(t[i + 2]) + t[i + 5] + t[i + 8]) / 3;
      const engine::GroundFound f = engine::ground_query(c.view, static_cast<int32_t>(cx * kMilli), int64_t(1) << 40, 0,
                                                         static_cast<int32_t>(cz * kMilli));
      EXPECT_GE(f.triangle, 0) << entry.path() << " triangle " << i / 9;
    }
  }
  EXPECT_GT(models, 5);
}

}  // namespace
