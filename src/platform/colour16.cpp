// The colour depth of the 16-bit display modes: before a frame is shown its
// pixels are cut to 5 bits of red, 6 of green and 5 of blue, each widened
// again by zero bits, which is what a 5-6-5 surface shows.
#include "platform/colour16.h"

#include <epoxy/gl.h>

#include <utility>

#include "platform/gl_program.h"

namespace platform {

namespace {

constexpr char kVertex[] = R"(#version 330 core
void main() {
  vec2 c = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));
  gl_Position = vec4(c * 2.0 - 1.0, 0.0, 1.0);
}
)";

constexpr char kFragment[] = R"(#version 330 core
uniform sampler2D frame;
out vec4 color;
void main() {
  uvec3 c = uvec3(texelFetch(frame, ivec2(gl_FragCoord.xy), 0).rgb * 255.0 + 0.5);
  color = vec4(vec3(c & uvec3(0xF8u, 0xFCu, 0xF8u)) / 255.0, 1.0);
}
)";

}  // namespace

bool colour16_create(DeviceObjects& d) {
  d.colour16_program = gl_program(kVertex, kFragment);
  if (!d.colour16_program) return false;
  glUseProgram(d.colour16_program);
  glUniform1i(glGetUniformLocation(d.colour16_program, "frame"), 0);
  glGenTextures(1, &d.colour16_texture);
  glBindTexture(GL_TEXTURE_2D, d.colour16_texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, d.width, d.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glGenFramebuffers(1, &d.colour16_fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, d.colour16_fbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, d.colour16_texture, 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, d.depth);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, d.fbo);
  if (!complete) colour16_destroy(d);
  return complete;
}

void colour16_destroy(DeviceObjects& d) {
  if (d.colour16_program) glDeleteProgram(d.colour16_program);
  if (d.colour16_texture) glDeleteTextures(1, &d.colour16_texture);
  if (d.colour16_fbo) glDeleteFramebuffers(1, &d.colour16_fbo);
  d.colour16_program = d.colour16_texture = d.colour16_fbo = 0;
}

void colour16_apply(DeviceObjects& d) {
  if (!d.colour16 || !d.colour16_program) return;
  glBindFramebuffer(GL_FRAMEBUFFER, d.colour16_fbo);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, d.color);
  glViewport(0, 0, d.width, d.height);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_SCISSOR_TEST);
  glUseProgram(d.colour16_program);
  glBindVertexArray(d.vao);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  std::swap(d.fbo, d.colour16_fbo);
  std::swap(d.color, d.colour16_texture);
  glBindFramebuffer(GL_FRAMEBUFFER, d.fbo);
}

}  // namespace platform
