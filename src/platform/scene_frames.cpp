// Frames: the hierarchy, transforms and per-frame states.
#include "platform/scene_local.h"

namespace platform {

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
  for (const FrameRec* r = frame_at(f); r && depth < kMaxFrames; r = frame_at(r->parent), ++depth)
    m = local_matrix(*r) * m;
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

}  // namespace platform
