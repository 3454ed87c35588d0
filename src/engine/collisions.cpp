// The collision pair list and the collision pass, and the height query on
// the current ground.
#include "engine/collisions.h"

#include <algorithm>
#include <cstring>

#include "core/state.h"
#include "engine/motion.h"
#include "engine/state.h"
#include "project/channel_map.h"

namespace engine {

namespace {

using core::ElementState;

constexpr int kEntryWords = 4;

struct Point {
  float x, z;
};

// The four horizontal corners of an element's box ((max x, max z), (min x,
// max z), (min x, min z), (max x, min z)), turned by its rotation y and
// moved to its position, in milli-units.
void box_corners(const ElementState& st, Point out[4]) {
  const int32_t* e = &st.w[core::kExtent];
  const int32_t xs[4] = {e[0], e[3], e[3], e[0]}, zs[4] = {e[2], e[2], e[5], e[5]};
  const int32_t px = st.w[core::kPosition] >> 9, pz = st.w[core::kPosition + 2] >> 9;
  for (int k = 0; k < 4; ++k) {
    const Vec3i v = turn_y({xs[k], 0, zs[k]}, st.w[core::kRotation + 1]);
    out[k] = {static_cast<float>(v.x) + static_cast<float>(px), static_cast<float>(v.z) + static_cast<float>(pz)};
  }
}

// Is p inside the rectangle r: p - r0 = u (r1 - r0) + v (r3 - r0) with u and
// v in [0, 1], solved in single precision. A rectangle of no area holds
// nothing.
bool inside(Point p, const Point r[4]) {
  const float ax = r[1].x - r[0].x, az = r[1].z - r[0].z;
  const float bx = r[3].x - r[0].x, bz = r[3].z - r[0].z;
  const float det = ax * bz - bx * az;
  if (det == 0) return false;
  const float qx = p.x - r[0].x, qz = p.z - r[0].z;
  const float u = (qx * bz - bx * qz) / det, v = (ax * qz - qx * az) / det;
  return u >= 0 && u <= 1 && v >= 0 && v <= 1;
}

float side(Point a, Point b, Point p) { return (b.x - a.x) * (p.z - a.z) - (b.z - a.z) * (p.x - a.x); }

// Do the edges a0-a1 and b0-b1 cross (each separates the other's ends)?
bool crossing(Point a0, Point a1, Point b0, Point b1) {
  const float s1 = side(a0, a1, b0), s2 = side(a0, a1, b1), s3 = side(b0, b1, a0), s4 = side(b0, b1, a1);
  return ((s1 < 0 && s2 > 0) || (s1 > 0 && s2 < 0)) && ((s3 < 0 && s4 > 0) || (s3 > 0 && s4 < 0));
}

bool has_area(const Point r[4]) {
  const float ax = r[1].x - r[0].x, az = r[1].z - r[0].z, bx = r[3].x - r[0].x, bz = r[3].z - r[0].z;
  return ax * bz - bx * az != 0;
}

// The box test: vertical overlap first, then the two turned rectangles.
// Besides a corner of one inside the other, two rectangles that cross like
// a plus sign (no corner inside either) hit too.
bool boxes_touch(const ElementState& a, const ElementState& b) {
  auto level = [](const ElementState& s, int word) { return int64_t(s.w[word]) * 512 + s.w[core::kPosition + 1]; };
  if (level(b, core::kExtent + 4) > level(a, core::kExtent + 1)) return false;
  if (level(a, core::kExtent + 4) > level(b, core::kExtent + 1)) return false;
  Point ra[4], rb[4];
  box_corners(a, ra);
  box_corners(b, rb);
  if (!has_area(ra) || !has_area(rb)) return false;
  for (int k = 0; k < 4; ++k)
    if (inside(ra[k], rb) || inside(rb[k], ra)) return true;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (crossing(ra[i], ra[(i + 1) % 4], rb[j], rb[(j + 1) % 4])) return true;
  return false;
}

int32_t* pair_words() { return core::at<int32_t>(state().collisions.pairs); }

}  // namespace

bool elements_touch(const ElementState& a, const ElementState& b) {
  constexpr int32_t kBoth = core::kFlagBoxCollisions;
  const bool box = (a.w[core::kFlags] & kBoth) && (b.w[core::kFlags] & kBoth);
  const int64_t s = box ? int64_t(a.w[core::kRadiusMax]) + b.w[core::kRadiusMax]
                        : int64_t(a.w[core::kRadius]) + b.w[core::kRadius];
  int64_t d[3];
  for (int k = 0; k < 3; ++k) {
    d[k] = (int64_t(a.w[core::kPosition + k]) - b.w[core::kPosition + k]) >> 9;
    if ((d[k] < 0 ? -d[k] : d[k]) >= s) return false;
  }
  // A square that does not fit 32 bits counts as infinitely far, however
  // large the radii.
  if (d[0] * d[0] > INT32_MAX || d[1] * d[1] > INT32_MAX || d[2] * d[2] > INT32_MAX) return false;
  if (rounded_sqrt(static_cast<uint64_t>(d[0] * d[0] + d[1] * d[1] + d[2] * d[2])) > s) return false;
  return !box || boxes_touch(a, b);
}

void prepare_collision_pairs() {
  State& s = state();
  CollisionState& c = s.collisions;
  const uint32_t n = static_cast<uint32_t>(std::clamp(s.scene.element_count, 0, core::kElementCount));
  const uint32_t entries = n > 1 ? n * (n - 1) / 2 : 0;
  c.pairs = work_alloc((entries + 1) * kEntryWords * 4);
  c.pair_capacity = c.pairs ? static_cast<int32_t>(entries) : 0;
  c.pair_count = 0;
  if (!c.pairs)
    core::box("There is no room left for the collision pairs:|elements do not collide in this run.", " OK ", "");
  rebuild_collision_pairs();
  c.clear_all = false;
  for (uint32_t e = 0; e < n; ++e) core::element_state(static_cast<int>(e))->w[core::kCollisionBits] = 0;
  c.rebound_yr_factor = 250;
}

void rebuild_collision_pairs() {
  State& s = state();
  CollisionState& c = s.collisions;
  c.pair_count = 0;
  c.clear_all = true;
  if (!c.pairs) return;
  int32_t* p = pair_words();
  const int n = std::clamp(s.scene.element_count, 0, core::kElementCount);
  for (int r = 0; r < n; ++r)
    for (int col = r + 1; col < n && c.pair_count < c.pair_capacity; ++col) {
      const int channel = project::channel(r, col);
      if (channel == 0) continue;
      p[0] = static_cast<int32_t>(core::element_ref(col));
      p[1] = static_cast<int32_t>(core::element_ref(r));
      p[2] = static_cast<int32_t>(project::channel_colour(channel));
      p[3] = 0;
      p += kEntryWords;
      ++c.pair_count;
    }
  std::memset(p, 0, kEntryWords * 4);
  p[0] = -1;
}

void collision_pass() {
  State& s = state();
  CollisionState& c = s.collisions;
  if (!c.pairs) return;
  if (c.clear_all) {
    // Elements the rebuilt list left out keep no bits of an old pair.
    for (int e = 0; e < s.scene.element_count; ++e) core::element_state(e)->w[core::kCollisionBits] = 0;
    c.clear_all = false;
  }
  int32_t* p = pair_words();
  for (int32_t i = 0; i < c.pair_count; ++i) {
    int32_t* entry = p + kEntryWords * i;
    if (int32_t* a = core::element_words(entry[0])) a[core::kCollisionBits] = 0;
    if (int32_t* b = core::element_words(entry[1])) b[core::kCollisionBits] = 0;
    entry[3] = 0;
  }
  constexpr int32_t kEnabled = core::kFlagOn | core::kFlagCollisions;
  for (int32_t i = 0; i < c.pair_count; ++i) {
    int32_t* entry = p + kEntryWords * i;
    ElementState* a = core::element_at(entry[0]);
    ElementState* b = core::element_at(entry[1]);
    if (!a || !b || (a->w[core::kFlags] & kEnabled) != kEnabled || (b->w[core::kFlags] & kEnabled) != kEnabled)
      continue;
    if (!elements_touch(*a, *b)) continue;
    a->w[core::kCollisionBits] |= b->w[core::kElementId];
    b->w[core::kCollisionBits] |= a->w[core::kElementId];
    entry[3] = entry[2];
  }
}

GroundView ground_view(const GroundGrid& g) {
  if (!g.block) return {};
  return {core::at<uint8_t>(g.block), g.triangle_bytes, g.block_bytes, g.d, g.cx, g.cz};
}

const GroundGrid* current_ground() {
  const CollisionState& c = state().collisions;
  for (int32_t e : {c.ground_element, c.shape_ground})
    if (e >= 0 && e < core::kElementCount && c.grounds[e].block) return &c.grounds[e];
  return nullptr;
}

int32_t ground_height(int32_t x, int64_t radius, int32_t y, int32_t z) {
  CollisionState& c = state().collisions;
  c.last_ground = c.last_triangle = -1;
  const GroundGrid* g = current_ground();
  if (!g) return 0;
  const GroundFound f = ground_query(ground_view(*g), x, radius, y, z);
  if (f.triangle >= 0) {
    c.last_ground = static_cast<int32_t>(g - c.grounds);
    c.last_triangle = f.triangle;
  }
  return f.height;
}

bool last_ground_triangle(int32_t out[9]) {
  const CollisionState& c = state().collisions;
  if (c.last_ground < 0 || c.last_triangle < 0) return false;
  const GroundGrid& g = c.grounds[c.last_ground];
  if (!g.block || uint64_t(c.last_triangle) + kGroundTriangleBytes > g.triangle_bytes) return false;
  ground_triangle(ground_view(g), c.last_triangle, out);
  return true;
}

}  // namespace engine
