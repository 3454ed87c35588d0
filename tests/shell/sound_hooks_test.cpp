// The sound hooks the shell lends the general built-ins: boxes silence the
// mix while they are shown, and on and off restart and stop an element's
// sound; and the stand-alone player's sound settings rows.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>

#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "media/config.h"
#include "media/sound.h"
#include "platform/audio.h"
#include "platform/platform.h"
#include "shell/bindings.h"
#include "support/builtin_call.h"
#include "support/temp_folder.h"
#include "support/wav_tools.h"

namespace {

using testing_support::call;

class SoundHooks : public ::testing::Test {
 protected:
  void SetUp() override {
    shell::bind_builtins();
    platform::set_headless(true);
    platform::start_clock();
    media::settings().sound = 3;
    media::settings().sound_mixing = 0;
    media::start_sound_system();
    ASSERT_TRUE(media::sound_available());
    ASSERT_TRUE(core::write_file_atomic(folder_ / "tone.wav", testing_support::tone_wav(44100, 441, 1.0)));
    std::memset(core::element_states(), 0, sizeof(core::ElementState) * 2);
    core::element_state(0)->w[core::kFlags] = core::kFlagOn;
    ASSERT_EQ(media::load_element_sound(0, folder_ / "tone.wav", {}), 44100);
    media::play_element_sound(0);
    saved_ = core::state().notify;
  }
  void TearDown() override {
    core::state().notify = saved_;
    media::stop_sound_system();
    media::release_sounds();
  }

  // The loudest sample of the next tenth of a second, after gain changes
  // have faded in.
  static double loudest() {
    testing_support::Stereo s;
    s.rate = 44100;
    s.samples.resize(2 * 4410);
    platform::audio_render(s.samples.data(), 1000);
    platform::audio_render(s.samples.data(), 4410);
    return testing_support::peak(s);
  }
  static double& during() {
    static double d = -1;
    return d;
  }

  testing_support::TempFolder folder_{"quill-sound-hooks"};
  core::Notifier saved_;
};

TEST_F(SoundHooks, MessageBoxesAndTheRuntimeErrorBoxSilenceTheMix) {
  EXPECT_GT(loudest(), 0.1);
  core::state().notify.box = [](const std::string&, const std::string&, const std::string&) {
    during() = loudest();
    return 1;
  };
  during() = -1;
  EXPECT_EQ(call("msg_box", 0, 0), 1);
  EXPECT_EQ(during(), 0);
  EXPECT_GT(loudest(), 0.1);
  core::state().notify.error = [](const std::string&) { during() = loudest(); };
  during() = -1;
  brain::state().runtime_error("boom");
  EXPECT_EQ(during(), 0);
  EXPECT_GT(loudest(), 0.1);
  brain::state().halted = false;
}

TEST_F(SoundHooks, OffStopsAndOnRestartsTheElementSound) {
  const int32_t me = static_cast<int32_t>(core::element_ref(0));
  call("off", me);
  EXPECT_FALSE(media::element_sound_playing(0));
  EXPECT_EQ(loudest(), 0);
  call("on", me);
  EXPECT_TRUE(media::element_sound_playing(0));
  // Played once (flag 0x010): off leaves it, and on plays it once more.
  core::element_state(0)->w[core::kFlags] |= core::kFlagSoundOnDemand;
  call("off", me);
  EXPECT_TRUE(media::element_sound_playing(0));
  call("on", me);
  testing_support::Stereo s;
  s.samples.resize(2 * 4410);
  for (int k = 0; k < 11; ++k) platform::audio_render(s.samples.data(), 4410);
  EXPECT_FALSE(media::element_sound_playing(0));
}

TEST_F(SoundHooks, SoundSettingsRowsWriteConfigOnlyInTheStandAlonePlayer) {
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(::chdir(folder_.path().c_str()), 0);
  media::settings().sound = 1;
  media::settings().sound_mixing = 0;
  call("sound_set", 2);
  call("sound_mixing_set", 2);
  EXPECT_EQ(media::settings().sound, 1);
  EXPECT_FALSE(core::file_exists(folder_ / "config.ini"));
  core::state().stand_alone = 1;
  call("sound_set", 6);
  call("sound_mixing_set", 7);
  core::state().stand_alone = 0;
  const media::EngineSettings written = media::read_config(folder_ / "config.ini");
  EXPECT_EQ(written.sound, 2);
  EXPECT_EQ(written.sound_mixing, 3);
  EXPECT_EQ(media::settings().sound, 2);
  ASSERT_EQ(::chdir(cwd), 0);
}

}  // namespace
