#include "media/font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "image_test_util.h"

namespace {

using namespace image_test;
using media::TextPos;

// 3 rows: 'A' 3 wide (a frame with a hole in the middle), 'i' 1 wide.
media::Font small_font() {
  media::Font f;
  f.glyph_height = 3;
  f.row_bytes = 2;
  f.line_gap = 4;
  f.letter_spacing = 1;
  f.space_width = 2;
  const uint8_t a[] = {1, 1, 1, 1, 0, 1, 1, 1, 1}, i[] = {1, 1, 1};
  EXPECT_TRUE(media::place_glyph(f, 'A', 3, a));
  EXPECT_TRUE(media::place_glyph(f, 'i', 1, i));
  return f;
}

struct Screen {
  std::vector<uint8_t> px;
  media::Surface8 s;
  Screen(int w, int h, int pitch) : px(static_cast<size_t>(pitch) * h, 9), s{px.data(), w, h, pitch} {}
  uint8_t at(int x, int y) const { return px[static_cast<size_t>(y) * s.pitch + x]; }
  long inked() const { return std::count(px.begin(), px.end(), 7); }
};

TEST(Font, FileRoundTripAndSmallVariant) {
  media::Font f = small_font();
  f.measure = 3;
  f.table2['A'] = -70000;
  std::string file = media::encode_font(f);
  ASSERT_EQ(file.size(), media::kFontHeaderBytes + 6);
  EXPECT_EQ(file[295 + 2 * 'i'], 3);    // placed after 'A'
  std::vector<uint8_t> ink(3 * 13, 1);  // 4 + 13 bits do not fit a 16-bit row
  EXPECT_FALSE(media::place_glyph(f, 'W', 13, ink));
  media::Font back;
  ASSERT_TRUE(media::parse_font(bytes(file), back));
  EXPECT_EQ(media::encode_font(back), file);

  std::string dir = temp_folder();
  ASSERT_TRUE(media::write_font(dir + "font8.fnt", f));
  ASSERT_TRUE(media::write_font(dir + "font.fnt", f));
  media::Font big, small;
  ASSERT_TRUE(media::load_tool_font(dir, false, big));
  ASSERT_TRUE(media::load_tool_font(dir, true, small));
  EXPECT_EQ(big.line_gap, 4);
  EXPECT_EQ(big.letter_spacing, 1);
  EXPECT_EQ(small.line_gap, 2);
  EXPECT_EQ(small.letter_spacing, 0);
}

TEST(Font, HostileFilesAreRefusedOrBounded) {
  media::Font f = small_font();
  const std::string good = media::encode_font(f);
  media::Font out = f;
  EXPECT_FALSE(media::parse_font(bytes(good.substr(0, 2866)), out));
  EXPECT_EQ(out.glyph_width['A'], 0);  // the empty font
  EXPECT_FALSE(media::parse_font(bytes(good.substr(0, good.size() - 1)), out));
  std::string big = good;
  put16(big, 809, 61);
  put32(big, 811, 0x00010064);  // 61 x 100 bytes: too many (the high half does not count)
  big.resize(media::kFontHeaderBytes + 6100);
  EXPECT_FALSE(media::parse_font(bytes(big), out));
  put16(big, 809, 60);
  EXPECT_TRUE(media::parse_font(bytes(big), out));
  EXPECT_EQ(out.row_bytes, 100);
  EXPECT_FALSE(media::load_font("/nonexistent/font.fnt", out));

  // Glyph bits past the end of a bitmap row are blank, not the next row's.
  f.glyph_start['A'] = 14;
  f.glyph_start['i'] = 60000;
  for (int row = 0; row < 3; ++row) f.bitmap[row * 2 + 1] = 0x03;
  Screen scr(20, 10, 20);
  media::draw_text(f, scr.s, "Ai", {0, 0}, 7);
  EXPECT_EQ(scr.inked(), 6);
}

TEST(Font, MeasuringModes) {
  media::Font f = small_font();
  f.table1['A'] = 10;
  f.table2['A'] = -3;
  f.table1['i'] = 2;
  EXPECT_EQ(media::text_width(f, "A iA"), 4 + 2 + 2 + 4);
  EXPECT_EQ(media::text_width(f, "\r"), 1);
  f.measure = media::kFontFixed8;
  EXPECT_EQ(media::text_width(f, "A i"), 24);
  f.measure = 17;
  EXPECT_EQ(media::text_width(f, "A iA"), 8 + 2 + 3 + 8);
  f.table1['A'] = INT32_MAX;
  EXPECT_EQ(media::text_width(f, "AA"), INT32_MAX);
}

TEST(Font, DrawingPaintsInkAndAdvances) {
  media::Font f = small_font();
  Screen scr(16, 13, 20);
  // y first moves down by half the line gap.
  EXPECT_EQ(media::draw_text(f, scr.s, "A i", {1, 0}, 7), (TextPos{1 + 4 + 2 + 2, 2}));
  EXPECT_EQ(scr.at(1, 2), 7);
  EXPECT_EQ(scr.at(3, 4), 7);
  EXPECT_EQ(scr.at(2, 3), 9);  // the hole keeps the screen
  EXPECT_EQ(scr.at(4, 2), 9);  // letter spacing is not painted
  EXPECT_EQ(scr.at(7, 2), 7);
  EXPECT_EQ(scr.inked(), 8 + 3);
  // CR returns to x 0, LF moves down by glyph height + line gap.
  EXPECT_EQ(media::draw_text(f, scr.s, "i\r\ni", {5, 0}, 7), (TextPos{2, 9}));
  EXPECT_EQ(scr.at(0, 11), 7);
}

TEST(Font, CharactersOffTheSurfaceAreSkippedWithoutAdvancing) {
  media::Font f = small_font();
  f.line_gap = 0;
  Screen scr(8, 4, 8);
  // 'A' at x 5 would reach the last column: skipped, x stays; 'i' fits.
  EXPECT_EQ(media::draw_text(f, scr.s, "Ai", {5, 0}, 7), (TextPos{7, 0}));
  EXPECT_EQ(scr.at(5, 0), 7);
  EXPECT_EQ(media::draw_text(f, scr.s, "A", {0, 1}, 7), (TextPos{0, 1}));  // reaches the last row
  EXPECT_EQ(media::draw_text(f, scr.s, "A", {-1, 0}, 7), (TextPos{-1, 0}));
  EXPECT_EQ(media::draw_text(f, scr.s, "A", {0, -1}, 7), (TextPos{0, -1}));
  EXPECT_EQ(media::draw_text(f, {nullptr, 8, 4, 8}, "A A", {0, 0}, 7), (TextPos{2, 0}));
  EXPECT_EQ(media::draw_text(f, {scr.px.data(), 8, 4, 4}, "A", {0, 0}, 7), (TextPos{0, 0}));
  EXPECT_EQ(scr.inked(), 3);
  Screen wide(8, 4, 13);  // rows follow the pitch
  media::draw_text(f, wide.s, "i", {2, 0}, 7);
  EXPECT_EQ(wide.at(2, 2), 7);
}

}  // namespace
