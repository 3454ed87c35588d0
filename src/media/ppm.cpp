#include "media/ppm.h"

#include "media/palette.h"
#include "media/pcx.h"

namespace media {

namespace {

struct Reader {
  std::span<const uint8_t> file;
  size_t at = 0;

  bool space(uint8_t c) const { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

  void skip_blanks() {
    while (at < file.size()) {
      if (file[at] == '#') {
        while (at < file.size() && file[at] != '\n') ++at;
      } else if (space(file[at])) {
        ++at;
      } else {
        break;
      }
    }
  }

  // A decimal number up to `limit`; false without digits or above the limit.
  bool number(uint32_t limit, uint32_t& out) {
    skip_blanks();
    uint64_t v = 0;
    size_t digits = 0;
    while (at < file.size() && file[at] >= '0' && file[at] <= '9') {
      v = v * 10 + (file[at++] - '0');
      if (v > limit) return false;
      ++digits;
    }
    out = static_cast<uint32_t>(v);
    return digits > 0;
  }
};

uint32_t scaled(uint32_t sample, uint32_t max) {
  if (sample > max) sample = max;
  return (sample * 255 + max / 2) / max;
}

bool header(Reader& r, uint32_t& w, uint32_t& h, uint32_t& max) {
  const std::span<const uint8_t> file = r.file;
  if (file.size() < 3 || file[0] != 'P' || (file[1] != '6' && file[1] != '3')) return false;
  r.at = 2;
  if (!r.number(kMaxImageSide, w) || !r.number(kMaxImageSide, h) || !r.number(65535, max)) return false;
  return w != 0 && h != 0 && max != 0 && int64_t{w} * h <= kMaxBitmapPixels;
}

}  // namespace

bool read_ppm_size(std::span<const uint8_t> file, int32_t& width, int32_t& height) {
  Reader r{file};
  uint32_t w = 0, h = 0, max = 0;
  if (!header(r, w, h, max)) return false;
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
  return true;
}

bool decode_ppm(std::span<const uint8_t> file, Bitmap& bitmap) {
  bitmap = Bitmap{};
  Reader r{file};
  uint32_t w = 0, h = 0, max = 0;
  if (!header(r, w, h, max)) return false;
  const bool text = file[1] == '3';
  // One white-space byte ends the header of the binary form.
  if (!text) ++r.at;
  const size_t count = size_t{w} * h;
  bitmap.width = static_cast<int32_t>(w);
  bitmap.height = static_cast<int32_t>(h);
  bitmap.pixels.assign(count, argb(0, 0, 0));
  const size_t bytes = max < 256 ? 1 : 2;
  for (size_t i = 0; i < count; ++i) {
    uint32_t c[3] = {0, 0, 0};
    for (uint32_t& v : c) {
      if (text) {
        if (!r.number(65535, v)) return true;
      } else {
        if (r.at + bytes > file.size()) return true;
        v = bytes == 1 ? file[r.at] : uint32_t{file[r.at]} << 8 | file[r.at + 1];
        r.at += bytes;
      }
    }
    bitmap.pixels[i] = argb(scaled(c[0], max), scaled(c[1], max), scaled(c[2], max));
  }
  return true;
}

bool load_ppm(const std::string& path, Bitmap& bitmap) {
  std::string bytes;
  if (!read_image_file(path, bytes)) {
    bitmap = Bitmap{};
    return false;
  }
  return decode_ppm(as_bytes(bytes), bitmap);
}

}  // namespace media
