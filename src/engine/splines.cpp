// Splines: 50 keyed position curves, evaluated as closed loops.
//
// A curve runs from its first key's time to its last key's and then starts
// again: a time outside that span is taken modulo its length, so the last
// key's time is the first key's again (a seamless loop repeats the first
// key's position as its last key). Mode 1 interpolates linearly between
// the two keys around the time; any other mode uses the Catmull-Rom curve
// through them, whose tangents come from the keys before and after them
// around the loop. No key gives (0, 0, 0); one key gives that key.
#include <algorithm>
#include <cmath>

#include "brain/bind.h"
#include "core/element_state.h"
#include "engine/state.h"
#include "engine/tracks.h"

namespace engine {

namespace {

using Key = SplineTables::Key;
using Spline = SplineTables::Spline;

Spline* spline_of(int32_t index) { return index >= 0 && index < kSplines ? &state().splines.splines[index] : nullptr; }

// The first key at or after `time`.
Key* lower_key(Spline& s, int32_t time) {
  return std::lower_bound(s.keys, s.keys + s.count, time, [](const Key& k, int32_t t) { return k.time < t; });
}

void remove_key(Spline& s, int32_t time) {
  Key* k = lower_key(s, time);
  if (k == s.keys + s.count || k->time != time) return;
  std::copy(k + 1, s.keys + s.count, k);
  --s.count;
}

// Replaces any key at the time; a full curve takes no new key.
void set_key(Spline& s, const Key& key) {
  remove_key(s, key.time);
  if (s.count >= kSplineKeys) return;
  Key* k = lower_key(s, key.time);
  std::copy_backward(k, s.keys + s.count, s.keys + s.count + 1);
  *k = key;
  ++s.count;
}

int32_t truncated(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
}

double catmull_rom(double p0, double p1, double p2, double p3, double u) {
  const double u2 = u * u, u3 = u2 * u;
  return 0.5 * (2 * p1 + (p2 - p0) * u + (2 * p0 - 5 * p1 + 4 * p2 - p3) * u2 + (3 * p1 - p0 - 3 * p2 + p3) * u3);
}

// The curve's position at `time` (position units).
void evaluate(const Spline& s, int32_t time, int32_t mode, int32_t out[3]) {
  out[0] = out[1] = out[2] = 0;
  if (s.count == 0) return;
  const Key* k = s.keys;
  if (s.count == 1) {
    out[0] = k[0].x, out[1] = k[0].y, out[2] = k[0].z;
    return;
  }
  const int n = s.count;
  const int64_t first = k[0].time, length = int64_t{k[n - 1].time} - first;
  const int64_t t = first + (((int64_t{time} - first) % length) + length) % length;
  // Segment i: from key i to key i + 1, with t in [time i, time i + 1).
  const int i = static_cast<int>(std::upper_bound(k, k + n, t, [](int64_t v, const Key& key) { return v < key.time; }) -
                                 k - 1);
  const Key& a = k[i];
  const Key& b = k[i + 1];
  const double u = static_cast<double>(t - a.time) / static_cast<double>(int64_t{b.time} - a.time);
  if (mode == 1) {
    out[0] = truncated(a.x + (static_cast<double>(b.x) - a.x) * u);
    out[1] = truncated(a.y + (static_cast<double>(b.y) - a.y) * u);
    out[2] = truncated(a.z + (static_cast<double>(b.z) - a.z) * u);
    return;
  }
  // Around the loop the last key stands where the first does: the key
  // before the first is the one before the last, and after the last comes
  // the second.
  const Key& before = i > 0 ? k[i - 1] : k[n >= 3 ? n - 2 : 0];
  const Key& after = i + 2 < n ? k[i + 2] : k[n >= 3 ? 1 : n - 1];
  out[0] = truncated(catmull_rom(before.x, a.x, b.x, after.x, u));
  out[1] = truncated(catmull_rom(before.y, a.y, b.y, after.y, u));
  out[2] = truncated(catmull_rom(before.z, a.z, b.z, after.z, u));
}

int32_t spline_key_add(int32_t index, int32_t e, int32_t time) {
  Spline* s = spline_of(index);
  const int32_t* w = core::element_words(e);
  if (s && w) set_key(*s, {time, w[core::kPosition], w[core::kPosition + 1], w[core::kPosition + 2]});
  return 0;
}

int32_t spline_key_set(int32_t index, int32_t time, int32_t x, int32_t y, int32_t z) {
  if (Spline* s = spline_of(index)) set_key(*s, {time, x, y, z});
  return 0;
}

int32_t spline_key_remove(int32_t index, int32_t time) {
  if (Spline* s = spline_of(index)) remove_key(*s, time);
  return 0;
}

int32_t spline(int32_t index, int32_t time, int32_t e, int32_t mode) {
  const Spline* s = spline_of(index);
  int32_t* w = core::element_words(e);
  if (s && w) evaluate(*s, time, mode, w + core::kPosition);
  return 0;
}

template <int Axis>
int32_t spline_pos(int32_t index, int32_t time, int32_t mode) {
  const Spline* s = spline_of(index);
  if (!s) return 0;
  int32_t p[3];
  evaluate(*s, time, mode, p);
  return p[Axis];
}

}  // namespace

void bind_spline_builtins() {
  brain::bind<spline_key_add>("spline_key_add");
  brain::bind<spline_key_set>("spline_key_set");
  brain::bind<spline_key_remove>("spline_key_remove");
  brain::bind<spline>("spline");
  brain::bind<spline_pos<0>>("spline_pos_x");
  brain::bind<spline_pos<1>>("spline_pos_y");
  brain::bind<spline_pos<2>>("spline_pos_z");
}

}  // namespace engine
