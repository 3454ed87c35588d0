#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/state.h"
#include "core/text.h"
#include "editors/tools.h"
#include "engine/scene3d.h"
#include "engine/scene_load.h"
#include "media/bmp.h"
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
#include "ui/thumbnails.h"

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

// The picture kind of an element type's aspect file, or a value no picture
// is made of (tracks, lights, X models: those keep the letter tile).
constexpr int32_t kNoPicture = INT32_MIN;
int32_t picture_kind(int type) {
  switch (type) {
    case project::kCamera:   // the camera glyph
    case project::kShape3d:  // rendered shapes
    case project::kShadow:
    case project::kVisual:     // the visual's first frame
    case project::kFlatShape:  // scaled images
    case project::kSprite:
    case project::kFrame:
    case project::kBackground:
    case project::kCounter:
    case project::kBoundary: return type;  // a .3ds model
    default: return kNoPicture;
  }
}

// Cells smaller than this (frame included) show a plain colour.
constexpr int32_t kMinIconWidth = 10, kMinIconHeight = 8;

// The icons of the header cells, made once when the tool starts: the picture
// inside the frame, or nothing for the letter tile.
struct Icons {
  int32_t w = 0, h = 0;  // the picture: the cell less its frame
  std::vector<std::vector<uint8_t>> pictures;
};

void make_icons(Icons& icons, int n, int32_t cell_w, int32_t cell_h) {
  icons.pictures.assign(static_cast<size_t>(n), {});
  icons.w = cell_w - 2;
  icons.h = cell_h - 2;
  if (cell_w < kMinIconWidth || cell_h < kMinIconHeight) return;
  std::map<std::pair<int32_t, std::string>, int> made;  // elements of the same kind and aspect share a picture
  for (int e = 0; e < n; ++e) {
    const int32_t kind = picture_kind(project::element_type(e));
    const std::string aspect = project::get_field(e, project::kFieldAspect);
    if (kind == kNoPicture || aspect.empty()) continue;
    const auto [at, fresh] = made.emplace(std::make_pair(kind, aspect), e);
    if (!fresh) {
      icons.pictures[static_cast<size_t>(e)] = icons.pictures[static_cast<size_t>(at->second)];
      continue;
    }
    std::vector<uint8_t> pixels;
    if (ui::file_thumbnail(kind, engine::program_path(aspect), icons.w, icons.h, pixels))
      icons.pictures[static_cast<size_t>(e)] = std::move(pixels);
  }
}

int32_t type_colour(int e) { return 2 + 36 * (project::element_type(e) % 7) + 5; }

