// The data-file protection of built games over a 16 MB file, both ways: a
// level's resources are restored while it loads. Target: above 500 MB/s.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "core/protect.h"

namespace {

std::string sixteen_mb() {
  std::string s(16u << 20, '\0');
  uint32_t x = 12345;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

void BM_Protect(benchmark::State& state) {
  std::string bytes = sixteen_mb();
  for (auto _ : state) {
    core::protect_text(bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_Protect)->Unit(benchmark::kMillisecond);

void BM_Unprotect(benchmark::State& state) {
  std::string bytes = sixteen_mb();
  for (auto _ : state) {
    core::unprotect_text(bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_Unprotect)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
