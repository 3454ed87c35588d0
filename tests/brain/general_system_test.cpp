// Boxes, programs, dates, ports, and which rows the general family binds.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/state.h"
#include "brain/table.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "support/builtin_call.h"
#include "support/temp_folder.h"

namespace {

using testing_support::call;

struct Shown {
  std::string text, first, second;
};
std::vector<Shown> g_boxes;
std::vector<std::string> g_events;
int g_answer = 1;
uint32_t g_deadline = 0;
int32_t g_exit = -1;
const int32_t kTickLength = 75;

class GeneralSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    brain::bind_general_builtins();
    g_boxes.clear();
    g_events.clear();
    g_deadline = 0;
    g_exit = -1;
    brain::GeneralServices& g = brain::state().general;
    g = {};
    g.silence = [](bool on) { g_events.push_back(on ? "silence" : "sound"); };
    g.timer = [] { return 5000u; };
    g.next_deadline = &g_deadline;
    g.exit_code = &g_exit;
    g.tick_length = &kTickLength;
    g.show_window = [] { g_events.push_back("window"); };
    core::state().notify.box = [](const std::string& t, const std::string& a, const std::string& b) {
      g_boxes.push_back({t, a, b});
      g_events.push_back("box");
      return g_answer;
    };
    core::state().notify.error = [](const std::string& t) {
      g_boxes.push_back({t, "", ""});
      g_events.push_back("error");
    };
    literal_ = core::state().pools.strings.addr + core::state().pools.strings.size - 2048;
  }
  void TearDown() override {
    core::state().notify.box = nullptr;
    core::state().notify.error = nullptr;
    brain::state().general = {};
  }
  int32_t lit(std::string_view text) {
    std::memcpy(core::at<char>(literal_), text.data(), text.size());
    core::at<char>(literal_)[text.size()] = 0;
    const int32_t r = static_cast<int32_t>(literal_);
    literal_ += static_cast<uint32_t>(text.size()) + 1;
    return r;
  }
  uint32_t literal_ = 0;
};

TEST_F(GeneralSystem, MessageBoxButtonsAndResults) {
  struct M {
    int32_t buttons;
    int answer;
    const char *first, *second;
    int32_t want;
  };
  const M cases[] = {{1, 1, " OK ", " CANCEL ", 1}, {1, 2, " OK ", " CANCEL ", 0}, {2, 1, " YES ", " NO ", 3},
                     {2, 2, " YES ", " NO ", 2},    {3, 2, " YES ", " NO ", 2},    {0, 1, " OK ", "", 1},
                     {99, 0, " OK ", "", -1}};
  for (const M& c : cases) {
    g_boxes.clear();
    g_answer = c.answer;
    EXPECT_EQ(call("msg_box", lit("Hello|world"), c.buttons, 0, 0), c.want) << c.buttons << " " << c.answer;
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, "Hello|world");
    EXPECT_EQ(g_boxes[0].first, c.first);
    EXPECT_EQ(g_boxes[0].second, c.second);
  }
  EXPECT_EQ(g_events[0], "silence");
  EXPECT_EQ(g_events[2], "sound");
  EXPECT_EQ(g_deadline, 5075u);
}

TEST_F(GeneralSystem, RuntimeErrorBoxEndsTheRun) {
  brain::runtime_error_box("bad");
  EXPECT_EQ(g_events, (std::vector<std::string>{"silence", "error", "sound"}));
  EXPECT_EQ(g_boxes[0].text, "bad");
  EXPECT_EQ(static_cast<uint32_t>(g_exit), 0x80000000u);
  EXPECT_EQ(g_deadline, 5075u);
  // Without services nothing is written anywhere.
  brain::state().general = {};
  brain::runtime_error_box("again");
}

TEST_F(GeneralSystem, RunWaitsAndRunTaskDoesNot) {
  const testing_support::TempFolder folder("quill-run-builtin");
  const std::string marker = folder / "ran";
  call("run", lit("touch \"" + marker + "\""));
  EXPECT_TRUE(core::file_exists(marker));  // run returned after the program ended
  EXPECT_EQ(g_events, (std::vector<std::string>{"window"}));
  EXPECT_EQ(g_deadline, 5075u);
  const auto start = std::chrono::steady_clock::now();
  call("run_task", lit("sleep 2"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_GT(brain::state().task_pid, 0);
  // Hostile command lines start nothing and return.
  EXPECT_EQ(call("run", lit("")), 0);
  EXPECT_EQ(call("run", lit("/no/such/program arg")), 0);
  EXPECT_EQ(call("run", 7777), 0);
  EXPECT_EQ(call("run", INT_MIN), 0);
  std::string longer(5000, 'x');
  EXPECT_EQ(call("run", lit(longer.substr(0, 1500))), 0);
}

TEST_F(GeneralSystem, PortsAndClear) {
  for (const char* port : {"input_b", "input_w", "input_d", "output_b", "output_w", "output_d"})
    EXPECT_EQ(call(port, 0x378, 255), 0) << port;
  EXPECT_GE(call("month"), 1);
  EXPECT_LE(call("month"), 12);
  EXPECT_GE(call("year"), 2000);
  call("clear");  // no screen service: nothing
  brain::state().general.clear_screen = [] { g_events.push_back("clear"); };
  call("clear");
  EXPECT_EQ(g_events, (std::vector<std::string>{"clear"}));
}

TEST_F(GeneralSystem, EveryGeneralRowIsBoundButTheDeferredOnes) {
  const std::set<std::string_view> deferred = {"input_box", "list_box",         "file_box",  "play",
                                               "play_task", "play_task_status", "stop_task", "save",
                                               "save_x",    "resume",           "resume_x",  "reset"};
  int general = 0;
  for (int i = 0; i < brain::kRowCount; ++i) {
    const brain::Row& r = brain::row(i);
    if (r.family != brain::Family::kGeneral) continue;
    ++general;
    EXPECT_EQ(brain::is_placeholder(i), deferred.count(r.name) == 1) << r.name;
  }
  EXPECT_EQ(general, 121);
  EXPECT_EQ(brain::handler_of(brain::find_row("credits")), brain::handler_of(brain::find_row("score")));
  EXPECT_EQ(brain::handler_of(brain::find_row("a_kill")), brain::handler_of(brain::find_row("str_kill")));
}

}  // namespace
