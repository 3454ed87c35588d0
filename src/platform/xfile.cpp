#include "platform/xfile.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string_view>

#include "core/files.h"
#include "core/text.h"
#include "platform/sandbox.h"
#include "platform/xfile_wire_local.h"

// How assimp's .x importer treats coordinates (checked against its source,
// XFileImporter::CreateMeshes and CreateDataRepresentationFromImport): after
// parsing it always runs MakeLeftHandedProcess, which mirrors z (vertex
// positions and normals get -z, every node matrix M becomes S M S with
// S = diag(1, 1, -1), animation keys likewise), then FlipWindingOrderProcess,
// which reverses the index order of every face; and it stores each texture
// coordinate as (u, 1 - v). No import flag turns this off. So here, with no
// post-processing asked for: positions and normals are taken through the
// node chain (which gives S G p for the file's G p) and z is negated again,
// each face's indices are read back to front, and v becomes 1 - v. The
// result is the file's own left-handed data with its clockwise front faces.

namespace platform {

using core::Group;
using core::Material;
using core::Model;
using core::Vec2;
using core::Vec3;
using core::XBone;
using core::XChannel;
using core::XInfluence;
using core::XKey;
using core::XNode;
using core::XRig;

namespace {

constexpr int kMaxNodeDepth = 256;
constexpr uint64_t kXLoadMemoryBytes = uint64_t{2} << 30;  // the parser's, on top of the engine's
constexpr size_t kMaxReplyBytes = size_t{1} << 30;

// --- conversion (runs in the child)

float clamp01(float v, float fallback) { return std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) : fallback; }

Material convert_material(const aiMaterial& src) {
  Material m;
  aiString name;
  // Materials of the file always carry a name (maybe empty); the one assimp
  // makes up for a file without any has none and stays the default white.
  if (src.Get(AI_MATKEY_NAME, name) != AI_SUCCESS) return m;
  aiColor4D d;
  if (src.Get(AI_MATKEY_COLOR_DIFFUSE, d) == AI_SUCCESS) {
    m.r = clamp01(d.r, 1);
    m.g = clamp01(d.g, 1);
    m.b = clamp01(d.b, 1);
    m.a = clamp01(d.a, 1);
  }
  aiColor3D c;
  if (src.Get(AI_MATKEY_COLOR_EMISSIVE, c) == AI_SUCCESS) {
    m.emissive[0] = clamp01(c.r, 0);
    m.emissive[1] = clamp01(c.g, 0);
    m.emissive[2] = clamp01(c.b, 0);
  }
  if (src.Get(AI_MATKEY_COLOR_SPECULAR, c) == AI_SUCCESS) {
    m.specular[0] = clamp01(c.r, 0);
    m.specular[1] = clamp01(c.g, 0);
    m.specular[2] = clamp01(c.b, 0);
  }
  float power = 0;
  if (src.Get(AI_MATKEY_SHININESS, power) == AI_SUCCESS && std::isfinite(power) && power > 0) m.power = power;
  aiString texture;
  if (src.GetTexture(aiTextureType_DIFFUSE, 0, &texture) == AI_SUCCESS)
    m.texture = core::slashes_forward(texture.C_Str());
  return m;
}

uint32_t pack_colour(const aiColor4D& c) {
  auto byte = [](float v) { return static_cast<uint32_t>(std::lround(clamp01(v, 1) * 255.0f)); };
  return byte(c.r) | byte(c.g) << 8 | byte(c.b) << 16 | byte(c.a) << 24;
}

void to_floats(const aiMatrix4x4& m, float* out) {
  const float v[16] = {m.a1, m.a2, m.a3, m.a4, m.b1, m.b2, m.b3, m.b4, m.c1, m.c2, m.c3, m.c4, m.d1, m.d2, m.d3, m.d4};
  bool finite = true;
  for (float f : v) finite = finite && std::isfinite(f);
  for (int i = 0; i < 16; ++i) out[i] = finite ? v[i] : (i % 5 == 0 ? 1.0f : 0.0f);
}

// The rig being gathered next to the model (only when asked for).
struct RigBuilder {
  XRig* rig = nullptr;
  bool failed = false;  // too large: the model loads without animation
  std::vector<const aiNode*> nodes;
  std::vector<std::pair<std::string, int32_t>> names;  // sorted by name, first node of a name kept

