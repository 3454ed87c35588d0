// End to end: the real binary, headless, with scripted input. Message boxes
// of brains answered by their buttons and keys, the dialogs of brains, the
// palette of the tool screen, and run mode 14.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/font.h"
#include "media/pcx.h"
#include "support/headless_run.h"
#include "ui/boxes.h"
#include "ui_fixture.h"

namespace {

using testing_support::ElementSpec;

class ToolScreen : public testing_support::HeadlessRun {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(core::init_memory()); }

  void SetUp() override {
    HeadlessRun::SetUp();
    if (HasFatalFailure()) return;
    // Layouts are worked out with the installation's font of test runs.
    media::Font font;
    ASSERT_TRUE(media::load_tool_font(dir + "data/", true, font));
    media::set_tool_font(font);
  }

  // Runs one element with `brain` and the input script; ticks as given.
  int run_brain(const std::string& brain, const std::string& script, int ticks) {
    write("in.txt", script);
    return run({{{}, brain}}, "--ticks " + std::to_string(ticks) + " --input-script in.txt --screenshot s.png");
  }

  static std::string click(int n, int x, int y) {
    return std::to_string(n) + " move " + std::to_string(x) + " " + std::to_string(y) + "\n" + std::to_string(n + 1) +
           " buttons 1\n" + std::to_string(n + 2) + " buttons 0\n";
  }
  static int centre_x(ui::Rect r) { return (r.left + r.right - 4) / 2; }
  static int centre_y(ui::Rect r) { return (r.top + r.bottom - 4) / 2; }
};

// The brain asks on its fifth run; the answer arrives well after the box
// is up (the run has pumped a handful of times by then).
constexpr char kAsk[] =
    "var n\n"
    "n = n + 1\n"
    "if n = 5\n"
    "  global_set(1, msg_box(\"Save the changes?\", 2, 0, 0))\n"
    "endif\n";

TEST_F(ToolScreen, ABrainsBoxIsAnsweredByClicksEnterAndDelete) {
  const ui::BoxLayout b = ui::choice_box_layout("Save the changes?", " YES ", " NO ");
  struct Case {
    std::string script;
    int global;
    int answer;
  };
  const Case cases[] = {
      // (A Delete after the click would answer 2 if the click had missed.)
      {click(100, centre_x(b.buttons[0]), centre_y(b.buttons[0])) + "150 key 83\n", 3, 1},
      {click(100, centre_x(b.buttons[1]), centre_y(b.buttons[1])), 2, 2},
      {"100 key 28 13\n", 3, 1},
      {"90 key 1 27\n100 key 83\n", 2, 2},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(run_brain(kAsk, c.script, 8), 0);
    EXPECT_EQ(dump().global(1), c.global) << c.script;
    const auto m = messages();
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m.back().kind, "box");
    EXPECT_EQ(m.back().text, "Save the changes?");
    EXPECT_EQ(m.back().buttons, (std::vector<std::string>{" YES ", " NO "}));
    EXPECT_EQ(m.back().answer, c.answer);
    EXPECT_EQ(dump_value("tick_count"), 8);
    // The log line keeps its form.
    EXPECT_NE(read("m.jsonl").find(R"({"kind":"box","text":"Save the changes?","buttons":[" YES "," NO "],"answer":)" +
                                   std::to_string(c.answer) + "}"),
              std::string::npos);
    core::remove_file(dir + "m.jsonl");
  }
}

