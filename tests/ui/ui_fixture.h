// In-process tests of the tool screen: the arena, a headless run with an
// input script, a plain block font and the generated interface image. No
// display device unless a suite opens one, so presenting draws nothing and
// the tests read the tool screen itself.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/files.h"
#include "core/state.h"
#include "media/font.h"
#include "media/input.h"
#include "media/pcx.h"
#include "media/png.h"
#include "platform/platform.h"
#include "shell/defaults.h"
#include "ui/boxes.h"
#include "ui/panels.h"
#include "ui/screen.h"

namespace ui_testing {

// Every printable glyph is a 7 x 10 cell with a box of ink in it; letters
// are 8 pixels apart (letter spacing 1), a space is 8 wide, lines 12 apart.
inline media::Font block_font() {
  media::Font f;
  f.measure = media::kFontProportional;
  f.glyph_height = 10;
  f.line_gap = 2;
  f.letter_spacing = 1;
  f.space_width = 8;
  f.row_bytes = 200;
  uint8_t ink[70];
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 7; ++x) ink[y * 7 + x] = y >= 1 && y <= 8 && x <= 5 && (y == 1 || y == 8 || x == 0 || x == 5);
  for (int c = 33; c < 256; ++c) media::place_glyph(f, static_cast<uint8_t>(c), 7, ink);
  return f;
}

class Ui : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(core::init_memory());
    platform::set_headless(true);
    platform::start_clock();
  }

  void SetUp() override {
    media::input() = media::Input{};
    media::set_tool_font(block_font());
    const std::string panels = shell::default_panels_pcx(false);
    ASSERT_TRUE(ui::use_panels(media::as_bytes(panels)));
    script("");
    ui::clear_screen();
    // Boxes that the dialogs ask through the notifier are tool-screen boxes.
    core::state().notify.box = +[](const std::string& t, const std::string& a, const std::string& b) {
      return ui::message_box(t, a, b);
    };
  }

  // Replaces the input script; its pump numbers count from now. A key or
  // button the last script left down is let go.
  static void script(std::string_view text) {
    std::string error;
    ASSERT_TRUE(platform::load_input_script(text, error)) << error;
    core::state().pump_count = 0;
    media::Input& in = media::input();
    for (uint8_t& h : in.held) h = 0;
    in.mouse_buttons = 0;
    in.ring_read = in.ring_write;
  }
  // A click with the left (1) or right (2) button at (x, y) at pass n: the
  // pointer moves there at n, the button goes down at n + 1 and up at n + 2.
  static std::string click(int n, int x, int y, int button = 1) {
    return std::to_string(n) + " move " + std::to_string(x) + " " + std::to_string(y) + "\n" + std::to_string(n + 1) +
           " buttons " + std::to_string(button) + "\n" + std::to_string(n + 2) + " buttons 0\n";
  }
  // A key press with its character code (0: none), written as a decimal
  // code of at least two digits.
  static std::string key(int n, int scancode, int ch = 0) {
    const std::string code = (ch < 10 ? "0" : "") + std::to_string(ch);
    return std::to_string(n) + " key " + std::to_string(scancode) + (ch ? " " + code : "") + "\n";
  }

  static uint8_t at(int x, int y) { return ui::screen()[y * ui::kScreenWidth + x]; }
  // Pixels of one colour in a rectangle.
  static int count(ui::Rect r, uint8_t c) {
    int n = 0;
    for (int y = r.top; y <= r.bottom; ++y)
      for (int x = r.left; x <= r.right; ++x) n += at(x, y) == c;
    return n;
  }
  static int ink(ui::Rect r) { return count(r, ui::text_colour()); }

  // With QUILL_UI_DUMP set to a folder, the tool screen as a PNG there (for
  // a look at a screen while writing a test).
  static void dump(const std::string& name) {
    const char* folder = std::getenv("QUILL_UI_DUMP");
    if (!folder) return;
    std::string rgba(640 * 480 * 4, '\0');
    const media::Palette& p = ui::tool_palette();
    for (int i = 0; i < 640 * 480; ++i) {
      const media::Rgb c = p[ui::screen()[i]];
      rgba[4 * i] = static_cast<char>(c.r);
      rgba[4 * i + 1] = static_cast<char>(c.g);
      rgba[4 * i + 2] = static_cast<char>(c.b);
      rgba[4 * i + 3] = static_cast<char>(255);
    }
    core::write_file_atomic(std::string(folder) + "/" + name + ".png",
                            media::encode_png(reinterpret_cast<const uint8_t*>(rgba.data()), 640, 480));
  }
};

}  // namespace ui_testing
