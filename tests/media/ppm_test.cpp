#include "media/ppm.h"

#include <gtest/gtest.h>

#include <string>

#include "media/pcx.h"

namespace {

media::Bitmap decode(const std::string& file, bool expect_ok = true) {
  media::Bitmap b;
  EXPECT_EQ(media::decode_ppm(media::as_bytes(file), b), expect_ok) << file.substr(0, 40);
  return b;
}

TEST(Ppm, BinaryAndTextFormsScaleTheirSamples) {
  std::string p6 = "P6\n# made by hand\n2 1\n255\n";
  p6 += std::string("\xFF\x00\x80\x10\x20\x30", 6);
  const media::Bitmap b = decode(p6);
  ASSERT_EQ(b.pixels.size(), 2u);
  EXPECT_EQ(b.pixels[0], media::argb(255, 0, 128));
  EXPECT_EQ(b.pixels[1], media::argb(16, 32, 48));

  // Two-byte samples, most significant first; a largest value of 1000.
  std::string wide = "P6 1 1 1000 ";
  wide += std::string("\x03\xE8\x01\xF4\x00\x00", 6);
  EXPECT_EQ(decode(wide).pixels[0], media::argb(255, 128, 0));

  // Text samples; one above the largest value reads as the largest.
  const media::Bitmap t = decode("P3\n2 2 15 # comment\n15 0 0  0 15 0\n0 0 15  99 7 0\n");
  ASSERT_EQ(t.width, 2);
  ASSERT_EQ(t.height, 2);
  EXPECT_EQ(t.pixels[0], media::argb(255, 0, 0));
  EXPECT_EQ(t.pixels[2], media::argb(0, 0, 255));
  EXPECT_EQ(t.pixels[3], media::argb(255, 119, 0));
}

TEST(Ppm, ShortDataLeavesBlackAndBadHeadersAreRefused) {
  // Half a pixel of data: the rest is black.
  const media::Bitmap b = decode(std::string("P6 2 2 255\n\xFF\xFF\xFF\x10", 14));
  ASSERT_EQ(b.pixels.size(), 4u);
  EXPECT_EQ(b.pixels[0], media::argb(255, 255, 255));
  EXPECT_EQ(b.pixels[1], media::argb(0, 0, 0));
  EXPECT_EQ(decode("P3 2 1 255 1 2 3 4").pixels[1], media::argb(0, 0, 0));

  for (const char* bad : {"", "P6", "P5 1 1 255 x", "P6 0 1 255 ", "P6 1 0 255 ", "P6 1 1 0 ", "P6 1 1 65536 ",
                          "P6 16385 1 255 ", "P6 16384 16384 255 ", "P6 x 1 255", "P6 99999999999999999999 1 255"}) {
    const media::Bitmap r = decode(bad, false);
    EXPECT_TRUE(r.pixels.empty()) << bad;
    int32_t w = 0, h = 0;
    EXPECT_FALSE(media::read_ppm_size(media::as_bytes(std::string(bad)), w, h)) << bad;
  }
  int32_t w = 0, h = 0;
  EXPECT_TRUE(media::read_ppm_size(media::as_bytes(std::string("P6 640 480 255 ")), w, h));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  media::Bitmap missing;
  EXPECT_FALSE(media::load_ppm("/nonexistent/x.ppm", missing));
}

}  // namespace
