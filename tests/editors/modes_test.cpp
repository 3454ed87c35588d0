// The tool modes end to end: the real binary, headless, driven by input
// scripts; each test checks the files the mode writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "brain/variables.h"
#include "core/text.h"
#include "media/font.h"
#include "support/headless_run.h"

namespace {

using testing_support::ElementSpec;

// An input script: one event every few pump passes from pass 40 on, so that
// each arrives while the tool waits for it.
class Script {
 public:
  Script& line(const std::string& event) {
    text_ += std::to_string(pump_) + " " + event + "\n";
    pump_ += 4;
    return *this;
  }
  Script& key(int scancode, int ch = 0) {
    return line("key " + std::to_string(scancode) + (ch ? " " + std::to_string(ch) : ""));
  }
  Script& type(const std::string& s) {
    for (char c : s) key(30, static_cast<unsigned char>(c));  // the scan code does not matter for characters
    return *this;
  }
  Script& held(int modifier, int scancode) {
    return line("down " + std::to_string(modifier)).key(scancode).line("up " + std::to_string(modifier));
  }
  Script& ctrl(int scancode) { return held(29, scancode); }
  Script& click(int x, int y, int button = 1) {
    return line("move " + std::to_string(x) + " " + std::to_string(y))
        .line("buttons " + std::to_string(button))
        .line("buttons 0");
  }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  int pump_ = 40;
};

enum Key { kEsc = 1, kBackspace = 14, kEnter = 28, kShift = 42, kA = 30, kC = 46, kR = 19, kU = 22, kV = 47 };
enum Nav { kF1 = 59, kF3 = 61, kF4 = 62, kEnd = 79, kRight = 77, kDown = 80, kPageDown = 81, kDelete = 83 };

class ToolModes : public testing_support::HeadlessRun {
 protected:
  // Writes the project and runs `mode` on `element` with the script.
  int run_mode(int mode, const std::vector<ElementSpec>& elements, const Script& script, int element = 0,
               const std::string& extra = "") {
    write_project(elements);
    write("runmode.ini",
          "projects/t/t.prj\r\n" + std::to_string(mode) + "\r\n" + std::to_string(element) + "\r\n0\r\n0\r\n");
    write("in.txt", script.text());
    return quill("--headless --messages m.jsonl --input-script in.txt" + extra);
  }
  // The brain section of element e in the saved project.
  std::string section(int e) {
    const std::string prj = read("projects/t/t.prj");
    const std::string mark = "@" + std::to_string(e) + "\r\n";
    size_t at = prj.find(mark);
    if (at == std::string::npos) return "<none>";
    at += mark.size();
    size_t end = prj.find("\r\n@", at);
    return prj.substr(at, end == std::string::npos ? std::string::npos : end + 2 - at);
  }
  std::string field(int e, int k) {
    const std::string prj = read("projects/t/t.prj");
    size_t at = 0;
    for (int line = 0; line < e + 2; ++line) at = prj.find("\r\n", at) + 2;
    return std::string(core::field(prj.substr(at, prj.find("\r\n", at) - at), k));
  }
  std::vector<std::string> boxes() {
    std::vector<std::string> out;
    for (const auto& m : messages())
      if (m.kind == "box") out.push_back(m.text);
    return out;
  }
  static std::string signature(const std::string& brain) { return std::to_string(brain::header_signature(brain)); }
};

TEST_F(ToolModes, BrainEditorTypesAndSavesWithCrLfKeepingParametersBelowTheHeader) {
  const std::string brain = "userint speed = 2 ;How fast\n\tx = 1";
  Script s;
  s.key(kDown).key(kEnd).type("+1|{").key(kEsc);
  ASSERT_EQ(run_mode(13, {{{{35, "1/2/7/1020"}, {40, signature(brain)}}, brain}}, s), 0);
  EXPECT_EQ(section(0), "userint speed = 2 ;How fast\r\n   x = 1+1\r\n");
  EXPECT_EQ(field(0, 35), "1/2/7/1020");
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ToolModes, BrainEditorAnnouncesAHeaderChangeOnlyWithUserParameters) {
  // The stored signature no longer fits: once saved, the list is rebuilt
  // from the header.
  Script edit;
  edit.key(kEnd).type(" ;x").key(kEsc);
  ASSERT_EQ(run_mode(13, {{{{35, "1/2/7/1020"}, {40, "1"}}, "userint speed = 2"}}, edit), 0);
  EXPECT_EQ(field(0, 35), "1/2/ 2/1020");
  EXPECT_EQ(field(0, 40), signature("userint speed = 2"));
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0], brain::header_reset_message("Camera"));
  core::remove_file(dir + "m.jsonl");
  ASSERT_EQ(run_mode(13, {{{{35, "0"}, {40, "1"}}, "var a = 5"}}, edit), 0);
  EXPECT_EQ(field(0, 35), "1/7/ 5/1020");
  EXPECT_TRUE(boxes().empty());
  // Leaving without a change saves nothing and keeps the element.
  core::remove_file(dir + "m.jsonl");
  ASSERT_EQ(run_mode(13, {{{{35, "1/2/7/1020"}, {40, "1"}}, "userint speed = 2"}}, Script()), 0);
  EXPECT_EQ(field(0, 35), "1/2/7/1020");
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ToolModes, BrainEditorSelectionClipboardSearchAndUndo) {
  Script s;
  s.line("down 42").key(kRight).key(kRight).key(kRight).line("up 42");  // select "abc"
  s.ctrl(kC).key(kF4).key(kF3).type("X");                               // replace the second "abc"
  s.key(kEnd).ctrl(kV);                                                 // "abc Xabc"
  s.ctrl(kU).ctrl(kU).ctrl(kR).key(kEsc);                               // back to "abc X"
  ASSERT_EQ(run_mode(13, {{{}, "abc abc"}}, s), 0);
  EXPECT_EQ(section(0), "abc X\r\n");
}

