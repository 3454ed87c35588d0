// The example games of examples/ run headless with scripted input, as a
// user would install them (the folder copied to projects/<name>/), and show
// what their READMEs say: the dump values of the game's rules and a golden
// thumbnail of the last frame. A test of each in a window (on a virtual
// desktop) checks that they start and run there too.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/element_state.h"
#include "support/golden.h"
#include "support/headless_run.h"

namespace {

const std::string kExamples = QUILL_SOURCE_DIR "/examples/";

// The distance of planet p (1 to 4) from the magnet at the start, in
// thousandths of a metre.
int start_radius_of(int p) { return p == 1 ? 3000 : p == 2 ? 5000 : p == 3 ? 7000 : 4000; }

class Example : public testing_support::HeadlessRun {
 protected:
  // Copies examples/<name>/ to projects/<name>/ and asks for its test run.
  void install(const std::string& name) {
    for (const auto& f : std::filesystem::directory_iterator(kExamples + name)) {
      if (!f.is_regular_file()) continue;
      std::string bytes;
      ASSERT_TRUE(core::read_file(f.path().string(), bytes)) << f.path();
      write("projects/" + name + "/" + f.path().filename().string(), bytes);
    }
    write("runmode.ini", "projects/" + name + "/" + name + ".prj\r\n1\r\n0\r\n0\r\n0\r\n");
  }

  // A headless run with the input script `script` (empty: none), stalls of
  // the virtual clock every 31 passes so that about one tick in 31 is drawn
  // (the simulation is the same, the run is quicker), and a screenshot.
  int play(const std::string& script, const std::string& options) {
    std::string input = script;
    for (int pass = 40; pass < 4000; pass += 31) input += std::to_string(pass) + " stall 1000\n";
    write("input.txt", input);
    return quill("--headless --dump d.json --messages m.jsonl --screenshot s.png --input-script input.txt " + options);
  }

  std::string demo_input(const std::string& name) {
    std::string text;
    EXPECT_TRUE(core::read_file(kExamples + name + "/demo-input.txt", text));
    return text;
  }

  int element(const std::string& name) { return dump().element_named(name).value_or(-1); }
  long long var(const std::string& element_name, int n) {
    return dump().variable(element(element_name), n).value_or(kMissing);
  }
  long long word_of(const std::string& element_name, int w) { return word(element(element_name), w); }

  void no_errors() {
    for (const testing_support::Message& m : messages()) EXPECT_NE(m.kind, "error") << m.text;
    EXPECT_EQ(read("m.jsonl").find("brain ERROR!"), std::string::npos) << read("m.jsonl");
  }

  // Whether the WAV file of --record-audio holds a sample that is not
  // silence (a RIFF file with 16-bit samples in its "data" chunk).
  bool audible(const std::string& name) {
    std::string wav;
    if (!core::read_file(dir + name, wav) || wav.size() < 12 || wav.compare(0, 4, "RIFF") != 0) return false;
    for (size_t at = 12; at + 8 <= wav.size();) {
      uint32_t size = 0;
      std::memcpy(&size, wav.data() + at + 4, 4);
      if (wav.compare(at, 4, "data") == 0) {
        const size_t end = std::min(wav.size(), at + 8 + size);
        for (size_t i = at + 8; i + 1 < end; i += 2)
          if (wav[i] != 0 || wav[i + 1] != 0) return true;
        return false;
      }
      at += 8 + size + (size & 1);
    }
    return false;
  }

