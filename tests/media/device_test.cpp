// The headless device: Mesa's software rasteriser on an offscreen surface.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/state.h"
#include "media/device.h"
#include "media/png.h"
#include "media/state_local.h"
#include "platform/blit.h"
#include "platform/gl_device.h"
#include "platform/platform.h"
#include "platform/video.h"
#include "support/temp_folder.h"

namespace {

class Device : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::set_headless(true);
    ASSERT_TRUE(platform::video_init(true));
  }
  static void TearDownTestSuite() { platform::video_quit(); }

  void start(int32_t mode) {
    media::EngineSettings s;
    s.display_mode = mode;
    ASSERT_TRUE(media::start_device(s, config_, false));
  }
  void TearDown() override { media::stop_device(); }

  std::vector<uint8_t> frame() {
    std::vector<uint8_t> px(static_cast<size_t>(platform::frame_width()) * platform::frame_height() * 4);
    EXPECT_TRUE(platform::frame_read(px.data(), platform::frame_width(), platform::frame_height()));
    return px;
  }
  // The pixel as 0xBBGGRR.
  uint32_t at(const std::vector<uint8_t>& px, int x, int y) {
    uint32_t v;
    std::memcpy(&v, &px[(static_cast<size_t>(y) * platform::frame_width() + x) * 4], 4);
    return v & 0xFFFFFF;
  }

  testing_support::TempFolder folder_{"quill-device"};
  std::string config_ = folder_ / "config.ini";
};

void paint_tool_screen() {
  uint8_t rgb[768] = {};
  rgb[3 * 1 + 0] = 255;   // 1: red
  rgb[3 * 2 + 1] = 255;   // 2: green
  rgb[3 * 3 + 0] = 0x13;  // 3: a colour the 16-bit format quantises
  rgb[3 * 3 + 1] = 0x47;
  rgb[3 * 3 + 2] = 0xFF;
  media::set_tool_palette(rgb);
  uint8_t* screen = core::state().pools.tool_screen.bytes();
  std::memset(screen, 1, 640 * 480);
  screen[0] = 2;                // top-left
  screen[479 * 640 + 639] = 3;  // bottom-right
}

TEST_F(Device, ToolScreenFillsThe640Mode) {
  start(1);
  EXPECT_EQ(platform::frame_width(), 640);
  media::state().pointer_hidden = true;
  paint_tool_screen();
  media::present_tool_screen();
  auto px = frame();
  EXPECT_EQ(at(px, 0, 0), 0x00FC00u);
  EXPECT_EQ(at(px, 320, 240), 0x0000F8u);
  // 0x13, 0x47, 0xFF through 5-6-5 and back.
  EXPECT_EQ(at(px, 639, 479), (0xF8u << 16) | (0x44u << 8) | 0x10u);
}

TEST_F(Device, ToolScreenIsCentredIn800x600WithABlackBorder) {
  start(8);
  ASSERT_EQ(platform::frame_width(), 800);
  media::state().pointer_hidden = true;
  paint_tool_screen();
  platform::frame_clear();
  media::present_tool_screen();
  auto px = frame();
  EXPECT_EQ(at(px, 79, 59), 0u);
  EXPECT_EQ(at(px, 80, 60), 0x00FC00u);
  EXPECT_EQ(at(px, 719, 539), (0xF8u << 16) | (0x44u << 8) | 0x10u);
  EXPECT_EQ(at(px, 720, 540), 0u);
  media::present_tool_screen_stretched();
  px = frame();
  EXPECT_EQ(at(px, 0, 0), 0x00FC00u);
  EXPECT_EQ(at(px, 400, 300), 0x0000F8u);
}

TEST_F(Device, PointerIsDrawnOverButNotIntoTheToolScreen) {
  start(1);
  media::State& m = media::state();
  m.pointer_hidden = false;
  std::memset(m.pointer, 0, sizeof m.pointer);
  m.pointer[0] = 2;  // one green pixel at the hot spot
  m.input.mouse_x = 630;
  m.input.mouse_y = 470;
  paint_tool_screen();
  media::present_tool_screen();
  auto px = frame();
  EXPECT_EQ(at(px, 630, 470), 0x00FC00u);
  EXPECT_EQ(core::state().pools.tool_screen.bytes()[470 * 640 + 630], 1);
  m.pointer_hidden = true;
}

// Frames of the 16-bit modes are cut to 5-6-5 when presented; the 32-bit
// modes keep every bit. Colours already on the 5-6-5 grid stay as they are.
TEST_F(Device, SixteenBitModesCutPresentedColours) {
  struct Case {
    int32_t mode;
    uint32_t shown;  // 0xBBGGRR of the fill 0x13 47 FF (r, g, b) after presenting
  } cases[] = {{1, 0xF84410}, {2, 0xFF4713}, {4, 0xF84410}, {8, 0xFF4713}, {16, 0xF84410}, {32, 0xFF4713}};
  for (const Case& c : cases) {
    start(c.mode);
    platform::frame_fill({0, 0, 99, 99}, 0x1347FF);
    platform::frame_fill({100, 0, 199, 99}, 0xF8FCF8);
    platform::frame_present();
    const std::vector<uint8_t> px = frame();
    EXPECT_EQ(at(px, 50, 50), c.shown) << "mode " << c.mode;
    EXPECT_EQ(at(px, 150, 50), 0xF8FCF8u) << "mode " << c.mode;
    platform::frame_present();  // a second cut changes nothing
    EXPECT_EQ(at(frame(), 50, 50), c.shown) << "mode " << c.mode;
    media::stop_device();
  }
}

TEST_F(Device, ScreenshotIsAPng) {
  start(1);
  std::string path = folder_ / "screenshot.png";
  ASSERT_TRUE(media::save_screenshot(path));
}

TEST(Png, ChunksCarryValidChecksums) {
  std::vector<uint8_t> rgba(70000 * 4 / 4 * 4, 0x7F);  // more than one stored block
  std::string png = media::encode_png(rgba.data(), 350, 200);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  size_t pos = 8;
  int chunks = 0;
  while (pos + 12 <= png.size()) {
    auto u32 = [&](size_t p) {
      return uint32_t(uint8_t(png[p])) << 24 | uint32_t(uint8_t(png[p + 1])) << 16 |
             uint32_t(uint8_t(png[p + 2])) << 8 | uint8_t(png[p + 3]);
    };
    uint32_t len = u32(pos);
    ASSERT_LE(pos + 12 + len, png.size());
    uint32_t crc = media::crc32(reinterpret_cast<const uint8_t*>(png.data() + pos + 4), len + 4);
    EXPECT_EQ(crc, u32(pos + 8 + len));
    pos += 12 + len;
    ++chunks;
  }
  EXPECT_EQ(pos, png.size());
  EXPECT_EQ(chunks, 3);
  EXPECT_EQ(media::encode_png(rgba.data(), 0, 5), "");
}

}  // namespace
