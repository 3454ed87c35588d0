// The 8-bit PCX images: size, decoding in the three modes, and an encoder
// for the default images an installation generates.
//
// A file is read as: byte 0 the manufacturer (10), bytes 4..11 the signed
// 16-bit x minimum, y minimum, x maximum and y maximum, run-length coded rows
// from byte 128, and the last 768 bytes the palette. No other header field is
// read. Each row decodes to the width rounded up to even; rows are kept width
// bytes apart, so the padding byte of an odd width is dropped.
//
// A file that is missing, shorter than its 128-byte header, not from
// manufacturer 10, or whose size is not 1..16384 by 1..16384 with at most
// 64 MiB of pixels, is one black pixel (1x1). A file too short to hold a
// palette has an all-black one; rows the data does not cover are index 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "media/palette.h"

namespace media {

inline constexpr int32_t kMaxImageSide = 16384;
inline constexpr int64_t kMaxImagePixels = int64_t{64} << 20;
inline constexpr size_t kPcxHeaderBytes = 128;
inline constexpr size_t kPcxPaletteBytes = 768;

struct ImageSize {
  int32_t width = 1;
  int32_t height = 1;
  int64_t pixels() const { return int64_t{width} * height; }
  bool operator==(const ImageSize&) const = default;
};

enum class PcxMode : int32_t {
  remap = 0,          // pixels become program-palette indices
  file_palette = 1,   // pixels kept; the caller builds its table from the palette
  palette_after = 2,  // pixels kept, the 768 palette bytes written after them
};

// Size of a PCX held in memory (1x1 for anything that is not a usable PCX).
ImageSize pcx_size(std::span<const uint8_t> file);
// The same for a file on disk; a file that cannot be read gives 1x1.
ImageSize read_pcx_size(const std::string& path);

// Destination bytes a decode needs: the pixel count, plus 768 in mode 2.
size_t pcx_buffer_bytes(ImageSize size, PcxMode mode);

// Decodes into `dest`, rows top to bottom, and returns the pixel count
// (1 for a file that is not a usable PCX: a single index 0 and, in mode 2,
// an all-black palette after it). `palette`, when given, receives the file's
// palette in every mode. When `dest` is smaller than pcx_buffer_bytes the
// result is 0 and nothing is written.
int64_t decode_pcx(std::span<const uint8_t> file, std::span<uint8_t> dest, PcxMode mode, Palette* palette = nullptr);

// A decoded image that owns its pixels (load-time use).
struct PcxImage {
  ImageSize size;
  bool usable = false;          // the file was a usable PCX (else the 1x1 image)
  std::vector<uint8_t> pixels;  // pcx_buffer_bytes(size, mode) bytes
  Palette palette{};
};
PcxImage decode_pcx(std::span<const uint8_t> file, PcxMode mode);
PcxImage load_pcx(const std::string& path, PcxMode mode);

// Reads a whole image file for the decoders; false when it cannot be read or
// is larger than any acceptable image file (the caller then treats it as
// not an image).
bool read_image_file(const std::string& path, std::string& bytes);
inline std::span<const uint8_t> as_bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// An 8-bit RLE PCX (version 5, one plane, rows padded to even) with the
// 0x0C marker and the palette at the end. `pixels` holds width x height
// bytes; an empty result means the size is outside the limits or the pixel
// count does not match.
std::string encode_pcx(int32_t width, int32_t height, std::span<const uint8_t> pixels, const Palette& palette);
bool write_pcx(const std::string& path, int32_t width, int32_t height, std::span<const uint8_t> pixels,
               const Palette& palette);

}  // namespace media
