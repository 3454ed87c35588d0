// Arbitrary bytes as a cut-scene video: opening it either fails cleanly or
// gives frames of exactly the size asked for (or the video's own, within
// the largest side taken) and sound in the shape it describes, for a few
// frames, and closing leaves nothing open.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/movie.h"

namespace {

const std::string& scratch_path() {
  static const std::string path = [] {
    std::string p = "/tmp/quill-avi-fuzz-" + std::to_string(getpid()) + ".avi";
    std::atexit([] { std::remove(scratch_path().c_str()); });
    return p;
  }();
  return path;
}

bool write_scratch(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(scratch_path().c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

void check_sound() {
  const platform::MovieSound s = platform::movie_sound();
  if (s.frames < 0) abort();
  if (s.frames > 0 && (!s.samples || s.rate <= 0 || (s.channels != 1 && s.channels != 2))) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!write_scratch(data, size)) return 0;
  // The last byte picks the output: the video's own size or a small one.
  const bool own_size = size && (data[size - 1] & 1);
  const int width = own_size ? 0 : 64, height = own_size ? 0 : 48;
  if (platform::movie_open(scratch_path(), width, height)) {
    if (!platform::movie_is_open()) abort();
    platform::MovieFrame frame;
    for (int n = 0; n < 8 && platform::movie_next(frame); ++n) {
      if (!frame.pixels || frame.width <= 0 || frame.height <= 0) abort();
      if (!own_size && (frame.width != 64 || frame.height != 48)) abort();
      if (frame.width > platform::kMaxMovieSide || frame.height > platform::kMaxMovieSide) abort();
      // Every pixel is readable.
      volatile uint32_t sum = 0;
      for (int i = 0; i < frame.width * frame.height; ++i) sum = sum + frame.pixels[i];
      check_sound();
    }
  }
  platform::movie_close();
  if (platform::movie_is_open()) abort();
  return 0;
}
