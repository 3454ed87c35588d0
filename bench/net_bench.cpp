// Network play: building and reading a full state packet (256 elements
// with every sync bit, 2048 synchronised variables), and the network steps
// of a tick for 256 elements. Target: under 0.1 ms a packet; no allocation.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "alloc_count.h"
#include "core/element_state.h"
#include "core/state.h"
#include "engine/state.h"
#include "net/packet.h"
#include "net/session.h"
#include "net/state.h"
#include "net/tick.h"
#include "project/state.h"

namespace {

// 256 elements sharing everything, half owned here (machine 1) and half by
// machine 2; 2048 variables, likewise split.
void full_scene() {
  core::init_memory();
  engine::state().scene.element_count = core::kElementCount;
  engine::state().loop.net_counters[0] = 0;
  for (int e = 0; e < core::kElementCount; ++e) {
    int32_t* w = core::element_state(e)->w;
    w[core::kNetSync] = 0x7FF;
    w[core::kNetOwner] = 1 + (e & 1);
    w[core::kFlags] = core::kFlagOn | core::kFlagShown;
    w[core::kFrameCount] = 4;
    w[core::kPosition] = e * 1000;
  }
  std::string list;
  for (int i = 0; i < net::kMaxSharedVars; ++i) list += std::to_string(i) + "(" + std::to_string(1 + (i & 1)) + "),";
  project::state().scene.shared_vars = list;
  net::set_active_for_test(true, false);
  net::state().machine_number = 1;
  net::scene_setup();
}

void BM_StatePacketBuildAndRead(benchmark::State& state) {
  full_scene();
  // Everything is sent: as the host owning the lot under machine 0.
  for (int e = 0; e < core::kElementCount; ++e) core::element_state(e)->w[core::kNetOwner] = 0;
  net::state().is_host.store(true);
  std::vector<uint8_t> packet(net::kMaxPacketBytes);
  const long long before = bench_support::allocations.load();
  uint32_t size = 0;
  for (auto _ : state) {
    size = net::build_state_packet(packet.data());
    benchmark::DoNotOptimize(net::read_state_packet(packet.data(), size));
  }
  state.counters["allocs_per_packet"] = benchmark::Counter(
      static_cast<double>(bench_support::allocations.load() - before) /
      static_cast<double>(state.iterations() ? state.iterations() : 1));
  state.counters["bytes"] = size;
  net::set_active_for_test(false, false);
}
BENCHMARK(BM_StatePacketBuildAndRead)->Unit(benchmark::kMicrosecond);

// The four hooks around 256 elements without their brains: snapshot,
// publish or undo and blend, and the step that builds the packet when due.
void BM_NetworkStepsOfATick(benchmark::State& state) {
  full_scene();
  const long long before = bench_support::allocations.load();
  for (auto _ : state) {
    net::tick_start();
    for (int e = 0; e < core::kElementCount; ++e) {
      net::element_before(e);
      net::element_after(e);
    }
    net::tick_end();
  }
  state.counters["allocs_per_tick"] = benchmark::Counter(
      static_cast<double>(bench_support::allocations.load() - before) /
      static_cast<double>(state.iterations() ? state.iterations() : 1));
  net::set_active_for_test(false, false);
}
BENCHMARK(BM_NetworkStepsOfATick)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
