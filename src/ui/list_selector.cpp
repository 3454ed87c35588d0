// The list file selector.
#include <algorithm>
#include <string>

#include "media/input.h"
#include "ui/events.h"
#include "ui/files.h"
#include "ui/screen.h"
#include "ui/state_local.h"
#include "ui/text_fit_local.h"

namespace ui {

namespace {

constexpr int32_t kEscape = 1, kBackspace = 14;
constexpr int kDrives = 10;

struct Layout {
  int32_t avg = 8, v = 8;
  int32_t A = 0, B = 0, o = 400;
  Rect list, scroll;
  int32_t row_height = 16;
  int32_t name_x = 0, size_right = 0;
};

Layout layout() {
  Layout l;
  l.avg = average_char_width();
  // Half the font height; kept so that the 46 half-heights of the box fit
  // on the screen.
  l.v = std::clamp(font_height() / 2, 4, 9);
  l.o = std::min(50 * l.avg, kScreenWidth - 80);
  l.A = (kScreenWidth - l.o) / 2;
  l.B = (kScreenHeight - 46 * l.v) / 2;
  const int32_t buttons_right = l.A - 14 + 2 * l.avg + 4;
  l.list = {buttons_right + 2, l.B + 5 * l.v, l.A + l.o - 16, l.B + 45 * l.v - 1};
  l.scroll = {l.A + l.o - 10, l.list.top, l.A + l.o, l.list.bottom};
  l.row_height = 2 * l.v;
  l.name_x = l.list.left + 8;
  l.size_right = l.list.right - 6;
  return l;
}

struct Selector {
  Layout l;
  std::string folder;
  std::string pattern;
  FileList list;
  int32_t first = 1;  // first row shown, 1-based
  int dotdot = -1;
  int drives[kDrives] = {};
  char letters[kDrives] = {};

  int32_t entries() const { return static_cast<int32_t>(list.entries.size()); }

  void draw_frame() {
    clear_screen();
    draw_panel({l.A - 20, l.B - 12, l.A + l.o + 20, l.B + 46 * l.v}, true);
    set_text_colour(colour(Colour::field_back));
    draw_centred_text("Click any file name to confirm", l.A + l.o / 2, l.B);
    dotdot = add_button({l.A - 14, l.list.top, l.A - 14 + 2 * l.avg + 4, l.list.top + 2 * l.v + 2}, false);
    set_text_colour(colour(Colour::label));
    button_label("..", dotdot);
    int k = 0;
    for (char c : std::string_view(kDriveLetters)) {
      if (c == '|' || k >= kDrives) continue;
      const int32_t y = l.list.top + (k + 1) * (2 * l.v + 4);
      drives[k] = add_button({l.A - 14, y, l.A - 14 + 2 * l.avg + 4, y + 2 * l.v + 2}, false);
      letters[k] = c;
      button_label(std::string(1, c), drives[k]);
      ++k;
    }
  }

  void draw_list() {
    const uint8_t back = colour(Colour::field_back);
    fill({l.A, l.list.top - 2 * l.v - 2, l.A + l.o, l.list.top - 6}, colour(Colour::panel));
    set_text_colour(colour(Colour::field_text));
    const std::string shown = fit_tail(folder, l.o);
    draw_text(shown, l.A + l.o / 2 - text_width(shown) / 2, l.list.top - 2 * l.v - 2);
    fill(l.list, back);
    button_frame({l.list.left - 4, l.list.top - 4, l.list.right + 5, l.list.bottom + 5}, true);
    fill(l.scroll, back);
    button_frame({l.scroll.left - 4, l.scroll.top - 4, l.scroll.right + 5, l.scroll.bottom + 5}, true);
    if (!list.readable) {
      set_text_colour(colour(Colour::message));
      draw_centred_text("Device not ready!", kScreenWidth / 2, kScreenHeight / 2);
      return;
    }
    const int32_t gh = glyph_height();
    if (list.entries.empty()) {
      draw_text("(No files found)", l.name_x, l.list.top + (l.row_height - gh) / 2);
      return;
    }
    const int32_t size_room = text_width("0000000000");
    for (int32_t row = 0; row < kListRows; ++row) {
      const int32_t i = first - 1 + row;
      if (i >= entries()) break;
      const FileEntry& e = list.entries[static_cast<size_t>(i)];
      const int32_t y = l.list.top + row * l.row_height + (l.row_height - gh) / 2;
      const std::string name = e.folder ? "(dir) " + e.name : e.name;
      draw_text(fit_end(name, l.size_right - size_room - l.name_x), l.name_x, y);
      if (!e.folder && e.size != 0) {
        const std::string size = std::to_string(e.size);
        draw_text(size, l.size_right - text_width(size), y);
      }
    }
    const int32_t height = l.scroll.bottom - l.scroll.top + 1;
    if (entries() > kListRows) {
      const int32_t top = scroll_thumb_top(l.scroll.top, height, first, entries());
      fill({l.scroll.left + 2, top, l.scroll.right - 2, top + 5}, colour(Colour::button));
    } else {
      fill({l.scroll.left + 2, l.scroll.top, l.scroll.right - 2, l.scroll.bottom}, colour(Colour::button));
    }
  }

