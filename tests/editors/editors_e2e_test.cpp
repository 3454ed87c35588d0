// Run modes 3, 7 and 8 of the real binary, headless, in a fresh
// installation, each driven by an input script.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/files.h"
#include "core/text.h"
#include "support/headless_run.h"
#include "support/png_reader.h"

namespace {

using testing_support::ElementSpec;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  size_t p = 0;
  while (p < text.size()) {
    size_t e = text.find('\n', p);
    if (e == std::string::npos) e = text.size();
    std::string line = text.substr(p, e - p);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
    p = e + 1;
  }
  return out;
}

class VirtualEditorRun : public testing_support::HeadlessRun {
 protected:
  // Runs mode 3 on element `current` with an input script; tarvo.ini line 2
  // (the design scale) is 256, half a metre a nudge.
  int edit(const std::vector<ElementSpec>& elements, int current, const std::string& script) {
    write_project(elements);
    write("runmode.ini", "projects/t/t.prj\r\n3\r\n" + std::to_string(current) + "\r\n0\r\n0\r\n");
    std::string tarvo = "0\r\n256\r\n";
    for (int i = 3; i <= 20; ++i) tarvo += "0\r\n";
    write("data/tarvo.ini", tarvo);
    write("s.txt", script);
    return quill("--headless --messages m.jsonl --dump d.json --input-script s.txt");
  }
  // Field k of element e in the saved project.
  std::string saved_field(int e, int k) {
    const auto lines = lines_of(read("projects/t/t.prj"));
    if (lines.size() < static_cast<size_t>(e + 3)) return "<missing>";
    return std::string(core::field(lines[static_cast<size_t>(e + 2)], k));
  }
  bool said(const std::string& text) {
    for (const auto& m : messages())
      if (m.text == text) return true;
    return false;
  }
};

ElementSpec camera() { return {}; }
ElementSpec sprite(const std::string& x, const std::string& y) {
  return {{{2, "./sprites/default_.pcx"}, {5, x}, {6, y}, {36, "5"}}, ""};
}

TEST_F(VirtualEditorRun, NudgedElementIsWrittenBackInMetres) {
  const std::string ctrl_moves = "100 down 29\n102 key 75\n104 key 75\n106 key 72\n108 key 72\n110 key 72\n112 up 29\n";
  ASSERT_EQ(edit({camera(), camera()}, 1, ctrl_moves), 0) << last_output;
  EXPECT_EQ(saved_field(1, 5), "-1.000");
  EXPECT_EQ(saved_field(1, 7), "1.500");
  EXPECT_EQ(saved_field(1, 6), "0");  // untouched values keep their text
  EXPECT_EQ(saved_field(0, 5), "0");
  // U undoes the last operation.
  ASSERT_EQ(edit({camera(), camera()}, 1, ctrl_moves + "120 key 22\n"), 0) << last_output;
  EXPECT_EQ(saved_field(1, 7), "1.000");
}

TEST_F(VirtualEditorRun, SpritesAreWrittenInPixels) {
  ASSERT_EQ(edit({camera(), sprite("100", "50")}, 1, ""), 0) << last_output;
  EXPECT_EQ(saved_field(1, 5), "100");
  EXPECT_EQ(saved_field(1, 6), "50");
  ASSERT_EQ(edit({camera(), sprite("100", "50")}, 1, "100 down 29\n102 key 77\n104 key 80\n106 up 29\n"), 0);
  EXPECT_EQ(saved_field(1, 5), "101");
  EXPECT_EQ(saved_field(1, 6), "51");
}

TEST_F(VirtualEditorRun, WithoutAnEnabledCameraNothingChanges) {
  ElementSpec off = camera();
  off.fields[33] = "0";
  off.fields[5] = "1.5";
  ASSERT_EQ(edit({off, off}, 1, "100 down 29\n102 key 75\n104 up 29\n"), 0) << last_output;
  EXPECT_TRUE(said("To virtual edit the project enable|at least one camera element first!"));
  EXPECT_EQ(saved_field(1, 5), "1.5");
  EXPECT_EQ(saved_field(1, 38), "0/1");
}

