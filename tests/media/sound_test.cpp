// The sound system on OpenAL Soft's loopback device: what is rendered shows
// where a sound is heard, its pitch, its volume, the mixing of the nearest
// sounds and the silences; and the slot table, the stop and replay, a lost
// device and the recording.
#include "media/sound.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "media/config.h"
#include "media/sound_local.h"
#include "platform/audio.h"
#include "platform/platform.h"
#include "support/temp_folder.h"
#include "support/wav_tools.h"

namespace {

using testing_support::crossing_hertz;
using testing_support::peak;
using testing_support::rms;
using testing_support::Stereo;

constexpr int32_t kUnit = 512000;  // a world unit in element positions
constexpr int kRate = 44100;

class SoundMix : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::set_headless(true);
    platform::start_clock();
    warnings().clear();
    core::state().notify.warning = [](const std::string& text) { warnings().push_back(text); };
    media::EngineSettings& s = media::settings();
    s.sound = 3;
    s.sound_mixing = 1;
    std::memset(core::element_states(), 0, sizeof(core::ElementState) * core::kElementCount);
    ASSERT_TRUE(core::write_file_atomic(folder_ / "tone.wav", testing_support::tone_wav(kRate, 441, 1.0)));
    ASSERT_TRUE(core::write_file_atomic(folder_ / "low.wav", testing_support::tone_wav(kRate, 220.5, 1.0)));
    start();
  }
  void TearDown() override {
    media::stop_sound_system();
    media::release_sounds();
    core::state().notify.warning = nullptr;
  }

  void start() {
    media::start_sound_system();
    ASSERT_TRUE(media::sound_available());
  }

  static std::vector<std::string>& warnings() {
    static std::vector<std::string> w;
    return w;
  }

  // An element that is on at (x, y, z) world units, with the tone.
  void element(int e, float x, float y, float z, media::ElementSoundSettings settings = {},
               const char* file = "tone.wav") {
    int32_t* w = core::element_state(e)->w;
    w[core::kFlags] = core::kFlagOn;
    w[core::kPosition] = static_cast<int32_t>(x * kUnit);
    w[core::kPosition + 1] = static_cast<int32_t>(y * kUnit);
    w[core::kPosition + 2] = static_cast<int32_t>(z * kUnit);
    ASSERT_EQ(media::load_element_sound(e, folder_ / file, settings), kRate);
  }

  // The listener at the hearer element 0 (at the origin, facing +z unless
  // `front` says otherwise), then the per-frame update.
  void frame(int elements, const float* front = nullptr) {
    media::SoundListener l{{0, 0, 0}, {0, 0, 1}, {0, 1, 0}};
    if (front) std::memcpy(l.front, front, sizeof l.front);
    media::sound_frame(elements, &l);
  }

  // What plays once gain changes have settled (OpenAL Soft ramps them over
  // a few milliseconds).
  static Stereo render(double seconds) {
    raw(0.03);
    return raw(seconds);
  }
  static Stereo raw(double seconds) {
    Stereo s;
    s.rate = kRate;
    s.samples.resize(static_cast<size_t>(seconds * kRate) * 2);
    platform::audio_render(s.samples.data(), static_cast<int32_t>(s.frames()));
    return s;
  }

  testing_support::TempFolder folder_{"quill-sound"};
};

TEST_F(SoundMix, ASourceIsHeardOnTheSideWhereItStands) {
  element(1, 5, 0, 0);  // to the right of a listener facing +z
  element(2, -5, 0, 0);
  frame(3);
  media::play_element_sound(1);
  Stereo s = render(0.2);
  EXPECT_GT(rms(s, 1), 2 * rms(s, 0)) << "right " << rms(s, 1) << " left " << rms(s, 0);
  media::stop_element_sound(1);
  media::play_element_sound(2);
  s = render(0.2);
  EXPECT_GT(rms(s, 0), 2 * rms(s, 1));
  // Turned to face -x, the listener has +z on its right: a source ahead of
  // the world's origin along z is now heard on the right.
  media::stop_element_sound(2);
  int32_t* w = core::element_state(1)->w;
  w[core::kPosition] = 0;
  w[core::kPosition + 2] = 5 * kUnit;
  const float west[3] = {-1, 0, 0};
  frame(3, west);
  media::play_element_sound(1);
  s = render(0.2);
  EXPECT_GT(rms(s, 1), 2 * rms(s, 0));
}

