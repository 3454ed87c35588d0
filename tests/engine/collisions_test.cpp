// The collision pass and the collision, ground and volume built-ins on
// element states set up in-process.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "brain/bind.h"
#include "brain/table.h"
#include "core/element_state.h"
#include "engine/builtins.h"
#include "engine/collisions.h"
#include "engine/ground_grid.h"
#include "engine/objects.h"
#include "engine/state.h"
#include "engine_tables.h"
#include "project/channel_map.h"
#include "support/builtin_call.h"

namespace {

using testing_support::call;
using V3 = std::array<int32_t, 3>;
constexpr int kPos = core::kPosition, kVel = core::kVelocity, kBits = core::kCollisionBits;
constexpr int32_t kMilli = 512;  // position units of a milli-unit

// Four visuals (objects 0-3), on with collisions on, element IDs 1, 2, 4, 8,
// radius 5 milli-units, at the origin; no channels.
class Collisions : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::fresh_engine_tables();
    project::clear_channels();
    engine::State& s = engine::state();
    s.scene.element_count = 4;
    s.scene.object_count = 4;
    s.scene.work_used = 0;
    engine::reset_collisions();
    for (int i = 0; i < 4; ++i) {
      engine::objects()[i].w[0] = static_cast<int32_t>(engine::kTagVisual);
      w(i)[core::kCurrentObject] = i;
      w(i)[core::kFlags] = core::kFlagOn | core::kFlagCollisions;
      w(i)[core::kElementId] = 1 << i;
      w(i)[core::kRadius] = 5;
    }
    engine::bind_collision_builtins();
  }
  static int32_t e(int i) { return static_cast<int32_t>(core::element_ref(i)); }
  static int32_t* w(int i) { return core::element_state(i)->w; }
  static void put(int i, int word, V3 v) { std::memcpy(w(i) + word, v.data(), 12); }
  static V3 get(int i, int word) { return {w(i)[word], w(i)[word + 1], w(i)[word + 2]}; }
  static void box(int i, V3 max, V3 min) {
    put(i, core::kExtent, max);
    put(i, core::kExtent + 3, min);
  }
  // Channels, then the pair list as a load makes it, then one pass.
  static void pass_with(std::initializer_list<std::array<int, 3>> channels) {
    for (const auto& c : channels) project::set_channel(c[0], c[1], c[2]);
    engine::prepare_collision_pairs();
    engine::collision_pass();
  }
  static void pass() { engine::collision_pass(); }

  // A ground grid in the work pool for element g: a ground map, or with
  // colours a 3D-shape ground.
  static void use_ground(int g, const std::vector<int32_t>& triangles, const std::vector<int32_t>& colours = {}) {
    const int32_t d = engine::ground_half_width(triangles, 0, 0);
    std::string block;
    ASSERT_TRUE(engine::build_ground_block(triangles, d, 0, 0, 1u << 24, block));
    const uint32_t at = engine::work_alloc(static_cast<uint32_t>(block.size() + 4 * colours.size()));
    ASSERT_NE(at, 0u);
    std::memcpy(core::at<uint8_t>(at), block.data(), block.size());
    const uint32_t colour_at = colours.empty() ? 0 : at + static_cast<uint32_t>(block.size());
    if (colour_at) std::memcpy(core::at<uint8_t>(colour_at), colours.data(), 4 * colours.size());
    engine::CollisionState& c = engine::state().collisions;
    c.grounds[g] = {
        at, static_cast<uint32_t>(triangles.size() / 9 * 36), static_cast<uint32_t>(block.size()), colour_at, d, 0, 0};
    (colours.empty() ? c.ground_element : c.shape_ground) = g;
  }
};

// A square of half side h (milli-units) at height y = slope x x + base.
std::vector<int32_t> square(int32_t h, int32_t base, double slope = 0) {
  auto y = [&](int32_t x) { return static_cast<int32_t>(base + slope * x); };
  return {-h, y(-h), -h, -h, y(-h), h, h, y(h), h, -h, y(-h), -h, h, y(h), h, h, y(h), -h};
}

