// With the headless display device: the rendered 3D thumbnails, and the
// tool screen as the display shows it (boxes, the stretched present).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/files.h"
#include "media/config.h"
#include "media/device.h"
#include "media/model3ds.h"
#include "media/pcx.h"
#include "media/shape_file.h"
#include "platform/gl_device.h"
#include "platform/scene.h"
#include "platform/video.h"
#include "support/cube_triangles.h"
#include "support/temp_folder.h"
#include "ui/files.h"
#include "ui/preview_local.h"
#include "ui/thumbnails.h"
#include "ui_fixture.h"

namespace {

using ui_testing::Ui;

class Display : public Ui {
 protected:
  static void SetUpTestSuite() {
    Ui::SetUpTestSuite();
    ASSERT_TRUE(platform::video_init(true));
  }
  static void TearDownTestSuite() { platform::video_quit(); }

  void start(int32_t mode) {
    media::EngineSettings s;
    s.display_mode = mode;
    ASSERT_TRUE(media::start_device(s, dir + "config.ini", false));
    // The palette goes to the device with the interface image.
    const std::string panels = shell::default_panels_pcx(false);
    ASSERT_TRUE(ui::use_panels(media::as_bytes(panels)));
  }
  void SetUp() override {
    Ui::SetUp();
    saved_program_ = core::state().folders.program;
    saved_data_ = core::state().folders.data;
    core::state().folders.program = dir;
    core::state().folders.data = dir;
  }
  void TearDown() override {
    media::stop_device();
    core::state().folders.program = saved_program_;
    core::state().folders.data = saved_data_;
  }

  // A cube of side 2 as a .3ds file.
  void cube(const std::string& name) {
    core::make_folders(core::folder_of(dir + name));
    ASSERT_TRUE(media::save_3ds(dir + name, testing_support::cube_triangles(), true));
  }

  static int lit_pixels(const std::vector<uint8_t>& rgba) {
    int n = 0;
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) n += rgba[i] + rgba[i + 1] + rgba[i + 2] > 30;
    return n;
  }

  // The frame's pixel as red, green, blue.
  static media::Rgb frame_pixel(int x, int y) {
    std::vector<uint8_t> px(static_cast<size_t>(platform::frame_width()) * platform::frame_height() * 4);
    EXPECT_TRUE(platform::frame_read(px.data(), platform::frame_width(), platform::frame_height()));
    const uint8_t* p = &px[(static_cast<size_t>(y) * platform::frame_width() + x) * 4];
    return {p[0], p[1], p[2]};
  }
  static void expect_near(media::Rgb got, media::Rgb want) {
    EXPECT_NEAR(got.r, want.r, 8);
    EXPECT_NEAR(got.g, want.g, 8);
    EXPECT_NEAR(got.b, want.b, 8);
  }

  testing_support::TempFolder folder_{"quill-ui-display"};
  const std::string dir = folder_.path();

 private:
  std::string saved_program_, saved_data_;
};

