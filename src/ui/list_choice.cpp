// A choice from a list of texts (the list_box built-in).
#include <algorithm>

#include "media/input.h"
#include "ui/dialogs.h"
#include "ui/events.h"
#include "ui/screen.h"
#include "ui/text_fit_local.h"

namespace ui {

namespace {

constexpr int32_t kEscape = 1, kEnter = 28, kUp = 72, kDown = 80, kPageUp = 73, kPageDown = 81, kHome = 71, kEnd = 79;
constexpr int32_t kRows = 16;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

}  // namespace

int32_t list_choice(std::string_view title, const std::vector<std::string>& entries, int32_t selected) {
  const auto n = static_cast<int32_t>(std::min<size_t>(entries.size(), 1u << 20));
  if (n == 0) return -1;
  int32_t widest = text_width(title);
  for (int32_t i = 0; i < n; ++i) widest = std::max(widest, text_width(entries[static_cast<size_t>(i)]));
  const int32_t row = std::max(font_height() + 4, 8);
  const int32_t rows = std::min(n, kRows);
  const int32_t w = std::clamp(widest + 60, 240, kScreenWidth - 40);
  const int32_t left = (kScreenWidth - w) / 2;
  const int32_t top = (kScreenHeight - rows * row) / 2 + 12;
  const Rect list{left, top, left + w - 18, top + rows * row - 1};
  const Rect scroll{left + w - 12, top, left + w - 2, list.bottom};

  clear_screen();
  draw_panel({left - 12, top - 36, left + w + 12, list.bottom + 16}, true);
  set_text_colour(colour(Colour::field_back));
  draw_centred_text(fit_end(title, w - 80), kScreenWidth / 2, top - 24);
  button_frame({list.left - 4, list.top - 4, list.right + 5, list.bottom + 5}, true);
  button_frame({scroll.left - 4, scroll.top - 4, scroll.right + 5, scroll.bottom + 5}, true);

  int32_t current = std::clamp(selected, 0, n - 1);
  int32_t first = std::clamp(current - rows / 2, 0, n - rows);
  auto draw = [&] {
    fill(list, colour(Colour::field_back));
    fill(scroll, colour(Colour::field_back));
    for (int32_t r = 0; r < rows; ++r) {
      const int32_t i = first + r;
      const int32_t y = list.top + r * row;
      if (i == current) fill({list.left, y, list.right, y + row - 1}, colour(Colour::title));
      set_text_colour(i == current ? colour(Colour::field_back) : colour(Colour::field_text));
      draw_text(fit_end(entries[static_cast<size_t>(i)], list.right - list.left - 8), list.left + 4,
                y + (row - glyph_height()) / 2);
    }
    const int32_t thumb = n > rows ? scroll.top + (scroll.bottom - scroll.top - 5) * first / (n - rows) : scroll.top;
    fill({scroll.left + 2, thumb, scroll.right - 2, n > rows ? thumb + 5 : scroll.bottom}, colour(Colour::button));
  };
  auto show = [&](int32_t i) {
    current = std::clamp(i, 0, n - 1);
    if (current < first) first = current;
    if (current >= first + rows) first = current - rows + 1;
    draw();
  };
  draw();
  wait_begin();
  int32_t answer = -1;
  while (true) {
    const Event e = wait_event();
    if (e.scancode == kEscape || (e.pressed & 2)) break;
    if (e.scancode == kEnter) {
      answer = current;
      break;
    }
    if (e.scancode == kUp) show(current - 1);
    if (e.scancode == kDown) show(current + 1);
    if (e.scancode == kPageUp) show(current - (rows - 1));
    if (e.scancode == kPageDown) show(current + (rows - 1));
    if (e.scancode == kHome) show(0);
    if (e.scancode == kEnd) show(n - 1);
    if (e.ch > 32 && e.ch < 127) {
      for (int32_t k = 1; k <= n; ++k) {
        const int32_t i = (current + k) % n;
        const std::string& s = entries[static_cast<size_t>(i)];
        if (!s.empty() && lower(s[0]) == lower(static_cast<char>(e.ch))) {
          show(i);
          break;
        }
      }
    }
    if (e.pressed & 1) {
      if (button_under_mouse() == kCloseBox) break;
      if (list.contains(e.x, e.y) && first + (e.y - list.top) / row < n) {
        answer = first + (e.y - list.top) / row;
        break;
      }
      if (scroll.contains(e.x, e.y)) {
        first = std::clamp(first + (e.y < scroll.top + (scroll.bottom - scroll.top) / 2 ? -(rows - 1) : rows - 1), 0,
                           n - rows);
        current = std::clamp(current, first, first + rows - 1);
        draw();
      }
    }
  }
  clear_screen();
  clear_display();
  media::wait_release();
  return answer;
}

}  // namespace ui
