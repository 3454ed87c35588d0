// The WAV reader: RIFF/WAVE files of PCM samples, 8 bits unsigned or 16
// bits signed, mono or stereo. Anything else is refused with a reason, and
// no size read from the file is trusted before it is checked against the
// bytes that are there.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace media {

struct Wave {
  int32_t channels = 0;      // 1 or 2
  int32_t bits = 0;          // 8 or 16
  int32_t rate = 0;          // frames a second (the natural frequency)
  std::string_view samples;  // whole frames, inside the text given to read_wav
  std::string error;         // why the file was refused; empty when it was read
  bool ok() const { return error.empty(); }
};

// Reads a WAV file held in `file`: "RIFF" then "WAVE", then chunks (an
// identifier, a length, the data padded to an even length) among which a
// "fmt " of at least 14 bytes and a "data" must both be found. The samples
// point into `file`, so it must outlive the result.
Wave read_wav(std::string_view file);

// The longest file read_wav is given by the loaders (larger ones are refused
// before they are read whole).
constexpr uint32_t kMaxWavBytes = 64u << 20;

}  // namespace media
