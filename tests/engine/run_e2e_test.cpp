// End-to-end test runs: the real binary, headless, on generated projects.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/element_state.h"
#include "core/files.h"
#include "support/headless_run.h"

namespace {

using testing_support::ElementSpec;

class TestRun : public testing_support::HeadlessRun {};

ElementSpec counting_camera(const std::string& exit_line) {
  return {{}, "var n\nn = n + 1\nif n = 10\n" + exit_line + "\nendif\n"};
}

TEST_F(TestRun, BrainRunsOncePerTickAndExitEndsTheRun) {
  ASSERT_EQ(run({counting_camera("exit(7)")}), 0);
  EXPECT_EQ(dump_value("tick_count"), 10);
  EXPECT_EQ(dump_value("exit_code"), 7);
  EXPECT_EQ(word(0, 255), 10);  // the first variable
  EXPECT_EQ(word(0, 43), 10);   // timer
  EXPECT_NE(read("m.jsonl").find("When compiled, exit to sub-project 7"), std::string::npos);
  EXPECT_EQ(read("temp/wasok.dat"), "wasok\r\n");
}

TEST_F(TestRun, ExitNoticesFollowTheCode) {
  ASSERT_EQ(run({counting_camera("exit(-2)")}), 0);
  EXPECT_NE(read("m.jsonl").find("When compiled, exit to end screen"), std::string::npos);
  ASSERT_EQ(run({counting_camera("exit(0-3)")}), 0);
  EXPECT_NE(read("m.jsonl").find("When compiled, exit directly to Windows"), std::string::npos);
}

TEST_F(TestRun, TickLimitCountsTheWarmUpTicks) {
  ASSERT_EQ(run({counting_camera("exit(7)")}, "--ticks 6"), 0);
  EXPECT_EQ(dump_value("tick_count"), 6);
  EXPECT_EQ(dump_value("exit_code"), -2147483648LL);
  ASSERT_EQ(run({counting_camera("exit(7)")}, "--ticks 2"), 0);
  EXPECT_EQ(dump_value("tick_count"), 2);
  EXPECT_EQ(read("m.jsonl").find("sub-project"), std::string::npos);
}

TEST_F(TestRun, LaterElementsStillRunInTheExitTick) {
  ElementSpec second = counting_camera("n = n");
  ASSERT_EQ(run({counting_camera("exit(7)"), second}), 0);
  EXPECT_EQ(word(1, 255), 10);
}

TEST_F(TestRun, ElementsThatAreOffDoNotRun) {
  ElementSpec off = counting_camera("n = n");
  off.fields[33] = "0";
  ASSERT_EQ(run({counting_camera("exit(7)"), off}), 0);
  EXPECT_EQ(word(1, 43), 0);
  EXPECT_EQ(word(1, 255), 0);
}

TEST_F(TestRun, HeadlessRunsWithoutLimitEndWhenTheScriptIsUsedUp) {
  ElementSpec forever{{}, "var n\nn = n + 1\n"};
  EXPECT_TRUE(core::write_file_atomic(dir + "projects/t/t.prj", testing_support::project_file({forever})));
  EXPECT_TRUE(core::write_file_atomic(dir + "runmode.ini", "projects/t/t.prj\r\n1\r\n0\r\n"));
  ASSERT_EQ(quill("--headless --dump d.json"), 0);
  EXPECT_EQ(dump_value("tick_count"), 5);  // four warm-up ticks and one more
  EXPECT_EQ(dump_value("exit_code"), -1);
}

TEST_F(TestRun, EscapeEndsTheRunAfterItsTick) {
  ElementSpec forever{{}, "var n\nn = n + 1\n"};
  ASSERT_TRUE(core::write_file_atomic(dir + "keys.txt", "20 key 1 27\n"));
  ASSERT_EQ(run({forever}, "--input-script keys.txt --ticks 1000"), 0);
  const long long ticks = dump_value("tick_count");
  EXPECT_GT(ticks, 4);
  EXPECT_LT(ticks, 40);
  EXPECT_EQ(dump_value("exit_code"), -1);
}

TEST_F(TestRun, StartValuesAreConverted) {
  ElementSpec e = counting_camera("exit(1)");
  e.fields[5] = "1.5";  // position x
  e.fields[12] = "90";  // rotation y
  e.fields[17] = "30";  // velocity x
  ASSERT_EQ(run({e}), 0);
  EXPECT_EQ(word(0, 3), 768000);
  EXPECT_EQ(word(0, 7), 46080);
  EXPECT_EQ(word(0, 9), 512010);
}

TEST_F(TestRun, TwoDimensionalLayersReachTheScreenshot) {
  ElementSpec camera = counting_camera("exit(1)");
  camera.brain = "print(\"HELLO\", 0, 10, 400)\n" + camera.brain;
  ElementSpec background{{{36, "7"}, {2, "./bckgrnds/default_.pcx"}, {37, "0/0/639/479/0"}}, ""};
  ElementSpec sprite{{{36, "5"}, {2, "./sprites/default_.pcx"}, {5, "100"}, {6, "50"}, {37, "0/0/639/479/0"}}, ""};
  ElementSpec counter{
      {{36, "8"}, {2, "./counters/default_.pcx"}, {5, "300"}, {6, "200"}, {29, "123"}, {37, "1000/10/1/0/0"}}, ""};
  ASSERT_EQ(run({camera, background, sprite, counter}, "--screenshot s.png"), 0);
  int w = 0, h = 0;
  std::vector<uint8_t> px;
  ASSERT_TRUE(testing_support::read_png(read("s.png"), w, h, px));
  ASSERT_EQ(w, 640);
  auto rgb = [&](int x, int y) {
    const uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  };
  // The default mode is 16-bit: colours arrive cut to 5-6-5.
  EXPECT_EQ(rgb(5, 5), 0x101C58u);     // the background fill (20, 30, 90)
  EXPECT_EQ(rgb(116, 66), 0xF8C828u);  // the sprite's centre (255, 200, 40)
  EXPECT_EQ(rgb(100, 50), 0x101C58u);  // its transparent corner
  int white_counter = 0, white_text = 0;
  for (int y = 200; y < 224; ++y)
    for (int x = 300; x < 420; ++x) white_counter += rgb(x, y) == 0xF8FCF8;
  for (int y = 400; y < 430; ++y)
    for (int x = 10; x < 110; ++x) white_text += rgb(x, y) > 0xC0C0C0;
  EXPECT_GT(white_counter, 40);
  EXPECT_GT(white_text, 40);
}

TEST_F(TestRun, PickingFindsTheVisualUnderTheMouse) {
  ElementSpec camera{{{7, "-6.000"}, {37, "0/0/639/479/0/20&40/9"}}, "var p\np = visual_picked_get()\n"};
  ElementSpec cube{{{1, "Cube"}, {2, "./visuals/default_.v3d"}, {36, "11"}}, "var me\nme = element\n"};
  ASSERT_TRUE(core::write_file_atomic(dir + "keys.txt", "0 move 320 240\n"));
  ASSERT_EQ(run({camera, cube}, "--input-script keys.txt --ticks 8"), 0);
  EXPECT_NE(word(1, 255), 0);
  EXPECT_EQ(word(0, 255), word(1, 255));  // the camera's pick is the cube's own reference
  ASSERT_TRUE(core::write_file_atomic(dir + "keys.txt", "0 move 5 5\n"));
  ASSERT_EQ(run({camera, cube}, "--input-script keys.txt --ticks 8"), 0);
  EXPECT_EQ(word(0, 255), 0);  // nothing under the corner
}

TEST_F(TestRun, TheDemoProjectShowsItsSceneAndLayers) {
  std::string demo;
  ASSERT_TRUE(core::read_file(QUILL_SOURCE_DIR "/examples/demo/demo.prj", demo));
  ASSERT_TRUE(core::write_file_atomic(dir + "projects/t/t.prj", demo));
  ASSERT_TRUE(core::write_file_atomic(dir + "runmode.ini", "projects/t/t.prj\r\n1\r\n0\r\n"));
  ASSERT_EQ(quill("--headless --ticks 60 --screenshot s.png --messages m.jsonl"), 0);
  EXPECT_EQ(read("m.jsonl").find("ERROR"), std::string::npos);  // every brain compiled
  int w = 0, h = 0;
  std::vector<uint8_t> px;
  ASSERT_TRUE(testing_support::read_png(read("s.png"), w, h, px));
  int cube = 0, sky = 0, ink = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
      if (p[0] > 150 && p[1] > 90 && p[2] < 90) ++cube;   // the warm cube (and the ball)
      if (p[0] == 16 && p[1] == 28 && p[2] == 88) ++sky;  // (20, 30, 90) in 5-6-5
      if (p[0] > 200 && p[1] > 200 && p[2] > 200) ++ink;  // text and counter
    }
  EXPECT_GT(cube, 10000);
  EXPECT_GT(sky, 100000);
  EXPECT_GT(ink, 200);
  // The 2D layers where the project puts them: the text "quill" at (24, 16),
  // the counter at (540, 16), and the ball at y 60, 4 pixels further each of
  // the 60 ticks (the warm-up included): x = 240.
  auto count = [&](int x1, int y1, int x2, int y2, auto test) {
    int n = 0;
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) n += test(&px[(static_cast<size_t>(y) * w + x) * 4]);
    return n;
  };
  auto white = [](const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; };
  auto ball = [](const uint8_t* p) { return p[0] == 248 && p[1] == 200 && p[2] == 40; };  // (255, 200, 40)
  EXPECT_GT(count(24, 16, 100, 50, white), 40);
  EXPECT_GT(count(540, 16, 639, 50, white), 40);
  EXPECT_GT(count(240, 60, 271, 91, ball), 300);
  EXPECT_EQ(count(0, 60, 239, 91, ball) + count(272, 60, 639, 91, ball), 0);
}

}  // namespace