TEST_F(ToolModes, BrainEditorIndentAllAndLoadAbort) {
  Script s;
  s.ctrl(kA).type("Y").key(kF1).key(kDelete).type("Z").key(kEsc);  // F1, then ABORT back to the editor
  ASSERT_EQ(run_mode(13, {{{}, "if a=1\nx=2\nelse\nx=3\nendif"}}, s), 0);
  EXPECT_EQ(section(0), "YZif a=1\r\n  x=2\r\nelse\r\n  x=3\r\nendif\r\n");
  const std::vector<std::string> b = boxes();
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0], "The current brain modifications will be lost!");
}

TEST_F(ToolModes, BrainEditorKeepsCharactersItCannotShowUnlessTold) {
  // "~" cannot be shown: leaving without an answer keeps the file as it was.
  Script s;
  s.type("Q").key(kEsc);
  ASSERT_EQ(run_mode(13, {{{}, "a = b ~ c"}}, s), 0);
  EXPECT_EQ(section(0), "a = b ~ c\r\n");
  ASSERT_EQ(boxes().size(), 1u);
}

TEST_F(ToolModes, BrainEditorSavesACopyUnderANewName) {
  Script s;
  s.type("b").key(60).type("mine.txt").key(kEnter).key(kEsc);
  ASSERT_EQ(run_mode(13, {{{}, "a=1"}}, s), 0);
  EXPECT_EQ(read("brains/mine.brn"), "ba=1\r\n");
  EXPECT_EQ(section(0), "ba=1\r\n");  // the element keeps its brain
  // An existing name asks first; ABORT keeps the old copy.
  core::remove_file(dir + "m.jsonl");
  Script again;
  again.type("c").key(60).type("mine").key(kEnter).key(kDelete).key(kEsc);
  ASSERT_EQ(run_mode(13, {{{}, "a=1"}}, again), 0);
  EXPECT_EQ(read("brains/mine.brn"), "ba=1\r\n");
  const std::vector<std::string> b = boxes();
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0], "Using the name 'mine' you will overwrite an existing brain");
}

// The parameter list 3/7/1/1020/2/2/1016/4/90/1012: a hidden var first.
const std::string kThreeParameters = "var a=1\nuserint b=2 ;Bee\nuserdeg c=90 ;Sea";

