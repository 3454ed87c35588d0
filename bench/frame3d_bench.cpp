// Frame time of the 3D views in the software rasteriser: 100 visuals of 500
// triangles each, four lights, fog and two cameras side by side, at
// 640x480 and 1024x768 (target: 60 frames per second, 16.7 ms, at 640x480);
// and the time of the scene build (load, initialize and renderer objects)
// of that project.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "engine/draw.h"
#include "engine/hooks.h"
#include "engine/project_builder.h"
#include "engine/scene3d.h"
#include "engine/scene_load.h"
#include "engine/state.h"
#include "media/device.h"
#include "media/model3ds.h"
#include "platform/gl_device.h"
#include "platform/scene.h"
#include "platform/video.h"
#include "project/state.h"
#include "shell/install.h"
#include "alloc_count.h"
#include "headless_bench.h"

namespace {

using testing_support::ElementSpec;

constexpr int kVisuals = 100;

// A ball of 10 rows and 25 columns: 500 triangles.
std::vector<media::Triangle> ball() {
  std::vector<media::Triangle> t;
  const int rows = 10, cols = 25;
  const float pi = 3.14159265f;
  auto p = [&](int r, int c) {
    const float el = pi * (static_cast<float>(r) / rows - 0.5f), az = 2 * pi * static_cast<float>(c) / cols;
    return core::Vec3{std::cos(el) * std::sin(az), std::cos(el) * std::cos(az), std::sin(el)};  // z up, as 3DS files
  };
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      t.push_back({{p(r, c), p(r + 1, c), p(r + 1, c + 1)}});
      t.push_back({{p(r, c), p(r + 1, c + 1), p(r, c + 1)}});
    }
  return t;
}

std::string install_folder() {
  static std::string folder;
  if (!folder.empty()) return folder;
  const std::string made = bench_support::installation("quill-frame3d");
  if (made.empty()) return {};
  if (!media::save_3ds(made + "3dsfiles/ball500.3ds", ball())) return {};
  std::string line = "1||./3dsfiles/ball500.3ds|0|3|0|0";
  for (int k = 8; k <= 31; ++k)
    line += std::string("|") + (k == 25 ? "220" : k == 26 ? "140" : k == 27 ? "60" : k == 29 ? "1" : "0");
  if (!core::write_file_atomic(made + "visuals/ball500.v3d", line + "\r\n")) return {};
  folder = made;
  return folder;
}

// Two cameras side by side looking down the rows of balls, four lights and
// a 10 x 10 grid of visuals.
std::vector<ElementSpec> scene() {
  std::vector<ElementSpec> e;
  e.push_back({{{6, "3"}, {7, "-12"}, {11, "10"}, {37, "0/0/319/479/0/20&40/9"}}, ""});
  e.push_back({{{6, "3"}, {7, "-12"}, {11, "10"}, {12, "20"}, {37, "320/0/639/479/0/20&40/9"}}, ""});
  e.push_back({{{36, "10"}, {2, "-"}, {37, "0/60-60-70/0"}}, ""});
  e.push_back({{{36, "10"}, {2, "-"}, {11, "40"}, {37, "3/255-240-220/0"}}, ""});
  e.push_back({{{36, "10"}, {2, "-"}, {5, "-5"}, {6, "4"}, {37, "1/255-120-80/0"}}, ""});
  e.push_back({{{36, "10"}, {2, "-"}, {5, "5"}, {6, "4"}, {7, "10"}, {37, "1/80-120-255/0"}}, ""});
  for (int i = 0; i < kVisuals; ++i)
    e.push_back({{{36, "11"},
                  {2, "./visuals/ball500.v3d"},
                  {5, std::to_string((i % 10) * 3 - 14)},
                  {7, std::to_string((i / 10) * 3)}},
                 ""});
  return e;
}

bool load_scene(const std::string& folder) {
  core::state().folders.program = folder;
  core::state().folders.data = folder + "data/";
  engine::State& s = engine::state();
  engine::hooks().build_scene = engine::build_scene3d;
  engine::hooks().draw_views = engine::draw_views;
  project::State& p = project::state();
  const std::vector<ElementSpec> elements = scene();
  for (size_t i = 0; i < elements.size(); ++i) p.records[i] = testing_support::record(elements[i]);
  p.last = static_cast<int32_t>(elements.size()) - 1;
  if (!engine::load_phase()) return false;
  engine::initialize_phase();
  s.views.fog_enabled = true;
  s.drawing.fog_start = 10 * 512;
  s.drawing.fog_end = 40 * 512;
  engine::apply_fog();
  return true;
}