TEST_F(Display, ModelsVisualsAndCamerasRenderTheirThumbnails) {
  start(1);
  cube("3dsfiles/default_.3ds");
  cube("3dsfiles/box.3ds");
  // One part, red (fields 25 to 27).
  std::string visual = "1||./3dsfiles/box.3ds";
  for (int k = 4; k <= 31; ++k) visual += k == 25 ? "|255" : k == 5 ? "|3" : k == 29 ? "|1" : "|0";
  core::make_folders(dir + "visuals");
  ASSERT_TRUE(core::write_file_atomic(dir + "visuals/red.v3d", visual + "\r\n"));
  core::make_folders(dir + "cameras");
  std::string camera(176, '\0');
  std::memcpy(camera.data(), "d30.", 4);
  ASSERT_TRUE(core::write_file_atomic(dir + "cameras/c.03d", camera));
  ASSERT_TRUE(core::write_file_atomic(dir + "junk.3ds", "not a model"));

  const int before = platform::frame_create(-1);
  std::vector<uint8_t> rgba;
  ASSERT_TRUE(ui::render_preview(-4, dir + "3dsfiles/box.3ds", 160, 120, rgba));
  ASSERT_EQ(rgba.size(), 160u * 120 * 4);
  EXPECT_GT(lit_pixels(rgba), 160 * 120 / 10);
  const uint8_t* centre = &rgba[(60 * 160 + 80) * 4];
  EXPECT_GT(centre[0] + centre[1] + centre[2], 30);  // the model sits in the middle

  ASSERT_TRUE(ui::render_preview(11, dir + "visuals/red.v3d", 160, 120, rgba));
  const uint8_t* red = &rgba[(60 * 160 + 80) * 4];
  EXPECT_GT(red[0], red[1] + 20);  // the part's colour
  EXPECT_GT(red[0], red[2] + 20);

  ASSERT_TRUE(ui::render_preview(0, dir + "cameras/c.03d", 160, 120, rgba));
  EXPECT_GT(lit_pixels(rgba), 100);

  EXPECT_FALSE(ui::render_preview(-4, dir + "junk.3ds", 160, 120, rgba));
  EXPECT_FALSE(ui::render_preview(-4, dir + "missing.3ds", 160, 120, rgba));
  EXPECT_FALSE(ui::render_preview(0, dir + "junk.3ds", 160, 120, rgba));
  EXPECT_FALSE(ui::render_preview(11, dir + "missing.v3d", 160, 120, rgba));
  // What the scene held before is still there.
  EXPECT_TRUE(platform::frame_valid(before));
  platform::frame_delete(before);
}

TEST_F(Display, ThumbnailsOfShapesAndImagesFitTheirSize) {
  start(1);
  core::make_folders(dir + "3dshapes");
  ASSERT_TRUE(media::save_shape(dir + "3dshapes/box.a3d", media::box_shape(1000, 500, 800, 0xFFFFFF, false)));
  std::vector<uint8_t> pixels;
  ASSERT_TRUE(ui::file_thumbnail(1, dir + "3dshapes/box.a3d", 40, 30, pixels));
  ASSERT_EQ(pixels.size(), 40u * 30);
  EXPECT_NE(std::count(pixels.begin(), pixels.end(), pixels[0]), 40 * 30);
  // A 4 x 2 picture, left half colour 1 and right half colour 2, in a
  // 40 x 10 thumbnail: 20 x 10 in the middle, colour 0 either side.
  media::Palette palette{};
  palette[1] = {255, 0, 0};
  palette[2] = {0, 0, 255};
  const std::vector<uint8_t> image{1, 1, 2, 2, 1, 1, 2, 2};
  ASSERT_TRUE(media::write_pcx(dir + "two.pcx", 4, 2, image, palette));
  ASSERT_TRUE(ui::file_thumbnail(5, dir + "two.pcx", 40, 10, pixels));
  ASSERT_EQ(pixels.size(), 40u * 10);
  EXPECT_EQ(pixels[5 * 40 + 5], 0);
  EXPECT_EQ(pixels[5 * 40 + 35], 0);
  EXPECT_NE(pixels[5 * 40 + 12], 0);
  EXPECT_NE(pixels[5 * 40 + 12], pixels[5 * 40 + 27]);
  EXPECT_EQ(pixels[0 * 40 + 12], pixels[9 * 40 + 12]);
  // Nothing to show: pixels untouched.
  ASSERT_TRUE(core::write_file_atomic(dir + "junk.pcx", "no picture"));
  const std::vector<uint8_t> before = pixels;
  EXPECT_FALSE(ui::file_thumbnail(5, dir + "junk.pcx", 40, 10, pixels));
  EXPECT_FALSE(ui::file_thumbnail(-1, dir + "junk.pcx", 40, 10, pixels));
  EXPECT_FALSE(ui::file_thumbnail(1, dir + "missing.a3d", 40, 10, pixels));
  EXPECT_FALSE(ui::file_thumbnail(9, dir + "two.pcx", 40, 10, pixels));
  EXPECT_FALSE(ui::file_thumbnail(5, dir + "two.pcx", 0, 10, pixels));
  EXPECT_FALSE(ui::file_thumbnail(5, dir + "two.pcx", 641, 10, pixels));
  EXPECT_EQ(pixels, before);
#ifdef QUILL_TESTDATA
  // Every shared sample image either makes a thumbnail of the asked size
  // or is refused.
  for (const char* folder : {"/bmp/", "/pcx/"}) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(std::string(QUILL_TESTDATA) + folder, ec)) {
      pixels.clear();
      if (ui::file_thumbnail(folder[1] == 'b' ? -1 : 5, e.path().string(), 3, 2, pixels)) {
        EXPECT_EQ(pixels.size(), 6u) << e.path();
      }
    }
  }