// An element's icon framed by whether it is on at start: its picture, or its
// type's colour with the first letter of its name; in a cell too small for
// either, the frame colour alone.
void draw_icon(const Icons& icons, const ui::Rect& r, int e) {
  const bool on = (project::field_int(e, project::kFieldFlags) & 1) != 0;
  const int32_t frame = on ? kOnAtStart : kCodeZero;
  const int32_t w = r.right - r.left + 1, h = r.bottom - r.top + 1;
  if (w < 3 || h < 3) {
    ui::fill(r, frame);
    return;
  }
  const std::vector<uint8_t>& picture = icons.pictures[static_cast<size_t>(e)];
  if (!picture.empty()) {
    ui::paste_pixels(r.left + 1, r.top + 1, icons.w, icons.h, picture.data());
  } else if (w < kMinIconWidth || h < kMinIconHeight) {
    ui::fill({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, type_colour(e));
  } else {
    ui::fill(r, 0);
    ui::fill({r.left + 2, r.top + 2, r.right - 2, r.bottom - 2}, type_colour(e));
    const std::string name = project::get_field(e, project::kFieldName);
    ui::set_text_colour(255);
    if (!name.empty()) ui::draw_text_clipped(name.substr(0, 1), r.left + 3, r.top + 2, r.right);
  }
  ui::outline(r, frame);
}

// The tool-screen colours of the codes 0..11 (code 0: colour 81).
using CodeColours = std::array<uint8_t, 12>;

CodeColours code_colours() {
  CodeColours c{};
  c[0] = kCodeZero;
  for (int code = 1; code < 12; ++code)
    c[static_cast<size_t>(code)] = nearest_tool_colour(project::channel_colour(code));
  return c;
}

void draw_pair(const Grid& g, const CodeColours& colours, int i, int j) {
  const ui::Rect r = g.cell(i, j);
  int colour = kNotSupported;
  if (supported(i, j)) colour = colours[static_cast<size_t>(std::clamp(project::channel(i, j), 0, 11))];
  ui::fill({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, colour);
}

void draw_map(const Grid& g, const CodeColours& colours, const Icons& icons) {
  ui::clear_screen();
  for (int i = 0; i < g.n; ++i)
    for (int j = i + 1; j < g.n; ++j) draw_pair(g, colours, i, j);
  for (int e = 0; e + 1 < g.n; ++e) draw_icon(icons, g.cell(e, 0), e);
  for (int e = 1; e < g.n; ++e) draw_icon(icons, g.cell(g.n - 1, e), e);
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
  const CodeColours colours = code_colours();
  Icons icons;
  make_icons(icons, g.n, g.w, g.h);
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
    draw_map(g, colours, icons);
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

namespace {

// The band setter's picture: the image as a run loads it, the note shown
// when it could not be read.
struct BackgroundPicture {
  media::Bitmap image;  // empty when not even the default image could be read
  std::string note;
};

BackgroundPicture load_background_picture(const std::string& path) {
  BackgroundPicture b;
  const std::string chosen = path.empty() ? std::string(engine::kDefaultBackground3d) : path;
  if (media::load_bmp(engine::program_path(chosen), b.image) == media::BmpResult::ok) return b;
  b.image = {};
  b.note = "Cannot read " + chosen + " as a BMP image: the run shows the default background";
  if (media::load_bmp(engine::program_path(engine::kDefaultBackground3d), b.image) != media::BmpResult::ok) {
    b.image = {};
    b.note = "Cannot read " + chosen + " as a BMP image";
  }
  return b;
}

// The run lays the band around the viewer, repeated `repetitions` times in a
// full turn. Preview k is the view towards a fifth k of the turn, a quarter
// turn wide: screen row y shows image row y x height / 480, as the run cuts
// the band, and the rows outside the band are shown darker.
void draw_background_preview(const media::Bitmap& image, int32_t preview, int32_t repetitions, int32_t upper,
                             int32_t lower) {
  constexpr int64_t kTurn = 4 * ui::kScreenWidth;  // screen columns in a full turn
  const int32_t w = image.width, h = image.height;
  if (w <= 0 || h <= 0 || image.pixels.size() < static_cast<size_t>(w) * static_cast<size_t>(h)) return;
  const int64_t reps = valid_repetitions(repetitions) ? repetitions : 1;
  const int64_t heading = int64_t{core::wrap_into_range(preview, 0, kPreviews - 1)} * kTurn / kPreviews;
  std::array<int32_t, ui::kScreenWidth> column{};
  for (int32_t x = 0; x < ui::kScreenWidth; ++x) {
    const int64_t at = ((heading + x - ui::kScreenWidth / 2) % kTurn + kTurn) % kTurn;  // 0 .. kTurn - 1
    column[static_cast<size_t>(x)] = static_cast<int32_t>(at * reps % kTurn * w / kTurn);
  }
  uint8_t* s = ui::screen();
  for (int32_t y = 0; y < ui::kScreenHeight; ++y) {
    const uint32_t* row = image.pixels.data() +
                          static_cast<size_t>(int64_t{y} * h / ui::kScreenHeight) * static_cast<size_t>(w);
    const bool in_band = y >= upper && y <= lower;
    for (int32_t x = 0; x < ui::kScreenWidth; ++x) {
      uint32_t p = row[column[static_cast<size_t>(x)]];
      if (!in_band) p = p >> 1 & 0x7F7F7F;
      s[y * ui::kScreenWidth + x] = ui::screen_colour(media::red_of(p), media::green_of(p), media::blue_of(p));
    }
  }
}

}  // namespace

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
  const BackgroundPicture picture = load_background_picture(scene.background);
  ui::wait_begin();
  for (bool redraw = true;;) {
    if (redraw) {
      ui::clear_screen();
      draw_background_preview(picture.image, scene.preview, scene.repetitions, upper, lower);
      ui::line(0, upper, ui::kScreenWidth - 1, upper, 255);
      ui::line(0, lower, ui::kScreenWidth - 1, lower, 255);
      // Two lines of text at the top, or at the bottom when the upper band
      // row would be under them.
      const int32_t fh = ui::font_height(), strip = 2 * fh + 4;
      const int32_t top = upper < strip && lower < ui::kScreenHeight - strip ? ui::kScreenHeight - strip : 0;
      ui::fill({0, top, ui::kScreenWidth - 1, top + strip - 1}, 0);
      ui::set_text_colour(255);
      ui::draw_text("Background preview " + std::to_string(core::wrap_into_range(scene.preview, 0, kPreviews - 1) + 1) +
                        " of " + std::to_string(kPreviews) + " (F1/F2), band rows " + std::to_string(upper) + " to " +
                        std::to_string(lower),
                    4, top + 2);
      ui::draw_text("Click to move the nearer band row; Esc keeps the band", 4, top + 2 + fh);
      if (!picture.note.empty()) {
        ui::fill({0, 240 - fh, ui::kScreenWidth - 1, 240 + fh}, 0);
        ui::draw_centred_text(picture.note, 320, 240);
      }
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
