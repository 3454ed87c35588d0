// The tool screen's primitives, the word wrap, the button table, the input
// field and the interface image.
#include <gtest/gtest.h>

#include <cstring>

#include "media/pcx.h"
#include "support/temp_folder.h"
#include "ui/events.h"
#include "ui_fixture.h"

namespace {

using ui::Rect;
using ui_testing::Ui;

using Screen = Ui;

TEST_F(Screen, FillsClipOnEverySideAndXorTwiceRestores) {
  ui::fill({-10, -10, 5, 5}, 7);
  EXPECT_EQ(at(0, 0), 7);
  EXPECT_EQ(at(5, 5), 7);
  EXPECT_EQ(at(6, 5), 0);
  ui::fill({630, 470, 700, 900}, 9);
  EXPECT_EQ(at(639, 479), 9);
  EXPECT_EQ(count({0, 0, 639, 479}, 9), 10 * 10);
  ui::fill({640, 0, 700, 10}, 3);  // starts past the right edge
  ui::fill({20, 20, 10, 30}, 3);   // right before left
  EXPECT_EQ(count({0, 0, 639, 479}, 3), 0);

  ui::fill({100, 100, 110, 110}, 0x0F);
  ui::fill({105, 105, 120, 120}, -0xFF);
  EXPECT_EQ(at(106, 106), 0xF0);
  EXPECT_EQ(at(115, 115), 0xFF);
  ui::fill({105, 105, 120, 120}, -0xFF);
  EXPECT_EQ(at(106, 106), 0x0F);
  EXPECT_EQ(at(115, 115), 0);

  // An XOR outline changes each of its pixels once, corners included.
  ui::xor_outline({200, 200, 220, 210}, 255);
  EXPECT_EQ(at(200, 200), 255);
  EXPECT_EQ(at(220, 210), 255);
  EXPECT_EQ(at(210, 205), 0);
  EXPECT_EQ(count({200, 200, 220, 210}, 255), 2 * 21 + 2 * 9);
  ui::xor_outline({200, 200, 220, 210}, 255);
  EXPECT_EQ(count({200, 200, 220, 210}, 255), 0);
}

TEST_F(Screen, LinesWalkTheLongerAxisAndClip) {
  ui::line(10, 10, 20, 13, 5);
  EXPECT_EQ(count({0, 0, 30, 30}, 5), 11);
  EXPECT_EQ(at(10, 10), 5);
  EXPECT_EQ(at(20, 13), 5);
  ui::line(50, 0, 50, 479, 6);
  EXPECT_EQ(count({50, 0, 50, 479}, 6), 480);
  ui::line(-1000, -1000, 2000, 1500, 8);  // mostly off the screen
  EXPECT_GT(count({0, 0, 639, 479}, 8), 0);
}

TEST_F(Screen, WordWrapBreaksBeforeWordsPast560Pixels) {
  // The block font is 8 pixels a character, spaces included.
  EXPECT_EQ(ui::word_wrap("Save changes?"), "Save changes? ");
  EXPECT_EQ(ui::word_wrap(""), "");

  std::string sentence;  // 30 words of 3 letters: 960 pixels with their spaces
  for (int i = 0; i < 30; ++i) sentence += (i ? " " : "") + std::string("abc");
  const std::string wrapped = ui::word_wrap(sentence);
  std::string_view lines[8];
  const int n = ui::split_lines(wrapped, lines, 8);
  EXPECT_EQ(n, 2);
  for (int i = 0; i < n; ++i) {
    std::string_view l = lines[i];
    while (!l.empty() && l.back() == ' ') l.remove_suffix(1);
    EXPECT_LE(ui::text_width(l), ui::kWrapWidth);
  }
  std::string joined;
  for (char c : wrapped)
    if (c != '|') joined += c;
  EXPECT_EQ(joined, sentence + " ");  // every word keeps its trailing space

  // A break written into the text starts a new count.
  const std::string long_line(66, 'x');
  EXPECT_EQ(ui::word_wrap(long_line + "|ab cd"), long_line + "|ab cd ");
  EXPECT_EQ(ui::word_wrap(long_line + " ab cd"), long_line + " ab |cd ");
  // A single word wider than the wrap width stays whole.
  const std::string path(90, 'p');
  EXPECT_EQ(ui::word_wrap("x " + path), "x |" + path + " ");
}

TEST_F(Screen, PanelsRoundToFourAndPlaceTheirBoxes) {
  ui::add_button({0, 0, 20, 20}, false);
  ui::draw_panel({101, 50, 301, 201}, true);
  // Rounded: left 100, top 48, right 300 - 4, bottom 200 - 4; the frame
  // covers 100..299 and 48..199.
  EXPECT_EQ(at(99, 100), 0);
  EXPECT_NE(at(100, 100), 0);
  EXPECT_NE(at(299, 100), 0);
  EXPECT_EQ(at(300, 100), 0);
  EXPECT_NE(at(150, 199), 0);
  EXPECT_EQ(at(150, 200), 0);
  EXPECT_EQ(at(200, 150), ui::colour(ui::Colour::panel));
  EXPECT_EQ(at(200, 60), ui::colour(ui::Colour::title));
  EXPECT_EQ(ui::close_box(), (Rect{278, 54, 293, 69}));
  EXPECT_EQ(ui::minimise_box(), (Rect{260, 54, 275, 69}));
  EXPECT_EQ(ui::button_rect(0), (Rect{-1, -1, -1, -1}));  // the table was emptied

  media::input().mouse_x = 285;
  media::input().mouse_y = 60;
  EXPECT_EQ(ui::button_under_mouse(), ui::kCloseBox);
  ui::draw_panel({101, 50, 301, 201}, false);
  EXPECT_EQ(ui::button_under_mouse(), ui::kNoButton);
}

TEST_F(Screen, TheButtonTableHoldsFiftyAndRefusesMore) {
  ui::draw_panel({0, 0, 639, 479}, false);
  for (int i = 0; i < ui::kButtonCount; ++i)
    ASSERT_EQ(ui::add_button({10 + (i % 10) * 60, 40 + (i / 10) * 40, 60 + (i % 10) * 60, 70 + (i / 10) * 40}, i == 3),
              i);
  const uint8_t before = at(620, 450);
  EXPECT_EQ(ui::add_button({600, 440, 635, 470}, false), -1);
  EXPECT_EQ(at(620, 450), before);  // a refused button is not drawn
  EXPECT_TRUE(ui::button_is_field(3));
  EXPECT_FALSE(ui::button_is_field(4));
  EXPECT_FALSE(ui::button_is_field(50));
  EXPECT_EQ(at(20, 50), ui::colour(ui::Colour::button));
  EXPECT_EQ(at(200, 50), ui::colour(ui::Colour::field));

  // The first button holding the mouse answers; overlapping ones behind it do not.
  media::input().mouse_x = 25;
  media::input().mouse_y = 45;
  EXPECT_EQ(ui::button_under_mouse(), 0);
  media::input().mouse_x = 5;
  EXPECT_EQ(ui::button_under_mouse(), ui::kNoButton);
}

TEST_F(Screen, TheMinimiseBoxWaitsUntilTheWindowIsActiveAgain) {
  ui::draw_panel({100, 100, 400, 300}, true);
  const Rect m = ui::minimise_box();
  script("3 deactivate\n40 activate\n60 key 28 13\n");
  media::input().mouse_x = m.left + 4;
  media::input().mouse_y = m.top + 4;
  media::input().mouse_buttons = 1;
  EXPECT_EQ(ui::button_under_mouse(), ui::kNoButton);
  EXPECT_GE(core::state().pump_count, 40u);
  EXPECT_LT(core::state().pump_count, 60u);
  EXPECT_TRUE(media::window_active());
}

TEST_F(Screen, TextIsCentredWrappedAndPrinted) {
  ui::set_text_colour(44);
  ui::draw_centred_text("AB", 100, 100);
  // "AB" is 16 wide: x from 92; its glyph cells start 5 above the centre,
  // moved down by half the line gap; the ink begins a row into the cell.
  EXPECT_EQ(at(92, 97), 44);
  EXPECT_EQ(at(91, 97), 0);
  EXPECT_EQ(at(92, 96), 0);
  EXPECT_EQ(at(105, 104), 44);

  ui::clear_screen();
  ui::draw_wrapped_text("aaaa bbbb cccc", {300, 300, 340, 399});  // 41 wide: one word a line
  int rows_with_ink = 0;
  for (int y = 300; y < 400; ++y) rows_with_ink += count({300, y, 340, y}, 44) > 0;
  EXPECT_EQ(rows_with_ink, 3 * 8);
  EXPECT_EQ(count({300, 300, 340, 323}, 44), 0);  // the block is centred vertically
  EXPECT_GT(count({304, 330, 304, 340}, 44), 0);  // each 32-pixel word centred in 41

  ui::clear_screen();
  ui::draw_text("", 10, 200);
  ui::print_line("one");
  ui::print_line("two");
  EXPECT_GT(count({0, 200, 30, 211}, 44), 0);
  EXPECT_GT(count({0, 212, 30, 223}, 44), 0);

  testing_support::TempFolder folder("quill-ui-print");
  ASSERT_TRUE(ui::open_print_file(folder / "out.txt"));
  ui::print_line("alpha");
  ui::print_line("beta");
  ui::close_print_file();
  std::string text;
  ASSERT_TRUE(core::read_file(folder / "out.txt", text));
  EXPECT_EQ(text, "alpha\r\nbeta\r\n");
  EXPECT_FALSE(ui::open_print_file(folder / "missing/out.txt"));
}

TEST_F(Screen, TheInputFieldEditsAroundItsCursor) {
  ui::draw_panel({0, 0, 639, 479}, false);
  const int field = ui::add_button({100, 100, 180, 124}, true);  // room for 8 characters
  const int plain = ui::add_button({100, 200, 180, 224}, false);
  std::string t = "ab|c";
  t = ui::input_field(t, 'x', 45, field);
  EXPECT_EQ(t, "abx|c");
  t = ui::input_field(t, 0, 75, field);  // Left
  EXPECT_EQ(t, "ab|xc");
  t = ui::input_field(t, 8, 14, field);  // Backspace
  EXPECT_EQ(t, "a|xc");
  t = ui::input_field(t, 0, 83, field);  // Delete
  EXPECT_EQ(t, "a|c");
  t = ui::input_field(t, 0, 79, field);  // End
  EXPECT_EQ(t, "ac|");
  t = ui::input_field(t, 0, 71, field);  // Home
  EXPECT_EQ(t, "|ac");
  t = ui::input_field(t, 0, 77, field);  // Right
  EXPECT_EQ(t, "a|c");
  t = ui::input_field(t, '.', 83, field);  // the keypad point types a point
  EXPECT_EQ(t, "a.|c");
  t = ui::input_field(t, '|', 43, field);  // refused
  EXPECT_EQ(t, "a.|c");
  t = ui::input_field(t, 'q', 59, field);  // F1 types nothing
  EXPECT_EQ(t, "a.|c");
  for (int i = 0; i < 10; ++i) t = ui::input_field(t, 'm', 50, field);
  EXPECT_EQ(t, "a.mmmmm|c");                                 // then the field is full
  EXPECT_EQ(ui::input_field("ab|", 'x', 45, plain), "ab|");  // not an input field

  // Control or Alt held: nothing changes.
  media::input().held[29] = 1;
  EXPECT_EQ(ui::input_field("ab|", 'x', 45, field), "ab|");
  media::input().held[29] = 0;
  media::input().held[56] = 1;
  EXPECT_EQ(ui::input_field("ab|", 'x', 45, field), "ab|");
  media::input().held[56] = 0;
  EXPECT_EQ(ui::modifiers(), 0);
  media::input().held[54] = 1;
  EXPECT_EQ(ui::modifiers(), 3);

  // A click places the cursor after the characters left of it.
  media::input().mouse_x = 100 + 4 + 17;
  media::input().mouse_y = 110;
  media::input().mouse_buttons = 1;
  EXPECT_EQ(ui::input_field("abcd|", 0, 0, field), "ab|cd");
  // The field is cleared with colour 210 and the cursor drawn in the label colour.
  EXPECT_EQ(at(102, 105), 210);
  EXPECT_EQ(at(100 + 16 + 3, 110), ui::colour(ui::Colour::label));
}

TEST_F(Screen, TheInterfaceImageCarriesTheColoursAndGraphics) {
  using ui::Colour;
  auto c = [](Colour k) { return ui::colour(k); };
  // Text stands out from what it is drawn on, and the surfaces differ.
  EXPECT_NE(c(Colour::message), c(Colour::panel));
  EXPECT_NE(c(Colour::label), c(Colour::button));
  EXPECT_NE(c(Colour::menu_label), c(Colour::button));
  EXPECT_NE(c(Colour::field_text), c(Colour::field_back));
  EXPECT_NE(c(Colour::title), c(Colour::panel));
  EXPECT_NE(c(Colour::button), c(Colour::panel));
  EXPECT_EQ(c(Colour::field), 210);  // the input field of the tools is cleared with 210
  const media::Palette& p = ui::tool_palette();
  auto brightness = [&](uint8_t i) { return p[i].r + p[i].g + p[i].b; };
  EXPECT_GT(brightness(c(Colour::panel)) - brightness(c(Colour::message)), 300);
  EXPECT_GT(brightness(c(Colour::field_back)) - brightness(c(Colour::field_text)), 300);
  EXPECT_EQ(p[0], (media::Rgb{0, 0, 0}));
  // The title graphic, the two variants of the boxes and the pointer.
  int title = 0, pointer = 0;
  for (int y = 4; y < 26; ++y)
    for (int x = 0; x < 128; ++x) title += ui::panel_pixel(x, y) != 0;
  for (int y = 40; y < 56; ++y)
    for (int x = 0; x < 16; ++x) pointer += ui::panel_pixel(x, y) != 0;
  EXPECT_GT(title, 50);
  EXPECT_LT(title, 128 * 22);  // mostly transparent over the title bar
  EXPECT_GT(pointer, 40);
  EXPECT_EQ(ui::panel_pixel(15, 40), 0);
  int differ = 0;
  for (int y = 26; y < 40; ++y)
    for (int x = 0; x < 34; ++x) differ += ui::panel_pixel(x, y) != ui::panel_pixel(34 + x, y);
  EXPECT_GT(differ, 0);

  // The built game's image has the same tiles and colours, and no emblem.
  const std::string built = shell::default_panels_pcx(true);
  const media::PcxImage game = media::decode_pcx(media::as_bytes(built), media::PcxMode::file_palette);
  ASSERT_TRUE(game.usable);
  EXPECT_EQ(std::memcmp(game.pixels.data(), core::state().pools.panels.bytes(), 128 * 4), 0);
  int game_title = 0;
  for (int y = 4; y < 26; ++y)
    for (int x = 0; x < 128; ++x) game_title += game.pixels[static_cast<size_t>(y) * 128 + x] != 0;
  EXPECT_LT(game_title, title);
}

TEST_F(Screen, AnUnusableInterfaceImageChangesNothing) {
  const uint8_t panel = ui::colour(ui::Colour::panel);
  std::vector<uint8_t> pixels(64 * 64, 1);
  const std::string narrow = media::encode_pcx(64, 64, pixels, media::program_palette());
  EXPECT_FALSE(ui::use_panels(media::as_bytes(narrow)));
  const std::string junk = "not an image at all";
  EXPECT_FALSE(ui::use_panels(media::as_bytes(junk)));
  EXPECT_FALSE(ui::load_panels("/nonexistent/panels.pcx"));
  EXPECT_EQ(ui::colour(ui::Colour::panel), panel);
#ifdef QUILL_TESTDATA
  // The shared PCX samples: none is 128 wide, and none may crash the loader.
  for (const char* name : {"allegro_allegro.pcx", "imagers_24bit.pcx", "imagers_256-palette.pcx",
                           "pillow_odd_stride.pcx", "pillow_ossfuzz-4836216264589312.pcx", "pillow_p_4_planes.pcx",
                           "pillow_pcx_overrun.pcx", "pillow_pcx_overrun2.pcx", "sdlimage_sample.pcx"}) {
    const std::string path = std::string(QUILL_TESTDATA) + "/pcx/" + name;
    if (!core::file_exists(path)) continue;
    const bool used = ui::load_panels(path);
    EXPECT_EQ(used, media::read_pcx_size(path).width == 128) << name;
  }
#endif
}

}  // namespace
