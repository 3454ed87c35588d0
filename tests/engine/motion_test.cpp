#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "brain/bind.h"
#include "brain/table.h"
#include "core/angles.h"
#include "core/element_state.h"
#include "engine/motion.h"
#include "engine/objects.h"
#include "engine/state.h"
#include "engine_tables.h"
#include "support/builtin_call.h"

namespace {

using testing_support::call;
using V3 = std::array<int32_t, 3>;
using Mat = std::array<std::array<double, 3>, 3>;
constexpr int kPos = core::kPosition, kRot = core::kRotation, kVel = core::kVelocity, kSpin = core::kSpin;

// Fresh tables, zeroed elements and objects, motion bound.
class Motion : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::fresh_engine_tables();
    engine::state().loop.tick_count = 0;
    engine::state().scene.element_count = 2;
    engine::bind_motion_builtins();
  }
  static int32_t e(int i) { return static_cast<int32_t>(core::element_ref(i)); }
  static int32_t* w(int i) { return core::element_state(i)->w; }
  static void put(int i, int word, V3 v) { std::memcpy(w(i) + word, v.data(), 12); }
  static V3 get(int i, int word) { return {w(i)[word], w(i)[word + 1], w(i)[word + 2]}; }
  static void set_kind(int i, uint32_t tag, int object) {
    engine::objects()[object].w[0] = static_cast<int32_t>(tag);
    w(i)[core::kCurrentObject] = object;
  }
};

TEST_F(Motion, BindsEveryMotionRowAndTheAliases) {
  int rows = 0;
  for (int r = 0; r < brain::kRowCount; ++r)
    if (brain::row(r).family == brain::Family::kMotion) {
      ++rows;
      EXPECT_FALSE(brain::is_placeholder(r)) << brain::row(r).name;
    }
  EXPECT_EQ(rows, 101);
  EXPECT_EQ(brain::handler_of(brain::find_row("rebound_z")), brain::handler_of(brain::find_row("boing_z")));
}

// Handles that are not the address of an ElementState record answer 0 and
// change nothing, as first or as second element argument.
TEST_F(Motion, HostileHandlesChangeNothing) {
  const int32_t bad[] = {static_cast<int32_t>(e(0) | 0x80000000u), e(0) + 4, e(0) - 1024, e(255) + 1024, 0, -1};
  const std::string no_element = " interpolate oscillate rotation_axis_set rotation_axis_add rotation_axis ";
  const std::string second_element =
      " position_copy rotation_copy velocity_copy spin_copy join join_pos attract attract_xz attract_y follow "
      "child_pos child_rot steer_angle_to ";
  for (int i = 0; i < 2; ++i)
    for (int word = kPos; word < 45; ++word) w(i)[word] = word * 1000 + i;
  set_kind(0, engine::kTagVisual, 0);
  const core::Pool& pool = core::state().pools.element_state;
  const std::vector<uint8_t> before(pool.bytes(), pool.bytes() + pool.size);
  for (int r = 0; r < brain::kRowCount; ++r) {
    const std::string name(brain::row(r).name);
    if (brain::row(r).family != brain::Family::kMotion || no_element.find(" " + name + " ") != std::string::npos)
      continue;
    const bool two = second_element.find(" " + name + " ") != std::string::npos;
    for (int32_t h : bad) {
      EXPECT_EQ(call(name, h, e(1), 1000, 2000, 3000), 0) << name;
      if (two) {
        EXPECT_EQ(call(name, e(0), h, 1000, 2000, 3000), 0) << name;
      }
      EXPECT_EQ(std::memcmp(before.data(), pool.bytes(), pool.size), 0) << name << " " << h;
    }
  }
}

// Every row with extreme words and arguments: nothing may trap (the
// sanitizer build checks signed overflow), nothing outside the named
// elements changes, and the work rotation stays a unit quaternion.
TEST_F(Motion, ExtremeValuesNeverTrapNorStray) {
  const int32_t values[] = {INT32_MIN, INT32_MAX, -1, 0, 1, 511, 512, 92160, -92160, 184319, e(0), e(1)};
  uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return values[(seed >> 16) % std::size(values)];
  };
  const core::Pool& pool = core::state().pools.element_state;
  w(2)[0] = 77;
  const std::vector<uint8_t> others(pool.bytes() + 2048, pool.bytes() + pool.size);
  for (int r = 0; r < brain::kRowCount; ++r) {
    if (brain::row(r).family != brain::Family::kMotion) continue;
    for (int n = 0; n < 300; ++n) {
      for (int word = 3; word < 45; ++word) w(0)[word] = next(), w(1)[word] = next();
      call(brain::row(r).name, next(), next(), next(), next(), next());
    }
  }
  EXPECT_EQ(std::memcmp(others.data(), pool.bytes() + 2048, others.size()), 0);
  const double* q = engine::state().motion.rotation;
  EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3], 1.0, 1e-9);
}