#endif
}

TEST_F(Display, TheSharedModelSamplesRenderOrAreRefused) {
#ifdef QUILL_TESTDATA
  start(1);
  const std::string folder = std::string(QUILL_TESTDATA) + "/3ds/";
  if (!core::file_exists(folder + "assimp_test1.3ds")) GTEST_SKIP() << "no shared samples";
  std::vector<uint8_t> rgba;
  int rendered = 0;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec))
    rendered += ui::render_preview(-4, e.path().string(), 160, 120, rgba);
  EXPECT_GT(rendered, 5);
  // And page by page in the picture selector, every file named in
  // crashed.txt while it is drawn and the file gone afterwards.
  ui::set_picture_page(1);
  script(key(40, 81) + key(80, 81) + key(120, 1, 27));
  EXPECT_EQ(ui::picture_file_selector(folder, 12, "Models"), "");
  EXPECT_EQ(ui::picture_page(), 2);
  EXPECT_FALSE(core::file_exists(dir + "crashed.txt"));
#else
  GTEST_SKIP() << "no shared samples";
#endif
}

TEST_F(Display, ABoxIsShownOnTheDisplay) {
  start(1);
  media::input().mouse_x = 600;  // the pointer out of the way
  media::input().mouse_y = 450;
  ui::draw_choice_box("Quit?", " YES ", " NO ");
  ui::present();
  const media::Palette& p = ui::tool_palette();
  expect_near(frame_pixel(300, 230), p[ui::colour(ui::Colour::panel)]);
  expect_near(frame_pixel(300, 185), p[ui::colour(ui::Colour::title)]);
  expect_near(frame_pixel(10, 10), {0, 0, 0});
  const media::Rgb pointer = frame_pixel(602, 458);
  EXPECT_GT(pointer.r + pointer.g + pointer.b, 600);  // the white of the pointer
  // Answered, it leaves a black display.
  script(key(5, 28, 13));
  EXPECT_EQ(ui::message_box("Quit?", " YES ", " NO "), 1);
  expect_near(frame_pixel(300, 230), {0, 0, 0});
}

TEST_F(Display, TheDisplayAreaSetterCoversTheWholeDisplay) {
  start(4);  // 800 x 600: the tool screen is stretched by 1.25
  ASSERT_EQ(platform::frame_width(), 800);
  media::input().mouse_x = 300;
  media::input().mouse_y = 300;
  ui::fill({0, 0, 639, 479}, ui::colour(ui::Colour::title));
  ui::present_stretched();
  const media::Palette& p = ui::tool_palette();
  expect_near(frame_pixel(5, 5), p[ui::colour(ui::Colour::title)]);
  expect_near(frame_pixel(790, 590), p[ui::colour(ui::Colour::title)]);
  ui::clear_display();
  ui::present();  // the plain present leaves a border
  expect_near(frame_pixel(5, 5), {0, 0, 0});
}

}  // namespace