  int32_t node_named(const aiString& name) const {
    const std::string key(name.C_Str());
    auto it = std::lower_bound(names.begin(), names.end(), key,
                               [](const std::pair<std::string, int32_t>& a, const std::string& k) {
                                 return a.first < k;
                               });
    return it != names.end() && it->first == key ? it->second : -1;
  }
  int32_t node_index(const aiNode* n) const {
    for (size_t i = 0; i < nodes.size(); ++i)
      if (nodes[i] == n) return static_cast<int32_t>(i);
    return -1;
  }
  int32_t add_bone(int32_t node, const aiMatrix4x4& offset) {
    if (rig->bones.size() >= core::kMaxXBones) {
      failed = true;
      return -1;
    }
    XBone bone;
    bone.node = node;
    to_floats(offset, bone.offset);
    rig->bones.push_back(bone);
    return static_cast<int32_t>(rig->bones.size() - 1);
  }
};

struct Builder {
  Model model;
  bool all_normals = true;
  bool any_uvs = false;
  bool any_colours = false;
  RigBuilder rig;
};

// Keeps the four strongest weights of a vertex.
void add_weight(XInfluence& in, uint32_t bone, float weight) {
  int weakest = 0;
  for (int k = 1; k < 4; ++k)
    if (in.weight[k] < in.weight[weakest]) weakest = k;
  if (weight > in.weight[weakest]) {
    in.bone[weakest] = bone;
    in.weight[weakest] = weight;
  }
}

// The influences of one mesh's vertices: its skin weights, and the node
// that holds the mesh for vertices without any.
void add_influences(const aiMesh& mesh, const aiNode* holder, const aiMatrix4x4& global, uint32_t base, Builder& b) {
  RigBuilder& r = b.rig;
  if (!r.rig || r.failed) return;
  const uint32_t n = mesh.mNumVertices;
  std::vector<XInfluence>& out = r.rig->influences;
  out.resize(base + n);
  aiMatrix4x4 to_mesh = global;
  to_mesh.Inverse();
  for (uint32_t i = 0; i < mesh.mNumBones && mesh.mBones != nullptr; ++i) {
    const aiBone* bone = mesh.mBones[i];
    if (!bone || bone->mWeights == nullptr) continue;
    const int32_t node = r.node_named(bone->mName);
    if (node < 0) continue;
    const int32_t index = r.add_bone(node, bone->mOffsetMatrix * to_mesh);
    if (index < 0) return;
    for (uint32_t k = 0; k < bone->mNumWeights; ++k) {
      const aiVertexWeight& w = bone->mWeights[k];
      if (w.mVertexId < n && std::isfinite(w.mWeight) && w.mWeight > 0)
        add_weight(out[base + w.mVertexId], static_cast<uint32_t>(index), std::min(w.mWeight, 1.0f));
    }
  }
  int32_t rigid = -1;
  for (uint32_t v = base; v < base + n; ++v) {
    XInfluence& in = out[v];
    const float sum = in.weight[0] + in.weight[1] + in.weight[2] + in.weight[3];
    if (sum > 1e-6f) {
      for (float& w : in.weight) w /= sum;
      continue;
    }
    if (rigid < 0) rigid = r.add_bone(std::max(r.node_index(holder), 0), to_mesh);
    if (rigid < 0) return;
    in = XInfluence{};
    in.bone[0] = static_cast<uint32_t>(rigid);
    in.weight[0] = 1;
  }
}

bool add_mesh(const aiMesh& mesh, const aiNode* holder, const aiMatrix4x4& global, uint32_t materials, Builder& b,
              std::string& error) {
  const uint32_t n = mesh.mNumVertices;
  if (n == 0 || mesh.mVertices == nullptr) return true;
  Model& m = b.model;
  if (n > kMaxXVertices - m.positions.size()) {
    error = "the X file has too many vertices";
    return false;
  }
  const auto base = static_cast<uint32_t>(m.positions.size());
  aiMatrix3x3 normal_matrix(global);
  normal_matrix.Inverse().Transpose();

  std::vector<uint8_t> bad(n, 0);
  for (uint32_t v = 0; v < n; ++v) {
    const aiVector3D p = global * mesh.mVertices[v];
    const bool ok = std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
    bad[v] = !ok;
    m.positions.push_back(ok ? Vec3{p.x, p.y, -p.z} : Vec3{});
  }
  if (mesh.mNormals != nullptr && b.all_normals) {
    for (uint32_t v = 0; v < n; ++v) {
      aiVector3D q = normal_matrix * mesh.mNormals[v];
      const float len = q.Length();
      m.normals.push_back(std::isfinite(len) && len > 0 ? Vec3{q.x / len, q.y / len, -q.z / len} : Vec3{0, 1, 0});
    }
  } else {
    b.all_normals = false;
  }
  const aiVector3D* uv = mesh.mTextureCoords[0];
  const aiColor4D* colour = mesh.mColors[0];
  b.any_uvs = b.any_uvs || uv != nullptr;
  b.any_colours = b.any_colours || colour != nullptr;
  for (uint32_t v = 0; v < n; ++v) {
    const bool uv_ok = uv != nullptr && std::isfinite(uv[v].x) && std::isfinite(uv[v].y);
    m.uvs.push_back(uv_ok ? Vec2{uv[v].x, 1.0f - uv[v].y} : Vec2{});
    m.colours.push_back(colour != nullptr ? pack_colour(colour[v]) : 0xFFFFFFFFu);
  }

  Group g;
  g.first_index = static_cast<uint32_t>(m.indices.size());
  g.material = mesh.mMaterialIndex < materials ? static_cast<int>(mesh.mMaterialIndex) : 0;
  for (uint32_t f = 0; f < mesh.mNumFaces && mesh.mFaces != nullptr; ++f) {
    const aiFace& face = mesh.mFaces[f];
    const uint32_t k = face.mNumIndices;
    if (k < 3 || face.mIndices == nullptr) continue;
    bool ok = true;
    for (uint32_t i = 0; i < k && ok; ++i) ok = face.mIndices[i] < n && !bad[face.mIndices[i]];
    if (!ok) continue;
    if (m.indices.size() + 3 * (k - 2) > kMaxXIndices) {
      error = "the X file has too many faces";
      return false;
    }
    // assimp's order back to front is the file's; split it as a fan.
    auto file_index = [&](uint32_t i) { return base + face.mIndices[k - 1 - i]; };
    for (uint32_t i = 1; i + 1 < k; ++i)
      m.indices.insert(m.indices.end(), {file_index(0), file_index(i), file_index(i + 1)});
  }
  g.index_count = static_cast<uint32_t>(m.indices.size()) - g.first_index;
  if (g.index_count > 0) m.groups.push_back(g);
  add_influences(mesh, holder, global, base, b);
  return true;
}

// The node hierarchy, parents first, with a sorted name index.
void gather_nodes(const aiScene& scene, RigBuilder& r) {
  std::vector<std::pair<const aiNode*, int32_t>> stack;
  if (scene.mRootNode) stack.push_back({scene.mRootNode, -1});
  while (!stack.empty() && !r.failed) {
    const auto [node, parent] = stack.back();
    stack.pop_back();
    if (r.nodes.size() >= core::kMaxXNodes) {
      r.failed = true;
      break;
    }
    const auto index = static_cast<int32_t>(r.nodes.size());
    r.nodes.push_back(node);
    XNode x;
    x.parent = parent;
    to_floats(node->mTransformation, x.rest);
    r.rig->nodes.push_back(x);
    r.names.emplace_back(node->mName.C_Str(), index);
    if (node->mChildren != nullptr)
      for (uint32_t i = node->mNumChildren; i-- > 0;)
        if (node->mChildren[i]) stack.push_back({node->mChildren[i], index});
  }
  std::stable_sort(r.names.begin(), r.names.end(),
                   [](const std::pair<std::string, int32_t>& a, const std::pair<std::string, int32_t>& b) {
                     return a.first < b.first;
                   });
  r.names.erase(std::unique(r.names.begin(), r.names.end(),
                            [](const std::pair<std::string, int32_t>& a, const std::pair<std::string, int32_t>& b) {
                              return a.first == b.first;
                            }),
                r.names.end());
}

template <typename Key, typename Take>
void add_keys(const Key* keys, uint32_t count, XRig& rig, XChannel& c, int kind, Take take, bool& failed) {
  c.first[kind] = static_cast<uint32_t>(rig.keys.size());
  double last = -1e300;
  for (uint32_t i = 0; i < count && keys != nullptr; ++i) {
    XKey k;
    k.time = keys[i].mTime;
    if (!take(keys[i], k.v) || !std::isfinite(k.time) || k.time < last) continue;
    if (rig.keys.size() >= core::kMaxXKeys) {
      failed = true;
      return;
    }
    last = k.time;
    rig.keys.push_back(k);
  }
  c.count[kind] = static_cast<uint32_t>(rig.keys.size()) - c.first[kind];
}

// The channels of the first animation set that has any.
void gather_animation(const aiScene& scene, RigBuilder& r) {
  XRig& rig = *r.rig;
  for (uint32_t a = 0; a < scene.mNumAnimations && scene.mAnimations != nullptr && rig.channels.empty(); ++a) {
    const aiAnimation* anim = scene.mAnimations[a];
    if (!anim || anim->mChannels == nullptr) continue;
    rig.duration = std::isfinite(anim->mDuration) && anim->mDuration > 0 ? anim->mDuration : 0;
    rig.ticks_per_second = std::isfinite(anim->mTicksPerSecond) && anim->mTicksPerSecond > 0 ? anim->mTicksPerSecond
                                                                                             : 0;
    for (uint32_t i = 0; i < anim->mNumChannels && !r.failed; ++i) {
      const aiNodeAnim* ch = anim->mChannels[i];
      if (!ch) continue;
      XChannel c;
      c.node = r.node_named(ch->mNodeName);
      if (c.node < 0) continue;
      auto finite = [](std::initializer_list<float> v) {
        for (float f : v)
          if (!std::isfinite(f)) return false;
        return true;
      };
      auto vector = [&](const aiVectorKey& k, float* v) {
        v[0] = k.mValue.x, v[1] = k.mValue.y, v[2] = k.mValue.z;
        return finite({v[0], v[1], v[2]});
      };
      auto rotation = [&](const aiQuatKey& k, float* v) {
        v[0] = k.mValue.w, v[1] = k.mValue.x, v[2] = k.mValue.y, v[3] = k.mValue.z;
        const float n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2] + v[3] * v[3]);
        if (!finite({v[0], v[1], v[2], v[3], n}) || n < 1e-6f) return false;
        for (int j = 0; j < 4; ++j) v[j] /= n;
        return true;
      };
      add_keys(ch->mPositionKeys, ch->mNumPositionKeys, rig, c, 0, vector, r.failed);
      add_keys(ch->mRotationKeys, ch->mNumRotationKeys, rig, c, 1, rotation, r.failed);
      add_keys(ch->mScalingKeys, ch->mNumScalingKeys, rig, c, 2, vector, r.failed);
      if (c.count[0] + c.count[1] + c.count[2] == 0) continue;
      if (rig.channels.size() >= core::kMaxXNodes) {
        r.failed = true;
        break;
      }
      rig.channels.push_back(c);
    }
  }
}