TEST_F(SoundMix, TheRateFactorScalesTheNaturalFrequencyWithinItsLimits) {
  element(1, 0, 0, 0);
  media::play_element_sound(1);
  EXPECT_NEAR(crossing_hertz(render(0.5), 0), 441, 3);
  EXPECT_EQ(media::set_element_sound_rate(1, 8192), 2 * kRate);
  EXPECT_NEAR(crossing_hertz(render(0.3), 0), 882, 6);
  EXPECT_EQ(media::set_element_sound_rate(1, 1), media::kLowestFrequency);
  EXPECT_EQ(media::set_element_sound_rate(1, -4096), media::kLowestFrequency);
  EXPECT_EQ(media::set_element_sound_rate(1, 40960), media::kHighestFrequency);
  EXPECT_EQ(media::element_sound_frequency(1), media::kHighestFrequency);
  // The factor of the record applies at load.
  media::ElementSoundSettings half;
  half.rate_factor = 2048;
  element(2, 0, 0, 0, half);
  EXPECT_EQ(media::element_sound_frequency(2), kRate / 2);
}

TEST_F(SoundMix, MixingOneKeepsTheTwoNearestAndMutesTheOthersPastTheirMinimumDistance) {
  // Elements 1 and 2 are quiet (-100 dB) and near; 3 to 5 are loud, farther
  // than their minimum distance of 2.
  media::ElementSoundSettings quiet, loud;
  quiet.volume_db = -100;
  element(1, 0, 0, 1, quiet);
  element(2, 0, 0, 1.5f, quiet);
  element(3, 0, 0, 8, loud);
  element(4, 0, 0, 9, loud);
  element(5, 0, 0, 10, loud);
  for (int e = 1; e <= 5; ++e) media::play_element_sound(e);
  frame(6);
  const media::SoundState& st = media::sound_state();
  for (int e = 1; e <= 5; ++e) EXPECT_EQ(st.kept[e], e <= 2) << e;
  EXPECT_LT(peak(render(0.2)), 1e-4);
  // Inside its minimum distance a sound that is not kept is heard again.
  core::element_state(5)->w[core::kPosition + 2] = kUnit * 18 / 10;
  frame(6);
  EXPECT_FALSE(st.kept[5]);
  EXPECT_GT(rms(render(0.2), 0), 0.01);
  // Without a limit (SoundMixing 0) sounds are not placed: all are heard.
  media::settings().sound_mixing = 0;
  start();
  element(3, 0, 0, 80, loud);
  media::play_element_sound(3);
  frame(6);
  EXPECT_GT(rms(render(0.2), 0), 0.05);
}

TEST_F(SoundMix, TheSelectionReplacesTheFirstKeptSoundThatIsFarther) {
  element(1, 0, 0, 10);
  element(2, 0, 0, 5);
  element(3, 0, 0, 1);
  element(4, 0, 0, 3);
  for (int e = 1; e <= 4; ++e) media::play_element_sound(e);
  frame(5);
  const media::SoundState& st = media::sound_state();
  // 1 and 2 kept first; 3 takes 1's place (the first farther one); 4 takes
  // 2's, since 3 is nearer than 4.
  EXPECT_FALSE(st.kept[1]);
  EXPECT_FALSE(st.kept[2]);
  EXPECT_TRUE(st.kept[3]);
  EXPECT_TRUE(st.kept[4]);
  // Elements that are off take no part.
  core::element_state(3)->w[core::kFlags] = 0;
  frame(5);
  EXPECT_FALSE(st.kept[3]);
  EXPECT_TRUE(st.kept[2]);
}

TEST_F(SoundMix, ExtraSoundVolumeRunsFromFullAtTenThousandToMinusOneHundredDecibelsAtZero) {
  const int32_t slot = media::extra_sound_load(folder_ / "tone.wav");
  ASSERT_EQ(slot, 0);
  frame(1);
  media::extra_sound_play(slot, true);
  media::extra_sound_volume(slot, 10000);
  const double full = rms(render(0.2), 0);
  EXPECT_GT(full, 0.1);
  media::extra_sound_volume(slot, 8000);  // -20 dB
  EXPECT_NEAR(rms(render(0.2), 0) / full, 0.1, 0.01);
  media::extra_sound_volume(slot, 0);
  EXPECT_LT(peak(render(0.2)), 2e-5);
  media::extra_sound_volume(slot, 20000);  // above full stays full
  EXPECT_NEAR(rms(render(0.2), 0) / full, 1, 0.01);
  EXPECT_TRUE(media::extra_sound_playing(slot));
  media::extra_sound_stop(slot);
  EXPECT_FALSE(media::extra_sound_playing(slot));
}

