#include "platform/blit.h"

#include <epoxy/gl.h>

#include <algorithm>

#include "platform/gl_program.h"
#include "platform/scene.h"
#include "platform/state_local.h"

namespace platform {

namespace {

constexpr char kVertex[] = R"(#version 330 core
uniform vec4 rect;   // destination x1, y1, x2, y2 in frame pixels
uniform vec4 uvs;    // source u1, v1, u2, v2
uniform vec2 frame;
out vec2 uv;
void main() {
  vec2 c = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));
  vec2 p = mix(rect.xy, rect.zw, c);
  uv = mix(uvs.xy, uvs.zw, c);
  gl_Position = vec4(p.x / frame.x * 2.0 - 1.0, 1.0 - p.y / frame.y * 2.0, 0.0, 1.0);
}
)";

constexpr char kFragment[] = R"(#version 330 core
uniform sampler2D image;
uniform float opacity;
in vec2 uv;
out vec4 result;
void main() {
  vec4 c = texture(image, uv);
  if (c.a < 0.5) discard;
  result = vec4(c.rgb, opacity);
}
)";

using Blitter = BlitObjects;

Blitter& blitter() { return state().device.blit; }

bool ready() {
  State& s = state();
  if (!s.device.context) return false;
  Blitter& b = blitter();
  if (b.program) return true;
  b.program = gl_program(kVertex, kFragment);
  if (!b.program) return false;
  b.u_rect = glGetUniformLocation(b.program, "rect");
  b.u_uvs = glGetUniformLocation(b.program, "uvs");
  b.u_frame = glGetUniformLocation(b.program, "frame");
  b.u_opacity = glGetUniformLocation(b.program, "opacity");
  glUseProgram(b.program);
  glUniform1i(glGetUniformLocation(b.program, "image"), 0);
  glGenVertexArrays(1, &b.vao);
  return true;
}

void to_gl_scissor(Rect r) {
  const DeviceObjects& d = state().device;
  glEnable(GL_SCISSOR_TEST);
  glScissor(r.x1, d.height - 1 - r.y2, r.x2 - r.x1 + 1, r.y2 - r.y1 + 1);
}

Rect clipped(Rect r) {
  const DeviceObjects& d = state().device;
  return {std::max(r.x1, 0), std::max(r.y1, 0), std::min(r.x2, d.width - 1), std::min(r.y2, d.height - 1)};
}

}  // namespace

void frame_fill(Rect r, uint32_t rgb) {
  const DeviceObjects& d = state().device;
  if (!d.context) return;
  r = clipped(r);
  if (r.x1 > r.x2 || r.y1 > r.y2) return;
  glBindFramebuffer(GL_FRAMEBUFFER, d.fbo);
  to_gl_scissor(r);
  glClearColor((rgb >> 16 & 0xFF) / 255.0f, (rgb >> 8 & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
}

void frame_blit(int texture, int sx, int sy, int w, int h, int dx, int dy, Rect clip, bool translucent) {
  uint32_t id;
  int tw, th;
  if (w <= 0 || h <= 0 || !texture_info(texture, id, tw, th) || !ready()) return;
  clip = clipped(clip);
  if (clip.x1 > clip.x2 || clip.y1 > clip.y2) return;
  const DeviceObjects& d = state().device;
  Blitter& b = blitter();
  glBindFramebuffer(GL_FRAMEBUFFER, d.fbo);
  glViewport(0, 0, d.width, d.height);
  to_gl_scissor(clip);
  glDisable(GL_DEPTH_TEST);
  if (translucent) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  } else {
    glDisable(GL_BLEND);
  }
  glUseProgram(b.program);
  glUniform4f(b.u_rect, static_cast<float>(dx), static_cast<float>(dy), static_cast<float>(dx + w),
              static_cast<float>(dy + h));
  glUniform4f(b.u_uvs, static_cast<float>(sx) / tw, static_cast<float>(sy) / th, static_cast<float>(sx + w) / tw,
              static_cast<float>(sy + h) / th);
  glUniform2f(b.u_frame, static_cast<float>(d.width), static_cast<float>(d.height));
  glUniform1f(b.u_opacity, translucent ? 0.5f : 1.0f);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, id);
  // Pixel for pixel: nearest texels whatever the texture quality.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindVertexArray(b.vao);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  glDisable(GL_BLEND);
  glDisable(GL_SCISSOR_TEST);
}

void frame_blit_full(int texture) {
  uint32_t id;
  int tw, th;
  if (!texture_info(texture, id, tw, th) || !ready()) return;
  const DeviceObjects& d = state().device;
  Blitter& b = blitter();
  glBindFramebuffer(GL_FRAMEBUFFER, d.fbo);
  glViewport(0, 0, d.width, d.height);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glUseProgram(b.program);
  glUniform4f(b.u_rect, 0, 0, static_cast<float>(d.width), static_cast<float>(d.height));
  glUniform4f(b.u_uvs, 0, 0, 1, 1);
  glUniform2f(b.u_frame, static_cast<float>(d.width), static_cast<float>(d.height));
  glUniform1f(b.u_opacity, 1.0f);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glBindVertexArray(b.vao);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

}  // namespace platform
