#include <algorithm>
#include <climits>
#include <cstdlib>

#include "core/state.h"
#include "core/text.h"
#include "editors/tools.h"
#include "project/channel_map.h"
#include "project/records.h"
#include "project/state.h"
#include "project/types.h"
#include "ui/boxes.h"
#include "ui/dialogs.h"
#include "ui/events.h"
#include "ui/files.h"
#include "ui/panels.h"
#include "ui/screen.h"

namespace editors {

namespace {

constexpr int kEsc = 1;
constexpr int kSpace = 57;
constexpr int kF1 = 59;
constexpr int kF2 = 60;
constexpr int kNotSupported = 2;
constexpr int kCodeZero = 81;
constexpr int kOnAtStart = 218;
constexpr int kPreviews = 5;

uint8_t nearest_tool_colour(uint32_t rgb) {
  const media::Palette& p = ui::tool_palette();
  int best = 0;
  int64_t best_d = INT64_MAX;
  for (int i = 0; i < 256; ++i) {
    const int64_t dr = p[static_cast<size_t>(i)].r - static_cast<int64_t>(rgb >> 16 & 255);
    const int64_t dg = p[static_cast<size_t>(i)].g - static_cast<int64_t>(rgb >> 8 & 255);
    const int64_t db = p[static_cast<size_t>(i)].b - static_cast<int64_t>(rgb & 255);
    const int64_t d = dr * dr + dg * dg + db * db;
    if (d < best_d) {
      best_d = d;
      best = i;
    }
  }
  return static_cast<uint8_t>(best);
}

struct Grid {
  int n = 0, w = 0, h = 0, left = 0, top = 0;
  ui::Rect cell(int i, int j) const {
    return {left + j * w, top + i * h, left + (j + 1) * w - 1, top + (i + 1) * h - 1};
  }
  // The cell under (x, y); false outside the grid.
  bool at(int32_t x, int32_t y, int& i, int& j) const {
    if (w <= 0 || h <= 0 || x < left || y < top) return false;
    j = (x - left) / w;
    i = (y - top) / h;
    return i < n && j < n;
  }
};

bool supported(int a, int b) { return collides(project::element_type(a)) && collides(project::element_type(b)); }

// An element's icon: its type's colour with the first letter of its name,
// framed by whether it is on at start.
void draw_icon(const ui::Rect& r, int e) {
  const bool on = (project::field_int(e, project::kFieldFlags) & 1) != 0;
  ui::fill(r, 0);
  ui::fill({r.left + 2, r.top + 2, r.right - 2, r.bottom - 2}, 2 + 36 * (project::element_type(e) % 7) + 5);
  ui::outline(r, on ? kOnAtStart : kCodeZero);
  const std::string name = project::get_field(e, project::kFieldName);
  ui::set_text_colour(255);
  if (!name.empty()) ui::draw_text_clipped(name.substr(0, 1), r.left + 3, r.top + 2, r.right);
}

void draw_pair(const Grid& g, int i, int j) {
  const ui::Rect r = g.cell(i, j);
  int colour = kNotSupported;
  if (supported(i, j)) {
    const int code = project::channel(i, j);
    colour = code == 0 ? kCodeZero : nearest_tool_colour(project::channel_colour(code));
  }
  ui::fill({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, colour);
}

void draw_map(const Grid& g) {
  ui::clear_screen();
  for (int i = 0; i < g.n; ++i)
    for (int j = i + 1; j < g.n; ++j) draw_pair(g, i, j);
  for (int e = 0; e + 1 < g.n; ++e) draw_icon(g.cell(e, 0), e);
  for (int e = 1; e < g.n; ++e) draw_icon(g.cell(g.n - 1, e), e);
}

std::string status_text(const Grid& g, int32_t x, int32_t y) {
  int i = 0, j = 0;
  if (!g.at(x, y, i, j)) return "Click cross-map to enable channels (click icons to trace)";
  if (j == 0 && i + 1 < g.n) return project::get_field(i, project::kFieldName);
  if (i == g.n - 1 && j >= 1) return project::get_field(j, project::kFieldName);
  if (i >= j) return "Click cross-map to enable channels (click icons to trace)";
  std::string text = project::get_field(i, project::kFieldName) + " / " + project::get_field(j, project::kFieldName) +
                     ": ";
  if (!supported(i, j)) return text + "Collision not supported";
  const int code = project::channel(i, j);
  return text + (code == 0 ? std::string("Collision will be ignored") : "Collision code: " + std::to_string(code));
}

}  // namespace

bool collides(int type) {
  return (type >= project::kCamera && type <= project::kShadow) || type == project::kVisual || type == project::kXModel;
}

int32_t stepped_code(int32_t code, bool left) {
  code += left ? 1 : -1;
  if (code > 11) return 0;
  if (code < 0) return 11;
  return code;
}

void channel_map_tool() {
  Grid g;
  g.n = std::min(project::last_index() + 1, 256);
  if (g.n <= 0) return;
  g.w = ui::kScreenWidth / g.n;
  g.h = ui::kScreenHeight / g.n;
  g.left = (ui::kScreenWidth - g.n * g.w) / 2;
  g.top = (ui::kScreenHeight - g.n * g.h) / 2;
  ui::wait_begin();
  int32_t cross_x = -1, cross_y = -1;  // fixed by a click on an icon
  int32_t seen_x = -1, seen_y = -1;
  for (bool first = true;; first = false) {
    const ui::Event ev = ui::wait_event();
    if (ev.scancode == kEsc) break;
    // The map is drawn again only when something happened.
    if (!first && ev.pressed == 0 && ev.scancode == 0 && ev.x == seen_x && ev.y == seen_y) continue;
    seen_x = ev.x;
    seen_y = ev.y;
    int i = 0, j = 0;
    if (ev.pressed != 0 && g.at(ev.x, ev.y, i, j)) {
      if (i < j && supported(i, j)) {
        project::set_channel(i, j, stepped_code(project::channel(i, j), (ev.pressed & 1) != 0));
      } else if ((j == 0 && i + 1 < g.n) || (i == g.n - 1 && j >= 1)) {
        const int e = j == 0 ? i : j;
        cross_x = g.cell(0, e).left + g.w / 2;
        cross_y = g.cell(e, 0).top + g.h / 2;
      }
    }
    int32_t x = cross_x >= 0 ? cross_x : ev.x, y = cross_y >= 0 ? cross_y : ev.y;
    if (ev.scancode == kSpace) {
      // The crossing point mirrored across the diagonal.
      const int32_t col = (x - g.left) / std::max(g.w, 1), row = (y - g.top) / std::max(g.h, 1);
      x = g.left + row * g.w + g.w / 2;
      y = g.top + col * g.h + g.h / 2;
      cross_x = x;
      cross_y = y;
    }
    draw_map(g);
    ui::line(x, 0, x, ui::kScreenHeight - 1, -255);
    ui::line(0, y, ui::kScreenWidth - 1, y, -255);
    ui::set_text_colour(ui::colour(ui::Colour::message));
    ui::draw_text(status_text(g, ev.x, ev.y), 4, ui::kScreenHeight - ui::font_height());
    ui::mark_dirty();
  }
  ui::clear_screen();
}

bool valid_repetitions(int32_t value) { return value > 0 && (value & (value - 1)) == 0; }

void band_click(int32_t y, int32_t& upper, int32_t& lower) {
  const int32_t r = y + 1;
  const int64_t to_lower = std::abs(static_cast<int64_t>(r) - lower),
                to_upper = std::abs(static_cast<int64_t>(r) - upper);
  if (to_lower < to_upper) {
    lower = r;
    if (lower < upper) lower = upper + 7;
  } else {
    upper = r;
    if (upper > lower) upper = lower - 7;
  }
}

bool background_setter() {
  project::Scene& scene = project::state().scene;
  const std::string chosen = ui::picture_file_selector(scene.background, -7, "Select 3D background image");
  if (chosen.empty()) return false;
  scene.background = chosen;
  for (;;) {
    const std::string answer = ui::input_box(400, std::to_string(scene.repetitions),
                                             "Background image repetitions (must be 1,2,4,8,...)",
                                             ui::InputStyle::number);
    const int32_t value = core::text_to_int(answer);
    if (valid_repetitions(value)) {
      scene.repetitions = value;
      break;
    }
  }
  int32_t upper = scene.band_upper, lower = scene.band_lower;
  ui::wait_begin();
  for (bool redraw = true;;) {
    if (redraw) {
      ui::clear_screen();
      ui::set_text_colour(ui::colour(ui::Colour::message));
      ui::draw_centred_text("Background preview " + std::to_string(scene.preview + 1) + " (F1/F2)", 320, 240);
      ui::fill({0, upper, ui::kScreenWidth - 1, lower}, -255);
      ui::mark_dirty();
      redraw = false;
    }
    const ui::Event ev = ui::wait_event();
    if (ev.scancode == kEsc) break;
    if (ev.scancode == kF1 || ev.scancode == kF2) {
      scene.preview = (core::wrap_into_range(scene.preview, 0, kPreviews - 1) +
                       (ev.scancode == kF1 ? kPreviews - 1 : 1)) %
                      kPreviews;
      redraw = true;
    }
    if (ev.pressed & 1) {
      band_click(ev.y, upper, lower);
      redraw = true;
    }
  }
  scene.band_upper = upper;
  scene.band_lower = lower;
  ui::clear_screen();
  return true;
}

}  // namespace editors
