// The state packet and the network steps of the tick, in one process: what
// an owned element publishes, how a received record is blended into an
// element owned elsewhere, and what a hostile packet cannot do.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/element_state.h"
#include "core/state.h"
#include "engine/state.h"
#include "net/packet.h"
#include "net/session.h"
#include "net/state.h"
#include "net/tick.h"
#include "project/state.h"
#include "engine/engine_tables.h"

namespace {

using Bytes = std::vector<uint8_t>;

int32_t* w(int e) { return core::element_state(e)->w; }
int32_t* globals() { return core::state().pools.globals.as<int32_t>(); }

void put32(Bytes& b, int32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}
int32_t get32(const Bytes& b, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= uint32_t{b[at + i]} << (8 * i);
  return static_cast<int32_t>(v);
}

// Three elements: 0 takes no part, 1 shares everything and belongs to
// machine 1, 2 shares position and velocity and belongs to machine 2.
// Globals 3 (host), 5 (machine 2) and 7 (machine 1) are synchronised.
class Exchange : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::fresh_engine_tables();
    std::memset(globals(), 0, core::kGlobalCount * 4);
    engine::state().scene.element_count = 3;
    engine::state().loop.net_counters[0] = 0;
    for (int e = 0; e < 3; ++e) {
      w(e)[core::kFlags] = core::kFlagOn | core::kFlagShown;
      w(e)[core::kFirstObject] = w(e)[core::kCurrentObject] = 10 * e;
      w(e)[core::kFrameCount] = 4;
    }
    w(1)[core::kNetSync] = 0x7FF;
    w(1)[core::kNetOwner] = 1;
    w(2)[core::kNetSync] = 0x003;
    w(2)[core::kNetOwner] = 2;
    project::state().scene.shared_vars = "3,5(2),7(1)";
    net::set_active_for_test(true, false);
    net::state().machine_number = 1;
    net::scene_setup();
  }
  void TearDown() override { net::set_active_for_test(false, false); }

  // One tick of elements 1 and 2 with `brain` standing in for their brains.
  template <typename Brain>
  void tick(Brain brain) {
    net::tick_start();
    for (int e = 0; e < 3; ++e) {
      net::element_before(e);
      brain(e);
      net::element_after(e);
    }
  }
  static Bytes packet() {
    Bytes b(net::kMaxPacketBytes);
    b.resize(net::build_state_packet(b.data()));
    return b;
  }
};

TEST_F(Exchange, SessionCodeSumsTheFlagsAndTheStoredVariableWords) {
  EXPECT_EQ(net::state().session_code.load(), 0x7FF + 0x003 + 3 + (2 * 65536 + 5) + (65536 + 7));
  int32_t words[4];
  EXPECT_EQ(net::parse_shared_list("3,5(2), ,4000(7)", 16, words, 4), 3);
  EXPECT_EQ(words[0], 3);
  EXPECT_EQ(words[1], 2 * 65536 + 5);
  EXPECT_EQ(words[2], 7 * 65536 + (4000 & 0x7FF));
  EXPECT_EQ(net::parse_shared_list("1,2,3", 5, words, 2), 2);
}

// The owner publishes its element field by field in the order of the
// layout, the position change as velocity and the rotation change through
// the shortest turn; its variables follow the terminator.
TEST_F(Exchange, OwnedElementIsPublishedInPacketOrder) {
  w(1)[core::kRotation + 1] = 184000;
  globals()[7] = 77;
  globals()[5] = 55;
  tick([](int e) {
    if (e != 1) return;
    w(1)[core::kPosition] += 700;
    w(1)[core::kRotation + 1] = 100;  // across the full turn: +420
    w(1)[core::kCurrentObject] = 12;
  });
  const Bytes b = packet();
  ASSERT_EQ(b.size(), 6u + 4 + 48 + 1 + 4 + 8 + 8);
  EXPECT_EQ(get32(b, 0), net::state().session_code.load());
  EXPECT_EQ(b[4] | (b[5] << 8), 1);
  EXPECT_EQ(get32(b, 6), 1);     // element index
  EXPECT_EQ(get32(b, 10), 700);  // velocity x: the position change
  EXPECT_EQ(get32(b, 22), 700);  // position x
  EXPECT_EQ(get32(b, 38), 420);  // spin y
  EXPECT_EQ(get32(b, 50), 100);  // rotation y
  EXPECT_EQ(b[58], core::kFlagOn | core::kFlagShown);
  EXPECT_EQ(get32(b, 59), 2);   // object index
  EXPECT_EQ(get32(b, 63), -1);  // terminator
  EXPECT_EQ(get32(b, 67), 1);   // one pair: variable 7 is machine 1's
  EXPECT_EQ(get32(b, 71), 8);   // the third entry of the list
  EXPECT_EQ(get32(b, 75), 77);

  // The host also sends what belongs to machine 0.
  net::state().is_host.store(true);
  globals()[3] = 33;
  const Bytes h = packet();
  EXPECT_EQ(get32(h, h.size() - 20), 2);
  EXPECT_EQ(get32(h, h.size() - 16), 0);
  EXPECT_EQ(get32(h, h.size() - 12), 33);
}

