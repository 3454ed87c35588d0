#include "engine/images2d.h"

#include <cstring>
#include <vector>

#include "core/protect.h"
#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "engine/scene_load.h"
#include "engine/state.h"
#include "media/pcx.h"
#include "media/texture.h"
#include "platform/scene.h"

namespace engine {

namespace {

constexpr int kFrameWidth = 640, kFrameHeight = 480;


// A decoded PCX in an image block of the work pool; 0 when it does not fit.
uint32_t store_image(const media::PcxImage& img) {
  const uint64_t pixels = static_cast<uint64_t>(img.size.width) * static_cast<uint64_t>(img.size.height);
  if (pixels > 64u << 20) return 0;
  const uint32_t addr = work_alloc(static_cast<uint32_t>(offsetof(ImageBlock, pixels) + pixels));
  if (!addr) return 0;
  ImageBlock* b = core::at<ImageBlock>(addr);
  b->width = img.size.width;
  b->height = img.size.height;
  for (int i = 0; i < 256; ++i) {
    const media::Rgb& c = img.palette[static_cast<size_t>(i)];
    b->palette[i] = uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
  }
  std::memcpy(b->pixels, img.pixels.data(), pixels);
  return addr;
}

// A texture of the block, colour 0 transparent.
int texture_of(const ImageBlock& b) {
  const size_t n = static_cast<size_t>(b.width) * static_cast<size_t>(b.height);
  std::vector<uint32_t> rgba(n);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t index = b.pixels[i];
    const uint32_t c = b.palette[index];
    rgba[i] = (index == 0 ? 0u : 0xFF000000u) | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
  }
  return platform::texture_create(rgba.data(), b.width, b.height);
}

// The image of a path, or of the fallback when the file is missing (an
// unreadable file gives the empty image); either is said once.
media::PcxImage read_or(const std::string& path, const char* fallback) {
  if (fallback && !core::file_exists(path)) {
    core::file_warning(path, "a PCX image", fallback);
    return media::load_pcx(program_path(fallback), media::PcxMode::file_palette);
  }
  media::PcxImage img = media::load_pcx(path, media::PcxMode::file_palette);
  if (!img.usable) core::file_warning(path, "a PCX image", "an empty image");
  return img;
}

}  // namespace

void load_sprite(Object& o, const std::string& path) {
  o.w[0] = static_cast<int32_t>(kTagSprite);
  const uint32_t addr = store_image(read_or(path, nullptr));
  if (!addr) return;
  const ImageBlock& b = *core::at<ImageBlock>(addr);
  // Runs of opaque pixels, row by row.
  uint32_t count = 0;
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x)
      if (b.pixels[y * b.width + x] && (x == 0 || !b.pixels[y * b.width + x - 1])) ++count;
  const uint32_t runs = work_alloc(count * sizeof(Run));
  if (runs || count == 0) {
    Run* r = count ? core::at<Run>(runs) : nullptr;
    uint32_t n = 0;
    for (int y = 0; y < b.height && b.width <= 32767 && b.height <= 32767; ++y)
      for (int x = 0; x < b.width;) {
        if (!b.pixels[y * b.width + x]) {
          ++x;
          continue;
        }
        int start = x;
        while (x < b.width && b.pixels[y * b.width + x]) ++x;
        r[n++] = {static_cast<int16_t>(y), static_cast<int16_t>(start), static_cast<int16_t>(x - start), 0};
      }
    o.w[2] = static_cast<int32_t>(runs);
    o.w[5] = static_cast<int32_t>(n);
  }
  o.w[1] = static_cast<int32_t>(addr);
  o.w[3] = b.width;
  o.w[4] = b.height;
  o.w[6] = texture_of(b);
}

void load_frame(Object& o, const std::string& path) {
  o.w[0] = static_cast<int32_t>(kTagFrame);
  const media::PcxImage img = media::load_pcx(path, media::PcxMode::file_palette);
  const uint32_t addr = work_alloc(kFrameWidth * kFrameHeight + 512);
  if (!addr) return;
  uint8_t* pixels = core::at<uint8_t>(addr);
  std::memset(pixels, 0, kFrameWidth * kFrameHeight + 512);
  const int w = std::min(img.size.width, kFrameWidth), h = std::min(img.size.height, kFrameHeight);
  for (int y = 0; y < h; ++y)
    std::memcpy(pixels + y * kFrameWidth, img.pixels.data() + static_cast<size_t>(y) * img.size.width,
                static_cast<size_t>(w));
  uint16_t* palette = reinterpret_cast<uint16_t*>(pixels + kFrameWidth * kFrameHeight);
  std::vector<uint32_t> rgba(kFrameWidth * kFrameHeight);
  uint32_t colours[256];
  for (int i = 0; i < 256; ++i) {
    const media::Rgb& c = img.palette[static_cast<size_t>(i)];
    palette[i] = static_cast<uint16_t>((c.r / 8) << 11 | (c.g / 4) << 5 | (c.b / 8));
    const uint32_t p = palette[i];
    colours[i] = 0xFF000000u | ((p & 31) << 3) << 16 | ((p >> 5 & 63) << 2) << 8 | ((p >> 11 & 31) << 3);
  }
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = colours[pixels[i]];
  o.w[1] = static_cast<int32_t>(addr);
  o.w[2] = platform::texture_create(rgba.data(), kFrameWidth, kFrameHeight);
}

