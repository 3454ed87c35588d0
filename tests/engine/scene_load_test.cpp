// Loading and initializing elements in-process: start values with their
// random ranges, which apply only while a run is starting.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "core/angles.h"
#include "core/element_state.h"
#include "core/state.h"
#include "engine/scene_load.h"
#include "engine/state.h"
#include "project/state.h"
#include "support/project_builder.h"

namespace {

using testing_support::ElementSpec;

// Eight cameras at x = 2.0 with a range of 1.0 on x and 90 degrees on the
// y rotation, loaded with the run flag as given; their x positions.
std::set<int32_t> load_ranged(bool running, std::set<int32_t>* rotations = nullptr) {
  project::State& p = project::state();
  ElementSpec e{{{5, "2.000"}, {8, "1.000"}, {12, "0"}, {15, "90"}}, ""};
  for (int i = 0; i < 8; ++i) p.records[static_cast<size_t>(i)] = testing_support::record(e);
  p.last = 7;
  engine::state().loop.run_flag = running;
  EXPECT_TRUE(engine::load_phase());
  engine::initialize_phase();
  engine::state().loop.run_flag = false;
  std::set<int32_t> xs;
  for (int i = 0; i < 8; ++i) {
    xs.insert(core::element_state(i)->w[core::kPosition]);
    if (rotations) rotations->insert(core::element_state(i)->w[core::kRotation + 1]);
  }
  return xs;
}

TEST(SceneLoad, RandomRangesApplyOnlyWhileARunStarts) {
  core::state().folders.program = "/nonexistent/";
  const std::string random = core::make_random_table();
  std::memcpy(core::state().pools.random.bytes(), random.data(), random.size());
  EXPECT_EQ(load_ranged(false), (std::set<int32_t>{1024000}));
  std::set<int32_t> rotations;
  const std::set<int32_t> xs = load_ranged(true, &rotations);
  EXPECT_GT(xs.size(), 1u);
  EXPECT_GE(*xs.begin(), 512000);
  EXPECT_LE(*xs.rbegin(), 1536000);
  EXPECT_GT(rotations.size(), 1u);
  EXPECT_GE(*rotations.begin(), -46080);
  EXPECT_LE(*rotations.rbegin(), 46080);
}

}  // namespace
