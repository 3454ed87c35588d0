// The self-executable editor (run mode 6) driven headless by input scripts:
// pages and switches, the list saved by name, reset, the executable name,
// the project browser, and the help line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/files.h"
#include "core/text.h"
#include "support/headless_run.h"

namespace {

std::string click(int pump, int x, int y, int button = 1) {
  return std::to_string(pump) + " move " + std::to_string(x) + " " + std::to_string(y) + "\n" +
         std::to_string(pump + 1) + " buttons " + std::to_string(button) + "\n" + std::to_string(pump + 2) +
         " buttons 0\n";
}

// The middle of row r's column starting at x.
int row_y(int r) { return 28 + 22 * r + 8; }
// The middle of button k on the right.
int button_y(int k) { return 55 + 28 * k - 13; }

class Editor : public testing_support::Installation {
 protected:
  void SetUp() override {
    Installation::SetUp();
    if (HasFatalFailure()) return;
    write("runmode.ini", "projects/t/l1.prj\r\n6\r\n0\r\n0\r\n0\r\n");
    std::string curpaths;
    for (int i = 1; i <= 23; ++i) curpaths += (i == 17 ? std::string("Racer") : std::string()) + "\r\n";
    write("data/curpaths.ini", curpaths);
    std::string text;
    for (int i = 0; i < 500; ++i) text += "./images/wait_.bmp|./images/anykey_.bmp|./projects/t/l1.prj|0|x\r\n";
    write("data/multilev.ini", text);
  }

  void edit(const std::string& script) {
    write("in.txt", script);
    ASSERT_EQ(quill("--headless --input-script in.txt --messages m.jsonl --screenshot s.png"), 0) << last_output;
  }

  std::vector<std::string> lines(const std::string& name) {
    std::vector<std::string> out;
    const std::string text = read(name);
    core::LineReader r(text);
    for (std::string_view l = r.next(); !r.at_end(); l = r.next()) out.emplace_back(l);
    return out;
  }