bool start(int32_t mode, const std::string& folder) {
  media::EngineSettings settings;
  settings.display_mode = mode;
  return media::start_device(settings, folder + "config.ini", false);
}

void BM_Frame3d(benchmark::State& state) {
  const int32_t mode = static_cast<int32_t>(state.range(0));
  const std::string folder = install_folder();
  if (folder.empty() || !start(mode, folder)) {
    state.SkipWithError("no installation or device");
    return;
  }
  if (!load_scene(folder)) {
    state.SkipWithError("load failed");
    media::stop_device();
    return;
  }
  int32_t turn = 0;
  auto draw = [&] {
    // Every visual turns a little each frame, as brains would move them.
    turn += 512;
    for (int e = 6; e < 6 + kVisuals; ++e) core::element_state(e)->w[core::kRotation + 1] = turn + e * 1000;
    engine::draw_frame();
    platform::frame_finish();
  };
  // The first frames build the rasteriser's shaders.
  for (int warm = 0; warm < 5; ++warm) draw();
  const long long allocations_before = bench_support::allocations.load();
  for (auto _ : state) draw();
  state.counters["allocs_per_frame"] = benchmark::Counter(
      static_cast<double>(bench_support::allocations.load() - allocations_before) /
      static_cast<double>(state.iterations() ? state.iterations() : 1));
  const media::DisplayMode m = media::display_mode_info(mode);
  // Share of the frame the balls cover (a check that the views see them).
  std::vector<uint8_t> rgba(static_cast<size_t>(m.width) * m.height * 4);
  if (platform::frame_read(rgba.data(), m.width, m.height)) {
    size_t warm = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) warm += rgba[i] > rgba[i + 2] + 30;
    state.counters["ball_share"] = static_cast<double>(warm) / (static_cast<double>(m.width) * m.height);
  }
  state.SetLabel(std::to_string(m.width) + "x" + std::to_string(m.height) + ", " + std::to_string(kVisuals * 500) +
                 " triangles, 2 cameras");
  engine::release_scene3d();
  media::stop_device();
}
BENCHMARK(BM_Frame3d)->Arg(2)->Arg(32)->Unit(benchmark::kMillisecond)->UseRealTime();

// The virtual editor's view of the same scene: the markers around the
// element being edited join the frame (a frame of the editor must cost no
// more than one of a test run).
void BM_VirtualEditorFrame(benchmark::State& state) {
  const std::string folder = install_folder();
  if (folder.empty() || !start(2, folder)) {
    state.SkipWithError("no installation or device");
    return;
  }
  engine::set_editor_scene(true);
  const bool loaded = load_scene(folder);
  engine::set_editor_scene(false);
  if (!loaded) {
    state.SkipWithError("load failed");
    media::stop_device();
    return;
  }
  int element = 6;
  auto draw = [&] {
    element = element + 1 < 6 + kVisuals ? element + 1 : 6;
    engine::show_editor_markers(element);
    engine::draw_frame();
    platform::frame_finish();
  };
  for (int warm = 0; warm < 5; ++warm) draw();
  const long long allocations_before = bench_support::allocations.load();
  for (auto _ : state) draw();
  state.counters["allocs_per_frame"] = benchmark::Counter(
      static_cast<double>(bench_support::allocations.load() - allocations_before) /
      static_cast<double>(state.iterations() ? state.iterations() : 1));
  state.SetLabel("640x480, markers on one of " + std::to_string(kVisuals) + " visuals");
  engine::release_scene3d();
  media::stop_device();
}
BENCHMARK(BM_VirtualEditorFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SceneBuild(benchmark::State& state) {
  const std::string folder = install_folder();
  if (folder.empty() || !start(2, folder)) {
    state.SkipWithError("no installation or device");
    return;
  }
  for (auto _ : state) {
    if (!load_scene(folder)) {
      state.SkipWithError("load failed");
      break;
    }
    state.PauseTiming();
    engine::release_scene3d();
    state.ResumeTiming();
  }
  state.SetLabel(std::to_string(kVisuals) + " visuals, hood models included");
  media::stop_device();
}
BENCHMARK(BM_SceneBuild)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return bench_support::headless_main(argc, argv); }
