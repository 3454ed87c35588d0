#include "ui/dialogs.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "media/input.h"
#include "ui/events.h"
#include "ui/screen.h"
#include "ui/state_local.h"

namespace ui {

namespace {

constexpr int32_t kEscape = 1, kBackspace = 14, kEnter = 28, kHome = 71, kLeft = 75, kRight = 77, kEnd = 79,
                  kDelete = 83;
constexpr int kMaxItems = 64;

void finish() {
  clear_screen();
  clear_display();
  media::wait_release();
}

// The number a function key chooses in a menu, or 0.
int32_t function_key_item(int32_t scancode) {
  if (scancode >= 59 && scancode <= 68) return scancode - 58;
  if (scancode == 69) return 11;
  if (scancode >= 84 && scancode <= 88) return scancode - 73;
  return 0;
}

bool allowed(InputStyle style, const std::string& text, size_t cursor, int32_t ch) {
  switch (style) {
    case InputStyle::number:
      return (ch >= '0' && ch <= '9') || (ch == '-' && cursor == 0 && text.find('-') == std::string::npos);
    case InputStyle::file_name:
      return std::string_view("/\\:*?\"<>|").find(static_cast<char>(ch)) == std::string_view::npos;
    case InputStyle::text:
    case InputStyle::hidden: break;
  }
  return true;
}

// A frame of one-pixel lines: `light` on the top and left, `dark` on the
// bottom and right (a raised frame; swapped, a sunken one).
void bevel(Rect r, uint8_t light, uint8_t dark) {
  line(r.left, r.top, r.right, r.top, light);
  line(r.left, r.top, r.left, r.bottom, light);
  line(r.left, r.bottom, r.right, r.bottom, dark);
  line(r.right, r.top, r.right, r.bottom, dark);
}

}  // namespace

int32_t menu(std::string_view items) {
  std::string_view names[kMaxItems];
  const int32_t h = font_height();
  // Items that would not fit on the screen are left out.
  const int fit = std::clamp((kScreenHeight - 48) / std::max(h + 9, 1), 1, kMaxItems);
  const int n = split_lines(items, names, fit);
  clear_screen();
  const int32_t left = (kScreenWidth - 500) / 2, top = (kScreenHeight - n * (h + 9)) / 2;
  draw_panel({left - 8, top - 32, left + 508, top + n * (h + 9) + 8}, true);
  int index[kMaxItems];
  set_text_colour(colour(Colour::menu_label));
  for (int i = 0; i < n; ++i) {
    const int32_t y = top + i * (h + 9);
    index[i] = add_button({left, y, left + 500, y + h + 8}, false);
    button_label(names[i], index[i]);
  }
  wait_begin();
  int32_t chosen = -1;
  while (chosen < 0) {
    const Event e = wait_event();
    if (e.scancode == kEscape) {
      chosen = 0;
    } else if (const int32_t k = function_key_item(e.scancode)) {
      chosen = k;
    } else if (e.pressed & 1) {
      const int hit = button_under_mouse();
      if (hit == kCloseBox) chosen = 0;
      for (int i = 0; i < n; ++i)
        if (hit >= 0 && hit == index[i]) chosen = i + 1;
    }
  }
  finish();
  return chosen;
}

std::string input_box(int32_t min_width, std::string_view initial, std::string_view prompt, InputStyle style,
                      bool* confirmed) {
  if (confirmed) *confirmed = false;
  const std::string wrapped = word_wrap(prompt);
  std::string_view lines[kMaxItems];
  const int32_t f = std::max(font_height() / 2, 1);
  const int32_t h = (kScreenHeight - 8 * f) / 2;
  // Prompt lines that would leave the screen are left out.
  const int n = split_lines(wrapped, lines, std::clamp((h - 24) / (2 * f), 1, kMaxItems));
  int32_t widest = 0;
  for (int i = 0; i < n; ++i) {
    while (!lines[i].empty() && lines[i].back() == ' ') lines[i].remove_suffix(1);
    widest = std::max(widest, text_width(lines[i]));
  }
  int32_t a = min_width;
  if (widest > a) a = widest + 64;
  a = std::clamp(a, 128, kScreenWidth - 16);
  const int32_t left = (kScreenWidth - a) / 2, prompt_top = h - 2 * f * n;

  clear_screen();
  draw_panel({left, prompt_top - 16, left + a, h + 8 * f}, true);
  set_text_colour(colour(Colour::message));
  for (int i = 0; i < n; ++i) draw_centred_text(lines[i], kScreenWidth / 2, prompt_top + 2 * f * i + 30);
  button_frame({left + 8, h + 5 * f - 4, left + a - 12, h + 7 * f}, true);
  const Rect field{left + 12, h + 5 * f, left + a - 16, h + 7 * f - 4};
  const int32_t text_x = left + 16, text_right = left + a - 17;
  const int32_t gh = glyph_height();
  const int32_t text_y = (field.top + field.bottom) / 2 - gh / 2 - 1;
  const int32_t limit = a - average_char_width() - 32;

  std::string text(initial);
  size_t cursor = text.size();
  auto shown = [&](std::string_view t) {
    return style == InputStyle::hidden ? std::string(t.size(), '*') : std::string(t);
  };
  auto redraw = [&] {
    fill(field, colour(Colour::field_back));
    set_text_colour(colour(Colour::field_text));
    const std::string s = shown(text);
    draw_text_clipped(s, text_x, text_y, text_right);
    // The cursor: a line under the character after it, or under a space.
    const int32_t x0 = text_x + text_width(std::string_view(s).substr(0, cursor));
    const int32_t w = cursor < s.size() ? text_width(std::string_view(s).substr(cursor, 1)) : text_width(" ");
    const int32_t y = std::min(text_y + gh + 1, field.bottom);
    if (x0 <= text_right) line(x0, y, std::min(x0 + std::max(w, 2) - 1, text_right), y, colour(Colour::field_text));
  };
  redraw();
  wait_begin();
  while (true) {
    const Event e = wait_event();
    if (e.scancode == kEnter) {
      if (confirmed) *confirmed = true;
      break;
    }
    if (e.scancode == kEscape || (e.pressed & 2)) break;
    bool changed = false;
    if (e.pressed & 1) {
      if (button_under_mouse() == kCloseBox) break;
      if (e.x > text_x && e.x < left + a - 16 && e.y >= field.top - 4 && e.y <= field.bottom + 4) {
        const std::string s = shown(text);
        size_t k = 0;
        while (k < s.size() && text_width(std::string_view(s).substr(0, k + 1)) <= e.x - text_x) ++k;
        cursor = k;
        changed = true;
      }
    }
    switch (e.scancode) {
      case kBackspace:
        if (cursor > 0) text.erase(--cursor, 1);
        changed = true;
        break;
      case kDelete:
        if (cursor < text.size()) text.erase(cursor, 1);
        changed = true;
        break;
      case kHome: cursor = 0, changed = true; break;
      case kEnd: cursor = text.size(), changed = true; break;
      case kLeft:
        if (cursor > 0) --cursor;
        changed = true;
        break;
      case kRight:
        if (cursor < text.size()) ++cursor;
        changed = true;
        break;
      default:
        // Typed text may come without a scan code of its own.
        if (e.ch >= 32 && allowed(style, text, cursor, e.ch)) {
          std::string next = text;
          next.insert(cursor, 1, static_cast<char>(e.ch));
          if (text_width(shown(next)) < limit) {
            text = std::move(next);
            ++cursor;
            changed = true;
          }
        }
        break;
    }
    if (changed) redraw();
  }
  finish();
  return text;
}

int32_t colour_picker(int32_t current) {
  const uint8_t white = nearest_colour(255, 255, 255), grey = nearest_colour(171, 171, 171),
                dark = nearest_colour(69, 69, 69);
  clear_screen();
  fill({184, 104, 455, 375}, grey);
  bevel({184, 104, 455, 375}, white, dark);
  for (int32_t i = 0; i < 256; ++i) {
    const int32_t c = i / 16, r = i % 16;
    const Rect frame{192 + 16 * c, 112 + 16 * r, 206 + 16 * c, 126 + 16 * r};
    if (i == current)
      bevel(frame, dark, white);
    else
      bevel(frame, white, dark);
    fill({195 + 16 * c, 115 + 16 * r, 203 + 16 * c, 123 + 16 * r}, i);
  }
  auto under = [](int32_t x, int32_t y) {
    return x > 192 && x < 448 && y > 112 && y < 368 ? ((x - 192) / 16) * 16 + (y - 112) / 16 : -1;
  };
  wait_begin();
  int32_t shown = -2, result = current;
  while (true) {
    const Event e = wait_event();
    const int32_t index = under(e.x, e.y);
    if (index != shown) {
      fill({200, 390, 440, 410}, 0);
      if (index >= 0) {
        set_text_colour(white);
        draw_text("Color code: " + std::to_string(index), 270, 390);
      }
      shown = index;
    }
    if (e.scancode == kEscape) break;
    if (e.pressed) {
      if ((e.pressed & 1) && index >= 0) result = index;
      break;
    }
  }
  finish();
  return result;
}

void display_area_setter(int32_t area[4]) {
  int32_t& l = area[0];
  int32_t& t = area[1];
  int32_t& r = area[2];
  int32_t& b = area[3];
  clear_screen();
  set_text_colour(255);
  draw_centred_text("Drag UpLeft/DnRight corners to set the active display area", 320, 403);
  wait_begin(true);
  while (true) {
    // On the screen: at most 639 and 479, and (so that a value read from a
    // damaged record cannot run the corner arithmetic past the integer
    // range) at least 0.
    l = std::clamp(l, 0, 639);
    r = std::clamp(r, 0, 639);
    t = std::clamp(t, 0, 479);
    b = std::clamp(b, 0, 479);
    fill({200, 434, 440, 450}, 0);
    char text[96];
    std::snprintf(text, sizeof text, "%d,%d/%d,%d (%lldx%lld)", l, t, r, b, static_cast<long long>(r) - l + 1,
                  static_cast<long long>(b) - t + 1);
    set_text_colour(255);
    draw_centred_text(text, 320, 442);
    const Rect shown{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
    xor_outline(shown, 255);
    Event e;
    do {
      e = wait_event();
    } while (e.buttons == 0 && e.scancode != kEscape);
    if (e.scancode == kEscape) {
      clear_display();
      xor_outline(shown, 255);
      break;
    }
    const int64_t px = int64_t{e.x} + 1, py = int64_t{e.y} + 1;
    const int64_t to_top_left = (px - l) * (px - l) + (py - t) * (py - t);
    const int64_t to_bottom_right = (px - r) * (px - r) + (py - b) * (py - b);
    if (to_bottom_right < to_top_left) {
      r = (e.x & ~7) - 1;
      b = (e.y & ~7) - 1;
      if (r < l) r = l + 7;
      if (b < t) b = t + 7;
    } else {
      l = e.x & ~7;
      t = e.y & ~7;
      if (l > r) l = r - 7;
      if (t > b) t = b - 7;
    }
    xor_outline(shown, 255);
  }
  state().stretched = false;
}

}  // namespace ui
