#include "engine/draw.h"

#include <algorithm>
#include <cstdio>

#include "brain/state.h"
#include "core/element_state.h"
#include "engine/hooks.h"
#include "engine/images2d.h"
#include "engine/objects.h"
#include "engine/sounds.h"
#include "engine/state.h"
#include "media/device.h"
#include "media/input.h"
#include "media/overlay.h"
#include "platform/blit.h"
#include "platform/gl_device.h"

namespace engine {

namespace {

platform::Rect screen() { return {0, 0, platform::frame_width() - 1, platform::frame_height() - 1}; }

void draw_frame_image(core::ElementState& st, const Object& o) {
  int32_t& redraw = st.w[core::kExtent];
  if (media::current_display_mode() != 1 || redraw <= 0) return;
  --redraw;
  platform::frame_blit(o.w[2], 0, 0, 640, 480, 0, 0, screen(), false);
}

void draw_sprite(const core::ElementState& st, const Object& o) {
  platform::Rect clip = screen();
  if (state().drawing.sprite_clipping) {
    const int32_t* x = &st.w[core::kExtent];
    clip = {std::max(clip.x1, x[0]), std::max(clip.y1, x[1]), std::min(clip.x2, x[2]), std::min(clip.y2, x[3])};
  }
  platform::frame_blit(o.w[6], 0, 0, o.w[3], o.w[4], st.w[core::kPosition], st.w[core::kPosition + 1], clip,
                       (st.w[core::kFlags] & core::kFlagTranslucent) != 0);
}

}  // namespace

void draw_counter(const core::ElementState& st, const Object& o) {
  const ImageBlock* b = image_block(o);
  if (!b) return;
  const int32_t x0 = st.w[core::kPosition], y = st.w[core::kPosition + 1];
  const int w = platform::frame_width(), h = platform::frame_height();
  if (x0 < 0 || x0 >= w || y < 0 || y >= h || int64_t(y) + b->height > h) return;
  int64_t x = x0;
  auto glyph = [&](int g) {
    const int32_t span = o.w[3 + g];
    const int start = span & 0xFFFF, width = span >> 16 & 0xFFFF;
    platform::frame_blit(o.w[2], start, 0, width, b->height, static_cast<int>(x), y, screen(), false);
    x += width;
  };
  const int32_t digits = st.w[core::kExtent], point = st.w[core::kExtent + 1], sign = st.w[core::kExtent + 2];
  const int32_t credits = st.w[core::kCredits];
  if (sign != 0) glyph(credits < 0 ? 11 : 10);
  int64_t value = credits < 0 ? -int64_t(credits) : credits;
  for (int64_t g = digits > 0 ? digits : 1; g >= 1 && x < w; g /= 10) {
    const int64_t digit = value / g;
    // A leading quotient above 9 is shown with all its digits.
    if (digit > 9) {
      char text[24];
      const int n = std::snprintf(text, sizeof text, "%lld", static_cast<long long>(digit));
      for (int i = 0; i < n; ++i) glyph(text[i] - '0');
    } else {
      glyph(static_cast<int>(digit));
    }
    value %= g;
    if (g == point) glyph(12);
  }
}

void draw_frame() {
  if (!media::window_active()) return;
  State& s = state();
  for (int e = 0; e < s.scene.element_count; ++e) {
    core::ElementState& st = *core::element_state(e);
    const int index = current_object(st);
    if (index < 0 || !core::on_and_shown(st)) continue;
    const Object* o = objects() + index;
    const uint32_t t = static_cast<uint32_t>(o->w[0]);
    if (t == kTagFrame) draw_frame_image(st, *o);
    // From 3D-background mode 2 on, the cameras' viewports are filled instead.
    if (t == kTagBackground && s.views.background3d_mode < 2) {
      const int32_t* x = &st.w[core::kExtent];
      platform::frame_fill({x[0], x[1], x[2], x[3]}, static_cast<uint32_t>(o->w[4]));
    }
  }

  // The 3D views of the cameras go here.
  if (hooks().draw_views) hooks().draw_views();

  for (int e = 0; e < s.scene.element_count; ++e) {
    const core::ElementState& st = *core::element_state(e);
    const int index = current_object(st);
    if (index < 0 || !core::on_and_shown(st)) continue;
    const Object* o = objects() + index;
    const uint32_t t = static_cast<uint32_t>(o->w[0]);
    if (t == kTagCounter) draw_counter(st, *o);
    if (t == kTagSprite) draw_sprite(st, *o);
  }
  media::overlay_draw();
  const brain::State& b = brain::state();
  if (b.debug_shown) media::draw_debug_value(b.debug_value);
  if (!s.loop.first_frame) platform::frame_present();
  update_sounds();
}

}  // namespace engine
