#include "ui/boxes.h"

#include <algorithm>
#include <string>

#include "media/device.h"
#include "media/input.h"
#include "ui/events.h"
#include "ui/state_local.h"

namespace ui {

namespace {

constexpr int kMaxBoxLines = 64;
// A notice box is at least this wide, so that its title bar holds the title
// graphic and the minimise and close boxes.
constexpr int32_t kMinNoticeWidth = 176;
constexpr int32_t kMaxNoticeWidth = kScreenWidth - 16;
// The colour the input field of the tools is cleared with.
constexpr int32_t kInputFieldColour = 210;

constexpr int32_t kEnter = 28, kDelete = 83;

int32_t floor4(int32_t v) { return v & ~3; }

std::string_view trimmed(std::string_view line) {
  while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
  return line;
}

// The text of a box: word-wrapped, each line without its trailing blanks,
// a line still wider than the wrap width broken between characters, and at
// most `max_lines` lines (the last of them "..." when some are left out).
std::string box_text(std::string_view text, int max_lines) {
  const std::string wrapped = word_wrap(text);
  std::string out;
  int lines = 0;
  bool cut = false;
  auto add = [&](std::string_view line) {
    if (lines >= max_lines) {
      cut = true;
      return;
    }
    if (lines) out += '|';
    out.append(line);
    ++lines;
  };
  size_t at = 0;
  while (true) {
    const size_t bar = wrapped.find('|', at);
    std::string_view line = trimmed(std::string_view(wrapped).substr(at, bar == std::string::npos ? bar : bar - at));
    while (text_width(line) > kWrapWidth) {
      size_t n = 1;
      while (n < line.size() && text_width(line.substr(0, n + 1)) <= kWrapWidth) ++n;
      add(line.substr(0, n));
      line.remove_prefix(n);
    }
    add(line);
    if (bar == std::string::npos) break;
    at = bar + 1;
  }
  if (cut && max_lines > 0) {
    const size_t last = out.rfind('|');
    out.resize(last == std::string::npos ? 0 : last + 1);
    out += "...";
  }
  return out;
}

int32_t widest(const std::string_view* lines, int n) {
  int32_t w = 0;
  for (int i = 0; i < n; ++i) w = std::max(w, text_width(lines[i]));
  return w;
}

// Lines that a choice box of line height m holds on the screen with its
// title bar.
int choice_lines_that_fit(int32_t m) { return std::clamp((kScreenHeight - 32) / std::max(m, 1) - 4, 1, kMaxBoxLines); }

void draw_notice(std::string_view text) {
  const std::string shown = box_text(text, kMaxBoxLines);
  std::string_view lines[kMaxBoxLines];
  const int n = split_lines(shown, lines, kMaxBoxLines);
  clear_screen();
  set_text_colour(colour(Colour::message));
  if (n > 1) {
    const int32_t gh = glyph_height();
    const int32_t width = std::clamp(widest(lines, n) + 32, kMinNoticeWidth, kMaxNoticeWidth + 16);
    const int32_t height = (gh + 2) * (n + 3);
    const int32_t left = (kScreenWidth - width) / 2, top = (kScreenHeight - height) / 2;
    draw_panel({left, top - 16, left + width, top + height}, false);
    const int32_t first = top + gh + (gh + 2) / 2 + 4;
    for (int i = 0; i < n; ++i) draw_centred_text(lines[i], left + width / 2, first + i * (gh + 2));
  } else {
    const int32_t width = std::clamp(text_width(shown) * 3 / 2, kMinNoticeWidth, kMaxNoticeWidth);
    const int32_t left = (kScreenWidth - width) / 2, top = (kScreenHeight - 150) / 2;
    draw_panel({left, top - 16, left + width, top + 150}, false);
    draw_wrapped_text(shown, {left + 8, top + 24, left + width - 8, top + 134});
  }
  present();
}

void end_notice() {
  state().notice_shown = false;
  media::hide_pointer(false);
  clear_screen();
  clear_display();
}

}  // namespace

BoxLayout choice_box_layout(std::string_view text, std::string_view first, std::string_view second) {
  if (second.empty()) second = first;
  const int32_t m = font_height() + 6;
  const std::string shown = box_text(text, choice_lines_that_fit(m));
  std::string_view lines[kMaxBoxLines];
  const int n = split_lines(shown, lines, kMaxBoxLines);
  const int32_t w1 = text_width(first), w2 = text_width(second);
  int32_t inner = floor4(widest(lines, n)) + 4;
  const int32_t needed = floor4(w2) + floor4(w1) + 4 + 68;
  do {
    inner += 4;
  } while (inner <= needed);
  const int32_t width = inner + 32, height = m * (n + 4);
  const int32_t left = (kScreenWidth - width) / 4 * 2, top = (kScreenHeight - height) / 4 * 2;
  BoxLayout b;
  b.lines = n;
  b.panel = {left, top - 16, left + width, top + height};
  const int32_t row_top = top + m * (n + 2), row_bottom = top + m * (n + 3);
  b.buttons[0] = {left + 12, row_top, left + floor4(w1) + 4 + 24, row_bottom};
  b.buttons[1] = {left + inner - floor4(w2), row_top, left + inner + 16, row_bottom};
  return b;
}

BoxLayout draw_choice_box(std::string_view text, std::string_view first, std::string_view second) {
  if (second.empty()) second = first;
  const BoxLayout b = choice_box_layout(text, first, second);
  const int32_t m = font_height() + 6;
  const std::string shown = box_text(text, choice_lines_that_fit(m));
  std::string_view lines[kMaxBoxLines];
  const int n = split_lines(shown, lines, kMaxBoxLines);
  clear_screen();
  draw_panel(b.panel, false);
  const int left_button = add_button(b.buttons[0], false), right_button = add_button(b.buttons[1], false);
  set_text_colour(colour(Colour::label));
  button_label(first, left_button);
  button_label(second, right_button);
  set_text_colour(colour(Colour::message));
  const int32_t top = b.panel.top + 16, centre = b.panel.left + (b.panel.right - b.panel.left) / 2;
  for (int i = 0; i < n; ++i) draw_centred_text(lines[i], centre, top + font_height() + m / 2 + 8 + i * m);
  return b;
}

int message_box(std::string_view text, std::string_view first, std::string_view second) {
  if (first.empty() && second.empty()) {
    if (text.empty()) {
      end_notice();
    } else {
      state().notice_shown = true;
      media::hide_pointer(true);
      draw_notice(text);
    }
    return 0;
  }
  draw_choice_box(text, first, second);
  // A box shown while a notice is up shows the pointer for its answer.
  const bool hidden = media::hide_pointer(false);
  wait_begin();
  int answer = 0;
  while (answer == 0) {
    const Event e = wait_event(true);
    if (e.scancode == kEnter) {
      answer = 1;
    } else if (e.scancode == kDelete) {
      answer = 2;
    } else if (e.pressed & 1) {
      const int hit = button_under_mouse();
      if (hit == 0) answer = 1;
      if (hit == 1) answer = 2;
    }
  }
  media::hide_pointer(hidden);
  clear_screen();
  clear_display();
  media::flush();
  return answer;
}

std::string input_field(std::string_view text, int32_t ch, int32_t scancode, int button) {
  if (modifiers() & (4 | 8)) return std::string(text);
  if (!button_is_field(button)) return std::string(text);
  const size_t bar = text.find('|');
  std::string before(text.substr(0, bar));
  std::string after(bar == std::string_view::npos ? std::string_view() : text.substr(bar + 1));
  const Rect r = button_rect(button);
  const int32_t room = (r.right - 4) - (r.left + 4) - 4;

  const media::Input& in = media::input();
  if ((in.mouse_buttons & 1) && r.contains(in.mouse_x, in.mouse_y)) {
    const std::string whole = before + after;
    size_t k = 0;
    while (k < whole.size() && text_width(std::string_view(whole).substr(0, k + 1)) <= in.mouse_x - r.left - 4) ++k;
    before = whole.substr(0, k);
    after = whole.substr(k);
  }
  // A key event: a scan code, or a character typed without one.
  if ((scancode != 0 || ch != 0) && ch != '|') {
    const bool keypad_point = scancode == kDelete && ch == '.';
    switch (scancode) {
      case 14:
        if (!before.empty()) before.pop_back();
        break;
      case kDelete:
        if (!keypad_point && !after.empty()) after.erase(0, 1);
        break;
      case 71:
        after = before + after;
        before.clear();
        break;
      case 79:
        before += after;
        after.clear();
        break;
      case 75:
        if (!before.empty()) {
          after.insert(after.begin(), before.back());
          before.pop_back();
        }
        break;
      case 77:
        if (!after.empty()) {
          before += after.front();
          after.erase(0, 1);
        }
        break;
      default: break;
    }
    const bool editing = scancode == 1 || scancode == 14 || scancode == kEnter || (scancode >= 59 && scancode <= 68) ||
                         (scancode >= 71 && scancode <= 73) || scancode == 75 || scancode == 77 ||
                         (scancode >= 79 && scancode <= 81) || scancode == kDelete;
    if ((!editing || ch == '.') && ch >= 32) {
      const std::string candidate = before + static_cast<char>(ch) + after;
      if (text_width(candidate) <= room) before += static_cast<char>(ch);
    }
  }

  fill({r.left + 2, r.top + 4, r.right - 4, r.bottom - 4}, kInputFieldColour);
  const int32_t gh = glyph_height();
  const int32_t y = (r.top + r.bottom - 4) / 2 - gh / 2;
  set_text_colour(colour(Colour::field_text));
  draw_text_clipped(before + after, r.left + 4, y, r.right - 5);
  const int32_t cx = r.left + text_width(before) + 3;
  if (cx < r.right - 4) line(cx, y, cx, y + std::max(gh, 1) - 1, colour(Colour::label));
  return before + "|" + after;
}

}  // namespace ui
