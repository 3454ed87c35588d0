// Collisions and ground: the pair list made from the collision channel map,
// the collision pass run before every tick, the ground grids (the ground
// maps of boundary elements and the 3D-shape grounds) with their height
// query, and the engine-wide choices of the collision built-ins: the ground
// element, the volume element, the last ground triangle and the rebound_yr
// factor. docs/builtins-collisions.md describes the rules; docs/formats.md
// the ground-map cache and the 3D-shape ground grid.
#pragma once

#include <cstdint>
#include <string>

#include "core/element_state.h"
#include "engine/ground_grid.h"

namespace engine {

struct Object;

// A ground grid in the work pool, checked when it was made or read.
struct GroundGrid {
  uint32_t block = 0;  // address of its triangle list; 0: none
  uint32_t triangle_bytes = 0;
  uint32_t block_bytes = 0;
  uint32_t colours = 0;  // 3D-shape grounds: one colour word a triangle; 0 for ground maps
  int32_t d = 0, cx = 0, cz = 0;
};

struct CollisionState {
  // Pair list in the work pool: four words an entry (higher element, lower
  // element, channel colour, colour of the last hit), then a word of -1.
  // Room for every pair of the project's elements is taken at load, so a
  // rebuild never takes more of the pool.
  uint32_t pairs = 0;
  int32_t pair_capacity = 0;  // entries, the end mark not counted
  int32_t pair_count = 0;
  bool clear_all = false;  // the list was rebuilt: the next pass clears every element's bits

  GroundGrid grounds[core::kElementCount];  // by element: its ground map or 3D-shape ground
  int32_t ground_element = -1;              // the current ground map
  int32_t shape_ground = -1;                // the current 3D-shape ground
  int32_t volume_element = -1;
  int32_t last_ground = -1;    // element whose grid holds the last ground triangle, -1: none
  int32_t last_triangle = -1;  // that triangle's byte offset in the grid's block
  int32_t rebound_yr_factor = 250;
};

// Loading, in the order the scene loader calls them.
void reset_collisions();       // first thing of the load phase
void initialize_boundaries();  // load step 3: ground-map caches made again where stale
void load_ground_map(Object& o, int element, const std::string& aspect);  // load step 4
void prepare_grounds();                                                   // once per project, steps 1 and 2
void prepare_collision_pairs();  // once per project, steps 5 (the pair list) and 7 (rebound_yr)

// The pair list made again from the channel map, in the room taken at load.
void rebuild_collision_pairs();
// The collision pass: every enabled pair tested, collision_bits and the
// last-hit colours set.
void collision_pass();
// The test of one pair (sphere or box radii, then the box test when both
// have box collisions), flags and channels aside.
bool elements_touch(const core::ElementState& a, const core::ElementState& b);

// Ground-map file names of a boundary element's aspect: its extension
// replaced (".m3d" the cache, ".x" and ".3ds" the model).
std::string with_extension(const std::string& aspect, const char* extension);

// The view of a grid for the queries.
GroundView ground_view(const GroundGrid& g);
// The grid heights come from: the current ground map, else the current
// 3D-shape ground; null when there is neither.
const GroundGrid* current_ground();
// The ground height under a point (position units; radius in position units
// too), 0 where there is none; the triangle found becomes the last ground
// triangle (none when nothing was found).
int32_t ground_height(int32_t x, int64_t radius, int32_t y, int32_t z);
// The last ground triangle's vertices (milli-units); false when there is none.
bool last_ground_triangle(int32_t out[9]);

}  // namespace engine