TEST_F(Motion, WrappedResultsAtTheLimits) {
  put(0, kPos, {INT32_MAX, INT32_MIN, 0});
  put(0, kVel, {1, -1, INT32_MIN});
  call("velocity_update", e(0));
  EXPECT_EQ(get(0, kPos), (V3{INT32_MIN, INT32_MAX, INT32_MIN}));
  call("boing_z", e(0));  // position -= 4 v wraps; -INT32_MIN stays INT32_MIN
  EXPECT_EQ(w(0)[kPos + 2], INT32_MIN);
  EXPECT_EQ(w(0)[kVel + 2], INT32_MIN);
  put(0, kVel, {INT32_MIN, INT32_MAX, 7});
  call("friction", e(0), INT32_MIN);  // k v / 512 in 64 bits, then wrapped
  EXPECT_EQ(get(0, kVel), (V3{0, 0x00400000, static_cast<int32_t>(0xFE400000u)}));
  EXPECT_EQ(call("interpolate", INT32_MAX, 0, 1, 0, INT32_MAX), 1);           // (2^31-1)^2 wraps to 1
  EXPECT_EQ(call("interpolate", 5, 0, 10, INT32_MIN, INT32_MAX), INT32_MIN);  // y2 - y1 wraps to -1
}

TEST_F(Motion, ThrustFollowsTheRotationOrder) {
  struct Case {
    V3 rotation, expected;
  } cases[] = {{{0, 0, 0}, {0, 0, 1000}},         {{63, 63, 63}, {0, 0, 1000}},  // below one table step: no turn
               {{0, 46080, 0}, {-1000, 0, 0}},    {{0, 92160, 0}, {0, 0, -1000}},
               {{0, 138240, 0}, {1000, 0, 0}},    {{46080, 0, 0}, {0, -1000, 0}},
               {{46080, 0, 46080}, {1000, 0, 0}}, {{46080, 46080, 46080}, {0, 0, 1000}}};
  for (const Case& c : cases) {
    put(0, kRot, c.rotation);
    put(0, kVel, {5, 6, 7});
    call("thrust", e(0), 1000);
    EXPECT_EQ(get(0, kVel), (V3{c.expected[0] + 5, c.expected[1] + 6, c.expected[2] + 7})) << c.rotation[0];
    call("speed_set", e(0), 1000);
    EXPECT_EQ(get(0, kVel), c.expected);
  }
  put(0, kRot, {0, 46080, 0});  // the whole-degree byte table: 127 x 1000 >> 7
  call("velocity_set_xz", e(0), 1000);
  call("thrust_xz", e(0), 1000);
  EXPECT_EQ(get(0, kVel), (V3{1984, 0, -32}));
}

TEST_F(Motion, AttractUsesTheChebyshevDistance) {
  struct Case {
    std::string_view name;
    V3 target, expected;
  } cases[] = {{"attract", {1000, -3000, 500}, {100, -300, 50}},
               {"attract", {0, 0, 0}, {0, 0, 0}},  // same place: nothing
               {"attract_xz", {1000, -3000, 500}, {300, 0, 150}},
               {"attract_y", {1000, -3000, 500}, {0, -300, 0}},
               {"attract_xz", {0, 5000, 0}, {0, 0, 0}}};
  for (const Case& c : cases) {
    put(0, kVel, {0, 0, 0});
    put(1, kPos, c.target);
    call(c.name, e(0), e(1), 300);
    EXPECT_EQ(get(0, kVel), c.expected) << c.name;
  }
  call("attract_point", e(0), 0, 0, -2000, 300);
  EXPECT_EQ(get(0, kVel), (V3{0, 0, -300}));
}

