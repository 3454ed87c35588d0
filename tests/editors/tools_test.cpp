// The rules of the small tools and the brain comments the parameter editor
// shows, without the screen; the renaming operations on real files.
#include <gtest/gtest.h>

#include "core/files.h"
#include "editors/parameters.h"
#include "editors/tools.h"
#include "support/temp_folder.h"

namespace {

TEST(ChannelMapRules, CodesWrapAndOnlyCollidingTypesTakePart) {
  EXPECT_EQ(editors::stepped_code(11, true), 0);
  EXPECT_EQ(editors::stepped_code(0, false), 11);
  EXPECT_EQ(editors::stepped_code(4, true), 5);
  EXPECT_EQ(editors::stepped_code(4, false), 3);
  for (int type : {0, 1, 2, 3, 11, 13}) EXPECT_TRUE(editors::collides(type)) << type;
  for (int type : {-1, 4, 5, 6, 7, 8, 9, 10, 12, 14}) EXPECT_FALSE(editors::collides(type)) << type;
}

TEST(BackgroundRules, RepetitionsArePowersOfTwo) {
  for (int32_t bad : {0, 3, 6, -2, -2147483647 - 1, 1000}) EXPECT_FALSE(editors::valid_repetitions(bad)) << bad;
  for (int32_t good : {1, 2, 64, 1 << 30}) EXPECT_TRUE(editors::valid_repetitions(good)) << good;
}

TEST(BackgroundRules, AClickMovesTheNearerBandRow) {
  int32_t upper = 100, lower = 300;
  editors::band_click(279, upper, lower);  // r = 280, nearer the lower row
  EXPECT_EQ(lower, 280);
  EXPECT_EQ(upper, 100);
  editors::band_click(49, upper, lower);
  EXPECT_EQ(upper, 50);
  // Equally near: the upper row moves.
  editors::band_click(164, upper, lower);
  EXPECT_EQ(upper, 165);
  EXPECT_EQ(lower, 280);
  // An upper row pushed below the lower one stops 7 rows above it.
  upper = 200;
  lower = 210;
  editors::band_click(299, upper, lower);  // r = 300: nearer the lower row
  EXPECT_EQ(lower, 300);
  upper = 200;
  lower = 100;  // out of order already: the upper row is nearer
  editors::band_click(179, upper, lower);
  EXPECT_EQ(upper, 93);
}

TEST(BrainComments, LabelsAndDescriptionComeFromComments) {
  const std::string brain =
      "; Follows the player\r\n"
      ";   around the track\r\n"
      "\r\n"
      "var a = 1 ; not a label\r\n"
      "userint speed = 2 ; How fast\r\n"
      "  ; in metres\r\n"
      "x = 1\r\n"
      "UserDeg turn = 90\r\n"
      "; The turn\r\n";
  EXPECT_EQ(editors::brain_description(brain, false), "Follows the player around the track");
  EXPECT_EQ(editors::parameter_label(brain, 0), "How fast in metres");
  EXPECT_EQ(editors::parameter_label(brain, 1), "The turn");
  EXPECT_EQ(editors::parameter_label(brain, 2), "");
  EXPECT_EQ(editors::brain_description("junk\r\n@0\r\n;first\r\n;second\r\n@1\r\n", true), "first second");
  EXPECT_EQ(editors::brain_description("", false), "");
}

class Renaming : public ::testing::Test {
 protected:
  testing_support::TempFolder folder{"quill-rename"};
  const std::string& dir = folder.path();
  void make(const std::string& name) { ASSERT_TRUE(core::write_file_atomic(dir + name, "frame " + name)); }
  std::string read(const std::string& name) {
    std::string text;
    core::read_file(dir + name, text);
    return text;
  }
};

TEST_F(Renaming, AnAnimationMovesEveryFrame) {
  for (const char* n : {"walk.pcx", "walk.002", "walk.003", "walk.005"}) make(n);
  EXPECT_EQ(editors::rename_animation(dir, "walk.pcx", "run"), 3);
  EXPECT_EQ(read("run.pcx"), "frame walk.pcx");
  EXPECT_EQ(read("run.003"), "frame walk.003");
  EXPECT_FALSE(core::file_exists(dir + "walk.pcx"));
  EXPECT_FALSE(core::file_exists(dir + "walk.002"));
  EXPECT_TRUE(core::file_exists(dir + "walk.005"));  // after a gap: not a frame
  // Renaming to its own name would delete the frames: refused.
  EXPECT_EQ(editors::rename_animation(dir, "run.pcx", "run"), -1);
  EXPECT_EQ(read("run.pcx"), "frame walk.pcx");
}

TEST_F(Renaming, ANumberedListBecomesAnAnimation) {
  for (int k = 1; k <= 9; ++k) make("fire" + std::to_string(k) + ".pcx");
  EXPECT_EQ(editors::list_to_animation(dir, "fire4.pcx"), 9);
  EXPECT_EQ(read("fire.pcx"), "frame fire1.pcx");
  EXPECT_EQ(read("fire.002"), "frame fire2.pcx");
  EXPECT_EQ(read("fire.009"), "frame fire9.pcx");
  EXPECT_FALSE(core::file_exists(dir + "fire1.pcx"));
  EXPECT_FALSE(core::file_exists(dir + "fire9.pcx"));
  // Three digits.
  for (int k = 1; k <= 3; ++k) make("ex00" + std::to_string(k) + ".pcx");
  EXPECT_EQ(editors::list_to_animation(dir, "ex002.pcx"), 3);
  EXPECT_EQ(read("ex.003"), "frame ex003.pcx");
}

}  // namespace
