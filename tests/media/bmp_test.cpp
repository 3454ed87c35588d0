#include "media/bmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "image_test_util.h"

namespace {

using namespace image_test;
using media::BmpResult;
using Px = std::vector<uint32_t>;

struct BmpLayout {
  int32_t w = 2, h = 2;
  uint16_t bits = 24;
  uint32_t compression = 0, header = 40, colours_used = 0;
  std::vector<uint32_t> colours{};  // 0xRRGGBB
  std::vector<uint32_t> masks{};    // after a 40-byte header
  std::string data{};
};

std::string make_bmp(const BmpLayout& s) {
  const size_t entry = s.header == 12 ? 3 : 4;
  const size_t off = 14 + s.header + 4 * s.masks.size() + entry * s.colours.size();
  std::string f(off + 1, '\0');
  f[0] = 'B';
  f[1] = 'M';
  put32(f, 10, static_cast<uint32_t>(off));
  put32(f, 14, s.header);
  if (s.header == 12) {
    put16(f, 18, s.w), put16(f, 20, s.h), put16(f, 22, 1), put16(f, 24, s.bits);
  } else {
    put32(f, 18, s.w), put32(f, 22, s.h), put16(f, 26, 1), put16(f, 28, s.bits);
    put32(f, 30, s.compression), put32(f, 46, s.colours_used);
  }
  size_t at = 14 + s.header;
  for (uint32_t m : s.masks) put32(f, at, m), at += 4;
  for (uint32_t c : s.colours) put32(f, at, c), at += entry;  // B, G, R and a 0 (cut for core entries)
  return f.substr(0, off) + s.data;
}

Px decode(const BmpLayout& s, BmpResult expect = BmpResult::ok) {
  media::Bitmap b;
  EXPECT_EQ(media::decode_bmp(bytes(make_bmp(s)), b), expect);
  return b.pixels;
}

uint32_t rgb(uint32_t c) { return 0xFF000000u | c; }

TEST(Bmp, PlainRowsDepthsAndMasks) {
  BmpLayout s;  // 2x2, 24 bits, bottom-up, rows padded from 6 to 8 bytes
  s.data = std::string("\x01\x02\x03\x04\x05\x06\0\0\x07\x08\x09\x0a\x0b\x0c\0\0", 16);
  EXPECT_EQ(decode(s), (Px{rgb(0x090807), rgb(0x0c0b0a), rgb(0x030201), rgb(0x060504)}));
  s.h = -2;  // top-down
  EXPECT_EQ(decode(s)[0], rgb(0x030201));

  s = BmpLayout{.w = 3, .h = 1, .bits = 4, .colours = {0xFF0000, 0x00FF00, 0x0000FF}};
  s.data = std::string("\x12\xF0\0\0", 4);  // 15 is past the table: black
  EXPECT_EQ(decode(s), (Px{rgb(0x00FF00), rgb(0x0000FF), rgb(0)}));
  // OS/2 1.x: 3-byte entries, a table shorter than 2^bits.
  s = BmpLayout{.h = 1, .bits = 8, .header = 12, .colours = {0xABCDEF, 0x123456}};
  s.data = std::string("\x01\x00\x02\0", 4);
  EXPECT_EQ(decode(s), (Px{rgb(0x123456), rgb(0xABCDEF)}));

  s = BmpLayout{.h = 1, .bits = 16, .data = std::string("\xFF\x7F\x1F\x00", 4)};  // 5-5-5
  EXPECT_EQ(decode(s), (Px{rgb(0xFFFFFF), rgb(0x0000FF)}));
  s.compression = 3;
  s.masks = {0xF800, 0x07E0, 0x001F};
  s.data = std::string("\xFF\xFF\x00\xF8", 4);
  EXPECT_EQ(decode(s), (Px{rgb(0xFFFFFF), rgb(0xFF0000)}));
  s.bits = 32;  // alpha bit fields, channels out of the usual order
  s.compression = 6;
  s.masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF};
  s.data = std::string("\x80\x11\x22\x33\0\0\0\0", 8);
  EXPECT_EQ(decode(s), (Px{media::argb(0x11, 0x22, 0x33, 0x80), 0u}));
  s.compression = 0;  // without bit fields the fourth byte is not alpha
  s.masks.clear();
  EXPECT_EQ(decode(s)[0], rgb(0x221180));
}