TEST_F(ToolModes, ParameterEditorSkipsHiddenParametersAndWraps) {
  const ElementSpec e{{{35, "3/7/1/1020/2/2/1016/4/90/1012"}, {45, "0"}, {46, "0"}}, kThreeParameters};
  ASSERT_EQ(run_mode(5, {e}, Script()), 0);
  EXPECT_EQ(field(0, 45), "1");  // parameter 1 of 2 is b, never a
  EXPECT_EQ(field(0, 46), "0");
  ASSERT_EQ(run_mode(5, {e}, Script().key(kPageDown).key(kEsc)), 0);
  EXPECT_EQ(field(0, 45), "2");
  EXPECT_EQ(field(0, 46), "1");
  ASSERT_EQ(run_mode(5, {e}, Script().key(kPageDown).key(kPageDown).key(kEsc)), 0);
  EXPECT_EQ(field(0, 45), "1");  // past the last visible one: back to the first
  EXPECT_EQ(field(0, 46), "0");
  // A typed value is stored as typed.
  ASSERT_EQ(run_mode(5, {e}, Script().key(kBackspace).type("7x").key(kEsc)), 0);
  EXPECT_EQ(field(0, 35), "3/7/1/1020/2/7x/1016/4/90/1012");
}

TEST_F(ToolModes, ParameterEditorPicksElementsAndSurvivesHostilePositions) {
  // The value control of an element parameter opens the picker; the second
  // cell of its first column is element 1.
  const std::vector<ElementSpec> elements{
      {{{1, "Hunter"}, {35, "1/1/0/1020"}, {45, "-7"}, {46, "2147483647"}}, "userele target=0"}, {{{1, "Prey"}}, ""}};
  ASSERT_EQ(run_mode(5, elements, Script().click(300, 375).click(100, 60).key(kEsc)), 0);
  EXPECT_EQ(field(0, 35), "1/1/1/1020");
  EXPECT_EQ(field(0, 45), "0");
  EXPECT_EQ(field(0, 46), "0");
}

TEST_F(ToolModes, ParameterEditorResetIsControlOneWithOneVisibleParameter) {
  const ElementSpec e{{{35, "2/7/1/1020/2/5/1016"}}, "var a=1\nuserint b=2"};
  ASSERT_EQ(run_mode(5, {e}, Script().click(300, 150).key(kEnter).key(kEsc)), 0);
  EXPECT_EQ(field(0, 35), "2/7/1/1020/2/2/1016");
  ASSERT_EQ(boxes().size(), 1u);
}

TEST_F(ToolModes, ParameterEditorAppliesToTheGroupWithTheSameHeader) {
  const std::string brain = "userint b=2";
  const std::string sig = signature(brain);
  const std::vector<ElementSpec> elements{
      {{{35, "1/2/9/1020"}, {40, sig}, {49, "7"}, {50, "2"}}, brain},
      {{{35, "1/2/2/1020"}, {40, sig}, {49, "7"}}, brain},
      {{{35, "1/2/2/1020"}, {40, "123"}, {49, "7"}}, brain},
      {{{35, "1/2/2/1020"}, {40, sig}, {49, "8"}}, brain},
  };
  ASSERT_EQ(run_mode(5, elements, Script().click(500, 372).key(kEsc)), 0);
  EXPECT_EQ(field(1, 35), "1/2/9/1020");
  EXPECT_EQ(field(2, 35), "1/2/2/1020");  // another header signature
  EXPECT_EQ(field(3, 35), "1/2/2/1020");  // another group
}

TEST_F(ToolModes, ChannelMapClicksWrapAndIgnoreTheLowerHalf) {
  std::string col(65536, '\0');
  col[1 * 256 + 2] = 11;
  const ElementSpec cam{{}, ""};
  write_project({cam, cam, cam});
  write("projects/t/t.col", col);
  // Three elements: cells 213 x 160 from (0, 0).
  Script s;
  s.click(300, 80).click(500, 80, 2).click(500, 240).click(300, 240).click(100, 400).key(kEsc);
  write("runmode.ini", "projects/t/t.prj\r\n2\r\n0\r\n0\r\n0\r\n");
  write("in.txt", s.text());
  ASSERT_EQ(quill("--headless --messages m.jsonl --input-script in.txt"), 0);
  const std::string saved = read("projects/t/t.col");
  ASSERT_EQ(saved.size(), 65536u);
  EXPECT_EQ(saved[1], 1);
  EXPECT_EQ(saved[2], 11);
  EXPECT_EQ(saved[258], 0);
  EXPECT_EQ(saved[257], 0);
  EXPECT_EQ(saved[256 * 2 + 1], 0);
}

