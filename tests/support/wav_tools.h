// Sounds for tests: tones written as WAV files, and the measures the tests
// take of rendered or recorded stereo (loudness, pitch).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

inline void wav_put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8 & 0xFF);
}

inline void wav_put32(std::string& s, uint32_t v) {
  wav_put16(s, v & 0xFFFF);
  wav_put16(s, v >> 16);
}

// A 16-bit mono PCM file of a sine tone of `hertz` at `rate`.
inline std::string tone_wav(int rate, double hertz, double seconds, double amplitude = 0.5) {
  const uint32_t frames = static_cast<uint32_t>(rate * seconds);
  std::string w = "RIFF";
  wav_put32(w, 36 + frames * 2);
  w += "WAVEfmt ";
  wav_put32(w, 16);
  wav_put16(w, 1);
  wav_put16(w, 1);
  wav_put32(w, static_cast<uint32_t>(rate));
  wav_put32(w, static_cast<uint32_t>(rate) * 2);
  wav_put16(w, 2);
  wav_put16(w, 16);
  w += "data";
  wav_put32(w, frames * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    const double v = amplitude * std::sin(2 * 3.14159265358979323846 * hertz * i / rate);
    wav_put16(w, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767))));
  }
  return w;
}

// Interleaved stereo (left, right) as floats, whatever it came from.
struct Stereo {
  int rate = 0;
  std::vector<float> samples;
  size_t frames() const { return samples.size() / 2; }
};

// Root mean square of one channel (0 left, 1 right) over frames [from, to).
inline double rms(const Stereo& s, int channel, size_t from = 0, size_t to = SIZE_MAX) {
  to = std::min(to, s.frames());
  if (from >= to) return 0;
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(s.samples[2 * i + channel]) * s.samples[2 * i + channel];
  return std::sqrt(sum / double(to - from));
}

// The largest magnitude of both channels over frames [from, to).
inline double peak(const Stereo& s, size_t from = 0, size_t to = SIZE_MAX) {
  to = std::min(to, s.frames());
  double p = 0;
  for (size_t i = 2 * from; i < 2 * to; ++i) p = std::max(p, double(std::fabs(s.samples[i])));
  return p;
}

// The frequency of a tone from the upward zero crossings of one channel.
inline double crossing_hertz(const Stereo& s, int channel, size_t from = 0, size_t to = SIZE_MAX) {
  to = std::min(to, s.frames());
  int crossings = 0;
  size_t first = 0, last = 0;
  for (size_t i = from + 1; i < to; ++i)
    if (s.samples[2 * (i - 1) + channel] < 0 && s.samples[2 * i + channel] >= 0) {
      if (crossings++ == 0) first = i;
      last = i;
    }
  if (crossings < 2) return 0;
  return double(crossings - 1) * s.rate / double(last - first);
}

// A recording of --record-audio: RIFF/WAVE, PCM, 2 channels, 16 bits with
// a canonical 44-byte header. False for anything else.
struct Recording {
  uint16_t format = 0, channels = 0, bits = 0;
  uint32_t rate = 0;
  Stereo audio;
};

inline uint32_t wav_le32(const std::string& s, size_t p) {
  return uint32_t(uint8_t(s[p])) | uint32_t(uint8_t(s[p + 1])) << 8 | uint32_t(uint8_t(s[p + 2])) << 16 |
         uint32_t(uint8_t(s[p + 3])) << 24;
}

inline bool read_recording(const std::string& file, Recording& r) {
  if (file.size() < 44 || file.compare(0, 4, "RIFF") != 0 || file.compare(8, 8, "WAVEfmt ") != 0 ||
      file.compare(36, 4, "data") != 0)
    return false;
  if (wav_le32(file, 4) != file.size() - 8 || wav_le32(file, 40) != file.size() - 44) return false;
  r.format = static_cast<uint16_t>(wav_le32(file, 20) & 0xFFFF);
  r.channels = static_cast<uint16_t>(wav_le32(file, 20) >> 16);
  r.rate = wav_le32(file, 24);
  r.bits = static_cast<uint16_t>(wav_le32(file, 32) >> 16);
  if (r.channels != 2 || r.bits != 16) return false;
  r.audio.rate = static_cast<int>(r.rate);
  r.audio.samples.resize((file.size() - 44) / 2);
  for (size_t i = 0; i < r.audio.samples.size(); ++i) {
    const int16_t v = static_cast<int16_t>(uint8_t(file[44 + 2 * i]) | uint8_t(file[45 + 2 * i]) << 8);
    r.audio.samples[i] = v / 32768.0f;
  }
  return true;
}

}  // namespace testing_support
