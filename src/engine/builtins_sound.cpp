// The sound built-ins: element sounds, the hearer, the sound system, the
// stand-alone player's sound settings, the extra sounds and the cut-scene
// playback area of play_set. Element arguments are element references;
// every row answers 0 and does nothing while no sound is available, except
// the settings rows and play_set, which do not need it.
#include <string>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "core/element_state.h"
#include "core/state.h"
#include "engine/builtins.h"
#include "engine/sounds.h"
#include "media/config.h"
#include "media/sound.h"

namespace engine {

namespace {

constexpr float kLocationUnit = 1.953125e-6f;  // 1 / 512,000

// The element index of a reference while sound is available, else -1.
int sounding(int32_t e) { return media::sound_available() ? core::element_index(e) : -1; }

int32_t play_sound(int32_t e) {
  const int i = sounding(e);
  if (i >= 0) media::play_element_sound(i);
  return 0;
}

// Only while the element is on.
int32_t stop_sound(int32_t e) {
  const int i = sounding(e);
  if (i >= 0 && (core::element_state(i)->w[core::kFlags] & core::kFlagOn)) media::stop_element_sound(i);
  return 0;
}

int32_t sound_status(int32_t e) {
  const int i = sounding(e);
  return i >= 0 && media::element_sound_playing(i) ? -1 : 0;
}

int32_t sound_mode_set(int32_t e, int32_t mode) {
  const int i = sounding(e);
  if (i < 0) return 0;
  int32_t& flags = core::element_state(i)->w[core::kFlags];
  if (mode & 1)
    flags |= core::kFlagSoundOnDemand;
  else
    flags &= ~core::kFlagSoundOnDemand;
  return 0;
}

// Frequency = natural x factor / 4096, within 100..100,000 Hz.
int32_t samplerate_set(int32_t e, int32_t factor) {
  const int i = sounding(e);
  if (i < 0) return 0;
  core::element_state(i)->w[core::kSoundRate] = factor;
  media::set_element_sound_rate(i, factor);
  return 0;
}

int32_t hearer(int32_t e) {
  const int i = sounding(e);
  if (i < 0) return 0;
  media::set_sound_hearer(i);
  return i;
}

int32_t stop_sound_system() {
  media::stop_sound_system();
  return 0;
}

int32_t restart_sound_system() {
  restart_sounds();
  return 0;
}

// Stand-alone player only: the setting is kept in config.ini for the next
// start (and the next level's scene set-up).
bool stand_alone() { return core::state().stand_alone == 1; }

int32_t sound_set(int32_t v) {
  if (!stand_alone()) return 0;
  media::EngineSettings& s = media::settings();
  s.sound = v & 3;
  media::write_config(media::config_path(), s);
  return 0;
}

int32_t sound_mixing_set(int32_t v) {
  if (!stand_alone()) return 0;
  media::EngineSettings& s = media::settings();
  s.sound_mixing = v & 3;
  media::write_config(media::config_path(), s);
  return 0;
}

// The slot, or -1 when every slot is taken, the file cannot be used or no
// sound is available.
int32_t esound_load(int32_t name) {
  std::string path;
  if (!brain::general::path_arg(name, path)) return -1;
  return media::extra_sound_load(path);
}

int32_t esound_unload(int32_t slot) {
  media::extra_sound_unload(slot);
  return 0;
}

int32_t esound_play(int32_t slot, int32_t loop) {
  media::extra_sound_play(slot, loop != 0);
  return 0;
}

// 10,000 is full volume, 0 is -100 dB.
int32_t esound_volume_set(int32_t slot, int32_t volume) {
  media::extra_sound_volume(slot, volume);
  return 0;
}

int32_t esound_frequency_set(int32_t slot, int32_t hertz) {
  media::extra_sound_frequency(slot, hertz);
  return 0;
}

// Hundredths of a world unit.
int32_t esound_minmaxdist_set(int32_t slot, int32_t min, int32_t max) {
  media::extra_sound_distances(slot, static_cast<float>(min) / 100.0f, static_cast<float>(max) / 100.0f);
  return 0;
}

int32_t esound_stop(int32_t slot) {
  media::extra_sound_stop(slot);
  return 0;
}

int32_t esound_state(int32_t slot) { return media::extra_sound_playing(slot) ? -1 : 0; }

// Element position units.
int32_t esound_location_set(int32_t slot, int32_t x, int32_t y, int32_t z) {
  const float p[3] = {static_cast<float>(x) * kLocationUnit, static_cast<float>(y) * kLocationUnit,
                      static_cast<float>(z) * kLocationUnit};
  media::extra_sound_place(slot, p);
  return 0;
}

// The area of the cut-scenes that play and play_task show: left, top,
// width, height (pixels of the 640 x 480 base screen) and option bits
// (bit 0: centred on the display).
int32_t play_set(int32_t x, int32_t y, int32_t width, int32_t height, int32_t options) {
  media::set_playback_area({x, y, width, height, options});
  return 0;
}

}  // namespace

void bind_sound_builtins() {
  brain::bind<play_sound>("play_sound");
  brain::bind<stop_sound>("stop_sound");
  brain::bind<sound_status>("sound_status");
  brain::bind<sound_mode_set>("sound_mode_set");
  brain::bind<samplerate_set>("samplerate_set");
  brain::bind<samplerate_set>("sound_rate_set");
  brain::bind<hearer>("hearer");
  brain::bind<hearer>("listener");
  brain::bind<stop_sound_system>("stop_sound_system");
  brain::bind<restart_sound_system>("restart_sound_system");
  brain::bind<sound_set>("sound_set");
  brain::bind<sound_mixing_set>("sound_mixing_set");
  brain::bind<esound_load>("esound_load");
  brain::bind<esound_unload>("esound_unload");
  brain::bind<esound_play>("esound_play");
  brain::bind<esound_volume_set>("esound_volume_set");
  brain::bind<esound_frequency_set>("esound_frequency_set");
  brain::bind<esound_minmaxdist_set>("esound_minmaxdist_set");
  brain::bind<esound_stop>("esound_stop");
  brain::bind<esound_state>("esound_state");
  brain::bind<esound_location_set>("esound_location_set");
  brain::bind<play_set>("play_set");
}

}  // namespace engine
