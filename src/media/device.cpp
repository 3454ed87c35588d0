#include "media/device.h"

#include <cstring>

#include "core/files.h"
#include "core/state.h"
#include "media/png.h"
#include "media/state_local.h"
#include "platform/gl_device.h"
#include "platform/video.h"

namespace media {

namespace {

constexpr DisplayMode kModes[6] = {
    {640, 480, 16, 0, 0},   {640, 480, 32, 0, 0},      {800, 600, 16, 80, 60},
    {800, 600, 32, 80, 60}, {1024, 768, 16, 192, 144}, {1024, 768, 32, 192, 144},
};

constexpr int kPointerSize = 16;

}  // namespace

DisplayMode display_mode_info(int32_t mode_bit) {
  for (int i = 0; i < 6; ++i)
    if (mode_bit == (1 << i)) return kModes[i];
  return kModes[0];
}

bool start_device(EngineSettings& s, const std::string& config, bool windowed) {
  State& m = state();
  const int drivers = platform::display_count();
  if (drivers == 0) {
    s.rendering_device = 0;
    s.available_rendering_devices = 0;
    write_config(config, s);
    core::value_box(0,
                    "Couldn't find a hardware rendering device.\nWhen run again, a software emulation device will "
                    "be used instead");
    return false;
  }
  if (s.rendering_device > drivers) s.rendering_device = drivers;
  if (s.rendering_device < 0) s.rendering_device = 0;
  s.available_rendering_devices = drivers;
  write_config(config, s);

  // Every mode of the table can be rendered: the frame is drawn at the mode's
  // size and scaled onto the display, so availability is what is legal.
  s.available_display_modes = 63 & s.legal_display_modes;
  s.display_mode = choose_display_mode(s.display_mode, s.available_display_modes);
  m.display_mode = s.display_mode;
  const DisplayMode mode = display_mode_info(s.display_mode);

  platform::DeviceRequest request;
  request.software = s.rendering_device == 0;
  request.windowed = windowed;
  request.frame_width = mode.width;
  request.frame_height = mode.height;
  request.caption = core::kClassText;
  request.colour16 = mode.bits == 16;
  std::string error;
  if (!platform::device_create(request, error)) {
    core::error_box(error);
    return false;
  }
  m.input.mouse_limit_x = mode.width - 1;
  m.input.mouse_limit_y = mode.height - 1;
  return true;
}

void stop_device() { platform::device_destroy(); }

int32_t current_display_mode() { return state().display_mode; }

bool hide_pointer(bool hidden) {
  const bool was = state().pointer_hidden;
  state().pointer_hidden = hidden;
  return was;
}

void set_pointer(const uint8_t* image) { std::memcpy(state().pointer, image, sizeof state().pointer); }

void set_tool_palette(const uint8_t* rgb) {
  State& m = state();
  // The 5-6-5 format; 32-bit modes widen the 16-bit value again.
  for (int i = 0; i < 256; ++i) {
    const uint32_t r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
    const uint16_t p = static_cast<uint16_t>((r / 8) << 11 | (g / 4) << 5 | (b / 8));
    m.tool_palette16[i] = p;
    const uint32_t r8 = (p >> 11 & 31) << 3, g8 = (p >> 5 & 63) << 2, b8 = (p & 31) << 3;
    m.tool_palette_rgba[i] = 0xFF000000u | b8 << 16 | g8 << 8 | r8;
  }
}

uint16_t tool_pixel16(int index) { return state().tool_palette16[index & 255]; }

namespace {

// Draws the pointer over the tool screen, keeping what it covers in `saved`.
void pointer_over(uint8_t* screen, uint8_t* saved, bool restore) {
  State& m = state();
  const int mx = m.input.mouse_x, my = m.input.mouse_y;
  for (int y = 0; y < kPointerSize; ++y) {
    const int sy = my + y;
    if (sy < 0 || sy >= static_cast<int>(core::kToolScreenHeight)) continue;
    for (int x = 0; x < kPointerSize; ++x) {
      const int sx = mx + x;
      if (sx < 0 || sx >= static_cast<int>(core::kToolScreenWidth)) continue;
      uint8_t& pixel = screen[sy * core::kToolScreenWidth + sx];
      if (restore) {
        pixel = saved[y * kPointerSize + x];
      } else {
        saved[y * kPointerSize + x] = pixel;
        if (uint8_t c = m.pointer[y * kPointerSize + x]) pixel = c;
      }
    }
  }
}

void draw_tool_screen(bool stretched) {
  State& m = state();
  uint8_t* screen = core::state().pools.tool_screen.bytes();
  uint8_t saved[kPointerSize * kPointerSize];
  const bool pointer = !m.pointer_hidden;
  if (pointer) pointer_over(screen, saved, false);
  const DisplayMode mode = display_mode_info(m.display_mode);
  if (stretched)
    platform::frame_draw_indexed(screen, 640, 480, m.tool_palette_rgba, 0, 0, mode.width, mode.height);
  else
    platform::frame_draw_indexed(screen, 640, 480, m.tool_palette_rgba, mode.tool_x, mode.tool_y, 640, 480);
  if (pointer) pointer_over(screen, saved, true);
  platform::frame_present();
}

}  // namespace

void present_tool_screen() { draw_tool_screen(false); }
void present_tool_screen_stretched() { draw_tool_screen(true); }

void clear_display() {
  platform::frame_clear();
  platform::frame_present();
}

bool save_screenshot(const std::string& path) {
  const int w = platform::frame_width(), h = platform::frame_height();
  if (w <= 0 || h <= 0) return false;
  State& m = state();
  if (!platform::frame_read(m.screenshot, w, h)) return false;
  return core::write_file_atomic(path, encode_png(m.screenshot, w, h));
}

}  // namespace media
