// The driving example through the binary: two cars on a ground map made
// from an X model, riding its slope, meeting and bouncing off each other;
// and a channel change made in a run, in-process.
#include <filesystem>

#include "core/angles.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "engine/run_loop.h"
#include "engine/state.h"
#include "media/device.h"
#include "platform/platform.h"
#include "platform/video.h"
#include "project/channel_map.h"
#include "project/state.h"
#include "shell/bindings.h"
#include "shell/install.h"
#include "support/headless_run.h"
#include "support/temp_folder.h"

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

// In-process: a channel a brain changes holds for that run, and the
// project's channel map is as it was once the run has ended.
TEST(ChannelsInARun, ChangesLastForTheRunOnly) {
  testing_support::TempFolder folder("quill-channels");
  const std::string dir = folder.path();
  std::string error;
  ASSERT_TRUE(shell::init_install(dir, error)) << error;
  core::State& c = core::state();
  c.folders.program = dir;
  c.folders.data = dir + "data/";
  core::load_tables(c.folders.data);
  platform::set_headless(true);
  ASSERT_TRUE(platform::video_init(true));
  media::EngineSettings settings;
  ASSERT_TRUE(media::start_device(settings, dir + "config.ini", false));
  shell::bind_message_services();
  shell::bind_builtins();

  ASSERT_TRUE(core::write_file_atomic(dir + "brains/watch.brn",
                                      "var seen\r\ncollision_map_set(element, element#1, 5)\r\n"
                                      "if collision(element, 2) <> 0\r\nseen = seen + 1\r\nendif\r\n"));
  project::State& p = project::state();
  p.records[0] = testing_support::record({{{4, dir + "brains/watch.brn"}, {31, "1"}}, ""});
  p.records[1] = testing_support::record({{{31, "2"}}, ""});
  p.last = 1;
  project::clear_channels();  // the two cameras are not paired until the brain says so
  engine::state().loop.tick_limit = 10;
  engine::test_run();
  EXPECT_EQ(core::element_state(0)->w[255], 6);  // every tick after the warm-up saw the other camera
  EXPECT_EQ(project::channel(0, 1), 0);

  media::stop_device();
  platform::video_quit();
  engine::state().loop.tick_limit = -1;
  p.last = -1;
  c.folders.program.clear();
}
