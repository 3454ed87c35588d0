// Arbitrary bytes as a Windows bitmap: header checks, decoding, and the
// palette a bitmap is shown through.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "media/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> file(data, size);
  media::bmp_show_palette(file);
  media::BmpInfo info;
  if (media::read_bmp_info(file, info) != media::BmpResult::ok) return 0;
  if (int64_t{info.width} * info.height > (int64_t{1} << 16)) return 0;  // valid, but slow to fill
  media::Bitmap b;
  if (media::decode_bmp(file, b) != media::BmpResult::ok) abort();
  if (b.width != info.width || b.height != info.height || b.pixels.size() != static_cast<size_t>(b.width) * b.height) {
    abort();
  }
  return 0;
}
