#include "media/bmp.h"

#include <algorithm>
#include <array>
#include <bit>

#include "core/protect.h"
#include "core/files.h"
#include "media/pcx.h"

namespace media {

namespace {

constexpr size_t kFileHeader = 14;
constexpr uint32_t kOpaqueBlack = 0xFF000000u;

uint16_t u16(std::span<const uint8_t> f, size_t at) { return static_cast<uint16_t>(f[at] | f[at + 1] << 8); }
uint32_t u32(std::span<const uint8_t> f, size_t at) {
  return uint32_t{f[at]} | uint32_t{f[at + 1]} << 8 | uint32_t{f[at + 2]} << 16 | uint32_t{f[at + 3]} << 24;
}

bool known_header_size(uint32_t hs) {
  return hs == 12 || hs == 40 || hs == 52 || hs == 56 || hs == 64 || hs == 108 || hs == 124;
}

bool known_bit_count(uint16_t b) { return b == 1 || b == 2 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32; }

bool is_rle(const BmpInfo& i) { return i.compression == 1 || i.compression == 2; }
bool has_bit_fields(const BmpInfo& i) { return i.compression == 3 || i.compression == 6; }

// Where the colour table starts: after the header and, for a 40-byte header
// with bit fields, after the masks that follow it.
size_t colour_table_start(const BmpInfo& i) {
  size_t at = kFileHeader + i.header_size;
  if (i.header_size == 40 && i.compression == 3) at += 12;
  if (i.header_size == 40 && i.compression == 6) at += 16;
  return at;
}

// The colour table of an indexed bitmap; entries that are not in the file
// stay opaque black.
std::array<uint32_t, 256> colour_table(std::span<const uint8_t> f, const BmpInfo& i) {
  std::array<uint32_t, 256> table;
  table.fill(kOpaqueBlack);
  const size_t entry = i.header_size == 12 ? 3 : 4;
  size_t count = i.colours_used ? i.colours_used : size_t{1} << i.bits;
  count = std::min<size_t>(count, 256);
  const size_t start = colour_table_start(i);
  // The table ends where the pixel data starts (short OS/2 tables), or at
  // the end of the file.
  const size_t end = i.data_offset > start ? std::min<size_t>(f.size(), i.data_offset) : f.size();
  for (size_t k = 0; k < count; ++k) {
    size_t at = start + k * entry;
    if (at + 3 > end) break;
    table[k] = argb(f[at + 2], f[at + 1], f[at]);
  }
  return table;
}

struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint64_t max = 0;
  uint32_t get(uint32_t px, uint32_t none) const {
    if (!mask) return none;
    return static_cast<uint32_t>(uint64_t{(px & mask) >> shift} * 255 / max);
  }
};

Channel channel(uint32_t mask) {
  Channel c;
  c.mask = mask;
  if (mask) {
    c.shift = std::countr_zero(mask);
    c.max = mask >> c.shift;
  }
  return c;
}

// Plain (uncompressed) rows. Bytes past the end of the file leave black.
void decode_plain(std::span<const uint8_t> f, const BmpInfo& i, uint32_t* out) {
  const std::array<uint32_t, 256> table = i.bits <= 8 ? colour_table(f, i) : std::array<uint32_t, 256>{};
  const Channel r = channel(i.masks[0]), g = channel(i.masks[1]), b = channel(i.masks[2]), a = channel(i.masks[3]);
  const size_t w = static_cast<size_t>(i.width);
  const uint64_t stride = (uint64_t{w} * i.bits + 31) / 32 * 4;
  for (int32_t fr = 0; fr < i.height; ++fr) {
    uint32_t* line = out + static_cast<size_t>(i.top_down ? fr : i.height - 1 - fr) * w;
    const uint64_t row_at = i.data_offset + stride * static_cast<uint64_t>(fr);
    if (row_at >= f.size()) break;
    const uint64_t avail = std::min<uint64_t>(stride, f.size() - row_at);
    const size_t n = static_cast<size_t>(std::min<uint64_t>(w, avail * 8 / i.bits));
    const uint8_t* p = f.data() + row_at;
    switch (i.bits) {
      case 1:
      case 2:
      case 4:
      case 8: {
        const unsigned per_byte = 8 / i.bits, mask = (1u << i.bits) - 1;
        for (size_t x = 0; x < n; ++x) {
          unsigned shift = 8 - i.bits * (1 + x % per_byte);
          line[x] = table[(p[x / per_byte] >> shift) & mask];
        }
        break;
      }
      case 24:
        for (size_t x = 0; x < n; ++x) line[x] = argb(p[3 * x + 2], p[3 * x + 1], p[3 * x]);
        break;
      case 16:
        for (size_t x = 0; x < n; ++x) {
          uint32_t px = uint32_t{p[2 * x]} | uint32_t{p[2 * x + 1]} << 8;
          line[x] = argb(r.get(px, 0), g.get(px, 0), b.get(px, 0), a.get(px, 255));
        }
        break;
      case 32:
        for (size_t x = 0; x < n; ++x) {
          uint32_t px = uint32_t{p[4 * x]} | uint32_t{p[4 * x + 1]} << 8 | uint32_t{p[4 * x + 2]} << 16 |
                        uint32_t{p[4 * x + 3]} << 24;
          line[x] = argb(r.get(px, 0), g.get(px, 0), b.get(px, 0), a.get(px, 255));
        }
        break;
    }
  }
}

// RLE8 and RLE4, bottom-up. Every read is checked against the end of the
// file; runs are cut at the end of the row; pixels that are skipped stay
// black; the data ends at the end-of-bitmap code, the last row, or the file.
void decode_rle(std::span<const uint8_t> f, const BmpInfo& i, uint32_t* out) {
  const std::array<uint32_t, 256> table = colour_table(f, i);
  const bool four = i.compression == 2;
  const int64_t w = i.width, h = i.height;
  int64_t x = 0, y = 0;
  size_t p = i.data_offset;
  auto put = [&](unsigned index) {
    if (x < w) out[static_cast<size_t>((h - 1 - y) * w + x)] = table[index & 255];
    ++x;
  };
  while (y < h && p + 2 <= f.size()) {
    const unsigned count = f[p], value = f[p + 1];
    p += 2;
    if (count > 0) {
      for (unsigned k = 0; k < count && x < w; ++k) {
        put(four ? (k % 2 ? value & 15 : value >> 4) : value);
      }
      continue;
    }
    if (value == 0) {  // end of row
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // move right and up
      if (p + 2 > f.size()) break;
      x = std::min<int64_t>(x + f[p], w);
      y += f[p + 1];
      p += 2;
    } else {  // `value` literal pixels, padded to a 16-bit boundary
      const size_t bytes = four ? (value + 1) / 2 : value;
      const size_t have = std::min(bytes, f.size() - p);
      for (unsigned k = 0; k < value && x < w; ++k) {
        size_t at = four ? k / 2 : k;
        if (at >= have) break;
        put(four ? (k % 2 ? f[p + at] & 15 : f[p + at] >> 4) : f[p + at]);
      }
      p += std::min(f.size() - p, (bytes + 1) & ~size_t{1});
    }
  }
}

}  // namespace