// attract_yr and steer_angle_to take the short way round.
TEST_F(Motion, AngleDifferencesAcrossTheWrap) {
  struct Spin {
    int32_t rotation, angle, spin;
  } spins[] = {{1000, 5000, 10},   {5000, 1000, -10}, {1000, 184000, -10},
               {184000, 1000, 10}, {-1000, 1000, 10}, {3000, 3000, -10}};  // equal: subtracts
  for (const Spin& c : spins) {
    w(0)[kRot + 1] = c.rotation;
    w(0)[kSpin + 1] = 0;
    call("attract_yr", e(0), c.angle, 10);
    EXPECT_EQ(w(0)[kSpin + 1], c.spin) << c.rotation << " -> " << c.angle;
  }
  w(0)[core::kFlags] = w(1)[core::kFlags] = core::kFlagOn;
  struct Steer {
    int32_t heading;
    V3 target;
    int32_t max, expected;
  } steers[] = {
      {0, {-512000, 0, 0}, 100000, 46080}, {0, {-512000, 0, 0}, 1000, 1000},
      {0, {512000, 0, 0}, 1000, -1000},    {180000, {0, 0, 512000}, 100000, 4320},
      {0, {0, 0, -512000}, 200000, 92160}, {0, {512, 0, 300000}, 1000, 0}};  // a steep ratio counts as straight ahead
  for (const Steer& c : steers) {
    w(0)[kRot + 1] = c.heading;
    put(1, kPos, c.target);
    EXPECT_EQ(call("steer_angle_to", e(0), e(1), c.max), c.expected) << c.heading;
  }
  w(1)[core::kFlags] = 0;  // either off: 0
  EXPECT_EQ(call("steer_angle_to", e(0), e(1), 100000), 0);
}

TEST_F(Motion, FrictionAndDrag) {
  struct Case {
    int32_t k, v, expected;
  } cases[] = {{512, 1234, 1234}, {0, 1234, 0}, {-512, 1234, -1234}, {256, -1, 0}, {256, -3, -1}, {384, -1000, -750}};
  for (const Case& c : cases) {
    put(0, kVel, {c.v, c.v, c.v});
    call("friction", e(0), c.k);
    EXPECT_EQ(get(0, kVel), (V3{c.expected, c.expected, c.expected})) << c.k << " " << c.v;
  }
  put(0, kSpin, {-7, -7, -7});
  call("friction_yr", e(0), 256);
  EXPECT_EQ(get(0, kSpin), (V3{-7, -3, -7}));

  put(0, kVel, {0, 0, 0});
  call("drag", e(0), 100);  // still: -10, then 0
  EXPECT_EQ(get(0, kVel), (V3{-10, -10, -10}));
  call("drag", e(0), 100);
  EXPECT_EQ(get(0, kVel), (V3{0, 0, 0}));
  put(0, kVel, {409600, -409600, 0});  // c = +-100: d = 10000 + 10
  call("drag", e(0), 8192);
  EXPECT_EQ(get(0, kVel), (V3{399590, -399590, -10}));
  put(0, kVel, {409600, 46341 << 12, 1000});  // y overflows after x was slowed: all halved
  call("drag", e(0), 8192);
  EXPECT_EQ(get(0, kVel), (V3{199795, (46341 << 12) / 2, 500}));
  put(0, kVel, {46341 << 12, 1000, 1000});
  call("drag_xz", e(0), 0);
  EXPECT_EQ(get(0, kVel), (V3{(46341 << 12) / 2, 1000, 500}));
}

TEST_F(Motion, SpeedsLimitAndRebound) {
  put(0, kVel, {3 * 512, 4 * 512, 0});
  EXPECT_EQ(call("speed", e(0)), 2560);
  put(0, kRot, {0, 46080, 0});  // facing -x
  put(0, kVel, {-1000, 0, 0});
  EXPECT_EQ(call("speed_lz", e(0)), 1000);
  put(0, kVel, {300000, 7, 400000});     // 976 milli-units
  call("speed_xz_limit", e(0), 511);     // below 512: ignored
  call("speed_xz_limit", e(0), 700000);  // |vx| + |vz| within it
  EXPECT_EQ(get(0, kVel), (V3{300000, 7, 400000}));
  call("speed_xz_limit", e(0), 500 * 512);
  EXPECT_EQ(get(0, kVel), (V3{500 * 300000 / 976, 7, 500 * 400000 / 976}));
  put(0, kPos, {10000, 0, 0});  // a rebound steps back four ticks
  put(0, kVel, {100, 0, 0});
  call("rebound_x", e(0));
  EXPECT_EQ(w(0)[kPos] * 1000 + w(0)[kVel], 9600 * 1000 - 100);
}

