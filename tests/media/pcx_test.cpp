#include "media/pcx.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "image_test_util.h"
#include "media/palette.h"

namespace {

using namespace image_test;
using media::ImageSize;
using media::PcxMode;

// A PCX by hand: the header bounds, raw RLE data, and (when wanted) a
// palette whose entry i is (i, 255 - i, i / 2).
std::string make_pcx(int xmin, int ymin, int xmax, int ymax, const std::string& data, bool palette = true) {
  std::string f(128, '\0');
  f[0] = 10;
  put16(f, 4, static_cast<uint16_t>(xmin));
  put16(f, 6, static_cast<uint16_t>(ymin));
  put16(f, 8, static_cast<uint16_t>(xmax));
  put16(f, 10, static_cast<uint16_t>(ymax));
  f += data;
  for (int i = 0; palette && i < 256; ++i) f += {char(i), char(255 - i), char(i / 2)};
  return f;
}

std::vector<uint8_t> pixels(const std::string& file, PcxMode mode = PcxMode::file_palette) {
  return media::decode_pcx(bytes(file), mode).pixels;
}

TEST(ProgramPalette, NearestColourRule) {
  EXPECT_EQ(media::nearest_program_colour(255, 255, 255), 255);
  EXPECT_EQ(media::nearest_program_colour(250, 245, 240), 254);
  EXPECT_EQ(media::nearest_program_colour(10, 10, 10), 1);
  EXPECT_EQ(media::nearest_program_colour(5, 5, 5), 0);
  // Each near-black and near-white test needs all three conditions.
  EXPECT_EQ(media::nearest_program_colour(15, 20, 0), 2);
  EXPECT_EQ(media::nearest_program_colour(241, 241, 238), 253);  // sum 720
  EXPECT_EQ(media::nearest_program_colour(240, 255, 255), 253);
  EXPECT_EQ(media::nearest_program_colour(146, 43, 213), 36 * 3 + 6 * 1 + 4 + 2);
  media::Palette p = media::program_palette();
  for (int i = 0; i < 256; ++i) EXPECT_EQ(media::nearest_program_colour(p[i]), i) << i;
}

TEST(Pcx, OddWidthRowsAndRuns) {
  // Width 5: each row is coded as 6 pixels and the sixth is dropped.
  std::string f = make_pcx(0, 0, 4, 1, {1, 2, 3, 4, 5, 99, char(0xC6), 7});
  EXPECT_EQ(media::pcx_size(bytes(f)), (ImageSize{5, 2}));
  EXPECT_EQ(pixels(f), (std::vector<uint8_t>{1, 2, 3, 4, 5, 7, 7, 7, 7, 7}));
  // Signed bounds -2..1; 0xC0 is a run of nothing, 0xC1 0xC8 a single 200.
  f = make_pcx(-2, 3, 1, 3, {char(0xC0), 50, char(0xC1), char(200), char(0xC3), 9});
  EXPECT_EQ(media::pcx_size(bytes(f)), (ImageSize{4, 1}));
  EXPECT_EQ(pixels(f), (std::vector<uint8_t>{200, 9, 9, 9}));
}

TEST(Pcx, ThreeModes) {
  std::string f = make_pcx(0, 0, 3, 0, {0, 1, char(0xC1), char(255), 3});
  media::Palette pal{};
  std::vector<uint8_t> px(4);
  EXPECT_EQ(media::decode_pcx(bytes(f), px, PcxMode::file_palette, &pal), 4);
  EXPECT_EQ(px, (std::vector<uint8_t>{0, 1, 255, 3}));
  EXPECT_EQ(pal[3], (media::Rgb{3, 252, 1}));
  std::vector<uint8_t> two = pixels(f, PcxMode::palette_after);
  ASSERT_EQ(two.size(), 4u + 768u);
  EXPECT_EQ(std::vector<uint8_t>(two.end() - 3, two.end()), (std::vector<uint8_t>{255, 0, 127}));
  std::vector<uint8_t> zero = pixels(f, PcxMode::remap);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(zero[i], media::nearest_program_colour(pal[px[i]])) << i;
}

TEST(Pcx, BadFilesAndHostileData) {
  std::string good = make_pcx(0, 0, 1, 1, std::string(4, 5));
  for (const std::string& f :
       {std::string(), std::string(127, '\x0a'), "P" + good.substr(1), make_pcx(5, 0, 4, 0, ""),
        make_pcx(0, 0, -32768, 0, ""), make_pcx(0, 0, 16384, 0, ""), make_pcx(0, 0, 16383, 16383, "")}) {
    EXPECT_EQ(media::pcx_size(bytes(f)), (ImageSize{1, 1}));
    EXPECT_EQ(pixels(f, PcxMode::palette_after), std::vector<uint8_t>(1 + 768, 0));
  }
  EXPECT_EQ(media::pcx_size(bytes(make_pcx(0, 0, 16383, 4095, ""))), (ImageSize{16384, 4096}));
  EXPECT_EQ(media::read_pcx_size("/nonexistent/x.pcx"), (ImageSize{1, 1}));
  EXPECT_EQ(media::load_pcx("/nonexistent/x.pcx", PcxMode::file_palette).pixels, std::vector<uint8_t>{0});

  // A run of 10 in a 4-wide row stops at the row, even when the data ends.
  EXPECT_EQ(pixels(make_pcx(0, 0, 3, 1, {char(0xCA), 9})), (std::vector<uint8_t>{9, 9, 9, 9, 0, 0, 0, 0}));
  EXPECT_EQ(pixels(make_pcx(0, 0, 2, 0, {char(0xFF), 4, char(0xFF), 4}), PcxMode::palette_after).size(), 771u);
  // A run byte with no value after it; no room for a palette (all black).
  media::PcxImage img = media::decode_pcx(bytes(make_pcx(0, 0, 3, 0, {7, char(0xC2)}, false)), PcxMode::file_palette);
  EXPECT_EQ(img.pixels, (std::vector<uint8_t>{7, 0, 0, 0}));
  EXPECT_EQ(img.palette, media::Palette{});
  // A destination that is too small is left alone.
  std::vector<uint8_t> small(4 + 767, 0xEE);
  EXPECT_EQ(media::decode_pcx(bytes(make_pcx(0, 0, 3, 0, {1, 2, 3, 4})), small, PcxMode::palette_after), 0);
  EXPECT_EQ(small, std::vector<uint8_t>(4 + 767, 0xEE));
}

TEST(Pcx, EncoderRoundTrip) {
  const int w = 131, h = 3;  // odd width, values above 191, runs longer than 63
  std::vector<uint8_t> px(w * h);
  for (int i = 0; i < w * h; ++i) px[i] = i < 100 ? 200 : static_cast<uint8_t>(i * 7);
  media::Palette pal = media::program_palette();
  std::string path = temp_folder() + "x.pcx";
  ASSERT_TRUE(media::write_pcx(path, w, h, px, pal));
  EXPECT_EQ(media::read_pcx_size(path), (ImageSize{w, h}));
  media::PcxImage img = media::load_pcx(path, PcxMode::file_palette);
  EXPECT_EQ(img.pixels, px);
  EXPECT_EQ(img.palette, pal);
  EXPECT_TRUE(media::encode_pcx(0, 1, {}, pal).empty());
  EXPECT_TRUE(media::encode_pcx(2, 2, px, pal).empty());
}

uint32_t fnv(std::span<const uint8_t> b) {
  uint32_t h = 2166136261u;
  for (uint8_t v : b) h = (h ^ v) * 16777619u;
  return h;
}

TEST(Pcx, RealFiles) {
  if (!std::filesystem::exists(testdata("pcx"))) GTEST_SKIP() << "no sample files";
  // Pixel hashes from an independent decoder.
  struct Known {
    const char* name;
    ImageSize size;
    uint32_t hash;
  };
  for (Known k : {Known{"allegro_allegro.pcx", {320, 200}, 0x3822c687u},
                  Known{"imagers_256-palette.pcx", {435, 353}, 0x76d7831eu}}) {
    media::PcxImage img = media::load_pcx(testdata("pcx/") + k.name, PcxMode::palette_after);
    EXPECT_EQ(img.size, k.size) << k.name;
    EXPECT_EQ(fnv(std::span(img.pixels).first(k.size.pixels())), k.hash) << k.name;
    EXPECT_EQ(img.pixels[k.size.pixels() + 3], img.palette[1].r);
  }
  // Every file, the malformed ones too, decodes in every mode.
  for (const auto& e : std::filesystem::directory_iterator(testdata("pcx"))) {
    for (PcxMode m : {PcxMode::remap, PcxMode::file_palette, PcxMode::palette_after}) {
      media::PcxImage img = media::load_pcx(e.path().string(), m);
      EXPECT_EQ(img.pixels.size(), media::pcx_buffer_bytes(img.size, m)) << e.path();
      EXPECT_EQ(img.size, media::read_pcx_size(e.path().string())) << e.path();
    }
  }
}

}  // namespace
