#include "media/texture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image_test_util.h"

namespace {

using namespace image_test;
using media::AlphaMode;

// A w x h image whose pixel i is index (i x 37) mod 256, grey palette.
std::string write_image(const std::string& path, int w, int h, media::Palette pal = {}) {
  if (pal == media::Palette{}) {
    for (int i = 0; i < 256; ++i) pal[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
  }
  std::vector<uint8_t> px(static_cast<size_t>(w) * h);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>(i * 37);
  EXPECT_TRUE(media::write_pcx(path, w, h, px, pal));
  return path;
}

TEST(Texture, ColourTableAlphaModes) {
  media::Palette p{};
  p[1] = {128, 128, 128}, p[2] = {40, 40, 40}, p[3] = {255, 7, 129}, p[4] = {1, 0, 0}, p[5] = {100, 60, 20};
  auto key = media::texture_colour_table(p, AlphaMode::colour_key);
  EXPECT_EQ(key[0], 0x00000000u);  // pure black is transparent
  EXPECT_EQ(key[4], 0xFF000000u);  // near black is opaque, though shown black
  EXPECT_EQ(key[3], media::argb(248, 0, 128, 255));
  auto bright = media::texture_colour_table(p, AlphaMode::brightness);
  EXPECT_EQ(media::alpha_of(bright[1]), 255);  // 263 capped
  EXPECT_EQ(media::alpha_of(bright[2]), 82);
  EXPECT_EQ(media::alpha_of(bright[5]), 123);
  EXPECT_EQ(bright[3] & 0xFFFFFF, key[3] & 0xFFFFFF);
}

TEST(Texture, PowerOfTwoRuleAndFallback) {
  std::string dir = temp_folder();
  std::string error = write_image(dir + "error.pcx", 2, 4);
  media::TextureSource src = media::open_texture(write_image(dir + "t.pcx", 64, 32), error);
  EXPECT_FALSE(src.fallback);
  std::vector<uint32_t> buf(media::texture_words(src));
  ASSERT_EQ(buf.size(), 64u * 32u);
  media::TextureRecord rec = media::build_texture(src, AlphaMode::colour_key, buf);
  EXPECT_EQ(rec.pixels, buf.data());
  EXPECT_EQ(rec.width, 64);
  EXPECT_EQ(rec.log2_width, 6);
  EXPECT_EQ(rec.height, 32);
  EXPECT_EQ(rec.bytes_per_pixel, 4);
  EXPECT_EQ(std::memcmp(&rec.tag, "d3b.", 4), 0);
  for (size_t i = 0; i < buf.size(); ++i) {  // every pixel widened from its own index
    uint8_t index = static_cast<uint8_t>(i * 37), v = index & 0xF8;
    ASSERT_EQ(buf[i], index ? media::argb(v, v, v) : 0u) << i;
  }

  src = media::open_texture(write_image(dir + "odd.pcx", 100, 64), error);
  EXPECT_TRUE(src.fallback);
  buf.assign(8, 0);
  rec = media::build_texture(src, AlphaMode::colour_key, buf);
  EXPECT_EQ(rec.width, 2);
  EXPECT_EQ(rec.log2_width, 1);
  EXPECT_EQ(buf[1], media::argb(32, 32, 32));
  EXPECT_TRUE(media::open_texture(dir + "missing.pcx", error).fallback);

  // No usable fallback either: one transparent black pixel.
  uint32_t one = 0x12345678;
  rec = media::load_texture(dir + "odd.pcx", dir + "odd.pcx", AlphaMode::colour_key, {&one, 1});
  EXPECT_EQ(rec.width, 1);
  EXPECT_EQ(one, 0u);
  // A 1x1 image has no room for a palette after its pixel, yet loads.
  media::Palette pal{};
  pal[0] = {200, 100, 50};
  media::load_texture(write_image(dir + "one.pcx", 1, 1, pal), "", AlphaMode::colour_key, {&one, 1});
  EXPECT_EQ(one, media::argb(200, 96, 48, 255));
  // A buffer that is too small is left alone.
  std::vector<uint32_t> small(7, 7);
  rec = media::load_texture(error, "", AlphaMode::colour_key, small);
  EXPECT_EQ(rec.pixels, nullptr);
  EXPECT_EQ(small, std::vector<uint32_t>(7, 7));
}

}  // namespace
