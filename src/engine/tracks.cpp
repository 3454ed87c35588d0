// Track data: the ".i3d" records of TRACK elements, their playback onto an
// element's velocity and spin, and the recording of an element's motion
// into the process's recording buffer.
//
// Recording buffer (the `track` pool) and its state (`track_state`, four
// words): word 0 the offset of the first record (always 0), word 1 the
// offset of the end of the recording. The slot after the last record holds
// the six absolute values of the last `track_record`, the base of the next
// difference; it is not part of the recording.
#include "engine/tracks.h"

#include <cstring>

#include "brain/bind.h"
#include "core/protect.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/int32.h"
#include "core/state.h"
#include "engine/objects.h"
#include "engine/state.h"

namespace engine {

namespace {

constexpr uint32_t kRecord = kTrackRecordBytes;

// The six words of a record, as they lie in the arena.
int32_t* record_at(uint32_t address) { return core::at<int32_t>(address); }

// A track element's data: first record and end, both in the work pool; null
// when the handle names no TRACK element.
struct TrackSpan {
  uint32_t start = 0, end = 0;
  int32_t* pointer = nullptr;  // the element's playback word
};

bool track_of(int32_t handle, TrackSpan& t) {
  core::ElementState* st = core::element_at(handle);
  const Object* o = current_object_of(st, kTagTrack);
  if (!o) return false;
  t.start = static_cast<uint32_t>(o->w[1]);
  t.end = static_cast<uint32_t>(o->w[2]);
  const core::Pool& work = core::state().pools.work;
  if (t.end < t.start || (t.end > t.start && !work.contains(t.start, t.end - t.start)) ||
      (t.end - t.start) % kRecord != 0)
    return false;
  t.pointer = &st->w[core::kTrackData];
  // A playback word a brain has overwritten starts the track again.
  const uint32_t p = static_cast<uint32_t>(*t.pointer);
  if (p < t.start || p > t.end || (p - t.start) % kRecord != 0) *t.pointer = static_cast<int32_t>(t.start);
  return true;
}

// Velocity and spin of e = the record (negated when backward).
void apply(int32_t* w, uint32_t record, bool negated) {
  const int32_t* r = record_at(record);
  for (int i = 0; i < 3; ++i) {
    w[core::kVelocity + i] = negated ? core::neg32(r[i]) : r[i];
    w[core::kSpin + i] = negated ? core::neg32(r[3 + i]) : r[3 + i];
  }
}

uint32_t* recording_state() { return core::state().pools.track_state.as<uint32_t>(); }

int32_t track_record(int32_t e) {
  const int32_t* w = core::element_words(e);
  const core::Pool& buffer = core::state().pools.track;
  uint32_t* rs = recording_state();
  if (!w || uint64_t{rs[1]} + 2 * kRecord > buffer.size) return 0;
  int32_t* current = record_at(buffer.addr + rs[1]);
  int32_t* base = current + 6;
  if (rs[1] == rs[0]) std::memset(current, 0, kRecord);
  const int32_t values[6] = {w[core::kPosition], w[core::kPosition + 1], w[core::kPosition + 2],
                             w[core::kRotation], w[core::kRotation + 1], w[core::kRotation + 2]};
  for (int i = 0; i < 6; ++i) {
    const int32_t old = current[i];
    base[i] = values[i];
    current[i] = core::sub32(values[i], old);
  }
  rs[1] += kRecord;
  return 0;
}

int32_t track_record_reset() {
  uint32_t* rs = recording_state();
  rs[0] = rs[1] = 0;
  return 0;
}

int32_t track_play(int32_t e, int32_t track) {
  int32_t* w = core::element_words(e);
  TrackSpan t;
  if (!w || !track_of(track, t)) return 0;
  const uint32_t p = static_cast<uint32_t>(*t.pointer);
  if (p >= t.end) return -1;
  apply(w, p, false);
  *t.pointer = static_cast<int32_t>(p + kRecord);
  return 0;
}

// At the end the pointer jumps to the second record (the first holds the
// absolute start), which is applied on that tick; the answer is -1 then.
int32_t track_play_loop(int32_t e, int32_t track) {
  int32_t* w = core::element_words(e);
  TrackSpan t;
  if (!w || !track_of(track, t)) return 0;
  if (t.end == t.start) return -1;
  uint32_t p = static_cast<uint32_t>(*t.pointer);
  int32_t result = 0;
  if (p >= t.end) {
    p = t.end - t.start > kRecord ? t.start + kRecord : t.start;
    result = -1;
  }
  apply(w, p, false);
  *t.pointer = static_cast<int32_t>(p + kRecord);
  return result;
}

// Backward: the record before the pointer, negated; at the start the
// pointer jumps past the last record first and the answer is -1.
int32_t track_play_back(int32_t e, int32_t track) {
  int32_t* w = core::element_words(e);
  TrackSpan t;
  if (!w || !track_of(track, t)) return 0;
  if (t.end == t.start) return -1;
  uint32_t p = static_cast<uint32_t>(*t.pointer);
  int32_t result = 0;
  if (p <= t.start) {
    p = t.end;
    result = -1;
  }
  p -= kRecord;
  apply(w, p, true);
  *t.pointer = static_cast<int32_t>(p);
  return result;
}

int32_t track_play_reset(int32_t track, int32_t n) {
  TrackSpan t;
  if (!track_of(track, t) || n < 0) return 0;
  const uint64_t p = t.start + uint64_t{static_cast<uint32_t>(n)} * kRecord;
  if (p < t.end) *t.pointer = static_cast<int32_t>(p);
  return 0;
}

}  // namespace

void load_track(Object& o, const std::string& path) {
  o.w[0] = static_cast<int32_t>(kTagTrack);
  std::string bytes;
  const bool found = core::file_exists(path) && core::read_resource(path, bytes, core::state().pools.work.size);
  if (!found) {
    core::file_warning(path, "a track", "an empty track");
    bytes.assign(kRecord, '\0');  // one empty record
  }
  const uint32_t size = static_cast<uint32_t>(bytes.size() / kRecord * kRecord);
  const uint32_t data = size ? work_alloc(size) : 0;
  if (size && !data) return;  // the pool is full: no track
  if (size) std::memcpy(core::at<uint8_t>(data), bytes.data(), size);
  o.w[1] = static_cast<int32_t>(data);
  o.w[2] = static_cast<int32_t>(data + size);
}

uint32_t recorded_track_bytes() {
  const uint32_t* rs = recording_state();
  return rs[1] > rs[0] ? rs[1] - rs[0] : 0;
}

bool write_recorded_track(const std::string& path) {
  const uint32_t* rs = recording_state();
  const uint32_t bytes = recorded_track_bytes();
  const uint8_t* first = core::state().pools.track.bytes() + rs[0];
  return core::write_file_atomic(path, std::string_view(reinterpret_cast<const char*>(first), bytes));
}

void bind_track_data_builtins() {
  brain::bind<track_record>("track_record");
  brain::bind<track_record_reset>("track_record_reset");
  brain::bind<track_play>("track_play");
  brain::bind<track_play_loop>("track_play_loop");
  brain::bind<track_play_back>("track_play_back");
  brain::bind<track_play_reset>("track_play_reset");
}

void bind_track_builtins() {
  bind_track_data_builtins();
  bind_race_builtins();
  bind_spline_builtins();
  bind_facing_builtins();
}

}  // namespace engine
