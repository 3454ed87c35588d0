#include "platform/gl_program.h"

#include <epoxy/gl.h>

namespace platform {

namespace {

GLuint compile(GLenum kind, const char* source, std::string* error) {
  GLuint s = glCreateShader(kind);
  glShaderSource(s, 1, &source, nullptr);
  glCompileShader(s);
  GLint ok = 0;
  glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[512] = {};
    glGetShaderInfoLog(s, sizeof log, nullptr, log);
    if (error) *error = log;
    glDeleteShader(s);
    return 0;
  }
  return s;
}

}  // namespace

uint32_t gl_program(const char* vertex, const char* fragment, std::string* error) {
  GLuint v = compile(GL_VERTEX_SHADER, vertex, error);
  GLuint f = v ? compile(GL_FRAGMENT_SHADER, fragment, error) : 0;
  if (!f) {
    if (v) glDeleteShader(v);
    return 0;
  }
  GLuint p = glCreateProgram();
  glAttachShader(p, v);
  glAttachShader(p, f);
  glLinkProgram(p);
  glDeleteShader(v);
  glDeleteShader(f);
  GLint ok = 0;
  glGetProgramiv(p, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[512] = {};
    glGetProgramInfoLog(p, sizeof log, nullptr, log);
    if (error) *error = log;
    glDeleteProgram(p);
    return 0;
  }
  return p;
}

}  // namespace platform
