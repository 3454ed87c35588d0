// Arbitrary bytes as a portable pixmap: header checks and decoding.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "media/ppm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> file(data, size);
  int32_t w = 0, h = 0;
  const bool sized = media::read_ppm_size(file, w, h);
  if (sized && int64_t{w} * h > (int64_t{1} << 16)) return 0;  // valid, but slow to fill
  media::Bitmap b;
  const bool ok = media::decode_ppm(file, b);
  if (ok != sized) abort();
  if (ok && (b.width != w || b.height != h || b.pixels.size() != static_cast<size_t>(w) * h)) abort();
  return 0;
}
