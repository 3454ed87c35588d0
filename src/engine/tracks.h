// Tracks, races, splines and facing: recorded per-tick motion played back
// onto elements, checkpoint gates with laps and race positions, keyed
// position curves, and the rows that turn an element toward another.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

struct Object;

constexpr int kTrackRecordBytes = 24;  // six words: position x, y, z, rotation x, y, z
constexpr int kMaxCheckpoints = 1000;
constexpr int kMaxRacers = 255;
constexpr int kSplines = 50;
constexpr int kSplineKeys = 1024;  // keys one spline can hold

// Checkpoint gates (milli-units: position >> 9) and the racers.
struct RaceTables {
  struct Checkpoint {
    int32_t x1, z1, x2, z2, top, bottom;
  };
  struct Racer {
    int32_t element, lap, next, spare;
  };
  Checkpoint checkpoints[kMaxCheckpoints];
  int32_t checkpoint_count = 0;
  Racer racers[kMaxRacers];
  int32_t racer_count = 0;
};

// Keyed closed curves: keys sorted by time, in position units.
struct SplineTables {
  struct Key {
    int32_t time, x, y, z;
  };
  struct Spline {
    Key keys[kSplineKeys];
    int32_t count = 0;
  };
  Spline splines[kSplines];
};

// --- track data (tracks.cpp)

// A TRACK element's object: the ".i3d" file's whole 24-byte records in the
// work pool (word 1 the first, word 2 the end); a missing file gives one
// zeroed record, an empty one none.
void load_track(Object& o, const std::string& path);
// The recording of this process: bytes recorded so far, and the file they
// are written to after a test run (false when it cannot be written).
uint32_t recorded_track_bytes();
bool write_recorded_track(const std::string& path);

// --- races (races.cpp)

// Every checkpoint back to a zero gate without height limit, no racers
// (at every load), and the splines emptied.
void reset_races();
// Once per loop iteration: each racer that crossed its next checkpoint
// moves on to the one after it, counting a lap when it wraps.
void race_update();

// Binds every row of the tracks family.
void bind_track_builtins();
void bind_track_data_builtins();
void bind_race_builtins();
void bind_spline_builtins();
void bind_facing_builtins();

}  // namespace engine