// A ".g3d" background description; in a built game, where resources carry
// ".dat" names, any such file that is not a PCX image (first byte 10).
bool g3d_background(const std::string& path) {
  if (path.size() < 4) return false;
  const std::string_view ext = std::string_view(path).substr(path.size() - 4);
  if (core::equals_ignore_case(ext, ".g3d")) return true;
  if (!core::equals_ignore_case(ext, ".dat")) return false;
  uint8_t head[4] = {};
  return core::read_resource_into(path, head, sizeof head) == sizeof head && head[0] != 10;
}

void load_background(Object& o, const std::string& path) {
  if (g3d_background(path)) {
    core::read_resource_into(path, o.w, sizeof o.w);
    o.w[0] = static_cast<int32_t>(kTagBackground);
    return;
  }
  const media::PcxImage img = read_or(path, "bckgrnds/default_.pcx");
  o.w[0] = static_cast<int32_t>(kTagBackground);
  o.w[1] = img.size.width;
  o.w[2] = img.size.height;
  const uint8_t first = img.pixels.empty() ? 0 : img.pixels[0];
  o.w[3] = first;
  const media::Rgb& c = img.palette[first];
  o.w[4] = static_cast<int32_t>(uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b);
}

void load_counter(Object& o, const std::string& path) {
  o.w[0] = static_cast<int32_t>(kTagCounter);
  const uint32_t addr = store_image(read_or(path, "counters/default_.pcx"));
  if (!addr) return;
  const ImageBlock& b = *core::at<ImageBlock>(addr);
  o.w[1] = static_cast<int32_t>(addr);
  o.w[2] = texture_of(b);
  // Glyphs are runs of columns holding ink, left to right; a strip without
  // gaps is cut into 13 equal glyphs.
  int found = 0;
  for (int x = 0; x < b.width && found < kCounterGlyphs;) {
    auto ink = [&](int col) {
      for (int y = 0; y < b.height; ++y)
        if (b.pixels[y * b.width + col]) return true;
      return false;
    };
    if (!ink(x)) {
      ++x;
      continue;
    }
    const int start = x;
    while (x < b.width && ink(x)) ++x;
    o.w[3 + found++] = start | (x - start) << 16;
  }
  if (found < kCounterGlyphs) {
    const int w = b.width / kCounterGlyphs;
    for (int g = 0; g < kCounterGlyphs; ++g) o.w[3 + g] = g * w | w << 16;
  }
}

void load_flat(Object& o, const std::string& path, int alpha_mode) {
  const media::TextureSource src = media::open_texture(path, core::state().folders.data + "error.pcx");
  if (src.fallback) core::file_warning(path, "a PCX image with sides that are powers of two", "data/error.pcx");
  const size_t words = media::texture_words(src);
  const uint32_t addr = words <= (16u << 20) ? work_alloc(static_cast<uint32_t>(words * 4)) : 0;
  o.w[0] = static_cast<int32_t>(kTagFlat);
  if (!addr) return;
  uint32_t* pixels = core::at<uint32_t>(addr);
  const media::TextureRecord t = media::build_texture(
      src, alpha_mode ? media::AlphaMode::colour_key : media::AlphaMode::brightness, {pixels, words});
  o.w[1] = static_cast<int32_t>(addr);
  o.w[2] = t.width;
  o.w[3] = t.height;
  o.w[4] = 4;
  o.w[5] = t.log2_width;
  // The scene takes 0xAABBGGRR texels.
  std::vector<uint32_t> rgba(words);
  for (size_t i = 0; i < words; ++i) {
    const uint32_t p = pixels[i];
    rgba[i] = (p & 0xFF00FF00u) | (p & 0xFF) << 16 | (p >> 16 & 0xFF);
  }
  o.w[6] = t.width > 0 ? platform::texture_create(rgba.data(), t.width, t.height) : -1;
}

}  // namespace engine
