// Overlay text in the headless frame.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "media/device.h"
#include "media/overlay.h"
#include "media/state_local.h"
#include "platform/gl_device.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "platform/video.h"
#include "support/temp_folder.h"

namespace {

class Overlay : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::set_headless(true);
    ASSERT_TRUE(platform::video_init(true));
    media::EngineSettings s;
    ASSERT_TRUE(media::start_device(s, testing_support::temp_folder("quill-overlay") + "config.ini", false));
  }
  static void TearDownTestSuite() {
    media::stop_device();
    platform::video_quit();
  }
  void SetUp() override {
    platform::frame_clear();
    media::overlay_clear();
  }

  // Bounding box of the pixels brighter than `level` in the red channel, and
  // their count.
  struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1, count = 0;
  };
  Box ink(int channel = 0, int level = 128) {
    std::vector<uint8_t> px(640 * 480 * 4);
    EXPECT_TRUE(platform::frame_read(px.data(), 640, 480));
    Box b;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        if (px[(y * 640 + x) * 4 + channel] > level) {
          b.x0 = std::min(b.x0, x);
          b.y0 = std::min(b.y0, y);
          b.x1 = std::max(b.x1, x);
          b.y1 = std::max(b.y1, y);
          ++b.count;
        }
    return b;
  }
};

TEST_F(Overlay, TextLandsAtItsPositionInItsColour) {
  media::overlay_fonts_reset();
  media::overlay_position(100, 200);
  media::overlay_colour(0x0000FF);  // red
  media::overlay_text("HELLO", 0);
  media::overlay_draw();
  Box red = ink(0);
  ASSERT_GT(red.count, 50);
  EXPECT_GE(red.x0, 100);
  EXPECT_LE(red.x0, 106);
  EXPECT_GE(red.y0, 200);
  EXPECT_LE(red.y1, 200 + 28);
  EXPECT_NEAR(red.x1 - 100, platform::text_width(0, "HELLO"), 6);
  EXPECT_EQ(ink(1).count, 0);  // no green: the colour was red
}

TEST_F(Overlay, ColourStartsWhiteAndNumbersFormat) {
  media::overlay_fonts_reset();
  media::overlay_number(-12345, 2, 3);
  media::overlay_draw();
  Box b = ink(1);
  EXPECT_GT(b.count, 30);
  EXPECT_LT(b.y1, 28);
  char out[32];
  media::format_number(out, sizeof out, -12345, 2);
  EXPECT_STREQ(out, "-123.45");
  media::format_number(out, sizeof out, 7, 0);
  EXPECT_STREQ(out, "7");
  media::format_number(out, sizeof out, 5, 99);  // decimals bounded
  EXPECT_STREQ(out, "0.000000005");
}

TEST_F(Overlay, FontSetClampsAndCaches) {
  media::overlay_fonts_reset();
  media::overlay_font_set("Arial", 5000, 20, 56);  // slot 15, weight 1000
  int big = platform::text_width(15, "MMMM");
  EXPECT_GT(big, platform::text_width(0, "MMMM") * 3 / 2);
  EXPECT_TRUE(platform::font_slot_set(15, "Arial", 56, 1000));  // same again: cached
  EXPECT_FALSE(platform::font_slot_set(16, "Arial", 28, 400));
  EXPECT_EQ(platform::text_width(-1, "x"), 0);
  EXPECT_TRUE(platform::font_slot_set(2, "No Such Family At All", 100000, 400));  // substituted, height bounded
}

TEST_F(Overlay, FullListDropsInsteadOfOverflowing) {
  std::string line(1000, 'x');
  for (int i = 0; i < 200; ++i) media::overlay_text(line.c_str(), 0);
  EXPECT_LE(media::state().overlay.text_used, media::kOverlayTextBytes);
  for (int i = 0; i < media::kOverlayCommands + 10; ++i) media::overlay_colour(i);
  EXPECT_EQ(media::state().overlay.count, media::kOverlayCommands);
}

}  // namespace
