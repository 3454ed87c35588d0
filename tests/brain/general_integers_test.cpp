// Integer routines and geometry of the general built-ins, called directly
// and through compiled brains.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/state.h"
#include "brain/table.h"
#include "core/angles.h"
#include "core/element_state.h"
#include "harness.h"
#include "support/builtin_call.h"

namespace {

using brain_test::clear_elements;

using testing_support::call;

int32_t ref(int i) { return static_cast<int32_t>(core::element_ref(i)); }

class GeneralIntegers : public ::testing::Test {
 protected:
  void SetUp() override {
    brain::bind_general_builtins();
    clear_elements();
    brain::state().general = {};
    const std::string atan = core::make_atan_table();
    std::memcpy(core::state().pools.atan.bytes(), atan.data(), atan.size());
  }
};

struct Case {
  const char* name;
  int32_t a, b, c;
  int32_t want;
};

TEST_F(GeneralIntegers, ArithmeticTable) {
  const Case cases[] = {
      {"abs", -5, 0, 0, 5},
      {"abs", INT_MIN, 0, 0, INT_MIN},
      {"absolute_value", -7, 0, 0, 7},
      {"sum", INT_MAX, 1, 0, INT_MIN},
      {"subtract", INT_MIN, 1, 0, INT_MAX},
      {"multiply", 65536, 65536, 0, 0},
      {"multiply", -3, 7, 0, -21},
      {"divide", 7, 0, 0, INT_MAX},
      {"divide", -7, 2, 0, -3},
      {"divide", INT_MIN, -1, 0, INT_MIN},
      {"limit", 10, 0, 10, 10},
      {"limit", -1, 0, 10, 0},
      {"limit", 5, 0, 10, 5},
      {"limit", 5, 9, 3, 9},
      {"between", 5, 5, 5, -1},
      {"between", 4, 5, 9, 0},
      {"between", 10, 5, 9, 0},
      {"wrap", 12, 0, 9, 2},
      {"wrap", -1, 0, 9, 9},
      {"wrap", -10, 0, 9, 0},
      {"wrap", 3, 9, 0, 0},
      {"wrap", INT_MIN, INT_MIN + 1, INT_MAX, INT_MAX},
  };
  for (const Case& c : cases)
    EXPECT_EQ(call(c.name, c.a, c.b, c.c), c.want) << c.name << "(" << c.a << ", " << c.b << ", " << c.c << ")";
}

TEST_F(GeneralIntegers, RandomOrdersItsBounds) {
  for (int i = 0; i < 200; ++i) {
    const int32_t v = call("random", 10, -5);
    EXPECT_GE(v, -5);
    EXPECT_LE(v, 10);
  }
  EXPECT_EQ(call("random", 4, 4), 4);
}

TEST_F(GeneralIntegers, EveryTicsReadsTheTickCount) {
  uint32_t ticks = 0;
  brain::state().general.tick_count = &ticks;
  struct T {
    uint32_t ticks;
    int32_t n, m, want;
  };
  const T cases[] = {{0, 4, 100, -1}, {8, 4, 100, -1}, {9, 4, 100, 0},      {8, 4, 8, 0},
                     {8, 4, -1, -1},  {7, 1, 10, -1},  {0, INT_MIN, 5, -1}, {5, 0, 10, 0}};
  for (const T& c : cases) {
    ticks = c.ticks;
    EXPECT_EQ(call("every_tics", c.n, c.m), c.want) << c.ticks << " " << c.n << " " << c.m;
  }
  brain::state().general.tick_count = nullptr;
  EXPECT_EQ(call("every_tics", 4, 1), -1);  // no run loop: tick 0
}

void place(int i, int32_t x, int32_t y, int32_t z) {
  int32_t* w = core::element_state(i)->w;
  w[core::kPosition] = x;
  w[core::kPosition + 1] = y;
  w[core::kPosition + 2] = z;
}

TEST_F(GeneralIntegers, DistancesShiftByNine) {
  place(0, 0, 0, 0);
  place(1, 3 * 512, 4 * 512, 12 * 512);
  EXPECT_EQ(call("distance", ref(0), ref(1)), 13 * 512);
  EXPECT_EQ(call("distance_xz", ref(0), ref(1)), 12 * 512);  // sqrt(153) = 12.37 rounds to 12
  place(1, 512 * 3 + 511, 0, 0);                             // the low 9 bits are dropped before the length
  EXPECT_EQ(call("distance", ref(0), ref(1)), 3 * 512);
  place(1, -512 * 3, 0, 0);
  EXPECT_EQ(call("distance", ref(1), ref(0)), 3 * 512);
  EXPECT_EQ(call("distance", ref(0), ref(1)), 3 * 512);
}

TEST_F(GeneralIntegers, GeometryWithoutElementsIsZero) {
  place(0, 1 << 20, 0, 0);
  const int32_t bad[] = {INT_MIN, -1, 0, ref(0) + 4, ref(255) + 1024};
  for (int32_t b : bad) {
    EXPECT_EQ(call("distance", ref(0), b), 0) << b;
    EXPECT_EQ(call("distance_xz", b, ref(0)), 0) << b;
    EXPECT_EQ(call("direction_xz", ref(0), b), 0) << b;
  }
  EXPECT_EQ(call("direction_xz", ref(0), ref(0)), 0);
}

TEST_F(GeneralIntegers, DistanceOfFarPointsWraps) {
  place(0, INT_MIN, INT_MIN, INT_MIN);
  place(1, INT_MAX, INT_MAX, INT_MAX);
  // Differences wrap to -1 (>> 9 stays -1): length sqrt(3) -> 2 -> 1024.
  EXPECT_EQ(call("distance", ref(0), ref(1)), 1024);
}

TEST_F(GeneralIntegers, DirectionXzFollowsTheAngleRules) {
  struct D {
    int32_t dx, dz, want;
  };
  const D cases[] = {
      {0, 512000, 0},          // straight along +z
      {0, -512000, 92160},     // a = 0: k = 720, then the sign of dz
      {512000, 0, -46080},     // +x
      {-512000, 0, 46080},     // -x
      {512, 300000, 0},        // quotient 600000 is past the threshold: k = 720
      {-512, -300000, 92160},  // both negative: k + 1440
  };
  for (const D& c : cases) {
    place(0, 0, 0, 0);
    place(1, c.dx, 0, c.dz);
    const int32_t got = call("direction_xz", ref(0), ref(1));
    EXPECT_GE(got, -46080);
    EXPECT_LE(got, 138240);
    EXPECT_EQ(got, c.want) << c.dx << " " << c.dz;
  }
}

TEST_F(GeneralIntegers, BrainsCallTheRoutines) {
  for (brain::Backend backend : {brain::Backend::kInterpreter, brain::kDefaultBackend}) {
    clear_elements();
    ASSERT_EQ(brain_test::compile(brain_test::lines({"var a", "var b", "var c", "var d", "a = divide(7, 0)",
                                                     "b = wrap(-1, 0, 9)", "c = abs(-9) + absolute_value(-1)",
                                                     "d = between(5, 5, 5)"}),
                                  backend),
              "");
    brain_test::run();
    EXPECT_EQ(brain_test::var(0, 1), INT_MAX);
    EXPECT_EQ(brain_test::var(0, 2), 9);
    EXPECT_EQ(brain_test::var(0, 3), 10);
    EXPECT_EQ(brain_test::var(0, 4), -1);
  }
}

}  // namespace
