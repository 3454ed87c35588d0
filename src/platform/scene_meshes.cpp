// Meshes: copies of the loaders' models, their groups (parts) and
// per-vertex edits. The algorithms over whole meshes are in
// mesh_algorithms.cpp.
#include <algorithm>

#include "platform/scene_local.h"

namespace platform {

using core::Group;

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
      gr.lines = g.lines;
      gr.lit = g.lit;
      if (g.material >= 0 && static_cast<size_t>(g.material) < model.materials.size())
        gr.material = model.materials[static_cast<size_t>(g.material)];
      m.groups.push_back(gr);
    }
    if (m.groups.empty())
      m.groups.push_back({0, static_cast<uint32_t>(m.indices.size()), Material{}, -1, true, Vec3{}});
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
  return m && group >= 0 && static_cast<size_t>(group) < m->groups.size() &&
         m->groups[static_cast<size_t>(group)].visible;
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

void mesh_set_unlit(int i, bool unlit) {
  if (MeshRec* m = mesh_at(i)) m->unlit = unlit;
}

}  // namespace platform
