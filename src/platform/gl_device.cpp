#include "platform/gl_device.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdlib>
#include <cstring>

#include "platform/colour16.h"
#include "platform/state_local.h"
#include "platform/gl_program.h"
#include "platform/scene.h"
#include "platform/text.h"

namespace platform {

namespace {

// The largest indexed image drawn at once (the tool screen and frame images).
constexpr int kIndexedMaxWidth = 1024;
constexpr int kIndexedMaxHeight = 768;

using Device = DeviceObjects;

Device& device() { return state().device; }

constexpr char kIndexedVertex[] = R"(#version 330 core
uniform vec4 rect;
uniform vec2 scale;
out vec2 uv;
void main() {
  vec2 c = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));
  uv = vec2(c.x, 1.0 - c.y) * scale;
  gl_Position = vec4(mix(rect.xy, rect.zw, c), 0.0, 1.0);
}
)";

constexpr char kIndexedFragment[] = R"(#version 330 core
uniform sampler2D image;
uniform sampler2D palette;
in vec2 uv;
out vec4 color;
void main() {
  int index = int(texture(image, uv).r * 255.0 + 0.5);
  color = texelFetch(palette, ivec2(index, 0), 0);
}
)";

bool make_frame(Device& d, std::string& error) {
  glGenFramebuffers(1, &d.fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, d.fbo);
  glGenTextures(1, &d.color);
  glBindTexture(GL_TEXTURE_2D, d.color);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, d.width, d.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, d.color, 0);
  glGenRenderbuffers(1, &d.depth);
  glBindRenderbuffer(GL_RENDERBUFFER, d.depth);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, d.width, d.height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, d.depth);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    error = "the frame buffer cannot be created";
    return false;
  }
  glViewport(0, 0, d.width, d.height);
  return true;
}

bool make_indexed(Device& d, std::string& error) {
  d.indexed_program = gl_program(kIndexedVertex, kIndexedFragment, &error);
  if (!d.indexed_program) return false;
  d.u_rect = glGetUniformLocation(d.indexed_program, "rect");
  d.u_scale = glGetUniformLocation(d.indexed_program, "scale");
  glUseProgram(d.indexed_program);
  glUniform1i(glGetUniformLocation(d.indexed_program, "image"), 0);
  glUniform1i(glGetUniformLocation(d.indexed_program, "palette"), 1);
  glGenVertexArrays(1, &d.vao);

  glGenTextures(1, &d.index_texture);
  glBindTexture(GL_TEXTURE_2D, d.index_texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, kIndexedMaxWidth, kIndexedMaxHeight, 0, GL_RED, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glGenTextures(1, &d.palette_texture);
  glBindTexture(GL_TEXTURE_2D, d.palette_texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 256, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  return true;
}

// The letterboxed rectangle of the frame on a drawable of w x h pixels.
void letterbox(int w, int h, int& x, int& y, int& bw, int& bh) {
  const Device& d = device();
  if (int64_t(w) * d.height > int64_t(h) * d.width) {
    bh = h;
    bw = static_cast<int>(int64_t(h) * d.width / d.height);
  } else {
    bw = w;
    bh = static_cast<int>(int64_t(w) * d.height / d.width);
  }
  x = (w - bw) / 2;
  y = (h - bh) / 2;
}

}  // namespace

bool device_create(const DeviceRequest& request, std::string& error) {
  State& s = state();
  Device& d = device();
  if (!s.video) {
    error = "no video";
    return false;
  }
  if (request.software) setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
  d.width = request.frame_width;
  d.height = request.frame_height;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  Uint32 flags = SDL_WINDOW_OPENGL | (s.headless ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN);
  if (!s.headless && !request.windowed) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_ALWAYS_ON_TOP;
  s.window = SDL_CreateWindow(request.caption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, d.width, d.height,
                              flags);
  if (!s.window) {
    error = SDL_GetError();
    return false;
  }
  d.context = SDL_GL_CreateContext(s.window);
  if (!d.context) {
    error = SDL_GetError();
    device_destroy();
    return false;
  }
  SDL_GL_SetSwapInterval(s.headless ? 0 : 1);
  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  std::strncpy(d.renderer, renderer ? renderer : "", sizeof d.renderer - 1);
  if (!make_frame(d, error) || !make_indexed(d, error)) {
    device_destroy();
    return false;
  }
  // Without the cut a 16-bit mode shows its full colours; nothing else changes.
  d.colour16 = request.colour16 && colour16_create(d);
  if (!s.headless) SDL_StartTextInput();
  frame_clear();
  return true;
}

void device_destroy() {
  State& s = state();
  Device& d = device();
  fonts_release();
  scene_reset();
  if (d.context) {
    glDeleteTextures(1, &d.index_texture);
    glDeleteTextures(1, &d.palette_texture);
    glDeleteTextures(1, &d.color);
    glDeleteRenderbuffers(1, &d.depth);
    glDeleteFramebuffers(1, &d.fbo);
    glDeleteVertexArrays(1, &d.vao);
    glDeleteProgram(d.indexed_program);
    colour16_destroy(d);
    if (d.blit.program) glDeleteProgram(d.blit.program);
    if (d.blit.vao) glDeleteVertexArrays(1, &d.blit.vao);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(d.context));
  }
  if (s.window) SDL_DestroyWindow(s.window);
  s.window = nullptr;
  d = Device{};
}

