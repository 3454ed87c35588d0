// Run-time X frames: models loaded by brains while a run goes on, named by
// handles with bit 31 set (slot | 0x80000000), and the posing of X models
// that carry an animation set.
#pragma once

#include <cstdint>
#include <memory>

namespace engine {

constexpr int kXSlots = 1024;
constexpr uint32_t kXHandleBit = 0x80000000u;
// Posable meshes: one per run-time X frame plus the element X models whose
// animation a brain touched.
constexpr int kXAnimations = kXSlots + 256;

// A hit of a ray or polygon query: world point in position units and unit
// normal x 512000.
struct XHit {
  int32_t point[3] = {0, 0, 0};
  int32_t normal[3] = {0, 0, 0};
};

struct XSlot {
  int32_t frame = -1;   // renderer frame; -1: the slot is free
  int32_t mesh = -1;    // its mesh, -1 for none
  int32_t parent = -1;  // parent slot, -1 for the main scene root
  int32_t source = -1;  // element index x_clone copied, -1 for x_load
  bool pickable = true;
  XHit hit;  // last visual_ray / h_poly_collision of this frame
};

// Rig, work space and rest pose of one posable mesh (defined in xobjects.cpp).
struct XRigData;
struct XRigDataDelete {
  void operator()(XRigData* p) const;
};

struct XAnimation {
  int32_t mesh = -1;                              // -1: entry free
  int32_t object = -1;                            // the X-model object of an element's mesh, -1 for X frames
  std::unique_ptr<XRigData, XRigDataDelete> rig;  // null: the model has no animation
  int32_t speed = 0;                              // 1000: the file's own pace
  double time = 0;                                // key ticks
  int32_t range_start = 0;                        // key ticks, inclusive
  int32_t range_end = 0;
  uint32_t last_tick = 0;  // tick_count the time was brought up to
  bool active = false;     // a brain set speed, time or range: posed from then on
  double posed_time = -1;  // time of the pose the mesh holds
};

struct XObjectState {
  int32_t slots_used = 0;  // one past the highest slot in use
  XSlot slots[kXSlots];
  XAnimation animations[kXAnimations];
  int32_t pick_point[3] = {0, 0, 0};  // of the last successful x_picked
  XHit element_hits[256];             // last ray / polygon hit per element
  uint8_t rig_read[4096] = {};        // X-model objects whose file was read for a rig
  uint32_t generation = 0;            // the renderer's scene the slots and meshes belong to
};

void bind_xobject_builtins();
// The renderer frame of an X handle (bit 31 set, slot in use), or -1.
int xobject_frame(int32_t handle);
// The renderer frame of an X handle, or of an element whose current object
// is an X model; -1 otherwise.
int x_model_frame(int32_t handle);
// show / hide of an X handle: its render-enable bit. False when the value
// is no live X handle.
bool xobject_show(int32_t handle, bool visible);
// disable / enable of an X handle (its slot number `slot`): clears / sets
// the pick-enable traversal bit, so that a disabled frame is still drawn
// but no longer found by picking or rays.
void xobject_enable(uint32_t slot, bool enable);
// Brings every active animation to the current tick and re-poses the meshes
// whose time changed (once per drawn frame).
void animate_xobjects();
// Drops every run-time X frame (scene release).
void release_xobjects();

}  // namespace engine