// In a window on a virtual desktop, a box is drawn on the tool screen and
// also goes to standard error with the answer taken (the box is answered
// here by Enter keys that xdotool sends to the window every second).
TEST_F(TestRun, BoxesTheDesktopCannotShowArePrinted) {
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xvfb-run";
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xdotool";
  write_project({{{}, "foo bar baz(\nexit(3)\n"}});
  launcher =
      "xvfb-run -a sh -c '(while sleep 1 && xdotool key Return; do :; done) >/dev/null 2>&1 & exec \"$0\" \"$@\"'";
  EXPECT_EQ(quill("--windowed --ticks 10 --messages m.jsonl"), 0);
  EXPECT_NE(last_output.find("Brackets nesting error!"), std::string::npos) << last_output;
  EXPECT_NE(last_output.find("(answered: OK)"), std::string::npos) << last_output;
}

// Files that cannot be used fall back to their defaults as before, and each
// is named once in a warning (never a box): standard error and the log.
TEST_F(TestRun, UnusableFilesAreNamedOnceEach) {
  write("sprites/broken.pcx", "this is no image");
  const ElementSpec broken{{{36, "5"}, {2, "./sprites/broken.pcx"}, {37, "0/0/639/479/0"}}, ""};
  const ElementSpec again{{{36, "5"}, {2, "./sprites/broken.pcx"}, {5, "10"}, {37, "0/0/639/479/0"}}, ""};
  const ElementSpec missing{{{36, "7"}, {2, "./bckgrnds/nothere.pcx"}, {37, "0/0/639/479/0"}}, ""};
  const ElementSpec shape{{{36, "1"}, {2, "./3dshapes/nothere.a3d"}}, ""};
  ASSERT_EQ(run({{{}, "exit(1)\n"}, broken, again, missing, shape}), 0);
  int broken_warnings = 0, missing_warnings = 0, shape_warnings = 0, boxes = 0;
  for (const testing_support::Message& m : messages()) {
    if (m.kind == "box") ++boxes;
    if (m.kind != "warning") continue;
    broken_warnings += m.text == "Cannot use 'sprites/broken.pcx' (not a PCX image); using an empty image instead.";
    missing_warnings += m.text == "Cannot use 'bckgrnds/nothere.pcx' (not found); using bckgrnds/default_.pcx instead.";
    shape_warnings += m.text.find("'3dshapes/nothere.a3d' (not found)") != std::string::npos;
  }
  EXPECT_EQ(broken_warnings, 1) << read("m.jsonl");
  EXPECT_EQ(missing_warnings, 1) << read("m.jsonl");
  EXPECT_EQ(shape_warnings, 1) << read("m.jsonl");
  EXPECT_EQ(boxes, 1);  // the exit notice alone
  EXPECT_NE(last_output.find("Cannot use 'sprites/broken.pcx'"), std::string::npos) << last_output;
}

