#include "ui/thumbnails.h"

#include <algorithm>

#include "media/bmp.h"
#include "media/pcx.h"
#include "media/ppm.h"
#include "ui/events.h"
#include "ui/preview_local.h"
#include "ui/screen.h"
#include "ui/state_local.h"

namespace ui {

namespace {

bool rendered_kind(int32_t kind) {
  return kind == 0 || kind == 1 || kind == 3 || kind == 11 || kind == -4 || kind == 12;
}
bool picture_kind(int32_t kind) { return kind == -1 || kind == -7; }
bool pcx_kind(int32_t kind) { return kind == 2 || (kind >= 5 && kind <= 8); }

bool ends_with(std::string_view name, std::string_view tail) {
  if (name.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    char c = name[name.size() - tail.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != tail[i]) return false;
  }
  return true;
}

// An image of sw x sh pixels, read through `pixel(x, y)` as 0xAARRGGBB,
// scaled into w x h with its proportions kept and centred on colour 0.
template <typename Pixel>
void scale_into(int32_t sw, int32_t sh, Pixel pixel, int32_t w, int32_t h, std::vector<uint8_t>& out) {
  out.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  int32_t dw = w, dh = static_cast<int32_t>(int64_t{sh} * w / sw);
  if (dh > h) {
    dh = h;
    dw = std::clamp<int32_t>(static_cast<int32_t>(int64_t{sw} * h / sh), 1, w);
  }
  dh = std::max(dh, 1);
  const int32_t x0 = (w - dw) / 2, y0 = (h - dh) / 2;
  for (int32_t y = 0; y < dh; ++y) {
    const auto sy = static_cast<int32_t>(int64_t{y} * sh / dh);
    for (int32_t x = 0; x < dw; ++x) {
      const uint32_t p = pixel(static_cast<int32_t>(int64_t{x} * sw / dw), sy);
      out[static_cast<size_t>(y0 + y) * static_cast<size_t>(w) + static_cast<size_t>(x0 + x)] =
          nearest_colour(media::red_of(p), media::green_of(p), media::blue_of(p));
    }
  }
}

}  // namespace

bool file_thumbnail(int32_t kind, const std::string& path, int32_t w, int32_t h, std::vector<uint8_t>& pixels) {
  if (w <= 0 || h <= 0 || w > kScreenWidth || h > kScreenHeight) return false;
  if (rendered_kind(kind)) {
    std::vector<uint8_t> rgba;
    if (!render_preview(kind, path, w, h, rgba)) return false;
    pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = nearest_colour(rgba[i * 4], rgba[i * 4 + 1], rgba[i * 4 + 2]);
    return true;
  }
  if (picture_kind(kind)) {
    media::Bitmap b;
    const bool ok = ends_with(path, ".ppm") ? media::load_ppm(path, b)
                                            : media::load_bmp(path, b) == media::BmpResult::ok;
    if (!ok || b.width <= 0 || b.height <= 0 ||
        b.pixels.size() < static_cast<size_t>(b.width) * static_cast<size_t>(b.height))
      return false;
    scale_into(
        b.width, b.height,
        [&](int32_t x, int32_t y) {
          return b.pixels[static_cast<size_t>(y) * static_cast<size_t>(b.width) + static_cast<size_t>(x)];
        },
        w, h, pixels);
    return true;
  }
  if (pcx_kind(kind)) {
    const media::PcxImage image = media::load_pcx(path, media::PcxMode::file_palette);
    const int32_t iw = image.size.width, ih = image.size.height;
    if (!image.usable || iw <= 0 || ih <= 0 || image.pixels.size() < static_cast<size_t>(image.size.pixels()))
      return false;
    scale_into(
        iw, ih,
        [&](int32_t x, int32_t y) {
          const media::Rgb c =
              image.palette[image.pixels[static_cast<size_t>(y) * static_cast<size_t>(iw) + static_cast<size_t>(x)]];
          return media::argb(c.r, c.g, c.b);
        },
        w, h, pixels);
    return true;
  }
  return false;
}

uint8_t screen_colour(uint8_t r, uint8_t g, uint8_t b) { return nearest_colour(r, g, b); }

void paste_pixels(int32_t x, int32_t y, int32_t w, int32_t h, const uint8_t* pixels) {
  if (pixels == nullptr || w <= 0 || h <= 0) return;
  const int32_t x0 = std::max(x, 0), x1 = std::min(x + w, kScreenWidth);
  const int32_t y0 = std::max(y, 0), y1 = std::min(y + h, kScreenHeight);
  if (x0 >= x1 || y0 >= y1) return;
  uint8_t* s = screen();
  for (int32_t row = y0; row < y1; ++row)
    std::copy_n(pixels + static_cast<size_t>(row - y) * static_cast<size_t>(w) + static_cast<size_t>(x0 - x), x1 - x0,
                s + static_cast<size_t>(row) * kScreenWidth + static_cast<size_t>(x0));
  mark_dirty();
}

}  // namespace ui