TEST_F(Collisions, SpheresTouchBelowTheSumOfTheRadii) {
  project::set_channel(0, 1, 1);
  engine::prepare_collision_pairs();
  for (int axis = 0; axis < 3; ++axis)
    for (int sign : {1, -1}) {
      put(1, kPos, {0, 0, 0});
      w(1)[kPos + axis] = sign * 9 * kMilli;
      pass();
      EXPECT_EQ(w(0)[kBits], 2) << axis << " " << sign;
      EXPECT_EQ(w(1)[kBits], 1);
      w(1)[kPos + axis] = sign * 10 * kMilli;
      pass();
      EXPECT_EQ(w(0)[kBits], 0) << axis << " " << sign;
      EXPECT_EQ(w(1)[kBits], 0);
    }
  // Within each axis but not within the sphere: 4, 4, 4 is 6.93 milli-units away.
  put(1, kPos, {4 * kMilli, 4 * kMilli, 4 * kMilli});
  w(0)[core::kRadius] = w(1)[core::kRadius] = 3;
  pass();
  EXPECT_EQ(w(0)[kBits], 0);
  w(0)[core::kRadius] = w(1)[core::kRadius] = 4;
  pass();
  EXPECT_EQ(w(0)[kBits], 2);
  EXPECT_EQ(call("collision_check", e(0), e(1)), -1);
  EXPECT_EQ(call("collision_check", e(0), e(2)), -1);  // channels and the pass aside
}

TEST_F(Collisions, OnlyEnabledPairsOfNonZeroChannelsAreTested) {
  pass_with({{0, 2, 5}});  // 0 and 1 share channel 0; 0 and 2 meet on channel 5
  EXPECT_EQ(w(0)[kBits], 4);
  EXPECT_EQ(w(1)[kBits], 0);
  EXPECT_EQ(w(2)[kBits], 1);
  EXPECT_EQ(engine::state().collisions.pair_count, 1);
  EXPECT_EQ(engine::state().collisions.pair_capacity, 6);

  // Off, or collisions off, on either side: skipped; bits cleared next pass.
  w(2)[core::kFlags] &= ~core::kFlagOn;
  pass();
  EXPECT_EQ(w(0)[kBits], 0);
  EXPECT_EQ(w(2)[kBits], 0);
  w(2)[core::kFlags] |= core::kFlagOn;
  call("collisions_off", e(0));
  pass();
  EXPECT_EQ(w(2)[kBits], 0);
  call("collisions_on", e(0));
  w(0)[core::kFlags] |= core::kFlagDisabled;  // a disabled brain still collides
  pass();
  EXPECT_EQ(w(2)[kBits], 1);
}

TEST_F(Collisions, SquaresThatOverflowCountAsInfinitelyFar) {
  pass_with({{0, 1, 1}});
  w(0)[core::kRadius] = w(1)[core::kRadius] = 60000;
  put(1, kPos, {40000 * kMilli, 0, 0});
  pass();
  EXPECT_EQ(w(0)[kBits], 2);
  put(1, kPos, {50000 * kMilli, 0, 0});  // 50000^2 does not fit 31 bits
  pass();
  EXPECT_EQ(w(0)[kBits], 0);
  put(0, kPos, {INT32_MIN, 0, 0});  // far apart, however the difference wraps
  put(1, kPos, {INT32_MAX, 0, 0});
  w(0)[core::kRadius] = w(1)[core::kRadius] = INT32_MAX;
  pass();
  EXPECT_EQ(w(0)[kBits], 0);
}

TEST_F(Collisions, BoxesAreTestedOnlyWhenBothHaveBoxCollisions) {
  pass_with({{0, 1, 1}});
  for (int i : {0, 1}) box(i, {1000, 100, 100}, {-1000, -100, -100});
  w(0)[core::kRadiusMax] = w(1)[core::kRadiusMax] = 1005;
  put(1, kPos, {1500 * kMilli, 0, 0});
  call("box_collisions_on", e(0));
  pass();
  EXPECT_EQ(w(0)[kBits], 0);  // one box: spheres of radius 5
  call("box_collisions_on", e(1));
  pass();
  EXPECT_EQ(w(0)[kBits], 2);  // the box ends overlap
  EXPECT_EQ(w(0)[core::kFlags] & core::kFlagBoxCollisions, core::kFlagBoxCollisions);

  // Beside each other in z: within radius_max, boxes apart.
  put(1, kPos, {0, 0, 300 * kMilli});
  pass();
  EXPECT_EQ(w(0)[kBits], 0);
  // Element 1 turned a quarter: the two bars cross like a plus sign, no
  // corner of either inside the other.
  w(1)[core::kRotation + 1] = 46080;
  pass();
  EXPECT_EQ(w(0)[kBits], 2);
  // One above the other.
  put(1, kPos, {0, 250 * kMilli, 0});
  pass();
  EXPECT_EQ(w(0)[kBits], 0);
  put(1, kPos, {0, 200 * kMilli, 0});  // the top touches the bottom
  pass();
  EXPECT_EQ(w(0)[kBits], 2);
  // A box of no area never hits.
  box(1, {1000, 100, 0}, {-1000, -100, 0});
  pass();
  EXPECT_EQ(w(0)[kBits], 0);
  call("box_collisions_off", e(1));
  EXPECT_EQ(w(1)[core::kFlags] & core::kFlagBoxCollisions, 0);
}

