#include "ui/screen.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/files.h"
#include "core/state.h"
#include "media/device.h"
#include "media/font.h"
#include "media/input.h"
#include "ui/events.h"
#include "ui/state_local.h"

namespace ui {

namespace {

constexpr int32_t kPanelWidth = 128;
constexpr int32_t kPanelRows = 128;

// Tile sets of the panels image: panel frames, raised buttons, input fields.
constexpr int32_t kPanelTiles = 0, kButtonTiles = 36, kFieldTiles = 72;
// Tiles are pasted with colour 0 transparent. Tile offsets in a set: top-left, top, top-right, left, right,
// bottom-left, bottom, bottom-right (the centre tile at 16 is not pasted).
constexpr int32_t kTileX[8] = {0, 4, 8, 12, 20, 24, 28, 32};
enum Tile { kTopLeft, kTop, kTopRight, kLeft, kRight, kBottomLeft, kBottom, kBottomRight };

const uint8_t* panels() { return core::state().pools.panels.bytes(); }

int32_t floor4(int32_t v) { return v & ~3; }

void tile(int32_t set, int t, int32_t x, int32_t y) {
  paste(panels() + set + kTileX[t], 4, 4, kPanelWidth, x, y, true);
}

// Frame tiles with the right tiles at `r` and the bottom ones at `b`.
void tiles(int32_t set, int32_t l, int32_t t, int32_t r, int32_t b) {
  for (int32_t x = l + 4; x < r; x += 4) {
    tile(set, kTop, x, t);
    tile(set, kBottom, x, b);
  }
  for (int32_t y = t + 4; y < b; y += 4) {
    tile(set, kLeft, l, y);
    tile(set, kRight, r, y);
  }
  tile(set, kTopLeft, l, t);
  tile(set, kTopRight, r, t);
  tile(set, kBottomLeft, l, b);
  tile(set, kBottomRight, r, b);
}

const media::Font& font() { return media::tool_font(); }

media::Surface8 surface(int32_t right = kScreenWidth - 1) {
  media::Surface8 s;
  s.pixels = screen();
  s.width = std::clamp(right + 1, 0, kScreenWidth);
  s.height = kScreenHeight;
  s.pitch = kScreenWidth;
  return s;
}

void draw(std::string_view text, int32_t x, int32_t y, int32_t right) {
  State& u = state();
  const media::TextPos end = media::draw_text(font(), surface(right), text, {x, y}, u.text_colour);
  u.text_x = end.x;
  u.text_y = end.y - font().line_gap / 2;
}

}  // namespace

State& state() {
  static State s;
  return s;
}

uint8_t panel_pixel(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= kPanelWidth || y >= kPanelRows) return 0;
  return panels()[y * kPanelWidth + x];
}

uint8_t colour(Colour c) {
  switch (c) {
    case Colour::panel: return panel_pixel(0, 0);
    case Colour::title: return panel_pixel(28, 3);
    case Colour::button: return panel_pixel(52, 0);
    case Colour::field: return panel_pixel(88, 0);
    case Colour::message: return panel_pixel(49, 0);
    case Colour::label: return panel_pixel(37, 0);
    case Colour::menu_label: return panel_pixel(38, 0);
    case Colour::field_text: return panel_pixel(85, 0);
    case Colour::field_back: return panel_pixel(86, 0);
    case Colour::extra_13: return panel_pixel(13, 0);
    case Colour::extra_36: return panel_pixel(36, 0);
    case Colour::extra_57: return panel_pixel(57, 0);
  }
  return 0;
}

uint8_t* screen() { return core::state().pools.tool_screen.bytes(); }

void clear_screen() {
  std::memset(screen(), 0, static_cast<size_t>(kScreenWidth) * kScreenHeight);
  mark_dirty();
}

void fill(Rect r, int32_t c) {
  const int32_t l = std::max(r.left, 0), t = std::max(r.top, 0);
  const int32_t rr = std::min(r.right, kScreenWidth - 1), b = std::min(r.bottom, kScreenHeight - 1);
  if (l > rr || t > b) return;
  uint8_t* s = screen();
  const auto width = static_cast<size_t>(rr - l + 1);
  for (int32_t y = t; y <= b; ++y) {
    uint8_t* row = s + static_cast<size_t>(y) * kScreenWidth + l;
    if (c >= 0) {
      std::memset(row, c & 255, width);
    } else {
      const auto mask = static_cast<uint8_t>((-static_cast<int64_t>(c)) & 255);
      for (size_t i = 0; i < width; ++i) row[i] ^= mask;
    }
  }
  mark_dirty();
}