  void open(const std::string& f) {
    folder = f;
    list = list_folder(folder, pattern);
    first = 1;
    draw_list();
  }

  void set_first(int32_t row) {
    first = std::clamp(row, 1, std::max(1, entries() - (kListRows - 1)));
    draw_list();
  }

  // Drags the thumb while the left button is held.
  void drag() {
    const int32_t height = l.scroll.bottom - l.scroll.top + 1;
    while (true) {
      const Event e = wait_event();
      if (!(e.buttons & 1) || e.scancode == kEscape) break;
      const int32_t y = std::clamp(e.y, l.scroll.top + 3, l.scroll.bottom - 3);
      const int32_t row =
          static_cast<int32_t>(int64_t{entries() - kListRows} * (y - l.scroll.top) / std::max(height - 4, 1)) + 1;
      if (row != first) set_first(row);
    }
  }
};

}  // namespace

std::string list_file_selector(std::string_view path, std::string_view pattern) {
  Selector s;
  s.l = layout();
  s.pattern = std::string(pattern);
  std::string folder = folder_of_path(path);
  folder = folder.empty() ? resolve_path("./") : resolve_path(folder);
  if (folder.back() != '/') folder += '/';
  s.draw_frame();
  s.open(folder);
  wait_begin();
  std::string answer;
  while (true) {
    const Event e = wait_event();
    if (e.scancode == kEscape) break;
    if (e.ch >= 'a' && e.ch <= 'z' && s.entries() > kListRows) {
      const int32_t row = letter_jump(s.list, static_cast<char>(e.ch), s.first);
      if (row != s.first) s.set_first(row);
      continue;
    }
    std::string next;
    if (e.scancode == kBackspace) next = parent_folder(s.folder);
    if (e.pressed & 1) {
      const int hit = button_under_mouse();
      if (hit == kCloseBox) break;
      if (hit >= 0 && hit == s.dotdot) next = parent_folder(s.folder);
      for (int k = 0; k < kDrives; ++k)
        if (hit >= 0 && hit == s.drives[k]) next = drive_folder(s.letters[k]);
      if (s.l.scroll.contains(e.x, e.y) && s.entries() > kListRows && s.list.readable) {
        const int32_t height = s.l.scroll.bottom - s.l.scroll.top + 1;
        const int32_t top = scroll_thumb_top(s.l.scroll.top, height, s.first, s.entries());
        if (e.y < top)
          s.set_first(s.first - (kListRows - 1));
        else if (e.y > top + 5)
          s.set_first(s.first + (kListRows - 1));
        else
          s.drag();
      } else if (s.l.list.contains(e.x, e.y) && s.list.readable && !s.list.entries.empty()) {
        const int32_t i = s.first - 1 + (e.y - s.l.list.top) / s.l.row_height;
        if (i >= s.entries()) {
          s.set_first(1);
        } else {
          const FileEntry& entry = s.list.entries[static_cast<size_t>(i)];
          if (entry.folder) {
            next = s.folder + entry.name + "/";
          } else {
            answer = s.folder + entry.name;
            break;
          }
        }
      }
    }
    if (!next.empty() && next != s.folder) {
      media::wait_release();
      s.open(next);
    }
  }
  clear_screen();
  clear_display();
  media::wait_release();
  return answer;
}

}  // namespace ui
