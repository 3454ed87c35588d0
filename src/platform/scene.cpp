#include "platform/scene.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gl_program.h"
#include "platform/state.h"

namespace platform {

using core::Group;

struct FrameRec {
  bool used = false;
  int parent = -1, first_child = -1, next_sibling = -1;
  Vec3 position;
  Vec3 right{1, 0, 0}, up{0, 1, 0}, dir{0, 0, 1};
  Vec3 scale{1, 1, 1};
  bool visible = true, pickable = true;
  int32_t sort = kSortFrontToBack;
  bool fog = false;
  float fog_start = 0, fog_end = 1;
  uint32_t fog_colour = 0;
  int mesh = -1;
  int32_t depth_mode = kDepthTestWrite;
  int32_t part_order = 0;
  bool owns_mesh = false;  // frame_own_mesh made sure no other frame draws this mesh
};

struct GroupRec {
  uint32_t first = 0, count = 0;
  Material material;
  int texture = -1;
  bool visible = true;
  Vec3 centre;  // of the group's vertices, kept while !MeshRec::centres_dirty
};

struct MeshRec {
  bool used = false;
  std::vector<Vec3> positions, normals;
  std::vector<Vec2> uvs;
  std::vector<uint32_t> colours;
  std::vector<uint32_t> indices;
  std::vector<GroupRec> groups;
  bool has_colours = false;
  bool unlit = false;
  bool dirty = true;
  bool indices_dirty = false;
  bool centres_dirty = true;
  std::vector<float> staging;  // upload buffer, kept to avoid reallocating on edits
  uint32_t vao = 0, vbo = 0, ibo = 0;
};

struct ShadowRec {
  bool used = false;
  int caster = -1;
  bool point = false;
  Vec3 light{0, -1, 0};
  Vec3 plane_point, plane_normal{0, 1, 0};
  float alpha = 0.5f;
};

struct TextureRec {
  bool used = false;
  uint32_t id = 0;
  int width = 0, height = 0;
  bool translucent = false;
};

struct LightRec {
  bool used = false;
  int frame = -1;
  int32_t kind = kLightAmbient;
  float r = 1, g = 1, b = 1;
  float attenuation = 1;
  float range = 1000;
  float umbra = 0.4f, penumbra = 0.6f;
};

struct ViewportRec {
  bool used = false;
  int camera = -1;
  int x = 0, y = 0, width = 1, height = 1;
  float field = 0.5f, front = 1, back = 100;
};

// One mesh instance to draw.
struct DrawItem {
  int mesh;
  int group;
  Mat4 world;
  float depth;
  bool translucent;
  int frame;
  float part_depth;  // view depth of the group's centre (part ordering)
  float shadow;      // > 0: a shadow of this opacity
};

struct SceneObjects {
  FrameRec frames[kMaxFrames];
  MeshRec meshes[kMaxMeshes];
  TextureRec textures[kMaxTextures];
  LightRec lights[kMaxLights];
  ViewportRec viewports[kMaxViewports];
  ShadowRec shadows[kMaxShadows];
  int texture_quality = 3;

  // Per-render work tables (fixed; nothing allocates per frame).
  DrawItem items[kMaxFrames];
  int order[kMaxFrames];
  int stack[kMaxFrames];
  Mat4 stack_world[kMaxFrames];
  Mat4 drawn_world[kMaxFrames];     // world matrix of each frame reached by the current render
  uint32_t drawn_stamp[kMaxFrames] = {};
  uint32_t render_serial = 0;
  int drawn = 0;
  // Scratch tables of the mesh edits; they grow to the largest mesh edited.
  std::vector<int32_t> scratch_remap, scratch_table;
  std::vector<Vec3> scratch_normals;

