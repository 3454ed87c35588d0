// The sound system's tables (part of media::State).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/pools.h"
#include "media/sound.h"

namespace media {

// What a source was last given, so that the per-frame update sends only
// what changed, and the emulation of muting past the maximum distance.
struct SourceState {
  uint32_t source = 0;
  float gain = 1;  // from the volume; 0 is sent instead while muted
  float min_distance = 1, max_distance = kFarDistance;
  bool positioned = true;  // 3D processing on
  bool muted = false;
  float position[3] = {}, velocity[3] = {};
};

struct ElementSound {
  uint32_t buffer = 0;  // shared with the elements that name the same file
  int32_t natural = 0;
  int32_t frequency = 0;
  SourceState src;
};

struct SharedBuffer {
  std::string path;
  uint32_t buffer = 0;
  int32_t natural = 0;
};

struct ExtraSound {
  uint32_t buffer = 0;  // 0: the slot is free
  int32_t natural = 0;
  SourceState src;
};

// The recording of --record-audio and the clock it follows.
struct Recorder {
  static constexpr int32_t kChunk = 256;  // frames rendered at a time (a change fades in over one)
  bool loopback = false;                  // the output mixes in memory
  bool following = false;                 // sound_advance renders (loopback output set up)
  int32_t rate = 0;                       // of the loopback device and the file
  std::FILE* file = nullptr;
  std::string path, temp_path;
  uint32_t data_bytes = 0;
  bool full = false;  // the file reached the 4 GiB limit of its format
  bool failed = false;
  uint32_t last_clock = 0;
  uint64_t clock_ticks = 0;  // engine-clock ticks covered so far
  uint64_t frames = 0;       // frames rendered so far
  float mix[kChunk * 2] = {};
  int16_t pcm[kChunk * 2] = {};
};

struct SoundState {
  bool available = false;
  int32_t mixing = 0;  // SoundMixing as started
  int32_t hearer = 0;
  int silence_depth = 0;
  float listener[3] = {};

  ElementSound elements[core::kElementCount];
  bool was_playing[core::kElementCount] = {};  // at the last stop
  bool kept[core::kElementCount] = {};         // by this frame's mixing selection
  // The element sounds' buffers by file, each once.
  std::vector<SharedBuffer> element_buffers;
  ExtraSound extras[kExtraSounds];
  uint32_t cutscene = 0;  // the streaming source of a cut-scene's sound

  std::string file;  // the file being loaded (kept for its capacity)
  Recorder recorder;
  PlaybackArea playback;
};

SoundState& sound_state();

// Opens the output device for the sound system at `rate` (the loopback
// device of a headless run or a recording, at the recording's rate); false
// when there is none.
bool open_sound_device(int32_t rate);

}  // namespace media
