// The collision built-ins: what the last collision pass found, the channel
// map during a run, the collision flags and radii, bounces between two
// elements, and the element queries by distance and by sight. The rules are
// in docs/builtins-collisions.md.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "brain/bind.h"
#include "brain/builtins/words.h"
#include "core/element_state.h"
#include "core/int32.h"
#include "engine/builtins.h"
#include "engine/collisions.h"
#include "engine/motion.h"
#include "engine/objects.h"
#include "engine/state.h"
#include "project/channel_map.h"

namespace engine {

namespace {

using core::kCollisionBits;
using core::kFlags;
using core::kPosition;
using core::kVelocity;

int last_index() { return std::min(state().scene.element_count, core::kElementCount) - 1; }

int32_t clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The end of an element range: an element up to the last one, or the last
// one for any reference past it (and past the whole array); -1 for a value
// below the array or with bit 31 set.
int range_end(int32_t ref) {
  const int i = core::element_index(ref);
  if (i >= 0) return std::min(i, last_index());
  const uint32_t r = static_cast<uint32_t>(ref);
  return core::is_element_ref(r) && r >= core::state().pools.element_state.addr ? last_index() : -1;
}

int32_t collision_range(int32_t first, int32_t mask, int32_t last) {
  const int a = core::element_index(first), b = range_end(last);
  if (a < 0) return 0;
  int32_t bits = 0;
  for (int i = a; i <= b; ++i) bits |= core::element_state(i)->w[kCollisionBits];
  return bits & mask;
}

// count elements from e, stride elements apart; the mask is every bit. A
// stride that is a whole number of records (1024 bytes each) is the
// distance of their addresses, as e + stride reads for an element reference.
int32_t collision_list(int32_t e, int32_t count, int32_t stride) {
  int64_t i = core::element_index(e);
  if (i < 0) return 0;
  if (stride % int32_t(core::kElementStateBytes) == 0) stride /= int32_t(core::kElementStateBytes);
  int32_t bits = 0;
  for (int32_t k = 0; k < count && i >= 0 && i <= last_index(); ++k, i += stride) {
    bits |= core::element_state(static_cast<int>(i))->w[kCollisionBits];
    if (stride == 0) break;
  }
  return bits;
}

// Colour 0 is what a pair that did not touch holds, so it matches nothing.
int32_t collision_color(int32_t colour) {
  const CollisionState& c = state().collisions;
  if (colour == 0 || !c.pairs) return 0;
  const int32_t* p = core::at<int32_t>(c.pairs);
  for (int32_t i = 0; i < c.pair_count; ++i)
    if (p[4 * i + 3] == colour) return -1;
  return 0;
}

int32_t collision_check(int32_t a, int32_t b) {
  const core::ElementState* x = core::element_at(a);
  const core::ElementState* y = core::element_at(b);
  return x && y && elements_touch(*x, *y) ? -1 : 0;
}

int32_t collision_map(int32_t a, int32_t b) {
  const int i = core::element_index(a), j = core::element_index(b);
  return i >= 0 && j >= 0 && i != j ? project::channel(i, j) : 0;
}

// Elements whose objects take part in channel changes during a run.
bool takes_channels(int element) {
  const uint32_t t = current_tag(*core::element_state(element));
  return t == kTagShape || t == kTagFlat || t == kTagVisual || t == kTagXModel || t == kTagCamera;
}

int32_t collision_map_set(int32_t a, int32_t b, int32_t channel) {
  const int i = core::element_index(a), j = core::element_index(b);
  if (i < 0 || j < 0 || i == j || i > last_index() || j > last_index() || channel < 0 ||
      channel >= project::kChannelCount || !takes_channels(i) || !takes_channels(j))
    return 0;
  project::set_channel(i, j, channel);
  rebuild_collision_pairs();
  return -1;
}

template <int32_t Bit, bool On>
int32_t flag(int32_t e) {
  if (int32_t* w = core::element_words(e)) w[kFlags] = On ? w[kFlags] | Bit : w[kFlags] & ~Bit;
  return 0;
}

template <int Word>
int32_t milli_word(int32_t e) {
  const int32_t* w = core::element_words(e);
  return w ? core::shl32(w[Word], 9) : 0;
}

int32_t dimension_abs(int32_t e, int32_t n) {
  const int32_t* w = core::element_words(e);
  if (!w || n < 1 || n > 6) return 0;
  const int64_t v = w[core::kExtent + n - 1];
  return core::wrap32((v < 0 ? -v : v) * 512);
}

// Both horizontal velocities in the frame of the line from a to b, their
// parts along the line exchanged when the two close in on each other, and
// turned back. Elements at one place exchange their horizontal velocities.
int32_t rebound(int32_t ea, int32_t eb) {
  int32_t* a = core::element_words(ea);
  int32_t* b = core::element_words(eb);
  if (!a || !b || a == b) return 0;
  int64_t dx = int64_t(b[kPosition]) - a[kPosition], dz = int64_t(b[kPosition + 2]) - a[kPosition + 2];
  if (dx == 0 && dz == 0) {
    std::swap(a[kVelocity], b[kVelocity]);
    std::swap(a[kVelocity + 2], b[kVelocity + 2]);
    return -1;
  }
  while (dx < INT32_MIN || dx > INT32_MAX || dz < INT32_MIN || dz > INT32_MAX) {
    dx /= 2;
    dz /= 2;
  }
  const int32_t line = direction_angle(static_cast<int32_t>(dx), static_cast<int32_t>(dz));
  const Vec3i va = turn_y({a[kVelocity], 0, a[kVelocity + 2]}, core::neg32(line));
  const Vec3i vb = turn_y({b[kVelocity], 0, b[kVelocity + 2]}, core::neg32(line));
  if (va.z <= vb.z) return 0;  // apart already: no bounce
  const Vec3i na = turn_y({va.x, 0, vb.z}, line), nb = turn_y({vb.x, 0, va.z}, line);
  a[kVelocity] = na.x;
  a[kVelocity + 2] = na.z;
  b[kVelocity] = nb.x;
  b[kVelocity + 2] = nb.z;
  return -1;
}

// e's spin y gets the relative horizontal speed over the factor, turning e
// away from the side of e the other element is on (to the right when it is
// on e's right).
int32_t rebound_yr(int32_t e, int32_t other) {
  int32_t* w = core::element_words(e);
  const int32_t* o = core::element_words(other);
  if (!w || !o || w == o) return 0;
  int32_t& spin = w[core::kSpin + 1];
  spin &= ~0xFF;
  const int64_t rx = clamp32(int64_t(w[kVelocity]) - o[kVelocity]);
  const int64_t rz = clamp32(int64_t(w[kVelocity + 2]) - o[kVelocity + 2]);
  const int32_t factor = state().collisions.rebound_yr_factor;
  const int64_t delta = rounded_sqrt(static_cast<uint64_t>(rx * rx) + static_cast<uint64_t>(rz * rz)) /
                        (factor > 0 ? factor : 1);
  const int32_t ox = clamp32((int64_t(o[kPosition]) - w[kPosition]) >> 9);
  const int32_t oz = clamp32((int64_t(o[kPosition + 2]) - w[kPosition + 2]) >> 9);
  const int32_t side = turn_y({ox, 0, oz}, core::neg32(w[core::kRotation + 1])).x;
  if (side > 0) spin = core::wrap32(int64_t(spin) - delta);
  if (side < 0) spin = core::wrap32(int64_t(spin) + delta);
  return 0;
}

int32_t rebound_yr_factor(int32_t v) {
  if (v > 0) state().collisions.rebound_yr_factor = v;
  return 0;
}

// 1 when the segment from e along its facing, `distance` position units
// long, comes within target.radius x factor / 128 of the target's position;
// -1 when it does not or either element is off; 0 for bad handles.
int32_t sight(int32_t e, int32_t target, int32_t distance, int32_t factor) {
  const int32_t* w = core::element_words(e);
  const int32_t* t = core::element_words(target);
  if (!w || !t) return 0;
  if (!(w[kFlags] & core::kFlagOn) || !(t[kFlags] & core::kFlagOn)) return -1;
  int32_t r[3] = {w[core::kRotation], w[core::kRotation + 1], w[core::kRotation + 2]};
  if (w[kFlags] & core::kFlagJoined)
    for (int k = 0; k < 3; ++k) r[k] = core::add32(r[k], w[core::kParentRotation + k]);
  const Vec3i f = to_world({0, 0, 65536}, r);
  const double fl = std::sqrt(double(f.x) * f.x + double(f.y) * f.y + double(f.z) * f.z);
  if (fl == 0) return -1;
  const double dir[3] = {f.x / fl, f.y / fl, f.z / fl};
  double to[3], along = 0;
  for (int k = 0; k < 3; ++k) {
    to[k] = double(t[kPosition + k]) - w[kPosition + k];
    along += to[k] * dir[k];
  }
  along = std::clamp(along, 0.0, std::max(0.0, double(distance)));
  double miss = 0;
  for (int k = 0; k < 3; ++k) miss += (to[k] - dir[k] * along) * (to[k] - dir[k] * along);
  const double reach = double(t[core::kRadius]) * factor / 128.0 * 512.0;
  return reach >= 0 && miss <= reach * reach ? 1 : -1;
}

int32_t nearest_element(int32_t e, int32_t mask) {
  const int self = core::element_index(e);
  if (self < 0) return 0;
  const int32_t* s = core::element_state(self)->w;
  int best = -1;
  uint32_t best_distance = 0;
  for (int i = 0; i <= last_index(); ++i) {
    const int32_t* w = core::element_state(i)->w;
    if (i == self || !(w[kFlags] & core::kFlagOn) || !(w[core::kElementId] & mask)) continue;
    uint64_t sum = 0;
    for (int k = 0; k < 3; ++k) {
      const int64_t d = (int64_t(w[kPosition + k]) - s[kPosition + k]) >> 9;
      sum += static_cast<uint64_t>(d * d);
    }
    const uint32_t distance = rounded_sqrt(sum);
    if (best < 0 || distance < best_distance) {
      best = i;
      best_distance = distance;
    }
  }
  return best < 0 ? 0 : static_cast<int32_t>(core::element_ref(best));
}

int32_t inside_area_xz(int32_t e, int32_t x1, int32_t x2, int32_t z1, int32_t z2) {
  const int32_t* w = core::element_words(e);
  if (!w) return 0;
  const int32_t x = w[kPosition], z = w[kPosition + 2];
  return x1 <= x && x <= x2 && z1 <= z && z <= z2 ? -1 : 0;
}

}  // namespace

void bind_ground_builtins();

void bind_collision_builtins() {
  brain::bind<brain::words::masked<kCollisionBits>>("collision");
  brain::bind<collision_range>("collision_range");
  brain::bind<collision_list>("collision_list");
  brain::bind<collision_color>("collision_color");
  brain::bind<collision_check>("collision_check");
  brain::bind<collision_map>("collision_map");
  brain::bind<collision_map_set>("collision_map_set");
  brain::bind<flag<core::kFlagCollisions, true>>("collisions_on");
  brain::bind<flag<core::kFlagCollisions, false>>("collisions_off");
  brain::bind<flag<core::kFlagBoxCollisions, true>>("box_collisions_on");
  brain::bind<flag<core::kFlagBoxCollisions, false>>("box_collisions_off");
  brain::bind<milli_word<core::kRadius>>("radius");
  brain::bind<milli_word<core::kRadiusMax>>("radius_max");
  brain::bind<dimension_abs>("dimension_abs");
  brain::bind<rebound>("rebound");
  brain::bind<rebound_yr>("rebound_yr");
  brain::bind<rebound_yr_factor>("rebound_yr_factor");
  brain::bind<sight>("sight");
  brain::bind<nearest_element>("nearest_element");
  brain::bind<inside_area_xz>("inside_area_xz");
  bind_ground_builtins();
}

}  // namespace engine
