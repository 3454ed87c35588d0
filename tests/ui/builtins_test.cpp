// input_box, list_box and file_box as brains call them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/arena.h"
#include "core/files.h"
#include "core/strings.h"
#include "support/builtin_call.h"
#include "support/temp_folder.h"
#include "ui/builtins.h"
#include "ui/files.h"
#include "ui_fixture.h"

namespace {

using testing_support::call;
using ui_testing::Ui;

std::vector<std::string> g_events;
uint32_t g_deadline = 0;
int32_t g_exit = -1;
const int32_t kTickLength = 75;

class Builtins : public Ui {
 protected:
  void SetUp() override {
    Ui::SetUp();
    ui::bind_builtins();
    core::handle_reset();
    g_events.clear();
    g_deadline = 0;
    g_exit = -1;
    brain::state().halted = false;
    brain::GeneralServices& g = brain::state().general;
    g = {};
    g.silence = [](bool on) { g_events.push_back(on ? "silence" : "sound"); };
    g.timer = [] { return 9000u; };
    g.next_deadline = &g_deadline;
    g.exit_code = &g_exit;
    g.tick_length = &kTickLength;
    core::state().notify.error = [](const std::string& t) { g_events.push_back("error: " + t); };
    literal_ = core::state().pools.strings.addr + core::state().pools.strings.size - 2048;
    saved_program_ = core::state().folders.program;
    core::state().folders.program = folder_.path();
  }
  void TearDown() override {
    core::state().notify.error = nullptr;
    brain::state().general = {};
    core::state().folders.program = saved_program_;
  }
  int32_t lit(std::string_view text) {
    std::memcpy(core::at<char>(literal_), text.data(), text.size());
    core::at<char>(literal_)[text.size()] = 0;
    const auto r = static_cast<int32_t>(literal_);
    literal_ += static_cast<uint32_t>(text.size()) + 1;
    return r;
  }
  // A string variable of `room` characters holding `text`.
  static int32_t variable(size_t room, std::string_view text = "") {
    const int32_t h = core::handle_new(room + 1);
    std::memcpy(core::at<char>(core::handle_entry(h)->addr), text.data(), std::min(text.size(), room));
    return h;
  }
  static std::string text(int32_t h) { return std::string(core::string_arg(h)); }