TEST_F(VirtualEditorRun, RandomRangesAreIgnoredAndOnlyEditorLinesRun) {
  ElementSpec e = camera();
  e.fields[5] = "2.000";
  e.fields[8] = "1.000";  // the range of field 5
  e.brain = "credits_set(element, 7) editor\ncredits_add(element, 100)\n";
  ASSERT_EQ(edit({camera(), e}, 1, ""), 0) << last_output;
  EXPECT_TRUE(said("Loading data, please wait..."));
  EXPECT_TRUE(said("Compiling brains, please wait..."));
  EXPECT_EQ(word(1, 3), 1024000);
  EXPECT_EQ(word(1, 23), 7);
  // What the editor lines did is not written back.
  EXPECT_EQ(saved_field(1, 29), "0");
}

// The camera looks at a cube visual at the origin from six metres back; the
// cube fills the middle of the screen.
ElementSpec far_camera() { return {{{7, "-6.000"}, {37, "0/0/639/479/0/20&40/9"}}, ""}; }
ElementSpec cube() { return {{{1, "Cube"}, {2, "./visuals/default_.v3d"}, {36, "11"}}, ""}; }

TEST_F(VirtualEditorRun, AClickInTheVirtualViewSelectsTheElementUnderIt) {
  // From the camera, a click on the cube, then Ctrl + Left twice: the cube
  // moves, the camera the editor started on does not.
  const std::string click = "100 move 320 240\n101 buttons 1\n102 buttons 0\n";
  const std::string nudge = "110 down 29\n112 key 75\n114 key 75\n116 up 29\n";
  ASSERT_EQ(edit({far_camera(), cube()}, 0, click + nudge), 0) << last_output;
  EXPECT_EQ(saved_field(1, 5), "-1.000");
  EXPECT_EQ(saved_field(0, 5), "0");
  // A click beside the cube selects nothing: the camera stays current.
  ASSERT_EQ(edit({far_camera(), cube()}, 0, "100 move 5 460\n101 buttons 1\n102 buttons 0\n" + nudge), 0);
  EXPECT_EQ(saved_field(1, 5), "0");
  EXPECT_EQ(saved_field(0, 5), "-1.000");
}

TEST_F(VirtualEditorRun, ADragFromAnElementMovesItInTheViewPlane) {
  ASSERT_EQ(edit({far_camera(), cube()}, 0,
                 "100 move 320 240\n101 buttons 1\n104 move 370 240\n106 move 420 240\n108 buttons 0\n"),
            0)
      << last_output;
  const double x = std::stod(saved_field(1, 5));
  EXPECT_GT(x, 0.2);  // to the right, as the mouse went
  EXPECT_LT(x, 10.0);
  EXPECT_EQ(saved_field(1, 6), "0");  // across the view only
  EXPECT_EQ(saved_field(1, 7), "0");
  EXPECT_EQ(saved_field(0, 5), "0");
}

TEST_F(VirtualEditorRun, SpritesLoadOnlyTheirFirstFrame) {
  write("sprites/walk.pcx", read("sprites/default_.pcx"));
  write("sprites/walk.002", read("sprites/default_.pcx"));
  ElementSpec walk = sprite("10", "10");
  walk.fields[2] = "./sprites/walk.pcx";
  ASSERT_EQ(edit({camera(), walk}, 1, ""), 0) << last_output;
  EXPECT_EQ(word(1, 42), 1);  // the frame count
  // A test run of the same project loads both.
  write("runmode.ini", "projects/t/t.prj\r\n1\r\n0\r\n0\r\n0\r\n");
  ASSERT_EQ(quill("--headless --ticks 2 --dump d.json"), 0) << last_output;
  EXPECT_EQ(word(1, 42), 2);
}

