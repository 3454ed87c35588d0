// Sound in headless runs of the real binary, heard through --record-audio:
// the recording's format and length, the same bytes from two runs, the
// example project's element and extra sounds, and the run's events (off and
// on, the sound system stopped and started again, pause) in the mix.
#include <gtest/gtest.h>

#include <string>

#include "core/files.h"
#include "media/config.h"
#include "support/headless_run.h"
#include "support/wav_tools.h"

namespace {

using testing_support::ElementSpec;
using testing_support::Recording;
using testing_support::rms;

class SoundRun : public testing_support::HeadlessRun {
 protected:
  void SetUp() override {
    HeadlessRun::SetUp();
    if (HasFatalFailure()) return;
    write("sounds/tone.wav", testing_support::tone_wav(22050, 441, 1.0));
  }

  void set_sound(int32_t sound, int32_t mixing = 0) {
    media::EngineSettings s;
    s.sound = sound;
    s.sound_mixing = mixing;
    ASSERT_TRUE(media::write_config(dir + "config.ini", s));
  }

  Recording recording(const std::string& name) {
    Recording r;
    EXPECT_TRUE(testing_support::read_recording(read(name), r)) << name;
    return r;
  }

  // Frames of the recording at `seconds` of audio time.
  static size_t at(const Recording& r, double seconds) { return static_cast<size_t>(seconds * r.rate); }
  static double loudness(const Recording& r, double from, double to) { return rms(r.audio, 0, at(r, from), at(r, to)); }
};

// The hearer element 0 and a looping tone on element 1, switched by the
// hearer's brain at the given runs.
std::vector<ElementSpec> timeline(const std::string& events) {
  ElementSpec hearer{{}, "var n\nn = n + 1\n" + events};
  ElementSpec tone{{{3, "./sounds/tone.wav"}}, ""};
  return {hearer, tone};
}

TEST_F(SoundRun, TheRecordingFollowsTheClockInTheSoundRateAndRepeatsExactly) {
  set_sound(2);
  const auto project = timeline("");
  ASSERT_EQ(run(project, "--ticks 95 --record-audio a.wav"), 0);
  ASSERT_EQ(run(project, "--ticks 95 --record-audio b.wav"), 0);
  EXPECT_EQ(read("a.wav"), read("b.wav"));
  EXPECT_FALSE(exists("a.wav.part"));
  const Recording r = recording("a.wav");
  EXPECT_EQ(r.format, 1);
  EXPECT_EQ(r.rate, 22050u);
  // Audio time is the run's clock: 30 ticks a second after the four of the
  // warm-up, the last tick not waited for.
  EXPECT_NEAR(static_cast<double>(r.audio.frames()), 90.0 / 30 * 22050, 22050.0 / 30 + 1);
  EXPECT_GT(loudness(r, 0.1, 2.9), 0.1);
  EXPECT_NEAR(testing_support::crossing_hertz(r.audio, 0, at(r, 0.5), at(r, 1.5)), 441, 3);
  // A recording that cannot be written stops the start.
  EXPECT_EQ(quill("--headless --ticks 5 --record-audio /nonexistent-folder/c.wav"), 2);
  EXPECT_NE(last_output.find("cannot write /nonexistent-folder/c.wav"), std::string::npos) << last_output;
}

TEST_F(SoundRun, WithoutSoundTheRecordingIsSilentAndTheRowsAnswerNothing) {
  set_sound(0);
  ElementSpec hearer{{},
                     "var slot\nvar status\nvar me\nslot = esound_load(\"sounds/tone.wav\")\n"
                     "status = sound_status(element#1)\nme = hearer(element)\n"};
  ElementSpec tone{{{3, "./sounds/tone.wav"}}, ""};
  ASSERT_EQ(run({hearer, tone}, "--ticks 35 --record-audio quiet.wav"), 0);
  const Recording r = recording("quiet.wav");
  EXPECT_EQ(r.rate, 11025u);
  EXPECT_GT(r.audio.frames(), 11025u / 2);
  EXPECT_EQ(testing_support::peak(r.audio), 0);
  EXPECT_EQ(word(0, 255), -1);  // no slot
  EXPECT_EQ(word(0, 254), 0);
  EXPECT_EQ(word(0, 253), 0);
  EXPECT_EQ(word(1, 28), -1);  // no sound loaded
}

TEST_F(SoundRun, OffOnStopRestartAndPauseShowInTheMix) {
  // Run n happens at about (n - 5) / 30 s of audio time.
  const auto project = timeline(
      "if n = 30\noff(element#1)\nendif\n"
      "if n = 45\non(element#1)\nendif\n"
      "if n = 60\nstop_sound_system()\nendif\n"
      "if n = 75\nrestart_sound_system()\nendif\n"
      "if n = 90\npause()\nendif\n"
      "if n = 110\nexit(1)\nendif\n");
  ASSERT_EQ(run(project, "--record-audio t.wav"), 0);
  const Recording r = recording("t.wav");
  EXPECT_GT(loudness(r, 0.2, 0.7), 0.1);    // on from the start
  EXPECT_LT(loudness(r, 0.95, 1.2), 1e-4);  // off
  EXPECT_GT(loudness(r, 1.45, 1.7), 0.1);   // on again
  EXPECT_LT(loudness(r, 1.95, 2.2), 1e-4);  // the system stopped
  EXPECT_GT(loudness(r, 2.45, 2.7), 0.1);   // started again, the tone replayed
  EXPECT_LT(loudness(r, 2.9, 3.25), 1e-4);  // half a second of pause
  EXPECT_GT(loudness(r, 3.45, 3.8), 0.1);   // and on after it
  // The paused half second is audio time too.
  EXPECT_NEAR(static_cast<double>(r.audio.frames()) / r.rate, 105.0 / 30 + 0.5, 0.1);
}

TEST_F(SoundRun, TheDemoPlaysAnElementSoundAndAPlacedExtraSound) {
  std::string demo;
  ASSERT_TRUE(core::read_file(QUILL_SOURCE_DIR "/examples/demo/demo.prj", demo));
  write("projects/t/t.prj", demo);
  write("runmode.ini", "projects/t/t.prj\r\n1\r\n0\r\n");
  ASSERT_EQ(quill("--headless --ticks 130 --record-audio demo.wav --messages m.jsonl"), 0);
  EXPECT_EQ(read("m.jsonl").find("warning"), std::string::npos) << read("m.jsonl");
  const Recording r = recording("demo.wav");
  // The cube's loop is not placed (SoundMixing 0): the same on both sides.
  EXPECT_GT(loudness(r, 1.0, 1.5), 0.02);
  double side = 0;
  for (size_t i = at(r, 1.0); i < at(r, 1.5); ++i)
    side = std::max(side, double(std::fabs(r.audio.samples[2 * i] - r.audio.samples[2 * i + 1])));
  EXPECT_LT(side, 1e-3);
  // The ping of tick 64 (about 2 s) comes from the cube, to the camera's
  // right: the right channel is louder then.
  const double left = rms(r.audio, 0, at(r, 1.95), at(r, 2.3)), right = rms(r.audio, 1, at(r, 1.95), at(r, 2.3));
  EXPECT_GT(right, left * 1.02) << left << " " << right;
}

}  // namespace
