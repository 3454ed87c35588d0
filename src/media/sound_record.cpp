// The output of the sound system and the clock it follows: a desktop
// device, or the loopback device that mixes in memory (headless runs and
// recordings), and the --record-audio file.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/state.h"
#include "media/config.h"
#include "media/sound.h"
#include "media/state_local.h"
#include "platform/audio.h"
#include "platform/platform.h"

namespace media {

namespace {

constexpr int32_t kMaxSources = 1024;  // 256 element sounds and 500 extra sounds at once, and room
constexpr int32_t kSilentRecordingRate = 11025;
constexpr uint32_t kHeaderBytes = 44;
constexpr uint32_t kMaxDataBytes = 0xFFFFFFFFu - kHeaderBytes;
constexpr uint64_t kMaxMixedTicks = 60ull * platform::kTicksPerSecond;  // mixed of one clock jump

Recorder& R() { return sound_state().recorder; }

void put16(uint8_t*& p, uint32_t v) {
  *p++ = static_cast<uint8_t>(v);
  *p++ = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t*& p, uint32_t v) {
  put16(p, v & 0xFFFF);
  put16(p, v >> 16);
}

// RIFF/WAVE, PCM (format tag 1), 2 channels, 16 bits.
void wav_header(uint8_t (&h)[kHeaderBytes], int32_t rate, uint32_t data_bytes) {
  uint8_t* p = h;
  for (char c : {'R', 'I', 'F', 'F'}) *p++ = static_cast<uint8_t>(c);
  put32(p, data_bytes + kHeaderBytes - 8);
  for (char c : {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}) *p++ = static_cast<uint8_t>(c);
  put32(p, 16);
  put16(p, 1);
  put16(p, 2);
  put32(p, static_cast<uint32_t>(rate));
  put32(p, static_cast<uint32_t>(rate) * 4);
  put16(p, 4);
  put16(p, 16);
  for (char c : {'d', 'a', 't', 'a'}) *p++ = static_cast<uint8_t>(c);
  put32(p, data_bytes);
}

void warn(const std::string& text) {
  if (auto* f = core::state().notify.warning) f(text);
}

// The rendered frames into the file, as 16-bit samples.
void write_frames(Recorder& r, int32_t frames) {
  if (!r.file || r.full || r.failed) return;
  uint32_t bytes = static_cast<uint32_t>(frames) * 4;
  if (bytes > kMaxDataBytes - r.data_bytes) {
    bytes = (kMaxDataBytes - r.data_bytes) & ~3u;
    r.full = true;
    warn("The audio recording has reached the 4 GiB a WAV file can hold; the rest of the run is not recorded.");
  }
  for (uint32_t i = 0; i < bytes / 2; ++i) {
    const float v = std::clamp(r.mix[i], -1.0f, 1.0f) * 32767.0f;
    r.pcm[i] = static_cast<int16_t>(std::lrint(v));
  }
  if (std::fwrite(r.pcm, 1, bytes, r.file) != bytes) {
    r.failed = true;
    return;
  }
  r.data_bytes += bytes;
}

}  // namespace

bool open_sound_device(int32_t rate) {
  Recorder& r = R();
  platform::AudioOpen how;
  // Headless, with or without a recording, nothing is heard.
  how.loopback = r.loopback || platform::headless();
  how.monitor = r.loopback && !platform::headless() && r.file != nullptr;
  how.rate = r.file ? r.rate : rate;
  how.max_sources = kMaxSources;
  if (!platform::audio_open(how)) return false;
  if (how.loopback && !r.file) {
    // Not recording: the mix follows the clock at this device's rate.
    r.rate = how.rate;
    r.frames = r.clock_ticks * static_cast<uint64_t>(r.rate) / platform::kTicksPerSecond;
  }
  return true;
}

bool start_sound_output(const SoundOutput& how, std::string& error) {
  Recorder& r = R();
  r.loopback = how.loopback || !how.record_path.empty();
  r.following = r.loopback;
  r.last_clock = platform::peek_now();
  r.clock_ticks = r.frames = 0;
  r.rate = 0;
  if (how.record_path.empty()) return true;
  r.rate = sound_output_rate(settings().sound);
  if (r.rate == 0) r.rate = kSilentRecordingRate;
  r.path = how.record_path;
  r.temp_path = how.record_path + ".part";
  r.file = std::fopen(r.temp_path.c_str(), "wb");
  if (!r.file) {
    error = "cannot write " + r.temp_path;
    return false;
  }
  uint8_t header[kHeaderBytes];
  wav_header(header, r.rate, 0);
  if (std::fwrite(header, 1, kHeaderBytes, r.file) != kHeaderBytes) r.failed = true;
  r.data_bytes = 0;
  r.full = false;
  return true;
}

int32_t recording_rate() { return R().file ? R().rate : 0; }

void sound_advance() {
  Recorder& r = R();
  if (!r.following) return;
  const uint32_t now = platform::peek_now();
  const int32_t delta = static_cast<int32_t>(now - r.last_clock);
  if (delta <= 0) return;
  r.last_clock = now;
  if (r.rate <= 0) return;
  // A long jump of the clock is mixed for a minute; the rest is silence.
  const uint64_t mixed_until = r.clock_ticks + std::min<uint64_t>(static_cast<uint64_t>(delta), kMaxMixedTicks);
  r.clock_ticks += static_cast<uint64_t>(delta);
  const auto frames_at = [&](uint64_t ticks) {
    return ticks * static_cast<uint64_t>(r.rate) / platform::kTicksPerSecond;
  };
  const uint64_t mix_end = frames_at(mixed_until), end = frames_at(r.clock_ticks);
  while (r.frames < mix_end) {
    const int32_t n = static_cast<int32_t>(std::min<uint64_t>(Recorder::kChunk, mix_end - r.frames));
    platform::audio_render(r.mix, n);
    write_frames(r, n);
    r.frames += static_cast<uint64_t>(n);
  }
  if (r.frames >= end) return;
  // Only a recording needs the silent rest written.
  std::fill(std::begin(r.mix), std::end(r.mix), 0.0f);
  while (r.file && !r.full && !r.failed && r.frames < end) {
    const int32_t n = static_cast<int32_t>(std::min<uint64_t>(Recorder::kChunk, end - r.frames));
    write_frames(r, n);
    r.frames += static_cast<uint64_t>(n);
  }
  r.frames = end;
}

bool end_sound_output() {
  Recorder& r = R();
  sound_advance();
  stop_sound_system();
  platform::audio_close();
  r.following = false;
  if (!r.file) return true;
  bool ok = !r.failed;
  uint8_t header[kHeaderBytes];
  wav_header(header, r.rate, r.data_bytes);
  ok = ok && std::fseek(r.file, 0, SEEK_SET) == 0 && std::fwrite(header, 1, kHeaderBytes, r.file) == kHeaderBytes;
  ok = ok && std::fflush(r.file) == 0 && ::fsync(::fileno(r.file)) == 0;
  ok = std::fclose(r.file) == 0 && ok;
  r.file = nullptr;
  ok = ok && std::rename(r.temp_path.c_str(), r.path.c_str()) == 0;
  if (!ok) std::remove(r.temp_path.c_str());
  return ok;
}

}  // namespace media
