// Brains: compile speed over a project of 256 distinct 300-line brains, and
// run speed of an arithmetic brain on the native back end and the
// interpreter (statements per second).
#include <benchmark/benchmark.h>

#include <string>

#include "brain/bind.h"
#include "brain/code_area.h"
#include "brain/run.h"
#include "core/element_state.h"
#include "core/state.h"

namespace {

// One iteration runs five statements (the assignment, two ifs, the
// increment, the goto); the inner if's body runs rarely.
constexpr int kIterations = 100000;
constexpr int kStatementsPerIteration = 5;

std::string loop_brain() {
  return "var i\r\nvar s\r\nvar t\r\ni = 0\r\ns = 0\r\nloop:\r\ns = s + i * 3 + factor_512(i, 7)\r\n"
         "if s > 1000000\r\ns = s - 1000000\r\nendif\r\ni = i + 1\r\nif i < " +
         std::to_string(kIterations) + "\r\ngoto loop\r\nendif\r\n";
}

// A 300-line brain, different for every seed.
std::string long_brain(int seed) {
  std::string b = "var a\r\nvar b\r\nvar c\r\n";
  for (int line = 0; line < 296; line += 4)
    b += "a = a + " + std::to_string(seed + line) + " * b\r\nif a > c\r\nb = [a - c] / 3\r\nendif\r\n";
  return b;
}

void setup() {
  static bool done = false;
  if (done) return;
  core::init_memory();
  brain::bind_core_builtins();
  done = true;
}

void run_loop(benchmark::State& state, brain::Backend backend) {
  setup();
  brain::begin_compile(backend, 0);
  const brain::BrainResult r = brain::compile_brain(loop_brain(), false, "bench");
  brain::end_compile();
  if (!r.ok) {
    state.SkipWithError(r.error.c_str());
    return;
  }
  core::element_state(0)->w[core::kBrainEntry] = static_cast<int32_t>(r.entry);
  for (auto _ : state) brain::run(core::element_ref(0));
  state.counters["statements_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kIterations * kStatementsPerIteration, benchmark::Counter::kIsRate);
}

void BM_RunNative(benchmark::State& state) { run_loop(state, brain::Backend::kNative); }
void BM_RunInterpreter(benchmark::State& state) { run_loop(state, brain::Backend::kInterpreter); }
BENCHMARK(BM_RunNative)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunInterpreter)->Unit(benchmark::kMillisecond);

void BM_CompileProject(benchmark::State& state) {
  setup();
  std::string brains[256];
  for (int i = 0; i < 256; ++i) brains[i] = long_brain(i);
  for (auto _ : state) {
    brain::begin_compile(brain::Backend::kNative, 0);
    for (const std::string& b : brains) benchmark::DoNotOptimize(brain::compile_brain(b, false).entry);
    brain::end_compile();
  }
  state.counters["brains_per_second"] = benchmark::Counter(static_cast<double>(state.iterations()) * 256,
                                                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CompileProject)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
