#include "media/model3ds.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "core/protect.h"
#include "core/files.h"
#include "core/text.h"

namespace media {

namespace {

constexpr uint16_t kMain = 0x4D4D;
constexpr uint16_t kEditor = 0x3D3D;
constexpr uint16_t kObject = 0x4000;
constexpr uint16_t kMesh = 0x4100;
constexpr uint16_t kVertexList = 0x4110;
constexpr uint16_t kFaceList = 0x4120;
constexpr uint16_t kFaceMaterial = 0x4130;
constexpr uint16_t kMapping = 0x4140;
constexpr uint16_t kMaterialBlock = 0xAFFF;
constexpr uint16_t kMaterialName = 0xA000;
constexpr uint16_t kDiffuse = 0xA020;
constexpr uint16_t kTransparency = 0xA050;
constexpr uint16_t kTextureMap = 0xA200;
constexpr uint16_t kMapFile = 0xA300;
constexpr uint16_t kColourFloat = 0x0010;
constexpr uint16_t kColour24 = 0x0011;
constexpr uint16_t kLinearColour24 = 0x0012;
constexpr uint16_t kLinearColourFloat = 0x0013;
constexpr uint16_t kPercentInt = 0x0030;
constexpr uint16_t kPercentFloat = 0x0031;

constexpr int kMaxDepth = 32;
constexpr size_t kMaxMaterials = 4096;  // later material blocks are ignored
constexpr int kMinHandled = 5;
constexpr size_t kHeader = 6;
// Per object of the writer: three vertices per triangle under a 16-bit count.
constexpr size_t kTrianglesPerObject = 65535 / 3;

// Reads from a byte span; every caller has checked the range first.
struct Bytes {
  std::span<const uint8_t> b;
  uint16_t u16(size_t at) const { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
  uint32_t u32(size_t at) const { return u16(at) | (static_cast<uint32_t>(u16(at + 2)) << 16); }
  float f32(size_t at) const {
    uint32_t u = u32(at);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
  }
  core::Vec3 vec3(size_t at) const { return {f32(at), f32(at + 4), f32(at + 8)}; }
  // A chunk header at `at` that fits before `limit`: its id and length.
  bool chunk(size_t at, size_t limit, uint16_t& id, size_t& len) const {
    if (at > limit || limit - at < kHeader) return false;
    id = u16(at);
    len = u32(at + 2);
    return len >= kHeader && len <= limit - at;
  }
  // The zero-terminated text at [at, limit); false without a terminator.
  bool text(size_t at, size_t limit, std::string& out, size_t* after = nullptr) const {
    for (size_t i = at; i < limit; ++i) {
      if (b[i] == 0) {
        out.assign(reinterpret_cast<const char*>(b.data() + at), i - at);
        if (after) *after = i + 1;
        return true;
      }
    }
    return false;
  }
};

bool finite(const core::Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// File axes to engine axes (and back: the swap is its own inverse).
core::Vec3 swap_yz(const core::Vec3& v) { return {v.x, v.z, v.y}; }

struct Face {
  uint16_t a, b, c;
};

struct MaterialGroup {
  std::string material;
  std::vector<uint16_t> faces;
};

struct FaceList {
  int vertex_list = -1;  // the last vertex list seen before it, -1 for none
  std::vector<Face> faces;
  std::vector<MaterialGroup> groups;
};

struct NamedMaterial {
  std::string name;
  core::Material material;
};

struct Walk {
  std::vector<std::vector<core::Vec3>> vertex_lists;  // engine axes
  std::vector<std::vector<core::Vec2>> uv_lists;      // one per vertex list, empty for none
  std::vector<FaceList> face_lists;
  std::vector<NamedMaterial> materials;
};

// A 16-bit count of `each`-byte records that must fit in [at, limit).
bool counted(const Bytes& in, size_t at, size_t limit, size_t each, size_t& count) {
  if (at > limit || limit - at < 2) return false;
  count = in.u16(at);
  return count * each <= limit - at - 2;
}

// Material groups after the faces of a face list: 0x4130 is a material name
// and the faces that use it. Anything malformed ends the groups.
void read_groups(const Bytes& in, size_t at, size_t limit, FaceList& list) {
  uint16_t id;
  size_t len;
  while (in.chunk(at, limit, id, len)) {
    if (id == kFaceMaterial) {
      MaterialGroup g;
      size_t p;
      size_t count;
      if (!in.text(at + kHeader, at + len, g.material, &p) || !counted(in, p, at + len, 2, count)) return;
      g.faces.resize(count);
      for (size_t i = 0; i < count; ++i) g.faces[i] = in.u16(p + 2 + 2 * i);
      list.groups.push_back(std::move(g));
    }
    at += len;
  }
}

bool read_colour(const Bytes& in, size_t at, size_t limit, core::Material& m) {
  uint16_t id;
  size_t len;
  bool linear_only = true;
  bool found = false;
  for (; in.chunk(at, limit, id, len); at += len) {
    const bool linear = id == kLinearColour24 || id == kLinearColourFloat;
    if (found && (linear || !linear_only)) continue;
    float r, g, b;
    if ((id == kColour24 || id == kLinearColour24) && len >= kHeader + 3) {
      r = in.b[at + 6] / 255.0f;
      g = in.b[at + 7] / 255.0f;
      b = in.b[at + 8] / 255.0f;
    } else if ((id == kColourFloat || id == kLinearColourFloat) && len >= kHeader + 12) {
      core::Vec3 c = in.vec3(at + 6);
      if (!finite(c)) continue;
      r = std::fmin(std::fmax(c.x, 0.0f), 1.0f);
      g = std::fmin(std::fmax(c.y, 0.0f), 1.0f);
      b = std::fmin(std::fmax(c.z, 0.0f), 1.0f);
    } else {
      continue;
    }
    m.r = r;
    m.g = g;
    m.b = b;
    found = true;
    linear_only = linear;
  }
  return found;
}

void read_material(const Bytes& in, size_t at, size_t limit, Walk& w) {
  NamedMaterial nm;
  uint16_t id;
  size_t len;
  for (; in.chunk(at, limit, id, len); at += len) {
    const size_t body = at + kHeader, stop = at + len;
    if (id == kMaterialName) {
      in.text(body, stop, nm.name);
    } else if (id == kDiffuse) {
      read_colour(in, body, stop, nm.material);
    } else if (id == kTransparency) {
      uint16_t sub;
      size_t sublen;
      for (size_t p = body; in.chunk(p, stop, sub, sublen); p += sublen) {
        float percent = -1;
        if (sub == kPercentInt && sublen >= kHeader + 2) percent = static_cast<int16_t>(in.u16(p + 6));
        if (sub == kPercentFloat && sublen >= kHeader + 4) percent = in.f32(p + 6);
        if (percent >= 0 && percent <= 100) {  // also false for NaN
          nm.material.a = 1.0f - percent / 100.0f;
          break;
        }
      }
    } else if (id == kTextureMap) {
      uint16_t sub;
      size_t sublen;
      for (size_t p = body; in.chunk(p, stop, sub, sublen); p += sublen) {
        std::string name;
        if (sub == kMapFile && in.text(p + kHeader, p + sublen, name)) {
          nm.material.texture = core::slashes_forward(name);
          break;
        }
      }
    }
  }
  w.materials.push_back(std::move(nm));
}

// The chunk walk. `extras` adds texture coordinates, face material groups
// and materials, none of which decides whether the file is a model.
bool walk(std::span<const uint8_t> file, Walk& w, bool extras) {
  const Bytes in{file};
  if (file.size() < kHeader || file.size() > kMax3dsFileBytes || in.u16(0) != kMain) return false;
  const size_t end = in.u32(2);
  if (end < kHeader || end > file.size()) return false;

  size_t ends[kMaxDepth];  // ends of the entered chunks, innermost last
  int depth = 0;
  int handled = 0;
  size_t pos = kHeader;
  while (true) {
    while (depth > 0 && pos >= ends[depth - 1]) --depth;
    const size_t limit = depth > 0 ? ends[depth - 1] : end;
    if (limit - pos < kHeader) {
      if (depth == 0) break;
      pos = limit;  // a few bytes after the last child: ignored
      continue;
    }
    uint16_t id;
    size_t len;
    if (!in.chunk(pos, limit, id, len)) return false;
    const size_t body = pos + kHeader, stop = pos + len;
    switch (id) {
      case kEditor:
      case kObject:
      case kMesh: {
        if (depth == kMaxDepth) return false;
        size_t inside = body;
        std::string name;
        if (id == kObject && !in.text(body, stop, name, &inside)) return false;
        ends[depth++] = stop;
        pos = inside;
        ++handled;
        continue;
      }
      case kVertexList: {
        size_t count;
        if (!counted(in, body, stop, 12, count)) return false;
        std::vector<core::Vec3> list(count);
        for (size_t i = 0; i < count; ++i) list[i] = swap_yz(in.vec3(body + 2 + 12 * i));
        w.vertex_lists.push_back(std::move(list));
        w.uv_lists.emplace_back();
        ++handled;
        break;
      }
      case kFaceList: {
        size_t count;
        if (!counted(in, body, stop, 8, count)) return false;
        FaceList list;
        list.vertex_list = static_cast<int>(w.vertex_lists.size()) - 1;
        list.faces.resize(count);
        for (size_t i = 0; i < count; ++i) {
          const size_t p = body + 2 + 8 * i;
          list.faces[i] = {in.u16(p), in.u16(p + 2), in.u16(p + 4)};
        }
        if (extras) read_groups(in, body + 2 + 8 * count, stop, list);
        w.face_lists.push_back(std::move(list));
        ++handled;
        break;
      }
      case kMapping: {
        size_t count;
        if (extras && !w.vertex_lists.empty() && counted(in, body, stop, 8, count)) {
          std::vector<core::Vec2>& uvs = w.uv_lists.back();
          uvs.assign(w.vertex_lists.back().size(), core::Vec2{});
          for (size_t i = 0; i < count && i < uvs.size(); ++i) {
            const float u = in.f32(body + 2 + 8 * i), v = in.f32(body + 6 + 8 * i);
            if (std::isfinite(u) && std::isfinite(v)) uvs[i] = {u, 1.0f - v};
          }
        }
        break;
      }
      case kMaterialBlock:
        if (extras && w.materials.size() < kMaxMaterials) read_material(in, body, stop, w);
        break;
      default: break;
    }
    pos = stop;
  }
  return handled >= kMinHandled;
}

bool face_ok(const std::vector<core::Vec3>& v, const Face& f) {
  return f.a < v.size() && f.b < v.size() && f.c < v.size() && finite(v[f.a]) && finite(v[f.b]) && finite(v[f.c]);
}

void put16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 255));
  s.push_back(static_cast<char>((v >> 8) & 255));
}
void put32(std::string& s, uint32_t v) {
  put16(s, v & 0xFFFF);
  put16(s, v >> 16);
}
void put_float(std::string& s, float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  put32(s, u);
}
// Starts a chunk; its length is filled in by end_chunk.
size_t begin_chunk(std::string& s, uint16_t id) {
  const size_t at = s.size();
  put16(s, id);
  put32(s, 0);
  return at;
}
void end_chunk(std::string& s, size_t at) {
  const auto len = static_cast<uint32_t>(s.size() - at);
  for (int i = 0; i < 4; ++i) s[at + 2 + i] = static_cast<char>((len >> (8 * i)) & 255);
}

}  // namespace