TEST_F(Motion, SteerKeepsTheRollingPart) {
  put(0, kVel, {100, 33, 2000});  // heading 0, wheels straight, free slide
  EXPECT_EQ(call("steer", e(0), 0, 512), 1536);
  EXPECT_EQ(get(0, kVel), (V3{100, 33, 2000}));
  put(0, kVel, {5000, 0, 0});  // purely sideways
  EXPECT_EQ(call("steer", e(0), 0, 256), 0);
  EXPECT_EQ(get(0, kVel), (V3{2500, 0, 0}));
  w(0)[kRot + 1] = 138240;  // facing +x, wheel angle 0: z is still sideways
  put(0, kVel, {51200, 0, 2000});
  EXPECT_EQ(call("steer", e(0), 0, 0), 51200);
  EXPECT_EQ(get(0, kVel), (V3{51200, 0, 0}));
  // At speed the heading turns by (A S) >> 10, A = angle x 85 / 256;
  // reversing turns it the other way and answers a negative speed.
  for (int32_t dir : {1, -1}) {
    put(0, kRot, {0, 92160, 0});  // facing -z
    put(0, kVel, {0, 0, -dir * 1024000});
    const int32_t s = call("steer", e(0), 1024, 0);
    EXPECT_NEAR(s, dir * 2000 * 512, 1024);
    EXPECT_EQ(w(0)[kRot + 1], 92160 + dir * (340 * (dir * s / 512) >> 10));
  }
}

TEST_F(Motion, LiftIsPerpendicularToTravelAndStalls) {
  // Sinking at about 5.7 degrees, angle of attack -45 table steps: reflected
  // past a stall of 2000, no lift at twice the stall.
  struct Case {
    int32_t stall, result;
  } cases[] = {{10000, 45000}, {2000, 18000}, {1440, 0}};
  for (const Case& c : cases) {
    put(0, kVel, {0, -51200, 512000});
    EXPECT_EQ(call("lift", e(0), 512, c.stall), c.result) << c.stall;
    const V3 v = get(0, kVel);
    const double d[3] = {double(v[0]), v[1] + 51200.0, v[2] - 512000.0};
    EXPECT_NEAR(std::hypot(d[0], d[1], d[2]), c.result, c.result * 0.002);
    const double cosine = (d[1] * -51200.0 + d[2] * 512000.0) / (std::hypot(d[1], d[2]) * 514553.6 + 1e-9);
    EXPECT_LT(std::fabs(cosine), 0.005);
  }
  put(0, kVel, {0, 5000, 0});  // no horizontal travel: nothing
  EXPECT_EQ(call("lift", e(0), 512, 10000), 0);
  EXPECT_EQ(get(0, kVel), (V3{0, 5000, 0}));
}

TEST_F(Motion, FollowJoinAndChildren) {
  put(1, kPos, {512000, 0, 0});
  w(1)[kRot + 1] = 46080;  // distance (0, d) turned to -x
  call("follow", e(0), e(1), 512000, 1024000, 128);
  EXPECT_EQ(get(0, kPos), (V3{-512000, 512000, 0}));

  for (int i = 3; i <= 14; ++i) w(1)[i] = i * 11;
  put(1, core::kParentRotation, {1, 2, 3});
  w(1)[core::kFlags] = core::kFlagJoined;
  call("join", e(1), e(0));
  for (int i = 3; i <= 14; ++i) EXPECT_EQ(w(0)[i], i * 11);
  EXPECT_EQ(get(0, core::kParentRotation), (V3{1, 2, 3}));
  EXPECT_EQ(w(0)[core::kFlags], core::kFlagJoined);
  set_kind(1, engine::kTagCamera, 5);  // a joined camera passes on no parent rotation
  call("join", e(1), e(2));
  EXPECT_EQ(w(2)[core::kFlags] + w(2)[core::kParentRotation], 0);
  EXPECT_EQ(get(2, kSpin), (V3{132, 143, 154}));

  put(1, kPos, {10, 20, 30});
  put(1, kRot, {46080, 0, 46080});  // z first: x -> y, then x: y -> z
  call("child_pos", e(2), e(1), 1000, 0, 0);
  EXPECT_EQ(get(2, kPos), (V3{10, 20, 1030}));
  call("child_rot", e(2), e(1), 7, 8, 9);
  EXPECT_EQ(get(2, kRot), (V3{46080, 0, 46080}));
  EXPECT_EQ(w(2)[core::kFlags], core::kFlagJoined);
  call("rotation_copy", e(2), e(3));  // joined: parent rotation added
  EXPECT_EQ(get(3, kRot), (V3{46087, 8, 46089}));
}