bool convert(const aiScene& scene, Model& model, XInfo& info, XRig* rig, std::string& error) {
  Builder b;
  if (rig) {
    b.rig.rig = rig;
    gather_nodes(scene, b.rig);
  }
  for (uint32_t i = 0; i < scene.mNumMaterials && scene.mMaterials != nullptr; ++i)
    b.model.materials.push_back(scene.mMaterials[i] ? convert_material(*scene.mMaterials[i]) : Material{});
  if (b.model.materials.empty()) b.model.materials.emplace_back();
  const auto materials = static_cast<uint32_t>(b.model.materials.size());

  struct Pending {
    const aiNode* node;
    aiMatrix4x4 parent;
    int depth;
  };
  std::vector<Pending> stack;
  if (scene.mRootNode) stack.push_back({scene.mRootNode, aiMatrix4x4(), 0});
  while (!stack.empty()) {
    const Pending p = stack.back();
    stack.pop_back();
    const aiMatrix4x4 global = p.parent * p.node->mTransformation;
    for (uint32_t i = 0; i < p.node->mNumMeshes && p.node->mMeshes != nullptr; ++i) {
      const uint32_t mesh = p.node->mMeshes[i];
      if (mesh < scene.mNumMeshes && scene.mMeshes != nullptr && scene.mMeshes[mesh] != nullptr &&
          !add_mesh(*scene.mMeshes[mesh], p.node, global, materials, b, error))
        return false;
    }
    if (p.node->mNumChildren > 0 && p.node->mChildren != nullptr) {
      if (p.depth >= kMaxNodeDepth) {
        error = "the X file's frames are nested too deep";
        return false;
      }
      for (uint32_t i = p.node->mNumChildren; i-- > 0;)
        if (p.node->mChildren[i]) stack.push_back({p.node->mChildren[i], global, p.depth + 1});
    }
  }

  Model& m = b.model;
  if (!b.all_normals || m.positions.empty()) m.normals.clear();
  if (!b.any_uvs) m.uvs.clear();
  if (!b.any_colours) m.colours.clear();
  model = std::move(m);

  for (uint32_t i = 0; i < scene.mNumAnimations && i < kMaxXAnimations && scene.mAnimations != nullptr; ++i) {
    const aiAnimation* a = scene.mAnimations[i];
    if (!a) continue;
    XAnimation x;
    x.name = a->mName.C_Str();
    x.duration = std::isfinite(a->mDuration) ? a->mDuration : 0;
    x.ticks_per_second = std::isfinite(a->mTicksPerSecond) ? a->mTicksPerSecond : 0;
    info.animations.push_back(std::move(x));
  }
  if (rig) {
    if (!b.rig.failed) gather_animation(scene, b.rig);
    // A rig that is too large, or has nothing to move, is dropped.
    if (b.rig.failed || rig->channels.empty() || rig->influences.size() != model.positions.size()) *rig = XRig{};
  }
  return true;
}