const char* bmp_result_text(BmpResult r) {
  switch (r) {
    case BmpResult::ok: return "ok";
    case BmpResult::unreadable: return "cannot read the file";
    case BmpResult::not_bmp: return "not a bitmap";
    case BmpResult::bad_header: return "damaged bitmap header";
    case BmpResult::unsupported: return "unsupported bitmap format";
    case BmpResult::too_large: return "bitmap too large";
  }
  return "unknown";
}

BmpResult read_bmp_info(std::span<const uint8_t> f, BmpInfo& info) {
  info = BmpInfo{};
  if (f.size() < 2 || f[0] != 'B' || f[1] != 'M') return BmpResult::not_bmp;
  if (f.size() < kFileHeader + 12) return BmpResult::bad_header;
  info.data_offset = u32(f, 10);
  info.header_size = u32(f, 14);
  if (!known_header_size(info.header_size)) return BmpResult::unsupported;
  if (f.size() < kFileHeader + info.header_size) return BmpResult::bad_header;

  int64_t width, height;
  uint16_t planes;
  if (info.header_size == 12) {
    width = u16(f, 18);
    height = u16(f, 20);
    planes = u16(f, 22);
    info.bits = u16(f, 24);
  } else {
    width = static_cast<int32_t>(u32(f, 18));
    height = static_cast<int32_t>(u32(f, 22));
    planes = u16(f, 26);
    info.bits = u16(f, 28);
    info.compression = u32(f, 30);
    info.colours_used = u32(f, 46);
  }
  if (planes != 1 || width < 1 || height == 0) return BmpResult::bad_header;
  info.top_down = height < 0;
  height = height < 0 ? -height : height;
  if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxBitmapPixels) {
    return BmpResult::too_large;
  }
  info.width = static_cast<int32_t>(width);
  info.height = static_cast<int32_t>(height);

  if (!known_bit_count(info.bits)) return BmpResult::unsupported;
  switch (info.compression) {
    case 0: break;
    case 1:
    case 2:
      if (info.bits != (info.compression == 1 ? 8 : 4)) return BmpResult::bad_header;
      if (info.top_down) return BmpResult::bad_header;
      break;
    case 3:
    case 6:
      // OS/2 2.x uses these numbers for Huffman and RLE24 data.
      if (info.header_size == 64) return BmpResult::unsupported;
      if (info.bits != 16 && info.bits != 32) return BmpResult::bad_header;
      break;
    default: return BmpResult::unsupported;
  }
  if (info.bits <= 8 && info.colours_used > (1u << info.bits)) return BmpResult::bad_header;

  if (has_bit_fields(info)) {
    size_t at = kFileHeader + 40;
    size_t count = info.compression == 6 || info.header_size >= 56 ? 4 : 3;
    if (at + 4 * count > f.size()) return BmpResult::bad_header;
    for (size_t k = 0; k < count; ++k) info.masks[k] = u32(f, at + 4 * k);
  } else if (info.bits == 16) {
    info.masks[0] = 0x7C00;
    info.masks[1] = 0x03E0;
    info.masks[2] = 0x001F;
  } else if (info.bits == 32) {
    info.masks[0] = 0xFF0000;
    info.masks[1] = 0x00FF00;
    info.masks[2] = 0x0000FF;
  }
  if (info.bits == 16) {
    for (uint32_t& m : info.masks) m &= 0xFFFF;
  }
  if (info.data_offset >= f.size()) return BmpResult::bad_header;
  return BmpResult::ok;
}

