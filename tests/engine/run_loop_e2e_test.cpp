// The run loop seen from outside: frame dropping after a stall, the tick
// rate setter, numbered sprite frames and what a run gives back at its end.
#include "support/headless_run.h"

namespace {

using testing_support::ElementSpec;

class RunLoop : public testing_support::HeadlessRun {};

// A stall of one second of virtual time (30 ticks at the default rate) is
// caught up by ticks run back to back without drawing; the tick count is
// the same and the run ends at the same virtual moment.
TEST_F(RunLoop, SlowFrameIsCaughtUpWithoutDrawing) {
  ElementSpec camera{{}, ""};
  ASSERT_EQ(run({camera}, "--ticks 100"), 0);
  const long long smooth = dump_value("frames_drawn");
  EXPECT_EQ(dump_value("tick_count"), 100);
  ASSERT_TRUE(core::write_file_atomic(dir + "keys.txt", "20 stall 1000\n"));
  ASSERT_EQ(run({camera}, "--ticks 100 --input-script keys.txt"), 0);
  EXPECT_EQ(dump_value("tick_count"), 100);
  EXPECT_EQ(smooth - dump_value("frames_drawn"), 30);
  // A stall shorter than one tick costs no frame.
  ASSERT_TRUE(core::write_file_atomic(dir + "keys.txt", "20 stall 30\n"));
  ASSERT_EQ(run({camera}, "--ticks 100 --input-script keys.txt"), 0);
  EXPECT_EQ(dump_value("frames_drawn"), smooth);
}

TEST_F(RunLoop, TickRateSetterKeepsOnlyFifteenTo250) {
  ElementSpec camera{{},
                     "var a\nvar b\nvar c\nvar d\nvar e\nvar once\n"
                     "if once = 0\nonce = 1\na = max_framerate()\n"
                     "max_framerate_set(60)\nb = max_framerate()\n"
                     "max_framerate_set(14)\nc = max_framerate()\n"
                     "max_framerate_set(251)\nd = max_framerate()\n"
                     "max_framerate_set(250)\ne = max_framerate()\nendif\nexit(1)\n"};
  ASSERT_EQ(run({camera}), 0);
  EXPECT_EQ(word(0, 255), 30);
  EXPECT_EQ(word(0, 254), 60);
  EXPECT_EQ(word(0, 253), 60);
  EXPECT_EQ(word(0, 252), 60);
  EXPECT_EQ(word(0, 251), 250);
}

// Sprite frames 2, 3, ... are the aspect's numbered files; the count stops at
// the first missing number.
TEST_F(RunLoop, NumberedSpriteFramesStopAtTheFirstGap) {
  std::string image;
  ASSERT_TRUE(core::read_file(dir + "sprites/default_.pcx", image));
  for (const char* n : {"002", "003", "005"})
    ASSERT_TRUE(core::write_file_atomic(dir + "sprites/default_." + n, image));
  ElementSpec camera{{}, "exit(1)\n"};
  ElementSpec sprite{{{36, "5"}, {2, "./sprites/default_.pcx"}, {37, "0/0/639/479/0"}},
                     "var n\nvar f\nanimation_frame_set(element, 3)\nf = animation_frame(element)\n"
                     "animation_frame_set(element, 4)\nn = animation_frame(element)\n"};
  ElementSpec single{{{36, "5"}, {2, "./sprites/missing_.pcx"}, {37, "0/0/639/479/0"}}, ""};
  ASSERT_EQ(run({camera, sprite, single}), 0);
  EXPECT_EQ(word(1, 42), 3);   // frame_count
  EXPECT_EQ(word(1, 255), 3);  // frame 4 does not exist: the frame stays 3
  EXPECT_EQ(word(1, 254), 3);
  EXPECT_EQ(word(2, 42), 1);
}

// What brains change in the drawing settings lasts only for their run.
TEST_F(RunLoop, DrawingSettingsAreRestoredAfterTheRun) {
  ElementSpec camera{{}, "fog_set(1000000, 2000000)\nfog_color_set(200, 100, 50)\nexit(1)\n"};
  ASSERT_EQ(run({camera}), 0);
  EXPECT_EQ(dump_value("fog_start"), 10240);
  EXPECT_EQ(dump_value("fog_end"), 15360);
  EXPECT_EQ(dump_value("scene_colour"), 0xFF000000ll);
  EXPECT_EQ(dump_value("sprite_clipping"), 1);
}

// Integer and string built-ins as a hand-written brain sees them; results
// land in its variables (word 255 is the first).
TEST_F(RunLoop, GeneralBuiltInsThroughABrain) {
  ElementSpec camera{{},
                     "var a\nvar b\nvar c\nvar d\nvar e\nvar f\nvar g\nvar h\nvar i\nvar j\n"
                     "a = divide(7, 0)\nb = divide(0 - 7, 2)\nc = limit(5, 0, 5)\nd = between(5, 0, 5)\n"
                     "e = wrap(12, 0, 9)\nf = str_val(\"0x1F\")\ng = str_val(\"017\")\nh = str_val(\"42abc\")\n"
                     "local_set(element, 9, 77)\ni = local(element, 9) + local(element, 128)\n"
                     "exit(1)\n"};
  ASSERT_EQ(run({camera}), 0);
  const long long want[] = {2147483647, -3, 5, -1, 2, 31, 15, 42, 77, 77};
  for (int n = 0; n < 10; ++n) EXPECT_EQ(word(0, 255 - n), want[n]) << "variable " << n + 1;
}

}  // namespace
