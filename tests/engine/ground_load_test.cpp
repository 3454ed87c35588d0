// Ground maps and 3D-shape grounds through the scene loader, in-process: the
// caches made from models, kept, made again when stale or damaged, the
// default map, and the pair list taken at load.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "engine/builtins.h"
#include "engine/collisions.h"
#include "engine/ground_grid.h"
#include "engine/objects.h"
#include "engine/scene_load.h"
#include "engine/state.h"
#include "engine_tables.h"
#include "media/model3ds.h"
#include "media/shape_file.h"
#include "project/channel_map.h"
#include "project/state.h"
#include "support/builtin_call.h"
#include "support/project_builder.h"
#include "support/temp_folder.h"

namespace {

using testing_support::ElementSpec;
namespace fs = std::filesystem;

constexpr int32_t kMilli = 512;
constexpr char kHills[] = "Initializing boundary element Hills|This is a one-time operation, please wait...";

std::vector<std::string> notices, boxes, warnings;

// Level ground at y = base over a square of half side h, as .3ds triangles
// (world units), with a slope of `slope` along x.
std::vector<media::Triangle> slope_model(float h, float base, float slope) {
  auto p = [&](float x, float z) { return core::Vec3{x, base + slope * x, z}; };
  return {{{p(-h, -h), p(-h, h), p(h, h)}}, {{p(-h, -h), p(h, h), p(h, -h)}}};
}

class GroundLoad : public ::testing::Test {
 protected:
  testing_support::TempFolder folder{"quill-ground"};
  const std::string dir = folder.path();

  void SetUp() override {
    testing_support::fresh_engine_tables();
    project::clear_channels();
    core::State& c = core::state();
    c.folders.program = dir;
    c.stand_alone = 0;
    notices.clear();
    boxes.clear();
    warnings.clear();
    c.notify.notice = [](const std::string& t) { notices.push_back(t); };
    c.notify.warning = [](const std::string& t) { warnings.push_back(t); };
    c.notify.box = [](const std::string& t, const std::string&, const std::string&) {
      boxes.push_back(t);
      return 1;
    };
    ASSERT_TRUE(core::make_folders(dir + "grndmaps"));
    ASSERT_TRUE(core::make_folders(dir + "3dsfiles"));
    ASSERT_TRUE(media::save_3ds(dir + "3dsfiles/default_.3ds", slope_model(3, 0.25f, 0)));
    std::string flat;
    const int32_t t[18] = {-9000, -50, -9000, -9000, -50, 9000, 9000, -50, 9000,
                           -9000, -50, -9000, 9000,  -50, 9000, 9000, -50, -9000};
    ASSERT_TRUE(engine::encode_ground_cache(t, 0, 0, 1u << 24, flat));
    ASSERT_TRUE(core::write_file_atomic(dir + "grndmaps/default_.m3d", flat));
    engine::bind_collision_builtins();
  }
  void TearDown() override {
    core::State& c = core::state();
    c.notify = core::Notifier{};
    c.folders.program.clear();
    c.stand_alone = 0;
  }

