// The driving example through the binary: two cars on a ground map made
// from an X model, riding its slope, meeting and bouncing off each other.
#include <filesystem>

#include "core/element_state.h"
#include "support/headless_run.h"

namespace {

namespace fs = std::filesystem;

class DrivingExample : public testing_support::HeadlessRun {
 protected:
  void SetUp() override {
    HeadlessRun::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(core::make_folders(dir + "projects/driving"));
    for (const char* f : {"driving.prj", "hills.x"})
      fs::copy_file(fs::path(QUILL_SOURCE_DIR) / "examples/driving" / f, dir + "projects/driving/" + f);
    write("runmode.ini", "projects/driving/driving.prj\r\n1\r\n0\r\n0\r\n0\r\n");
    write("keys.txt", "300 key 1\n");  // Escape ends the run
  }
  int drive() { return quill("--headless --input-script keys.txt --dump d.json --messages m.jsonl"); }
  int made() {
    int n = 0;
    for (const testing_support::Message& m : messages())
      n += m.text == "Initializing boundary element Hills|This is a one-time operation, please wait..." ? 1 : 0;
    return n;
  }
};

TEST_F(DrivingExample, CarsRideTheGroundMapAndBounceOffEachOther) {
  ASSERT_EQ(drive(), 0);
  EXPECT_EQ(made(), 1);
  EXPECT_TRUE(exists("projects/driving/hills.m3d"));
  const testing_support::Dump& d = dump();
  const long long ticks = dump_value("tick_count");
  ASSERT_EQ(ticks, 300);
  const int red = d.element_named("Red").value_or(-1), blue = d.element_named("Blue").value_or(-1);
  ASSERT_GE(red, 0);
  ASSERT_GE(blue, 0);

  // One bounce, one tick of contact: Red counts a rebound that changed the
  // velocities, Blue the ticks it was touched.
  EXPECT_EQ(d.variable(red, 2), 1);
  EXPECT_EQ(d.variable(blue, 2), 1);
  // Head on along z, equal masses: the velocities are exchanged exactly.
  EXPECT_EQ(word(red, core::kVelocity + 2), -102400);
  EXPECT_EQ(word(blue, core::kVelocity + 2), 102400);
  EXPECT_EQ(word(red, core::kVelocity), 0);
  EXPECT_EQ(word(red, core::kCollisionBits), 0);

  // 200 milli-units a tick each from z = -20 and +20 units; they touch once
  // the gap is below the radii 1000 + 500 (the road climbs 1 in 10, so the
  // gap of 1.2 units after 97 ticks is the first within reach): the pass
  // before tick 98 finds them and Red turns round in that tick.
  const long long red_z = (-20000 + 200 * 97 - 200 * (ticks - 97)) * 512LL;
  EXPECT_EQ(word(red, core::kPosition + 2), red_z);
  EXPECT_EQ(word(blue, core::kPosition + 2), -red_z);
  EXPECT_EQ(word(red, core::kPosition), 0);
  // On the road y = z / 10: the cars' boxes rest on it (1 and 0.5 units up),
  // tilted by atan(1/10), nose up for Red, nose down for Blue, which faces -z.
  EXPECT_NEAR(word(red, core::kPosition + 1), red_z / 10 + 512000, 512);
  EXPECT_NEAR(word(blue, core::kPosition + 1), -red_z / 10 + 256000, 512);
  EXPECT_NEAR(word(red, core::kRotation), -2924, 100);  // 5.71 degrees
  EXPECT_NEAR(word(blue, core::kRotation), 2924, 100);

  // A second run reads the cache instead of making it again.
  ASSERT_TRUE(core::remove_file(dir + "m.jsonl"));
  ASSERT_EQ(drive(), 0);
  EXPECT_EQ(made(), 0);
  EXPECT_EQ(dump().variable(red, 2), 1);
}

}  // namespace
