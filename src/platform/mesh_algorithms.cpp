// Algorithms over whole meshes: normals, vertex merging by hashing, group
// centres and ranges, bounds. Plain CPU work on the mesh records.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/scene_local.h"

namespace platform {

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

namespace {

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

}  // namespace platform