// A test run records an element's motion, reports it and writes it to
// "data/currtrck.i3d"; a TRACK element with that file as its aspect makes
// another element retrace the path.
TEST_F(TestRun, RecordedTracksAreWrittenAndPlayBack) {
  const ElementSpec mover{{{1, "Mover"}, {17, "3.000"}, {24, "1.000"}},
                          "velocity_update(element)\nspin_update(element)\ntrack_record(element)\n"};
  ASSERT_EQ(run({mover}, "--ticks 300"), 0);
  EXPECT_NE(read("m.jsonl").find("A 10 seconds track was successfully recorded!"), std::string::npos)
      << read("m.jsonl");
  EXPECT_EQ(read("data/currtrck.i3d").size(), 300u * 24);
  const long long x = word(0, core::kPosition), ry = word(0, core::kRotation + 1);

  const ElementSpec track{{{1, "Path"}, {2, "./data/currtrck.i3d"}, {36, "9"}}, ""};
  const ElementSpec follower{{{1, "Follower"}},
                             "track_play(element, element(\"Path\"))\nvelocity_update(element)\n"
                             "spin_update(element)\n"};
  ASSERT_EQ(run({track, follower}, "--ticks 300"), 0);
  EXPECT_EQ(word(1, core::kPosition), x);
  EXPECT_EQ(word(1, core::kRotation + 1), ry);
}

// The example race: the faster car finishes its two laps first.
TEST_F(TestRun, ExampleRaceFinishesInOrder) {
  std::string race;
  ASSERT_TRUE(core::read_file(QUILL_SOURCE_DIR "/examples/race/race.prj", race));
  write("projects/t/t.prj", race);
  write("runmode.ini", "projects/t/t.prj\r\n1\r\n0\r\n0\r\n0\r\n");
  ASSERT_EQ(quill("--headless --ticks 2000 --dump d.json --messages m.jsonl --screenshot s.png"), 0);
  EXPECT_EQ(dump_value("exit_code"), 0);
  EXPECT_EQ(dump().global(1), 4);  // Red
  EXPECT_EQ(dump().global(2), 5);  // Blue
  EXPECT_LT(dump_value("tick_count"), 2000);
}