TEST_F(SoundMix, ExtraSoundsMuteBeyondTheirMaximumDistanceAndFollowTheirFrequency) {
  const int32_t slot = media::extra_sound_load(folder_ / "tone.wav");
  ASSERT_GE(slot, 0);
  frame(1);
  media::extra_sound_distances(slot, 1, 4);
  const float near[3] = {0, 0, 3}, far[3] = {0, 0, 5};
  media::extra_sound_place(slot, near);
  media::extra_sound_play(slot, true);
  EXPECT_GT(rms(render(0.2), 0), 0.01);
  media::extra_sound_place(slot, far);
  EXPECT_LT(peak(render(0.2)), 1e-4);
  media::extra_sound_place(slot, near);
  media::extra_sound_frequency(slot, kRate * 2);
  EXPECT_NEAR(crossing_hertz(render(0.3), 0), 882, 6);
  media::extra_sound_frequency(slot, 99);  // refused: stays doubled
  EXPECT_NEAR(crossing_hertz(render(0.3), 0), 882, 6);
  media::extra_sound_frequency(slot, 0);  // back to the file's own
  EXPECT_NEAR(crossing_hertz(render(0.3), 0), 441, 3);
}

TEST_F(SoundMix, FiveHundredSlotsThenMinusOneAndSlotOpsIgnoreEmptyOrBadSlots) {
  for (int32_t k = 0; k < media::kExtraSounds; ++k) ASSERT_EQ(media::extra_sound_load(folder_ / "tone.wav"), k);
  EXPECT_EQ(media::extra_sound_load(folder_ / "tone.wav"), -1);
  media::extra_sound_unload(7);
  EXPECT_FALSE(media::extra_sound_used(7));
  EXPECT_EQ(media::extra_sound_load(folder_ / "tone.wav"), 7);
  for (int32_t bad : {-1, media::kExtraSounds, 0x7FFFFFFF}) {
    media::extra_sound_play(bad, true);
    media::extra_sound_volume(bad, 0);
    EXPECT_FALSE(media::extra_sound_playing(bad));
  }
  media::extra_sound_unload(3);
  media::extra_sound_play(3, true);
  EXPECT_FALSE(media::extra_sound_playing(3));
  // A missing or unusable file takes no slot and is named.
  ASSERT_TRUE(core::write_file_atomic(folder_ / "bad.wav", "RIFF\0\0\0\0WAVE"));
  EXPECT_EQ(media::extra_sound_load(folder_ / "bad.wav"), -1);
  EXPECT_EQ(media::extra_sound_load(folder_ / "missing.wav"), -1);
  ASSERT_EQ(warnings().size(), 2u);
  EXPECT_NE(warnings()[1].find("missing.wav"), std::string::npos);
}

TEST_F(SoundMix, AllElementAndExtraSoundsPlayTogether) {
  for (int e = 0; e < core::kElementCount; ++e) element(e, 0, 0, static_cast<float>(e % 7));
  for (int32_t k = 0; k < media::kExtraSounds; ++k) ASSERT_EQ(media::extra_sound_load(folder_ / "low.wav"), k);
  for (int e = 0; e < core::kElementCount; ++e) media::play_element_sound(e);
  for (int32_t k = 0; k < media::kExtraSounds; ++k) media::extra_sound_play(k, true);
  frame(core::kElementCount);
  raw(0.05);
  int playing = 0;
  for (int e = 0; e < core::kElementCount; ++e) playing += media::element_sound_playing(e);
  for (int32_t k = 0; k < media::kExtraSounds; ++k) playing += media::extra_sound_playing(k);
  EXPECT_EQ(playing, core::kElementCount + media::kExtraSounds);
}

TEST_F(SoundMix, SilenceMutesTheOutputWhileSourcesPlayOn) {
  element(1, 0, 0, 0);
  media::play_element_sound(1);
  EXPECT_GT(rms(render(0.1), 0), 0.05);
  media::sound_silence(true);
  media::sound_silence(true);
  EXPECT_LT(peak(render(0.1)), 1e-6);
  media::sound_silence(false);
  EXPECT_LT(peak(render(0.1)), 1e-6);  // still inside the outer silence
  media::sound_silence(false);
  EXPECT_GT(rms(render(0.1), 0), 0.05);
  media::sound_silence(false);  // unmatched: nothing changes
  EXPECT_GT(rms(render(0.1), 0), 0.05);
  EXPECT_TRUE(media::element_sound_playing(1));
}

TEST_F(SoundMix, StoppedSystemDoesNothingAndReplaysWhatPlayedWhenStartedAgain) {
  element(1, 0, 0, 0);
  element(2, 0, 0, 0);
  media::play_element_sound(1);
  media::stop_sound_system();
  EXPECT_FALSE(media::sound_available());
  media::play_element_sound(2);
  EXPECT_FALSE(media::element_sound_playing(2));
  EXPECT_EQ(media::extra_sound_load(folder_ / "tone.wav"), -1);
  EXPECT_EQ(media::load_element_sound(2, folder_ / "tone.wav", {}), 0);
  start();
  element(1, 0, 0, 0);
  element(2, 0, 0, 0);
  media::replay_stopped_sounds();
  EXPECT_TRUE(media::element_sound_playing(1));
  EXPECT_FALSE(media::element_sound_playing(2));
  EXPECT_GT(rms(render(0.1), 0), 0.05);
}