bool parse_3ds_triangles(std::span<const uint8_t> file, std::vector<Triangle>& out) {
  out.clear();
  Walk w;
  if (!walk(file, w, false)) return false;
  for (const FaceList& list : w.face_lists) {
    if (list.vertex_list < 0) continue;
    const std::vector<core::Vec3>& v = w.vertex_lists[static_cast<size_t>(list.vertex_list)];
    for (const Face& f : list.faces)
      if (face_ok(v, f)) out.push_back(Triangle{{v[f.a], v[f.b], v[f.c]}});
  }
  return true;
}

bool parse_3ds_model(std::span<const uint8_t> file, core::Model& out) {
  out = core::Model{};
  Walk w;
  if (!walk(file, w, true)) return false;

  std::vector<uint32_t> base(w.vertex_lists.size());
  bool any_uvs = false;
  for (size_t i = 0; i < w.vertex_lists.size(); ++i) {
    base[i] = static_cast<uint32_t>(out.positions.size());
    for (const core::Vec3& p : w.vertex_lists[i]) out.positions.push_back(finite(p) ? p : core::Vec3{});
    any_uvs = any_uvs || !w.uv_lists[i].empty();
  }
  if (any_uvs) {
    for (size_t i = 0; i < w.vertex_lists.size(); ++i) {
      if (w.uv_lists[i].empty())
        out.uvs.insert(out.uvs.end(), w.vertex_lists[i].size(), core::Vec2{});
      else
        out.uvs.insert(out.uvs.end(), w.uv_lists[i].begin(), w.uv_lists[i].end());
    }
  }

  // Material 0 is the default; file material k is k + 1.
  out.materials.emplace_back();
  for (const NamedMaterial& nm : w.materials) out.materials.push_back(nm.material);
  std::unordered_map<std::string, int> by_name;
  for (size_t k = w.materials.size(); k-- > 0;) by_name[w.materials[k].name] = static_cast<int>(k + 1);
  auto material_index = [&](const std::string& name) {
    const auto it = by_name.find(name);
    return it == by_name.end() ? 0 : it->second;  // the first material of that name
  };

  std::vector<std::vector<uint32_t>> by_material(out.materials.size());
  for (const FaceList& list : w.face_lists) {
    if (list.vertex_list < 0) continue;
    const auto vl = static_cast<size_t>(list.vertex_list);
    std::vector<int> material(list.faces.size(), -1);
    for (const MaterialGroup& g : list.groups) {
      const int m = material_index(g.material);
      for (uint16_t f : g.faces)
        if (f < material.size() && material[f] < 0) material[f] = m;
    }
    for (size_t i = 0; i < list.faces.size(); ++i) {
      const Face& f = list.faces[i];
      if (!face_ok(w.vertex_lists[vl], f)) continue;
      std::vector<uint32_t>& idx = by_material[static_cast<size_t>(std::max(material[i], 0))];
      idx.push_back(base[vl] + f.a);
      idx.push_back(base[vl] + f.c);  // clockwise front faces: see model3ds.h
      idx.push_back(base[vl] + f.b);
    }
  }
  for (size_t m = 0; m < by_material.size(); ++m) {
    if (by_material[m].empty()) continue;
    core::Group g;
    g.first_index = static_cast<uint32_t>(out.indices.size());
    g.index_count = static_cast<uint32_t>(by_material[m].size());
    g.material = static_cast<int>(m);
    out.indices.insert(out.indices.end(), by_material[m].begin(), by_material[m].end());
    out.groups.push_back(g);
  }
  return true;
}

