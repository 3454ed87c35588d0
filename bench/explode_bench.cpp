// The explode tool's generator: a mesh of 10,000 triangles exploded over 30
// frames, each frame encoded as a .3ds file with both windings (target:
// under 1 s for all of it). Writing the files is left out, so that the disk
// does not decide the figure.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "core/angles.h"
#include "core/state.h"
#include "editors/explode.h"
#include "media/model3ds.h"

namespace {

void BM_Explode(benchmark::State& state) {
  core::init_memory();
  const std::string t = core::make_sinusbig_table();
  std::memcpy(core::state().pools.sinusbig.bytes(), t.data(), t.size());
  std::vector<media::Triangle> mesh;
  for (int i = 0; i < 10000; ++i) {
    const float x = static_cast<float>(i % 100), z = static_cast<float>(i / 100);
    mesh.push_back({{{x, 0, z}, {x + 1, 0, z}, {x, 0.5f, z + 1}}});
  }
  const editors::ExplodeScript script = editors::parse_explode_script(editors::default_explode_script());
  size_t bytes = 0;
  for (auto _ : state) {
    editors::explode_triangles(mesh, script, 1, [&](int32_t, std::span<const media::Triangle> frame) {
      bytes += media::encode_3ds(frame, true).size();
    });
  }
  benchmark::DoNotOptimize(bytes);
  state.SetLabel("10,000 triangles, 30 frames");
}
BENCHMARK(BM_Explode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
