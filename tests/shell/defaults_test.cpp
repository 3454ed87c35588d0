#include <gtest/gtest.h>

#include <cstdlib>

#include "core/files.h"
#include "engine/ground_grid.h"
#include "media/bmp.h"
#include "media/font.h"
#include "media/pcx.h"
#include "media/wav.h"
#include "shell/defaults.h"
#include "support/temp_folder.h"

namespace {

class Defaults : public ::testing::Test {
 protected:
  static std::string dir;
  static void SetUpTestSuite() {
    dir = testing_support::temp_folder("quill-defaults");
    for (const char* f : {"data", "sprites", "counters", "frames", "bckgrnds", "images"}) core::make_folders(dir + f);
    std::string error;
    ASSERT_TRUE(shell::write_default_resources(dir, error)) << error;
  }
};
std::string Defaults::dir;

TEST_F(Defaults, FontsParseAndMeasure) {
  media::Font font, small;
  ASSERT_TRUE(media::load_tool_font(dir + "data/", false, font));
  ASSERT_TRUE(media::load_tool_font(dir + "data/", true, small));
  EXPECT_EQ(font.measure, media::kFontProportional);
  EXPECT_GT(media::text_width(font, "WWW"), media::text_width(font, "iii"));
  EXPECT_EQ(media::text_width(small, "abcd"), 32);
  EXPECT_EQ(small.glyph_height, 8);
}

TEST_F(Defaults, ImagesHaveTheirShapes) {
  EXPECT_EQ(media::read_pcx_size(dir + "data/panels.pcx").width, 128);
  const media::ImageSize error = media::read_pcx_size(dir + "data/error.pcx");
  EXPECT_EQ(error.width & (error.width - 1), 0);
  EXPECT_EQ(media::read_pcx_size(dir + "frames/default_.pcx").width, 640);
  media::Bitmap bmp;
  EXPECT_EQ(media::load_bmp(dir + "data/error.bmp", bmp), media::BmpResult::ok);
  EXPECT_EQ(bmp.width, 64);
  for (int i = 1; i <= 6; ++i) EXPECT_TRUE(core::file_exists(dir + "images/jeep00" + std::to_string(i) + "_.pcx"));
}

TEST_F(Defaults, CounterStripHasThirteenGlyphsBetweenEmptyColumns) {
  const media::PcxImage strip = media::load_pcx(dir + "counters/default_.pcx", media::PcxMode::file_palette);
  int glyphs = 0;
  bool in_glyph = false;
  for (int x = 0; x < strip.size.width; ++x) {
    bool ink = false;
    for (int y = 0; y < strip.size.height; ++y) ink |= strip.pixels[static_cast<size_t>(y) * strip.size.width + x] != 0;
    if (ink && !in_glyph) ++glyphs;
    in_glyph = ink;
  }
  EXPECT_EQ(glyphs, 13);
}

// The ground map boundary elements fall back to: level at 0 out to 100
// units each way.
TEST_F(Defaults, GroundMapIsLevelGround) {
  std::string bytes, why;
  ASSERT_TRUE(core::read_file(dir + "grndmaps/default_.m3d", bytes));
  engine::GroundCache map;
  ASSERT_TRUE(engine::read_ground_cache({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, map, why))
      << why;
  EXPECT_EQ(map.record[3], 200000);
  for (int32_t x : {-99999, 0, 99999}) {
    const engine::GroundFound f = engine::ground_query(map.view, x * 512, 0, 512000, -x * 512);
    EXPECT_GE(f.triangle, 0) << x;
    EXPECT_EQ(f.height, 0);
  }
}

TEST_F(Defaults, TheDefaultSoundIsAShortAudibleWave) {
  std::string file;
  ASSERT_TRUE(core::read_file(dir + "sounds/default_.wav", file));
  const media::Wave w = media::read_wav(file);
  ASSERT_TRUE(w.ok()) << w.error;
  const size_t frames = w.samples.size() * 8 / static_cast<size_t>(w.bits * w.channels);
  EXPECT_GT(frames, static_cast<size_t>(w.rate) / 10);
  EXPECT_LT(frames, static_cast<size_t>(w.rate));
  int loud = 0;
  for (size_t i = 0; i + 1 < w.samples.size(); i += 2)
    loud += std::abs(static_cast<int16_t>(uint8_t(w.samples[i]) | uint8_t(w.samples[i + 1]) << 8)) > 8000;
  EXPECT_GT(loud, 100);
}

TEST_F(Defaults, ExistingFilesAreKept) {
  ASSERT_TRUE(core::write_file_atomic(dir + "data/error.pcx", "mine"));
  std::string error;
  ASSERT_TRUE(shell::write_default_resources(dir, error));
  std::string text;
  core::read_file(dir + "data/error.pcx", text);
  EXPECT_EQ(text, "mine");
}

}  // namespace