BmpResult decode_bmp(std::span<const uint8_t> file, std::span<uint32_t> out) {
  BmpInfo info;
  BmpResult r = read_bmp_info(file, info);
  if (r != BmpResult::ok) return r;
  const size_t count = static_cast<size_t>(info.width) * static_cast<size_t>(info.height);
  if (out.size() < count) return BmpResult::too_large;
  std::fill_n(out.data(), count, kOpaqueBlack);
  if (is_rle(info)) {
    decode_rle(file, info, out.data());
  } else {
    decode_plain(file, info, out.data());
  }
  return BmpResult::ok;
}

BmpResult decode_bmp(std::span<const uint8_t> file, Bitmap& bitmap) {
  bitmap = Bitmap{};
  BmpInfo info;
  BmpResult r = read_bmp_info(file, info);
  if (r != BmpResult::ok) return r;
  bitmap.pixels.resize(static_cast<size_t>(info.width) * static_cast<size_t>(info.height));
  decode_bmp(file, bitmap.pixels);
  bitmap.width = info.width;
  bitmap.height = info.height;
  return BmpResult::ok;
}

BmpResult load_bmp(const std::string& path, Bitmap& bitmap) {
  bitmap = Bitmap{};
  std::string bytes;
  if (!read_image_file(path, bytes)) return BmpResult::unreadable;
  return decode_bmp(as_bytes(bytes), bitmap);
}

Palette palette_332() {
  Palette p{};
  for (int i = 0; i < 256; ++i) {
    p[i] = {static_cast<uint8_t>(((i >> 5) & 7) * 255 / 7), static_cast<uint8_t>(((i >> 2) & 7) * 255 / 7),
            static_cast<uint8_t>((i & 3) * 85)};
  }
  return p;
}

Palette bmp_show_palette(std::span<const uint8_t> f) {
  if (f.size() < kFileHeader + 40 || f[0] != 'B' || f[1] != 'M' || u32(f, 14) != 40) {
    return palette_332();
  }
  const uint16_t bits = u16(f, 28);
  if (bits < 1 || bits > 8) return palette_332();
  size_t count = u32(f, 46);
  if (count == 0) count = size_t{1} << bits;
  count = std::min<size_t>(count, 256);
  Palette p{};
  for (size_t k = 0; k < count; ++k) {
    size_t at = kFileHeader + 40 + 4 * k;
    if (at + 3 > f.size()) break;
    p[k] = {f[at + 2], f[at + 1], f[at]};
  }
  return p;
}

Palette read_bmp_show_palette(const std::string& path) {
  // The header and a full colour table are all that is read.
  std::string bytes;
  core::read_resource(path, bytes, kFileHeader + 40 + 4 * 256);
  return bmp_show_palette(as_bytes(bytes));
}

}  // namespace media
