// Frame time of the 2D layers in the software rasteriser: a full-screen
// frame image, 50 sprites, 10 counters and 20 lines of overlay text, drawn
// and finished at each display mode. Target: under 5 ms at 1024x768.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/element_state.h"
#include "core/state.h"
#include "engine/draw.h"
#include "engine/scene_load.h"
#include "engine/state.h"
#include "engine/project_builder.h"
#include "media/device.h"
#include "media/overlay.h"
#include "platform/gl_device.h"
#include "platform/video.h"
#include "project/state.h"
#include "shell/install.h"
#include "alloc_count.h"
#include "headless_bench.h"

namespace {

using testing_support::ElementSpec;

std::string install_folder() { return bench_support::installation("quill-frame2d"); }

std::vector<ElementSpec> layers() {
  std::vector<ElementSpec> e;
  e.push_back({{{36, "6"}, {2, "./frames/default_.pcx"}}, ""});
  for (int i = 0; i < 50; ++i)
    e.push_back({{{36, "5"},
                  {2, "./sprites/default_.pcx"},
                  {5, std::to_string(20 + i * 97 % 900)},
                  {6, std::to_string(10 + i * 53 % 650)},
                  {37, "0/0/1023/767/0"}},
                 ""});
  for (int i = 0; i < 10; ++i)
    e.push_back({{{36, "8"},
                  {2, "./counters/default_.pcx"},
                  {5, std::to_string(30 + i * 60)},
                  {6, std::to_string(400 + i * 30)},
                  {29, std::to_string(123456 * (i + 1))},
                  {37, "1000000/10/1/0/0"}},
                 ""});
  return e;
}

void BM_Frame2d(benchmark::State& state) {
  const int32_t mode = static_cast<int32_t>(state.range(0));
  const std::string folder = install_folder();
  if (folder.empty()) {
    state.SkipWithError("no installation");
    return;
  }
  core::state().folders.program = folder;
  media::EngineSettings settings;
  settings.display_mode = mode;
  if (!media::start_device(settings, folder + "config.ini", false)) {
    state.SkipWithError("no device");
    return;
  }
  project::State& p = project::state();
  const std::vector<ElementSpec> elements = layers();
  for (size_t i = 0; i < elements.size(); ++i) p.records[i] = testing_support::record(elements[i]);
  p.last = static_cast<int32_t>(elements.size()) - 1;
  if (!engine::load_phase()) {
    state.SkipWithError("load failed");
    media::stop_device();
    return;
  }
  engine::initialize_phase();
  media::overlay_fonts_reset();
  core::ElementState& frame = *core::element_state(0);
  auto draw = [&] {
    frame.w[core::kExtent] = 2;  // the frame image drawn every time
    media::overlay_clear();
    for (int line = 0; line < 20; ++line) {
      media::overlay_position(20, 20 + line * 34);
      media::overlay_text("The quick brown fox jumps over the lazy dog", 0);
    }
    engine::draw_frame();
    platform::frame_finish();
  };
  // The first frames build glyphs and the rasteriser's shaders.
  for (int warm = 0; warm < 5; ++warm) draw();
  const long long allocations_before = bench_support::allocations.load();
  for (auto _ : state) draw();
  state.counters["allocs_per_frame"] = benchmark::Counter(
      static_cast<double>(bench_support::allocations.load() - allocations_before) /
      static_cast<double>(state.iterations() ? state.iterations() : 1));
  const media::DisplayMode m = media::display_mode_info(mode);
  state.SetLabel(std::to_string(m.width) + "x" + std::to_string(m.height) + "x" + std::to_string(m.bits));
  media::stop_device();
}
BENCHMARK(BM_Frame2d)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return bench_support::headless_main(argc, argv); }