  void expect_golden(const std::string& name) {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    ASSERT_TRUE(screenshot("s.png", w, h, px));
    testing_support::expect_golden(px, w, h, QUILL_SOURCE_DIR "/tests/examples/golden/" + name + ".ppm",
                                   dir + "golden-" + name + ".ppm");
  }
};

// The scripted drive: full throttle and a left turn at every corner wins
// the two laps before the rival, and the game ends two seconds later.
TEST_F(Example, DriveTheScriptedTwoLapsAheadOfTheRival) {
  install("drive");
  ASSERT_EQ(play(demo_input("drive"), "--ticks 1300"), 0) << last_output;
  no_errors();
  EXPECT_EQ(dump_value("exit_code"), -2);
  EXPECT_LT(dump_value("tick_count"), 1300);
  EXPECT_EQ(dump().global(1), 1);  // your place at the finish
  EXPECT_EQ(dump().global(2), 0);  // the rival has not finished
  EXPECT_EQ(word_of("Laps", core::kCredits), 2);
  EXPECT_EQ(var("You", 7), 0);  // no throttle after the finish
  EXPECT_NE(read("m.jsonl").find("When compiled, exit to end screen"), std::string::npos);
  expect_golden("drive");
}

// Without keys your car stays on the start line while the rival laps.
TEST_F(Example, DriveWithoutKeysTheCarStaysWhileTheRivalLaps) {
  install("drive");
  ASSERT_EQ(play("", "--ticks 300"), 0) << last_output;
  no_errors();
  EXPECT_EQ(word_of("You", core::kPosition), -12 * 512000);
  EXPECT_EQ(word_of("You", core::kPosition + 2), -18 * 512000 - 256000);
  EXPECT_GT(word_of("Rival", core::kPosition), 0);  // past the start gate at x = 0
  EXPECT_EQ(dump().global(1), 0);
  EXPECT_EQ(word_of("Laps", core::kCredits), 0);
}

// Held arrows drive too: Up is full throttle, which raises the engine's
// note, Left turns the wheel while it is held and lets it come back
// straight afterwards.
TEST_F(Example, DriveWithHeldArrows) {
  install("drive");
  ASSERT_EQ(play("10 down 72\n20 down 75\n30 up 75\n", "--ticks 150"), 0) << last_output;
  no_errors();
  EXPECT_EQ(var("You", 7), 6);  // full throttle
  EXPECT_EQ(var("You", 6), 0);  // the wheel straight again
  EXPECT_EQ(word_of("You", core::kSoundIndex), 0);
  EXPECT_EQ(word_of("You", core::kSoundRate), 2048 + 6 * 512);
  EXPECT_GT(word_of("You", core::kPosition), -12 * 512000 + 512000);  // off the line, heading +x
  EXPECT_NE(word_of("You", core::kRotation + 1), -90 * 512);          // and turned by the wheel
}

// The pointer sweeps across the screen: balloons it touches burst and score,
// the counter shows the score, and a 20-second game (quill /20) ends.
TEST_F(Example, BalloonsBurstUnderThePointerAndTheTimeRunsOut) {
  install("balloons");
  ASSERT_EQ(play(demo_input("balloons"), "/20 --ticks 1000"), 0) << last_output;
  no_errors();
  EXPECT_EQ(dump_value("tick_count"), 20 * 30 + 61);
  EXPECT_EQ(dump_value("exit_code"), -2);
  EXPECT_EQ(dump().global(2), 1);  // the time is up
  const long long score = dump().global(1).value_or(-1);
  EXPECT_GE(score, 1);
  EXPECT_LE(score, 20);
  EXPECT_EQ(word_of("Score", core::kCredits), score);
  for (int b = 1; b <= 6; ++b) {
    const std::string name = "Balloon (" + std::to_string(b) + ")";
    EXPECT_EQ(word_of(name, core::kFrameCount), 6) << name;  // balloon.pcx and balloon.002 to .006
    EXPECT_GE(var(name, 1), 1) << name;                      // launched
    EXPECT_GE(word_of(name, core::kPosition), -20) << name;  // x0 20..580 and a wobble of 12
    EXPECT_LE(word_of(name, core::kPosition), 600) << name;
  }
  expect_golden("balloons");

  ASSERT_EQ(play("", "/5 --ticks 1000"), 0) << last_output;  // nobody at the mouse
  EXPECT_EQ(dump().global(1), 0);
  EXPECT_EQ(dump_value("tick_count"), 5 * 30 + 61);
}

// Without input the planets circle the magnet at about their start
// distance, the moon keeps near the first planet, and the ball bounces on
// the floor, never far below it.
TEST_F(Example, OrbitsStayRoundTheMagnetAndTheBallBounces) {
  install("orbits");
  ASSERT_EQ(play("", "--ticks 900"), 0) << last_output;
  no_errors();
  for (int p = 1; p <= 4; ++p) {
    const std::string name = "Planet (" + std::to_string(p) + ")";
    EXPECT_GE(var(name, 2), start_radius_of(p) - 100) << name;  // far
    EXPECT_LE(var(name, 2), start_radius_of(p) * 11 / 10) << name;
  }
  const long long dx = word_of("Moon", core::kPosition) - word_of("Planet (1)", core::kPosition);
  const long long dz = word_of("Moon", core::kPosition + 2) - word_of("Planet (1)", core::kPosition + 2);
  EXPECT_LT(dx * dx + dz * dz, 1024000LL * 1024000);  // within 2 m
  EXPECT_EQ(word_of("Moon", core::kPosition + 1), word_of("Planet (1)", core::kPosition + 1) + 512000);
  EXPECT_GE(var("Ball", 3), 4);        // bounces
  EXPECT_GE(var("Ball", 2), -300000);  // never deeper than 0.6 m below the floor's top
  EXPECT_EQ(dump().global(1), 0);      // the magnet stayed on
}

// "m" switches the magnet off: the planets fly straight on (their velocity
// stays what it was) and leave their orbits; the demo's script switches it
// on again and kicks the ball.
TEST_F(Example, OrbitsWithoutTheMagnetFlyStraight) {
  install("orbits");
  ASSERT_EQ(play("100 key 50 m\n", "--ticks 200"), 0) << last_output;
  no_errors();
  EXPECT_EQ(dump().global(1), 1);
  for (int p = 1; p <= 4; ++p) {
    const std::string name = "Planet (" + std::to_string(p) + ")";
    EXPECT_NE(var(name, 4), 0) << name;
    EXPECT_EQ(word_of(name, core::kVelocity), var(name, 4)) << name;  // velocity x as when it went off
  }
  ASSERT_EQ(play(demo_input("orbits"), "--ticks 480"), 0) << last_output;
  no_errors();
  EXPECT_EQ(dump().global(1), 0);  // on again
  EXPECT_EQ(dump().global(2), 0);  // the kick was taken
  for (int p = 1; p <= 4; ++p) {
    const std::string name = "Planet (" + std::to_string(p) + ")";
    EXPECT_GT(var(name, 2), start_radius_of(p)) << name;  // out of orbit while it was off
    EXPECT_LT(var(name, 2), 40000) << name;
  }
  expect_golden("orbits");
}

// The arrow keys steer Red off the road and brake it to a stop, so that it
// never meets Blue; without keys the two meet head on, and Red's knock is
// heard for the ticks the sound lasts.
TEST_F(Example, DrivingRedSteeredOffTheRoadNeverMeetsBlue) {
  install("driving");
  ASSERT_EQ(play(demo_input("driving"), "--ticks 300"), 0) << last_output;
  no_errors();
  EXPECT_EQ(dump_value("tick_count"), 300);
  EXPECT_EQ(var("Red", 2), 0);                          // no bounce
  EXPECT_EQ(var("Red", 3), 0);                          // braked to a stop
  EXPECT_EQ(var("Red", 4), 0);                          // so no knock
  EXPECT_EQ(var("Blue", 2), 0);                         // never touched
  EXPECT_LT(word_of("Red", core::kPosition), -512000);  // off the road to the left (-x)
  EXPECT_EQ(word_of("Red", core::kVelocity), 0);
  EXPECT_EQ(word_of("Red", core::kVelocity + 2), 0);
  expect_golden("driving");

  ASSERT_EQ(play("", "--ticks 300"), 0) << last_output;
  no_errors();
  EXPECT_EQ(var("Red", 2), 1);
  // The ticks the knock was heard: a third of a second of the clock, which the
  // script's stalls make jump.
  EXPECT_GE(var("Red", 4), 1);
  EXPECT_LE(var("Red", 4), 11);
  EXPECT_EQ(word_of("Red", core::kPosition), 0);  // straight up the road
}

// Holding the Up arrow doubles the speed of your car (Blue), which then
// wins; without keys the faster Red wins. Each car beeps as it completes a
// lap.
TEST_F(Example, RaceHoldingUpWinsForBlue) {
  install("race");
  ASSERT_EQ(play(demo_input("race"), "--ticks 2000"), 0) << last_output;
  no_errors();
  EXPECT_EQ(dump_value("exit_code"), 0);
  EXPECT_EQ(dump().global(1), 5);  // Blue first
  EXPECT_EQ(dump().global(2), 4);  // Red second
  EXPECT_EQ(var("Blue", 3), 2);    // two beeps: two laps
  EXPECT_EQ(var("Red", 3), 2);
  expect_golden("race");

  ASSERT_EQ(play("", "--ticks 2000"), 0) << last_output;
  no_errors();
  EXPECT_EQ(dump().global(1), 4);
  EXPECT_EQ(dump().global(2), 5);
  EXPECT_EQ(var("Blue", 3), 2);
}

// Every example makes itself heard in the mix: the engine note of your car,
// the balloons' pops, the ball's bounces, the knock of the two cars and the
// beeps of the laps. (Without the sounds the mix is silence.)
TEST_F(Example, EachIsHeard) {
  struct Case {
    const char* name;
    bool scripted;
    const char* options;
  };
  for (const Case& c : {Case{"drive", true, "--ticks 200"}, Case{"balloons", true, "/20 --ticks 700"},
                        Case{"orbits", false, "--ticks 300"}, Case{"driving", false, "--ticks 150"},
                        Case{"race", false, "--ticks 2000"}}) {
    SCOPED_TRACE(c.name);
    install(c.name);
    ::unlink((dir + "a.wav").c_str());
    ASSERT_EQ(play(c.scripted ? demo_input(c.name) : "", std::string(c.options) + " --record-audio a.wav"), 0)
        << last_output;
    no_errors();
    EXPECT_TRUE(audible("a.wav"));
  }
  // The balloons pop only when they burst: with nobody at the mouse, silence.
  install("balloons");
  ASSERT_EQ(play("", "/5 --ticks 300 --record-audio a.wav"), 0) << last_output;
  EXPECT_FALSE(audible("a.wav"));
}

// Each example starts and runs in a window on a virtual desktop.
TEST_F(Example, EachRunsInAWindow) {
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xvfb-run";
  launcher = "xvfb-run -a";
  for (const char* name : {"drive", "balloons", "orbits", "driving", "race"}) {
    SCOPED_TRACE(name);
    install(name);
    ::unlink((dir + "d.json").c_str());
    ASSERT_EQ(quill("--windowed --ticks 45 --dump d.json --messages m.jsonl"), 0) << last_output;
    no_errors();
    EXPECT_EQ(dump_value("tick_count"), 45);
    EXPECT_GT(dump_value("frames_drawn"), 0);
  }
}

}  // namespace