TEST_F(Collisions, ChannelChangesLastForTheRunAndRebuildThePairs) {
  pass_with({{0, 1, 2}});
  EXPECT_EQ(w(1)[kBits], 1);
  EXPECT_EQ(call("collision_map", e(1), e(0)), 2);
  EXPECT_EQ(call("collision_map_set", e(1), e(0), 0), -1);
  EXPECT_EQ(project::channel(0, 1), 0);
  EXPECT_EQ(engine::state().collisions.pair_count, 0);
  pass();  // the bits of the dropped pair do not linger
  EXPECT_EQ(w(0)[kBits], 0);
  EXPECT_EQ(w(1)[kBits], 0);

  EXPECT_EQ(call("collision_map_set", e(2), e(3), 11), -1);
  pass();
  EXPECT_EQ(w(3)[kBits], 4);
  EXPECT_EQ(call("collision_color", static_cast<int32_t>(project::channel_colour(11))), -1);
  EXPECT_EQ(call("collision_color", static_cast<int32_t>(project::channel_colour(2))), 0);
  EXPECT_EQ(call("collision_color", 0), 0);  // the colour of pairs that did not touch

  // Refused: channel out of range, one element, kinds outside the list,
  // elements past the project's last one.
  EXPECT_EQ(call("collision_map_set", e(2), e(3), 12), 0);
  EXPECT_EQ(call("collision_map_set", e(2), e(3), -1), 0);
  EXPECT_EQ(call("collision_map_set", e(2), e(2), 1), 0);
  engine::objects()[3].w[0] = static_cast<int32_t>(engine::kTagSprite);
  EXPECT_EQ(call("collision_map_set", e(2), e(3), 1), 0);
  engine::objects()[3].w[0] = static_cast<int32_t>(engine::kTagCamera);
  EXPECT_EQ(call("collision_map_set", e(2), e(3), 1), -1);
  EXPECT_EQ(call("collision_map_set", e(2), e(4), 1), 0);
  EXPECT_EQ(project::channel(2, 3), 1);
}

TEST_F(Collisions, RangesAndListsOfElements) {
  for (int i = 0; i < 4; ++i) w(i)[kBits] = 16 << i;
  EXPECT_EQ(call("collision", e(2), 0x70), 0x40);
  EXPECT_EQ(call("collision_range", e(1), -1, e(2)), 0x60);
  EXPECT_EQ(call("collision_range", e(1), 0x20, e(200)), 0x20);  // past the last element: to the last
  EXPECT_EQ(call("collision_range", e(2), -1, e(1)), 0);
  EXPECT_EQ(call("collision_range", e(1), -1, e(255) + 4096), 0xE0);
  EXPECT_EQ(call("collision_list", e(0), 2, 2), 0x50);
  EXPECT_EQ(call("collision_list", e(3), 9, -1), 0xF0);
  EXPECT_EQ(call("collision_list", e(1), 5, 0), 0x20);
  EXPECT_EQ(call("collision_list", e(1), 0, 1), 0);
  EXPECT_EQ(call("collision_list", e(0), 2, 2048), 0x50);  // a stride of two records' bytes
}

