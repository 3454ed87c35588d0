// The collision pass and the ground height query. Targets: a pass over 256
// elements with every pair enabled (32,640 pairs) under 1 ms, a height
// query over a 100,000-triangle ground map under 2 us, no allocation in
// either.
#include <benchmark/benchmark.h>

#include "alloc_count.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/element_state.h"
#include "core/state.h"
#include "engine/collisions.h"
#include "engine/ground_grid.h"
#include "engine/state.h"
#include "project/channel_map.h"

namespace {

void report_allocations(benchmark::State& state, long long before) {
  state.counters["allocs_per_tick"] = benchmark::Counter(
      static_cast<double>(bench_support::allocations.load() - before) /
      static_cast<double>(state.iterations() ? state.iterations() : 1));
}

// 256 elements of radius 400 milli-units on a 16 x 16 square, 1 unit apart,
// some with box collisions, each pair on channel 1: neighbours touch.
void BM_CollisionPass(benchmark::State& state) {
  core::init_memory();
  engine::State& s = engine::state();
  s.scene.element_count = 256;
  s.scene.work_used = 0;
  engine::reset_collisions();
  for (int i = 0; i < 256; ++i) {
    int32_t* w = core::element_state(i)->w;
    std::memset(w, 0, 1024);
    w[core::kPosition] = (i % 16) * 512000;
    w[core::kPosition + 2] = (i / 16) * 512000;
    w[core::kRotation + 1] = i * 720;
    w[core::kFlags] = core::kFlagOn | core::kFlagCollisions | (i % 3 == 0 ? core::kFlagBoxCollisions : 0);
    w[core::kElementId] = 1 << (i % 31);
    w[core::kRadius] = 600;
    w[core::kRadiusMax] = 700;
    const int32_t box[6] = {500, 500, 500, -500, -500, -500};
    std::memcpy(&w[core::kExtent], box, sizeof box);
    for (int j = i + 1; j < 256; ++j) project::set_channel(i, j, 1);
  }
  engine::prepare_collision_pairs();
  if (s.collisions.pair_count != 32640) {
    state.SkipWithError("the pair list is not full");
    return;
  }
  const long long before = bench_support::allocations.load();
  for (auto _ : state) engine::collision_pass();
  report_allocations(state, before);
  state.counters["pairs"] = s.collisions.pair_count;
  project::clear_channels();
}
BENCHMARK(BM_CollisionPass)->Unit(benchmark::kMicrosecond);

// Rolling terrain of 224 x 224 quads (100,352 triangles) over 448 x 448
// units, queried at points spread over it.
void BM_GroundHeight(benchmark::State& state) {
  core::init_memory();
  engine::State& s = engine::state();
  s.scene.work_used = 0;
  engine::reset_collisions();
  constexpr int kQuads = 224;
  constexpr int32_t kStep = 2000;  // milli-units
  auto height = [](int x, int z) { return static_cast<int32_t>(3000 * std::sin(x * 0.1) * std::cos(z * 0.13)); };
  std::vector<int32_t> t;
  t.reserve(size_t{kQuads} * kQuads * 18);
  for (int z = 0; z < kQuads; ++z)
    for (int x = 0; x < kQuads; ++x) {
      const int32_t x0 = (x - kQuads / 2) * kStep, z0 = (z - kQuads / 2) * kStep;
      const int32_t a[3] = {x0, height(x, z), z0}, b[3] = {x0 + kStep, height(x + 1, z), z0};
      const int32_t c[3] = {x0 + kStep, height(x + 1, z + 1), z0 + kStep}, d[3] = {x0, height(x, z + 1), z0 + kStep};
      for (const int32_t* v : {a, b, c, a, c, d}) t.insert(t.end(), v, v + 3);
    }
  const int32_t half = engine::ground_half_width(t, 0, 0);
  std::string block;
  if (!engine::build_ground_block(t, half, 0, 0, core::kWorkBytes, block)) {
    state.SkipWithError("the map does not fit");
    return;
  }
  const uint32_t at = engine::work_alloc(static_cast<uint32_t>(block.size()));
  std::memcpy(core::at<uint8_t>(at), block.data(), block.size());
  s.collisions.grounds[0] = {
      at, static_cast<uint32_t>(t.size() / 9 * 36), static_cast<uint32_t>(block.size()), 0, half, 0, 0};
  s.collisions.ground_element = 0;

  std::vector<int32_t> points;
  uint32_t seed = 1;
  for (int i = 0; i < 4096; ++i) {
    seed = seed * 1103515245u + 12345u;
    points.push_back(static_cast<int32_t>((seed >> 8) % uint32_t(2 * half)) - half);
  }
  size_t k = 0;
  int64_t found = 0;
  const long long before = bench_support::allocations.load();
  for (auto _ : state) {
    const int32_t x = points[k % points.size()], z = points[(k + 7) % points.size()];
    ++k;
    found += engine::ground_height(x * 512, 512000, 0, z * 512) != 0;
    benchmark::DoNotOptimize(found);
  }
  report_allocations(state, before);
  state.counters["triangles"] = static_cast<double>(t.size() / 9);
  state.counters["cells_bytes"] = static_cast<double>(block.size());
}
BENCHMARK(BM_GroundHeight)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
