// The scene's object tables (private to platform/): the records behind the
// indices of scene.h, their one slot accessor, and the helpers the scene's
// files share. Nothing here calls GL except where said.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/draw_list_local.h"
#include "platform/scene.h"

namespace platform {

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
  Vec3 centre;         // of the group's vertices, kept while !MeshRec::centres_dirty
  bool lines = false;  // core::Group::lines: triangle edges only (its shadow stays solid)
  bool lit = true;     // core::Group::lit
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
  Mat4 drawn_world[kMaxFrames];  // world matrix of each frame reached by the current render
  uint32_t drawn_stamp[kMaxFrames] = {};
  uint32_t render_serial = 0;
  int drawn = 0;
  // Scratch tables of the mesh edits; they grow to the largest mesh edited.
  std::vector<int32_t> scratch_remap, scratch_table;
  std::vector<Vec3> scratch_normals;

  uint32_t program = 0;
  int32_t u_model = -1, u_view_proj = -1, u_view = -1, u_colour = -1, u_emissive = -1, u_vertex_colours = -1,
          u_textured = -1, u_lit = -1, u_ambient = -1, u_light_count = -1, u_light_pos = -1, u_light_dir = -1,
          u_light_colour = -1, u_light_params = -1, u_fog = -1, u_fog_range = -1, u_fog_colour = -1, u_specular = -1,
          u_eye = -1;
};

// The scene's tables, made at the first use (scene_objects.cpp).
SceneObjects& scene();
// Whether a rendering device is open (GL calls are allowed).
bool gl();

// The record in slot i of a table, or null when i is out of range or the
// slot is free.
template <typename Rec, int N>
Rec* slot_at(Rec (&table)[N], int i) {
  return i >= 0 && i < N && table[i].used ? &table[i] : nullptr;
}

inline FrameRec* frame_at(int f) { return slot_at(scene().frames, f); }
inline MeshRec* mesh_at(int m) { return slot_at(scene().meshes, m); }
inline TextureRec* texture_at(int t) { return slot_at(scene().textures, t); }
inline LightRec* light_at(int l) { return slot_at(scene().lights, l); }
inline ViewportRec* viewport_at(int v) { return slot_at(scene().viewports, v); }
inline ShadowRec* shadow_at(int s) { return slot_at(scene().shadows, s); }

// A frame's transform relative to its parent.
inline Mat4 local_matrix(const FrameRec& f) { return core::compose(f.position, f.right, f.up, f.dir, f.scale); }

// Calls visit(frame, record, world matrix) for the visible frames of the
// tree under `root` (the root included), parents before children, on the
// scene's fixed stack; a hidden frame hides its children too.
template <typename Visit>
void walk_visible(SceneObjects& sc, int root, Visit visit) {
  const FrameRec* r = frame_at(root);
  if (!r) return;
  int top = 0;
  sc.stack[top] = root;
  sc.stack_world[top] = frame_world(r->parent);
  ++top;
  while (top > 0) {
    --top;
    const int f = sc.stack[top];
    const FrameRec& fr = sc.frames[f];
    if (!fr.visible) continue;
    const Mat4 world = sc.stack_world[top] * local_matrix(fr);
    visit(f, fr, world);
    for (int c = fr.first_child; c >= 0 && top < kMaxFrames; c = sc.frames[c].next_sibling) {
      sc.stack[top] = c;
      sc.stack_world[top] = world;
      ++top;
    }
  }
}

// --- viewports (scene_viewports.cpp)
Mat4 projection(const ViewportRec& v);
Mat4 view_matrix(const ViewportRec& v);
// The viewport rectangle in GL window coordinates; false without a device.
bool gl_rect(const ViewportRec& v, int& x, int& y, int& w, int& h);

// --- mesh algorithms (mesh_algorithms.cpp)
// Normals from the triangles, each vertex's the sum of its faces'.
void compute_normals(MeshRec& m);
// The centre of each group's vertices, when they changed.
void update_centres(MeshRec& m);
// The vertices a group uses as first..first + count - 1; group -1: every
// vertex. False for a bad group.
bool group_range(const MeshRec& m, int group, int& first, int& count);

// --- GL objects (scene_shaders.cpp; these call GL)
// The scene's program, compiled at the first render; false without a device.
bool ready_program(SceneObjects& sc);
// Uploads the vertices of a mesh (all of them; edits are rare).
void upload_mesh(MeshRec& m);
void release_mesh_gl(MeshRec& m);

}  // namespace platform
