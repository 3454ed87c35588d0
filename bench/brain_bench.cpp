// Brains: compile speed over a project of 256 distinct 300-line brains, and
// run speed on the native back end and the interpreter of two brains: an
// arithmetic loop (statements per second) and a game-like brain (its
// iterations per second), with the real built-ins bound.
//
//   brain_bench --game-check   prints the game-like brain's results after
//                              one run on each back end (bench/peers
//                              compares them with the Lua twin's)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/code_area.h"
#include "brain/run.h"
#include "core/angles.h"
#include "core/element_state.h"
#include "core/state.h"
#include "engine/motion.h"

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

// A ship that steers at random: motion rows on its own element, random, an
// if / else chain, a gosub, factor_512, abs and the wrap of an accumulator;
// about 14 statements and 7 built-in calls an iteration. bench/game.lua is
// its twin.
constexpr int kGameIterations = 100000;
std::string game_brain() {
  return "var i\r\nvar r\r\nvar steer\r\nvar speed\r\nvar score\r\nvar heat\r\n"
         "i = 0\r\nsteer = 0\r\nscore = 0\r\nheat = 0\r\nspeed = 700\r\nposition_x_set(element, 0)\r\n"
         "loop:\r\n"
         "r = random(0, 99)\r\n"
         "if r < 20\r\nsteer = steer - 3\r\nelse\r\n"
         "if r < 40\r\nsteer = steer + 3\r\nelse\r\n"
         "if r > 95\r\nsteer = 0\r\nendif\r\nendif\r\nendif\r\n"
         "velocity_x_set(element, factor_512(steer, speed))\r\n"
         "position_x_add(element, velocity_x(element))\r\n"
         "gosub cool\r\n"
         "score = wrap(score + r - 50, -1000, 1000)\r\n"
         "i = i + 1\r\n"
         "if i < " +
         std::to_string(kGameIterations) +
         "\r\ngoto loop\r\nendif\r\nreturn\r\n"
         "cool:\r\n"
         "heat = heat + abs(steer) - 2\r\nif heat < 0\r\nheat = 0\r\nendif\r\nreturn\r\n";
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
  brain::bind_general_builtins();
  engine::bind_motion_builtins();
  const std::string table = core::make_random_table();
  std::memcpy(core::state().pools.random.bytes(), table.data(), table.size());
  done = true;
}

bool compile_one(const std::string& text, brain::Backend backend, std::string& error) {
  setup();
  brain::begin_compile(backend, 0);
  const brain::BrainResult r = brain::compile_brain(text, false, "bench");
  brain::end_compile();
  error = r.error;
  core::element_state(0)->w[core::kBrainEntry] = static_cast<int32_t>(r.entry);
  return r.ok;
}

void run_loop(benchmark::State& state, brain::Backend backend) {
  std::string error;
  if (!compile_one(loop_brain(), backend, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) brain::run(core::element_ref(0));
  state.counters["statements_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kIterations * kStatementsPerIteration, benchmark::Counter::kIsRate);
}

void run_game(benchmark::State& state, brain::Backend backend) {
  std::string error;
  if (!compile_one(game_brain(), backend, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) brain::run(core::element_ref(0));
  state.counters["iterations_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kGameIterations, benchmark::Counter::kIsRate);
}

void BM_RunNative(benchmark::State& state) { run_loop(state, brain::Backend::kNative); }
void BM_RunInterpreter(benchmark::State& state) { run_loop(state, brain::Backend::kInterpreter); }
void BM_GameNative(benchmark::State& state) { run_game(state, brain::Backend::kNative); }
void BM_GameInterpreter(benchmark::State& state) { run_game(state, brain::Backend::kInterpreter); }
BENCHMARK(BM_RunNative)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunInterpreter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GameNative)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GameInterpreter)->Unit(benchmark::kMillisecond);

// 256 distinct brains, compiled as projects of 64 (so that every one fits
// the code area and is really compiled).
void BM_CompileProject(benchmark::State& state) {
  setup();
  std::string brains[256];
  for (int i = 0; i < 256; ++i) brains[i] = long_brain(i);
  int failed = 0;
  for (auto _ : state) {
    for (int batch = 0; batch < 256; batch += 64) {
      brain::begin_compile(brain::Backend::kNative, 0);
      for (int i = batch; i < batch + 64; ++i) failed += !brain::compile_brain(brains[i], false).ok;
      brain::end_compile();
    }
  }
  state.counters["brains_per_second"] = benchmark::Counter(static_cast<double>(state.iterations()) * 256,
                                                           benchmark::Counter::kIsRate);
  state.counters["failed"] = failed;
}
BENCHMARK(BM_CompileProject)->Unit(benchmark::kMillisecond);

// One run of the game-like brain from a fresh random source, on each back
// end: "name position velocity steer score heat".
int game_check() {
  for (brain::Backend backend : {brain::Backend::kNative, brain::Backend::kInterpreter}) {
    std::string error;
    if (!compile_one(game_brain(), backend, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    core::state().random_pos = 0;
    core::state().pump_count = 0;
    brain::run(core::element_ref(0));
    const int32_t* w = core::element_state(0)->w;
    std::printf("%s %d %d %d %d %d\n", backend == brain::Backend::kNative ? "native" : "interpreter",
                w[core::kPosition], w[core::kVelocity], w[255 - 2], w[255 - 4], w[255 - 5]);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--game-check") == 0) return game_check();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