  uint32_t program = 0;
  int32_t u_model = -1, u_view_proj = -1, u_view = -1, u_colour = -1, u_emissive = -1, u_vertex_colours = -1,
          u_textured = -1, u_lit = -1, u_ambient = -1, u_light_count = -1, u_light_pos = -1, u_light_dir = -1,
          u_light_colour = -1, u_light_params = -1, u_fog = -1, u_fog_range = -1, u_fog_colour = -1,
          u_specular = -1, u_eye = -1;
};

namespace {

SceneObjects& scene() {
  State& s = state();
  if (!s.scene) s.scene = new SceneObjects();
  return *s.scene;
}

bool gl() { return state().device.context != nullptr; }

FrameRec* frame_at(int f) {
  if (f < 0 || f >= kMaxFrames || !scene().frames[f].used) return nullptr;
  return &scene().frames[f];
}
MeshRec* mesh_at(int m) {
  if (m < 0 || m >= kMaxMeshes || !scene().meshes[m].used) return nullptr;
  return &scene().meshes[m];
}
LightRec* light_at(int l) {
  if (l < 0 || l >= kMaxLights || !scene().lights[l].used) return nullptr;
  return &scene().lights[l];
}
ViewportRec* viewport_at(int v) {
  if (v < 0 || v >= kMaxViewports || !scene().viewports[v].used) return nullptr;
  return &scene().viewports[v];
}
TextureRec* texture_at(int t) {
  if (t < 0 || t >= kMaxTextures || !scene().textures[t].used) return nullptr;
  return &scene().textures[t];
}

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

// Uploads the vertices of a mesh (all of them; edits are rare).
void upload(MeshRec& m) {
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

void compute_normals(MeshRec& m) {
  m.normals.assign(m.positions.size(), Vec3{});
  for (size_t i = 0; i + 2 < m.indices.size(); i += 3) {
    const uint32_t a = m.indices[i], b = m.indices[i + 1], c = m.indices[i + 2];
    // With clockwise front faces in this left-handed world, (b - a) x (c - a)
    // points out of the front side.
    const Vec3 n = cross(m.positions[b] - m.positions[a], m.positions[c] - m.positions[a]);
    m.normals[a] = m.normals[a] + n;
    m.normals[b] = m.normals[b] + n;
    m.normals[c] = m.normals[c] + n;
  }
  for (Vec3& n : m.normals) n = normalize(n);
}

bool translucent(const MeshRec& m, const GroupRec& g) {
  if (g.material.a < 0.999f) return true;
  if (const TextureRec* t = texture_at(g.texture)) return t->translucent;
  return false;
}

Mat4 local(const FrameRec& f) { return compose(f.position, f.right, f.up, f.dir, f.scale); }

Mat4 projection(const ViewportRec& v) {
  Mat4 p;
  const float aspect = static_cast<float>(v.width) / static_cast<float>(v.height > 0 ? v.height : 1);
  const float field = v.field > 1e-6f ? v.field : 1e-6f;
  const float n = v.front > 1e-6f ? v.front : 1e-6f;
  const float f = v.back > n * 1.0001f ? v.back : n * 1.0001f;
  p.at(0, 0) = 1.0f / field;
  p.at(1, 1) = aspect / field;
  p.at(2, 2) = (f + n) / (f - n);
  p.at(2, 3) = -2 * f * n / (f - n);
  p.at(3, 2) = 1;
  p.at(3, 3) = 0;
  return p;
}

Mat4 view_matrix(const ViewportRec& v) { return inverse_affine(frame_world(v.camera)); }

// True when the frame and every ancestor are visible.
bool shown(int f) {
  for (const FrameRec* r = frame_at(f); r; r = frame_at(r->parent))
    if (!r->visible) return false;
  return frame_at(f) != nullptr;
}

void set_lights(SceneObjects& sc) {
  float ambient[3] = {0, 0, 0};
  float pos[kMaxShaderLights * 4], dir[kMaxShaderLights * 3], colour[kMaxShaderLights * 3],
      params[kMaxShaderLights * 4];
  int count = 0;
  for (const LightRec& l : sc.lights) {
    if (!l.used || !shown(l.frame)) continue;
    if (l.kind == kLightAmbient) {
      ambient[0] += l.r * l.attenuation;
      ambient[1] += l.g * l.attenuation;
      ambient[2] += l.b * l.attenuation;
      continue;
    }
    if (count == kMaxShaderLights) continue;
    const Mat4 w = frame_world(l.frame);
    const Vec3 p = transform_point(w, {0, 0, 0}), d = normalize(transform_vector(w, {0, 0, 1}));
    pos[count * 4 + 0] = p.x;
    pos[count * 4 + 1] = p.y;
    pos[count * 4 + 2] = p.z;
    pos[count * 4 + 3] = static_cast<float>(l.kind);
    dir[count * 3 + 0] = d.x;
    dir[count * 3 + 1] = d.y;
    dir[count * 3 + 2] = d.z;
    colour[count * 3 + 0] = l.r;
    colour[count * 3 + 1] = l.g;
    colour[count * 3 + 2] = l.b;
    params[count * 4 + 0] = l.range;
    params[count * 4 + 1] = l.attenuation;
    params[count * 4 + 2] = std::cos(l.umbra);
    params[count * 4 + 3] = std::cos(l.penumbra);
    ++count;
  }
  glUniform3fv(sc.u_ambient, 1, ambient);
  glUniform1i(sc.u_light_count, count);
  if (count) {
    glUniform4fv(sc.u_light_pos, count, pos);
    glUniform3fv(sc.u_light_dir, count, dir);
    glUniform3fv(sc.u_light_colour, count, colour);
    glUniform4fv(sc.u_light_params, count, params);
  }
}

void apply_quality(const TextureRec& t, int quality) {
  static const GLint kMin[6] = {GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_NEAREST,
                                GL_LINEAR, GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_LINEAR};
  static const GLint kMag[6] = {GL_NEAREST, GL_NEAREST, GL_LINEAR, GL_LINEAR, GL_NEAREST, GL_LINEAR};
  if (quality < 0 || quality > 5) quality = 0;
  glBindTexture(GL_TEXTURE_2D, t.id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, kMin[quality]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, kMag[quality]);
}

}  // namespace

void scene_reset() {
  State& s = state();
  if (!s.scene) return;
  SceneObjects& sc = *s.scene;
  for (MeshRec& m : sc.meshes) release_mesh_gl(m);
  if (gl()) {
    for (TextureRec& t : sc.textures)
      if (t.used) glDeleteTextures(1, &t.id);
    if (sc.program) glDeleteProgram(sc.program);
  }
  delete s.scene;
  s.scene = nullptr;
  ++s.scene_generation;
}

uint32_t scene_generation() { return state().scene_generation; }

void scene_set_specular(bool on) { state().specular = on; }

// --- frames

int frame_create(int parent) {
  SceneObjects& sc = scene();
  if (parent != -1 && !frame_at(parent)) return -1;
  for (int f = 0; f < kMaxFrames; ++f) {
    if (sc.frames[f].used) continue;
    FrameRec& r = sc.frames[f];
    r = FrameRec{};
    r.used = true;
    r.parent = parent;
    if (parent >= 0) {
      r.next_sibling = sc.frames[parent].first_child;
      sc.frames[parent].first_child = f;
    }
    return f;
  }
  return -1;
}

void frame_delete(int f) {
  FrameRec* r = frame_at(f);
  if (!r) return;
  SceneObjects& sc = scene();
  while (r->first_child >= 0) frame_delete(r->first_child);
  if (FrameRec* p = frame_at(r->parent)) {
    int* link = &p->first_child;
    while (*link >= 0 && *link != f) link = &sc.frames[*link].next_sibling;
    if (*link == f) *link = r->next_sibling;
  }
  for (LightRec& l : sc.lights)
    if (l.used && l.frame == f) l = LightRec{};
  for (ViewportRec& v : sc.viewports)
    if (v.used && v.camera == f) v.camera = -1;
  *r = FrameRec{};
}

bool frame_valid(int f) { return frame_at(f) != nullptr; }
int frame_parent(int f) { return frame_at(f) ? frame_at(f)->parent : -1; }

void frame_set_position(int f, Vec3 p) {
  if (FrameRec* r = frame_at(f)) r->position = p;
}
Vec3 frame_position(int f) { return frame_at(f) ? frame_at(f)->position : Vec3{}; }

void frame_set_orientation(int f, Vec3 dir, Vec3 up) {
  FrameRec* r = frame_at(f);
  if (!r) return;
  Vec3 d = normalize(dir);
  if (length(d) == 0) return;
  Vec3 right = normalize(cross(up, d));
  if (length(right) == 0) right = normalize(cross(Vec3{0, 1, 0}, d));
  if (length(right) == 0) right = {1, 0, 0};
  r->dir = d;
  r->right = right;
  r->up = cross(d, right);
}

void frame_orientation(int f, Vec3& dir, Vec3& up) {
  const FrameRec* r = frame_at(f);
  dir = r ? r->dir : Vec3{0, 0, 1};
  up = r ? r->up : Vec3{0, 1, 0};
}

void frame_set_rotation(int f, Quat q) {
  if (FrameRec* r = frame_at(f)) quat_axes(q, r->right, r->up, r->dir);
}

void frame_set_scale(int f, Vec3 s) {
  if (FrameRec* r = frame_at(f)) r->scale = s;
}

void frame_set_traversal(int f, bool visible, bool pickable) {
  if (FrameRec* r = frame_at(f)) {
    r->visible = visible;
    r->pickable = pickable;
  }
}
bool frame_visible(int f) { return frame_at(f) && frame_at(f)->visible; }

void frame_set_sort_mode(int f, int32_t mode) {
  if (FrameRec* r = frame_at(f))
    if (mode >= kSortFrontToBack && mode <= kSortNone) r->sort = mode;
}
int32_t frame_sort_mode(int f) { return frame_at(f) ? frame_at(f)->sort : kSortNone; }

void frame_set_fog(int f, bool enabled, float start, float end, uint32_t colour) {
  if (FrameRec* r = frame_at(f)) {
    r->fog = enabled;
    r->fog_start = start;
    r->fog_end = end;
    r->fog_colour = colour & 0xFFFFFF;
  }
}

void frame_fog(int f, bool& enabled, float& start, float& end, uint32_t& colour) {
  const FrameRec* r = frame_at(f);
  enabled = r && r->fog;
  start = r ? r->fog_start : 0;
  end = r ? r->fog_end : 0;
  colour = r ? r->fog_colour : 0;
}

void frame_set_depth_mode(int f, int32_t mode) {
  if (FrameRec* r = frame_at(f)) r->depth_mode = mode >= kDepthTestWrite && mode <= kDepthNone ? mode : kDepthTestWrite;
}
int32_t frame_depth_mode(int f) { return frame_at(f) ? frame_at(f)->depth_mode : kDepthTestWrite; }
void frame_set_part_order(int f, int32_t mode) {
  if (FrameRec* r = frame_at(f)) r->part_order = mode == 1 || mode == 2 ? mode : 0;
}
int32_t frame_part_order(int f) { return frame_at(f) ? frame_at(f)->part_order : 0; }

void frame_set_mesh(int f, int m) {
  if (FrameRec* r = frame_at(f)) {
    r->mesh = mesh_at(m) ? m : -1;
    r->owns_mesh = false;
  }
}

int frame_own_mesh(int f) {
  FrameRec* r = frame_at(f);
  if (!r || !mesh_at(r->mesh)) return -1;
  if (r->owns_mesh) return r->mesh;
  SceneObjects& sc = scene();
  bool shared = false;
  for (int k = 0; k < kMaxFrames && !shared; ++k) shared = k != f && sc.frames[k].used && sc.frames[k].mesh == r->mesh;
  if (shared) {
    int copy = -1;
    for (int i = 0; i < kMaxMeshes && copy < 0; ++i)
      if (!sc.meshes[i].used) copy = i;
    if (copy < 0) return -1;
    const MeshRec& from = sc.meshes[r->mesh];
    MeshRec& to = sc.meshes[copy];
    to = MeshRec{};
    to.used = true;
    to.positions = from.positions;
    to.normals = from.normals;
    to.uvs = from.uvs;
    to.colours = from.colours;
    to.indices = from.indices;
    to.groups = from.groups;
    to.has_colours = from.has_colours;
    to.unlit = from.unlit;
    r->mesh = copy;
  }
  r->owns_mesh = true;
  return r->mesh;
}
int frame_mesh(int f) { return frame_at(f) ? frame_at(f)->mesh : -1; }

Mat4 frame_world(int f) {
  Mat4 m;
  int depth = 0;
  for (const FrameRec* r = frame_at(f); r && depth < kMaxFrames; r = frame_at(r->parent), ++depth) m = local(*r) * m;
  return m;
}

Vec3 frame_world_position(int f) { return transform_point(frame_world(f), {0, 0, 0}); }

void frame_look_at(int f, Vec3 target) {
  FrameRec* r = frame_at(f);
  if (!r) return;
  const Mat4 parent_inverse = inverse_affine(frame_world(r->parent));
  const Vec3 world = frame_world_position(f);
  const Vec3 d = transform_vector(parent_inverse, target - world);
  frame_set_orientation(f, d, transform_vector(parent_inverse, {0, 1, 0}));
}

// --- meshes

int mesh_create(const Model& model) {
  if (!model_valid(model) || model.positions.empty()) return -1;
  SceneObjects& sc = scene();
  for (int i = 0; i < kMaxMeshes; ++i) {
    MeshRec& m = sc.meshes[i];
    if (m.used) continue;
    m = MeshRec{};
    m.used = true;
    const size_t n = model.positions.size();
    m.positions = model.positions;
    m.indices = model.indices;
    m.uvs = model.uvs.size() == n ? model.uvs : std::vector<Vec2>(n);
    m.has_colours = model.colours.size() == n;
    m.colours = m.has_colours ? model.colours : std::vector<uint32_t>(n, 0xFFFFFFFFu);
    if (model.normals.size() == n)
      m.normals = model.normals;
    else
      compute_normals(m);
    for (const Group& g : model.groups) {
      GroupRec gr;
      gr.first = g.first_index;
      gr.count = g.index_count;
      if (g.material >= 0 && static_cast<size_t>(g.material) < model.materials.size()) gr.material = model.materials[static_cast<size_t>(g.material)];
      m.groups.push_back(gr);
    }
    if (m.groups.empty()) m.groups.push_back({0, static_cast<uint32_t>(m.indices.size()), Material{}, -1, true, Vec3{}});
    return i;
  }
  return -1;
}

void mesh_delete(int i) {
  if (MeshRec* m = mesh_at(i)) {
    release_mesh_gl(*m);
    *m = MeshRec{};
    for (FrameRec& f : scene().frames)
      if (f.used && f.mesh == i) f.mesh = -1;
  }
}

namespace {

// The view depth of each group's centre needs the centres.
void update_centres(MeshRec& m) {
  if (!m.centres_dirty) return;
  for (GroupRec& g : m.groups) {
    Vec3 sum;
    for (uint32_t k = 0; k < g.count; ++k) sum = sum + m.positions[m.indices[g.first + k]];
    g.centre = g.count ? sum * (1.0f / static_cast<float>(g.count)) : Vec3{};
  }
  m.centres_dirty = false;
}

bool group_range(const MeshRec& m, int group, int& first, int& count) {
  first = count = 0;
  if (group == -1) {
    count = static_cast<int>(m.positions.size());
    return true;
  }
  if (group < 0 || static_cast<size_t>(group) >= m.groups.size()) return false;
  const GroupRec& g = m.groups[static_cast<size_t>(group)];
  if (g.count == 0) return true;
  uint32_t lo = UINT32_MAX, hi = 0;
  for (uint32_t k = 0; k < g.count; ++k) {
    lo = std::min(lo, m.indices[g.first + k]);
    hi = std::max(hi, m.indices[g.first + k]);
  }
  first = static_cast<int>(lo);
  count = static_cast<int>(hi - lo + 1);
  return true;
}

// Vertices that merge must agree in every attribute.
bool same_vertex(const MeshRec& m, uint32_t a, uint32_t b) {
  const Vec3 pa = m.positions[a], pb = m.positions[b], na = m.normals[a], nb = m.normals[b];
  return pa.x == pb.x && pa.y == pb.y && pa.z == pb.z && na.x == nb.x && na.y == nb.y && na.z == nb.z &&
         m.uvs[a].u == m.uvs[b].u && m.uvs[a].v == m.uvs[b].v && m.colours[a] == m.colours[b];
}

uint32_t hash_floats(const float* f, int n, uint32_t h) {
  for (int i = 0; i < n; ++i) {
    float v = f[i] == 0.0f ? 0.0f : f[i];  // -0 and +0 alike
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    h = (h ^ bits) * 16777619u;
  }
  return h;
}

uint32_t position_hash(Vec3 p) {
  const float f[3] = {p.x, p.y, p.z};
  return hash_floats(f, 3, 2166136261u);
}

uint32_t vertex_hash(const MeshRec& m, uint32_t v) {
  const Vec3 n = m.normals[v];
  const float f[5] = {n.x, n.y, n.z, m.uvs[v].u, m.uvs[v].v};
  return hash_floats(f, 5, position_hash(m.positions[v])) ^ m.colours[v];
}

// A power-of-two table of at least twice `count` slots, all -1.
std::vector<int32_t>& hash_table(SceneObjects& sc, size_t count) {
  size_t size = 16;
  while (size < count * 2) size *= 2;
  sc.scratch_table.assign(size, -1);
  return sc.scratch_table;
}

}  // namespace

bool mesh_group_range(int i, int group, int& first, int& count) {
  first = count = 0;
  const MeshRec* m = mesh_at(i);
  return m && group_range(*m, group, first, count);
}

void mesh_set_group_visible(int i, int group, bool visible) {
  MeshRec* m = mesh_at(i);
  if (!m) return;
  for (size_t g = 0; g < m->groups.size(); ++g)
    if (group < 0 || static_cast<size_t>(group) == g) m->groups[g].visible = visible;
}

bool mesh_group_visible(int i, int group) {
  const MeshRec* m = mesh_at(i);
  return m && group >= 0 && static_cast<size_t>(group) < m->groups.size() && m->groups[static_cast<size_t>(group)].visible;
}

Material mesh_group_material(int i, int group) {
  const MeshRec* m = mesh_at(i);
  if (!m || group < 0 || static_cast<size_t>(group) >= m->groups.size()) return Material{};
  return m->groups[static_cast<size_t>(group)].material;
}

void mesh_set_diffuse(int i, int group, float r, float g, float b, float a) {
  MeshRec* m = mesh_at(i);
  if (!m) return;
  for (size_t k = 0; k < m->groups.size(); ++k) {
    if (group >= 0 && static_cast<size_t>(group) != k) continue;
    Material& mat = m->groups[k].material;
    mat.r = r;
    mat.g = g;
    mat.b = b;
    if (a >= 0) mat.a = a;
  }
}

void mesh_set_surface(int i, int group, const Material& from) {
  MeshRec* m = mesh_at(i);
  if (!m) return;
  for (size_t k = 0; k < m->groups.size(); ++k) {
    if (group >= 0 && static_cast<size_t>(group) != k) continue;
    Material& mat = m->groups[k].material;
    mat.r = from.r;
    mat.g = from.g;
    mat.b = from.b;
    mat.a = from.a;
    std::copy(from.emissive, from.emissive + 3, mat.emissive);
    std::copy(from.specular, from.specular + 3, mat.specular);
    mat.power = from.power;
  }
}

int mesh_index_count(int i) { return mesh_at(i) ? static_cast<int>(mesh_at(i)->indices.size()) : 0; }

int mesh_merge_vertices(int i, int group) {
  MeshRec* m = mesh_at(i);
  if (!m || group < -1 || (group >= 0 && static_cast<size_t>(group) >= m->groups.size())) return 0;
  SceneObjects& sc = scene();
  const size_t n = m->positions.size();
  std::vector<int32_t>& remap = sc.scratch_remap;
  remap.assign(n, -1);
  // Each group's range on its own, so that ranges stay contiguous; a vertex
  // already seen through an earlier group stays as it is.
  for (size_t g = 0; g < m->groups.size(); ++g) {
    if (group >= 0 && static_cast<size_t>(group) != g) continue;
    int first, count;
    group_range(*m, static_cast<int>(g), first, count);
    std::vector<int32_t>& table = hash_table(sc, static_cast<size_t>(count));
    const uint32_t mask = static_cast<uint32_t>(table.size() - 1);
    for (int v = first; v < first + count; ++v) {
      if (remap[static_cast<size_t>(v)] != -1) continue;
      uint32_t slot = vertex_hash(*m, static_cast<uint32_t>(v)) & mask;
      int32_t found = -1;
      for (; table[slot] != -1; slot = (slot + 1) & mask)
        if (same_vertex(*m, static_cast<uint32_t>(table[slot]), static_cast<uint32_t>(v))) {
          found = table[slot];
          break;
        }
      if (found >= 0) {
        remap[static_cast<size_t>(v)] = found;
      } else {
        table[slot] = v;
        remap[static_cast<size_t>(v)] = v;
      }
    }
  }
  // Compact: kept vertices move down in order, merged ones take their
  // representative's new index (representatives come first).
  size_t kept = 0;
  for (size_t v = 0; v < n; ++v) {
    const int32_t r = remap[v];
    if (r == -1 || r == static_cast<int32_t>(v)) {
      m->positions[kept] = m->positions[v];
      m->normals[kept] = m->normals[v];
      m->uvs[kept] = m->uvs[v];
      m->colours[kept] = m->colours[v];
      remap[v] = static_cast<int32_t>(kept++);
    } else {
      remap[v] = remap[static_cast<size_t>(r)];
    }
  }
  if (kept == n) return 0;
  for (uint32_t& x : m->indices) x = static_cast<uint32_t>(remap[x]);
  m->positions.resize(kept);
  m->normals.resize(kept);
  m->uvs.resize(kept);
  m->colours.resize(kept);
  m->dirty = m->indices_dirty = m->centres_dirty = true;
  return static_cast<int>(n - kept);
}

int mesh_smooth_normals(int i, int group) {
  MeshRec* m = mesh_at(i);
  int first, count;
  if (!m || !group_range(*m, group, first, count) || count == 0) return 0;
  SceneObjects& sc = scene();
  std::vector<Vec3>& sum = sc.scratch_normals;
  sum.assign(static_cast<size_t>(count), Vec3{});
  // Vertices at one position share one sum, kept at the first of them.
  std::vector<int32_t>& rep = sc.scratch_remap;
  rep.assign(static_cast<size_t>(count), -1);
  std::vector<int32_t>& table = hash_table(sc, static_cast<size_t>(count));
  const uint32_t mask = static_cast<uint32_t>(table.size() - 1);
  for (int k = 0; k < count; ++k) {
    const Vec3 p = m->positions[static_cast<size_t>(first + k)];
    uint32_t slot = position_hash(p) & mask;
    for (; table[slot] != -1; slot = (slot + 1) & mask) {
      const Vec3 q = m->positions[static_cast<size_t>(first + table[slot])];
      if (q.x == p.x && q.y == p.y && q.z == p.z) break;
    }
    if (table[slot] == -1) table[slot] = k;
    rep[static_cast<size_t>(k)] = table[slot];
  }
  for (size_t g = 0; g < m->groups.size(); ++g) {
    if (group >= 0 && static_cast<size_t>(group) != g) continue;
    const GroupRec& gr = m->groups[g];
    for (uint32_t t = 0; t + 2 < gr.count; t += 3) {
      const uint32_t a = m->indices[gr.first + t], b = m->indices[gr.first + t + 1], c = m->indices[gr.first + t + 2];
      const Vec3 n = normalize(cross(m->positions[b] - m->positions[a], m->positions[c] - m->positions[a]));
      const uint32_t corner[3] = {a, b, c};
      for (int j = 0; j < 3; ++j) {
        const int k = static_cast<int>(corner[j]) - first;
        if (k < 0 || k >= count) continue;
        // Weighted by the corner's angle, so that how a face is cut into
        // triangles does not matter.
        const Vec3 p = m->positions[corner[j]];
        const Vec3 e1 = normalize(m->positions[corner[(j + 1) % 3]] - p);
        const Vec3 e2 = normalize(m->positions[corner[(j + 2) % 3]] - p);
        const float angle = std::acos(std::clamp(dot(e1, e2), -1.0f, 1.0f));
        Vec3& total = sum[static_cast<size_t>(rep[static_cast<size_t>(k)])];
        total = total + n * angle;
      }
    }
  }
  int written = 0;
  for (int k = 0; k < count; ++k) {
    const Vec3 n = normalize(sum[static_cast<size_t>(rep[static_cast<size_t>(k)])]);
    if (length(n) == 0) continue;  // on no face of the group: keeps its normal
    m->normals[static_cast<size_t>(first + k)] = n;
    ++written;
  }
  if (written) m->dirty = true;
  return written;
}

// --- shadows

namespace {
ShadowRec* shadow_at(int s) {
  if (s < 0 || s >= kMaxShadows || !scene().shadows[s].used) return nullptr;
  return &scene().shadows[s];
}
}  // namespace

int shadow_create(int caster) {
  if (!frame_at(caster)) return -1;
  SceneObjects& sc = scene();
  for (int i = 0; i < kMaxShadows; ++i) {
    if (sc.shadows[i].used) continue;
    sc.shadows[i] = ShadowRec{};
    sc.shadows[i].used = true;
    sc.shadows[i].caster = caster;
    return i;
  }
  return -1;
}
void shadow_delete(int s) {
  if (ShadowRec* r = shadow_at(s)) *r = ShadowRec{};
}
bool shadow_valid(int s) { return shadow_at(s) != nullptr; }
void shadow_set_caster(int s, int caster) {
  if (ShadowRec* r = shadow_at(s)) r->caster = frame_at(caster) ? caster : -1;
}
int shadow_caster(int s) { return shadow_at(s) ? shadow_at(s)->caster : -1; }
void shadow_set_light(int s, bool point, Vec3 v) {
  if (ShadowRec* r = shadow_at(s)) {
    r->point = point;
    r->light = v;
  }
}
void shadow_set_plane(int s, Vec3 point, Vec3 normal) {
  if (ShadowRec* r = shadow_at(s)) {
    r->plane_point = point;
    r->plane_normal = normal;
  }
}
void shadow_set_opacity(int s, float alpha) {
  if (ShadowRec* r = shadow_at(s)) r->alpha = std::clamp(alpha, 0.0f, 1.0f);
}
float shadow_opacity(int s) { return shadow_at(s) ? shadow_at(s)->alpha : 0; }

bool shadow_matrix(Vec3 plane_point, Vec3 plane_normal, bool point, Vec3 light, Mat4& out) {
  const Vec3 n = normalize(plane_normal);
  if (length(n) == 0) return false;
  const float plane[4] = {n.x, n.y, n.z, -dot(n, plane_point)};
  // The light as a homogeneous point: its position, or the direction it
  // comes from at infinity.
  Vec3 l = light;
  if (!point) {
    l = normalize(light) * -1.0f;
    if (length(l) == 0) return false;
  }
  const float lh[4] = {l.x, l.y, l.z, point ? 1.0f : 0.0f};
  float d = plane[0] * lh[0] + plane[1] * lh[1] + plane[2] * lh[2] + plane[3] * lh[3];
  if (std::fabs(d) < 1e-6f) return false;
  // M = d I - L P, negated when the light is behind the plane so that w
  // stays positive for points on the light's side; a light at infinity
  // divides by d, which keeps w at 1.
  const float k = point ? (d > 0 ? 1.0f : -1.0f) : 1.0f / d;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) out.at(row, col) = k * ((row == col ? d : 0.0f) - lh[row] * plane[col]);
  return true;
}

bool mesh_valid(int i) { return mesh_at(i) != nullptr; }
int mesh_vertex_count(int i) { return mesh_at(i) ? static_cast<int>(mesh_at(i)->positions.size()) : 0; }

namespace {
bool vertex_ok(const MeshRec* m, int v) { return m && v >= 0 && static_cast<size_t>(v) < m->positions.size(); }
}  // namespace

Vec3 mesh_vertex(int i, int v) {
  const MeshRec* m = mesh_at(i);
  return vertex_ok(m, v) ? m->positions[static_cast<size_t>(v)] : Vec3{};
}
void mesh_set_vertex(int i, int v, Vec3 p) {
  MeshRec* m = mesh_at(i);
  if (!vertex_ok(m, v)) return;
  m->positions[static_cast<size_t>(v)] = p;
  m->dirty = m->centres_dirty = true;
}
Vec3 mesh_normal(int i, int v) {
  const MeshRec* m = mesh_at(i);
  return vertex_ok(m, v) ? m->normals[static_cast<size_t>(v)] : Vec3{};
}
void mesh_set_normal(int i, int v, Vec3 n) {
  MeshRec* m = mesh_at(i);
  if (!vertex_ok(m, v)) return;
  m->normals[static_cast<size_t>(v)] = n;
  m->dirty = true;
}
Vec2 mesh_uv(int i, int v) {
  const MeshRec* m = mesh_at(i);
  return vertex_ok(m, v) ? m->uvs[static_cast<size_t>(v)] : Vec2{};
}
void mesh_set_uv(int i, int v, Vec2 uv) {
  MeshRec* m = mesh_at(i);
  if (!vertex_ok(m, v)) return;
  m->uvs[static_cast<size_t>(v)] = uv;
  m->dirty = true;
}
int mesh_group_count(int i) { return mesh_at(i) ? static_cast<int>(mesh_at(i)->groups.size()) : 0; }

namespace {
template <class F>
void each_group(int i, int group, F f) {
  MeshRec* m = mesh_at(i);
  if (!m) return;
  for (size_t g = 0; g < m->groups.size(); ++g)
    if (group < 0 || static_cast<size_t>(group) == g) f(m->groups[g]);
}
}  // namespace

void mesh_set_colour(int i, int group, uint32_t rgba) {
  each_group(i, group, [&](GroupRec& g) {
    g.material.r = (rgba & 0xFF) / 255.0f;
    g.material.g = (rgba >> 8 & 0xFF) / 255.0f;
    g.material.b = (rgba >> 16 & 0xFF) / 255.0f;
    g.material.a = (rgba >> 24 & 0xFF) / 255.0f;
  });
}
void mesh_set_texture(int i, int group, int texture) {
  each_group(i, group, [&](GroupRec& g) { g.texture = texture_at(texture) ? texture : -1; });
}
void mesh_set_material(int i, int group, const Material& mat) {
  each_group(i, group, [&](GroupRec& g) { g.material = mat; });
}

void mesh_bounds(int i, Vec3& lo, Vec3& hi) {
  const MeshRec* m = mesh_at(i);
  lo = hi = Vec3{};
  if (!m || m->positions.empty()) return;
  lo = hi = m->positions[0];
  for (const Vec3& p : m->positions) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
}

void mesh_set_unlit(int i, bool unlit) {
  if (MeshRec* m = mesh_at(i)) m->unlit = unlit;
}

// --- textures

int texture_create(const uint32_t* rgba, int width, int height) {
  if (!gl() || !rgba || width <= 0 || height <= 0 || width > 8192 || height > 8192) return -1;
  SceneObjects& sc = scene();
  for (int i = 0; i < kMaxTextures; ++i) {
    TextureRec& t = sc.textures[i];
    if (t.used) continue;
    t = TextureRec{};
    t.used = true;
    t.width = width;
    t.height = height;
    glGenTextures(1, &t.id);
    texture_update(i, rgba);
    return i;
  }
  return -1;
}

void texture_update(int i, const uint32_t* rgba) {
  TextureRec* t = texture_at(i);
  if (!t || !gl()) return;
  t->translucent = false;
  const size_t n = static_cast<size_t>(t->width) * static_cast<size_t>(t->height);
  for (size_t p = 0; p < n; ++p)
    if ((rgba[p] >> 24) != 0xFF) {
      t->translucent = true;
      break;
    }
  glBindTexture(GL_TEXTURE_2D, t->id);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, t->width, t->height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  glGenerateMipmap(GL_TEXTURE_2D);
  apply_quality(*t, scene().texture_quality);
}

bool texture_info(int i, uint32_t& id, int& width, int& height) {
  const TextureRec* t = texture_at(i);
  if (!t || !gl()) return false;
  id = t->id;
  width = t->width;
  height = t->height;
  return true;
}

void texture_delete(int i) {
  if (TextureRec* t = texture_at(i)) {
    if (gl()) glDeleteTextures(1, &t->id);
    *t = TextureRec{};
    for (MeshRec& m : scene().meshes)
      for (GroupRec& g : m.groups)
        if (g.texture == i) g.texture = -1;
  }
}

void texture_set_quality(int quality) {
  SceneObjects& sc = scene();
  sc.texture_quality = quality;
  if (!gl()) return;
  for (const TextureRec& t : sc.textures)
    if (t.used) apply_quality(t, quality);
}

// --- lights

int light_create(int frame, int32_t kind, float r, float g, float b) {
  if (!frame_at(frame)) return -1;
  SceneObjects& sc = scene();
  for (int i = 0; i < kMaxLights; ++i) {
    LightRec& l = sc.lights[i];
    if (l.used) continue;
    l = LightRec{};
    l.used = true;
    l.frame = frame;
    l.kind = kind >= kLightAmbient && kind <= kLightDirectional ? kind : kLightDirectional;
    l.r = r;
    l.g = g;
    l.b = b;
    return i;
  }
  return -1;
}

void light_delete(int i) {
  if (LightRec* l = light_at(i)) *l = LightRec{};
}
void light_set_colour(int i, float r, float g, float b) {
  if (LightRec* l = light_at(i)) {
    l->r = r;
    l->g = g;
    l->b = b;
  }
}
void light_colour(int i, float& r, float& g, float& b) {
  const LightRec* l = light_at(i);
  r = l ? l->r : 0;
  g = l ? l->g : 0;
  b = l ? l->b : 0;
}
void light_set_attenuation(int i, float a) {
  if (LightRec* l = light_at(i)) l->attenuation = a;
}
float light_attenuation(int i) { return light_at(i) ? light_at(i)->attenuation : 0; }
void light_set_range(int i, float range) {
  if (LightRec* l = light_at(i)) l->range = range;
}
void light_set_cone(int i, float umbra, float penumbra) {
  if (LightRec* l = light_at(i)) {
    l->umbra = umbra;
    l->penumbra = penumbra;
  }
}

// --- viewports

int viewport_create(int camera, int x, int y, int width, int height) {
  if (!frame_at(camera)) return -1;
  SceneObjects& sc = scene();
  for (int i = 0; i < kMaxViewports; ++i) {
    ViewportRec& v = sc.viewports[i];
    if (v.used) continue;
    v = ViewportRec{};
    v.used = true;
    v.camera = camera;
    viewport_set_rect(i, x, y, width, height);
    return i;
  }
  return -1;
}

void viewport_delete(int i) {
  if (ViewportRec* v = viewport_at(i)) *v = ViewportRec{};
}

void viewport_set_rect(int i, int x, int y, int width, int height) {
  if (ViewportRec* v = viewport_at(i)) {
    v->x = x;
    v->y = y;
    v->width = width > 0 ? width : 1;
    v->height = height > 0 ? height : 1;
  }
}
void viewport_set_field(int i, float field) {
  if (ViewportRec* v = viewport_at(i)) v->field = field > 0 ? field : 0.5f;
}
float viewport_field(int i) { return viewport_at(i) ? viewport_at(i)->field : 0; }
void viewport_set_clip(int i, float front, float back) {
  if (ViewportRec* v = viewport_at(i)) {
    v->front = front;
    v->back = back;
  }
}
float viewport_front(int i) { return viewport_at(i) ? viewport_at(i)->front : 0; }
float viewport_back(int i) { return viewport_at(i) ? viewport_at(i)->back : 0; }

namespace {

// The viewport rectangle in GL window coordinates, clipped to the frame.
bool gl_rect(const ViewportRec& v, int& x, int& y, int& w, int& h) {
  const DeviceObjects& d = state().device;
  x = v.x;
  y = d.height - (v.y + v.height);
  w = v.width;
  h = v.height;
  return d.context != nullptr;
}

}  // namespace

void viewport_clear_depth(int i) {
  const ViewportRec* v = viewport_at(i);
  int x, y, w, h;
  if (!v || !gl_rect(*v, x, y, w, h)) return;
  glBindFramebuffer(GL_FRAMEBUFFER, state().device.fbo);
  glEnable(GL_SCISSOR_TEST);
  glScissor(x, y, w, h);
  glDepthMask(GL_TRUE);
  glClear(GL_DEPTH_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
}

void viewport_render(int vi, int root) {
  SceneObjects& sc = scene();
  sc.drawn = 0;
  const ViewportRec* v = viewport_at(vi);
  const FrameRec* r = frame_at(root);
  int x, y, w, h;
  if (!v || !r || !frame_at(v->camera) || !gl_rect(*v, x, y, w, h) || !ready_program(sc)) return;

  const Mat4 view = view_matrix(*v);
  const Mat4 view_proj = projection(*v) * view;

  // Collect the visible meshes under root.
  int items = 0, top = 0;
  const uint32_t serial = ++sc.render_serial;
  sc.stack[top] = root;
  sc.stack_world[top] = frame_world(r->parent);
  ++top;
  while (top > 0) {
    --top;
    const int f = sc.stack[top];
    const FrameRec& fr = sc.frames[f];
    if (!fr.visible) continue;
    const Mat4 world = sc.stack_world[top] * local(fr);
    sc.drawn_world[f] = world;
    sc.drawn_stamp[f] = serial;
    if (MeshRec* m = mesh_at(fr.mesh)) {
      float depth = transform_point(view, transform_point(world, {0, 0, 0})).z;
      if (!(depth == depth)) depth = 0;  // NaN would break the sort's ordering
      if (fr.part_order) update_centres(*m);
      for (size_t g = 0; g < m->groups.size() && items < kMaxFrames; ++g) {
        const GroupRec& gr = m->groups[g];
        if (!gr.visible) continue;
        float part_depth = fr.part_order ? transform_point(view, transform_point(world, gr.centre)).z : 0.0f;
        if (!(part_depth == part_depth)) part_depth = 0;
        sc.items[items++] = {fr.mesh, static_cast<int>(g), world, depth, translucent(*m, gr), f, part_depth, 0.0f};
      }
    }
    for (int c = fr.first_child; c >= 0 && top < kMaxFrames; c = sc.frames[c].next_sibling) {
      sc.stack[top] = c;
      sc.stack_world[top] = world;
      ++top;
    }
  }
  // Shadows of the casters reached above, flattened onto their planes.
  for (const ShadowRec& sh : sc.shadows) {
    if (!sh.used || sh.alpha <= 0 || !frame_at(sh.caster) || sc.drawn_stamp[sh.caster] != serial) continue;
    const FrameRec& fr = sc.frames[sh.caster];
    const MeshRec* m = mesh_at(fr.mesh);
    Mat4 flatten;
    if (!m || !shadow_matrix(sh.plane_point, sh.plane_normal, sh.point, sh.light, flatten)) continue;
    const Mat4 world = flatten * sc.drawn_world[sh.caster];
    float depth = transform_point(view, transform_point(sc.drawn_world[sh.caster], {0, 0, 0})).z;
    if (!(depth == depth)) depth = 0;
    for (size_t g = 0; g < m->groups.size() && items < kMaxFrames; ++g)
      if (m->groups[g].visible)
        sc.items[items++] = {fr.mesh, static_cast<int>(g), world, depth, true, sh.caster, 0.0f, sh.alpha};
  }
  for (int i = 0; i < items; ++i) sc.order[i] = i;
  const int32_t mode = r->sort;
  // Ties keep the order of collection (the index decides), which makes the
  // sort stable without the work buffer std::stable_sort would allocate.
  std::sort(sc.order, sc.order + items, [&](int a, int b) {
    const DrawItem &ia = sc.items[a], &ib = sc.items[b];
    if (ia.translucent != ib.translucent) return !ia.translucent;
    if (ia.translucent) {
      if (ia.depth != ib.depth) return ia.depth > ib.depth;  // blended: back to front
    } else if (mode == kSortFrontToBack && ia.depth != ib.depth) {
      return ia.depth < ib.depth;
    } else if (mode == kSortBackToFront && ia.depth != ib.depth) {
      return ia.depth > ib.depth;
    }
    return a < b;
  });
  // The groups of a frame with a part order, where they follow each other.
  for (int i = 0; i < items;) {
    int j = i + 1;
    const DrawItem& first = sc.items[sc.order[i]];
    while (j < items && sc.items[sc.order[j]].frame == first.frame &&
           sc.items[sc.order[j]].translucent == first.translucent && sc.items[sc.order[j]].shadow == first.shadow)
      ++j;
    const int32_t order = sc.frames[first.frame].part_order;
    if (j - i > 1 && order && first.shadow == 0)
      std::sort(sc.order + i, sc.order + j, [&](int a, int b) {
        const float da = sc.items[a].part_depth, db = sc.items[b].part_depth;
        if (da != db) return order == 1 ? da < db : da > db;
        return a < b;
      });
    i = j;
  }

  glBindFramebuffer(GL_FRAMEBUFFER, state().device.fbo);
  glViewport(x, y, w, h);
  glEnable(GL_SCISSOR_TEST);
  glScissor(x, y, w, h);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_CULL_FACE);
  glFrontFace(GL_CW);
  glCullFace(GL_BACK);
  glUseProgram(sc.program);
  glUniformMatrix4fv(sc.u_view, 1, GL_FALSE, view.m);
  glUniformMatrix4fv(sc.u_view_proj, 1, GL_FALSE, view_proj.m);
  const Vec3 eye = frame_world_position(v->camera);
  glUniform3f(sc.u_eye, eye.x, eye.y, eye.z);
  set_lights(sc);
  glUniform1i(sc.u_fog, r->fog ? 1 : 0);
  glUniform2f(sc.u_fog_range, r->fog_start, r->fog_end);
  glUniform3f(sc.u_fog_colour, (r->fog_colour & 0xFF) / 255.0f, (r->fog_colour >> 8 & 0xFF) / 255.0f,
              (r->fog_colour >> 16 & 0xFF) / 255.0f);
  glActiveTexture(GL_TEXTURE0);
  for (int i = 0; i < items; ++i) {
    const DrawItem& it = sc.items[sc.order[i]];
    MeshRec& m = sc.meshes[it.mesh];
    if (m.dirty) upload(m);
    const GroupRec& g = m.groups[static_cast<size_t>(it.group)];
    const int32_t depth_mode = it.shadow > 0 ? kDepthTestWrite : sc.frames[it.frame].depth_mode;
    if (depth_mode == kDepthWriteOnly || depth_mode == kDepthNone)
      glDisable(GL_DEPTH_TEST);
    else
      glEnable(GL_DEPTH_TEST);
    if (it.shadow > 0) {
      // Coplanar shadow fragments pass once: overlapping triangles of one
      // flattened mesh do not darken twice. Pulled towards the viewer so the
      // receiving surface does not hide it.
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glDepthMask(GL_TRUE);
      glDepthFunc(GL_LESS);
      glEnable(GL_POLYGON_OFFSET_FILL);
      glPolygonOffset(-1.0f, -4.0f);
      glDisable(GL_CULL_FACE);
    } else if (it.translucent) {
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glDepthMask(GL_FALSE);
    } else {
      glDisable(GL_BLEND);
      glDepthMask(depth_mode == kDepthTestOnly || depth_mode == kDepthNone ? GL_FALSE : GL_TRUE);
    }
    glUniformMatrix4fv(sc.u_model, 1, GL_FALSE, it.world.m);
    const TextureRec* t = it.shadow > 0 ? nullptr : texture_at(g.texture);
    if (it.shadow > 0) {
      static const float kNone[3] = {0, 0, 0};
      glUniform4f(sc.u_colour, 0, 0, 0, it.shadow);
      glUniform3fv(sc.u_emissive, 1, kNone);
      glUniform4f(sc.u_specular, 0, 0, 0, 0);
      glUniform1i(sc.u_vertex_colours, 0);
      glUniform1i(sc.u_lit, 0);
    } else {
      glUniform4f(sc.u_colour, g.material.r, g.material.g, g.material.b, g.material.a);
      glUniform3fv(sc.u_emissive, 1, g.material.emissive);
      glUniform4f(sc.u_specular, g.material.specular[0], g.material.specular[1], g.material.specular[2],
                  state().specular ? g.material.power : 0.0f);
      glUniform1i(sc.u_vertex_colours, m.has_colours ? 1 : 0);
      glUniform1i(sc.u_lit, m.unlit ? 0 : 1);
    }
    glUniform1i(sc.u_textured, t ? 1 : 0);
    if (t) glBindTexture(GL_TEXTURE_2D, t->id);
    glBindVertexArray(m.vao);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(g.count), GL_UNSIGNED_INT,
                   reinterpret_cast<void*>(static_cast<uintptr_t>(g.first) * 4));
    if (it.shadow > 0) {
      glDisable(GL_POLYGON_OFFSET_FILL);
      glDepthFunc(GL_LEQUAL);
      glEnable(GL_CULL_FACE);
    }
    ++sc.drawn;
  }
  glDepthMask(GL_TRUE);
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_DEPTH_TEST);
  const DeviceObjects& d = state().device;
  glViewport(0, 0, d.width, d.height);
}

