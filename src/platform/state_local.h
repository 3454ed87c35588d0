// The platform layer's state: the clock, the headless switch with its input
// script, and the desktop objects of a run with a display.
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/input_script.h"

struct SDL_Window;

namespace platform {

// The 2D image drawing program.
struct BlitObjects {
  uint32_t program = 0, vao = 0;
  int32_t u_rect = -1, u_uvs = -1, u_frame = -1, u_opacity = -1;
};

// The OpenGL objects of the rendering device.
struct DeviceObjects {
  void* context = nullptr;
  uint32_t fbo = 0, color = 0, depth = 0;
  uint32_t vao = 0;
  uint32_t indexed_program = 0;
  int32_t u_rect = -1, u_scale = -1;
  uint32_t index_texture = 0, palette_texture = 0;
  int width = 0, height = 0;
  char renderer[128] = {};
  BlitObjects blit;
  // 16-bit colour: every presented frame is cut to 5-6-5 into a second
  // frame, which then becomes the frame (the two trade places).
  bool colour16 = false;
  uint32_t colour16_program = 0, colour16_fbo = 0, colour16_texture = 0;
};

// Sound output: the OpenAL device and context, and the desktop output that
// plays what a loopback device renders when a run with a window records it.
struct AudioObjects {
  void* device = nullptr;
  void* context = nullptr;
  bool loopback = false;
  bool lost = false;  // answers as a device that has gone
  uint32_t monitor = 0;
  uint32_t monitor_bytes_per_second = 0;
};

// The font slots of the text renderer and the retained-mode scene (defined
// with them).
struct TextObjects;
struct SceneObjects;

struct State {
  bool headless = false;
  Clock clock;
  InputScript script;
  bool video = false;
  SDL_Window* window = nullptr;
  int32_t buttons_pressed = 0;  // mouse buttons that went down since take_mouse_presses
  int lock_fd = -1;
  DeviceObjects device;
  AudioObjects audio;
  TextObjects* text = nullptr;    // made at the first font, released with the device
  SceneObjects* scene = nullptr;  // made at the first scene object, released by scene_reset
  uint32_t scene_generation = 0;  // scenes released so far
  bool specular = true;           // material highlights drawn
};

State& state();

}  // namespace platform