TEST_F(Collisions, WordsRadiiAndAreas) {
  w(0)[core::kRadius] = 7;
  w(0)[core::kRadiusMax] = -3;
  box(0, {1, 2, 3}, {-4, -5, -6});
  EXPECT_EQ(call("radius", e(0)), 7 * 512);
  EXPECT_EQ(call("radius_max", e(0)), -3 * 512);
  EXPECT_EQ(call("dimension_abs", e(0), 5), 5 * 512);
  EXPECT_EQ(call("dimension_abs", e(0), 7), 0);
  put(0, kPos, {100, 0, -100});
  EXPECT_EQ(call("inside_area_xz", e(0), 100, 200, -100, 0), -1);
  EXPECT_EQ(call("inside_area_xz", e(0), 101, 200, -100, 0), 0);
}

TEST_F(Collisions, ReboundExchangesVelocitiesAlongTheLineOfCentres) {
  put(1, kPos, {1000 * kMilli, 0, 0});
  put(0, kVel, {3000, 0, 700});
  put(1, kVel, {-1000, 0, 0});
  EXPECT_EQ(call("rebound", e(0), e(1)), -1);
  EXPECT_NEAR(w(0)[kVel], -1000, 2);
  EXPECT_NEAR(w(0)[kVel + 2], 700, 2);  // across the line: kept
  EXPECT_NEAR(w(1)[kVel], 3000, 2);
  // Now parting: a second call changes nothing.
  EXPECT_EQ(call("rebound", e(0), e(1)), 0);
  EXPECT_NEAR(w(0)[kVel], -1000, 2);
  // Along a diagonal line the momentum is kept.
  put(1, kPos, {1000 * kMilli, 0, 1000 * kMilli});
  put(0, kVel, {2000, 0, 0});
  put(1, kVel, {0, 0, 0});
  call("rebound", e(0), e(1));
  EXPECT_NEAR(w(0)[kVel] + w(1)[kVel], 2000, 4);
  EXPECT_NEAR(w(1)[kVel], 1000, 4);
  EXPECT_NEAR(w(1)[kVel + 2], 1000, 4);
}

TEST_F(Collisions, ReboundYrSpinsAwayFromTheSideOfTheContact) {
  put(0, kVel, {0, 0, 25000});
  w(0)[core::kSpin + 1] = 0x1FF;
  put(1, kPos, {300 * kMilli, 0, 500 * kMilli});  // ahead on the right
  call("rebound_yr", e(0), e(1));
  EXPECT_EQ(w(0)[core::kSpin + 1], 0x100 - 100);
  put(1, kPos, {-300 * kMilli, 0, 500 * kMilli});
  call("rebound_yr_factor", 1000);
  call("rebound_yr", e(0), e(1));
  EXPECT_EQ(w(0)[core::kSpin + 1], 25);  // low byte cleared first, then + 25000 / 1000
  call("rebound_yr_factor", 0);          // refused: the factor stays
  EXPECT_EQ(engine::state().collisions.rebound_yr_factor, 1000);
}

TEST_F(Collisions, SightAndTheNearestElement) {
  // Element 0 looks along +z; element 1 is 10 units ahead, 0.3 units aside.
  put(1, kPos, {300 * kMilli, 0, 10000 * kMilli});
  w(1)[core::kRadius] = 200;
  EXPECT_EQ(call("sight", e(0), e(1), 20000 * kMilli, 128), -1);
  EXPECT_EQ(call("sight", e(0), e(1), 20000 * kMilli, 256), 1);  // radius x 2
  EXPECT_EQ(call("sight", e(0), e(1), 5000 * kMilli, 256), -1);  // too short
  w(0)[core::kRotation + 1] = 92160;                             // facing away
  EXPECT_EQ(call("sight", e(0), e(1), 20000 * kMilli, 256), -1);
  w(0)[core::kRotation + 1] = 0;
  w(1)[core::kFlags] = 0;
  EXPECT_EQ(call("sight", e(0), e(1), 20000 * kMilli, 256), -1);
  EXPECT_EQ(call("sight", e(0), 0, 20000 * kMilli, 256), 0);

  w(1)[core::kFlags] = core::kFlagOn;
  put(2, kPos, {0, 0, 2000 * kMilli});
  put(3, kPos, {0, -2000 * kMilli, 0});  // as near as element 2: the earlier wins
  EXPECT_EQ(call("nearest_element", e(0), 0xE), e(2));
  EXPECT_EQ(call("nearest_element", e(0), 0xA), e(3));
  EXPECT_EQ(call("nearest_element", e(0), 0x1), 0);
}

