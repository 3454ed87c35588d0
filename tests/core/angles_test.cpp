#include <gtest/gtest.h>

#include <cstring>

#include "core/angles.h"
#include "core/files.h"
#include "core/state.h"
#include "support/temp_folder.h"

namespace {

int32_t entry32(const std::string& t, int i) {
  int32_t v;
  std::memcpy(&v, t.data() + 4 * i, 4);
  return v;
}

// Puts freshly generated tables into the pools, as a new installation has.
class Angles : public ::testing::Test {
 protected:
  void SetUp() override {
    const core::Pools& p = core::state().pools;
    auto put = [](const core::Pool& pool, const std::string& t) { std::memcpy(pool.bytes(), t.data(), t.size()); };
    put(p.sinus, core::make_sinus_table());
    put(p.sinusbig, core::make_sinusbig_table());
    put(p.atan, core::make_atan_table());
    put(p.random, core::make_random_table());
  }
};

TEST(Tables, FollowTheirRules) {
  std::string big = core::make_sinusbig_table(), atan = core::make_atan_table(), sinus = core::make_sinus_table();
  ASSERT_EQ(big.size(), 14400u);
  ASSERT_EQ(atan.size(), 2880u);
  ASSERT_EQ(sinus.size(), 115200u);
  EXPECT_EQ(core::make_random_table().size(), 2000u);
  EXPECT_EQ(entry32(big, 0), 0);
  EXPECT_EQ(entry32(big, 720), 32768);
  EXPECT_EQ(entry32(big, 2160), -32768);
  EXPECT_EQ(entry32(big, 3599 - 720), entry32(big, 3599 - 720));
  EXPECT_EQ(entry32(atan, 0), 0);
  EXPECT_EQ(entry32(atan, 360), 1024);
  for (int i = 1; i < 720; ++i) EXPECT_GE(entry32(atan, i), entry32(atan, i - 1));
  EXPECT_EQ(static_cast<int8_t>(sinus[90 * 256]), 127);
  EXPECT_EQ(static_cast<int8_t>(sinus[270 * 256]), -127);
}

TEST(Tables, ShortAndMissingFilesLeaveZeroes) {
  const std::string dir = testing_support::temp_folder("quill-tables");
  ASSERT_TRUE(core::write_file_atomic(dir + "sinusbig.bin", std::string("\x01\x02\x03\x04\x05", 5)));
  const core::Pools& p = core::state().pools;
  std::memset(p.sinusbig.bytes(), 0xAB, p.sinusbig.size);
  std::memset(p.atan.bytes(), 0xAB, p.atan.size);
  core::load_tables(dir);
  EXPECT_EQ(p.sinusbig.bytes()[4], 5);
  EXPECT_EQ(p.sinusbig.bytes()[5], 0);
  EXPECT_EQ(p.atan.bytes()[0], 0);
  EXPECT_LE(core::atan_index(100), 719);  // an all-zero table still answers in range
  EXPECT_EQ(core::vector_angle(3, 4), core::vector_angle(3, 4));
}

TEST_F(Angles, Normalise) {
  EXPECT_EQ(core::normalise_angle(184320), 0);
  EXPECT_EQ(core::normalise_angle(-1), 184319);
  EXPECT_EQ(core::normalise_angle(368640), 0);
  EXPECT_EQ(core::normalise_angle(INT32_MIN), core::normalise_angle(INT32_MIN));
  EXPECT_GE(core::normalise_angle(INT32_MIN), 0);
}

TEST_F(Angles, SineLookups) {
  auto f = core::fine_sine(90 * 512);
  EXPECT_EQ(f.sin, 127);
  EXPECT_EQ(f.cos, -2);  // row 180, column 255
  auto c = core::coarse_sine(90 * 512);
  EXPECT_EQ(c.sin, 32768);
  EXPECT_EQ(c.cos, 0);
  EXPECT_EQ(c.k, 720);
  EXPECT_EQ(core::coarse_sine(63).k, 0);  // below 1/8 degree: no rotation
  EXPECT_EQ(core::coarse_sine(-512 * 90).sin, -32768);
}

TEST_F(Angles, VectorAngle) {
  EXPECT_EQ(core::vector_angle(0, 5), 0);
  EXPECT_EQ(core::vector_angle(0, -5), 92160);
  EXPECT_EQ(core::vector_angle(5, 0), -46080);
  EXPECT_EQ(core::vector_angle(5, 5), -23040);
  EXPECT_EQ(core::vector_angle(-5, 0), 46080);
  EXPECT_EQ(core::vector_angle(INT32_MIN, INT32_MIN), core::vector_angle(-1, -1));
  EXPECT_EQ(core::atan_index(1024), 360);
  EXPECT_EQ(core::atan_index(0), 0);
  EXPECT_EQ(core::atan_index(INT32_MAX), 718);
}

TEST_F(Angles, FixedPoint) {
  EXPECT_EQ(core::sin_512(46080), 512);
  EXPECT_EQ(core::cos_512(92160), -512);
  EXPECT_EQ(core::atan_512(512), 23040);
  EXPECT_EQ(core::tan_512(0), 0);
  EXPECT_EQ(core::sqrt_512(4), 1024);
  EXPECT_EQ(core::sqrt_512(-1), INT32_MIN);
  EXPECT_EQ(core::factor_512(-513, 1), -2);
  EXPECT_EQ(core::factor_512(-1, 1), 0);
  EXPECT_EQ(core::factor_512(-512, 1), -1);
  EXPECT_EQ(core::factor_512(1024, 1024), 2048);
  EXPECT_EQ(core::factor_512(INT32_MIN, -1), INT32_MIN >> 9);  // low 32 bits kept
}

TEST_F(Angles, RandomWrapsThroughTheTableAndMixesThePumpCount) {
  core::State& s = core::state();
  s.random_pos = 0;
  s.pump_count = 0;
  EXPECT_EQ(core::random_number(7, 7), 7);
  EXPECT_EQ(core::random_number(9, 3), 9);  // the caller swaps; lo >= hi gives lo
  EXPECT_EQ(s.random_pos, 0u);              // no draw made
  for (int i = 0; i < 5000; ++i) {
    int32_t v = core::random_number(3, 9);
    ASSERT_GE(v, 3);
    ASSERT_LE(v, 9);
    ASSERT_GE(s.random_pos, 1u);
    ASSERT_LE(s.random_pos, 1996u);
  }
  s.random_pos = 1995;
  core::random_number(0, 100);
  EXPECT_EQ(s.random_pos, 1996u);
  core::random_number(0, 100);
  EXPECT_EQ(s.random_pos, 1u);
  // The same position and pump count give the same number; another pump count
  // another one.
  s.random_pos = 10;
  int32_t a = core::random_number(0, 1000000);
  s.random_pos = 10;
  EXPECT_EQ(core::random_number(0, 1000000), a);
  s.random_pos = 10;
  s.pump_count = 12345;
  EXPECT_NE(core::random_number(0, 1000000), a);
  s.pump_count = 0;
}

}  // namespace