TEST_F(SoundMix, RunStartPlaysTheLoopsOfElementsThatAreOn) {
  element(1, 0, 0, 0);
  element(2, 0, 0, 0);
  element(3, 0, 0, 0);
  core::element_state(2)->w[core::kFlags] |= core::kFlagSoundOnDemand;
  core::element_state(3)->w[core::kFlags] = 0;
  media::reset_element_sounds(4);
  EXPECT_TRUE(media::element_sound_playing(1));
  EXPECT_FALSE(media::element_sound_playing(2));
  EXPECT_FALSE(media::element_sound_playing(3));
  // play_sound in once mode ends with the file.
  media::play_element_sound(2);
  raw(1.1);
  EXPECT_FALSE(media::element_sound_playing(2));
  EXPECT_TRUE(media::element_sound_playing(1));
}

TEST_F(SoundMix, ALostDeviceLeavesSoundUnavailable) {
  element(1, 0, 0, 0);
  media::play_element_sound(1);
  platform::audio_lose_device();
  frame(2);
  EXPECT_FALSE(media::sound_available());
  ASSERT_FALSE(warnings().empty());
  EXPECT_NE(warnings().back().find("sound device"), std::string::npos);
  media::play_element_sound(1);
  EXPECT_EQ(media::extra_sound_load(folder_ / "tone.wav"), -1);
  frame(2);
  Stereo s = render(0.05);
  EXPECT_EQ(peak(s), 0);
}

TEST_F(SoundMix, TheRecordingFollowsTheClockAndKeepsTimeWhileStopped) {
  element(1, 0, 0, 0);
  const std::string path = folder_ / "mix.wav";
  std::string error;
  ASSERT_TRUE(media::start_sound_output({true, path}, error)) << error;
  EXPECT_EQ(media::recording_rate(), kRate);
  start();
  element(1, 0, 0, 0);
  media::play_element_sound(1);
  platform::advance_clock(platform::kTicksPerSecond / 2);
  media::sound_advance();
  media::stop_sound_system();
  platform::advance_clock(platform::kTicksPerSecond / 4);
  ASSERT_TRUE(media::end_sound_output());
  EXPECT_FALSE(core::file_exists(path + ".part"));
  std::string file;
  ASSERT_TRUE(core::read_file(path, file));
  testing_support::Recording r;
  ASSERT_TRUE(testing_support::read_recording(file, r));
  EXPECT_EQ(r.format, 1);
  EXPECT_EQ(r.rate, static_cast<uint32_t>(kRate));
  ASSERT_EQ(r.audio.frames(), static_cast<size_t>(kRate * 3 / 4));
  EXPECT_GT(rms(r.audio, 0, 0, kRate / 2), 0.05);
  EXPECT_NEAR(crossing_hertz(r.audio, 0, 0, kRate / 2), 441, 3);
  EXPECT_EQ(peak(r.audio, kRate / 2), 0);
}

TEST_F(SoundMix, AnUnusableSoundSettingLeavesSoundOffWithAWarning) {
  media::settings().sound = 5;
  media::start_sound_system();
  EXPECT_FALSE(media::sound_available());
  ASSERT_EQ(warnings().size(), 1u);
  EXPECT_NE(warnings()[0].find("Sound = 5"), std::string::npos) << warnings()[0];
  media::settings().sound = 0;  // off: no warning
  media::start_sound_system();
  EXPECT_FALSE(media::sound_available());
  EXPECT_EQ(warnings().size(), 1u);
}

TEST(SoundRates, SettingsGiveOutputRates) {
  EXPECT_EQ(media::sound_output_rate(0), 0);
  EXPECT_EQ(media::sound_output_rate(1), 11025);
  EXPECT_EQ(media::sound_output_rate(2), 22050);
  EXPECT_EQ(media::sound_output_rate(3), 44100);
  EXPECT_EQ(media::sound_output_rate(48000), 48000);
  EXPECT_EQ(media::sound_output_rate(5), 0);
  EXPECT_EQ(media::sound_output_rate(-1), 0);
  EXPECT_EQ(media::sound_output_rate(1 << 30), 0);
  EXPECT_FLOAT_EQ(media::gain_of(0), 1.0f);
  EXPECT_NEAR(media::gain_of(-2000), 0.1f, 1e-6);
  EXPECT_NEAR(media::gain_of(-10000), 1e-5f, 1e-9);
  EXPECT_NEAR(media::gain_of(-20000), 1e-5f, 1e-9);
}

}  // namespace