// A packet of machine 2 read on machine 1: element 2's record is taken
// once, blended with the smoothing shift and moved on by dead reckoning;
// the brain's own changes to the synced fields are undone.
TEST_F(Exchange, ReceivedRecordIsBlendedOnceAndDeadReckoned) {
  w(2)[core::kPosition] = 1000;
  Bytes b;
  put32(b, net::state().session_code.load());
  b.push_back(2), b.push_back(0);
  put32(b, 2);
  for (int32_t v : {10, 0, 0, 1400, 0, 0}) put32(b, v);  // velocity, position
  put32(b, -1);
  put32(b, 1);
  put32(b, 4);  // entry 1: variable 5
  put32(b, 99);
  ASSERT_EQ(net::read_state_packet(b.data(), b.size()), net::ReadResult::kApplied);
  EXPECT_EQ(net::state().activity[2].load(), 1);
  EXPECT_EQ(net::state().shared[1].value.load(), 99);

  tick([](int e) {
    if (e == 2) w(2)[core::kPosition] += 5000;  // undone: machine 2 owns it
  });
  // velocity = 10 + (1400 - 1000) >> 1; position = 1000 + velocity
  EXPECT_EQ(w(2)[core::kVelocity], 210);
  EXPECT_EQ(w(2)[core::kPosition], 1210);
  tick([](int) {});
  EXPECT_EQ(w(2)[core::kVelocity], 210);  // nothing fresh: only dead reckoning
  EXPECT_EQ(w(2)[core::kPosition], 1420);

  // Received globals are written when a brain writes a global.
  EXPECT_EQ(globals()[5], 0);
  net::global_sync();
  EXPECT_EQ(globals()[5], 99);
  EXPECT_EQ(globals()[7], 0);  // this machine's own is left alone
}

// The on bit switching an element on snaps it to the received position
// and rotation, restarts its first object and its sound; an object index
// outside the element's frames is not taken.
TEST_F(Exchange, SwitchedOnRemoteElementSnaps) {
  static int restarted = -1;
  brain::state().general.sound_restart = [](int e, bool) { restarted = e; };
  net::state().machine_number = 3;
  w(1)[core::kFlags] = core::kFlagShown;  // off
  w(1)[core::kCurrentObject] = 13;
  w(1)[core::kVelocity] = 50;
  Bytes b;
  put32(b, net::state().session_code.load());
  b.push_back(1), b.push_back(0);
  put32(b, 1);
  for (int32_t v : {7, 0, 0, 9000, 0, 0, 0, 0, 0, 0, 300, 0}) put32(b, v);
  b.push_back(core::kFlagOn | core::kFlagShown);
  put32(b, 9);  // beyond the 4 frames
  put32(b, -1);
  put32(b, 0);
  ASSERT_EQ(net::read_state_packet(b.data(), b.size()), net::ReadResult::kApplied);
  tick([](int) {});
  brain::state().general.sound_restart = nullptr;
  EXPECT_EQ(restarted, 1);
  EXPECT_TRUE(w(1)[core::kFlags] & core::kFlagOn);
  EXPECT_EQ(w(1)[core::kCurrentObject], 10);  // the first object
  EXPECT_EQ(w(1)[core::kPosition], 9000);     // snapped, at rest
  EXPECT_EQ(w(1)[core::kVelocity], 0);
  EXPECT_EQ(w(1)[core::kRotation + 1], 300);
}