class ToolRun : public testing_support::Installation {
 protected:
  int tool(int mode, const std::string& script, const std::string& options = "") {
    write("runmode.ini", dir + "projects/myprj/default.prj\r\n" + std::to_string(mode) + "\r\n0\r\n0\r\n0\r\n");
    std::string paths;
    for (int i = 1; i <= 23; ++i) paths += (i == 11 ? dir + "visuals/boom/boom.v3d" : std::string()) + "\r\n";
    write("data/curpaths.ini", paths);
    write("s.txt", script);
    return quill("--headless --messages m.jsonl --input-script s.txt" + options);
  }
  bool said(const std::string& text) {
    std::vector<testing_support::Message> log;
    std::string error;
    testing_support::read_messages(dir + "m.jsonl", log, &error);
    for (const auto& m : log)
      if (m.text == text) return true;
    return false;
  }
  // A visual of one part whose source is the installation's cube.
  void boom_visual(const std::string& morph = "0") {
    write("visuals/boom/boom.3ds", read("3dsfiles/default_.3ds"));
    write("visuals/boom/boom.v3d",
          "1|./images/default_.bmp|./visuals/boom/boom.3ds|0|3|0|0|0|0|0|0|25000|0|0|0|0|0|"
          "0|0|0|0|0|0|0|200|100|50|0|1||" +
              morph + "\r\n");
  }
  // The same part textured with flat projection (texture mode 2).
  void projected_visual() {
    boom_visual();
    write("visuals/boom/boom.v3d", core::with_field(lines_of(read("visuals/boom/boom.v3d"))[0], 4, "2") + "\r\n");
  }
};

