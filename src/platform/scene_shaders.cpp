// The scene's GL objects: the program with its GLSL, and the vertex and
// index buffers of the meshes.
#include <epoxy/gl.h>

#include <cstring>
#include <vector>

#include "platform/gl_program.h"
#include "platform/scene_local.h"

namespace platform {

namespace {

constexpr char kVertex[] = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 uv_in;
layout(location = 3) in vec4 colour_in;
uniform mat4 model;
uniform mat4 view;
uniform mat4 view_proj;
uniform vec4 colour;
uniform vec3 emissive;
uniform vec4 specular;         // colour and exponent (0: none)
uniform vec3 eye;              // camera position in the world
uniform bool vertex_colours;
uniform bool lit;
uniform vec3 ambient;
uniform int light_count;
uniform vec4 light_pos[8];     // xyz world position, w kind
uniform vec3 light_dir[8];
uniform vec3 light_colour[8];
uniform vec4 light_params[8];  // range, attenuation, cos umbra, cos penumbra
uniform bool fog;
uniform vec2 fog_range;
out vec4 shade;
out vec2 uv;
out float fog_amount;
void main() {
  vec4 world = model * vec4(position, 1.0);
  vec3 n = normalize(mat3(model) * normal);
  vec4 base = vertex_colours ? colour_in * colour : colour;
  vec3 light = vec3(1.0);
  vec3 shine = vec3(0.0);
  vec3 to_eye = normalize(eye - world.xyz);
  if (lit) {
    light = ambient + emissive;
    for (int i = 0; i < light_count; ++i) {
      int kind = int(light_pos[i].w);
      vec3 l;
      float k = light_params[i].y;
      if (kind == 3) {
        l = -light_dir[i];
      } else {
        vec3 d = light_pos[i].xyz - world.xyz;
        float dist = length(d);
        if (dist > light_params[i].x) continue;
        l = d / max(dist, 1e-6);
        if (kind == 2) {
          float c = dot(-l, light_dir[i]);
          k *= smoothstep(light_params[i].w, light_params[i].z, c);
        }
      }
      light += light_colour[i] * k * max(dot(n, l), 0.0);
      if (specular.w > 0.0 && dot(n, l) > 0.0)
        shine += light_colour[i] * k * specular.rgb * pow(max(dot(n, normalize(l + to_eye)), 0.0), specular.w);
    }
  }
  shade = vec4(min(min(light, vec3(1.0)) * base.rgb + shine, vec3(1.0)), base.a);
  uv = uv_in;
  float z = (view * world).z;
  fog_amount = fog ? clamp((fog_range.y - z) / max(fog_range.y - fog_range.x, 1e-6), 0.0, 1.0) : 1.0;
  gl_Position = view_proj * world;
}
)";

constexpr char kFragment[] = R"(#version 330 core
uniform sampler2D tex;
uniform bool textured;
uniform vec3 fog_colour;
in vec4 shade;
in vec2 uv;
in float fog_amount;
out vec4 result;
void main() {
  vec4 c = textured ? texture(tex, uv) * shade : shade;
  if (c.a < 0.004) discard;
  result = vec4(mix(fog_colour, c.rgb, fog_amount), c.a);
}
)";

}  // namespace

bool ready_program(SceneObjects& sc) {
  if (sc.program) return true;
  if (!gl()) return false;
  sc.program = gl_program(kVertex, kFragment);
  if (!sc.program) return false;
  auto u = [&](const char* name) { return glGetUniformLocation(sc.program, name); };
  sc.u_model = u("model");
  sc.u_view = u("view");
  sc.u_view_proj = u("view_proj");
  sc.u_colour = u("colour");
  sc.u_emissive = u("emissive");
  sc.u_vertex_colours = u("vertex_colours");
  sc.u_textured = u("textured");
  sc.u_lit = u("lit");
  sc.u_ambient = u("ambient");
  sc.u_light_count = u("light_count");
  sc.u_light_pos = u("light_pos");
  sc.u_light_dir = u("light_dir");
  sc.u_light_colour = u("light_colour");
  sc.u_light_params = u("light_params");
  sc.u_fog = u("fog");
  sc.u_fog_range = u("fog_range");
  sc.u_fog_colour = u("fog_colour");
  sc.u_specular = u("specular");
  sc.u_eye = u("eye");
  glUseProgram(sc.program);
  glUniform1i(u("tex"), 0);
  return true;
}

void release_mesh_gl(MeshRec& m) {
  if (gl()) {
    if (m.vao) glDeleteVertexArrays(1, &m.vao);
    if (m.vbo) glDeleteBuffers(1, &m.vbo);
    if (m.ibo) glDeleteBuffers(1, &m.ibo);
  }
  m.vao = m.vbo = m.ibo = 0;
}

void upload_mesh(MeshRec& m) {
  if (!gl()) return;
  const size_t n = m.positions.size();
  std::vector<float>& data = m.staging;
  data.resize(n * 9);
  for (size_t i = 0; i < n; ++i) {
    const Vec3 p = m.positions[i], nn = m.normals[i];
    const Vec2 t = m.uvs[i];
    float colour;
    uint32_t c = m.colours[i];
    std::memcpy(&colour, &c, 4);
    const float v[9] = {p.x, p.y, p.z, nn.x, nn.y, nn.z, t.u, t.v, colour};
    std::memcpy(&data[i * 9], v, sizeof v);
  }
  if (!m.vao) {
    glGenVertexArrays(1, &m.vao);
    glGenBuffers(1, &m.vbo);
    glGenBuffers(1, &m.ibo);
    glBindVertexArray(m.vao);
    glBindBuffer(GL_ARRAY_BUFFER, m.vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * 4), data.data(), GL_DYNAMIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m.ibo);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(m.indices.size() * 4), m.indices.data(),
                 GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 36, reinterpret_cast<void*>(0));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 36, reinterpret_cast<void*>(12));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, 36, reinterpret_cast<void*>(24));
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, 36, reinterpret_cast<void*>(32));
  } else {
    glBindBuffer(GL_ARRAY_BUFFER, m.vbo);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(data.size() * 4), data.data());
    if (m.indices_dirty) {
      glBindVertexArray(m.vao);  // the element buffer binding belongs to the vertex array
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m.ibo);
      glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(m.indices.size() * 4), m.indices.data());
    }
  }
  m.dirty = false;
  m.indices_dirty = false;
}

}  // namespace platform