TEST_F(ToolModes, ACancelledBackgroundSaysNothingAndSavesNothing) {
  ASSERT_EQ(run_mode(15, {{{}, ""}}, Script()), 0);
  EXPECT_FALSE(exists("data/tarvo.ini"));
  EXPECT_FALSE(exists("projects/t/t.col"));
}

// The screenshot's colour at (x, y) as 0xRRGGBB, and the distinct colours
// of a rectangle with the share of the commonest.
struct Shot {
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;
  uint32_t at(int x, int y) const {
    const uint8_t* p = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4];
    return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
  }
  void colours(int x0, int y0, int x1, int y1, size_t& distinct, double& commonest) const {
    std::vector<uint32_t> all;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) all.push_back(at(x, y));
    std::sort(all.begin(), all.end());
    distinct = 0;
    size_t most = 0;
    for (size_t i = 0, run = 0; i < all.size(); ++i) {
      run = i > 0 && all[i] == all[i - 1] ? run + 1 : 1;
      if (run == 1) ++distinct;
      most = std::max(most, run);
    }
    commonest = all.empty() ? 0 : static_cast<double>(most) / static_cast<double>(all.size());
  }
};

// True when 0xRRGGBB is within `d` of (r, g, b) in every channel.
bool near(uint32_t c, int r, int g, int b, int d = 48) {
  return std::abs(static_cast<int>(c >> 16 & 255) - r) <= d && std::abs(static_cast<int>(c >> 8 & 255) - g) <= d &&
         std::abs(static_cast<int>(c & 255) - b) <= d;
}

TEST_F(ToolModes, ChannelMapHeadersShowPicturesFramedByTheStartFlag) {
  // A camera on at start, the installed visual and a visual whose file is
  // missing, both off: cells of 213 x 160 from (0, 0).
  const std::vector<ElementSpec> elements{
      {{{33, "1"}}, ""},
      {{{1, "Box"}, {2, "./visuals/default_.v3d"}, {33, "0"}, {36, "11"}}, ""},
      {{{1, "Gone"}, {2, "./visuals/missing.v3d"}, {33, "0"}, {36, "11"}}, ""},
  };
  ASSERT_EQ(run_mode(2, elements, Script().line("move 600 100"), 0, " --screenshot s.png"), 0);
  Shot shot;
  ASSERT_TRUE(screenshot("s.png", shot.w, shot.h, shot.rgba));
  ASSERT_EQ(shot.w, 640);
  ASSERT_EQ(shot.h, 480);
  size_t distinct = 0;
  double commonest = 0;
  // The visual's rendered preview in its row header (1, 0) and its column
  // header (2, 1): a shape on a background, not one flat colour.
  for (const int x0 : {0, 213}) {
    const int y0 = x0 == 0 ? 160 : 320;
    shot.colours(x0 + 3, y0 + 3, x0 + 209, y0 + 156, distinct, commonest);
    EXPECT_GE(distinct, 3u) << x0;
    EXPECT_LT(commonest, 0.95) << x0;
  }
  // Off at start: framed in the colour of code 0 (81), which fills the pair
  // (0, 1); the camera on at start is framed otherwise. (The crossing lines
  // may run along x 0 or 600 and y 0 or 100.)
  const uint32_t code_zero = shot.at(320, 50);
  EXPECT_EQ(shot.at(212, 240), code_zero);
  EXPECT_EQ(shot.at(100, 319), code_zero);
  EXPECT_EQ(shot.at(300, 479), code_zero);
  EXPECT_NE(shot.at(100, 159), code_zero);
  EXPECT_NE(shot.at(212, 50), code_zero);
  // The missing file keeps the letter tile: mostly its type's colour.
  shot.colours(429, 323, 635, 440, distinct, commonest);
  EXPECT_GT(commonest, 0.9);
  EXPECT_NE(shot.at(530, 400), 0u);
  EXPECT_EQ(shot.at(638, 400), code_zero);
}