void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t c) {
  // An integer error walk along the longer axis.
  const int64_t dx = std::abs(int64_t{x2} - x1), dy = std::abs(int64_t{y2} - y1);
  const int32_t sx = x2 >= x1 ? 1 : -1, sy = y2 >= y1 ? 1 : -1;
  const int64_t steps = std::max(dx, dy);
  int64_t x = x1, y = y1, error = 0;
  uint8_t* s = screen();
  const auto mask = static_cast<uint8_t>(c >= 0 ? c & 255 : (-static_cast<int64_t>(c)) & 255);
  for (int64_t i = 0; i <= steps; ++i) {
    if (x >= 0 && y >= 0 && x < kScreenWidth && y < kScreenHeight) {
      uint8_t& p = s[y * kScreenWidth + x];
      p = c >= 0 ? mask : static_cast<uint8_t>(p ^ mask);
    }
    if (dx >= dy) {
      x += sx;
      error += dy;
      if (2 * error >= dx) {
        y += sy;
        error -= dx;
      }
    } else {
      y += sy;
      error += dx;
      if (2 * error >= dy) {
        x += sx;
        error -= dy;
      }
    }
  }
  mark_dirty();
}

void outline(Rect r, int32_t c) {
  line(r.left, r.top, r.right, r.top, c);
  line(r.right, r.top, r.right, r.bottom, c);
  line(r.right, r.bottom, r.left, r.bottom, c);
  line(r.left, r.bottom, r.left, r.top, c);
}

void xor_outline(Rect r, int32_t c) {
  const int32_t x = c < 0 ? c : -c;
  fill({r.left, r.top, r.right, r.top}, x);
  if (r.bottom != r.top) fill({r.left, r.bottom, r.right, r.bottom}, x);
  fill({r.left, r.top + 1, r.left, r.bottom - 1}, x);
  if (r.right != r.left) fill({r.right, r.top + 1, r.right, r.bottom - 1}, x);
}

void paste(const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch, int32_t x, int32_t y,
           bool transparent) {
  if (!pixels || width <= 0 || height <= 0) return;
  uint8_t* s = screen();
  for (int32_t row = 0; row < height; ++row) {
    const int64_t sy = int64_t{y} + row;
    if (sy < 0 || sy >= kScreenHeight) continue;
    const uint8_t* src = pixels + static_cast<size_t>(row) * static_cast<size_t>(pitch);
    for (int32_t col = 0; col < width; ++col) {
      const int64_t sx = int64_t{x} + col;
      if (sx < 0 || sx >= kScreenWidth) continue;
      if (transparent && src[col] == 0) continue;
      s[sy * kScreenWidth + sx] = src[col];
    }
  }
  mark_dirty();
}

void draw_frame(Rect r) {
  const int32_t l = floor4(r.left), t = floor4(r.top), rr = floor4(r.right) - 4, b = floor4(r.bottom) - 4;
  fill({l, t, rr, b}, colour(Colour::panel));
  tiles(kPanelTiles, l, t, rr, b);
}

void draw_panel(Rect r, bool close_active) {
  State& u = state();
  draw_frame(r);
  const int32_t l = floor4(r.left), t = floor4(r.top), rr = floor4(r.right) - 4;
  fill({r.left | 3, r.top | 3, r.right - 3, t + 23}, colour(Colour::title));
  paste(panels() + 4 * kPanelWidth, 128, 22, kPanelWidth, l + 2, t + 2, true);
  paste(panels() + 26 * kPanelWidth + (close_active ? 0 : 34), 34, 14, kPanelWidth, rr - 36, t + 6, false);
  u.close_box = {rr - 18, t + 6, rr - 3, t + 21};
  u.minimise_box = {rr - 36, t + 6, rr - 21, t + 21};
  u.close_active = close_active;
  for (Button& b : u.buttons) b = Button{};
}

void button_frame(Rect r, bool input_field) {
  tiles(input_field ? kFieldTiles : kButtonTiles, r.left, r.top, r.right - 4, r.bottom - 4);
}

int add_button(Rect r, bool input_field) {
  State& u = state();
  int index = -1;
  for (int i = 0; i < kButtonCount; ++i)
    if (!u.buttons[i].used) {
      index = i;
      break;
    }
  if (index < 0) return -1;
  fill({r.left, r.top, r.right - 4, r.bottom - 4}, colour(input_field ? Colour::field : Colour::button));
  button_frame(r, input_field);
  u.buttons[index] = Button{r, input_field, true};
  return index;
}

Rect button_rect(int index) {
  if (index < 0 || index >= kButtonCount) return Button{}.rect;
  return state().buttons[index].rect;
}

bool button_is_field(int index) {
  return index >= 0 && index < kButtonCount && state().buttons[index].used && state().buttons[index].field;
}

void button_label(std::string_view text, int index) {
  if (index < 0 || index >= kButtonCount || !state().buttons[index].used) return;
  const Rect r = state().buttons[index].rect;
  draw_centred_text(text, r.left + (r.right - 4 - r.left + 1) / 2, r.top + (r.bottom - 4 - r.top + 1) / 2);
}

Rect close_box() { return state().close_box; }
Rect minimise_box() { return state().minimise_box; }