TEST_F(Collisions, GroundRowsOnASlope) {
  use_ground(3, square(20000, 0, 0.5));  // y = x / 2
  put(0, kPos, {4000 * kMilli, 9000 * kMilli, 0});
  EXPECT_EQ(call("ground_level", e(0)), 2000 * kMilli);
  EXPECT_EQ(call("agl", e(0)), 7000 * kMilli);
  EXPECT_EQ(call("aglevel", e(0)), call("above_ground_level", e(0)));
  put(0, kVel, {0, -77, 0});
  call("over_ground", e(0), 512000);
  EXPECT_EQ(w(0)[kPos + 1], 2000 * kMilli + 512000);
  EXPECT_EQ(w(0)[kVel + 1], 0);
  EXPECT_EQ(call("ground_slope", e(0)), 20607);  // 46080 sin(atan 0.5), truncated

  call("over_ground_g", e(0), 0, 1000);  // downhill is -x
  EXPECT_EQ(w(0)[kVel], -400);
  EXPECT_EQ(w(0)[kVel + 2], 0);

  box(0, {1000, 500, 1000}, {-1000, -500, -1000});
  put(0, core::kSpin, {9, 9, 9});
  call("over_ground_slope", e(0), 100, 0);
  EXPECT_EQ(w(0)[kPos + 1], 2000 * kMilli + 100);
  EXPECT_EQ(w(0)[core::kRotation], 0);
  EXPECT_NEAR(w(0)[core::kRotation + 2], 13601, 100);  // the right side is higher: 26.6 degrees
  EXPECT_EQ(get(0, core::kSpin), (V3{0, 9, 0}));
  w(0)[core::kRotation + 1] = 46080;  // turned a quarter: the slope runs front to back
  call("over_ground_slope", e(0), 0, 0);
  EXPECT_NEAR(w(0)[core::kRotation], 13601, 100);
  EXPECT_EQ(w(0)[core::kRotation + 2], 0);

  // Off the map: no ground, no triangle.
  put(0, kPos, {30000 * kMilli, 5, 0});
  EXPECT_EQ(call("ground_level", e(0)), 0);
  EXPECT_EQ(call("ground_slope", e(0)), 0);
}

TEST_F(Collisions, GroundReboundAndTheChoiceOfGround) {
  use_ground(2, square(20000, 1000));
  use_ground(3, square(20000, 3000));
  w(0)[core::kRadius] = 100;
  put(0, kPos, {0, 1050 * kMilli, 0});  // the ball reaches below the ground at 3000
  put(0, kVel, {10, -1000, 0});
  EXPECT_EQ(call("boundary_rebound", e(0), 256), -1);
  EXPECT_EQ(w(0)[kPos + 1], 3100 * kMilli);
  EXPECT_EQ(get(0, kVel), (V3{10, 500, 0}));
  EXPECT_EQ(call("ground_color_rebound", e(0), 512), 0);  // on the ground, moving up

  EXPECT_EQ(call("ground_set", e(2)), -1);
  EXPECT_EQ(call("ground_level", e(0)), 1000 * kMilli);
  EXPECT_EQ(call("ground_set", e(1)), 0);  // no ground of its own: unchanged
  EXPECT_EQ(call("ground_level", e(0)), 1000 * kMilli);
  EXPECT_EQ(call("ground_slope", e(0)), 0);  // level
  EXPECT_EQ(call("ground_color", e(0)), 0);  // no 3D-shape ground
}

TEST_F(Collisions, ShapeGroundsHaveColoursAndGiveWayToGroundMaps) {
  std::vector<int32_t> t = square(5000, -200);
  use_ground(1, t, {0x00FF00, 0x0000FF});
  put(0, kPos, {-4000 * kMilli, 0, 1000 * kMilli});
  EXPECT_EQ(call("ground_color", e(0)), 0x00FF00);
  EXPECT_EQ(call("ground_level", e(0)), -200 * kMilli);
  put(0, kPos, {4000 * kMilli, 0, -1000 * kMilli});
  EXPECT_EQ(call("ground_color", e(0)), 0x0000FF);
  put(0, kPos, {6000 * kMilli, 0, 0});
  EXPECT_EQ(call("ground_color", e(0)), 0);
  put(0, kPos, {0, 0, 0});
  use_ground(2, square(20000, 700));  // a ground map comes first
  EXPECT_EQ(call("ground_level", e(0)), 700 * kMilli);
  EXPECT_EQ(call("ground_set", e(1)), -1);
  EXPECT_EQ(call("ground_level", e(0)), -200 * kMilli);
}