Vec4 viewport_transform(int vi, Vec3 world) {
  const ViewportRec* v = viewport_at(vi);
  if (!v) return {0, 0, 0, 0};
  const Mat4 vp = projection(*v) * view_matrix(*v);
  const Vec3 c = transform_point(vp, world);
  const float cw = vp.at(3, 0) * world.x + vp.at(3, 1) * world.y + vp.at(3, 2) * world.z + vp.at(3, 3);
  if (std::fabs(cw) < 1e-12f) return {0, 0, 0, 0};
  const float sx = v->x + (c.x / cw * 0.5f + 0.5f) * v->width;
  const float sy = v->y + (0.5f - c.y / cw * 0.5f) * v->height;
  return {sx * cw, sy * cw, c.z, cw};
}

Vec3 viewport_inverse_transform(int vi, float sx, float sy, float depth) {
  const ViewportRec* v = viewport_at(vi);
  if (!v) return {};
  const float nx = (sx - v->x) / v->width * 2 - 1;
  const float ny = 1 - (sy - v->y) / v->height * 2;
  const float aspect = static_cast<float>(v->width) / static_cast<float>(v->height);
  const Vec3 view_point{nx * v->field * depth, ny * v->field / aspect * depth, depth};
  return transform_point(frame_world(v->camera), view_point);
}