TEST_F(ToolModes, AClickReleasedWithinOnePumpPassCounts) {
  // Quick taps, as a touchpad makes them: press and release reach the same
  // pump pass. Two left taps on the pair (0, 1), one right tap on (0, 2).
  const ElementSpec cam{{}, ""};
  Script s;
  s.line("move 300 80").line("buttons 1\n44 buttons 0").line("buttons 1\n48 buttons 0");
  s.line("move 500 80").line("buttons 2\n56 buttons 0").line("move 500 81");
  ASSERT_EQ(run_mode(2, {cam, cam, cam}, s), 0);
  const std::string saved = read("projects/t/t.col");
  ASSERT_EQ(saved.size(), 65536u);
  EXPECT_EQ(saved[1], 2);
  EXPECT_EQ(saved[2], 11);
}

TEST_F(ToolModes, ChannelMapOfManyElementsDrawsEveryCell) {
  // 200 elements: cells of 3 x 2 pixels from (20, 40), too small for
  // pictures; the click is on the pair (0, 100).
  std::vector<ElementSpec> elements(200, ElementSpec{{{2, "./visuals/default_.v3d"}, {36, "11"}}, ""});
  Script s;
  s.click(321, 40).line("move 10 10");
  ASSERT_EQ(run_mode(2, elements, s), 0);
  const std::string saved = read("projects/t/t.col");
  ASSERT_EQ(saved.size(), 65536u);
  EXPECT_EQ(saved[100], 1);
}

// A 24-bit bitmap of w x h pixels, colour(x, y) as 0xRRGGBB.
template <typename Colour>
std::string bmp24(int w, int h, Colour colour) {
  const int stride = (w * 3 + 3) / 4 * 4;
  std::string b(54 + static_cast<size_t>(stride) * static_cast<size_t>(h), '\0');
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i) & 255);
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, static_cast<uint32_t>(b.size()));
  put(10, 54);
  put(14, 40);
  put(18, static_cast<uint32_t>(w));
  put(22, static_cast<uint32_t>(h));
  b[26] = 1;
  b[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t c = colour(x, y);
      const size_t at = 54 + static_cast<size_t>(h - 1 - y) * static_cast<size_t>(stride) + static_cast<size_t>(x) * 3;
      b[at] = static_cast<char>(c & 255);
      b[at + 1] = static_cast<char>(c >> 8 & 255);
      b[at + 2] = static_cast<char>(c >> 16 & 255);
    }
  return b;
}

class BackgroundSetter : public ToolModes {
 protected:
  // Chooses bckgrnds/`name` (the third picture after the two installed
  // ones), keeps the repetition count, then clicks row 99 of the band setter.
  int choose(const std::string& name) {
    write_project({{{}, ""}});
    std::string prj = read("projects/t/t.prj");
    prj.replace(prj.find("\r\n|1|\r\n"), 7, "\r\n./bckgrnds/bkgr000_.bmp|1|\r\n");
    write("projects/t/t.prj", prj);
    write("runmode.ini", "projects/t/t.prj\r\n15\r\n0\r\n0\r\n0\r\n");
    EXPECT_LT(std::string("bkgr001_.bmp"), name);
    Script s;
    s.click(520, 140).key(kEnter).key(60).click(320, 99).line("move 630 470");
    write("in.txt", s.text());
    return quill("--headless --messages m.jsonl --input-script in.txt --screenshot s.png");
  }
  int32_t scene_word(int k) {
    const std::string col = read("projects/t/t.col");
    if (col.size() != 65536) return -1;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(col[65036 + static_cast<size_t>(4 * k + i)]);
    return static_cast<int32_t>(v);
  }
};