TEST_F(Collisions, VolumesKeepElementsInsideTheirBox) {
  box(3, {10000, 5000, 2000}, {-10000, -5000, -2000});
  put(3, kPos, {1000 * kMilli, 0, 0});
  EXPECT_EQ(call("inside_volume", e(0)), 0);  // no volume yet
  EXPECT_EQ(call("volume_set", e(3)), -1);
  EXPECT_EQ(call("inside_volume", e(0)), -1);
  EXPECT_EQ(call("inside_volume", e(3)), 0);
  put(0, kPos, {1000 * kMilli, 0, 2001 * kMilli});
  EXPECT_EQ(call("inside_volume", e(0)), 0);

  // Through the +z wall, moving out: back at the wall less the radius,
  // the outward velocity reversed at half speed.
  w(0)[core::kRadius] = 100;
  put(0, kVel, {50, 0, 800});
  EXPECT_EQ(call("volume_rebound", e(0), 512, 512, 256), -1);
  EXPECT_EQ(w(0)[kPos + 2], 1900 * kMilli);
  EXPECT_EQ(get(0, kVel), (V3{50, 0, -400}));
  EXPECT_EQ(call("volume_rebound", e(0), 512, 512, 256), 0);

  // Turned a quarter, the volume's x axis runs along world -z.
  w(3)[core::kRotation + 1] = 46080;
  put(0, kPos, {1000 * kMilli, 0, 0});
  EXPECT_EQ(call("volume_slide", e(0), 0, 0, 12000 * kMilli, 0), -1);
  EXPECT_EQ(get(0, kPos), (V3{1000 * kMilli, 0, 9900 * kMilli}));
  // Sliding 1.5 units along world x while held 500 from the face at
  // world z = 10000: the velocity into that face is taken away.
  put(0, kVel, {300, 0, 300});
  EXPECT_EQ(call("volume_slide", e(0), 1500 * kMilli, 0, 0, 500), -1);
  EXPECT_EQ(get(0, kPos), (V3{2500 * kMilli, 0, 9500 * kMilli}));
  EXPECT_EQ(get(0, kVel), (V3{300, 0, 0}));
}

// Rows of the family given anything but an element answer 0 and change no
// element.
TEST_F(Collisions, HostileHandlesChangeNothing) {
  const int32_t bad[] = {static_cast<int32_t>(e(0) | 0x80000000u), e(0) + 4, e(0) - 1024, 0, -1};
  const std::string no_handle = " collision_color rebound_yr_factor ";
  const std::string hits =
      " bottom visual_ray h_poly_collision h_cpoint_x h_cpoint_y h_cpoint_z h_cnormal_x h_cnormal_y "
      "h_cnormal_z ";
  use_ground(3, square(20000, 100));
  for (int i = 0; i < 4; ++i)
    for (int word = kPos; word < 45; ++word) w(i)[word] += word * 1000 + i;
  const core::Pool& pool = core::state().pools.element_state;
  const std::vector<uint8_t> before(pool.bytes(), pool.bytes() + pool.size);
  for (int r = 0; r < brain::kRowCount; ++r) {
    const std::string name(brain::row(r).name);
    if (brain::row(r).family != brain::Family::kCollisions || no_handle.find(" " + name + " ") != std::string::npos ||
        hits.find(" " + name + " ") != std::string::npos)
      continue;
    EXPECT_FALSE(brain::is_placeholder(r)) << name;
    for (int32_t h : bad) EXPECT_EQ(call(name, h, e(1), 5, 6, 7), 0) << name << " " << h;
    EXPECT_EQ(std::memcmp(before.data(), pool.bytes(), pool.size), 0) << name;
  }
  EXPECT_EQ(brain::handler_of(brain::find_row("boundary_rebound")),
            brain::handler_of(brain::find_row("ground_color_rebound")));
}

}  // namespace
