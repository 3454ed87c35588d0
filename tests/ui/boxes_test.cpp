// The message box in its three forms, answered from scripted input.
#include <gtest/gtest.h>

#include "media/device.h"
#include "ui_fixture.h"

namespace {

using ui::Rect;
using ui_testing::Ui;

using Box = Ui;

int centre_x(Rect r) { return (r.left + r.right - 4) / 2; }
int centre_y(Rect r) { return (r.top + r.bottom - 4) / 2; }

TEST_F(Box, AChoiceIsAnsweredByItsButtonsEnterAndDelete) {
  const ui::BoxLayout b = ui::choice_box_layout("Quit?", " YES ", " NO ");
  struct Case {
    std::string script;
    int answer;
  };
  const Case cases[] = {
      // (A Delete after the click would answer 2 if the click had missed.)
      {click(20, centre_x(b.buttons[0]), centre_y(b.buttons[0])) + key(40, 83), 1},
      {click(20, centre_x(b.buttons[1]), centre_y(b.buttons[1])), 2},
      {key(20, 28, 13), 1},
      {key(20, 83), 2},
      // Escape and a click beside the buttons do nothing; the box waits on.
      {key(10, 1, 27) + click(20, b.buttons[1].right + 30, centre_y(b.buttons[1])) + key(40, 83), 2},
      // A click over the message text does nothing either.
      {click(20, 320, b.panel.top + 40) + click(40, centre_x(b.buttons[1]), centre_y(b.buttons[1])), 2},
  };
  for (const Case& c : cases) {
    script(c.script);
    EXPECT_EQ(ui::message_box("Quit?", " YES ", " NO "), c.answer) << c.script;
  }
  // Once the script is used up a box takes Enter.
  script("");
  EXPECT_EQ(ui::message_box("Quit?", " YES ", " NO "), 1);
}

TEST_F(Box, AChoiceBoxHasTheDescribedGeometryAndLeavesABlackScreen) {
  // One line of 5 characters (40 pixels), labels of 5 and 4 (40 and 32).
  const ui::BoxLayout b = ui::choice_box_layout("Quit?", " YES ", " NO ");
  // Inner width from 44 in steps of 4 past 32 + 40 + 4 + 68 = 144: 148;
  // width 180, line height 18, height 18 x 5 = 90, corners on even pixels.
  EXPECT_EQ(b.lines, 1);
  EXPECT_EQ(b.panel, (Rect{230, 178, 410, 284}));
  EXPECT_EQ(b.buttons[0], (Rect{242, 248, 298, 266}));
  EXPECT_EQ(b.buttons[1], (Rect{346, 248, 394, 266}));

  EXPECT_EQ(ui::draw_choice_box("Quit?", " YES ", " NO ").panel, b.panel);
  dump("choice");
  EXPECT_EQ(at(227, 230), 0);
  EXPECT_NE(at(228, 230), 0);
  EXPECT_EQ(at(300, 230), ui::colour(ui::Colour::panel));
  EXPECT_EQ(at(300, 185), ui::colour(ui::Colour::title));
  EXPECT_EQ(at(251, 261), ui::colour(ui::Colour::button));
  EXPECT_EQ(ui::button_rect(0), b.buttons[0]);
  EXPECT_EQ(ui::button_rect(1), b.buttons[1]);
  // The labels in the label colour inside their buttons, the text in the
  // message colour centred on the box (x 300..339), its cell centred on
  // top + 12 + 9 + 8 = 223.
  ui::set_text_colour(ui::colour(ui::Colour::label));
  EXPECT_GT(ink({250, 250, 290, 264}), 40);
  EXPECT_GT(ink({354, 250, 390, 264}), 30);
  ui::set_text_colour(ui::colour(ui::Colour::message));
  EXPECT_GT(ink({300, 218, 339, 228}), 40);
  EXPECT_EQ(ink({230, 210, 299, 236}), 0);
  EXPECT_EQ(ink({340, 210, 410, 236}), 0);

  script("30 key 28 13\n");
  ui::message_box("Quit?", " YES ", " NO ");
  EXPECT_EQ(count({0, 0, 639, 479}, 0), 640 * 480);  // cleared when answered
}

TEST_F(Box, BothButtonsShowTheFirstLabelWhenTheSecondIsEmpty) {
  const ui::BoxLayout same = ui::choice_box_layout("Done", " OK ", " OK ");
  const ui::BoxLayout empty = ui::choice_box_layout("Done", " OK ", "");
  EXPECT_EQ(same.buttons[0], empty.buttons[0]);
  EXPECT_EQ(same.buttons[1], empty.buttons[1]);
  ui::draw_choice_box("Done", " OK ", "");
  ui::set_text_colour(ui::colour(ui::Colour::label));
  const Rect l = same.buttons[0], r = same.buttons[1];
  EXPECT_GT(ink(l), 20);
  EXPECT_EQ(ink(l), ink(r));
  // Each of two identical buttons answers its own number.
  script(click(20, centre_x(same.buttons[1]), centre_y(same.buttons[1])));
  EXPECT_EQ(ui::message_box("Done", " OK ", ""), 2);
  script(click(20, centre_x(same.buttons[0]), centre_y(same.buttons[0])));
  EXPECT_EQ(ui::message_box("Done", " OK ", " OK "), 1);
}

TEST_F(Box, LongTextsKeepTheBoxAndItsButtonsOnTheScreen) {
  std::string sentence;  // about 900 pixels
  for (int i = 0; i < 28; ++i) sentence += "word ";
  const ui::BoxLayout wrapped = ui::choice_box_layout(sentence, " OK ", "");
  EXPECT_EQ(wrapped.lines, 2);
  EXPECT_GE(wrapped.panel.left, 0);
  EXPECT_LE(wrapped.panel.right, 639);

  // A path without blanks, far wider than the screen, is broken between characters.
  const std::string path = "/home/somebody/" + std::string(150, 'x') + ".prj";
  const ui::BoxLayout b = ui::choice_box_layout("Cannot read " + path, " OK ", "");
  EXPECT_GE(b.panel.left, 0);
  EXPECT_LE(b.panel.right, 639);
  EXPECT_EQ(b.lines, 4);  // "Cannot read", then 70 + 70 + 29 characters

  // So many lines that the box would leave the screen: the last ones are cut.
  std::string many;
  for (int i = 0; i < 60; ++i) many += "line|";
  const ui::BoxLayout tall = ui::choice_box_layout(many, " YES ", " NO ");
  EXPECT_GE(tall.panel.top, 0);
  EXPECT_LE(tall.buttons[0].bottom, 479);
  script(click(20, centre_x(tall.buttons[1]), centre_y(tall.buttons[1])));
  EXPECT_EQ(ui::message_box(many, " YES ", " NO "), 2);
}

TEST_F(Box, ANoticeHidesThePointerUntilTheAllEmptyCall) {
  media::hide_pointer(false);
  EXPECT_EQ(ui::message_box("Loading data, please wait...", "", ""), 0);
  EXPECT_TRUE(media::hide_pointer(true));  // the notice hid it
  media::hide_pointer(true);
  // Drawn at once: a panel in the middle with the text, nothing waited for.
  EXPECT_EQ(core::state().pump_count, 0u);
  EXPECT_GT(count({150, 150, 489, 329}, ui::colour(ui::Colour::panel)), 1000);
  ui::set_text_colour(ui::colour(ui::Colour::message));
  EXPECT_GT(ink({150, 200, 489, 279}), 100);
  dump("notice");

  // A notice of several lines.
  EXPECT_EQ(ui::message_box("Compiling|brains|please wait", "", ""), 0);
  EXPECT_GT(count({200, 150, 439, 329}, ui::colour(ui::Colour::panel)), 1000);

  EXPECT_EQ(ui::message_box("", "", ""), 0);
  EXPECT_FALSE(media::hide_pointer(false));  // shown again
  EXPECT_EQ(count({0, 0, 639, 479}, 0), 640 * 480);
}

TEST_F(Box, AChoiceDuringANoticeShowsThePointerForItsAnswer) {
  ui::message_box("Compiling brains, please wait...", "", "");
  script("5 key 28 13\n");
  EXPECT_EQ(ui::message_box("'x' brain ERROR!", " OK ", ""), 1);
  EXPECT_TRUE(media::hide_pointer(true));  // still in the notice state afterwards
  ui::message_box("", "", "");
}

}  // namespace
