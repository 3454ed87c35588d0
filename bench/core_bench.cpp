// The integer trigonometry and the random source run inside brains every
// tick; they must stay table lookups.
#include <benchmark/benchmark.h>

#include <cstring>

#include "core/angles.h"
#include "core/state.h"
#include "core/text.h"

namespace {

void load_tables() {
  static bool done = false;
  if (done) return;
  core::init_memory();
  const core::Pools& p = core::state().pools;
  std::string t = core::make_sinusbig_table();
  std::memcpy(p.sinusbig.bytes(), t.data(), t.size());
  t = core::make_atan_table();
  std::memcpy(p.atan.bytes(), t.data(), t.size());
  t = core::make_random_table();
  std::memcpy(p.random.bytes(), t.data(), t.size());
  done = true;
}

void BM_VectorAngle(benchmark::State& state) {
  load_tables();
  int32_t a = 1, b = -7;
  for (auto _ : state) {
    benchmark::DoNotOptimize(core::vector_angle(a, b));
    a += 13;
    b -= 7;
  }
}
BENCHMARK(BM_VectorAngle);

void BM_CoarseSine(benchmark::State& state) {
  load_tables();
  int32_t angle = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(core::coarse_sine(angle));
    angle += 977;
  }
}
BENCHMARK(BM_CoarseSine);

void BM_Random(benchmark::State& state) {
  load_tables();
  for (auto _ : state) benchmark::DoNotOptimize(core::random_number(-1000, 1000));
}
BENCHMARK(BM_Random);

void BM_FieldReplace(benchmark::State& state) {
  std::string record;
  for (int i = 0; i < 50; ++i) record += "field" + std::to_string(i) + "|";
  for (auto _ : state) benchmark::DoNotOptimize(core::with_field(record, 37, "1/2/3/4"));
}
BENCHMARK(BM_FieldReplace);

}  // namespace

BENCHMARK_MAIN();
