// Simulation speed: 256 elements whose brains apply gravity, thrust and
// friction and integrate, ticked without drawing. Target: 20,000 ticks
// per second.
#include <benchmark/benchmark.h>

#include "alloc_count.h"

#include <string>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/driver.h"
#include "core/state.h"
#include "core/text.h"
#include "engine/builtins.h"
#include "engine/run_loop.h"
#include "engine/scene_load.h"
#include "engine/state.h"
#include "project/records.h"
#include "project/state.h"

namespace {

constexpr char kRecord[] =
    "Ship|./cameras/default_.03d|./sounds/null_.wav|-|0|0|0|0|0|0|0.000|0|0.000|0|0|0|0.000|0.000|0.000|0|0|0|"
    "0.000|0.000|0.000|0|0|0|0|0|1|0|1|0|0|2|160/120/479/359/0/20&40/7|0/1|4096/2/50/0|14815378";

constexpr char kBrain[] =
    "gravity(element, 0, 0-100, 0)\r\nthrust(element, 50)\r\nfriction(element, 500)\r\n"
    "rotation_y_add(element, 1dg)\r\nvelocity_update(element)\r\nspin_update(element)\r\n";

void BM_Ticks(benchmark::State& state) {
  core::init_memory();
  brain::bind_core_builtins();
  brain::bind_general_builtins();
  engine::bind_builtins();
  project::State& p = project::state();
  for (int i = 0; i < 256; ++i) p.records[static_cast<size_t>(i)] = kRecord;
  p.last = 255;
  if (!engine::load_phase()) {
    state.SkipWithError("load failed");
    return;
  }
  engine::initialize_phase();
  brain::CompileRequest request;
  for (int i = 0; i < 256; ++i) request.elements.push_back({"Ship", "", std::string(kBrain)});
  brain::compile_project(request);
  const long long allocations_before = bench_support::allocations.load();
  for (auto _ : state) engine::tick();
  state.counters["allocs_per_tick"] = benchmark::Counter(
      static_cast<double>(bench_support::allocations.load() - allocations_before) /
      static_cast<double>(state.iterations() ? state.iterations() : 1));
  state.counters["ticks_per_second"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                          benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Ticks)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
