#include "media/sound.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/element_state.h"
#include "core/files.h"
#include "core/protect.h"
#include "core/state.h"
#include "media/config.h"
#include "media/state_local.h"
#include "media/wav.h"
#include "platform/audio.h"

namespace media {

namespace {

constexpr float kDopplerFactor = 1.2f;
constexpr float kRolloff = 0.7f;
constexpr float kPositionUnit = 512000.0f;  // element position units a world unit
constexpr float kVelocityUnit = 17067.0f;   // element velocity units a unit a second
constexpr int32_t kMutedVolume = -10000;
constexpr int32_t kNearestOf[4] = {0, 2, 4, 16};  // sounds heard at full range, by SoundMixing
// The temporary name a protected sound is restored under (program folder).
constexpr char kRestoredSound[] = "temp.tmp";
constexpr char kWavExpected[] = "a PCM WAV file (8 or 16 bits, mono or stereo)";

SoundState& S() { return sound_state(); }

bool valid_element(int e) { return e >= 0 && e < core::kElementCount; }

void warn(const std::string& text) {
  if (auto* f = core::state().notify.warning) f(text);
}

int32_t frequency_of(int32_t natural, int32_t factor) {
  const int64_t f = int64_t(natural) * factor / kNaturalFactor;
  return static_cast<int32_t>(std::clamp<int64_t>(f, kLowestFrequency, kHighestFrequency));
}

void set_frequency(const SourceState& s, int32_t natural, int32_t frequency) {
  if (natural > 0) platform::audio_source_pitch(s.source, static_cast<float>(frequency) / static_cast<float>(natural));
}

void send_gain(const SourceState& s) { platform::audio_source_gain(s.source, s.muted ? 0.0f : s.gain); }

float distance(const float a[3], const float b[3]) {
  const float dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Buffers are made with "mute at maximum distance": OpenAL only stops
// attenuating there, so the gain is taken away while the source is beyond.
void update_mute(SourceState& s) {
  const bool muted = s.positioned && distance(s.position, S().listener) > s.max_distance;
  if (muted == s.muted) return;
  s.muted = muted;
  send_gain(s);
}

void place(SourceState& s, const float position[3], const float velocity[3], bool always) {
  if (!always && std::equal(position, position + 3, s.position) && std::equal(velocity, velocity + 3, s.velocity))
    return;
  std::copy(position, position + 3, s.position);
  std::copy(velocity, velocity + 3, s.velocity);
  platform::audio_source_place(s.source, s.position, s.velocity);
}

void place_at_element(ElementSound& es, int e, bool always) {
  if (!es.src.positioned) return;
  const int32_t* w = core::element_state(e)->w;
  float p[3], v[3];
  for (int k = 0; k < 3; ++k) {
    p[k] = static_cast<float>(w[core::kPosition + k]) / kPositionUnit;
    v[k] = static_cast<float>(w[core::kVelocity + k]) / kVelocityUnit;
  }
  place(es.src, p, v, always);
  update_mute(es.src);
}

ElementSound* element_sound(int e) {
  if (!S().available || !valid_element(e)) return nullptr;
  ElementSound& es = S().elements[e];
  return es.src.source != 0 ? &es : nullptr;
}

ExtraSound* extra(int32_t slot) {
  if (!S().available || slot < 0 || slot >= kExtraSounds) return nullptr;
  ExtraSound& x = S().extras[slot];
  return x.buffer != 0 ? &x : nullptr;
}

// A file's samples in a new buffer: 0 (after a warning naming the file)
// when it is missing or not a WAV file that plays. In a built game a
// protected sound is restored into the temporary file while it is read; a
// plain WAV file there (one a brain loads that the build did not copy, or a
// game built with noencrypt.txt) is read as it is.
uint32_t load_buffer(const std::string& path, int32_t& natural) {
  std::string& file = S().file;
  bool truncated = false;
  bool read = core::read_file(path, file, kMaxWavBytes, &truncated) && !truncated;
  if (read && core::read_protected(path) && file.compare(0, 4, "RIFF") != 0) {
    const core::RestoredFile restored(path, kRestoredSound);
    read = core::read_file(restored.path(), file, kMaxWavBytes, &truncated) && !truncated;
  }
  if (!read) {
    core::file_warning(path, kWavExpected, "no sound");
    return 0;
  }
  const Wave w = read_wav(file);
  uint32_t b = 0;
  if (w.ok())
    b = platform::audio_buffer_create(w.samples.data(), static_cast<uint32_t>(w.samples.size()), w.channels, w.bits,
                                      w.rate);
  if (b == 0) {
    core::file_warning(path, kWavExpected, "no sound");
    return 0;
  }
  natural = w.rate;
  return b;
}

void free_source(SourceState& s) {
  platform::audio_source_free(s.source);
  s = SourceState{};
}

// Every source and buffer freed; the device stays.
void free_sounds() {
  SoundState& s = S();
  for (ElementSound& es : s.elements) {
    free_source(es.src);
    es = ElementSound{};
  }
  for (const SharedBuffer& b : s.element_buffers) platform::audio_buffer_free(b.buffer);
  s.element_buffers.clear();
  for (ExtraSound& x : s.extras) {
    free_source(x.src);
    platform::audio_buffer_free(x.buffer);
    x = ExtraSound{};
  }
  platform::audio_stream_free(s.cutscene);
  s.cutscene = 0;
}

void close_system() {
  free_sounds();
  platform::audio_close();
  S().available = false;
}

}  // namespace

SoundState& sound_state() { return state().sound; }

float gain_of(int32_t hundredths) {
  return std::pow(10.0f, static_cast<float>(std::clamp(hundredths, kMutedVolume, 0)) / 2000.0f);
}

int32_t sound_output_rate(int32_t sound) {
  switch (sound) {
    case 1: return 11025;
    case 2: return 22050;
    case 3: return 44100;
    default: return sound >= 8000 && sound <= 192000 ? sound : 0;
  }
}

// --- The sound system ------------------------------------------------------

void start_sound_system() {
  sound_advance();
  close_system();
  SoundState& s = S();
  const EngineSettings& cfg = settings();
  s.mixing = cfg.sound_mixing >= 1 && cfg.sound_mixing <= 3 ? cfg.sound_mixing : 0;
  const int32_t rate = sound_output_rate(cfg.sound);
  if (rate == 0) {
    static bool said = false;
    if (cfg.sound != 0 && !said) {
      said = true;
      warn("Sound = " + std::to_string(cfg.sound) + " in config.ini is no sound setting; the run goes on silent.");
    }
    return;
  }
  if (!open_sound_device(rate)) return;
  platform::audio_doppler_factor(kDopplerFactor);
  platform::audio_listener_gain(s.silence_depth > 0 ? 0.0f : 1.0f);
  const float origin[3] = {0, 0, 0}, front[3] = {0, 0, 1}, up[3] = {0, 1, 0};
  platform::audio_listener(origin, front, up);
  std::fill(s.listener, s.listener + 3, 0.0f);
  s.available = true;
}

void stop_sound_system() {
  SoundState& s = S();
  if (!s.available) return;
  sound_advance();
  for (int e = 0; e < core::kElementCount; ++e)
    s.was_playing[e] = s.elements[e].src.source != 0 && platform::audio_source_playing(s.elements[e].src.source);
  close_system();
}

void replay_stopped_sounds() {
  SoundState& s = S();
  for (int e = 0; e < core::kElementCount; ++e) {
    if (s.was_playing[e]) play_element_sound(e);
    s.was_playing[e] = false;
  }
}

void release_sounds() {
  SoundState& s = S();
  sound_advance();
  free_sounds();
  std::fill(std::begin(s.was_playing), std::end(s.was_playing), false);
}

bool sound_available() { return S().available; }
int32_t sound_mixing() { return S().mixing; }

// --- Element sounds --------------------------------------------------------

int32_t load_element_sound(int element, const std::string& path, const ElementSoundSettings& settings) {
  SoundState& s = S();
  if (!s.available || !valid_element(element)) return 0;
  ElementSound& es = s.elements[element];
  free_source(es.src);
  es = ElementSound{};
  int32_t natural = 0;
  uint32_t buffer = 0;
  for (const SharedBuffer& b : s.element_buffers)
    if (b.path == path) {
      buffer = b.buffer;
      natural = b.natural;
    }
  if (buffer == 0) {
    buffer = load_buffer(path, natural);
    if (buffer == 0) return 0;
    s.element_buffers.push_back({path, buffer, natural});
  }
  es.src.source = platform::audio_source_create(buffer, kRolloff);
  if (es.src.source == 0) return 0;
  es.buffer = buffer;
  es.natural = natural;
  es.frequency = frequency_of(natural, settings.rate_factor);
  set_frequency(es.src, natural, es.frequency);
  es.src.positioned = s.mixing != 0;
  es.src.min_distance = static_cast<float>(std::max(settings.min_distance, 0));
  es.src.max_distance = kFarDistance;
  platform::audio_source_3d(es.src.source, es.src.positioned, es.src.min_distance, es.src.max_distance);
  es.src.gain = gain_of(static_cast<int32_t>(std::clamp<int64_t>(int64_t(settings.volume_db) * 100, kMutedVolume, 0)));
  send_gain(es.src);
  return natural;
}

bool has_element_sound(int element) { return element_sound(element) != nullptr; }

void reset_element_sounds(int32_t elements) {
  for (int e = 0; e < elements && e < core::kElementCount; ++e) {
    ElementSound* es = element_sound(e);
    if (!es) continue;
    platform::audio_source_stop(es->src.source);
    const int32_t flags = core::element_state(e)->w[core::kFlags];
    if ((flags & core::kFlagOn) && !(flags & core::kFlagSoundOnDemand)) restart_element_sound(e, false);
  }
}

void play_element_sound(int element) {
  if (!valid_element(element)) return;
  restart_element_sound(element, (core::element_state(element)->w[core::kFlags] & core::kFlagSoundOnDemand) != 0);
}

void restart_element_sound(int element, bool once) {
  ElementSound* es = element_sound(element);
  if (!es) return;
  platform::audio_source_play(es->src.source, !once);
  place_at_element(*es, element, true);
}

void stop_element_sound(int element) {
  if (ElementSound* es = element_sound(element)) platform::audio_source_stop(es->src.source);
}

bool element_sound_playing(int element) {
  const ElementSound* es = element_sound(element);
  return es && platform::audio_source_playing(es->src.source);
}

int32_t set_element_sound_rate(int element, int32_t factor) {
  ElementSound* es = element_sound(element);
  if (!es) return 0;
  es->frequency = frequency_of(es->natural, factor);
  set_frequency(es->src, es->natural, es->frequency);
  return es->frequency;
}

int32_t element_sound_frequency(int element) {
  const ElementSound* es = element_sound(element);
  return es ? es->frequency : 0;
}

// --- The hearer and the per-frame update -----------------------------------

int32_t sound_hearer() { return S().hearer; }
void set_sound_hearer(int32_t element) {
  if (valid_element(element)) S().hearer = element;
}

namespace {

// Among the elements that are on and whose sound plays, the first N found
// are kept with their distance to the hearer (the sum of the differences
// along x, y and z); each further one takes the place of the first kept
// one that is farther away. False when no element sound plays.
bool mixing_selection(int32_t elements) {
  SoundState& s = S();
  struct Near {
    int element;
    int64_t distance;
  } kept[16];
  const int limit = kNearestOf[s.mixing];
  int n = 0;
  const int32_t* h = core::element_state(s.hearer)->w;
  std::fill(std::begin(s.kept), std::end(s.kept), false);
  for (int e = 0; e < elements && e < core::kElementCount; ++e) {
    const ElementSound& es = s.elements[e];
    const int32_t* w = core::element_state(e)->w;
    if (es.src.source == 0 || !(w[core::kFlags] & core::kFlagOn) || !platform::audio_source_playing(es.src.source))
      continue;
    int64_t d = 0;
    for (int k = 0; k < 3; ++k) d += std::llabs(int64_t(w[core::kPosition + k]) - h[core::kPosition + k]);
    if (n < limit) {
      kept[n++] = {e, d};
      continue;
    }
    for (int k = 0; k < n; ++k)
      if (kept[k].distance > d) {
        kept[k] = {e, d};
        break;
      }
  }
  for (int k = 0; k < n; ++k) s.kept[kept[k].element] = true;
  return n > 0;
}

}  // namespace

void sound_frame(int32_t elements, const SoundListener* listener) {
  SoundState& s = S();
  if (!s.available) return;
  if (!platform::audio_connected()) {
    warn("The sound device has gone; the run goes on without sound.");
    close_system();
    return;
  }
  platform::audio_defer();
  if (listener) {
    std::copy(listener->position, listener->position + 3, s.listener);
    platform::audio_listener(listener->position, listener->front, listener->up);
  }
  // Without a limit every element sound keeps its full range.
  const bool any = s.mixing == 0 || mixing_selection(elements);
  if (any) {
    for (int e = 0; e < elements && e < core::kElementCount; ++e) {
      ElementSound& es = s.elements[e];
      if (es.src.source == 0 || !es.src.positioned) continue;
      const float max = s.kept[e] ? kFarDistance : es.src.min_distance;
      if (max != es.src.max_distance) {
        es.src.max_distance = max;
        platform::audio_source_max_distance(es.src.source, max);
      }
      place_at_element(es, e, false);
    }
  }
  for (ExtraSound& x : s.extras)
    if (x.buffer != 0) update_mute(x.src);
  platform::audio_commit();
}

// --- Extra sounds ----------------------------------------------------------

int32_t extra_sound_load(const std::string& path) {
  SoundState& s = S();
  if (!s.available) return -1;
  int32_t slot = -1;
  for (int32_t k = 0; k < kExtraSounds && slot < 0; ++k)
    if (s.extras[k].buffer == 0) slot = k;
  if (slot < 0) return -1;
  ExtraSound& x = s.extras[slot];
  int32_t natural = 0;
  const uint32_t buffer = load_buffer(path, natural);
  if (buffer == 0) return -1;
  x.src.source = platform::audio_source_create(buffer, kRolloff);
  if (x.src.source == 0) {
    platform::audio_buffer_free(buffer);
    return -1;
  }
  x.buffer = buffer;
  x.natural = natural;
  x.src.positioned = true;
  x.src.min_distance = 1;
  x.src.max_distance = kFarDistance;
  platform::audio_source_3d(x.src.source, true, x.src.min_distance, x.src.max_distance);
  update_mute(x.src);
  return slot;
}

void extra_sound_unload(int32_t slot) {
  ExtraSound* x = extra(slot);
  if (!x) return;
  free_source(x->src);
  platform::audio_buffer_free(x->buffer);
  *x = ExtraSound{};
}

void extra_sound_play(int32_t slot, bool loop) {
  if (ExtraSound* x = extra(slot)) platform::audio_source_play(x->src.source, loop);
}

void extra_sound_stop(int32_t slot) {
  if (ExtraSound* x = extra(slot)) platform::audio_source_stop(x->src.source);
}

bool extra_sound_playing(int32_t slot) {
  const ExtraSound* x = extra(slot);
  return x && platform::audio_source_playing(x->src.source);
}

void extra_sound_volume(int32_t slot, int32_t volume) {
  ExtraSound* x = extra(slot);
  if (!x) return;
  x->src.gain = gain_of(static_cast<int32_t>(std::clamp<int64_t>(int64_t(volume) - 10000, kMutedVolume, 0)));
  send_gain(x->src);
}

void extra_sound_frequency(int32_t slot, int32_t hertz) {
  ExtraSound* x = extra(slot);
  if (!x) return;
  if (hertz == 0) hertz = x->natural;
  if (hertz < kLowestFrequency || hertz > kHighestFrequency) return;
  set_frequency(x->src, x->natural, hertz);
}

void extra_sound_distances(int32_t slot, float min_distance, float max_distance) {
  ExtraSound* x = extra(slot);
  if (!x) return;
  x->src.min_distance = std::max(min_distance, 0.0f);
  x->src.max_distance = std::max(max_distance, 0.0f);
  platform::audio_source_3d(x->src.source, true, x->src.min_distance, x->src.max_distance);
  update_mute(x->src);
}

void extra_sound_place(int32_t slot, const float position[3]) {
  ExtraSound* x = extra(slot);
  if (!x) return;
  const float still[3] = {0, 0, 0};
  place(x->src, position, still, true);
  update_mute(x->src);
}

bool extra_sound_used(int32_t slot) { return extra(slot) != nullptr; }

// --- Silence and the playback area -----------------------------------------

void sound_silence(bool on) {
  SoundState& s = S();
  sound_advance();
  if (on)
    ++s.silence_depth;
  else if (s.silence_depth > 0)
    --s.silence_depth;
  if (s.available) platform::audio_listener_gain(s.silence_depth > 0 ? 0.0f : 1.0f);
}

void cutscene_sound(const int16_t* samples, int32_t frames, int32_t rate, int32_t channels) {
  SoundState& s = S();
  if (!samples) {
    platform::audio_stream_free(s.cutscene);
    s.cutscene = 0;
    return;
  }
  if (!s.available || frames <= 0) return;
  sound_advance();
  if (s.cutscene == 0) s.cutscene = platform::audio_stream_create();
  platform::audio_stream_queue(s.cutscene, samples, frames, channels, rate);
}

bool cutscene_sound_playing() { return S().available && platform::audio_source_playing(S().cutscene); }

const PlaybackArea& playback_area() { return S().playback; }
void set_playback_area(const PlaybackArea& area) { S().playback = area; }

}  // namespace media