TEST_F(ToolScreen, FlashShowsThePaletteColourItWasGiven) {
  ASSERT_EQ(run_brain("var n\nn = n + 1\nif n = 6\n  flash(203)\nendif\n", "", 6), 0);
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;
  ASSERT_TRUE(screenshot("s.png", w, h, rgba));
  ASSERT_EQ(w, 640);
  const media::PcxImage panels = media::load_pcx(dir + "data/panels.pcx", media::PcxMode::file_palette);
  const media::Rgb want = panels.palette[203];
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{320, 240}, std::pair{639, 479}}) {
    const uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
    EXPECT_NEAR(p[0], want.r, 8);
    EXPECT_NEAR(p[1], want.g, 4);
    EXPECT_NEAR(p[2], want.b, 8);
  }
  EXPECT_GT(want.r + want.g + want.b, 100);  // not the black of an unset palette

  // Without a usable interface image the generated one is taken, and said.
  write("data/panels.pcx", "damaged");
  ASSERT_EQ(run_brain("var n\nn = n + 1\nif n = 6\n  flash(203)\nendif\n", "", 6), 0);
  ASSERT_TRUE(screenshot("s.png", w, h, rgba));
  EXPECT_NEAR(rgba[0], want.r, 8);
  EXPECT_NEAR(rgba[1], want.g, 4);
  EXPECT_NEAR(rgba[2], want.b, 8);
  EXPECT_NE(read("m.jsonl").find("Cannot use 'data/panels.pcx' (not an interface image 128 pixels wide); using the "
                                 "built-in one instead."),
            std::string::npos)
      << read("m.jsonl");
  // A built game's interface image comes with every installation.
  EXPECT_EQ(media::read_pcx_size(dir + "data/panels2.pcx").width, 128);
}

TEST_F(ToolScreen, ABrainsInputBoxEditsAStringVariable) {
  const std::string brain =
      "var n\n"
      "var s\n"
      "n = n + 1\n"
      "if n = 5\n"
      "  s = str_create(20)\n"
      "  str_copy(s, \"abc\", 0, -1)\n"
      "  global_set(1, input_box(\"Your name?\", s, 0))\n"
      "  global_set(2, str_len(s))\n"
      "  global_set(3, str_comp(s, \"aXbc\", 1))\n"
      "endif\n";
  ASSERT_EQ(run_brain(brain, "100 key 71\n101 key 77\n102 text X\n103 key 28 13\n", 8), 0);
  EXPECT_EQ(dump().global(1), 1);
  EXPECT_EQ(dump().global(2), 4);
  EXPECT_EQ(dump().global(3), 0);

  ASSERT_EQ(run_brain("input_box(\"Name?\", \"constant\", 0)\n", "", 8), 0);
  EXPECT_EQ(dump_value("exit_code"), static_cast<long long>(static_cast<int32_t>(0x80000000u)));
  EXPECT_NE(read("m.jsonl").find("Second parameter of INPUT_BOX() instruction must be a string variable"),
            std::string::npos);
}

TEST_F(ToolScreen, ABrainsListBoxAndFileBox) {
  const std::string brain =
      "var n\n"
      "var s\n"
      "n = n + 1\n"
      "if n = 5\n"
      "  global_set(1, list_box(\"red|green|blue\", \"Colour\", 0, 0, 0))\n"
      "  s = str_create(260)\n"
      "  str_copy(s, \"./brains/\", 0, -1)\n"
      "  global_set(2, file_box(s, \"*.brn\", 0))\n"
      "  global_set(3, str_comp(s, \"./brains/null_.brn\", 1))\n"
      "endif\n";
  // Down and Enter in the list; in the file selector the first file row
  // (brains/ holds null_.brn and no folders), found with the font's layout.
  const int32_t avg = std::max(media::text_width(media::tool_font(), "Mm0wW") / 5, 1);
  const int32_t v = std::clamp(media::font_height(media::tool_font()) / 2, 4, 9);
  const int32_t o = std::min(50 * avg, 560), A = (640 - o) / 2, B = (480 - 46 * v) / 2;
  const std::string script = "100 key 80\n101 key 28 13\n" + click(200, A + o / 2, B + 5 * v + v);
  ASSERT_EQ(run_brain(brain, script, 8), 0);
  EXPECT_EQ(dump().global(1), 1);
  EXPECT_EQ(dump().global(2), 1);
  EXPECT_EQ(dump().global(3), 0);
}

TEST_F(ToolScreen, TheDisplayAreaSetterWritesField37) {
  write_project({{{{37, "160/120/479/359/0/20&40/7"}}, ""}});
  write("runmode.ini", "projects/t/t.prj\r\n14\r\n0\r\n0\r\n0\r\n");
  write("in.txt", click(20, 100, 50) + click(40, 300, 200) + "60 key 1 27\n");
  ASSERT_EQ(quill("--headless --messages m.jsonl --input-script in.txt"), 0);
  EXPECT_NE(read("projects/t/t.prj").find("|96/48/295/199/0/20&40/7|"), std::string::npos) << read("projects/t/t.prj");
}

}  // namespace
