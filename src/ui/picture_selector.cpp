// The picture file selector: pages of 3 x 3 cells with a thumbnail and a
// label each.
#include <algorithm>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/state.h"
#include "media/input.h"
#include "media/pcx.h"
#include "ui/events.h"
#include "ui/files.h"
#include "ui/screen.h"
#include "ui/state_local.h"
#include "ui/text_fit_local.h"
#include "ui/thumbnails.h"

namespace ui {

namespace {

constexpr int32_t kEscape = 1, kPageUp = 73, kPageDown = 81, kDelete = 83;
constexpr int32_t kCellWidth = 160, kCellHeight = 120;
constexpr int kCells = 9;
constexpr size_t kMaxTextPreviewBytes = 4096;

Rect cell(int k) {
  const int32_t x = 40 + 200 * (k % 3), y = 80 + 130 * (k / 3);
  return {x, y, x + kCellWidth - 1, y + kCellHeight - 1};
}

int cell_at(int32_t x, int32_t y) {
  for (int k = 0; k < kCells; ++k)
    if (cell(k).contains(x, y)) return k;
  return -1;
}

bool pcx_kind(int32_t kind) { return kind == 2 || (kind >= 5 && kind <= 8); }
bool text_kind(int32_t kind) { return kind == -2 || kind == -3 || kind == -5 || kind == -6; }
bool picture_kind(int32_t kind) { return kind == -1 || kind == -7; }
bool model_kind(int32_t kind) { return kind == 0 || kind == 11 || kind == -4; }

// A picture or a rendered model filling the cell (nothing when the file
// shows nothing).
void file_cell(const Rect& c, int32_t kind, const std::string& path) {
  std::vector<uint8_t> pixels;
  if (file_thumbnail(kind, path, kCellWidth, kCellHeight, pixels))
    paste_pixels(c.left, c.top, kCellWidth, kCellHeight, pixels.data());
}

bool text_thumbnail(const Rect& c, const std::string& path) {
  std::string bytes;
  if (!core::read_file(path, bytes, kMaxTextPreviewBytes)) return false;
  set_text_colour(255);
  const int32_t h = std::max(font_height(), 1);
  int32_t y = c.top + 2;
  size_t at = 0;
  while (at < bytes.size() && y + h <= c.bottom - h) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    for (char& ch : line)
      if (static_cast<unsigned char>(ch) < 32) ch = ' ';
    draw_text_clipped(line, c.left + 2, y, c.right - 2);
    y += h;
    at = end + 1;
  }
  return true;
}

std::string size_label(const std::string& path) {
  const media::ImageSize size = media::read_pcx_size(path);
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

void draw_label(const Rect& c, std::string_view label) {
  const std::string shown = fit_end(label, kCellWidth - 4);
  const int32_t x = c.left + kCellWidth / 2 - text_width(shown) / 2;
  const int32_t y = c.bottom - glyph_height() - std::max<int32_t>(font_height() - glyph_height(), 0) - 2;
  set_text_colour(0);
  draw_text(shown, x, y - 1);
  draw_text(shown, x, y + 1);
  draw_text(shown, x - 1, y);
  draw_text(shown, x + 1, y);
  set_text_colour(255);
  draw_text(shown, x, y);
}

struct Picker {
  std::string folder;
  int32_t kind = 0;
  std::string title;
  std::string pattern;
  FileList list;
  int prev = -1, next = -1, change = -1;

  int32_t pages() const { return static_cast<int32_t>((static_cast<int64_t>(list.entries.size()) - 1) / kCells + 1); }

  void relist() {
    list = list_folder(folder, pattern, false);
    set_picture_page(std::clamp(picture_page(), 1, pages()));
  }

  void draw_frame() {
    clear_screen();
    draw_panel({0, 0, 639, 479}, true);
    fill({132, 4, 594, 22}, colour(Colour::title));
    set_text_colour(255);
    draw_centred_text(fit_end(title, 594 - 132 - 8), 360, 12);
    set_text_colour(colour(Colour::label));
    prev = add_button({42, 40, 120, 64}, false);
    button_label("Page <<", prev);
    next = add_button({128, 40, 206, 64}, false);
    button_label("Page >>", next);
    change = add_button({434, 40, 598, 64}, false);
    button_label("Change Directory", change);
  }

  // Draws the page; answers true when a mouse click or a key stopped the
  // drawing (the event waits in `pending`).
  bool draw_page(Event& pending) {
    fill({210, 40, 430, 64}, colour(Colour::panel));
    set_text_colour(colour(Colour::message));
    draw_centred_text("Page " + std::to_string(picture_page()) + " of " + std::to_string(pages()), 320, 52);
    for (int k = 0; k < kCells; ++k) {
      const Rect c = cell(k);
      button_frame({c.left - 4, c.top - 4, c.right + 5, c.bottom + 5}, true);
      fill(c, colour(Colour::field));
      set_text_colour(colour(Colour::field_text));
      draw_centred_text("Wait...", c.left + kCellWidth / 2, c.top + kCellHeight / 2);
    }
    present();
    const std::string crashed = core::state().folders.data + "crashed.txt";
    for (int k = 0; k < kCells; ++k) {
      const Rect c = cell(k);
      fill(c, 0);
      const size_t i = static_cast<size_t>(picture_page() - 1) * kCells + static_cast<size_t>(k);
      if (i < list.entries.size()) {
        const std::string& name = list.entries[i].name;
        const std::string path = folder + name;
        // The name of the file being drawn, so that one that breaks the
        // drawing is named after a crash.
        core::write_file_atomic(crashed, name + "\r\n");
        if (picture_kind(kind) || model_kind(kind))
          file_cell(c, kind, path);
        else if (text_kind(kind))
          text_thumbnail(c, path);
        core::remove_file(crashed);
        draw_label(c, pcx_kind(kind) ? name + " " + size_label(path) : name);
      }
      present();
      const Event e = wait_event();
      if (e.pressed || e.scancode != 0) {
        pending = e;
        return true;
      }
    }
    return false;
  }
};

}  // namespace

int32_t picture_page() { return state().picture_page; }
void set_picture_page(int32_t page) { state().picture_page = std::max(page, 1); }

std::string picture_file_selector(std::string_view path, int32_t kind, std::string_view title) {
  Picker p;
  p.kind = kind == 12 ? -4 : kind;
  p.title = std::string(title);
  p.pattern = std::string(kind_pattern(p.kind));
  std::string folder = folder_of_path(path);
  p.folder = folder.empty() ? resolve_path("./") : resolve_path(folder);
  if (p.folder.back() != '/') p.folder += '/';
  p.relist();
  p.draw_frame();
  wait_begin();
  Event pending;
  bool have = p.draw_page(pending);
  std::string answer;
  while (true) {
    const Event e = have ? pending : wait_event();
    have = false;
    if (e.scancode == kEscape) break;
    int32_t page = picture_page();
    bool redraw_all = false;
    const int k = cell_at(e.x, e.y);
    const size_t i = static_cast<size_t>(page - 1) * kCells + static_cast<size_t>(k < 0 ? 0 : k);
    const bool on_file = k >= 0 && i < p.list.entries.size();
    if (e.scancode == kPageUp) page = std::max(page - 1, 1);
    if (e.scancode == kPageDown) page = std::min(page + 1, p.pages());
    if (e.scancode == kDelete && on_file) {
      answer = p.folder + p.list.entries[i].name;
      break;
    }
    if (e.pressed & 1) {
      const int hit = button_under_mouse();
      if (hit == kCloseBox) break;
      if (hit >= 0 && hit == p.prev) page = std::max(page - 1, 1);
      if (hit >= 0 && hit == p.next) page = std::min(page + 1, p.pages());
      if (hit >= 0 && hit == p.change) {
        media::wait_release();
        const std::string chosen = list_file_selector(p.folder, "*.*");
        if (!chosen.empty()) p.folder = folder_of_path(chosen);
        p.relist();
        page = picture_page();
        redraw_all = true;
      }
      if (on_file) {
        answer = p.folder + p.list.entries[i].name;
        break;
      }
    } else if ((e.pressed & 2) && on_file) {
      const std::string& name = p.list.entries[i].name;
      if (core::box("Do you really want to PERMANENTLY ERASE " + name + "?", " NO! ", " YES ") == 2)
        core::remove_file(p.folder + name);
      p.relist();
      page = picture_page();
      redraw_all = true;
    }
    if (page != picture_page() || redraw_all) {
      set_picture_page(page);
      if (redraw_all) p.draw_frame();
      media::wait_release();
      have = p.draw_page(pending);
    }
  }
  clear_screen();
  clear_display();
  media::wait_release();
  return answer;
}

std::string_view kind_pattern(int32_t kind) {
  switch (kind) {
    case -1:
    case -7: return "*.bmp";
    case 0: return "*.03d";
    case 1:
    case 3: return "*.a3d";
    case 4: return "*.d3d";
    case 2:
    case 5:
    case 6:
    case 7:
    case 8: return "*.pcx";
    case 11: return "*.v3d";
    case -2: return "*.prj";
    case -3: return "*.ele";
    case -4:
    case 12: return "*.3ds";
    case -5: return "*.brn";
    case -6: return "*.chn";
    default: return "*.*";
  }
}

}  // namespace ui
