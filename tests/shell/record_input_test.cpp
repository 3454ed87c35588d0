// --record-input: a run's input written as an input script; replayed with
// --input-script it gives the same run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/input_script.h"
#include "support/headless_run.h"

namespace {

using testing_support::ElementSpec;

// A brain that folds everything it can read of the input (and the random
// numbers, which follow the pump count) into one value, shows it with
// debug so that the screenshot depends on it too, and pauses on P.
const ElementSpec kWatcher{{},
                           "var t\nvar h\nvar spaces\nvar s\n"
                           "t = t + 1\n"
                           "if t = 1\ns = str_create(100)\nendif\nstr_input(s)\n"
                           "h = h * 31 + mouse_x() * 7 + mouse_y() * 3 + mouse_click() + mouse_wheel()\n"
                           "h = h + scancode() * 11 + random(0, 1000) + joy1_x(0 - 100, 100) + joy1_b(0xFFFFFFF0)\n"
                           "h = h + any_input() + str_len(s)\n"
                           "if keyboard(\"space\") = -1\nspaces = spaces + 1\nendif\n"
                           "if keyboard(\"p\") = -1\npause()\nendif\n"
                           "debug(h)\n"};

constexpr char kSession[] =
    "3 move 100 200\n5 key 57 32\n6 text hello\n8 buttons 1\n9 buttons 0\n10 wheel 120\n"
    "12 joy 1 present 1\n12 joy 1 x 600\n12 joy 1 buttons 5\n15 stall 500\n20 down 42\n22 up 42\n"
    "25 move 320 240\n30 down 25\n34 up 25\n38 key 57 32\n45 joy 1 present 0\n";

class RecordInput : public testing_support::HeadlessRun {
 protected:
  // The dump and the screenshot of the last run.
  std::string outcome() { return read("d.json") + read("s.png"); }
};

// A session whose script still had events to come when the tick limit
// ended it: the recording replays to the same dump and screenshot, and a
// replay recorded again gives the same recording.
TEST_F(RecordInput, ReplayGivesTheSameRunAndRecording) {
  write("in.txt", std::string(kSession) + "100000 key 30 a\n");
  ASSERT_EQ(run({kWatcher}, "--ticks 80 --input-script in.txt --record-input rec.txt --screenshot s.png"), 0);
  const std::string first = outcome();
  ASSERT_NE(read("s.png"), "");
  EXPECT_GT(dump_value("frames_drawn"), 0);
  EXPECT_NE(word(0, 254), 0);
  const std::string recording = read("rec.txt");
  ASSERT_NE(recording, "");
  EXPECT_EQ(recording.find("100000"), std::string::npos);  // never delivered
  platform::InputScript parsed;
  std::string error;
  EXPECT_TRUE(platform::parse_input_script(recording, parsed, error)) << error;

  ASSERT_EQ(run({kWatcher}, "--ticks 80 --input-script rec.txt --record-input again.txt --screenshot s.png"), 0);
  EXPECT_EQ(outcome(), first);
  EXPECT_EQ(read("again.txt"), recording);

  // Without the recording the run differs: the replay is not a coincidence.
  ASSERT_EQ(run({kWatcher}, "--ticks 80 --screenshot s.png"), 0);
  EXPECT_NE(outcome(), first);
}

// A script used up before the end: the run ends by the headless Escape,
// and the replay takes it at the same point.
TEST_F(RecordInput, ReplayRunsOutOfInputWhereTheRunDid) {
  write_project({kWatcher});
  write("in.txt", kSession);
  ASSERT_EQ(quill("--headless --dump d.json --input-script in.txt --record-input rec.txt --screenshot s.png"), 0);
  const std::string first = outcome();
  const long long ticks = dump_value("tick_count");
  EXPECT_GT(ticks, 30);  // past the last event of the script
  ASSERT_EQ(quill("--headless --dump d.json --input-script rec.txt --screenshot s.png"), 0);
  EXPECT_EQ(outcome(), first);
  EXPECT_EQ(dump_value("tick_count"), ticks);
}

// A run in a window (on a virtual desktop) recorded and replayed headless:
// the clock readings of the recording make the replay drop the same frames
// and draw the same number, and the dump is the same.
TEST_F(RecordInput, DesktopRunReplaysHeadless) {
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xvfb-run";
  const ElementSpec mover{{},
                          "var t\nvar h\nt = t + 1\n"
                          "h = h * 31 + mouse_x() * 7 + mouse_y() + random(0, 1000)\n"
                          "if t = 20\nmouse_set(300, 200)\nendif\ndebug(h)\n"};
  write_project({mover});
  launcher = "xvfb-run -a";
  ASSERT_EQ(quill("--windowed --ticks 90 --dump d.json --record-input rec.txt"), 0);
  const std::string desktop = read("d.json");
  const std::string recording = read("rec.txt");
  EXPECT_NE(recording.find(" clock "), std::string::npos);
  EXPECT_NE(recording.find("(desktop run)"), std::string::npos);
  launcher.clear();
  ASSERT_EQ(quill("--headless --ticks 90 --dump d.json --input-script rec.txt --record-input again.txt"), 0);
  EXPECT_EQ(read("d.json"), desktop);
  // Recorded again, the replay keeps the clock readings it was given.
  std::string again = read("again.txt");
  again.replace(again.find("(headless run)"), 14, "(desktop run)");
  EXPECT_EQ(again, recording);
}

// A run ended by a termination request still leaves its recording.
TEST_F(RecordInput, AnEarlyEndStillWritesTheRecording) {
  write_project({kWatcher});
  write("in.txt", "2 move 5 6\n3 key 57 32\n1000000000 key 30 a\n");
  const std::string cmd = "cd '" + dir +
                          "' && { timeout -k 5 120 '" QUILL_BINARY
                          "' --headless --ticks 2000000000 --messages m.jsonl --input-script in.txt"
                          " --record-input rec.txt >/dev/null 2>&1 & pid=$!; "
                          "for i in $(seq 1200); do grep -q Compiling m.jsonl 2>/dev/null && break; sleep 0.1; done; "
                          "sleep 0.5; kill -TERM $pid; wait $pid; } 2>/dev/null";
  EXPECT_NE(std::system(cmd.c_str()), 0);  // ended by the signal
  const std::string recording = read("rec.txt");
  ASSERT_NE(recording, "") << "no recording";
  EXPECT_NE(recording.find("2 move 5 6\n"), std::string::npos);
  EXPECT_NE(recording.find("press 57\n"), std::string::npos);
  EXPECT_EQ(recording.find("1000000000"), std::string::npos);
  EXPECT_NE(recording.rfind(" stall 0\n"), std::string::npos);  // the input went on
  platform::InputScript parsed;
  std::string error;
  EXPECT_TRUE(platform::parse_input_script(recording, parsed, error)) << error;
}

}  // namespace