TEST_F(ToolRun, InstallationBringsTheToolsResources) {
  const std::string bar = read("data/mini02.pcx");
  ASSERT_GT(bar.size(), 128u);
  uint16_t right, bottom;
  std::memcpy(&right, bar.data() + 8, 2);
  std::memcpy(&bottom, bar.data() + 10, 2);
  EXPECT_EQ(right + 1, 18 * 24);  // one 24 x 24 icon per tool-tip
  EXPECT_EQ(bottom + 1, 24);
  EXPECT_NE(read("data/current.exp").find("frames = 1 / 30"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(dir + "visuals/myvisual"));
  EXPECT_TRUE(exists("visuals/default_.3ds"));  // the part source of a new part
}

// A click on the first cell of the picture selector chooses the visual.
constexpr char kPickFirst[] = "5 move 100 130\n6 buttons 1\n7 buttons 0\n";
// Escape in the script editor leaves the script as it is.
constexpr char kLeaveScript[] = "30 key 1\n";

TEST_F(ToolRun, ExplodeToolWritesEveryFrameAndTheVisual) {
  boom_visual();
  write("data/current.exp", "frames = 1 / 30\r\nvelocity = 50 / 60\r\n");
  // Escape leaves the script editor unchanged; Delete answers the
  // right-hand button of the warning: CONTINUE.
  ASSERT_EQ(tool(8, std::string(kPickFirst) + kLeaveScript + "40 key 83\n"), 0) << last_output;
  EXPECT_TRUE(said("WARNING!|Selected visual (boom.v3d) will be overwritten!"));
  EXPECT_TRUE(said("Exploding visual successfully generated!"));
  for (int f = 1; f <= 30; ++f) {
    char name[48];
    std::snprintf(name, sizeof name, "visuals/boom/boom%03d.3ds", f);
    EXPECT_TRUE(exists(name)) << name;
  }
  EXPECT_FALSE(exists("visuals/boom/boom031.3ds"));
  const auto lines = lines_of(read("visuals/boom/boom.v3d"));
  ASSERT_EQ(lines.size(), 30u);
  EXPECT_EQ(core::field(lines[29], 1), "30");
  EXPECT_EQ(core::field(lines[29], 3), "./visuals/boom/boom030.3ds");
}

TEST_F(ToolRun, ExplodeToolLeavesTheVisualOnAbortOrABadFrameRange) {
  boom_visual();
  const std::string before = read("visuals/boom/boom.v3d");
  ASSERT_EQ(tool(8, kPickFirst), 0) << last_output;  // Enter: ABORT
  EXPECT_EQ(read("visuals/boom/boom.v3d"), before);
  EXPECT_FALSE(exists("visuals/boom/boom001.3ds"));
  write("data/current.exp", "frames = 1 / 1200\r\n");
  ASSERT_EQ(tool(8, std::string(kPickFirst) + kLeaveScript + "40 key 83\n"), 0) << last_output;
  EXPECT_TRUE(said("The script's frames must lie between 1 and 999"));
  EXPECT_EQ(read("visuals/boom/boom.v3d"), before);
  EXPECT_FALSE(exists("visuals/boom/boom001.3ds"));
}

TEST_F(ToolRun, VisualEditorSavesItsCopyAndAsksBeforeOverwriting) {
  boom_visual();
  const std::string before = read("visuals/boom/boom.v3d");
  // Escape leaves the field list; Enter takes the preset name.
  ASSERT_EQ(tool(7, std::string(kPickFirst) + "40 key 1\n50 key 28\n"), 0) << last_output;
  EXPECT_EQ(read("visuals/myvisual/boom.v3d"), before);
  EXPECT_EQ(read("data/temp.tmp"), before);
  // Saving again under the same name asks; Enter (CONTINUE) overwrites.
  write("visuals/myvisual/boom.v3d", "old");
  ASSERT_EQ(tool(7, std::string(kPickFirst) + "40 key 1\n50 key 28\n"), 0) << last_output;
  EXPECT_TRUE(said("Using the name 'boom' you will overwrite an existing file"));
  EXPECT_EQ(read("visuals/myvisual/boom.v3d"), before);
  EXPECT_EQ(read("visuals/boom/boom.v3d"), before);
}

TEST_F(ToolRun, VisualEditorEditsOnlyItsCopyUntilSaved) {
  boom_visual();
  const std::string before = read("visuals/boom/boom.v3d");
  // A click on the texture mode line, Escape, then the name cleared: no save.
  ASSERT_EQ(tool(7, std::string(kPickFirst) + "30 move 300 170\n31 buttons 1\n32 buttons 0\n40 key 1\n"
                                              "50 key 14\n52 key 14\n54 key 14\n56 key 14\n60 key 28\n"),
            0)
      << last_output;
  EXPECT_EQ(read("visuals/boom/boom.v3d"), before);
  EXPECT_FALSE(exists("visuals/myvisual/boom.v3d"));
  const auto copy = lines_of(read("data/temp.tmp"));
  ASSERT_FALSE(copy.empty());
  EXPECT_EQ(core::field(copy[0], 4), "1");  // colour only became six views
}

// The wrap-shape line is the twelfth line of the field list.
constexpr char kClickWrapShape[] = "move 200 241\n";

TEST_F(ToolRun, VisualEditorWrapShapeCyclesAndIsSaved) {
  projected_visual();
  std::string clicks;
  for (int i = 0; i < 3; ++i) {
    const int t = 30 + 6 * i;
    clicks += std::to_string(t) + " " + kClickWrapShape + std::to_string(t + 1) + " buttons 1\n" +
              std::to_string(t + 2) + " buttons 0\n";
  }
  ASSERT_EQ(tool(7, std::string(kPickFirst) + clicks + "60 key 1\n70 key 28\n"), 0) << last_output;
  auto saved = lines_of(read("visuals/myvisual/boom.v3d"));
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(core::field(saved[0], 28), "3");  // FLAT, CYLINDER, SPHERE, CHROME
  EXPECT_EQ(core::field(saved[0], 4), "2");
  // A fourth click comes back to FLAT.
  write("visuals/boom/boom.v3d", saved[0] + "\r\n");
  ASSERT_EQ(tool(7, std::string(kPickFirst) + "30 " + kClickWrapShape + "31 buttons 1\n32 buttons 0\n" +
                        "60 key 1\n70 key 28\n"),
            0);
  saved = lines_of(read("visuals/myvisual/boom.v3d"));
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(core::field(saved[0], 28), "0");
}

TEST_F(ToolRun, VisualEditorShowsThePartInItsPreview) {
  // The preview's pixels (red, green, blue) from the screenshot.
  auto preview = [&]() {
    int w = 0, h = 0;
    std::vector<uint8_t> rgba, out;
    if (!testing_support::read_png(read("shot.png"), w, h, rgba) || w < 640 || h < 480) return out;
    for (int y = 60; y < 300; ++y)
      for (int x = 360; x < 600; ++x)
        for (int c = 0; c < 3; ++c)
          out.push_back(rgba[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4 + c]);
    return out;
  };
  auto lit = [](const std::vector<uint8_t>& p) {
    int n = 0;
    for (size_t i = 0; i + 2 < p.size(); i += 3) n += p[i] + p[i + 1] + p[i + 2] > 40;
    return n;
  };
  const std::string leave = "50 key 1\n60 key 14\n62 key 14\n64 key 14\n66 key 14\n70 key 28\n";
  boom_visual();
  ASSERT_EQ(tool(7, kPickFirst + leave, " --screenshot shot.png"), 0) << last_output;
  EXPECT_GT(lit(preview()), 2000);
  // Textured: still there; turned an eighth round with the cursor keys, it
  // looks different.
  projected_visual();
  ASSERT_EQ(tool(7, kPickFirst + leave, " --screenshot shot.png"), 0);
  const std::vector<uint8_t> front = preview();
  EXPECT_GT(lit(front), 2000);
  ASSERT_EQ(tool(7, std::string(kPickFirst) + "30 key 77\n32 key 77\n34 key 77\n" + leave, " --screenshot shot.png"),
            0);
  const std::vector<uint8_t> turned = preview();
  ASSERT_EQ(turned.size(), front.size());
  int changed = 0;
  for (size_t i = 0; i < front.size(); i += 3) changed += front[i] != turned[i] || front[i + 1] != turned[i + 1];
  EXPECT_GT(changed, 1000);
}

TEST_F(ToolRun, VisualEditorPreviewDrawsEachQualityItsWay) {
  // How many pixels of the preview pass a test of their colour.
  auto count = [&](auto keep) {
    int w = 0, h = 0, n = 0;
    std::vector<uint8_t> rgba;
    if (!testing_support::read_png(read("shot.png"), w, h, rgba) || w < 640 || h < 480) return -1;
    for (int y = 60; y < 300; ++y)
      for (int x = 360; x < 600; ++x) {
        const uint8_t* p = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4];
        n += keep(p[0], p[1], p[2]) ? 1 : 0;
      }
    return n;
  };
  auto shown = [](int r, int g, int b) { return r + g + b > 40; };
  auto plain = [](int r, int g, int b) {
    return std::abs(r - 200) <= 8 && std::abs(g - 100) <= 8 && std::abs(b - 50) <= 16;
  };
  const std::string leave = "50 key 1\n60 key 14\n62 key 14\n64 key 14\n66 key 14\n70 key 28\n";
  auto draw = [&](const char* quality) {
    boom_visual();
    write("visuals/boom/boom.v3d", core::with_field(lines_of(read("visuals/boom/boom.v3d"))[0], 5, quality) + "\r\n");
    return tool(7, kPickFirst + leave, " --screenshot shot.png");
  };
  ASSERT_EQ(draw("3"), 0) << last_output;
  const int solid = count(shown), lit_plain = count(plain);
  EXPECT_GT(solid, 2000);
  // Wireframe: the edges only, most of the cube's silhouette stays background.
  ASSERT_EQ(draw("0"), 0) << last_output;
  const int edges = count(shown);
  EXPECT_GT(edges, 50);
  EXPECT_LT(edges, solid / 4);
  // Unlit flat: every face at the plain part colour (200, 100, 50, as the
  // screen's colour depth shows it), where lit faces are darker.
  ASSERT_EQ(draw("1"), 0) << last_output;
  EXPECT_GT(count(plain), solid * 9 / 10);
  EXPECT_EQ(count(plain), count(shown));
  EXPECT_LT(lit_plain, solid / 2);
  // A quality above the range is drawn as the nearest, Gouraud.
  ASSERT_EQ(draw("7"), 0) << last_output;
  EXPECT_EQ(count(shown), solid);
}

}  // namespace