// After orient_straight, thrust pushes along the velocity.
TEST_F(Motion, OrientStraightFacesTheTravel) {
  const V3 travel[] = {
      {0, 0, 512000}, {-512000, 0, 0}, {300000, 0, -400000}, {200000, -300000, 100000}, {0, 512000, 512000}};
  for (const V3& v : travel) {
    put(0, kVel, v);
    call("orient_straight", e(0), 0, 0);
    put(1, kRot, get(0, kRot));
    call("speed_set", e(1), 512000);
    const V3 f = get(1, kVel);
    const double dot = double(f[0]) * v[0] + double(f[1]) * v[1] + double(f[2]) * v[2];
    EXPECT_GT(dot / (std::hypot(f[0], f[1], f[2]) * std::hypot(v[0], v[1], v[2])), 0.9999) << v[0] << "," << v[1];
  }
  EXPECT_EQ(get(0, kRot), (V3{-23040, 0, 0}));
  put(0, kRot, {0, 0, 0});  // with k: rotation stays, spin turns and is damped
  put(0, kSpin, {0, 40, 0});
  call("orient_forward", e(0), 0, 0, 8, 256);
  EXPECT_EQ(get(0, kRot), (V3{0, 0, 0}));
  EXPECT_EQ(get(0, kSpin), (V3{-4, 16, 0}));
}

TEST_F(Motion, RampsWavesScaleAndAxes) {
  struct Case {
    int32_t x, x1, x2, y1, y2, expected;
  } ramps[] = {{5, 3, 3, 10, 20, 0},
               {0, 0, 10, 100, 200, 100},
               {10, 0, 10, 100, 200, 200},
               {20, 0, 10, 100, 200, 300},
               {-3, 0, 10, 0, 100, -30}};
  for (const Case& c : ramps) EXPECT_EQ(call("interpolate", c.x, c.x1, c.x2, c.y1, c.y2), c.expected);
  engine::state().loop.tick_count = 10;
  EXPECT_EQ(call("oscillate", 1000, 4608, 0), 0);  // 90 degrees
  EXPECT_EQ(call("oscillate", 1000, 0, 92160), -1000);

  const int32_t box[8] = {1000, 2000, 3000, -1000, -2000, -3000, 0, 0};
  std::memcpy(engine::state().scene.unscaled[1], box, sizeof box);
  set_kind(1, engine::kTagShape, 3);
  call("scale_set", e(1), 2000, 500, 1000);  // not a visual: nothing
  EXPECT_EQ(w(1)[core::kScaleX], 0);
  set_kind(1, engine::kTagVisual, 4);
  call("scale_set", e(1), 2000, 500, 1000);
  EXPECT_EQ(get(1, core::kExtent), (V3{2000, 1000, 3000}));
  EXPECT_EQ(get(1, core::kExtent + 3), (V3{-2000, -1000, -3000}));

  put(0, kRot, {0, 46080, -1});
  EXPECT_EQ(call("local_axis", e(0), 2, 0), -512000);
  EXPECT_EQ(call("local_axis", e(0), 3, 0) + call("local_axis", e(0), 0, -1), 0);
  EXPECT_EQ(call("rotation_z", e(0)), 184319);
}

// Columns: the local axes turned by the integer x, z, y rotation.
Mat integer_matrix(const int32_t* r) {
  Mat m{};
  for (int c = 0; c < 3; ++c) {
    const engine::Vec3i t = engine::to_world({c == 0 ? 512000 : 0, c == 1 ? 512000 : 0, c == 2 ? 512000 : 0}, r);
    m[0][c] = t.x / 512000.0, m[1][c] = t.y / 512000.0, m[2][c] = t.z / 512000.0;
  }
  return m;
}