  std::vector<int> switched_on() {
    std::vector<int> on;
    const std::vector<std::string> list = lines("data/multilev.ini");
    for (size_t i = 0; i < list.size(); ++i)
      if (core::field(list[i], 4) == "1") on.push_back(static_cast<int>(i));
    return on;
  }
};

TEST_F(Editor, PagesAreHeldInRangeAndSwitchesToggleTheirEntries) {
  std::string s = click(10, 370, row_y(0)) + "20 key 73\n" + click(30, 370, row_y(1));
  for (int k = 0; k < 30; ++k) s += std::to_string(40 + k) + " key 81\n";  // past page 25
  s += click(80, 370, row_y(19)) + "90 key 73\n" + click(100, 370, row_y(0)) + click(110, 370, row_y(1)) +
       click(120, 370, row_y(1));
  edit(s);
  EXPECT_EQ(switched_on(), (std::vector<int>{0, 1, 460, 499}));
  const std::vector<std::string> list = lines("data/multilev.ini");
  ASSERT_EQ(list.size(), 500u);
  EXPECT_EQ(list[460], "./images/wait_.bmp|./images/anykey_.bmp|./projects/t/l1.prj|1|x");
  EXPECT_TRUE(exists("s.png"));
}

TEST_F(Editor, ListsAreSavedByNameAndResetAsksFirst) {
  // S, a name with a folder and an extension (cut at its first "."),
  // Enter; then Reset List
  // answered NO (Enter), and the list saved under the same name again,
  // which asks before overwriting (NO! by Delete).
  std::string s = click(10, 370, row_y(2)) + "20 key 31\n30 text sub/mine.x\n40 key 28 13\n";
  s += click(60, 520, button_y(5)) + "70 key 28 13\n";
  s += "90 key 31\n100 key 28 13\n110 key 83\n";
  edit(s);
  ASSERT_TRUE(exists("multilev/mine.mlv"));
  EXPECT_EQ(core::field(lines("multilev/mine.mlv")[2], 4), "1");
  EXPECT_EQ(switched_on(), std::vector<int>{2});
  const std::string log = read("m.jsonl");
  EXPECT_NE(log.find("Are you sure you want to reset the current list?"), std::string::npos) << log;
  EXPECT_NE(log.find("Using the name 'mine' you overwrite an existing list, continue?"), std::string::npos) << log;

  // Reset answered YES (Delete): every entry the default one, entry 0 on.
  edit(click(10, 520, button_y(5)) + "20 key 83\n");
  EXPECT_EQ(switched_on(), std::vector<int>{0});
  EXPECT_EQ(lines("data/multilev.ini")[7], "./images/wait_.bmp|./images/anykey_.bmp|./projects/myprj/default_.prj|0");
}

TEST_F(Editor, TheExecutableNameIsKeptAndEscapeInTheBoxChangesNothing) {
  edit(click(10, 520, button_y(6)) + "20 text 2\n30 key 28 13\n");
  EXPECT_EQ(lines("data/curpaths.ini")[16], "Racer2");
  edit(click(10, 520, button_y(6)) + "20 text 3\n30 key 1 27\n");
  EXPECT_EQ(lines("data/curpaths.ini")[16], "Racer2");
}

TEST_F(Editor, TheProjectBrowserChoosesAndErasesWithinItsKits) {
  write("projects/alpha/b.prj", ";Bravo\r\n0\r\n");
  write("projects/alpha/a.prj", ";Zulu\r\n0\r\n");
  write("projects/alpha/a.col", std::string(16, '\0'));
  write("projects/empty/descrptn.txt", "Nothing here\r\n");
  write("projects/zeta/z.prj", ";Zeta\r\n0\r\n");
  write("projects/zeta/descrptn.txt", "The last kit\r\nmore\r\n");
  // tarvo.ini line 16 names the kit among those present (alpha, empty,
  // myprj, zeta), wrapped: 6 is myprj.
  const auto tarvo = [](int kit) {
    std::string t;
    for (int i = 1; i <= 20; ++i) t += (i == 16 ? std::to_string(kit) : i == 2 ? "512" : "0") + std::string("\r\n");
    return t;
  };
  write("data/tarvo.ini", tarvo(6));
  edit(click(10, 300, row_y(0)) + click(30, 100, 37));
  const std::vector<std::string> list = lines("data/multilev.ini");
  EXPECT_EQ(core::field(list[0], 3).substr(0, 17), "./projects/myprj/") << list[0];
  EXPECT_EQ(core::field(list[0], 5), "x");  // field 5 stays

  // Kit 0 (alpha) directly: the first row is b.prj (Bravo before Zulu).
  write("data/tarvo.ini", tarvo(0));
  edit(click(10, 300, row_y(1)) + click(30, 100, 37));
  EXPECT_EQ(core::field(lines("data/multilev.ini")[1], 3), "./projects/alpha/b.prj");

  // Up from alpha wraps to the last kit, zeta; the empty kit is passed over
  // going down from there; the right button on a row erases it after YES.
  write("data/tarvo.ini", tarvo(0));
  edit(click(10, 300, row_y(2)) + "20 key 72\n" + click(30, 100, 37));
  EXPECT_EQ(core::field(lines("data/multilev.ini")[2], 3), "./projects/zeta/z.prj");
  write("data/tarvo.ini", tarvo(0));
  edit(click(10, 300, row_y(4)) + "20 key 80\n" + click(30, 100, 37));
  EXPECT_EQ(core::field(lines("data/multilev.ini")[4], 3).substr(0, 17), "./projects/myprj/");

  write("data/tarvo.ini", tarvo(0));
  edit(click(10, 300, row_y(3)) + click(30, 100, 51, 2) + "40 key 83\n");
  EXPECT_FALSE(exists("projects/alpha/a.prj"));
  EXPECT_FALSE(exists("projects/alpha/a.col"));
  EXPECT_TRUE(exists("projects/alpha/b.prj"));
  EXPECT_NE(read("m.jsonl").find("Do you really want to PERMANENTLY ERASE a.prj?"), std::string::npos);
  // The kit and page the browser was left on are kept in tarvo.ini.
  EXPECT_EQ(lines("data/tarvo.ini")[15], "0");
}

}  // namespace
