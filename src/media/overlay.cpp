#include "media/overlay.h"

#include <cstdio>
#include <cstring>

#include "media/font.h"
#include "media/state_local.h"
#include "platform/gl_device.h"
#include "platform/text.h"

namespace media {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

Overlay& overlay() { return state().overlay; }

void add(int32_t code, int32_t a, int32_t b, int32_t c) {
  Overlay& o = overlay();
  if (o.count >= kOverlayCommands) return;  // a full list drops further text
  o.commands[o.count++] = {code, a, b, c};
}

int32_t clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

// The strip the debug value is drawn on, and its two colours.
constexpr int kDebugWidth = 240, kDebugHeight = 24, kDebugMargin = 4;
uint8_t debug_strip[kDebugWidth * kDebugHeight];
constexpr uint32_t kDebugPalette[256] = {0xFF000000u, 0xFFFFFFFFu};

}  // namespace

void overlay_clear() {
  overlay().count = 0;
  overlay().text_used = 0;
}

void overlay_position(int32_t x, int32_t y) { add(0, x, y, 0); }

void overlay_text(const char* text, int32_t font) {
  Overlay& o = overlay();
  const int len = static_cast<int>(std::strlen(text));
  if (o.count >= kOverlayCommands || o.text_used + len + 1 > kOverlayTextBytes) return;
  std::memcpy(o.text + o.text_used, text, static_cast<size_t>(len) + 1);
  add(1, o.text_used, font, 0);
  o.text_used += len + 1;
}

void overlay_colour(int32_t colour) { add(2, colour, 0, 0); }

void overlay_number(int32_t value, int32_t decimals, int32_t font) { add(3, value, decimals, font); }

int format_number(char* out, int size, int32_t value, int32_t decimals) {
  decimals = clamp(decimals, 0, 9);
  double v = value;
  for (int i = 0; i < decimals; ++i) v /= 10.0;
  return std::snprintf(out, static_cast<size_t>(size), "%.*f", decimals, v);
}

void overlay_draw() {
  const Overlay& o = overlay();
  uint32_t colour = kWhite;
  int32_t x = 0, y = 0;
  char number[64];
  for (int i = 0; i < o.count; ++i) {
    const OverlayCommand& c = o.commands[i];
    switch (c.code) {
      case 0:
        x = c.a;
        y = c.b;
        break;
      case 1: platform::text_draw(clamp(c.b, 0, platform::kFontSlots - 1), o.text + c.a, x, y, colour); break;
      case 2: colour = static_cast<uint32_t>(c.a) & 0xFFFFFF; break;
      case 3:
        format_number(number, sizeof number, c.a, c.b);
        platform::text_draw(clamp(c.c, 0, platform::kFontSlots - 1), number, x, y, colour);
        break;
      default: break;
    }
  }
}

void draw_debug_value(int32_t value) {
  const Font& font = state().tool_font;
  char text[32];
  std::snprintf(text, sizeof text, "Debug: %d", value);
  const int32_t width = clamp(text_width(font, text) + 2 * kDebugMargin, 1, kDebugWidth);
  const int32_t height = clamp(font_height(font) + 2 * kDebugMargin, 1, kDebugHeight);
  std::memset(debug_strip, 0, sizeof debug_strip);
  draw_text(font, {debug_strip, width, height, width}, text, {kDebugMargin, kDebugMargin}, 1);
  platform::frame_draw_indexed(debug_strip, width, height, kDebugPalette,
                               platform::frame_width() - width - kDebugMargin,
                               platform::frame_height() - height - kDebugMargin, width, height);
}

void overlay_fonts_reset() {
  for (int i = 0; i < platform::kFontSlots; ++i) platform::font_slot_set(i, "Arial", 28, 400);
}

void overlay_font_set(const char* face, int32_t weight, int32_t index, int32_t height) {
  platform::font_slot_set(clamp(index, 0, platform::kFontSlots - 1), face, height, clamp(weight, 0, 1000));
}

}  // namespace media