namespace {

template <typename T, typename Parse>
ModelSource load_with_fallback(const std::string& path, const std::string& fallback_path, T& out, Parse parse) {
  std::string bytes;
  bool truncated = false;
  for (const std::string* p : {&path, &fallback_path}) {
    if (core::read_resource(*p, bytes, kMax3dsFileBytes, &truncated) && !truncated &&
        parse(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), out))
      return p == &path ? ModelSource::file : ModelSource::fallback;
  }
  out = T{};
  return ModelSource::none;
}

}  // namespace

ModelSource load_3ds_triangles(const std::string& path, const std::string& fallback_path, std::vector<Triangle>& out) {
  return load_with_fallback(path, fallback_path, out, parse_3ds_triangles);
}

ModelSource load_3ds_model(const std::string& path, const std::string& fallback_path, core::Model& out) {
  return load_with_fallback(path, fallback_path, out, parse_3ds_model);
}

core::Model triangles_to_model(std::span<const Triangle> triangles) {
  core::Model m;
  m.positions.reserve(triangles.size() * 3);
  m.indices.reserve(triangles.size() * 3);
  for (const Triangle& t : triangles) {
    const auto at = static_cast<uint32_t>(m.positions.size());
    m.positions.insert(m.positions.end(), {t.v[0], t.v[1], t.v[2]});
    m.indices.insert(m.indices.end(), {at, at + 2, at + 1});
  }
  m.materials.emplace_back();
  if (!m.indices.empty()) m.groups.push_back({0, static_cast<uint32_t>(m.indices.size()), 0});
  return m;
}