  static ElementSpec hills(std::map<int, std::string> more = {}) {
    ElementSpec e{{{1, "Hills"}, {2, "./grndmaps/hills.m3d"}, {36, "12"}}, ""};
    for (const auto& [k, v] : more) e.fields[k] = v;
    return e;
  }
  static void load(const std::vector<ElementSpec>& elements) {
    project::State& p = project::state();
    for (size_t i = 0; i < elements.size(); ++i) p.records[i] = testing_support::record(elements[i]);
    p.last = static_cast<int32_t>(elements.size()) - 1;
    notices.clear();
    ASSERT_TRUE(engine::load_phase());
    engine::initialize_phase();
  }
  // The ground height (milli-units) at a point, -1 for none.
  static int32_t height(int32_t x, int32_t z, int32_t y = 0) {
    const int32_t h = engine::ground_height(x * kMilli, 1000 * kMilli, y * kMilli, z * kMilli);
    return engine::state().collisions.last_triangle < 0 ? -1 : h / kMilli;
  }
  static int made() {
    int n = 0;
    for (const std::string& t : notices) n += t == kHills ? 1 : 0;
    return n;
  }
  // Sets a file's time stamp `seconds` before now.
  void age(const std::string& name, int seconds) const {
    fs::last_write_time(dir + name, fs::file_time_type::clock::now() - std::chrono::seconds(seconds));
  }
  void model(const std::vector<media::Triangle>& t, int age_seconds) {
    ASSERT_TRUE(media::save_3ds(dir + "grndmaps/hills.3ds", t));
    age("grndmaps/hills.3ds", age_seconds);
  }
  engine::GroundCache cache(std::string& bytes) const {
    engine::GroundCache c;
    std::string why;
    EXPECT_TRUE(core::read_file(dir + "grndmaps/hills.m3d", bytes));
    EXPECT_TRUE(engine::read_ground_cache({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, c, why))
        << why;
    return c;
  }
};

TEST_F(GroundLoad, CacheIsMadeOnceFromTheModelAndLoadedIntoTheWorkPool) {
  model(slope_model(20, 1, 0.25f), 100);
  load({{}, hills()});
  ASSERT_EQ(made(), 1);
  const auto at = std::find(notices.begin(), notices.end(), std::string(kHills));
  ASSERT_NE(at + 1, notices.end());
  EXPECT_EQ(*(at + 1), "Loading data, please wait...");
  std::string bytes;
  const engine::GroundCache c = cache(bytes);
  EXPECT_EQ(c.record[3], 40000);
  struct stat st {};
  ASSERT_EQ(stat((dir + "grndmaps/hills.3ds").c_str(), &st), 0);
  EXPECT_EQ(c.record[4], static_cast<int32_t>(st.st_mtime));

  const engine::Object& o = *engine::object(core::element_state(1)->w[core::kFirstObject]);
  EXPECT_EQ(static_cast<uint32_t>(o.w[0]), engine::kTagGroundMap);
  EXPECT_TRUE(core::state().pools.work.contains(static_cast<uint32_t>(o.w[1]), 72));
  EXPECT_EQ(o.w[2] - o.w[1], 72);
  EXPECT_EQ(o.w[3], 40000);
  EXPECT_EQ(o.w[4], c.record[4]);
  EXPECT_EQ(engine::state().collisions.ground_element, 1);
  EXPECT_EQ(height(4000, 3000), 2000);
  EXPECT_EQ(height(21000, 0), -1);

  load({{}, hills()});  // up to date: read, not made
  EXPECT_EQ(made(), 0);
  EXPECT_EQ(height(4000, 3000), 2000);
  // An element with the same aspect shares the map.
  load({{}, hills(), hills({{1, "Copy"}})});
  EXPECT_EQ(engine::state().collisions.ground_element, 2);
  EXPECT_EQ(height(-4000, 3000), 0);
}

TEST_F(GroundLoad, ChangedModelOrDamagedCacheIsMadeAgain) {
  model(slope_model(20, 1, 0), 100);
  load({{}, hills()});
  EXPECT_EQ(height(0, 3000), 1000);
  model(slope_model(20, 3, 0), 50);  // a new time stamp
  load({{}, hills()});
  EXPECT_EQ(made(), 1);
  EXPECT_EQ(height(0, 3000), 3000);

  std::string bytes;
  ASSERT_TRUE(core::read_file(dir + "grndmaps/hills.m3d", bytes));
  ASSERT_TRUE(core::write_file_atomic(dir + "grndmaps/hills.m3d", bytes.substr(0, bytes.size() - 3)));
  load({{}, hills()});
  EXPECT_EQ(made(), 1);
  EXPECT_EQ(height(0, 3000), 3000);
  cache(bytes);

  // Without its model a damaged cache gives way to the default map.
  ASSERT_TRUE(core::write_file_atomic(dir + "grndmaps/hills.m3d", "d3m.garbage"));
  ASSERT_TRUE(core::remove_file(dir + "grndmaps/hills.3ds"));
  load({{}, hills()});
  EXPECT_EQ(made(), 0);
  EXPECT_EQ(height(0, 3000), -50);
  ASSERT_FALSE(warnings.empty());
  EXPECT_NE(warnings.back().find("grndmaps/hills.m3d"), std::string::npos) << warnings.back();
}

TEST_F(GroundLoad, CachesAreKeptWithoutAModelAndInBuiltGames) {
  model(slope_model(20, 1, 0), 100);
  load({{}, hills()});
  std::string before, after;
  ASSERT_TRUE(core::read_file(dir + "grndmaps/hills.m3d", before));
  ASSERT_TRUE(core::remove_file(dir + "grndmaps/hills.3ds"));
  load({{}, hills()});
  EXPECT_EQ(made(), 0);
  ASSERT_TRUE(core::read_file(dir + "grndmaps/hills.m3d", after));
  EXPECT_EQ(before, after);
  EXPECT_EQ(height(0, 3000), 1000);

  // A built game makes no caches: with none, the default map.
  ASSERT_TRUE(core::remove_file(dir + "grndmaps/hills.m3d"));
  model(slope_model(20, 1, 0), 100);
  core::state().stand_alone = 1;
  load({{}, hills()});
  EXPECT_EQ(made(), 0);
  EXPECT_FALSE(core::file_exists(dir + "grndmaps/hills.m3d"));
  EXPECT_EQ(height(0, 3000), -50);
}

TEST_F(GroundLoad, FieldThirtyFourPlacesTheModelLikeTheElement) {
  model(slope_model(2, 0, 0), 100);
  load({{}, hills({{34, "1"}, {5, "100.000"}, {6, "2.000"}, {42, "2.000"}})});
  EXPECT_EQ(made(), 1);
  EXPECT_EQ(height(0, 0), -1);
  EXPECT_EQ(height(103000, 1000), 2000);                                        // scaled twice along x and moved
  load({{}, hills({{34, "1"}, {5, "100.000"}, {6, "5.000"}, {42, "2.000"}})});  // moved: made again
  EXPECT_EQ(made(), 1);
  EXPECT_EQ(height(103000, 1000), 5000);
  load({{}, hills()});  // no transform: made again as the model is
  EXPECT_EQ(made(), 1);
  EXPECT_EQ(height(0, 0), 0);
}

TEST_F(GroundLoad, ModelsOfEveryKindBecomeGroundMaps) {
  const fs::path samples = fs::path(QUILL_TESTDATA);
  if (!fs::exists(samples / "x")) GTEST_SKIP() << "no sample files";
  // An X cube: the ground is its top face.
  fs::copy_file(samples / "x" / "assimp_test_cube_text.x", dir + "grndmaps/hills.x");
  age("grndmaps/hills.x", 300);
  load({{}, hills()});
  EXPECT_EQ(made(), 1);
  const int32_t top = height(0, 0, 100000);
  EXPECT_GT(top, 0);
  EXPECT_EQ(height(0, 0, -100000), -1);  // under the cube's bottom, more than a radius below
  // An X file without triangles: the default 3DS model (at 250 milli-units).
  fs::remove(dir + "grndmaps/hills.x");
  fs::copy_file(samples / "x" / "assimp_invalid_empty.x", dir + "grndmaps/hills.x");
  age("grndmaps/hills.x", 200);
  load({{}, hills()});
  EXPECT_EQ(made(), 1);
  EXPECT_EQ(height(0, 0), 250);
  // A sample .3ds model (the .x is gone).
  fs::remove(dir + "grndmaps/hills.x");
  fs::copy_file(samples / "3ds" / "assimp_RotatingCube.3DS", dir + "grndmaps/hills.3ds");
  age("grndmaps/hills.3ds", 100);
  load({{}, hills()});
  EXPECT_EQ(made(), 1);
  EXPECT_GT(height(0, 0, 100000), 0);
}

TEST_F(GroundLoad, ShapesMarkedAsGroundAreGroundsOfTheirOwn) {
  ASSERT_TRUE(core::make_folders(dir + "3dshapes"));
  media::Shape ground = media::box_shape(5000, 500, 5000, 0x336699, false);
  ground.flags = media::kShapeGround;
  ASSERT_TRUE(media::save_shape(dir + "3dshapes/pad.a3d", ground));
  ASSERT_TRUE(media::save_shape(dir + "3dshapes/crate.a3d", media::box_shape(500, 500, 500, 0xFF0000, false)));
  const ElementSpec pad{{{2, "./3dshapes/pad.a3d"}, {36, "1"}, {5, "20.000"}}, ""};
  const ElementSpec crate{{{2, "./3dshapes/crate.a3d"}, {36, "1"}}, ""};
  load({{}, pad, crate});
  const engine::CollisionState& c = engine::state().collisions;
  EXPECT_EQ(c.shape_ground, 1);
  EXPECT_EQ(c.ground_element, -1);
  EXPECT_EQ(height(24000, 1000), 500);  // the pad's top, around its position
  EXPECT_EQ(height(4000, 1000), -1);
  core::element_state(0)->w[core::kPosition] = 24000 * kMilli;
  EXPECT_EQ(testing_support::call("ground_color", static_cast<int32_t>(core::element_ref(0))), 0x336699);
  // A ground map comes before it.
  model(slope_model(20, 1, 0), 100);
  load({{}, pad, hills()});
  EXPECT_EQ(height(24000, 1000), -1);
  EXPECT_EQ(height(0, 1000), 1000);
}

TEST_F(GroundLoad, PairListIsTakenAtLoadAndNeverGrows) {
  project::set_channel(0, 2, 4);
  project::set_channel(1, 2, 1);
  load({{}, {}, {}});
  engine::CollisionState& c = engine::state().collisions;
  EXPECT_EQ(c.pair_capacity, 3);
  ASSERT_EQ(c.pair_count, 2);
  const int32_t* p = core::at<int32_t>(c.pairs);
  EXPECT_EQ(p[0], static_cast<int32_t>(core::element_ref(2)));  // row-major: (0, 2) first, higher element first
  EXPECT_EQ(p[1], static_cast<int32_t>(core::element_ref(0)));
  EXPECT_EQ(p[2], static_cast<int32_t>(project::channel_colour(4)));
  EXPECT_EQ(p[4], static_cast<int32_t>(core::element_ref(2)));
  EXPECT_EQ(p[5], static_cast<int32_t>(core::element_ref(1)));
  EXPECT_EQ(p[8], -1);
  const uint32_t used = engine::state().scene.work_used;
  for (int a = 0; a < 3; ++a)
    for (int b = a + 1; b < 3; ++b)
      EXPECT_EQ(testing_support::call("collision_map_set", static_cast<int32_t>(core::element_ref(a)),
                                      static_cast<int32_t>(core::element_ref(b)), 9),
                -1);
  EXPECT_EQ(c.pair_count, 3);
  EXPECT_EQ(p[12], -1);
  EXPECT_EQ(engine::state().scene.work_used, used);
}

TEST_F(GroundLoad, MapsLargerThanTheWorkPoolAreRefused) {
  model(slope_model(20, 1, 0), 100);
  load({{}, hills()});
  engine::state().scene.work_used = core::state().pools.work.size - 1000;
  engine::Object o{};
  engine::load_ground_map(o, 1, "./grndmaps/hills.m3d");
  EXPECT_EQ(static_cast<uint32_t>(o.w[0]), engine::kTagGroundMap);
  EXPECT_EQ(o.w[1], 0);
  EXPECT_EQ(engine::state().collisions.grounds[1].block, 0u);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("Hills"), std::string::npos) << boxes[0];
}

}  // namespace