TEST_F(BackgroundSetter, TheBandPreviewShowsTheImageRows) {
  // Four stripes of 12 rows: each covers 120 rows of the 480-row preview.
  write("bckgrnds/stripes.bmp", bmp24(64, 48, [](int, int y) {
          const uint32_t stripes[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
          return stripes[y / 12];
        }));
  ASSERT_EQ(choose("stripes.bmp"), 0);
  EXPECT_EQ(scene_word(1), 100);  // the upper row: the click row + 1
  EXPECT_EQ(scene_word(2), 479);
  EXPECT_EQ(scene_word(3), 1);  // F2
  Shot shot;
  ASSERT_TRUE(screenshot("s.png", shot.w, shot.h, shot.rgba));
  ASSERT_EQ(shot.w, 640);
  for (const int x : {5, 200, 600}) {  // the pointer rests at (320, 99)
    EXPECT_TRUE(near(shot.at(x, 180), 0, 255, 0)) << x << " " << std::hex << shot.at(x, 180);
    EXPECT_TRUE(near(shot.at(x, 300), 0, 0, 255)) << x << " " << std::hex << shot.at(x, 300);
    EXPECT_TRUE(near(shot.at(x, 420), 255, 255, 255)) << x << " " << std::hex << shot.at(x, 420);
    // In the band and above it, darker.
    EXPECT_TRUE(near(shot.at(x, 105), 255, 0, 0)) << x << " " << std::hex << shot.at(x, 105);
    EXPECT_TRUE(near(shot.at(x, 60), 128, 0, 0)) << x << " " << std::hex << shot.at(x, 60);
  }
  // The upper band row is drawn across the full width.
  for (const int x : {0, 200, 639}) EXPECT_TRUE(near(shot.at(x, 100), 255, 255, 255, 16)) << x;
}

TEST_F(BackgroundSetter, AnUnreadableImageStillSetsTheBand) {
  write("bckgrnds/broken.bmp", "BM not a bitmap");
  ASSERT_EQ(choose("broken.bmp"), 0);
  EXPECT_EQ(scene_word(1), 100);
  EXPECT_EQ(scene_word(2), 479);
  EXPECT_NE(read("projects/t/t.prj").find("bckgrnds/broken.bmp"), std::string::npos);
}

class Renaming : public ToolModes {
 protected:
  void SetUp() override {
    ToolModes::SetUp();
    media::Font font;
    ASSERT_TRUE(media::load_tool_font(dir + "data/", false, font));
    media::set_tool_font(font);
    // The first row of the list file selector.
    const int32_t avg = std::max(media::text_width(media::tool_font(), "Mm0wW") / 5, 1);
    const int32_t v = std::clamp(media::font_height(media::tool_font()) / 2, 4, 9);
    const int32_t o = std::min(50 * avg, 560);
    row_x = (640 - o) / 2 + o / 2;
    row_y = (480 - 46 * v) / 2 + 6 * v;
    core::make_folders(dir + "anim/");
    std::string paths;
    for (int i = 1; i <= 23; ++i) paths += (i == 4 ? dir + "anim/" : "x") + "\r\n";
    write("data/curpaths.ini", paths);
    write("runmode.ini", "projects/t/t.prj\r\n9\r\n0\r\n0\r\n0\r\n");
  }
  int run(const Script& s) {
    write("in.txt", s.text());
    return quill("--headless --messages m.jsonl --input-script in.txt");
  }
  int32_t row_x = 0, row_y = 0;
};

TEST_F(Renaming, AnAnimationGetsANewName) {
  for (const char* n : {"walk.pcx", "walk.002", "walk.003"}) write(std::string("anim/") + n, n);
  Script s;
  s.key(kF1)
      .click(row_x, row_y)
      .key(kBackspace)
      .key(kBackspace)
      .key(kBackspace)
      .key(kBackspace)
      .type("run")
      .key(kEnter);
  ASSERT_EQ(run(s), 0);
  EXPECT_EQ(read("anim/run.pcx"), "walk.pcx");
  EXPECT_EQ(read("anim/run.002"), "walk.002");
  EXPECT_EQ(read("anim/run.003"), "walk.003");
  EXPECT_FALSE(exists("anim/walk.pcx"));
  const std::vector<std::string> b = boxes();
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0], "3 files renamed.");
  EXPECT_FALSE(exists("data/tarvo.ini"));
  EXPECT_NE(read("data/curpaths.ini").find("anim/\r\n"), std::string::npos);
}

TEST_F(Renaming, ANumberedListBecomesAnAnimation) {
  for (int k = 1; k <= 9; ++k) write("anim/fire" + std::to_string(k) + ".pcx", std::to_string(k));
  ASSERT_EQ(run(Script().key(60).click(row_x, row_y)), 0);
  EXPECT_EQ(read("anim/fire.pcx"), "1");
  EXPECT_EQ(read("anim/fire.009"), "9");
  EXPECT_FALSE(exists("anim/fire5.pcx"));
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0], "9 files renamed.");
}

}  // namespace