// The quaternion read as a row-vector rotation: its usual column-vector
// matrix, transposed.
Mat row_vector_matrix(const engine::Quaternion& q) {
  const double w = q.w, x = q.x, y = q.y, z = q.z;
  return {{{1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y)},
           {2 * (x * y - w * z), 1 - 2 * (x * x + z * z), 2 * (y * z + w * x)},
           {2 * (x * z + w * y), 2 * (y * z - w * x), 1 - 2 * (x * x + y * y)}}};
}

double max_difference(const Mat& a, const Mat& b) {
  double d = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) d = std::max(d, std::fabs(a[i][j] - b[i][j]));
  return d;
}

// The quaternion of a rotation turns like the integer x, z, y sequence, and
// converting it back gives the same orientation. Angles sit mid-step so a
// round trip within a unit stays on the same table step; table steps floor
// each angle by up to 1/8 degree (0.007 covers three of them).
TEST_F(Motion, QuaternionMatchesTheIntegerRotationBothWays) {
  const int32_t angles[] = {32, 4992 + 32, 23040 + 32, 46080 + 32, 69952 + 32, 92160 + 32, 119936 + 32, 184288};
  for (int32_t rx : angles)
    for (int32_t ry : angles)
      for (int32_t rz : angles) {
        const int32_t r[3] = {rx, ry, rz};
        const engine::Quaternion q = engine::rotation_quaternion(r);
        EXPECT_LT(max_difference(integer_matrix(r), row_vector_matrix(q)), 0.007) << rx << " " << ry << " " << rz;
        int32_t back[3];
        engine::quaternion_rotation(q, back);
        EXPECT_LT(max_difference(row_vector_matrix(engine::rotation_quaternion(back)), row_vector_matrix(q)), 1e-4);
        EXPECT_LT(max_difference(integer_matrix(back), integer_matrix(r)), 0.007);
        // Of the two angle triples of an orientation the way back picks the
        // one with cos(rotation z) >= 0; within it, the same triple.
        if (std::cos(rz * 2 * M_PI / 184320) > 0.01) {
          for (int i = 0; i < 3; ++i) EXPECT_NEAR(back[i], r[i], 1) << rx << " " << ry << " " << rz;
        }
      }
}

TEST_F(Motion, AxisBuiltInsSetElementRotation) {
  struct Case {
    int32_t x, y, z, angle;
    V3 rotation;
  } cases[] = {{0, 512000, 0, 46080, {0, 46080, 0}},
               {0, 7, 0, 10000, {0, 10000, 0}},  // the axis length does not matter
               {512000, 0, 0, 46080, {138240, 0, 0}},
               {0, 0, 512000, 30000, {0, 0, 154320}},
               {0, 0, 0, 46080, {0, 0, 138240}}};  // no axis: about z (cos z = 0)
  const int32_t* r = w(3) + kRot;
  for (const Case& c : cases) {
    call("rotation_axis_set", c.x, c.y, c.z, c.angle);
    call("orientation_set", e(3));
    EXPECT_EQ(get(3, kRot), c.rotation) << c.x << " " << c.y << " " << c.z;
  }
  // add composes work x new; the value persists across calls and elements.
  call("rotation_axis_set", 0, 512000, 0, 15360);
  call("rotation_axis_add", 0, 512000, 0, 30720);
  call("orientation_set", e(4));
  EXPECT_EQ(w(4)[kRot + 1], 46080);
  call("rotation_axis_set", 0, 0, 512000, 46080);  // rotation z at -90 degrees: x is taken as 0
  call("rotation_axis_add", 0, 512000, 0, 30000);
  call("orientation_set", e(3));
  EXPECT_EQ(get(3, kRot), (V3{0, 30000, 138240}));
  call("rotation_axis_set", 512000, 0, 0, 46080);
  call("rotation_axis_add", 0, 512000, 0, 46080);
  call("orientation_set", e(3));
  const engine::Quaternion expected = engine::axis_quaternion(1, 0, 0, 46080) * engine::axis_quaternion(0, 1, 0, 46080);
  EXPECT_LT(max_difference(integer_matrix(r), row_vector_matrix(expected)), 0.007);
  EXPECT_EQ(call("rotation_angle", e(3), 0) + call("rotation_axis", 1) + call("position", e(3), 0, 0), 0);
}

}  // namespace
