#include "media/pcx.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "core/protect.h"
#include "core/files.h"

namespace media {

namespace {

// RLE can at best double the pixel bytes; anything larger is not an image.
constexpr size_t kMaxImageFileBytes = static_cast<size_t>(kMaxImagePixels) * 2 + 4096;

int32_t s16(std::span<const uint8_t> f, size_t at) {
  return static_cast<int16_t>(static_cast<uint16_t>(f[at] | f[at + 1] << 8));
}

bool usable_pcx(std::span<const uint8_t> file, ImageSize& size) {
  if (file.size() < kPcxHeaderBytes || file[0] != 10) return false;
  int32_t w = s16(file, 8) - s16(file, 4) + 1;
  int32_t h = s16(file, 10) - s16(file, 6) + 1;
  if (w < 1 || h < 1 || w > kMaxImageSide || h > kMaxImageSide) return false;
  if (int64_t{w} * h > kMaxImagePixels) return false;
  size = {w, h};
  return true;
}

bool has_palette(std::span<const uint8_t> file) { return file.size() >= kPcxHeaderBytes + kPcxPaletteBytes; }

Palette palette_of(std::span<const uint8_t> file) {
  Palette p{};
  if (!has_palette(file)) return p;
  const uint8_t* src = file.data() + file.size() - kPcxPaletteBytes;
  for (size_t i = 0; i < p.size(); ++i) p[i] = {src[3 * i], src[3 * i + 1], src[3 * i + 2]};
  return p;
}

// Decodes the rows into out (width x height bytes, already zeroed). Runs are
// cut at the end of their row; data that runs out leaves the rest at 0.
void decode_rows(std::span<const uint8_t> data, ImageSize size, uint8_t* out) {
  const size_t w = static_cast<size_t>(size.width);
  const size_t even = (w + 1) & ~size_t{1};
  size_t p = 0;
  for (int32_t row = 0; row < size.height; ++row) {
    uint8_t* line = out + static_cast<size_t>(row) * w;
    size_t x = 0;
    while (x < even) {
      if (p >= data.size()) return;
      uint8_t b = data[p++];
      size_t n = 1;
      if (b >= 192) {
        n = b - 192u;
        if (p >= data.size()) return;
        b = data[p++];
      }
      if (x < w) std::memset(line + x, b, std::min(n, w - x));
      x += n;
    }
  }
}

}  // namespace

ImageSize pcx_size(std::span<const uint8_t> file) {
  ImageSize size;
  return usable_pcx(file, size) ? size : ImageSize{};
}

bool read_image_file(const std::string& path, std::string& bytes) {
  bool truncated = false;
  if (!core::read_resource(path, bytes, kMaxImageFileBytes, &truncated) || truncated) {
    bytes.clear();
    return false;
  }
  return true;
}

ImageSize read_pcx_size(const std::string& path) {
  // Only the header is read; a file too large for read_image_file is not an
  // image here either.
  std::error_code ec;
  uintmax_t bytes = std::filesystem::file_size(path, ec);
  if (ec || bytes > kMaxImageFileBytes) return {};
  uint8_t header[kPcxHeaderBytes];
  size_t got = core::read_resource_into(path, header, sizeof header);
  return pcx_size({header, got});
}

size_t pcx_buffer_bytes(ImageSize size, PcxMode mode) {
  size_t n = static_cast<size_t>(std::max<int64_t>(size.pixels(), 0));
  return mode == PcxMode::palette_after ? n + kPcxPaletteBytes : n;
}

int64_t decode_pcx(std::span<const uint8_t> file, std::span<uint8_t> dest, PcxMode mode, Palette* palette) {
  ImageSize size;
  bool usable = usable_pcx(file, size);
  if (!usable) size = {};
  if (dest.size() < pcx_buffer_bytes(size, mode)) return 0;

  Palette pal = usable ? palette_of(file) : Palette{};
  const size_t count = static_cast<size_t>(size.pixels());
  std::memset(dest.data(), 0, count);
  if (usable) {
    size_t end = has_palette(file) ? file.size() - kPcxPaletteBytes : file.size();
    decode_rows(file.subspan(kPcxHeaderBytes, end - kPcxHeaderBytes), size, dest.data());
  }
  switch (mode) {
    case PcxMode::remap: {
      std::array<uint8_t, 256> map = program_colour_map(pal);
      for (size_t i = 0; i < count; ++i) dest[i] = map[dest[i]];
      break;
    }
    case PcxMode::palette_after:
      for (size_t i = 0; i < pal.size(); ++i) {
        dest[count + 3 * i] = pal[i].r;
        dest[count + 3 * i + 1] = pal[i].g;
        dest[count + 3 * i + 2] = pal[i].b;
      }
      break;
    case PcxMode::file_palette: break;
  }
  if (palette) *palette = pal;
  return static_cast<int64_t>(count);
}

PcxImage decode_pcx(std::span<const uint8_t> file, PcxMode mode) {
  PcxImage img;
  img.usable = usable_pcx(file, img.size);
  img.size = pcx_size(file);
  img.pixels.resize(pcx_buffer_bytes(img.size, mode));
  decode_pcx(file, img.pixels, mode, &img.palette);
  return img;
}

PcxImage load_pcx(const std::string& path, PcxMode mode) {
  std::string bytes;
  read_image_file(path, bytes);
  return decode_pcx(as_bytes(bytes), mode);
}

std::string encode_pcx(int32_t width, int32_t height, std::span<const uint8_t> pixels, const Palette& palette) {
  if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide ||
      int64_t{width} * height > kMaxImagePixels ||
      pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
    return {};
  }
  const int32_t even = (width + 1) & ~1;
  std::string out(kPcxHeaderBytes, '\0');
  auto put16 = [&out](size_t at, int32_t v) {
    out[at] = static_cast<char>(v & 255);
    out[at + 1] = static_cast<char>((v >> 8) & 255);
  };
  out[0] = 10;  // manufacturer
  out[1] = 5;   // version
  out[2] = 1;   // run-length coding
  out[3] = 8;   // bits per pixel
  put16(8, width - 1);
  put16(10, height - 1);
  put16(12, 72);
  put16(14, 72);
  out[65] = 1;  // planes
  put16(66, even);
  put16(68, 1);  // colour palette
  out.reserve(out.size() + pixels.size() * 2 + kPcxPaletteBytes + 1);

  for (int32_t row = 0; row < height; ++row) {
    const uint8_t* line = pixels.data() + static_cast<size_t>(row) * width;
    int32_t x = 0;
    while (x < even) {
      uint8_t v = x < width ? line[x] : 0;
      int32_t run = 1;
      while (x + run < even && run < 63 && (x + run < width ? line[x + run] : 0) == v) ++run;
      if (run > 1 || v >= 192) out.push_back(static_cast<char>(192 + run));
      out.push_back(static_cast<char>(v));
      x += run;
    }
  }
  out.push_back(12);
  for (const Rgb& c : palette) {
    out.push_back(static_cast<char>(c.r));
    out.push_back(static_cast<char>(c.g));
    out.push_back(static_cast<char>(c.b));
  }
  return out;
}

bool write_pcx(const std::string& path, int32_t width, int32_t height, std::span<const uint8_t> pixels,
               const Palette& palette) {
  std::string bytes = encode_pcx(width, height, pixels, palette);
  return !bytes.empty() && core::write_file_atomic(path, bytes);
}

}  // namespace media
