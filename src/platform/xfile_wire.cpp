#include "platform/xfile_wire_local.h"

#include <cstring>
#include <vector>

namespace platform {

using core::Material;
using core::Model;
using core::XRig;

namespace {

constexpr char kReplyMagic[4] = {'Q', 'X', 'M', '1'};

struct Writer {
  std::string s;
  template <typename T>
  void raw(const T& v) {
    s.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  void text(const std::string& t) {
    raw(static_cast<uint32_t>(t.size()));
    s += t;
  }
  template <typename T>
  void array(const std::vector<T>& v) {
    raw(static_cast<uint64_t>(v.size()));
    if (!v.empty()) s.append(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(T));
  }
};

struct Reader {
  std::string_view s;
  bool ok = true;
  template <typename T>
  T raw() {
    T v{};
    if (s.size() < sizeof v) {
      ok = false;
      return v;
    }
    std::memcpy(&v, s.data(), sizeof v);
    s.remove_prefix(sizeof v);
    return v;
  }
  std::string text() {
    const auto n = raw<uint32_t>();
    if (!ok || n > s.size()) {
      ok = false;
      return {};
    }
    std::string t(s.substr(0, n));
    s.remove_prefix(n);
    return t;
  }
  template <typename T>
  void array(std::vector<T>& v, uint64_t limit) {
    const auto n = raw<uint64_t>();
    if (!ok || n > limit || n > s.size() / sizeof(T)) {
      ok = false;
      return;
    }
    v.resize(n);
    if (n > 0) std::memcpy(v.data(), s.data(), n * sizeof(T));
    s.remove_prefix(n * sizeof(T));
  }
};

}  // namespace

std::string x_error_reply(const std::string& message) {
  Writer w;
  w.s.assign(kReplyMagic, 4);
  w.raw(uint8_t{1});
  w.text(message);
  return w.s;
}

std::string x_model_reply(const Model& m, const XInfo& info, const XRig* rig) {
  Writer w;
  w.s.assign(kReplyMagic, 4);
  w.raw(uint8_t{0});
  w.array(m.positions);
  w.array(m.normals);
  w.array(m.uvs);
  w.array(m.colours);
  w.array(m.indices);
  w.array(m.groups);
  w.raw(static_cast<uint32_t>(m.materials.size()));
  for (const Material& mat : m.materials) {
    w.raw(mat.r), w.raw(mat.g), w.raw(mat.b), w.raw(mat.a);
    w.raw(mat.emissive), w.raw(mat.specular), w.raw(mat.power);
    w.text(mat.texture);
  }
  w.raw(static_cast<uint32_t>(info.animations.size()));
  for (const XAnimation& a : info.animations) {
    w.text(a.name);
    w.raw(a.duration), w.raw(a.ticks_per_second);
  }
  if (rig) {
    w.array(rig->nodes);
    w.array(rig->bones);
    w.array(rig->influences);
    w.array(rig->channels);
    w.array(rig->keys);
    w.raw(rig->duration), w.raw(rig->ticks_per_second);
  }
  return w.s;
}

bool x_read_reply(std::string_view bytes, Model& m, XInfo& info, XRig* rig, std::string& error) {
  Reader r{bytes};
  if (bytes.size() < 5 || std::memcmp(bytes.data(), kReplyMagic, 4) != 0) {
    error = "the X loader gave no answer";
    return false;
  }
  r.s.remove_prefix(4);
  if (r.raw<uint8_t>() != 0) {
    error = r.text();
    if (!r.ok || error.empty()) error = "the X file could not be read";
    return false;
  }
  r.array(m.positions, kMaxXVertices);
  r.array(m.normals, kMaxXVertices);
  r.array(m.uvs, kMaxXVertices);
  r.array(m.colours, kMaxXVertices);
  r.array(m.indices, kMaxXIndices);
  r.array(m.groups, kMaxXIndices);
  const auto materials = r.raw<uint32_t>();
  for (uint32_t i = 0; r.ok && i < materials && r.s.size() > 0; ++i) {
    Material mat;
    mat.r = r.raw<float>(), mat.g = r.raw<float>(), mat.b = r.raw<float>(), mat.a = r.raw<float>();
    for (float& e : mat.emissive) e = r.raw<float>();
    for (float& s : mat.specular) s = r.raw<float>();
    mat.power = r.raw<float>();
    mat.texture = r.text();
    m.materials.push_back(std::move(mat));
  }
  const auto animations = r.raw<uint32_t>();
  for (uint32_t i = 0; r.ok && i < animations && i < kMaxXAnimations; ++i) {
    XAnimation a;
    a.name = r.text();
    a.duration = r.raw<double>();
    a.ticks_per_second = r.raw<double>();
    info.animations.push_back(std::move(a));
  }
  if (rig) {
    r.array(rig->nodes, core::kMaxXNodes);
    r.array(rig->bones, core::kMaxXBones);
    r.array(rig->influences, kMaxXVertices);
    r.array(rig->channels, core::kMaxXNodes);
    r.array(rig->keys, core::kMaxXKeys);
    rig->duration = r.raw<double>();
    rig->ticks_per_second = r.raw<double>();
    if (r.ok && !core::x_rig_valid(*rig, m.positions.size())) r.ok = false;
  }
  if (!r.ok || !r.s.empty() || m.materials.size() != materials || info.animations.size() != animations ||
      !core::model_valid(m)) {
    error = "the X loader gave a malformed answer";
    return false;
  }
  return true;
}

}  // namespace platform
