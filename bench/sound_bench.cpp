// The per-frame 3D update of the sound system with 256 element sounds and
// 500 extra sounds all playing on the loopback device: the listener at the
// hearer, the mixing selection and every element sound moved to its
// element, and the extra sounds' muting past their maximum distance. Target:
// under 0.5 ms a frame and no allocation.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "media/config.h"
#include "media/sound.h"
#include "platform/platform.h"
#include "alloc_count.h"

namespace {

// A second of a 16-bit mono tone at 22,050 Hz.
std::string tone() {
  std::string w = "RIFF";
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) w += static_cast<char>(v >> (8 * i) & 0xFF);
  };
  const uint32_t frames = 22050;
  put(36 + frames * 2, 4);
  w += "WAVEfmt ";
  put(16, 4);
  put(1, 2);
  put(1, 2);
  put(22050, 4);
  put(44100, 4);
  put(2, 2);
  put(16, 2);
  w += "data";
  put(frames * 2, 4);
  for (uint32_t i = 0; i < frames; ++i) put(static_cast<uint32_t>((i * 97) % 20000), 2);
  return w;
}

void BM_SoundFrame(benchmark::State& state) {
  const int32_t mixing = static_cast<int32_t>(state.range(0));
  if (!core::init_memory()) {
    state.SkipWithError("no arena");
    return;
  }
  platform::set_headless(true);
  platform::start_clock();
  const std::string path = "/tmp/quill-sound-bench-" + std::to_string(::getpid()) + ".wav";
  core::write_file_atomic(path, tone());
  media::settings().sound = 3;
  media::settings().sound_mixing = mixing;
  media::start_sound_system();
  if (!media::sound_available()) {
    state.SkipWithError("no loopback device");
    return;
  }
  for (int e = 0; e < core::kElementCount; ++e) {
    int32_t* w = core::element_state(e)->w;
    std::memset(w, 0, sizeof(core::ElementState));
    w[core::kFlags] = core::kFlagOn;
    w[core::kPosition] = (e % 16 - 8) * 512000;
    w[core::kPosition + 2] = (e / 16) * 512000;
    w[core::kVelocity] = 17067;
    media::load_element_sound(e, path, {});
    media::play_element_sound(e);
  }
  for (int k = 0; k < media::kExtraSounds; ++k) {
    const int32_t slot = media::extra_sound_load(path);
    const float p[3] = {static_cast<float>(k % 20), 0, static_cast<float>(k / 20)};
    media::extra_sound_distances(slot, 1, 12);
    media::extra_sound_place(slot, p);
    media::extra_sound_play(slot, true);
  }
  media::SoundListener listener{{0, 0, 0}, {0, 0, 1}, {0, 1, 0}};
  long long allocations = 0, frames = 0;
  for (auto _ : state) {
    // Every element moves and the hearer walks: everything changes.
    for (int e = 0; e < core::kElementCount; ++e) core::element_state(e)->w[core::kPosition] += 569;
    listener.position[2] += 0.01f;
    const long long before = bench_support::allocations.load();
    media::sound_frame(core::kElementCount, &listener);
    allocations += bench_support::allocations.load() - before;
    ++frames;
  }
  state.counters["allocs_per_frame"] = frames ? static_cast<double>(allocations) / static_cast<double>(frames) : 0;
  media::stop_sound_system();
  media::release_sounds();
  std::remove(path.c_str());
}

}  // namespace

BENCHMARK(BM_SoundFrame)->Arg(0)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