TEST(Bmp, RunLengthCodes) {
  BmpLayout s{.w = 4, .h = 3, .bits = 8, .compression = 1, .colours = {1, 2, 3, 4}};
  s.data = std::string(
      "\x06\x01"
      "\x00\x00"  // a run of 6 cut at the row end; end of row
      "\x00\x03\x02\x03\x00\x00"
      "\x00\x00"  // 3 literals padded to even; end of row
      "\x00\x02\x02\x00"
      "\x05\x03"  // move 2 right; a run cut after 2
      "\x00\x01"
      "\x09\x09",
      22);  // end of bitmap; never read
  EXPECT_EQ(decode(s),
            (Px{rgb(0), rgb(0), rgb(4), rgb(4), rgb(3), rgb(4), rgb(1), rgb(0), rgb(2), rgb(2), rgb(2), rgb(2)}));
  s.bits = 4;  // runs alternate the two nibbles; literals come in nibble pairs
  s.compression = 2;
  s.h = 1;
  s.data = std::string("\x03\x12\x00\x01", 4);
  EXPECT_EQ(decode(s), (Px{rgb(2), rgb(3), rgb(2), rgb(0)}));
  s.data = std::string("\x00\x03\x30\x20\x00\x01", 6);
  EXPECT_EQ(decode(s), (Px{rgb(4), rgb(1), rgb(3), rgb(0)}));
  // Codes cut off by the end of the file; moves far past the image.
  for (std::string d : {std::string(1, '\0'), std::string("\0\x02\x01", 3), std::string("\0\xFF\x11", 3),
                        std::string("\0\x02\xFF\xFF\x02\x01", 6)}) {
    s.data = d;
    EXPECT_EQ(decode(s).size(), 4u);
  }
}

TEST(Bmp, RefusedHeadersAndTruncatedData) {
  const std::string good = make_bmp(BmpLayout{.data = std::string(16, '\x7f')});
  const std::vector<std::pair<std::function<void(std::string&)>, BmpResult>> cases = {
      {[](std::string& f) { f[0] = 'X'; }, BmpResult::not_bmp},
      {[](std::string& f) { put32(f, 14, 66); }, BmpResult::unsupported},
      {[](std::string& f) { put16(f, 26, 2); }, BmpResult::bad_header},           // planes
      {[](std::string& f) { put32(f, 18, 0xFFFFFFFF); }, BmpResult::bad_header},  // width -1
      {[](std::string& f) { put32(f, 22, 0x80000000); }, BmpResult::too_large},
      {[](std::string& f) { put32(f, 18, 8192), put32(f, 22, 4096); }, BmpResult::too_large},
      {[](std::string& f) { put16(f, 28, 64); }, BmpResult::unsupported},
      {[](std::string& f) { put32(f, 30, 4); }, BmpResult::unsupported},  // JPEG
      {[](std::string& f) { put32(f, 30, 1); }, BmpResult::bad_header},   // RLE8 at 24 bits
      {[](std::string& f) { put32(f, 10, 0xFFFFFFF0); }, BmpResult::bad_header},
      {[](std::string& f) { put16(f, 28, 8), put32(f, 46, 257); }, BmpResult::bad_header},
      {[](std::string& f) { put16(f, 28, 8), put32(f, 30, 1), put32(f, 22, -2); }, BmpResult::bad_header},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    std::string f = good;
    cases[i].first(f);
    media::Bitmap b;
    EXPECT_EQ(media::decode_bmp(bytes(f), b), cases[i].second) << i;
    EXPECT_TRUE(b.pixels.empty()) << i;
  }
  // A truncated file: what is missing stays black.
  BmpLayout s{.data = std::string("\x01\x02\x03\x04\x05", 5)};
  EXPECT_EQ(decode(s), (Px{rgb(0), rgb(0), rgb(0x030201), rgb(0)}));
  Px small(3);
  EXPECT_EQ(media::decode_bmp(bytes(make_bmp(s)), small), BmpResult::too_large);
}

