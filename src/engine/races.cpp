// Races: checkpoint gates (horizontal segments with a height range, in
// milli-units), up to 255 racers with their laps and next checkpoints, the
// update once per loop iteration, and the race position ranking.
//
// A racer crosses a gate when its height (y >> 9) lies within the gate's
// bottom..top and, in the gate's frame (origin at the gate's first end, the
// gate along the first axis), its position along the gate lies within
// 0..length and its distance across is at most its radius; both ends are
// inclusive. Axis-aligned gates are measured without turning; a gate whose
// ends coincide is a point, crossed within the radius on both axes.
#include <climits>
#include <cstdlib>

#include "brain/bind.h"
#include "core/angles.h"
#include "core/element_state.h"
#include "engine/motion.h"
#include "engine/state.h"
#include "engine/tracks.h"

namespace engine {

namespace {

using Checkpoint = RaceTables::Checkpoint;
using Racer = RaceTables::Racer;

RaceTables& races() { return state().races; }

constexpr Checkpoint kOpenGate = {0, 0, 0, 0, INT32_MAX, INT32_MIN};

bool crossed(const int32_t* w, const Checkpoint& c) {
  const int32_t y = w[core::kPosition + 1] >> 9;
  if (y < c.bottom || y > c.top) return false;
  const int64_t radius = std::llabs(int64_t{w[core::kRadius]});
  int64_t rx = int64_t{w[core::kPosition] >> 9} - c.x1, rz = int64_t{w[core::kPosition + 2] >> 9} - c.z1;
  int64_t dx = int64_t{c.x2} - c.x1, dz = int64_t{c.z2} - c.z1;
  int64_t along = 0, across = 0, length = 0;
  if (dx == 0 && dz == 0) return std::llabs(rx) <= radius && std::llabs(rz) <= radius;
  if (dz == 0) {
    along = dx > 0 ? rx : -rx;
    length = std::llabs(dx);
    across = rz;
  } else if (dx == 0) {
    along = dz > 0 ? rz : -rz;
    length = std::llabs(dz);
    across = rx;
  } else {
    // Turned so that the gate points along +z: the heading of the gate,
    // taken back by the sine table.
    const int32_t heading = core::vector_angle(static_cast<int32_t>(dx), static_cast<int32_t>(dz));
    const Vec3i p = turn_y({static_cast<int32_t>(rx), 0, static_cast<int32_t>(rz)}, -heading);
    const Vec3i g = turn_y({static_cast<int32_t>(dx), 0, static_cast<int32_t>(dz)}, -heading);
    along = p.z;
    across = p.x;
    length = g.z;
  }
  return along >= 0 && along <= length && std::llabs(across) <= radius;
}

Racer* racer_of(int32_t e) {
  RaceTables& r = races();
  for (int i = 0; i < r.racer_count; ++i)
    if (r.racers[i].element == e) return &r.racers[i];
  return nullptr;
}

// Squared horizontal distance (milli-units) from a racer to the middle of a
// gate.
int64_t to_gate(const int32_t* w, const Checkpoint& c) {
  const int64_t mx = (int64_t{c.x1} + c.x2) / 2, mz = (int64_t{c.z1} + c.z2) / 2;
  const int64_t dx = int64_t{w[core::kPosition] >> 9} - mx, dz = int64_t{w[core::kPosition + 2] >> 9} - mz;
  return dx * dx + dz * dz;
}

int32_t race_on(int32_t e) {
  RaceTables& r = races();
  if (!core::element_at(e) || racer_of(e) || r.racer_count >= kMaxRacers) return -1;
  r.racers[r.racer_count++] = {e, 0, 0, 0};
  return 0;
}

int32_t race_off(int32_t e) {
  RaceTables& r = races();
  if (Racer* x = racer_of(e)) *x = r.racers[--r.racer_count];
  return 0;
}

int32_t race_lap(int32_t e) {
  const Racer* x = racer_of(e);
  return x ? x->lap - (x->next == 0 ? 1 : 0) : -1;
}

int32_t race_lap_set(int32_t e, int32_t v) {
  if (Racer* x = racer_of(e)) x->lap = v;
  return 0;
}

int32_t race_next_checkpoint(int32_t e) {
  const Racer* x = racer_of(e);
  return x ? x->next : -1;
}

int32_t race_next_checkpoint_set(int32_t e, int32_t v) {
  if (Racer* x = racer_of(e); x && v >= 0 && v < kMaxCheckpoints) x->next = v;
  return 0;
}

// 1 + the racers ahead: more laps, or as many with a later checkpoint, or
// both equal and strictly nearer the middle of e's next gate.
int32_t race_position(int32_t e) {
  const RaceTables& r = races();
  const Racer* me = racer_of(e);
  const int32_t* w = core::element_words(e);
  if (!me || !w) return -1;
  const Checkpoint& gate = r.checkpoints[me->next];
  const int64_t mine = to_gate(w, gate);
  int32_t ahead = 0;
  for (int i = 0; i < r.racer_count; ++i) {
    const Racer& o = r.racers[i];
    const int32_t* ow = core::element_words(o.element);
    if (&o == me || !ow) continue;
    if (o.lap != me->lap) {
      ahead += o.lap > me->lap;
    } else if (o.next != me->next) {
      ahead += o.next > me->next;
    } else {
      ahead += to_gate(ow, gate) < mine;
    }
  }
  return 1 + ahead;
}

int32_t checkpoint_add(int32_t x1, int32_t z1, int32_t x2, int32_t z2) {
  RaceTables& r = races();
  if (r.checkpoint_count >= kMaxCheckpoints) return 0;
  r.checkpoints[r.checkpoint_count++] = {x1 >> 9, z1 >> 9, x2 >> 9, z2 >> 9, INT32_MAX, INT32_MIN};
  return 0;
}

int32_t checkpoint_height_set(int32_t top, int32_t bottom) {
  RaceTables& r = races();
  if (r.checkpoint_count == 0) return 0;
  Checkpoint& c = r.checkpoints[r.checkpoint_count - 1];
  c.top = top >> 9;
  c.bottom = bottom >> 9;
  return 0;
}

int32_t checkpoint_reset() {
  RaceTables& r = races();
  for (Checkpoint& c : r.checkpoints) c = kOpenGate;
  r.checkpoint_count = 0;
  return 0;
}

int32_t checkpoint(int32_t e, int32_t n) {
  const RaceTables& r = races();
  const int32_t* w = core::element_words(e);
  if (!w || n < 0 || n >= r.checkpoint_count) return 0;
  return crossed(w, r.checkpoints[n]) ? -1 : 0;
}

}  // namespace

void reset_races() {
  checkpoint_reset();
  RaceTables& r = races();
  for (Racer& x : r.racers) x = {};
  r.racer_count = 0;
  for (SplineTables::Spline& s : state().splines.splines) s.count = 0;
}

void race_update() {
  RaceTables& r = races();
  if (r.checkpoint_count == 0) return;
  for (int i = 0; i < r.racer_count; ++i) {
    Racer& x = r.racers[i];
    const int32_t* w = core::element_words(x.element);
    if (!w || x.next < 0 || x.next >= r.checkpoint_count || !crossed(w, r.checkpoints[x.next])) continue;
    if (++x.next == r.checkpoint_count) {
      x.next = 0;
      ++x.lap;
    }
  }
}

void bind_race_builtins() {
  brain::bind<race_on>("race_on");
  brain::bind<race_off>("race_off");
  brain::bind<race_lap>("race_lap");
  brain::bind<race_lap_set>("race_lap_set");
  brain::bind<race_next_checkpoint>("race_next_checkpoint");
  brain::bind<race_next_checkpoint_set>("race_next_checkpoint_set");
  brain::bind<race_position>("race_position");
  brain::bind<checkpoint_add>("checkpoint_add");
  brain::bind<checkpoint_height_set>("checkpoint_height_set");
  brain::bind<checkpoint_reset>("checkpoint_reset");
  brain::bind<checkpoint>("checkpoint");
}

}  // namespace engine