// The import as the child runs it: the file's bytes in, the wire reply out.
std::string import_in_child(std::string_view bytes, bool want_rig) {
  try {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, "x");
    if (scene == nullptr)
      return x_error_reply(std::string("the X file could not be read: ") + importer.GetErrorString());
    Model model;
    XInfo info;
    std::string error;
    XRig rig;
    if (!convert(*scene, model, info, want_rig ? &rig : nullptr, error)) return x_error_reply(error);
    return x_model_reply(model, info, want_rig ? &rig : nullptr);
  } catch (...) {
    return x_error_reply("the X file could not be read");
  }
}

// Runs the import in a child process and collects its reply.
// How the import ended; the error says why when it is not kDone.
SandboxResult run_child(const std::string& bytes, bool want_rig, std::string& reply, std::string& error) {
  SandboxLimits limits;
  limits.seconds = kXLoadSeconds;
  limits.memory_bytes = kXLoadMemoryBytes;
  limits.reply_bytes = kMaxReplyBytes;
  SandboxOutcome out = sandbox_run([want_rig](std::string_view request) { return import_in_child(request, want_rig); },
                                   bytes, limits);
  switch (out.result) {
    case SandboxResult::kDone: reply = std::move(out.reply); break;
    case SandboxResult::kNoChild: error = "cannot start the X loader"; break;
    case SandboxResult::kTimedOut: error = "the X file took too long to read"; break;
    case SandboxResult::kLostChild: error = "the X loader stopped answering"; break;
    case SandboxResult::kReplyTooLong: error = "the X file makes too large a model"; break;
    case SandboxResult::kSignalled:
      error = "the X file made the loader fail (signal " + std::to_string(out.signal) + ")";
      break;
  }
  return out.result;
}

