#include "editors/virtual_editor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>
#include <vector>

#include "brain/driver.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/int32.h"
#include "core/state.h"
#include "core/text.h"
#include "engine/hooks.h"
#include "engine/objects.h"
#include "engine/scene3d.h"
#include "engine/scene_load.h"
#include "engine/state.h"
#include "engine/run_loop.h"
#include "media/device.h"
#include "media/input.h"
#include "media/overlay.h"
#include "media/pcx.h"
#include "platform/blit.h"
#include "platform/gl_device.h"
#include "platform/platform.h"
#include "platform/scene.h"
#include "project/records.h"
#include "project/state.h"
#include "project/types.h"
#include "ui/events.h"
#include "ui/screen.h"

namespace editors {

namespace {

constexpr int kEscape = 1, kKeyA = 30, kKeyZ = 44, kKeyS = 31, kKeyU = 22, kKeyH = 35, kKeyV = 47;
constexpr int kPageUp = 73, kPageDown = 81, kUp = 72, kDown = 80, kLeft = 75, kRight = 77;
constexpr int kF5 = 63, kF8 = 66;
constexpr int32_t kMetre = 512000;  // position units
constexpr int kOverlayFont = 15;

// Menu icons, by position in the bar.
enum Icon : int {
  kIconSprites = 0,
  kIconPrevious,
  kIconNext,
  kIconVirtual,
  kIconTop,
  kIconBack,
  kIconRight,
  kIconResetX,
  kIconResetY,
  kIconResetZ,
  kIconResetRx,
  kIconResetRy,
  kIconResetRz,
  kIconScaling,
  kIconUndo,
  kIconMoveBar,
  kIconMinimise,
  kIconExit,
};

// The values one operation can change and Undo restores: position,
// rotation, velocity, spin and the three scale values.
constexpr int kSaved[] = {core::kPosition,     core::kPosition + 1, core::kPosition + 2, core::kRotation,
                          core::kRotation + 1, core::kRotation + 2, core::kVelocity,     core::kVelocity + 1,
                          core::kVelocity + 2, core::kSpin,         core::kSpin + 1,     core::kSpin + 2,
                          core::kScaleX,       core::kScaleY,       core::kScaleZ};
constexpr int kSavedCount = static_cast<int>(sizeof kSaved / sizeof kSaved[0]);
using Saved = std::array<int32_t, kSavedCount>;

std::string thousandths(int64_t v) {
  return core::thousandths_to_text(static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN + 1, INT32_MAX)));
}
std::string metres(int32_t v) { return thousandths(v / 512); }
std::string degrees(int32_t v) { return thousandths(int64_t{v} * 1000 / 512); }
std::string speed_text(int64_t v) { return thousandths(v * 1000 / 17067); }

bool plain_type(int type) { return type == project::kSprite || type == project::kCounter; }
bool scalable_type(int type) {
  return type == project::kVisual || type == project::kShape3d || type == project::kXModel;
}

int32_t* words(int e) { return core::element_state(e)->w; }

int64_t isqrt(uint64_t v) {
  uint64_t r = static_cast<uint64_t>(std::sqrt(static_cast<double>(v)));
  while (r * r > v) --r;
  while ((r + 1) * (r + 1) <= v) ++r;
  return static_cast<int64_t>(r);
}