TEST(Bmp, ShowPalette) {
  media::Palette p332 = media::palette_332();
  EXPECT_EQ(p332[0x25], (media::Rgb{36, 36, 85}));
  BmpLayout s{.bits = 8, .colours_used = 2, .colours = {0x102030, 0x405060, 0x708090}};
  media::Palette own = media::bmp_show_palette(bytes(make_bmp(s)));
  EXPECT_EQ(own[1], (media::Rgb{0x40, 0x50, 0x60}));
  EXPECT_EQ(own[2], (media::Rgb{0, 0, 0}));                   // past the colour count
  s = BmpLayout{.bits = 1, .colours = {0xFFFFFF, 0x808080}};  // count 0: 2^bits
  std::string f = make_bmp(s);
  EXPECT_EQ(media::bmp_show_palette(bytes(f))[1], (media::Rgb{0x80, 0x80, 0x80}));
  EXPECT_EQ(media::bmp_show_palette(bytes(f.substr(0, 58)))[1], (media::Rgb{0, 0, 0}));
  s.header = 12;  // other headers, true colour, missing files: 3-3-2
  EXPECT_EQ(media::bmp_show_palette(bytes(make_bmp(s))), p332);
  EXPECT_EQ(media::bmp_show_palette(bytes(make_bmp(BmpLayout{}))), p332);
}

TEST(Bmp, RealFiles) {
  const std::string dir = testdata("bmp/");
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no sample files";
  const std::map<std::string, BmpResult> refused = {{"bmpsuite_b_badbitcount.bmp", BmpResult::unsupported},
                                                    {"bmpsuite_b_badheadersize.bmp", BmpResult::unsupported},
                                                    {"bmpsuite_b_badpalettesize.bmp", BmpResult::bad_header},
                                                    {"bmpsuite_b_badplanes.bmp", BmpResult::bad_header},
                                                    {"bmpsuite_b_badwidth.bmp", BmpResult::bad_header},
                                                    {"bmpsuite_b_reallybig.bmp", BmpResult::too_large},
                                                    {"bmpsuite_b_rletopdown.bmp", BmpResult::bad_header},
                                                    {"bmpsuite_q_pal8oversizepal.bmp", BmpResult::bad_header},
                                                    {"bmpsuite_q_rgb24png.bmp", BmpResult::unsupported},
                                                    {"bmpsuite_q_rgb24rle24.bmp", BmpResult::unsupported},
                                                    {"bmpsuite_q_rgba64.bmp", BmpResult::unsupported},
                                                    {"imagers_Bad_clrsUsed.bmp", BmpResult::bad_header},
                                                    {"pillow_clipboard.dib", BmpResult::not_bmp},
                                                    {"pillow_l2rgb_read.bmp", BmpResult::bad_header}};
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    media::Bitmap b;
    auto it = refused.find(name);
    EXPECT_EQ(media::load_bmp(e.path().string(), b), it == refused.end() ? BmpResult::ok : it->second) << name;
    EXPECT_EQ(b.pixels.size(), static_cast<size_t>(b.width) * b.height) << name;
  }
  // The test-suite images show one picture; each group must decode alike.
  const std::vector<std::vector<const char*>> same = {
      {"g_pal8", "g_pal8rle", "g_pal8v5", "q_pal8os2v2", "q_pal8os2-sz", "q_pal8os2sp", "q_pal8offs"},
      {"g_rgb24", "g_rgb32", "g_rgb32bf", "q_rgb32h52", "q_rgb32-xbgr", "q_rgb32fakealpha", "g_rgb24pal",
       "q_rgb24prof"},
      {"g_rgb16", "g_rgb16bfdef"},
      {"g_rgb16-565", "g_rgb16-565pal"},
      {"q_rgba32-1", "q_rgba32-2", "q_rgba32abf", "q_rgba32h56"},
  };
  for (const auto& group : same) {
    media::Bitmap first, other;
    ASSERT_EQ(media::load_bmp(dir + "bmpsuite_" + group[0] + ".bmp", first), BmpResult::ok);
    EXPECT_EQ(first.width, 127);
    EXPECT_EQ(first.height, 64);
    for (size_t k = 1; k < group.size(); ++k) {
      ASSERT_EQ(media::load_bmp(dir + "bmpsuite_" + group[k] + ".bmp", other), BmpResult::ok);
      EXPECT_TRUE(other.pixels == first.pixels) << group[k] << " differs from " << group[0];
    }
  }
  media::Bitmap b;
  ASSERT_EQ(media::load_bmp(dir + "bmpsuite_g_rgb16-565.bmp", b), BmpResult::ok);
  EXPECT_NE(std::find(b.pixels.begin(), b.pixels.end(), 0xFFFFFFFFu), b.pixels.end());
}

}  // namespace
