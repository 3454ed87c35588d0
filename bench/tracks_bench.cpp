// Races and splines: the race update of 255 racers over 1000 checkpoints
// (target: under 50 µs a loop iteration) and a spline evaluation on a curve
// of 1000 keys; both allocate nothing.
#include <benchmark/benchmark.h>

#include "alloc_count.h"

#include "brain/bind.h"
#include "brain/table.h"
#include "core/element_state.h"
#include "core/state.h"
#include "engine/state.h"
#include "engine/tracks.h"

namespace {

int32_t call(const char* name, int32_t a1 = 0, int32_t a2 = 0, int32_t a3 = 0, int32_t a4 = 0, int32_t a5 = 0) {
  return brain::handler_of(brain::find_row(name))(core::element_ref(0), a1, a2, a3, a4, a5);
}

void report_allocations(benchmark::State& state, long long before) {
  state.counters["allocs_per_call"] = benchmark::Counter(
      static_cast<double>(bench_support::allocations.load() - before) /
      static_cast<double>(state.iterations() ? state.iterations() : 1));
}

void BM_RaceUpdate(benchmark::State& state) {
  core::init_memory();
  engine::bind_track_builtins();
  engine::reset_races();
  // Gates around a ring; the racers spread over it, none on a gate, so that
  // every racer tests its next gate in full each iteration.
  for (int i = 0; i < engine::kMaxCheckpoints; ++i) call("checkpoint_add", i * 1024000, 0, i * 1024000, 10 * 512000);
  for (int e = 0; e < engine::kMaxRacers; ++e) {
    int32_t* w = core::element_state(e)->w;
    w[core::kPosition] = e * 777 * 512;
    w[core::kPosition + 2] = -512000;
    w[core::kRadius] = 500;
    call("race_on", static_cast<int32_t>(core::element_ref(e)));
  }
  const long long before = bench_support::allocations.load();
  for (auto _ : state) engine::race_update();
  report_allocations(state, before);
}
BENCHMARK(BM_RaceUpdate)->Unit(benchmark::kMicrosecond);

void BM_Spline(benchmark::State& state) {
  core::init_memory();
  engine::bind_track_builtins();
  engine::reset_races();
  for (int k = 0; k < 1000; ++k) call("spline_key_set", 0, k * 10, k * 1000, (k % 7) * 3000, -k * 500);
  const int32_t mode = static_cast<int32_t>(state.range(0));
  int32_t t = 0;
  const long long before = bench_support::allocations.load();
  for (auto _ : state) {
    benchmark::DoNotOptimize(call("spline_pos_x", 0, t, mode));
    t = (t + 37) % 10000;
  }
  report_allocations(state, before);
}
BENCHMARK(BM_Spline)->Arg(1)->Arg(0)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