int32_t sat(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

class Editor {
 public:
  Editor(int32_t current, int32_t design_scale)
      : count_(engine::state().scene.element_count),
        current_(std::clamp(current, 0, std::max(count_ - 1, 0))),
        step_(std::clamp(design_scale, 1, 1000000)),
        undo_(static_cast<size_t>(count_)),
        start_scale_(static_cast<size_t>(count_)) {
    for (int e = 0; e < count_; ++e)
      start_scale_[e] = {words(e)[core::kScaleX], words(e)[core::kScaleY], words(e)[core::kScaleZ]};
    take_undo();
    load_menu();
    media::overlay_font_set("Arial", 400, kOverlayFont, 14);
  }
  ~Editor() {
    if (menu_texture_ > 0) platform::texture_delete(menu_texture_);
  }
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;

  int32_t current() const { return current_; }

  void run() {
    media::flush();
    while (true) {
      media::pump();
      if (platform::headless() && media::input_exhausted() && !media::key_event_waiting())
        media::inject_default_key(false);
      bool leave = false;
      while (media::key_event_waiting()) {
        media::next_key_event();
        if (key(media::input().current_scancode)) leave = true;
      }
      if (leave || mouse()) break;
      draw();
      if (!platform::headless()) platform::idle_ms(15);
    }
  }

 private:
  int type() const { return project::element_type(current_); }
  int32_t* cw() const { return words(current_); }
  bool sprite() const { return plain_type(type()); }

  void take_undo() {
    for (int e = 0; e < count_; ++e)
      for (int k = 0; k < kSavedCount; ++k) undo_[e][k] = words(e)[kSaved[k]];
  }
  void undo() {
    for (int e = 0; e < count_; ++e)
      for (int k = 0; k < kSavedCount; ++k) words(e)[kSaved[k]] = undo_[e][k];
  }

  void select(int delta) {
    if (count_ <= 0) return;
    current_ = (current_ + delta + count_) % count_;
  }

  // The first camera that is on: the virtual view's eye.
  int camera() const {
    for (int e = 0; e < count_; ++e)
      if (project::element_type(e) == project::kCamera && (words(e)[core::kFlags] & core::kFlagOn)) return e;
    return -1;
  }

  // World axes of the two screen directions of a 2D view (right, up).
  std::pair<int, int> axes() const {
    switch (view_) {
      case EditView::back: return {0, 1};
      case EditView::right: return {2, 1};
      default: return {0, 2};
    }
  }

  int32_t screen_w() const { return platform::frame_width(); }
  int32_t screen_h() const { return platform::frame_height(); }

  // World position units of one screen pixel in a 2D view.
  int64_t units_per_pixel() const { return std::max<int64_t>(1, kMetre / zoom_); }

  bool key(int sc) {
    const bool ctrl = (media::modifiers() & media::kControl) != 0;
    if (sc == kEscape) return true;
    if (sc == kPageUp) select(-1);
    if (sc == kPageDown) select(1);
    if (sc >= kF5 && sc <= kF8) view_ = static_cast<EditView>(sc - kF5);
    if (sc == kKeyS) restore_scaling();
    if (sc == kKeyU) undo();
    if (sc == kKeyH) {
      take_undo();
      cw()[core::kFlags] ^= core::kFlagShown;
    }
    if (sc == kKeyV) velocity_mode_ = !velocity_mode_;
    const bool arrow = sc == kUp || sc == kDown || sc == kLeft || sc == kRight;
    if (arrow && ctrl) {
      nudge(sc);
    } else if (arrow || sc == kKeyA || sc == kKeyZ) {
      camera_key(sc);
    }
    return false;
  }

  // Ctrl + a cursor key: the element moves one design step along the view's
  // axes (sprites: one pixel).
  void nudge(int sc) {
    take_undo();
    const int dx = sc == kLeft ? -1 : sc == kRight ? 1 : 0, dy = sc == kUp ? 1 : sc == kDown ? -1 : 0;
    if (sprite()) {
      move_sprite(cw()[core::kPosition] + dx, cw()[core::kPosition + 1] - dy);
      return;
    }
    const auto [a, b] = axes();
    const int64_t step = int64_t{step_} * 1000;
    cw()[core::kPosition + a] = sat(cw()[core::kPosition + a] + dx * step);
    cw()[core::kPosition + b] = sat(cw()[core::kPosition + b] + dy * step);
  }

  // A and Z zoom (2D views) or move the eye camera forward and back; the
  // cursor keys pan the 2D views or move the camera sideways and up.
  void camera_key(int sc) {
    if (view_ != EditView::virtual_view) {
      if (sc == kKeyA) zoom_ = std::min(zoom_ * 5 / 4 + 1, 4000);
      if (sc == kKeyZ) zoom_ = std::max(zoom_ * 4 / 5, 1);
      const int64_t pan = units_per_pixel() * 32;
      if (sc == kLeft) centre_[0] = sat(centre_[0] - pan);
      if (sc == kRight) centre_[0] = sat(centre_[0] + pan);
      if (sc == kUp) centre_[1] = sat(centre_[1] + pan);
      if (sc == kDown) centre_[1] = sat(centre_[1] - pan);
      return;
    }
    const int cam = camera();
    if (cam < 0) return;
    take_undo();
    int32_t* p = words(cam) + core::kPosition;
    const int64_t step = int64_t{step_} * 1000;
    if (sc == kKeyA) p[2] = sat(p[2] + step);
    if (sc == kKeyZ) p[2] = sat(p[2] - step);
    if (sc == kLeft) p[0] = sat(p[0] - step);
    if (sc == kRight) p[0] = sat(p[0] + step);
    if (sc == kUp) p[1] = sat(p[1] + step);
    if (sc == kDown) p[1] = sat(p[1] - step);
  }

  void restore_scaling() {
    take_undo();
    const auto& s = start_scale_[current_];
    cw()[core::kScaleX] = s[0];
    cw()[core::kScaleY] = s[1];
    cw()[core::kScaleZ] = s[2];
  }

  void move_sprite(int32_t x, int32_t y) {
    if (clipped_) {
      x = std::clamp(x, 0, screen_w() - 1);
      y = std::clamp(y, 0, screen_h() - 1);
    }
    cw()[core::kPosition] = x;
    cw()[core::kPosition + 1] = y;
  }

  ui::Rect icon_rect(int i) const {
    return {menu_x_ + i * kIconSize, menu_y_, menu_x_ + i * kIconSize + kIconSize - 1, menu_y_ + kIconSize - 1};
  }
  int icon_at(int32_t x, int32_t y) const {
    for (int i = 0; i < kMenuIcons; ++i)
      if (icon_rect(i).contains(x, y)) return i;
    return -1;
  }

  // One press of an icon; true to leave.
  bool icon(int i) {
    switch (i) {
      case kIconSprites: clipped_ = !clipped_; break;
      case kIconPrevious: select(-1); break;
      case kIconNext: select(1); break;
      case kIconVirtual:
      case kIconTop:
      case kIconBack:
      case kIconRight: view_ = static_cast<EditView>(i - kIconVirtual); break;
      case kIconResetX:
      case kIconResetY:
      case kIconResetZ:
        take_undo();
        cw()[core::kPosition + i - kIconResetX] = 0;
        break;
      case kIconResetRx:
      case kIconResetRy:
      case kIconResetRz:
        take_undo();
        cw()[core::kRotation + i - kIconResetRx] = 0;
        break;
      case kIconScaling: restore_scaling(); break;
      case kIconUndo: undo(); break;
      case kIconMinimise: ui::minimise_and_wait(); break;
      case kIconExit: return true;
      default: break;
    }
    return false;
  }

  // The mouse: a press on the menu bar works its icon; a drag in the view
  // edits the current element. True to leave.
  bool mouse() {
    const media::Input& in = media::input();
    const int32_t x = in.mouse_x, y = in.mouse_y, buttons = in.mouse_buttons;
    // A click shorter than a pump pass still counts as a press.
    const int32_t pressed = (buttons | media::take_button_presses()) & ~last_buttons_;
    const int mods = media::modifiers();
    bool leave = false;
    if (pressed) {
      drag_x_ = x;
      drag_y_ = y;
      const int hit = icon_at(x, y);
      dragging_bar_ = hit == kIconMoveBar && (pressed & 1);
      on_bar_ = hit >= 0;
      if (hit >= 0 && !dragging_bar_ && (pressed & 1)) leave = icon(hit);
      if (!on_bar_) {
        take_undo();
        if ((pressed & 1) && (mods & media::kControl)) set_position_at(x, y);
        grabbed_ = (pressed & 1) && !(mods & (media::kControl | media::kAlt | media::kShift)) && pick_at();
      }
    }
    if (buttons && (x != drag_x_ || y != drag_y_)) {
      const int32_t dx = x - drag_x_, dy = y - drag_y_;
      if (dragging_bar_) {
        menu_x_ = std::clamp(menu_x_ + dx, 0, std::max(0, screen_w() - kMenuIcons * kIconSize));
        menu_y_ = std::clamp(menu_y_ + dy, 0, std::max(0, screen_h() - kIconSize));
      } else if (!on_bar_) {
        drag(buttons, mods, dx, dy, x, y);
      }
      drag_x_ = x;
      drag_y_ = y;
    }
    if (!buttons) dragging_bar_ = on_bar_ = grabbed_ = false;
    last_buttons_ = buttons;
    return leave;
  }

  // A left click in the virtual view on an element selects it (as Page Up
  // and Page Down do); a drag that starts there moves it in the view plane.
  bool pick_at() {
    if (view_ != EditView::virtual_view || velocity_mode_) return false;
    const auto pick = engine::hooks().pick;
    if (!pick) return false;
    const int e = core::element_index(pick());
    if (e < 0 || e >= count_) return false;
    current_ = e;
    return !sprite();
  }

  // The viewport of the virtual view's eye, -1 without one.
  int eye_viewport() const {
    const int cam = camera();
    if (cam < 0) return -1;
    const int o = engine::current_object(*core::element_state(cam));
    return o < 0 ? -1 : engine::state().views.object_viewport[o];
  }

  // The picked element follows the mouse at its own depth in the view.
  void move_in_view(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const int v = eye_viewport();
    if (v < 0) return;
    int32_t* p = cw() + core::kPosition;
    const core::Vec3 at{p[0] / 512000.0f, p[1] / 512000.0f, p[2] / 512000.0f};
    const float depth = platform::viewport_transform(v, at).w;
    if (!(depth > 0) || !std::isfinite(depth)) return;
    const core::Vec3 a = platform::viewport_inverse_transform(v, static_cast<float>(x0), static_cast<float>(y0), depth);
    const core::Vec3 b = platform::viewport_inverse_transform(v, static_cast<float>(x1), static_cast<float>(y1), depth);
    const float d[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
    for (int k = 0; k < 3; ++k)
      if (std::isfinite(d[k])) p[k] = sat(p[k] + static_cast<int64_t>(std::clamp(d[k] * 512000.0f, -2e9f, 2e9f)));
  }

  // Ctrl + click: the element (or sprite) is put where the mouse points.
  void set_position_at(int32_t x, int32_t y) {
    if (sprite()) {
      move_sprite(x, y);
      return;
    }
    if (view_ == EditView::virtual_view) return;
    const auto [a, b] = axes();
    cw()[core::kPosition + a] = sat(centre_[0] + (x - screen_w() / 2) * units_per_pixel());
    cw()[core::kPosition + b] = sat(centre_[1] - (y - screen_h() / 2) * units_per_pixel());
  }

  void drag(int32_t buttons, int mods, int32_t dx, int32_t dy, int32_t x, int32_t y) {
    int32_t* w = cw();
    if (buttons & 2) {  // right: scale a visual
      if (!scalable_type(type())) return;
      for (int k : {core::kScaleX, core::kScaleY, core::kScaleZ}) w[k] = std::max(1, sat(w[k] - int64_t{dy} * 10));
      return;
    }
    if (!(buttons & 1)) return;
    if (sprite()) {
      if (mods & media::kControl) move_sprite(x, y);
      return;
    }
    if (grabbed_ && !velocity_mode_ && view_ == EditView::virtual_view) {
      move_in_view(x - dx, y - dy, x, y);
      return;
    }
    const auto [a, b] = axes();
    const int64_t unit = view_ == EditView::virtual_view ? std::max<int64_t>(1, int64_t{step_} * 1000 / 16)
                                                         : units_per_pixel();
    if (velocity_mode_) {  // the drag from the press point is the velocity
      w[core::kVelocity + a] = sat(w[core::kVelocity + a] + int64_t{dx} * 17067 / 20);
      w[core::kVelocity + b] = sat(w[core::kVelocity + b] - int64_t{dy} * 17067 / 20);
      return;
    }
    if (mods & media::kAlt) {  // rotate: a degree a pixel
      w[core::kRotation + 1] = core::wrap_into_range(sat(w[core::kRotation + 1] + int64_t{dx} * 512), 0, 184319);
      w[core::kRotation] = core::wrap_into_range(sat(w[core::kRotation] + int64_t{dy} * 512), 0, 184319);
      return;
    }
    if ((mods & media::kShift) && view_ == EditView::virtual_view) {
      w[core::kPosition + 1] = sat(w[core::kPosition + 1] - dy * unit);
      return;
    }
    w[core::kPosition + a] = sat(w[core::kPosition + a] + dx * unit);
    w[core::kPosition + b] = sat(w[core::kPosition + b] - dy * unit);
  }

  // --- drawing

  void load_menu() {
    std::string bytes;
    if (!media::read_image_file(core::state().folders.data + "mini02.pcx", bytes)) return;
    const media::PcxImage img = media::decode_pcx(media::as_bytes(bytes), media::PcxMode::file_palette);
    if (!img.usable || img.pixels.size() < static_cast<size_t>(img.size.pixels())) return;
    std::vector<uint32_t> rgba(static_cast<size_t>(img.size.pixels()));
    for (size_t i = 0; i < rgba.size(); ++i) {
      const media::Rgb c = img.palette[img.pixels[i]];
      rgba[i] = img.pixels[i] == 0 ? 0 : 0xFF000000u | uint32_t{c.b} << 16 | uint32_t{c.g} << 8 | c.r;
    }
    menu_texture_ = platform::texture_create(rgba.data(), img.size.width, img.size.height);
    menu_w_ = img.size.width;
    menu_h_ = img.size.height;
  }

  void text(int32_t x, int32_t y, uint32_t colour, const std::string& t) {
    media::overlay_position(x, y);
    media::overlay_colour(static_cast<int32_t>(colour));
    media::overlay_text(t.c_str(), kOverlayFont);
  }

  int help() const {
    const int t = type();
    if (sprite()) return clipped_ ? 6 : 7;
    if (velocity_mode_) return 3;
    const bool virt = view_ == EditView::virtual_view;
    if (t == project::kCamera) return virt ? 4 : 5;
    if (t == project::kLight || t == project::kBoundary || t == project::kTrack) return virt ? 8 : 5;
    return virt ? 0 : 1;
  }

  void draw_plan() {
    const platform::Rect all{0, 0, screen_w() - 1, screen_h() - 1};
    platform::frame_fill(all, 0x1C2430);
    const auto [a, b] = axes();
    const int64_t upp = units_per_pixel();
    // A line a metre (or more, when they would crowd) apart.
    int64_t spacing = kMetre;
    while (spacing / upp < 8) spacing *= 10;
    const int64_t left = centre_[0] - screen_w() / 2 * upp, top = centre_[1] + screen_h() / 2 * upp;
    for (int64_t g = left - left % spacing; g < left + screen_w() * upp; g += spacing) {
      const int32_t sx = static_cast<int32_t>((g - left) / upp);
      platform::frame_fill({sx, 0, sx, screen_h() - 1}, g == 0 ? 0x60708A : 0x2C3644);
    }
    for (int64_t g = top - top % spacing; g > top - screen_h() * upp; g -= spacing) {
      const int32_t sy = static_cast<int32_t>((top - g) / upp);
      platform::frame_fill({0, sy, screen_w() - 1, sy}, g == 0 ? 0x60708A : 0x2C3644);
    }
    for (int e = 0; e < count_; ++e) {
      const int t = project::element_type(e);
      if (plain_type(t) || t == project::kFrame || t == project::kBackground) continue;
      const int32_t* w = words(e);
      const int64_t sx = (w[core::kPosition + a] - left) / upp, sy = (top - w[core::kPosition + b]) / upp;
      if (sx < -8 || sy < -8 || sx > screen_w() + 8 || sy > screen_h() + 8) continue;
      const int32_t x = static_cast<int32_t>(sx), y = static_cast<int32_t>(sy);
      const int r = e == current_ ? 4 : 2;
      const uint32_t colour = e == current_ ? 0xFFD040 : t == project::kCamera ? 0x40C0FF : 0xC0C0C0;
      platform::frame_fill({x - r, y - r, x + r, y + r}, colour);
      if (e == current_) text(x + 8, y - 8, 0xFFD040, project::get_field(e, project::kFieldName));
    }
  }

  void draw() {
    if (!media::window_active()) return;
    media::overlay_clear();
    if (view_ == EditView::virtual_view) {
      platform::frame_fill({0, 0, screen_w() - 1, screen_h() - 1}, 0);
      engine::show_editor_markers(sprite() ? -1 : current_);
      if (auto* f = engine::hooks().draw_views) f();
    } else {
      draw_plan();
    }
    if (menu_texture_ > 0) {
      platform::frame_blit(menu_texture_, 0, 0, menu_w_, menu_h_, menu_x_, menu_y_,
                           {0, 0, screen_w() - 1, screen_h() - 1}, false);
    } else {
      for (int i = 0; i < kMenuIcons; ++i) {
        const ui::Rect r = icon_rect(i);
        platform::frame_fill({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, 0x808890);
      }
    }
    const media::Input& in = media::input();
    const int hover = icon_at(in.mouse_x, in.mouse_y);
    if (hover >= 0) text(menu_x_, menu_y_ + kIconSize + 2, 0xFFFF80, menu_tooltip(hover));

    const int32_t* w = cw();
    std::string title = element_title(current_);
    const int cam = camera();
    if (!sprite() && cam >= 0 && cam != current_) {
      const int32_t* c = words(cam);
      uint64_t sum = 0;
      for (int k = 0; k < 3; ++k) {
        const int64_t d = (int64_t{w[core::kPosition + k]} - c[core::kPosition + k]) / 512;
        sum += static_cast<uint64_t>(d * d);
      }
      title += distance_text(static_cast<int32_t>(std::min<int64_t>(isqrt(sum), INT32_MAX)));
    }
    const int32_t y0 = screen_h() - 54;
    text(4, y0, 0xFFFFFF, title);
    std::string status;
    if (sprite())
      status = sprite_status(w, false);
    else if (velocity_mode_)
      status = position_rotation_status(w) + velocity_status(w);
    else if (scalable_type(type()))
      status = position_rotation_status(w) + "  " + scale_status(w);
    else
      status = position_rotation_status(w);
    text(4, y0 + 17, 0xC0FFC0, status);
    std::string help_text = help_line(help());
    if (scalable_type(type()) && !velocity_mode_) help_text += "   " + std::string(help_line(2));
    text(4, y0 + 34, 0xC0C0FF, help_text);
    media::overlay_draw();
    platform::frame_present();
  }

  int count_;
  int32_t current_;
  int32_t step_;
  std::vector<Saved> undo_;
  std::vector<std::array<int32_t, 3>> start_scale_;
  EditView view_ = EditView::virtual_view;
  bool clipped_ = true;
  bool velocity_mode_ = false;
  int zoom_ = 20;  // pixels per metre of the 2D views
  int32_t centre_[2] = {0, 0};
  int32_t menu_x_ = 8, menu_y_ = 8;
  int menu_texture_ = 0, menu_w_ = 0, menu_h_ = 0;
  int32_t last_buttons_ = 0, drag_x_ = 0, drag_y_ = 0;
  bool dragging_bar_ = false, on_bar_ = false;
  bool grabbed_ = false;  // the drag started on an element of the virtual view
};

void release() {
  if (engine::hooks().release_scene) engine::hooks().release_scene();
  engine::set_editor_scene(false);
}

void compile_editor_brains() {
  brain::CompileRequest request;
  request.editor_mode = true;
  for (int e = 0; e < engine::state().scene.element_count; ++e)
    request.elements.push_back(
        {project::get_field(e, project::kFieldName), project::get_field(e, project::kFieldBrain), std::nullopt});
  brain::compile_project(request);
}

}  // namespace

std::string menu_tooltip(int icon) {
  static constexpr const char* kTips[kMenuIcons] = {"Sprites editing mode (Clipped/Unclipped switch)",
                                                    "Select previous element (PgUp or Shift+PgUp)",
                                                    "Select next element (PgDn or Shift+PgDn)",
                                                    "Virtual edit mode (F5)",
                                                    "Top View edit mode (F6)",
                                                    "Back View edit mode (F7)",
                                                    "Right View edit mode (F8)",
                                                    "Reset X position to 0",
                                                    "Reset Y position to 0",
                                                    "Reset Z position to 0",
                                                    "Reset X rotation to 0",
                                                    "Reset Y rotation to 0",
                                                    "Reset Z rotation to 0",
                                                    "Restore original scaling (S)",
                                                    "Undo last operation (U)",
                                                    "Move menu bar",
                                                    "Minimize application (Alt+Tab)",
                                                    "Exit Virtual Editor (Esc)"};
  if (icon < 0 || icon >= kMenuIcons) return {};
  std::string tip = kTips[icon];
  if (icon >= kIconResetRx && icon <= kIconResetRz) tip += static_cast<char>(248);
  return tip;
}

const char* help_line(int n) {
  static constexpr const char* kLines[9] = {"A,Z,CurKeys = move camera, Mouse = position/rotate element",
                                            "A,Z Keys = zoom, Mouse = position/rotate element",
                                            "RightMouseClick & drag = scale current visual",
                                            "Mouse = set element's velocity vector",
                                            "A,Z,CurKeys = move camera, Ctrl+Mouse = set element position",
                                            "Ctrl+Mouse = set element position",
                                            "H = show sprite, Ctrl+Mouse = set sprite position (CLIPPED MODE)",
                                            "H = show sprite, Ctrl+Mouse = set sprite position (UNCLIPPED MODE)",
                                            "A,Z,CurKeys = move camera, Mouse set element position"};
  return n >= 0 && n < 9 ? kLines[n] : "";
}

std::string scale_status(const int32_t* w) {
  return "Scale: " + thousandths(w[core::kScaleX]) + "," + thousandths(w[core::kScaleY]) + "," +
         thousandths(w[core::kScaleZ]);
}

std::string position_rotation_status(const int32_t* w) {
  const int32_t* p = w + core::kPosition;
  const int32_t* r = w + core::kRotation;
  return metres(p[0]) + "," + metres(p[1]) + "," + metres(p[2]) + " meters & " + degrees(r[0]) + "," + degrees(r[1]) +
         "," + degrees(r[2]) + " degrees";
}

std::string position_scale_status(const int32_t* w) {
  const int32_t* p = w + core::kPosition;
  return "Position: " + metres(p[0]) + "," + metres(p[1]) + "," + metres(p[2]) +
         ", scale: " + thousandths(w[core::kScaleX]) + "," + thousandths(w[core::kScaleY]);
}

std::string sprite_status(const int32_t* w, bool object3d) {
  int32_t x = w[core::kPosition], y = w[core::kPosition + 1];
  if (object3d) {
    x /= 512;
    y /= 512;
  }
  return "(" + std::to_string(x) + "," + std::to_string(y) + ")";
}

std::string velocity_status(const int32_t* w) {
  const int32_t* v = w + core::kVelocity;
  uint64_t sum = 0;
  for (int k = 0; k < 3; ++k) {
    const int64_t c = v[k] / 1024;
    sum += static_cast<uint64_t>(c * c);
  }
  return " (" + speed_text(v[0]) + "," + speed_text(v[1]) + "," + speed_text(v[2]) + " = " +
         speed_text(isqrt(sum) * 1024) + " m/sec)";
}

std::string distance_text(int32_t thousandths_value) { return " (distance: " + thousandths(thousandths_value) + " m)"; }

std::string element_title(int element) {
  std::string name = project::get_field(element, project::kFieldName);
  if (!(words(element)[core::kFlags] & core::kFlagOn)) name += " (DISABLED, NOT VISIBLE)";
  return name;
}

void write_back(int e, const int32_t* loaded) {
  const int32_t* w = words(e);
  const bool plain = plain_type(project::element_type(e));
  auto put = [&](int field, int word, int64_t converted) {
    if (loaded && w[word] == loaded[word]) return;
    if (plain)
      project::set_field(e, field, std::to_string(w[word]));
    else
      project::set_field(e, field, thousandths(converted));
  };
  for (int k = 0; k < 3; ++k) {
    put(5 + k, core::kPosition + k, w[core::kPosition + k] / 512);
    put(11 + k, core::kRotation + k, int64_t{w[core::kRotation + k]} * 1000 / 512);
    put(17 + k, core::kVelocity + k, int64_t{w[core::kVelocity + k]} * 1000 / 17067);
    put(23 + k, core::kSpin + k, int64_t{w[core::kSpin + k]} * 10000 / 1024);
  }
  auto whole = [&](int field, int word) {
    if (!loaded || w[word] != loaded[word]) project::set_field(e, field, std::to_string(w[word]));
  };
  whole(29, core::kCredits);
  whole(31, core::kElementId);
  // Scale values are read as thousandths for every type, so they are
  // written so for sprites and counters too.
  const int scale_words[3] = {core::kScaleX, core::kScaleY, core::kScaleZ};
  for (int k = 0; k < 3; ++k)
    if (!loaded || w[scale_words[k]] != loaded[scale_words[k]])
      project::set_field_thousandths(e, project::kFieldScaleX + k, w[scale_words[k]]);
}

bool camera_enabled() {
  for (int e = 0; e < engine::state().scene.element_count; ++e)
    if (project::element_type(e) == project::kCamera && (words(e)[core::kFlags] & core::kFlagOn)) return true;
  return false;
}

void run_virtual_editor(int32_t& current, int32_t design_scale, const std::string& screenshot) {
  engine::State& s = engine::state();
  // Loading writes object counts and camera options into the records; the
  // editor hands back only the values it edits.
  const int last = project::last_index();
  std::vector<std::string> records;
  for (int e = 0; e <= last; ++e) records.push_back(project::record(e));

  media::pump();
  media::flush();
  // The run flag is clear outside a run: random ranges are ignored.
  core::notice("Loading data, please wait...");
  engine::set_editor_scene(true);
  const bool loaded = engine::load_phase();
  if (loaded) {
    core::notice("Initializing objects, please wait...");
    engine::initialize_phase();
    core::notice("Compiling brains, please wait...");
    compile_editor_brains();
  }
  core::notice("");
  auto restore = [&] {
    for (int e = 0; e <= last && e < static_cast<int>(records.size()); ++e) project::set_record(e, records[e]);
  };
  if (!loaded) {
    release();
    restore();
    return;
  }
  // The editor lines of the brains place and dress the elements once.
  engine::tick();

  if (!camera_enabled()) {
    core::box("To virtual edit the project enable|at least one camera element first!", " OK ", " OK ");
    release();
    restore();
    return;
  }

  const int count = s.scene.element_count;
  std::vector<core::ElementState> start(static_cast<size_t>(count));
  for (int e = 0; e < count; ++e) start[e] = *core::element_state(e);
  {
    Editor editor(current, design_scale);
    editor.run();
    current = editor.current();
  }
  if (!screenshot.empty() && !media::save_screenshot(screenshot)) core::error_box("Cannot write " + screenshot);
  restore();
  for (int e = 0; e < count; ++e) write_back(e, start[e].w);
  release();
  media::pump();
}

}  // namespace editors
