// The retained-mode scene: frames in a hierarchy, meshes built once and
// edited in place, textures, lights and viewports, drawn into the frame by
// OpenGL. Objects live in fixed tables and are named by their index; -1 is
// "none". Per drawn frame only transforms and visibility change.
//
// The world is left-handed: x to the right, y up, z away from the viewer.
#pragma once

#include <cstdint>

#include "core/math3d.h"
#include "core/model.h"

namespace platform {

// The scene's vocabulary: core's plain maths and model types.
using core::Mat4;
using core::Material;
using core::Model;
using core::Quat;
using core::Vec2;
using core::Vec3;

constexpr int kMaxFrames = 8192;
constexpr int kMaxMeshes = 4096;
constexpr int kMaxTextures = 1024;
constexpr int kMaxLights = 256;
constexpr int kMaxViewports = 64;
constexpr int kMaxShaderLights = 8;

enum SortMode : int32_t { kSortFrontToBack = 1, kSortBackToFront = 2, kSortNone = 3 };
enum LightKind : int32_t { kLightAmbient = 0, kLightPoint = 1, kLightSpot = 2, kLightDirectional = 3 };

// Releases every scene object (scene release; also before a new build).
void scene_reset();

// --- frames
int frame_create(int parent);
void frame_delete(int frame);  // and its children
bool frame_valid(int frame);
int frame_parent(int frame);
void frame_set_position(int frame, Vec3 position);  // relative to the parent
Vec3 frame_position(int frame);
// Orientation relative to the parent from a direction (z) and up (y) vector.
void frame_set_orientation(int frame, Vec3 dir, Vec3 up);
void frame_orientation(int frame, Vec3& dir, Vec3& up);
void frame_set_rotation(int frame, Quat q);
void frame_set_scale(int frame, Vec3 scale);
// Visible: drawn; pickable: found by ray picks.
void frame_set_traversal(int frame, bool visible, bool pickable);
bool frame_visible(int frame);
void frame_set_sort_mode(int frame, int32_t mode);
int32_t frame_sort_mode(int frame);
// Fog of a root frame (linear, in world units).
void frame_set_fog(int frame, bool enabled, float start, float end, uint32_t colour_rgb);
void frame_fog(int frame, bool& enabled, float& start, float& end, uint32_t& colour_rgb);
void frame_set_mesh(int frame, int mesh);
int frame_mesh(int frame);
// The frame's mesh made its own for editing: the mesh itself when no other
// frame uses it, otherwise a copy that the frame takes instead (made once;
// later calls answer the copy). -1 without a mesh or when the mesh table is
// full.
int frame_own_mesh(int frame);
// Turns the frame so that its z axis points at a world point (billboards).
void frame_look_at(int frame, Vec3 world_target);
Mat4 frame_world(int frame);
Vec3 frame_world_position(int frame);

// --- meshes
// Copies the model (normals computed when missing); -1 when the tables are
// full or the model is invalid. Each group keeps its model group's fill
// (`lines`: the triangles' edges) and lighting (`lit`).
int mesh_create(const Model& model);
void mesh_delete(int mesh);
bool mesh_valid(int mesh);
int mesh_vertex_count(int mesh);
Vec3 mesh_vertex(int mesh, int vertex);
void mesh_set_vertex(int mesh, int vertex, Vec3 p);
Vec3 mesh_normal(int mesh, int vertex);
void mesh_set_normal(int mesh, int vertex, Vec3 n);
Vec2 mesh_uv(int mesh, int vertex);
void mesh_set_uv(int mesh, int vertex, Vec2 uv);
int mesh_group_count(int mesh);
// Group colour (0xAABBGGRR) and texture of a group; group -1: every group.
void mesh_set_colour(int mesh, int group, uint32_t rgba);
void mesh_set_texture(int mesh, int group, int texture);
void mesh_set_material(int mesh, int group, const Material& m);
// Bounding box in the mesh's own coordinates.
void mesh_bounds(int mesh, Vec3& lo, Vec3& hi);
// Whether the mesh ignores lights (drawn at full colour).
void mesh_set_unlit(int mesh, bool unlit);

// --- mesh parts (groups) and in-place edits
// The vertices a group's triangles use, as first..first + count - 1 (the
// loaders keep each group's vertices together); group -1: every vertex.
// False for a bad mesh or group.
bool mesh_group_range(int mesh, int group, int& first, int& count);
// Hidden groups are neither drawn nor picked; group -1: every group.
void mesh_set_group_visible(int mesh, int group, bool visible);
bool mesh_group_visible(int mesh, int group);
// A group's material (defaults for a bad mesh or group).
Material mesh_group_material(int mesh, int group);
// Diffuse colour and opacity (channels 0..1; a < 0 keeps the opacity) of a
// group, -1: every group. Copies no texture name, so it never allocates.
void mesh_set_diffuse(int mesh, int group, float r, float g, float b, float a);
// Every lighting value of a material (not its texture) onto a group, -1: every group.
void mesh_set_surface(int mesh, int group, const Material& m);
int mesh_index_count(int mesh);
// Merges the vertices of a group (-1: of each group in turn) that are equal in
// position, normal, texture coordinates and colour, rewriting the indices;
// returns the number of vertices removed. Group ranges stay contiguous.
int mesh_merge_vertices(int mesh, int group);
// Smooth normals for a group's vertices (-1: every vertex): the face normals
// of the group's triangles weighted by each corner's angle, shared by
// vertices at the same position. Returns the number of normals written.
int mesh_smooth_normals(int mesh, int group);

// --- per-frame render states (the frame's own mesh only, not its children)
enum DepthMode : int32_t { kDepthTestWrite = 0, kDepthTestOnly = 1, kDepthWriteOnly = 2, kDepthNone = 3 };
void frame_set_depth_mode(int frame, int32_t mode);  // other values: kDepthTestWrite
int32_t frame_depth_mode(int frame);
// Order of the frame's own groups among themselves: 0 (and 3) in group order,
// 1 front to back and 2 back to front by the view depth of each group's centre.
void frame_set_part_order(int frame, int32_t mode);
int32_t frame_part_order(int frame);

// --- planar shadows: the caster frame's mesh flattened onto a plane along
// the light and drawn dark and translucent, whenever the caster is drawn.
constexpr int kMaxShadows = 1024;
int shadow_create(int caster_frame);  // -1 when the table is full or the frame is bad
void shadow_delete(int shadow);
bool shadow_valid(int shadow);
void shadow_set_caster(int shadow, int caster_frame);
int shadow_caster(int shadow);
// A point light at world point v, or (point false) light travelling along v.
void shadow_set_light(int shadow, bool point, Vec3 v);
// The receiving plane through a world point with a normal (any length).
void shadow_set_plane(int shadow, Vec3 point, Vec3 normal);
void shadow_set_opacity(int shadow, float alpha);  // 0..1
float shadow_opacity(int shadow);
// The projection of world points onto the plane from the light, with a
// positive w for points on the light's side; false when the light runs
// along the plane or the normal is zero.
bool shadow_matrix(Vec3 plane_point, Vec3 plane_normal, bool point, Vec3 light, Mat4& out);

// Counts scene_reset calls: indices kept outside the scene are stale when it
// changed.
uint32_t scene_generation();
// Material highlights on or off for every mesh (on at start).
void scene_set_specular(bool on);

// --- textures (RGBA rows top first, 0xAABBGGRR)
int texture_create(const uint32_t* rgba, int width, int height);
void texture_delete(int texture);
void texture_update(int texture, const uint32_t* rgba);
// The GL name and size of a texture; false when there is none.
bool texture_info(int texture, uint32_t& id, int& width, int& height);
// Texture filtering 0..5 (nearest, mip-nearest, linear-mip-nearest, linear,
// mip-linear, linear-mip-linear) for every texture.
void texture_set_quality(int quality);

// --- lights, attached to frames
int light_create(int frame, int32_t kind, float r, float g, float b);
void light_delete(int light);
void light_set_colour(int light, float r, float g, float b);
void light_colour(int light, float& r, float& g, float& b);
// Attenuation factor 0..1 (1 = full intensity), range and spot cone (radians).
void light_set_attenuation(int light, float attenuation);
float light_attenuation(int light);
void light_set_range(int light, float range);
void light_set_cone(int light, float umbra, float penumbra);

// --- viewports
int viewport_create(int camera_frame, int x, int y, int width, int height);
void viewport_delete(int viewport);
void viewport_set_rect(int viewport, int x, int y, int width, int height);
void viewport_set_field(int viewport, float field);  // half-width of the view at unit distance
float viewport_field(int viewport);
void viewport_set_clip(int viewport, float front, float back);
float viewport_front(int viewport);
float viewport_back(int viewport);
void viewport_clear_depth(int viewport);
// Renders the visible frames under `root` into the viewport.
void viewport_render(int viewport, int root);
// World point to viewport: (sx w, sy w, z w, w), sx and sy in frame pixels,
// w the view depth.
struct Vec4 {
  float x, y, z, w;
};
Vec4 viewport_transform(int viewport, Vec3 world);
// Frame pixel (sx, sy) at view depth `depth` to a world point.
Vec3 viewport_inverse_transform(int viewport, float sx, float sy, float depth);

// --- picking
struct Pick {
  int frame = -1;  // the frame whose mesh was hit
  Vec3 point;      // world point of the hit
  float distance = 0;
  Vec3 normal;        // unit world normal of the front side of the hit face
  int triangle = -1;  // index of the hit triangle in the frame's mesh
};
// The nearest hit of a ray on the pickable, visible meshes under root.
Pick ray_pick(int root, Vec3 origin, Vec3 direction);
// The ray through a frame pixel of a viewport, cast on root.
Pick viewport_pick(int viewport, int root, float sx, float sy);

// Frames drawn by the last viewport_render (for tests and statistics).
int scene_drawn_count();

}  // namespace platform