// FNV-1a of a file's bytes: files whose import failed are known by content.
uint64_t content_hash(const std::string& bytes) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h ^ bytes.size();
}

// Files whose import child crashed, overran or answered nonsense, with the
// message: they are not imported again while the process lasts.
std::map<uint64_t, std::string>& failed_imports() {
  static std::map<uint64_t, std::string> failed;
  return failed;
}

uint32_t imports = 0;

bool load_x_any(const std::string& path, Model& model, XInfo& info, XRig* rig, std::string& error) {
  model = Model{};
  info = XInfo{};
  if (rig) *rig = XRig{};
  error.clear();
  std::string bytes;
  bool truncated = false;
  if (!core::read_file(path, bytes, kMaxXFileBytes, &truncated)) {
    error = "cannot read " + path;
    return false;
  }
  if (truncated) {
    error = path + " is too large";
    return false;
  }
  // The header is "xof " and the format version: 16 bytes in all.
  if (bytes.size() < 16 || bytes.compare(0, 4, "xof ") != 0) {
    error = path + " is not an X file";
    return false;
  }
  const uint64_t key = content_hash(bytes);
  if (const auto known = failed_imports().find(key); known != failed_imports().end()) {
    error = path + ": " + known->second;
    return false;
  }
  std::string reply;
  Model m;
  XInfo in;
  XRig rg;
  ++imports;
  const SandboxResult ended = run_child(bytes, rig != nullptr, reply, error);
  if (ended != SandboxResult::kDone || !x_read_reply(reply, m, in, rig ? &rg : nullptr, error)) {
    // A loader that could not start may start next time; the file is not to blame.
    if (ended != SandboxResult::kNoChild) failed_imports().emplace(key, error);
    error = path + ": " + error;
    return false;
  }
  model = std::move(m);
  info = std::move(in);
  if (rig) *rig = std::move(rg);
  return true;
}

}  // namespace

uint32_t x_import_count() { return imports; }

bool load_x(const std::string& path, Model& model, XInfo& info, std::string& error) {
  return load_x_any(path, model, info, nullptr, error);
}

bool load_x_rig(const std::string& path, Model& model, XInfo& info, XRig& rig, std::string& error) {
  return load_x_any(path, model, info, &rig, error);
}

}  // namespace platform