// Whatever a peer sends, nothing is read past the end and nothing is
// stored from a packet that is malformed.
TEST_F(Exchange, HostilePacketsAreDroppedWhole) {
  Bytes good;
  put32(good, net::state().session_code.load());
  good.push_back(2), good.push_back(0);
  put32(good, 2);
  for (int i = 0; i < 6; ++i) put32(good, 5);
  put32(good, -1);
  put32(good, 1);
  put32(good, 8);
  put32(good, 1);
  for (size_t cut = 0; cut < good.size(); ++cut) {
    const Bytes part(good.begin(), good.begin() + static_cast<long>(cut));
    const net::ReadResult r = net::read_state_packet(part.data(), part.size());
    if (cut == 6 || cut == 34) {  // the records end exactly: a packet without variables
      EXPECT_EQ(r, net::ReadResult::kApplied);
      continue;
    }
    EXPECT_EQ(r, net::ReadResult::kMalformed) << cut;
  }
  const uint32_t seq = net::state().remote[2].seq.load();
  auto with = [&](size_t at, int32_t v) {
    Bytes b = good;
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
    return net::read_state_packet(b.data(), b.size());
  };
  EXPECT_EQ(with(38, -5), net::ReadResult::kMalformed);          // negative count
  EXPECT_EQ(with(38, 0x10000000), net::ReadResult::kMalformed);  // more pairs than bytes
  EXPECT_EQ(with(42, 6), net::ReadResult::kMalformed);           // not an entry's offset
  EXPECT_EQ(with(42, 12), net::ReadResult::kMalformed);          // past the list
  EXPECT_EQ(with(0, 12345), net::ReadResult::kMismatch);
  EXPECT_EQ(net::state().remote[2].seq.load(), seq);
  // An element index this machine does not have, or an element that takes
  // no part, ends the records without harm.
  EXPECT_EQ(with(6, 200), net::ReadResult::kApplied);
  EXPECT_EQ(with(6, 0), net::ReadResult::kApplied);
  EXPECT_EQ(net::state().remote[2].seq.load(), seq);
}

// The network step: the first packet goes out at the first tick that
// exchanges, then every 90 steps; the mismatch flag lives for a 64-step
// window; activity counters halve every 128 steps.
TEST_F(Exchange, NetworkStepCountsDown) {
  net::State& s = net::state();
  engine::state().loop.net_counters[0] = 2;
  net::tick_start();
  net::tick_end();
  EXPECT_EQ(s.send_countdown.load(), 0);  // due, but nothing to send yet
  engine::state().loop.net_counters[0] = 0;
  net::tick_start();
  net::tick_end();
  EXPECT_EQ(s.send_countdown.load(), net::kSendEvery);
  s.mismatch.store(true);
  s.activity[4].store(9);
  s.activity[5].store(3);
  for (uint32_t step = s.steps; step < 128; ++step) {
    net::tick_start();
    net::tick_end();
    if (step + 1 == 64) {
      EXPECT_FALSE(s.mismatch.load());
    }
  }
  EXPECT_EQ(s.activity[4].load(), 4);
  EXPECT_EQ(s.activity[5].load(), 1);
  EXPECT_EQ(s.active_machines.load(), 1);
}

TEST(Settings, NetworkIniKeysAndNames) {
  const net::Settings s = net::read_settings(
      "[Settings]\r\nMode=1\r\nTimeout=4\r\nIPAddress=127.0.0.1\r\nPortNumber=65536\r\nSessionName=Game\r\n");
  EXPECT_EQ(s.connection, 0);
  EXPECT_EQ(s.mode, 1);
  EXPECT_EQ(s.timeout, 4);
  EXPECT_EQ(s.ip_address, "127.0.0.1");
  EXPECT_EQ(s.session_name, "Game");
  EXPECT_EQ(net::session_port(s), net::kDefaultPort);  // low 16 bits are 0
  net::Settings p;
  p.port_number = 0x10000 + 4000;
  EXPECT_EQ(net::session_port(p), 4000);
  p.player_name = "Ann";
  EXPECT_EQ(net::player_name(p), "Ann");
  EXPECT_FALSE(net::player_name(net::Settings{}).empty());
  EXPECT_EQ(net::hosted_session_name(net::read_settings("[Settings]\r\nSessionName=Room\r\n")), "Room");
}

}  // namespace