int button_under_mouse() {
  const State& u = state();
  const media::Input& in = media::input();
  for (int i = 0; i < kButtonCount; ++i)
    if (u.buttons[i].used && u.buttons[i].rect.contains(in.mouse_x, in.mouse_y)) return i;
  if (u.close_active && u.close_box.contains(in.mouse_x, in.mouse_y)) return kCloseBox;
  if ((in.mouse_buttons & 1) && u.minimise_box.left >= 0 && u.minimise_box.contains(in.mouse_x, in.mouse_y)) {
    minimise_and_wait();
  }
  return kNoButton;
}

int32_t text_width(std::string_view text) { return media::text_width(font(), text); }
int32_t font_height() { return media::font_height(font()); }
int32_t glyph_height() { return font().glyph_height; }

int32_t average_char_width() {
  const int32_t w = text_width("Mm0wW") / 5;
  return w > 0 ? w : 8;
}

void set_text_colour(uint8_t c) { state().text_colour = c; }
uint8_t text_colour() { return state().text_colour; }

void draw_text(std::string_view text, int32_t x, int32_t y) {
  draw(text, x, y, kScreenWidth - 1);
  mark_dirty();
}

void draw_text_clipped(std::string_view text, int32_t x, int32_t y, int32_t right) {
  draw(text, x, y, right);
  mark_dirty();
}

void draw_centred_text(std::string_view text, int32_t cx, int32_t cy) {
  const int32_t half = font().measure == media::kFontFixed8 ? 4 : glyph_height() / 2;
  draw_text(text, cx - text_width(text) / 2, cy - half);
}

void draw_wrapped_text(std::string_view text, Rect r) {
  constexpr int kMaxLines = 64;
  std::string_view lines[kMaxLines];
  int n = 0;
  const int32_t room = r.right - r.left + 1;
  size_t at = 0;
  while (at < text.size() && n < kMaxLines) {
    while (at < text.size() && text[at] == ' ') ++at;
    if (at >= text.size()) break;
    // Words are added while the line stays inside the rectangle; a word
    // wider than it has a line of its own.
    size_t end = text.find(' ', at);
    if (end == std::string_view::npos) end = text.size();
    while (end < text.size()) {
      size_t next = text.find(' ', end + 1);
      if (next == std::string_view::npos) next = text.size();
      if (text_width(text.substr(at, next - at)) > room) break;
      end = next;
    }
    lines[n++] = text.substr(at, end - at);
    at = end;
  }
  const int32_t h = font_height();
  const int32_t top = r.top + (r.bottom - r.top + 1 - n * h) / 2;
  const int32_t cx = r.left + room / 2;
  for (int i = 0; i < n; ++i) draw_text(lines[i], cx - text_width(lines[i]) / 2, top + i * h);
}

void print_line(std::string_view text) {
  State& u = state();
  if (u.printing) {
    u.print_text.append(text);
    u.print_text += "\r\n";
    return;
  }
  std::string line(text);
  line += "\r\n";
  draw_text(line, u.text_x, u.text_y);
}

bool open_print_file(const std::string& path) {
  close_print_file();
  if (!core::write_file_atomic(path, "")) return false;
  State& u = state();
  u.printing = true;
  u.print_path = path;
  u.print_text.clear();
  return true;
}

void close_print_file() {
  State& u = state();
  if (!u.printing) return;
  if (!core::write_file_atomic(u.print_path, u.print_text)) core::error_box("Cannot write " + u.print_path);
  u.printing = false;
  u.print_text.clear();
}

std::string word_wrap(std::string_view text) {
  std::string out;
  int64_t width = 0;
  size_t at = 0;
  while (at <= text.size() && !text.empty()) {
    size_t end = text.find(' ', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view word = text.substr(at, end - at);
    if (width > 0 && width + text_width(word) > kWrapWidth) {
      out += '|';
      width = 0;
    }
    out.append(word);
    out += ' ';
    const size_t bar = word.rfind('|');
    if (bar != std::string_view::npos)
      width = text_width(word.substr(bar + 1)) + text_width(" ");
    else
      width += text_width(word) + text_width(" ");
    if (end >= text.size()) break;
    at = end + 1;
  }
  return out;
}

int split_lines(std::string_view text, std::string_view* lines, int count) {
  int n = 0;
  size_t at = 0;
  while (true) {
    const size_t bar = text.find('|', at);
    const std::string_view line = text.substr(at, bar == std::string_view::npos ? std::string_view::npos : bar - at);
    if (n < count) lines[n] = line;
    ++n;
    if (bar == std::string_view::npos) break;
    at = bar + 1;
  }
  return std::min(n, count);
}

void present() {
  State& u = state();
  if (u.stretched)
    media::present_tool_screen_stretched();
  else
    media::present_tool_screen();
  u.dirty = false;
  u.shown_x = media::input().mouse_x;
  u.shown_y = media::input().mouse_y;
}

void present_stretched() {
  State& u = state();
  const bool was = u.stretched;
  u.stretched = true;
  present();
  u.stretched = was;
}

void clear_display() {
  media::clear_display();
  state().dirty = true;
}

}  // namespace ui
