// The state of network play. The receive thread (session.cpp) and the main
// thread (the tick, the built-ins) share the words marked "shared": each is
// one atomic word, written by one side and read by the other, and the
// remote element records are handed over through a sequence word per
// record. Everything else belongs to the main thread alone.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/pools.h"

namespace net {

constexpr int kMachines = 101;        // machine numbers 0..100
constexpr int kRemoteWords = 15;      // fresh marker and up to 14 values
constexpr int kMaxSharedVars = 2048;  // synchronised variables applied from a packet
constexpr int kSendEvery = 90;        // steps between state packets
constexpr int kMismatchWindow = 64;   // steps the mismatch flag is kept
constexpr int kActivityPeriod = 128;  // steps between halvings of the activity counters
// The largest state packet: header, 256 full element records, terminator,
// count and 2048 variable pairs.
constexpr uint32_t kMaxPacketBytes = 6 + core::kElementCount * (4 + 12 * 4 + 1 + 4) + 8 + kMaxSharedVars * 8;

// Network sync flag bits of an element (word kNetSync).
enum SyncBit : int32_t {
  kSyncVelocity = 0x001,
  kSyncPosition = 0x002,
  kSyncPositionShift = 0x00C,
  kSyncSpin = 0x010,
  kSyncRotation = 0x020,
  kSyncRotationShift = 0x0C0,
  kSyncOn = 0x100,
  kSyncShown = 0x200,
  kSyncObject = 0x400,
};
// An element takes part when a bit other than the two smoothing shifts is set.
constexpr bool takes_part(int32_t sync) { return (sync & ~0xCC) != 0; }

// One received element record: word 0 is the fresh marker (0 once a packet
// has filled it, -1 before), then the values in packet order. The receive
// thread makes `seq` odd while it writes and even again after; the tick
// takes a record whose even sequence differs from the one it last took, and
// only when the sequence did not move while it copied the values.
struct RemoteRecord {
  std::atomic<uint32_t> seq{0};
  std::atomic<int32_t> w[kRemoteWords];
};

// A synchronised variable: its stored word (owner x 65536 + variable
// number) and its value as last received or taken (shared).
struct SharedVar {
  int32_t word = 0;
  std::atomic<int32_t> value{0};
};

// What the tick publishes for an element this machine owns.
struct Outgoing {
  int32_t velocity[3];  // position change over the tick
  int32_t position[3];
  int32_t spin[3];  // rotation change over the tick
  int32_t rotation[3];
  int32_t flags;
  int32_t object;  // current object - first object
};

// An element before its brain ran.
struct Snapshot {
  int32_t position[3];
  int32_t velocity[3];
  int32_t rotation[3];
  int32_t spin[3];
  int32_t flags;
  int32_t object;
};

struct State {
  // Session.
  std::atomic<bool> active{false};   // a session is up (shared)
  std::atomic<bool> is_host{false};  // shared: the receive thread sets it on migration
  int32_t machine_number = 0;        // 0..100, set by brains

  // Scene set-up (shared: written before scene_ready, read after it). The
  // element count and sync flags are refreshed at the start of each tick,
  // so that the reader of packets and the tick agree on them.
  std::atomic<bool> scene_ready{false};
  std::atomic<int32_t> session_code{0};
  std::atomic<int32_t> shared_count{0};
  SharedVar shared[kMaxSharedVars];
  std::atomic<int32_t> element_count{0};
  std::atomic<int32_t> sync_of[core::kElementCount];

  // Filled by the receive thread (shared).
  RemoteRecord remote[core::kElementCount];
  std::atomic<int32_t> activity[kMachines];
  std::atomic<int32_t> active_machines{0};
  std::atomic<int32_t> received{0};
  std::atomic<int32_t> send_countdown{kSendEvery};
  std::atomic<bool> mismatch{false};
  std::atomic<uint32_t> dropped{0};  // malformed packets

  // The tick's own.
  bool exchanging = false;  // this tick exchanges element state
  uint32_t steps = 0;
  uint32_t taken_seq[core::kElementCount] = {};
  Snapshot snapshot[core::kElementCount] = {};
  Outgoing outgoing[core::kElementCount] = {};
};

State& state();

// Clears what a session and a scene leave behind: the remote table to -1,
// the counters, the flags and the inbox.
void reset_exchange();

}  // namespace net
