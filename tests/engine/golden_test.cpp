// Golden images: headless screenshots of small scenes compared with stored
// thumbnails (4 x 4 pixel averages) within a tolerance, so that another
// build of the software rasteriser or the font library still passes while a
// misplaced layer, a wrong colour or a missing object does not.
//
// QUILL_UPDATE_GOLDEN=1 rewrites the stored thumbnails from this build.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/golden.h"
#include "support/headless_run.h"

namespace {

using testing_support::ElementSpec;

class Golden : public testing_support::HeadlessRun {
 protected:
  // Compares the run's screenshot with the stored thumbnail `name`; a
  // failing build's thumbnail stays in the kept run folder for a look.
  void expect_matches(const std::string& name) {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    ASSERT_TRUE(screenshot("s.png", w, h, px));
    testing_support::expect_golden(px, w, h, QUILL_SOURCE_DIR "/tests/engine/golden/" + name + ".ppm",
                                   dir + "golden-" + name + ".ppm");
  }
};

TEST_F(Golden, TwoDimensionalLayers) {
  ElementSpec camera{{}, "var n\nprint(\"Golden 2D\", 0, 20, 420)\nn = n + 1\nif n = 6\nexit(1)\nendif\n"};
  ElementSpec background{{{36, "7"}, {2, "./bckgrnds/default_.pcx"}, {37, "0/0/639/479/0"}}, ""};
  ElementSpec sprite{{{36, "5"}, {2, "./sprites/default_.pcx"}, {5, "100"}, {6, "50"}, {37, "0/0/639/479/0"}}, ""};
  ElementSpec half{{{36, "5"}, {2, "./sprites/default_.pcx"}, {5, "600"}, {6, "300"}, {37, "0/0/639/479/0"}}, ""};
  ElementSpec counter{
      {{36, "8"}, {2, "./counters/default_.pcx"}, {5, "300"}, {6, "200"}, {29, "-4071"}, {37, "1000/10/1/0/0"}}, ""};
  ASSERT_EQ(run({camera, background, sprite, half, counter}, "--screenshot s.png"), 0);
  expect_matches("layers2d");
}

TEST_F(Golden, FrameImage) {
  ElementSpec camera{{}, "var n\nn = n + 1\nif n = 6\nexit(1)\nendif\n"};
  ElementSpec frame{{{36, "6"}, {2, "./frames/default_.pcx"}}, ""};
  ASSERT_EQ(run({camera, frame}, "--screenshot s.png"), 0);
  expect_matches("frame16");
}

TEST_F(Golden, LitVisualSeenByTheCamera) {
  ElementSpec camera{{{7, "-6.000"}, {37, "0/0/639/479/0/20&40/9"}}, "var n\nn = n + 1\nif n = 6\nexit(1)\nendif\n"};
  ElementSpec cube{{{1, "Cube"}, {2, "./visuals/default_.v3d"}, {36, "11"}},
                   "var n\nn = n + 1\nif n = 1\nrotation_y_add(element, 30dg)\nrotation_x_add(element, 20dg)\nendif\n"};
  ElementSpec light{{{2, "-"}, {36, "10"}, {11, "30.000"}, {37, "3/255-240-220/0"}}, ""};
  ElementSpec ambient{{{2, "-"}, {36, "10"}, {37, "0/70-70-90/0"}}, ""};
  ASSERT_EQ(run({camera, cube, light, ambient}, "--screenshot s.png"), 0);
  expect_matches("visual3d");
}

TEST_F(Golden, DemoScene) {
  std::string demo;
  ASSERT_TRUE(core::read_file(QUILL_SOURCE_DIR "/examples/demo/demo.prj", demo));
  ASSERT_TRUE(core::write_file_atomic(dir + "projects/t/t.prj", demo));
  ASSERT_TRUE(core::write_file_atomic(dir + "runmode.ini", "projects/t/t.prj\r\n1\r\n0\r\n"));
  ASSERT_EQ(quill("--headless --ticks 90 --screenshot s.png"), 0);
  expect_matches("demo");
}

}  // namespace

// Lights that share their aspect text but not their field 37 keep their own
// kind and colour: a red and a green ambient light make the cube yellow.
TEST_F(Golden, LightsOfOneAspectKeepTheirColours) {
  ElementSpec camera{{{7, "-6.000"}, {37, "0/0/639/479/0/20&40/9"}}, "var n\nn = n + 1\nif n = 6\nexit(1)\nendif\n"};
  ElementSpec cube{{{1, "Cube"}, {2, "./visuals/default_.v3d"}, {36, "11"}}, ""};
  ElementSpec red{{{2, "-"}, {36, "10"}, {37, "0/255-0-0/0"}}, ""};
  ElementSpec green{{{2, "-"}, {36, "10"}, {37, "0/0-255-0/0"}}, ""};
  ASSERT_EQ(run({camera, cube, red, green}, "--screenshot s.png"), 0);
  int w = 0, h = 0;
  std::vector<uint8_t> px;
  ASSERT_TRUE(screenshot("s.png", w, h, px));
  const uint8_t* centre = &px[(static_cast<size_t>(h / 2) * w + w / 2) * 4];
  EXPECT_GT(centre[0], 60) << "red light";
  EXPECT_GT(centre[1], 60) << "green light";
}

// Two cameras on one camera file, side by side: each draws into its own half.
TEST_F(Golden, SplitScreenCamerasOfOneFile) {
  ElementSpec left{{{7, "-6.000"}, {37, "0/0/319/479/0/20&40/9"}}, "var n\nn = n + 1\nif n = 6\nexit(1)\nendif\n"};
  ElementSpec right{{{7, "-6.000"}, {37, "320/0/639/479/0/20&40/9"}}, ""};
  ElementSpec cube{{{1, "Cube"}, {2, "./visuals/default_.v3d"}, {36, "11"}}, ""};
  ElementSpec light{{{2, "-"}, {36, "10"}, {37, "0/255-255-255/0"}}, ""};
  ASSERT_EQ(run({left, right, cube, light}, "--screenshot s.png"), 0);
  int w = 0, h = 0;
  std::vector<uint8_t> px;
  ASSERT_TRUE(screenshot("s.png", w, h, px));
  auto lit = [&](int x, int y) {
    const uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
    return p[0] + p[1] + p[2] > 150;
  };
  EXPECT_TRUE(lit(w / 4, h / 2)) << "the left camera's cube";
  EXPECT_TRUE(lit(3 * w / 4, h / 2)) << "the right camera's cube";
  expect_matches("split_cameras");
}

// `debug` shows its value in the lower right corner of every later frame.
TEST_F(Golden, DebugValueShowsInTheCorner) {
  auto white_in_corner = [&](const std::string& brain) {
    ElementSpec camera{{}, brain + "var n\nn = n + 1\nif n = 6\nexit(1)\nendif\n"};
    EXPECT_EQ(run({camera}, "--screenshot s.png"), 0);
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    if (!screenshot("s.png", w, h, px)) return -1;
    int white = 0;
    for (int y = h - 40; y < h; ++y)
      for (int x = w - 200; x < w; ++x) {
        const uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
        white += p[0] > 200 && p[1] > 200 && p[2] > 200;
      }
    return white;
  };
  EXPECT_EQ(white_in_corner(""), 0);
  EXPECT_GT(white_in_corner("debug(4711)\n"), 20);
}