  uint32_t literal_ = 0;
  testing_support::TempFolder folder_{"quill-ui-builtins"};
  std::string saved_program_;
};

TEST_F(Builtins, InputBoxWritesTheVariableOnlyWhenConfirmed) {
  const int32_t s = variable(4, "ab");
  script("10 text cdef\n" + key(20, 28, 13));
  EXPECT_EQ(call("input_box", lit("Your name?"), s, 0), 1);
  EXPECT_EQ(text(s), "abcd");  // cut to the variable's memory
  EXPECT_EQ(g_events, (std::vector<std::string>{"silence", "sound"}));
  EXPECT_EQ(g_deadline, 9075u);

  script("10 text zz\n" + key(20, 1, 27));
  EXPECT_EQ(call("input_box", lit("Your name?"), s, 0), 0);
  EXPECT_EQ(text(s), "abcd");

  // Style 1 takes digits only; an unknown style is plain text.
  const int32_t n = variable(10);
  script("10 text 4x2\n" + key(20, 28, 13));
  EXPECT_EQ(call("input_box", lit("How many?"), n, 1), 1);
  EXPECT_EQ(text(n), "42");
  script("10 text 4x2\n" + key(20, 28, 13));
  EXPECT_EQ(call("input_box", lit("Anything?"), n, 7), 1);
  EXPECT_EQ(text(n), "424x2");
}

TEST_F(Builtins, InputBoxWantsAStringVariable) {
  EXPECT_EQ(call("input_box", lit("Name?"), lit("constant"), 0), 0);
  ASSERT_FALSE(g_events.empty());
  EXPECT_NE(g_events[1].find("Second parameter of INPUT_BOX() instruction must be a string variable, not a constant "
                             "string."),
            std::string::npos);
  EXPECT_EQ(static_cast<uint32_t>(g_exit), 0x80000000u);
  // A handle that is not in use shows nothing.
  g_events.clear();
  EXPECT_EQ(call("input_box", lit("Name?"), 4000, 0), 0);
  EXPECT_TRUE(g_events.empty());
}

TEST_F(Builtins, ListBoxAnswersTheIndexInTheGivenOrder) {
  const int32_t chosen = variable(16);
  script(key(10, 80) + key(11, 28, 13));  // Down, Enter
  EXPECT_EQ(call("list_box", lit("red|green|blue"), lit("Colour"), 0, chosen, 0), 1);
  EXPECT_EQ(text(chosen), "green");
  // Sorted: blue, green, red; the first row is "blue", index 2 of the list.
  script(key(10, 71) + key(11, 28, 13));
  EXPECT_EQ(call("list_box", lit("red|green|blue"), lit("Colour"), 0, chosen, 2), 2);
  EXPECT_EQ(text(chosen), "blue");
  // Numbered rows, starting on the entry asked for.
  script(key(10, 28, 13));
  EXPECT_EQ(call("list_box", lit("red|green|blue"), lit("Colour"), 2, 0, 3), 2);
  // Style 1 is the menu: F3 chooses the third.
  script(key(10, 61));
  EXPECT_EQ(call("list_box", lit("red|green|blue"), lit("Colour"), 0, 0, 1), 2);
  script(key(10, 1, 27));
  EXPECT_EQ(call("list_box", lit("red|green|blue"), lit("Colour"), 0, chosen, 0), -1);
  EXPECT_EQ(text(chosen), "blue");
  EXPECT_EQ(call("list_box", lit(""), lit("Nothing"), 0, 0, 0), -1);
  // A letter moves to the next entry starting with it; a click chooses.
  script("10 text b\n" + key(11, 28, 13));
  EXPECT_EQ(call("list_box", lit("red|green|blue|brown"), lit("Colour"), 0, 0, 0), 2);
}

TEST_F(Builtins, FileBoxAnswersAPathInsideTheProgramFolder) {
  const std::string dir = folder_.path();
  core::make_folders(dir + "images");
  ASSERT_TRUE(core::write_file_atomic(dir + "images/a.bmp", "x"));
  ASSERT_TRUE(core::write_file_atomic(dir + "images/b.bmp", "x"));
  const int32_t path = variable(260, "./images/");
  // The list selector's second row (block font): b.bmp.
  script(click(10, 200, 132 + 12 + 6));
  EXPECT_EQ(call("file_box", path, lit("*.bmp"), 0), 1);
  EXPECT_EQ(text(path), "./images/b.bmp");
  script(key(10, 1, 27));
  EXPECT_EQ(call("file_box", path, lit("*.bmp"), 0), 0);
  EXPECT_EQ(text(path), "./images/b.bmp");
  // Mode 1 asks for the name to save as.
  script(key(10, 14, 8) + key(11, 14, 8) + key(12, 14, 8) + "13 text pcx\n" + key(20, 28, 13));
  EXPECT_EQ(call("file_box", path, lit("*.pcx"), 1), 1);
  EXPECT_EQ(text(path), "./images/b.pcx");
  // Mode 2 shows the pictures: the first cell holds a.bmp.
  ui::set_picture_page(1);
  script(click(30, 120, 140));
  EXPECT_EQ(call("file_box", path, lit("*.bmp"), 2), 1);
  EXPECT_EQ(text(path), "./images/a.bmp");

  g_events.clear();
  EXPECT_EQ(call("file_box", lit("./images/"), lit("*.bmp"), 0), 0);
  ASSERT_EQ(g_events.size(), 3u);
  EXPECT_NE(g_events[1].find("First parameter of FILE_BOX() instruction must be a string variable"), std::string::npos);
}

}  // namespace