void reverse_winding(std::vector<Triangle>& triangles) {
  for (Triangle& t : triangles) std::swap(t.v[1], t.v[2]);
}

void reverse_winding(core::Model& model) {
  for (size_t i = 0; i + 2 < model.indices.size(); i += 3) std::swap(model.indices[i + 1], model.indices[i + 2]);
}

std::string encode_3ds(std::span<const Triangle> triangles, bool both_sides) {
  std::string s;
  const size_t main = begin_chunk(s, kMain);
  const size_t editor = begin_chunk(s, kEditor);
  size_t done = 0;
  int object_number = 0;
  do {
    const size_t n = std::min(kTrianglesPerObject, triangles.size() - done);
    const size_t object = begin_chunk(s, kObject);
    const std::string name = "object" + std::to_string(object_number++);
    s.append(name.c_str(), name.size() + 1);
    const size_t mesh = begin_chunk(s, kMesh);
    const size_t vertices = begin_chunk(s, kVertexList);
    put16(s, static_cast<uint32_t>(3 * n));
    for (size_t t = done; t < done + n; ++t) {
      for (const core::Vec3& v : triangles[t].v) {
        const core::Vec3 f = swap_yz(v);
        put_float(s, f.x);
        put_float(s, f.y);
        put_float(s, f.z);
      }
    }
    end_chunk(s, vertices);
    const size_t faces = begin_chunk(s, kFaceList);
    put16(s, static_cast<uint32_t>(both_sides ? 2 * n : n));
    for (uint32_t k = 0; k < n; ++k) {
      put16(s, 3 * k);
      put16(s, 3 * k + 1);
      put16(s, 3 * k + 2);
      put16(s, 0);
      if (!both_sides) continue;
      put16(s, 3 * k);
      put16(s, 3 * k + 2);
      put16(s, 3 * k + 1);
      put16(s, 0);
    }
    end_chunk(s, faces);
    end_chunk(s, mesh);
    end_chunk(s, object);
    done += n;
    if (s.size() > kMax3dsFileBytes) return {};
  } while (done < triangles.size());
  end_chunk(s, editor);
  end_chunk(s, main);
  return s;
}

bool save_3ds(const std::string& path, std::span<const Triangle> triangles, bool both_sides) {
  const std::string bytes = encode_3ds(triangles, both_sides);
  return !bytes.empty() && core::write_file_atomic(path, bytes);
}

}  // namespace media
