// Tracks, races, splines and facing, through the built-in table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "brain/table.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "engine/objects.h"
#include "engine/state.h"
#include "engine/tracks.h"
#include "engine_tables.h"
#include "support/builtin_call.h"
#include "support/temp_folder.h"

namespace {

using testing_support::call;
constexpr int kPos = core::kPosition, kRot = core::kRotation, kVel = core::kVelocity, kSpin = core::kSpin;
constexpr int32_t kMt = 512000;  // one world unit in position words

class Tracks : public ::testing::Test {
 protected:
  testing_support::TempFolder folder{"quill-tracks"};

  void SetUp() override {
    testing_support::fresh_engine_tables();
    engine::state().scene.element_count = 4;
    engine::reset_races();
    engine::bind_track_builtins();
    call("track_record_reset");
  }
  static int32_t e(int i) { return static_cast<int32_t>(core::element_ref(i)); }
  static int32_t* w(int i) { return core::element_state(i)->w; }
  static void place(int i, int32_t x, int32_t y, int32_t z) { w(i)[kPos] = x, w(i)[kPos + 1] = y, w(i)[kPos + 2] = z; }
  // Element i becomes a TRACK element playing `bytes` (object i).
  void make_track(int i, const std::string& bytes) {
    const std::string path = folder.path() + "t" + std::to_string(i) + ".i3d";
    ASSERT_TRUE(core::write_file_atomic(path, bytes));
    engine::Object& o = engine::objects()[i];
    engine::load_track(o, path);
    w(i)[core::kCurrentObject] = w(i)[core::kFirstObject] = i;
    w(i)[core::kTrackData] = o.w[1];
  }
  static std::string records(std::initializer_list<std::array<int32_t, 6>> rs) {
    std::string out;
    for (const auto& r : rs) out.append(reinterpret_cast<const char*>(r.data()), 24);
    return out;
  }
  static std::array<int32_t, 6> motion(int i) {
    return {w(i)[kVel], w(i)[kVel + 1], w(i)[kVel + 2], w(i)[kSpin], w(i)[kSpin + 1], w(i)[kSpin + 2]};
  }
};

TEST_F(Tracks, EveryRowOfTheFamilyIsBound) {
  for (int r = 0; r < brain::kRowCount; ++r) {
    if (brain::row(r).family != brain::Family::kTracks) continue;
    EXPECT_FALSE(brain::is_placeholder(r)) << brain::row(r).name;
  }
}

TEST_F(Tracks, PlaybackForwardLoopedBackwardAndReset) {
  make_track(1, records({{100, 0, 0, 0, 5, 0}, {1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}));
  EXPECT_EQ(call("track_play", e(0), e(1)), 0);
  EXPECT_EQ(motion(0), (std::array<int32_t, 6>{100, 0, 0, 0, 5, 0}));
  EXPECT_EQ(call("track_play", e(0), e(1)), 0);
  EXPECT_EQ(call("track_play", e(0), e(1)), 0);
  EXPECT_EQ(motion(0), (std::array<int32_t, 6>{7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(call("track_play", e(0), e(1)), -1);  // at the end: nothing changes
  EXPECT_EQ(motion(0), (std::array<int32_t, 6>{7, 8, 9, 10, 11, 12}));

  // Looped: -1 on the wrapping tick, with the second record applied.
  EXPECT_EQ(call("track_play_loop", e(0), e(1)), -1);
  EXPECT_EQ(motion(0), (std::array<int32_t, 6>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(call("track_play_loop", e(0), e(1)), 0);
  EXPECT_EQ(motion(0), (std::array<int32_t, 6>{7, 8, 9, 10, 11, 12}));

  // Backward from the end: the last record negated, then the one before.
  EXPECT_EQ(call("track_play_back", e(0), e(1)), 0);
  EXPECT_EQ(motion(0), (std::array<int32_t, 6>{-7, -8, -9, -10, -11, -12}));
  EXPECT_EQ(call("track_play_back", e(0), e(1)), 0);
  EXPECT_EQ(call("track_play_back", e(0), e(1)), 0);
  EXPECT_EQ(motion(0), (std::array<int32_t, 6>{-100, 0, 0, 0, -5, 0}));
  EXPECT_EQ(call("track_play_back", e(0), e(1)), -1);  // at the start: jumps to the last record
  EXPECT_EQ(motion(0), (std::array<int32_t, 6>{-7, -8, -9, -10, -11, -12}));

  call("track_play_reset", e(1), 1);
  call("track_play", e(0), e(1));
  EXPECT_EQ(motion(0), (std::array<int32_t, 6>{1, 2, 3, 4, 5, 6}));
  call("track_play_reset", e(1), 3);  // past the end: unchanged
  call("track_play", e(0), e(1));
  EXPECT_EQ(motion(0), (std::array<int32_t, 6>{7, 8, 9, 10, 11, 12}));

  // Not a track, or no element: 0 and nothing changes.
  EXPECT_EQ(call("track_play", e(0), e(2)), 0);
  EXPECT_EQ(call("track_play", e(0) | INT32_MIN, e(1)), 0);
}

TEST_F(Tracks, HostileTrackDataStaysInsideTheTrack) {
  // 100 bytes: four whole records play, the rest is left out.
  make_track(1, std::string(100, '\1'));
  int played = 0;
  while (call("track_play", e(0), e(1)) == 0 && played < 10) ++played;
  EXPECT_EQ(played, 4);
  // A playback word a brain overwrote starts the track again.
  for (int32_t bad : {0, -24, w(1)[core::kTrackData] + 7, INT32_MAX}) {
    w(1)[core::kTrackData] = bad;
    EXPECT_EQ(call("track_play", e(0), e(1)), 0) << bad;
    EXPECT_EQ(w(0)[kVel], 0x01010101);
  }
  // An empty file plays nothing; a missing one plays one empty record.
  make_track(2, "");
  EXPECT_EQ(call("track_play", e(0), e(2)), -1);
  EXPECT_EQ(call("track_play_loop", e(0), e(2)), -1);
  EXPECT_EQ(call("track_play_back", e(0), e(2)), -1);
  engine::Object& o = engine::objects()[3];
  engine::load_track(o, folder.path() + "missing.i3d");
  w(3)[core::kCurrentObject] = 3;
  w(3)[core::kTrackData] = o.w[1];
  w(0)[kVel] = 99;
  EXPECT_EQ(call("track_play", e(0), e(3)), 0);
  EXPECT_EQ(w(0)[kVel], 0);
  EXPECT_EQ(call("track_play", e(0), e(3)), -1);
}

TEST_F(Tracks, RecordingStoresDifferencesAndStopsWhenFull) {
  place(0, 10, 20, 30);
  w(0)[kRot + 1] = 46080;
  call("track_record", e(0));
  place(0, 15, 20, 28);
  call("track_record", e(0));
  EXPECT_EQ(engine::recorded_track_bytes(), 48u);
  const int32_t* r = core::state().pools.track.as<int32_t>();
  EXPECT_EQ((std::array<int32_t, 6>{r[0], r[1], r[2], r[3], r[4], r[5]}),
            (std::array<int32_t, 6>{10, 20, 30, 0, 46080, 0}));  // the first record is absolute
  EXPECT_EQ((std::array<int32_t, 6>{r[6], r[7], r[8], r[9], r[10], r[11]}),
            (std::array<int32_t, 6>{5, 0, -2, 0, 0, 0}));

  // The written file plays back as a track: the element retraces the path.
  const std::string path = folder.path() + "currtrck.i3d";
  ASSERT_TRUE(engine::write_recorded_track(path));
  make_track(1, [&] {
    std::string t;
    core::read_file(path, t);
    return t;
  }());
  place(2, 0, 0, 0);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(call("track_play", e(2), e(1)), 0);
    for (int k = 0; k < 3; ++k) w(2)[kPos + k] += w(2)[kVel + k];
  }
  EXPECT_EQ((std::array<int32_t, 3>{w(2)[kPos], w(2)[kPos + 1], w(2)[kPos + 2]}), (std::array<int32_t, 3>{15, 20, 28}));

  // A full buffer stops recording and keeps the last record whole.
  call("track_record_reset");
  for (int i = 0; i < 30000; ++i) call("track_record", e(0));
  const uint32_t full = engine::recorded_track_bytes();
  EXPECT_EQ(full, (524288u / 24 - 1) * 24);
  call("track_record", e(0));
  EXPECT_EQ(engine::recorded_track_bytes(), full);
  EXPECT_EQ(call("track_record", e(0) | INT32_MIN), 0);
}

TEST_F(Tracks, LapsAndCheckpoints) {
  // Two gates across the x axis at z = 10 and z = 20 (1 world unit wide).
  call("checkpoint_add", -kMt, 10 * kMt, kMt, 10 * kMt);
  call("checkpoint_add", -kMt, 20 * kMt, kMt, 20 * kMt);
  w(0)[core::kRadius] = 100;              // milli-units
  EXPECT_EQ(call("race_lap", e(0)), -1);  // not racing
  EXPECT_EQ(call("race_on", e(0)), 0);
  EXPECT_EQ(call("race_on", e(0)), -1);  // already racing
  EXPECT_EQ(call("race_lap", e(0)), -1);
  EXPECT_EQ(call("race_next_checkpoint", e(0)), 0);

  auto at = [&](int32_t z_milli) {
    place(0, 0, 0, z_milli * 512);
    engine::race_update();
  };
  at(5000);  // short of the first gate
  EXPECT_EQ(call("race_next_checkpoint", e(0)), 0);
  at(10050);  // within the radius across the gate
  EXPECT_EQ(call("race_next_checkpoint", e(0)), 1);
  at(20000);
  EXPECT_EQ(call("race_next_checkpoint", e(0)), 0);
  EXPECT_EQ(call("race_lap", e(0)), 0);  // one lap done
  at(10000);
  EXPECT_EQ(call("race_lap", e(0)), 1);  // the first gate of lap two

  // Outside the gate's length, or its height range: not crossed.
  place(0, 2 * kMt, 0, 20 * kMt);
  EXPECT_EQ(call("checkpoint", e(0), 1), 0);
  place(0, 0, 0, 20 * kMt);
  EXPECT_EQ(call("checkpoint", e(0), 1), -1);
  call("checkpoint_height_set", 5 * kMt, 2 * kMt);
  EXPECT_EQ(call("checkpoint", e(0), 1), 0);
  place(0, 0, 3 * kMt, 20 * kMt);
  EXPECT_EQ(call("checkpoint", e(0), 1), -1);
  EXPECT_EQ(call("checkpoint", e(0), 2), 0);  // no such checkpoint

  // A reset gate has no height limit again.
  call("checkpoint_reset");
  call("checkpoint_add", -kMt, 20 * kMt, kMt, 20 * kMt);
  place(0, 0, 900 * kMt, 20 * kMt);
  EXPECT_EQ(call("checkpoint", e(0), 0), -1);
  call("race_off", e(0));
  EXPECT_EQ(call("race_next_checkpoint", e(0)), -1);
}

TEST_F(Tracks, SlantedGatesAndPositions) {
  // A diagonal gate from (0, 0) to (10, 10).
  call("checkpoint_add", 0, 0, 10 * kMt, 10 * kMt);
  w(0)[core::kRadius] = 200;
  place(0, 5 * kMt, 0, 5 * kMt);  // on the gate
  EXPECT_EQ(call("checkpoint", e(0), 0), -1);
  place(0, 5 * kMt + 100 * 512, 0, 5 * kMt - 100 * 512);  // 141 milli-units across
  EXPECT_EQ(call("checkpoint", e(0), 0), -1);
  place(0, 5 * kMt + 200 * 512, 0, 5 * kMt - 200 * 512);  // 283 across
  EXPECT_EQ(call("checkpoint", e(0), 0), 0);
  place(0, 11 * kMt, 0, 11 * kMt);  // past the end
  EXPECT_EQ(call("checkpoint", e(0), 0), 0);

  // Positions: laps, then checkpoints, then distance to the next gate.
  call("checkpoint_reset");
  call("checkpoint_add", -kMt, 10 * kMt, kMt, 10 * kMt);
  for (int i = 0; i < 3; ++i) call("race_on", e(i));
  place(0, 0, 0, 2 * kMt);
  place(1, 0, 0, 6 * kMt);
  place(2, 0, 0, 6 * kMt);
  EXPECT_EQ(call("race_position", e(0)), 3);
  EXPECT_EQ(call("race_position", e(1)), 1);  // a tie ranks both equally
  EXPECT_EQ(call("race_position", e(2)), 1);
  call("race_lap_set", e(0), 2);
  EXPECT_EQ(call("race_position", e(0)), 1);
  EXPECT_EQ(call("race_position", e(1)), 2);
  EXPECT_EQ(call("race_position", e(3)), -1);
}

TEST_F(Tracks, SplinesThroughTheirKeys) {
  EXPECT_EQ(call("spline_pos_x", 0, 5, 1), 0);  // no key
  call("spline_key_set", 0, 10, 100, 200, 300);
  EXPECT_EQ(call("spline_pos_y", 0, 999, 0), 200);  // one key
  call("spline_key_set", 0, 20, 300, 200, 300);
  call("spline_key_set", 0, 30, 300, 400, 300);
  call("spline_key_set", 0, 40, 100, 200, 300);
  // Linear halfway, through the keys, and wrapped around the loop.
  EXPECT_EQ(call("spline_pos_x", 0, 15, 1), 200);
  EXPECT_EQ(call("spline_pos_y", 0, 25, 1), 300);
  EXPECT_EQ(call("spline_pos_x", 0, 45, 1), 200);  // 45 is 15 again
  EXPECT_EQ(call("spline_pos_x", 0, -15, 1), 200);
  // The smooth curve passes through every key too.
  for (int32_t t : {10, 20, 30}) {
    EXPECT_EQ(call("spline_pos_x", 0, t, 0), call("spline_pos_x", 0, t, 1)) << t;
    EXPECT_EQ(call("spline_pos_y", 0, t, 0), call("spline_pos_y", 0, t, 1)) << t;
  }
  // A key at an equal time replaces the old one; removing takes it away.
  call("spline_key_set", 0, 20, 500, 200, 300);
  EXPECT_EQ(call("spline_pos_x", 0, 20, 1), 500);
  call("spline_key_remove", 0, 20);
  EXPECT_EQ(call("spline_pos_x", 0, 20, 1), 200);  // halfway from the key at 10 to the key at 30
  // spline sets the element's position; a key from an element's position.
  call("spline", 0, 30, e(1), 1);
  EXPECT_EQ(w(1)[kPos + 1], 400);
  place(2, 7, 8, 9);
  call("spline_key_add", 1, e(2), 0);
  EXPECT_EQ(call("spline_pos_z", 1, 12345, 0), 9);
  // Indexes outside 0..49 do nothing.
  call("spline_key_set", 50, 0, 1, 1, 1);
  call("spline_key_set", -1, 0, 1, 1, 1);
  EXPECT_EQ(call("spline_pos_x", 50, 0, 1), 0);
}

TEST_F(Tracks, FacingTurnsTowardTheTarget) {
  place(0, 0, 0, 0);
  place(1, 10 * kMt, 0, 0);  // to the +x side
  call("track_yr", e(0), e(1));
  EXPECT_EQ(w(0)[kRot + 1], -46080);
  place(1, 0, 10 * kMt, 10 * kMt);  // ahead and above
  call("track", e(0), e(1));
  EXPECT_EQ(w(0)[kRot + 1], 0);
  EXPECT_NEAR(w(0)[kRot], -23040, 64);  // 45 degrees up
  // Smoothed: an eighth of the way with shift 3.
  w(0)[kRot + 1] = 0;
  place(1, -10 * kMt, 0, 0);  // to the -x side: 46080
  call("track_yr_smooth", e(0), 3, e(1));
  EXPECT_EQ(w(0)[kRot + 1], 46080 / 8);
  // A target that is the element itself, or no element: nothing.
  w(0)[kRot + 1] = 123;
  call("track_yr", e(0), e(0));
  call("track", e(0), e(0) | INT32_MIN);
  EXPECT_EQ(w(0)[kRot + 1], 123);
}

}  // namespace
