// The sound system: element sounds (one per element whose record names a
// sound file, loaded with the scene), extra sounds (500 slots that brains
// load and play by number), the listener at the hearer element, and the
// mixing of the nearest sounds. OpenAL Soft plays them (platform/audio.h).
//
// Positions and velocities are read from the elements' run-time state:
// positions / 512,000 and velocities / 17,067 give world units and units a
// second. Every operation does nothing (and answers 0 or false) while no
// sound is available: `Sound` 0, no device, or the system stopped.
//
// Audio time: a headless run mixes on the loopback device and follows the
// engine clock, sound_advance rendering the frames the clock has moved on
// by since its last call; with --record-audio those frames (silence where
// the system is stopped) go into a WAV file, so two runs of one project
// write the same bytes.
#pragma once

#include <cstdint>
#include <string>

namespace media {

constexpr int kExtraSounds = 500;
constexpr int32_t kNaturalFactor = 4096;  // rate factor of the natural frequency
constexpr int32_t kLowestFrequency = 100, kHighestFrequency = 100000;
constexpr float kFarDistance = 1e8f;  // the maximum distance of a sound heard at any range

// The output rate of a `Sound` setting: 1, 2, 3 give 11,025, 22,050 and
// 44,100 Hz, a value above 3 is a rate itself (8,000 to 192,000 Hz); 0 for
// 0 (no sound) and for anything unusable.
int32_t sound_output_rate(int32_t sound);

// --- Output: chosen once at start-up, kept for the process ----------------

struct SoundOutput {
  bool loopback = false;    // mix in memory, following the clock (headless runs, tests)
  std::string record_path;  // --record-audio: the whole mix into this WAV file
};
// Records in a run with a window mix on the loopback device as well, and
// play what they render on the desktop's output. False (with the reason)
// when the recording cannot be started.
bool start_sound_output(const SoundOutput& how, std::string& error);
// Brings the recording up to the clock, closes the device and completes
// the file. False when the file could not be written.
bool end_sound_output();
// Renders the frames the clock has moved on by (loopback output only): into
// the recording, silence while no device is open.
void sound_advance();
// The rate of the recording (0 when none).
int32_t recording_rate();

// --- The sound system ------------------------------------------------------

// Starts it at each scene set-up (and at restart_sound_system): the rate
// from `Sound`, the listener's doppler factor 1.2 and rolloff 0.7, and
// empty element and extra tables. An earlier system is stopped first.
void start_sound_system();
// Releases every source and buffer and the device, remembering which
// element sounds were playing.
void stop_sound_system();
// Plays again the element sounds that were playing at the last stop.
void replay_stopped_sounds();
// Scene release: every source and buffer freed (the device stays), and no
// element sound is left to play again.
void release_sounds();
bool sound_available();
// `SoundMixing` as the system was started with it (0 to 3).
int32_t sound_mixing();

// --- Element sounds --------------------------------------------------------

// Items of an element's sound settings (record field 39).
struct ElementSoundSettings {
  int32_t rate_factor = kNaturalFactor;
  int32_t min_distance = 2;  // world units
  int32_t mode = 0;          // bit 0: play once; clear: loop
  int32_t volume_db = 0;     // decibels, applied as hundredths x 100
};
// Loads an element's sound from `path`, frequency, distances and volume set
// from `settings`: the natural frequency of the file, or 0 when there is no
// sound (none available, a missing or unusable file: named in a warning).
// Elements naming the same file share one buffer.
int32_t load_element_sound(int element, const std::string& path, const ElementSoundSettings& settings);
bool has_element_sound(int element);
// Run start: every element sound rewound and stopped, except that elements
// that are on and whose sound loops (flag 0x010 clear) start playing.
void reset_element_sounds(int32_t elements);
// play_sound: once (stop, rewind, play once) when the element's flag 0x010
// is set, else rewound and looping; then placed at the element.
void play_element_sound(int element);
// on: the same with the mode given.
void restart_element_sound(int element, bool once);
void stop_element_sound(int element);
bool element_sound_playing(int element);
// Frequency = natural x factor / 4096, limited to 100..100,000 Hz; the
// frequency set.
int32_t set_element_sound_rate(int element, int32_t factor);
// The frequency an element's sound plays at (0 when none).
int32_t element_sound_frequency(int element);

// --- The hearer and the per-frame update -----------------------------------

int32_t sound_hearer();
void set_sound_hearer(int32_t element);
struct SoundListener {
  float position[3];
  float front[3];
  float up[3];
};
// Once per drawn frame: the listener at the hearer (null when the hearer
// is off), the mixing selection among the first `elements` elements, every
// element sound placed at its element, and sounds past their maximum
// distance muted. Allocates nothing.
void sound_frame(int32_t elements, const SoundListener* listener);

// --- Extra sounds ----------------------------------------------------------

// Loads into the first free slot (minimum distance 1, maximum 1e8): the
// slot, or -1 when every slot is taken or the file cannot be used.
int32_t extra_sound_load(const std::string& path);
// Slot operations do nothing for a slot out of range or empty.
void extra_sound_unload(int32_t slot);
void extra_sound_play(int32_t slot, bool loop);
void extra_sound_stop(int32_t slot);
bool extra_sound_playing(int32_t slot);
// volume - 10,000 hundredths of a decibel, within -10,000..0.
void extra_sound_volume(int32_t slot, int32_t volume);
// Hz within 100..100,000; 0 returns to the natural frequency; other
// values are refused.
void extra_sound_frequency(int32_t slot, int32_t hertz);
void extra_sound_distances(int32_t slot, float min_distance, float max_distance);
void extra_sound_place(int32_t slot, const float position[3]);
bool extra_sound_used(int32_t slot);

// --- Silence ---------------------------------------------------------------

// With true, the output is muted (volume -10,000) until the matching call
// with false; calls nest. Sources go on playing unheard.
void sound_silence(bool on);

// --- The cut-scene's sound -------------------------------------------------

// A block of a cut-scene's sound (interleaved 16-bit samples, 1 or 2
// channels, at `rate`) queued after the blocks before it on one streaming
// source, heard without placement; null samples stop it and free its
// blocks. Nothing while no sound is available; the stream ends with the
// system (a later block starts a new one).
void cutscene_sound(const int16_t* samples, int32_t frames, int32_t rate, int32_t channels);
bool cutscene_sound_playing();

// --- The cut-scene playback area of play_set -------------------------------

// Where `play` and `play_task` show a video: the area's left and top edge
// and its size in pixels of the 640 x 480 base screen, and option bits
// (bit 0: centred on the display, the left and top edge ignored). Reset to
// 0, 0, 640, 480, 0 at every scene load.
struct PlaybackArea {
  int32_t x = 0, y = 0, width = 640, height = 480, options = 0;
};
const PlaybackArea& playback_area();
void set_playback_area(const PlaybackArea& area);

// --- Conversions -----------------------------------------------------------

// Hundredths of a decibel as a gain: 0 gives 1, -10,000 (-100 dB) 1e-5.
float gain_of(int32_t hundredths);

}  // namespace media
