// The tool modes end to end: the real binary, headless, driven by input
// scripts; each test checks the files the mode writes.
#include <gtest/gtest.h>

#include <algorithm>
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
  int run_mode(int mode, const std::vector<ElementSpec>& elements, const Script& script, int element = 0) {
    write_project(elements);
    write("runmode.ini",
          "projects/t/t.prj\r\n" + std::to_string(mode) + "\r\n" + std::to_string(element) + "\r\n0\r\n0\r\n");
    write("in.txt", script.text());
    return quill("--headless --messages m.jsonl --input-script in.txt");
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