// --- picking

namespace {

// Möller–Trumbore, both sides.
bool hit_triangle(Vec3 o, Vec3 d, Vec3 a, Vec3 b, Vec3 c, float& t) {
  const Vec3 e1 = b - a, e2 = c - a, p = cross(d, e2);
  const float det = dot(e1, p);
  if (std::fabs(det) < 1e-12f) return false;
  const float inv = 1.0f / det;
  const Vec3 s = o - a;
  const float u = dot(s, p) * inv;
  if (u < 0 || u > 1) return false;
  const Vec3 q = cross(s, e1);
  const float v = dot(d, q) * inv;
  if (v < 0 || u + v > 1) return false;
  t = dot(e2, q) * inv;
  return t > 0;
}

// Whether the triangle at index position i lies in a shown group (all are
// shown unless a part was hidden).
bool triangle_shown(const MeshRec& m, size_t i) {
  for (const GroupRec& g : m.groups)
    if (!g.visible && i >= g.first && i < static_cast<size_t>(g.first) + g.count) return false;
  return true;
}

}  // namespace

Pick ray_pick(int root, Vec3 origin, Vec3 direction) {
  SceneObjects& sc = scene();
  Pick best;
  const FrameRec* r = frame_at(root);
  const Vec3 dir = normalize(direction);
  if (!r || length(dir) == 0) return best;
  float best_t = 1e30f;
  int top = 0;
  sc.stack[top] = root;
  sc.stack_world[top] = frame_world(r->parent);
  ++top;
  while (top > 0) {
    --top;
    const int f = sc.stack[top];
    const FrameRec& fr = sc.frames[f];
    if (!fr.visible) continue;
    const Mat4 world = sc.stack_world[top] * local(fr);
    const MeshRec* m = mesh_at(fr.mesh);
    if (m && fr.pickable) {
      const Mat4 inv = inverse_affine(world);
      const Vec3 lo = transform_point(inv, origin), ld = transform_vector(inv, dir);
      bool any_hidden = false;
      for (const GroupRec& g : m->groups) any_hidden = any_hidden || !g.visible;
      for (size_t i = 0; i + 2 < m->indices.size(); i += 3) {
        if (any_hidden && !triangle_shown(*m, i)) continue;
        float t;
        if (hit_triangle(lo, ld, m->positions[m->indices[i]], m->positions[m->indices[i + 1]],
                         m->positions[m->indices[i + 2]], t)) {
          const Vec3 world_hit = transform_point(world, lo + ld * t);
          const float dist = length(world_hit - origin);
          if (dist < best_t) {
            best_t = dist;
            // The face's edges in world space give its normal under any scale.
            const Vec3 a = transform_point(world, m->positions[m->indices[i]]);
            const Vec3 n = cross(transform_point(world, m->positions[m->indices[i + 1]]) - a,
                                 transform_point(world, m->positions[m->indices[i + 2]]) - a);
            best = {f, world_hit, dist, normalize(n), static_cast<int>(i / 3)};
          }
        }
      }
    }
    for (int c = fr.first_child; c >= 0 && top < kMaxFrames; c = sc.frames[c].next_sibling) {
      sc.stack[top] = c;
      sc.stack_world[top] = world;
      ++top;
    }
  }
  return best;
}

Pick viewport_pick(int vi, int root, float sx, float sy) {
  const ViewportRec* v = viewport_at(vi);
  if (!v) return {};
  const Vec3 near = viewport_inverse_transform(vi, sx, sy, v->front);
  const Vec3 far = viewport_inverse_transform(vi, sx, sy, v->back);
  Pick p = ray_pick(root, near, far - near);
  if (p.frame >= 0 && p.distance > length(far - near)) return {};
  return p;
}

int scene_drawn_count() { return scene().drawn; }

}  // namespace platform
