// Brains: compile speed over a project of 256 distinct 300-line brains, and
// run speed on the native back end and the interpreter of two brains: an
// arithmetic loop (statements per second) and a game-like brain (its
// iterations per second), with the real built-ins bound.
//
//   brain_bench --game-check   prints the game-like brain's results after
//                              one run on each back end (bench/peers
//                              compares them with the Lua twin's)
//   brain_bench --compile-rounds N
//                              compiles the 256 brains of the compile
//                              benchmark N times and nothing else (for
//                              profilers and instruction counts)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/code_area.h"
#include "brain/driver.h"
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

// A 300-line brain, different for every seed, written as brains are: six
// variables, thirteen 21-line blocks of assignments, if / else chains,
// calls of pure, random and motion rows, labels jumped to from below, a
// gosub and a comment, and a subroutine at the end.
constexpr int kBrainLines = 300;
constexpr int kBlocks = 13;
std::string long_brain(int seed) {
  std::string b = "var a\r\nvar b\r\nvar c\r\nvar d\r\nvar e\r\nvar f\r\n";
  for (int k = 0; k < kBlocks; ++k) {
    const std::string n = std::to_string(seed + k), label = "l" + std::to_string(k);
    b += label + ":\r\n";
    b += "a = a + " + n + " * b\r\n";
    b += "if a > c\r\nb = [a - c] / 3\r\nelse\r\nc = c + abs(b) - " + n + "\r\nendif\r\n";
    b += "d = random(0, 99)\r\n";
    b += "if d < 20\r\ne = e - 3\r\nendif\r\n";
    b += "velocity_x_set(element, factor_512(e, 700))\r\n";
    b += "position_x_add(element, velocity_x(element))\r\n";
    b += "f = wrap(f + d - 50, -1000, 1000)   ; keep the score in range\r\n";
    b += "if f > " + n + " and d = 3\r\ngoto " + label + "\r\nendif\r\n";
    b += "gosub cool\r\n";
    b += "b = b xor " + n + " and 255\r\n";
    b += "; steer towards the middle\r\n";
    b += "c = limit(c - [a + d] / 5, -4000, 4000)\r\n";
  }
  b += "return\r\ncool:\r\n";
  for (int line = 6 + kBlocks * 21 + 2; line < kBrainLines - 1; ++line)
    b += "e = e - [e + " + std::to_string(line) + "] / 8\r\n";
  return b + "return\r\n";
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

// 256 distinct brains, compiled as the engine compiles a project's brains
// (brain::compile_project, with the texts already read), in projects of 32
// so that every one fits the code area and is really compiled.
constexpr int kProjectBrains = 32;
struct CompileWork {
  brain::CompileRequest projects[256 / kProjectBrains];
  bool ok = true;
};
const CompileWork& compile_work() {
  static const CompileWork work = [] {
    setup();
    CompileWork w;
    for (int i = 0; i < 256; ++i) {
      std::string text = long_brain(i);
      w.ok &= std::count(text.begin(), text.end(), '\n') == kBrainLines;
      w.projects[i / kProjectBrains].elements.push_back({"e" + std::to_string(i), "", std::move(text)});
      w.projects[i / kProjectBrains].backend = brain::Backend::kNative;
    }
    return w;
  }();
  return work;
}
// Compiles the 256 brains once; answers the failures.
size_t compile_all() {
  size_t failed = 0;
  for (const brain::CompileRequest& p : compile_work().projects) {
    const brain::CompileReport r = brain::compile_project(p);
    failed += static_cast<size_t>(
        std::count_if(r.errors.begin(), r.errors.end(), [](const std::string& e) { return !e.empty(); }));
  }
  return failed;
}

void BM_CompileProject(benchmark::State& state) {
  if (!compile_work().ok) {
    state.SkipWithError("the brains do not have 300 lines");
    return;
  }
  size_t failed = 0;
  for (auto _ : state) failed += compile_all();
  state.counters["brains_per_second"] = benchmark::Counter(static_cast<double>(state.iterations()) * 256,
                                                           benchmark::Counter::kIsRate);
  state.counters["failed"] = static_cast<double>(failed);
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
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--game-check") == 0) return game_check();
    // A fixed amount of compiling, for profilers and instruction counts.
    if (std::strcmp(argv[i], "--compile-rounds") == 0 && i + 1 < argc) {
      size_t failed = 0;
      for (int round = std::atoi(argv[i + 1]); round > 0; --round) failed += compile_all();
      return failed == 0 ? 0 : 1;
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
