#include "ui/panels.h"

#include <algorithm>
#include <cstring>

#include "core/state.h"
#include "media/device.h"
#include "media/pcx.h"
#include "ui/state_local.h"

namespace ui {

namespace {

constexpr int32_t kPointerX = 0, kPointerY = 40, kPointerSize = 16;

}  // namespace

bool use_panels(std::span<const uint8_t> file) {
  const media::PcxImage image = media::decode_pcx(file, media::PcxMode::file_palette);
  if (!image.usable || image.size.width != kPanelsWidth) return false;
  core::Pool& pool = core::state().pools.panels;
  std::memset(pool.bytes(), 0, pool.size);
  const int32_t rows = std::min(image.size.height, kPanelsMaxRows);
  std::memcpy(pool.bytes(), image.pixels.data(), static_cast<size_t>(rows) * kPanelsWidth);

  State& u = state();
  u.palette = image.palette;
  u.nearest_ready = false;
  uint8_t rgb[768];
  for (size_t i = 0; i < 256; ++i) {
    rgb[3 * i] = image.palette[i].r;
    rgb[3 * i + 1] = image.palette[i].g;
    rgb[3 * i + 2] = image.palette[i].b;
  }
  media::set_tool_palette(rgb);
  uint8_t pointer[kPointerSize * kPointerSize];
  for (int32_t y = 0; y < kPointerSize; ++y)
    std::memcpy(pointer + y * kPointerSize, pool.bytes() + (kPointerY + y) * kPanelsWidth + kPointerX, kPointerSize);
  media::set_pointer(pointer);
  return true;
}

bool load_panels(const std::string& path) {
  std::string bytes;
  return media::read_image_file(path, bytes) && use_panels(media::as_bytes(bytes));
}

const media::Palette& tool_palette() { return state().palette; }

uint8_t nearest_colour(uint8_t r, uint8_t g, uint8_t b) {
  State& u = state();
  if (!u.nearest_ready) {
    for (int i = 0; i < 32768; ++i) {
      const int cr = (i >> 10 & 31) * 255 / 31, cg = (i >> 5 & 31) * 255 / 31, cb = (i & 31) * 255 / 31;
      int best = 0, best_d = 1 << 30;
      for (int p = 0; p < 256; ++p) {
        const media::Rgb& c = u.palette[static_cast<size_t>(p)];
        const int d = (c.r - cr) * (c.r - cr) + (c.g - cg) * (c.g - cg) + (c.b - cb) * (c.b - cb);
        if (d < best_d) {
          best_d = d;
          best = p;
        }
      }
      u.nearest[i] = static_cast<uint8_t>(best);
    }
    u.nearest_ready = true;
  }
  return u.nearest[(r >> 3) << 10 | (g >> 3) << 5 | (b >> 3)];
}

}  // namespace ui