bool device_exists() { return device().context != nullptr; }
int frame_width() { return device().width; }
int frame_height() { return device().height; }
const char* device_renderer() { return device().renderer; }

void frame_clear() {
  if (!device_exists()) return;
  glBindFramebuffer(GL_FRAMEBUFFER, device().fbo);
  glViewport(0, 0, device().width, device().height);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void frame_draw_indexed(const uint8_t* pixels, int width, int height, const uint32_t* palette, int x, int y, int w,
                        int h) {
  Device& d = device();
  if (!d.context || width <= 0 || height <= 0 || width > kIndexedMaxWidth || height > kIndexedMaxHeight) return;
  glBindFramebuffer(GL_FRAMEBUFFER, d.fbo);
  glViewport(0, 0, d.width, d.height);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glUseProgram(d.indexed_program);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, d.index_texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RED, GL_UNSIGNED_BYTE, pixels);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, d.palette_texture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 256, 1, GL_RGBA, GL_UNSIGNED_BYTE, palette);
  glActiveTexture(GL_TEXTURE0);
  const float fw = static_cast<float>(d.width), fh = static_cast<float>(d.height);
  glUniform4f(d.u_rect, x / fw * 2 - 1, 1 - (y + h) / fh * 2, (x + w) / fw * 2 - 1, 1 - y / fh * 2);
  glUniform2f(d.u_scale, static_cast<float>(width) / kIndexedMaxWidth, static_cast<float>(height) / kIndexedMaxHeight);
  glBindVertexArray(d.vao);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void frame_present() {
  State& s = state();
  Device& d = device();
  if (!d.context) return;
  colour16_apply(d);
  if (s.headless) {
    glFlush();
    return;
  }
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(s.window, &w, &h);
  int x, y, bw, bh;
  letterbox(w, h, x, y, bw, bh);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, d.fbo);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glViewport(0, 0, w, h);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glBlitFramebuffer(0, 0, d.width, d.height, x, y, x + bw, y + bh, GL_COLOR_BUFFER_BIT,
                    bw == d.width ? GL_NEAREST : GL_LINEAR);
  SDL_GL_SwapWindow(s.window);
  glBindFramebuffer(GL_FRAMEBUFFER, d.fbo);
}

void frame_set_colour16(bool on) {
  Device& d = device();
  if (!d.context) return;
  if (on && !d.colour16_program) colour16_create(d);
  d.colour16 = on && d.colour16_program;
}

void frame_finish() {
  if (device_exists()) glFinish();
}

bool frame_read(uint8_t* rgba, int width, int height) {
  Device& d = device();
  if (!d.context || width != d.width || height != d.height || width > 1024) return false;
  glBindFramebuffer(GL_FRAMEBUFFER, d.fbo);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  // GL rows run bottom up; the engine's run top down.
  const size_t row = static_cast<size_t>(width) * 4;
  uint8_t tmp[1024 * 4];
  for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
    std::memcpy(tmp, rgba + top * row, row);
    std::memcpy(rgba + top * row, rgba + bottom * row, row);
    std::memcpy(rgba + bottom * row, tmp, row);
  }
  return true;
}

void window_to_frame(int wx, int wy, int& fx, int& fy) {
  State& s = state();
  Device& d = device();
  if (!d.context || s.headless) {
    fx = wx;
    fy = wy;
    return;
  }
  int w = 0, h = 0, pw = 0, ph = 0;
  SDL_GetWindowSize(s.window, &w, &h);
  SDL_GL_GetDrawableSize(s.window, &pw, &ph);
  int x, y, bw, bh;
  letterbox(w, h, x, y, bw, bh);
  fx = bw > 0 ? static_cast<int>(int64_t(wx - x) * d.width / bw) : 0;
  fy = bh > 0 ? static_cast<int>(int64_t(wy - y) * d.height / bh) : 0;
}

void warp_pointer_to_frame(int fx, int fy) {
  State& s = state();
  Device& d = device();
  if (!d.context || s.headless || !s.window || d.width <= 0 || d.height <= 0) return;
  int w = 0, h = 0;
  SDL_GetWindowSize(s.window, &w, &h);
  int x, y, bw, bh;
  letterbox(w, h, x, y, bw, bh);
  const int wx = x + static_cast<int>(int64_t(fx) * bw / d.width);
  const int wy = y + static_cast<int>(int64_t(fy) * bh / d.height);
  SDL_WarpMouseInWindow(s.window, wx, wy);
}

}  // namespace platform
