// The menu, the input box, the colour-code picker and the display-area
// setter, answered from scripted input.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "ui/dialogs.h"
#include "ui_fixture.h"

namespace {

using ui::Rect;
using ui_testing::Ui;

using Dialogs = Ui;

TEST_F(Dialogs, MenuItemsAreChosenByClickAndFunctionKey) {
  // Three items of height 12 + 9: the column starts at y (480 - 63) / 2 = 208.
  struct Case {
    std::string script;
    int32_t chosen;
  };
  const Case cases[] = {
      {click(10, 320, 208 + 2 * 21 + 6), 3},
      {key(10, 60), 2},
      {key(10, 68), 10},
      {key(10, 69), 11},
      {key(10, 84), 11},
      {key(10, 87), 14},  // F11
      {key(10, 88), 15},  // F12
      {key(10, 1, 27), 0},
      {click(10, 560, 188), 0},                                // the close box
      {click(10, 30, 30) + key(20, 28, 13) + key(30, 59), 1},  // a click beside and Enter do nothing
  };
  for (const Case& c : cases) {
    script(c.script);
    EXPECT_EQ(ui::menu("Rename Animation|Rename .PCX List To Animation|Cancel"), c.chosen) << c.script;
    EXPECT_EQ(count({0, 0, 639, 479}, 0), 640 * 480);
  }
}

TEST_F(Dialogs, TheInputBoxEditsWithItsKeys) {
  bool confirmed = false;
  script("10 text abc\n" + key(12, 75) + key(13, 75) + key(14, 14, 8) + key(15, 83) + key(16, 71) + "17 text X\n" +
         key(18, 79) + "19 text Y\n" + key(20, 77) + key(21, 28, 13));
  EXPECT_EQ(ui::input_box(300, "", "Name of the new element", ui::InputStyle::text, &confirmed), "XcY");
  EXPECT_TRUE(confirmed);

  // Escape, the right button and the close box end it unconfirmed, with the
  // text as it stands.
  for (const std::string& end : {key(12, 1, 27), click(12, 320, 240, 2)}) {
    script("10 text zz\n" + end);
    EXPECT_EQ(ui::input_box(300, "ab", "Name?", ui::InputStyle::text, &confirmed), "abzz");
    EXPECT_FALSE(confirmed);
  }
  // The close box of a 300-wide box with one prompt line: the panel runs
  // from (170, 188) to (470, 264), so the box is (446, 194)-(461, 209).
  script(click(10, 452, 200));
  EXPECT_EQ(ui::input_box(300, "ab", "Name?", ui::InputStyle::text, &confirmed), "ab");
  EXPECT_FALSE(confirmed);
}

TEST_F(Dialogs, InputStylesFilterWhatIsTyped) {
  bool confirmed = false;
  script("10 text 1a-2\n" + key(11, 71) + "12 text -\n" + key(13, 28, 13));
  EXPECT_EQ(ui::input_box(300, "", "Count?", ui::InputStyle::number, &confirmed), "-12");
  script("10 text a/b:c*\n" + key(11, 28, 13));
  EXPECT_EQ(ui::input_box(300, "", "File?", ui::InputStyle::file_name, &confirmed), "abc");
  script("10 text pw\n" + key(11, 28, 13));
  EXPECT_EQ(ui::input_box(300, "", "Password?", ui::InputStyle::hidden, &confirmed), "pw");
}

TEST_F(Dialogs, AnInitialTextWiderThanTheFieldIsShownAndMustShrinkFirst) {
  // A box 128 wide takes texts narrower than 128 - 8 - 32 = 88 pixels.
  const std::string wide(30, 'a');
  std::string s = "10 text x\n";
  for (int i = 0; i < 21; ++i) s += key(11 + i, 14, 8);
  s += "40 text x\n" + key(41, 28, 13);
  script(s);
  EXPECT_EQ(ui::input_box(128, wide, "?", ui::InputStyle::text, nullptr), "aaaaaaaaax");
}

TEST_F(Dialogs, AClickInTheFieldMovesTheCursor) {
  // A 300-wide box: left 170, the text from 186; f = 6, h = 216, the field
  // from y 246 to 254.
  script(click(10, 186 + 17, 250) + "20 text X\n" + key(21, 28, 13));
  EXPECT_EQ(ui::input_box(300, "abcd", "?", ui::InputStyle::text, nullptr), "abXcd");
}

TEST_F(Dialogs, TheColourPickerAnswersTheSwatchClicked) {
  script(click(10, 192 + 16 * 3 + 8, 112 + 16 * 5 + 8));
  EXPECT_EQ(ui::colour_picker(7), 53);
  for (const std::string& other : {key(10, 1, 27), click(10, 248, 200, 2), click(10, 100, 100)}) {
    script(other);
    EXPECT_EQ(ui::colour_picker(7), 7) << other;
  }
}

TEST_F(Dialogs, TheDisplayAreaSetterSnapsTheNearerCornerToTheGrid) {
  int32_t area[4] = {160, 120, 479, 359};
  script(click(10, 100, 50) + click(20, 300, 200) + key(40, 1, 27));
  ui::display_area_setter(area);
  EXPECT_EQ(area[0], 96);
  EXPECT_EQ(area[1], 48);
  EXPECT_EQ(area[2], 295);
  EXPECT_EQ(area[3], 199);
  EXPECT_EQ(count({96, 48, 295, 48}, 255), 0);  // the rectangle was erased

  // A bottom-right corner that would fall before the top-left one.
  int32_t small[4] = {400, 300, 500, 400};
  script(click(10, 395, 405) + key(20, 1, 27));
  ui::display_area_setter(small);
  EXPECT_EQ(small[2], 407);
  EXPECT_EQ(small[3], 399);

  // Values past the screen are kept inside it, and a click beside a corner
  // read from a damaged record stays in range.
  int32_t wide[4] = {-5, 0, 900, 700};
  script(key(10, 1, 27));
  ui::display_area_setter(wide);
  EXPECT_EQ(wide[0], 0);
  EXPECT_EQ(wide[1], 0);
  EXPECT_EQ(wide[2], 639);
  EXPECT_EQ(wide[3], 479);
  int32_t hostile[4] = {INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX};
  script(click(10, 20, 20) + key(20, 1, 27));
  ui::display_area_setter(hostile);
  // Read as (639, 0)-(0, 479): the click is nearer the bottom-right corner,
  // which falls before the left and so goes to 639 + 7, kept at 639.
  EXPECT_EQ(hostile[0], 639);
  EXPECT_EQ(hostile[1], 0);
  EXPECT_EQ(hostile[2], 639);
  EXPECT_EQ(hostile[3], 15);
}

}  // namespace
