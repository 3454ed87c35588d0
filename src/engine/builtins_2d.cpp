// Built-ins of the 2D layers: frames, sprites, counters, backgrounds, the
// overlay text and the frame animation rows.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "brain/bind.h"
#include "core/element_state.h"
#include "core/state.h"
#include "core/strings.h"
#include "engine/builtins.h"
#include "engine/draw.h"
#include "engine/hooks.h"
#include "engine/images2d.h"
#include "engine/objects.h"
#include "engine/scene_load.h"
#include "engine/state.h"
#include "media/bmp.h"
#include "media/device.h"
#include "media/input.h"
#include "media/overlay.h"
#include "platform/blit.h"
#include "platform/gl_device.h"
#include "platform/scene.h"

namespace engine {

namespace {

using core::ElementState;

constexpr int32_t kTrue = -1;


int32_t frame_refresh(int32_t a1) {
  if (ElementState* st = core::element_at(a1); current_object_of(st, kTagFrame)) st->w[core::kExtent] = 4;
  return 0;
}

int32_t frame_refresh_all() {
  for (int e = 0; e < state().scene.element_count; ++e) {
    ElementState& st = *core::element_state(e);
    if (core::on_and_shown(st) && current_object_of(&st, kTagFrame)) st.w[core::kExtent] = 4;
  }
  return 0;
}

int32_t sprite_clip_set(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5) {
  if (ElementState* st = core::element_at(a1)) {
    st->w[core::kExtent] = a2;
    st->w[core::kExtent + 1] = a3;
    st->w[core::kExtent + 2] = a4;
    st->w[core::kExtent + 3] = a5;
  }
  return 0;
}

template <int Word>
int32_t extent_word(int32_t a1) {
  const ElementState* st = core::element_at(a1);
  return st ? st->w[core::kExtent + Word] : 0;
}

template <int Word>
int32_t sprite_dim(int32_t a1) {
  const ElementState* st = core::element_at(a1);
  const Object* o = current_object_of(st, kTagSprite);
  return o ? o->w[Word] : 0;
}

// The mouse on one of the sprite's opaque pixels, inside its clip rectangle.
int32_t sprite_picked(int32_t a1) {
  const ElementState* st = core::element_at(a1);
  const Object* sprite = current_object_of(st, kTagSprite);
  if (!sprite || !core::on_and_shown(*st)) return 0;
  const Object& o = *sprite;
  const int32_t mx = media::input().mouse_x, my = media::input().mouse_y;
  const int32_t* clip = &st->w[core::kExtent];
  if (mx < clip[0] || mx > clip[2] || my < clip[1] || my > clip[3]) return 0;
  const int64_t lx = int64_t(mx) - st->w[core::kPosition], ly = int64_t(my) - st->w[core::kPosition + 1];
  if (o.w[2] == 0 || lx < 0 || ly < 0 || lx >= o.w[3] || ly >= o.w[4]) return 0;
  const Run* runs = core::at<Run>(static_cast<uint32_t>(o.w[2]));
  for (int32_t i = 0; i < o.w[5]; ++i)
    if (runs[i].y == ly && lx >= runs[i].x && lx < runs[i].x + runs[i].length) return kTrue;
  return 0;
}

// The mouse inside the area the counter's glyphs cover.
int32_t counter_picked(int32_t a1) {
  const ElementState* st = core::element_at(a1);
  const Object* counter = current_object_of(st, kTagCounter);
  if (!counter || !core::on_and_shown(*st)) return 0;
  const Object& o = *counter;
  const ImageBlock* b = image_block(o);
  if (!b) return 0;
  int64_t width = 0;
  for (int g = 0; g < kCounterGlyphs; ++g) width = std::max<int64_t>(width, o.w[3 + g] >> 16 & 0xFFFF);
  int64_t glyphs = st->w[core::kExtent + 2] != 0 ? 1 : 0;
  for (int64_t g = std::max(st->w[core::kExtent], 1); g >= 1; g /= 10) glyphs += 1 + (g == st->w[core::kExtent + 1]);
  const int32_t mx = media::input().mouse_x, my = media::input().mouse_y;
  const int64_t x = st->w[core::kPosition], y = st->w[core::kPosition + 1];
  return mx >= x && mx < x + glyphs * width && my >= y && my < y + b->height ? kTrue : 0;
}

int32_t translucent(int32_t a1, int32_t a2) {
  if (ElementState* st = core::element_at(a1))
    st->w[core::kFlags] = (st->w[core::kFlags] & ~core::kFlagTranslucent) | ((a2 & 1) ? core::kFlagTranslucent : 0);
  return 0;
}

// Elements: flag bit 6; run-time X frames: their render-enable bit.
int32_t show(int32_t a1) {
  if (ElementState* st = core::element_at(a1))
    st->w[core::kFlags] |= core::kFlagShown;
  else
    xobject_show(a1, true);
  return 0;
}

int32_t hide(int32_t a1) {
  if (ElementState* st = core::element_at(a1))
    st->w[core::kFlags] &= ~core::kFlagShown;
  else
    xobject_show(a1, false);
  return 0;
}

// Fills the tool screen with one palette colour and shows it at once.
int32_t flash(int32_t a1) {
  std::memset(core::state().pools.tool_screen.bytes(), a1 & 255, core::state().pools.tool_screen.size);
  const bool hidden = media::hide_pointer(true);
  media::present_tool_screen();
  media::hide_pointer(hidden);
  return 0;
}

int32_t clear() {
  media::clear_display();
  return 0;
}

int32_t render() {
  if (hooks().draw_frame) hooks().draw_frame();
  return 0;
}

int32_t background_color(int32_t a1) {
  const ElementState* st = core::element_at(a1);
  const Object* o = current_object_of(st, kTagBackground);
  return o ? o->w[3] : 0;
}

// Frame animation: the phase advances by speed; every 256 units move the
// current object within first..last (1-based), wrapping.
int32_t animate(int32_t a1, int32_t a2, int32_t a3, int32_t a4) {
  ElementState* st = core::element_at(a1);
  if (!st) return 0;
  int32_t first = a2, last = a3, speed = a4;
  if (speed < 0) {
    std::swap(first, last);
  }
  const int32_t count = st->w[core::kFrameCount];
  if (count <= 0) return 0;
  first = std::clamp(first, 1, count);
  last = std::clamp(last, 1, count);
  int64_t phase = int64_t(st->w[core::kAnimationPhase]) + speed;
  const int64_t steps = phase >> 8;
  phase &= 255;
  st->w[core::kAnimationPhase] = static_cast<int32_t>(phase);
  if (steps == 0) return 0;
  const int32_t lo = std::min(first, last), hi = std::max(first, last), n = hi - lo + 1;
  int64_t frame = int64_t(st->w[core::kCurrentObject]) - st->w[core::kFirstObject] + 1;
  if (frame < lo || frame > hi) frame = speed < 0 ? hi : lo;
  frame = lo + ((frame - lo + steps) % n + n) % n;
  st->w[core::kCurrentObject] = st->w[core::kFirstObject] + static_cast<int32_t>(frame) - 1;
  return 0;
}

int32_t animation_frame(int32_t a1) {
  const ElementState* st = core::element_at(a1);
  return st ? st->w[core::kCurrentObject] - st->w[core::kFirstObject] + 1 : 0;
}

int32_t animation_frame_set(int32_t a1, int32_t a2) {
  ElementState* st = core::element_at(a1);
  if (st && a2 >= 1 && a2 <= st->w[core::kFrameCount]) st->w[core::kCurrentObject] = st->w[core::kFirstObject] + a2 - 1;
  return 0;
}

int32_t last_animation_frame(int32_t a1) {
  const ElementState* st = core::element_at(a1);
  return st ? st->w[core::kFrameCount] : 0;
}

int32_t print(int32_t a1, int32_t a2, int32_t a3, int32_t a4) {
  const std::string_view text = core::string_arg(a1);
  if (a1 >= 0 && a1 < static_cast<int32_t>(core::kHandleCount) && !core::handle_entry(a1)) return 0;
  char buffer[1024];
  const size_t n = std::min(text.size(), sizeof buffer - 1);
  if (n) std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  media::overlay_colour(state().drawing.text_colour);
  media::overlay_position(a3, a4);
  media::overlay_text(buffer, a2);
  return 0;
}

int32_t print_num(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5) {
  media::overlay_colour(state().drawing.text_colour);
  media::overlay_position(a4, a5);
  media::overlay_number(a1, a2, a3);
  return 0;
}

int32_t font_set(int32_t a1, int32_t a2, int32_t a3, int32_t a4) {
  const std::string face(core::string_arg(a1));
  media::overlay_font_set(face.c_str(), a2, a3, a4);
  return 0;
}

int32_t color_set(int32_t a1, int32_t a2, int32_t a3) {
  state().drawing.text_colour = (a1 & 255) | (a2 & 255) << 8 | (a3 & 255) << 16;
  return 0;
}

// A bitmap stretched over the whole frame; a missing one clears the display.
int32_t bmp_show(int32_t a1) {
  const std::string path = program_path(std::string(core::string_arg(a1)));
  media::Bitmap bitmap;
  if (media::load_bmp(path, bitmap) != media::BmpResult::ok) {
    media::clear_display();
    return 0;
  }
  show_bitmap(bitmap);
  return 0;
}

}  // namespace

void show_bitmap(const media::Bitmap& bitmap) {
  if (bitmap.pixels.empty()) return;
  std::vector<uint32_t> rgba(bitmap.pixels.size());
  for (size_t i = 0; i < rgba.size(); ++i) {
    const uint32_t p = bitmap.pixels[i];
    rgba[i] = 0xFF000000u | (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF);
  }
  const int t = platform::texture_create(rgba.data(), bitmap.width, bitmap.height);
  platform::frame_blit_full(t);
  platform::frame_present();
  platform::texture_delete(t);
}

void bind_2d_builtins() {
  brain::bind<frame_refresh>("frame_refresh");
  brain::bind<frame_refresh_all>("frame_refresh_all");
  brain::bind<sprite_clip_set>("sprite_clip_set");
  brain::bind<extent_word<0>>("sprite_clip_x1");
  brain::bind<extent_word<1>>("sprite_clip_y1");
  brain::bind<extent_word<2>>("sprite_clip_x2");
  brain::bind<extent_word<3>>("sprite_clip_y2");
  brain::bind<sprite_dim<3>>("sprite_dim_x");
  brain::bind<sprite_dim<4>>("sprite_dim_y");
  brain::bind<sprite_picked>("sprite_picked");
  brain::bind<counter_picked>("counter_picked");
  brain::bind<translucent>("translucent");
  brain::bind<show>("show");
  brain::bind<hide>("hide");
  brain::bind<flash>("flash");
  brain::bind<clear>("clear");
  brain::bind<render>("render");
  brain::bind<background_color>("background_color");
  brain::bind<animate>("animate");
  brain::bind<animation_frame>("animation_frame");
  brain::bind<animation_frame_set>("animation_frame_set");
  brain::bind<last_animation_frame>("last_animation_frame");
  brain::bind<print>("print");
  brain::bind<print_num>("print_num");
  brain::bind<font_set>("font_set");
  brain::bind<color_set>("color_set");
  brain::bind<bmp_show>("bmp_show");
}

}  // namespace engine
