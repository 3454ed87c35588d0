// Per-frame registrations of brains for the cameras' views: meshes to
// environment-map and frames to turn toward the camera (billboards). Both
// lists hold for the next drawn frame only.
//
// Also the mesh rows' lasting choices: the part selections, the material
// that material_apply copies, and the shadows of the elements.
#pragma once

#include <cstdint>

namespace engine {

constexpr int kEnvMapEntries = 256;
constexpr int kBillboardEntries = 4096;
constexpr int kShadowPlanes = 8;    // receiving planes of the volume shadows
constexpr int kXSelections = 1024;  // part selections kept for X handles (one per X slot)

// Which part of an element's (or X frame's) mesh later rows act on, and a
// window of that part's vertices. Vertex index 0 of the rows is the
// window's first vertex.
struct PartSelection {
  int32_t target = 0;  // element reference or X handle; 0: none
  int32_t frame = 0;   // 1-based animation frame; 0: the current one
  int32_t part = -1;   // mesh group; -1: the whole mesh
  int32_t first = 0;   // first vertex of the window, counted inside the part
  int32_t count = 0;   // vertices in the window; 0 or less: to the part's end
};

struct EnvMapEntry {
  int32_t frame = -1, mesh = -1;  // renderer frame and its mesh
  int32_t first = 0, count = 0;   // mesh vertices
};

// What material_apply copies; channels 0..255.
struct PendingMaterial {
  int32_t diffuse[4] = {255, 255, 255, 255};  // red, green, blue, opacity
  int32_t specular[3] = {0, 0, 0};
  int32_t power = 0;  // specular exponent, 0: none
  int32_t emissive[3] = {0, 0, 0};
};

struct ElementShadows {
  bool planar = false;     // shadow_add
  bool volume = false;     // v_shadow_create
  int32_t light = -1;      // element index of the planar shadow's light, -1: straight down
  int32_t opacity = 500;   // 1/1000
  int32_t planar_id = -1;  // renderer shadow
  int32_t volume_ids[kShadowPlanes] = {-1, -1, -1, -1, -1, -1, -1, -1};
};

struct ViewListState {
  int32_t env_count = 0;
  int32_t billboard_count = 0;
  EnvMapEntry env[kEnvMapEntries];
  int32_t billboards[kBillboardEntries] = {};

  uint32_t generation = 0;              // scene the lasting choices below belong to
  PartSelection parts[256];             // by element index
  PartSelection x_parts[kXSelections];  // by X slot (low bits of the handle)
  PartSelection last;                   // the last h_part_set, for `normals`
  PartSelection collision_parts[2];     // h_cpart1_set, h_cpart2_set
  PendingMaterial material;

  ElementShadows shadows[256];
  bool any_shadows = false;
  int32_t plane_point[3] = {0, 0, 0};  // position units
  int32_t plane_normal[3] = {0, 65536, 0};
  int32_t volume_kind = 0;  // 0 directional, 1 point
  int32_t volume_light[3] = {0, -65536, 0};
  int32_t volume_length = 0;  // position units, 0: unlimited
  int32_t receiver_count = 0;
  int32_t receivers[kShadowPlanes][3] = {};  // points of the receiving planes
};

// Before one camera's view is rendered: environment mapping for the camera
// frame, then every billboard turned to face it.
void prepare_camera_view(int camera_frame);
// After a drawn frame: both lists emptied.
void clear_view_lists();

// Forgets selections and shadows made for an earlier scene (called by the
// rows before they use them).
void refresh_view_state();
// Brings every element shadow up to date with its caster's current frame,
// its light and its plane (done by prepare_camera_view; tests call it).
void sync_shadows();

}  // namespace engine
