// Arbitrary bytes as a WAV file: a file that is read gives whole frames of
// a format that plays, inside the bytes given; any other is refused with a
// reason.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "media/wav.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const media::Wave w = media::read_wav(file);
  if (!w.ok()) return 0;
  if (w.channels < 1 || w.channels > 2 || (w.bits != 8 && w.bits != 16) || w.rate < 100) abort();
  const size_t frame = static_cast<size_t>(w.channels) * static_cast<size_t>(w.bits) / 8;
  if (w.samples.empty() || w.samples.size() % frame != 0) abort();
  if (w.samples.data() < file.data() || w.samples.data() + w.samples.size() > file.data() + file.size()) abort();
  return 0;
}
