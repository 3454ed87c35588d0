#include "net/tick.h"

#include <cstring>

#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/element_state.h"
#include "core/int32.h"
#include "core/state.h"
#include "engine/motion.h"
#include "engine/state.h"
#include "net/packet.h"
#include "net/session.h"
#include "net/state.h"

namespace net {

namespace {

using core::ElementState;

bool owned_here(int32_t owner) {
  const State& s = state();
  return owner == s.machine_number || (owner == 0 && s.is_host.load(std::memory_order_relaxed));
}

void copy3(int32_t* to, const int32_t* from) { std::memcpy(to, from, 3 * sizeof(int32_t)); }

// Takes a record the receive thread has filled since the last one taken;
// false when there is none or it was being written.
bool take_fresh(int e, int32_t (&out)[kRemoteWords]) {
  State& s = state();
  RemoteRecord& r = s.remote[e];
  const uint32_t before = r.seq.load(std::memory_order_acquire);
  if ((before & 1) != 0 || before == s.taken_seq[e]) return false;
  for (int k = 0; k < kRemoteWords; ++k) out[k] = r.w[k].load(std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_acquire);
  if (r.seq.load(std::memory_order_relaxed) != before || out[0] != 0) return false;
  s.taken_seq[e] = before;
  return true;
}

void snap_to(int32_t* w, int32_t sync, const int32_t* position, const int32_t* rotation) {
  if (sync & kSyncPosition) {
    copy3(&w[core::kPosition], position);
    std::memset(&w[core::kVelocity], 0, 3 * sizeof(int32_t));
  }
  if (sync & kSyncRotation) {
    copy3(&w[core::kRotation], rotation);
    std::memset(&w[core::kSpin], 0, 3 * sizeof(int32_t));
  }
  w[core::kCurrentObject] = w[core::kFirstObject];
}

void apply(int e, int32_t* w, int32_t sync, const int32_t (&r)[kRemoteWords]) {
  int at = 1;
  const int32_t* velocity = nullptr;
  const int32_t* position = nullptr;
  const int32_t* spin = nullptr;
  const int32_t* rotation = nullptr;
  if (sync & kSyncVelocity) velocity = &r[at], at += 3;
  if (sync & kSyncPosition) position = &r[at], at += 3;
  if (sync & kSyncSpin) spin = &r[at], at += 3;
  if (sync & kSyncRotation) rotation = &r[at], at += 3;
  const int32_t flags = (sync & (kSyncOn | kSyncShown)) ? r[at++] : 0;
  const int32_t object = (sync & kSyncObject) ? r[at] : 0;

  if (velocity) copy3(&w[core::kVelocity], velocity);
  if (position) {
    const int shift = ((sync >> 2) & 3) + 1;
    for (int k = 0; k < 3; ++k)
      w[core::kVelocity + k] = core::add32(w[core::kVelocity + k],
                                           core::wrap32((int64_t{position[k]} - w[core::kPosition + k]) >> shift));
  }
  if (spin) copy3(&w[core::kSpin], spin);
  if (rotation) {
    const int shift = ((sync >> 6) & 3) + 1;
    for (int k = 0; k < 3; ++k)
      w[core::kSpin + k] = core::add32(w[core::kSpin + k],
                                       engine::angle_difference(w[core::kRotation + k], rotation[k]) >> shift);
  }
  const brain::GeneralServices& g = brain::state().general;
  if (sync & kSyncOn) {
    if ((flags & core::kFlagOn) && !(w[core::kFlags] & core::kFlagOn)) {
      snap_to(w, sync, position ? position : &w[core::kPosition], rotation ? rotation : &w[core::kRotation]);
      if (g.sound_restart) g.sound_restart(e, (w[core::kFlags] & core::kFlagSoundOnDemand) != 0);
    }
    w[core::kFlags] = (w[core::kFlags] & ~core::kFlagOn) | (flags & core::kFlagOn);
  }
  if (sync & kSyncShown) {
    if ((flags & core::kFlagShown) && !(w[core::kFlags] & core::kFlagShown)) {
      snap_to(w, sync, position ? position : &w[core::kPosition], rotation ? rotation : &w[core::kRotation]);
      if (g.sound_restart) g.sound_restart(e, (w[core::kFlags] & core::kFlagSoundOnDemand) != 0);
    }
    w[core::kFlags] = (w[core::kFlags] & ~core::kFlagShown) | (flags & core::kFlagShown);
  }
  if ((sync & kSyncObject) && object >= 0 && object < w[core::kFrameCount])
    w[core::kCurrentObject] = core::add32(w[core::kFirstObject], object);
}

}  // namespace

void tick_start() {
  State& s = state();
  show_status_texts();
  const bool active = s.active.load(std::memory_order_relaxed);
  const int32_t first = engine::state().loop.net_counters[0];
  s.exchanging = active && first <= 0;
  if (!active) return;
  const int count = engine::state().scene.element_count;
  for (int e = 0; e < count && e < core::kElementCount; ++e)
    s.sync_of[e].store(core::element_state(e)->w[core::kNetSync], std::memory_order_relaxed);
  if (first == 1) {
    const int32_t* globals = core::state().pools.globals.as<int32_t>();
    const int32_t listed = s.shared_count.load(std::memory_order_relaxed);
    for (int32_t i = 0; i < listed; ++i)
      if (!owned_here(s.shared[i].word >> 16))
        s.shared[i].value.store(globals[s.shared[i].word & 0x7FF], std::memory_order_relaxed);
  }
}

void element_before(int32_t e) {
  State& s = state();
  if (!s.exchanging || e < 0 || e >= core::kElementCount) return;
  const int32_t* w = core::element_state(e)->w;
  // The flags as the tick began, so that a brain changing them cannot
  // split an element's exchange.
  const int32_t sync = s.sync_of[e].load(std::memory_order_relaxed);
  if (!takes_part(sync)) return;
  Snapshot& snap = s.snapshot[e];
  // The position is kept for the published velocity too.
  if (sync & (kSyncPosition | kSyncVelocity)) copy3(snap.position, &w[core::kPosition]);
  if (sync & kSyncVelocity) copy3(snap.velocity, &w[core::kVelocity]);
  if (sync & (kSyncRotation | kSyncSpin)) copy3(snap.rotation, &w[core::kRotation]);
  if (sync & kSyncSpin) copy3(snap.spin, &w[core::kSpin]);
  if (sync & (kSyncOn | kSyncShown)) snap.flags = w[core::kFlags];
  if (sync & kSyncObject) snap.object = w[core::kCurrentObject];
}

void element_after(int32_t e) {
  State& s = state();
  if (!s.exchanging || e < 0 || e >= core::kElementCount) return;
  int32_t* w = core::element_state(e)->w;
  // The flags as the tick began, so that a brain changing them cannot
  // split an element's exchange.
  const int32_t sync = s.sync_of[e].load(std::memory_order_relaxed);
  if (!takes_part(sync)) return;
  const Snapshot& snap = s.snapshot[e];
  if (owned_here(w[core::kNetOwner])) {
    Outgoing& o = s.outgoing[e];
    copy3(o.position, &w[core::kPosition]);
    copy3(o.rotation, &w[core::kRotation]);
    for (int k = 0; k < 3; ++k) {
      o.velocity[k] = core::sub32(w[core::kPosition + k], snap.position[k]);
      o.spin[k] = engine::angle_difference(snap.rotation[k], w[core::kRotation + k]);
    }
    o.flags = w[core::kFlags] & 0xFF;
    o.object = core::sub32(w[core::kCurrentObject], w[core::kFirstObject]);
    return;
  }
  // Another machine's element: the brain's changes to the synced fields
  // are undone.
  if (sync & kSyncPosition) copy3(&w[core::kPosition], snap.position);
  if (sync & kSyncVelocity) copy3(&w[core::kVelocity], snap.velocity);
  if (sync & kSyncRotation) copy3(&w[core::kRotation], snap.rotation);
  if (sync & kSyncSpin) copy3(&w[core::kSpin], snap.spin);
  if (sync & kSyncOn) w[core::kFlags] = (w[core::kFlags] & ~core::kFlagOn) | (snap.flags & core::kFlagOn);
  if (sync & kSyncShown) w[core::kFlags] = (w[core::kFlags] & ~core::kFlagShown) | (snap.flags & core::kFlagShown);
  if (sync & kSyncObject) w[core::kCurrentObject] = snap.object;
  int32_t record[kRemoteWords];
  if (take_fresh(e, record)) apply(e, w, sync, record);
  if (sync & (kSyncVelocity | kSyncPosition))
    for (int k = 0; k < 3; ++k) w[core::kPosition + k] = core::add32(w[core::kPosition + k], w[core::kVelocity + k]);
  if (sync & (kSyncSpin | kSyncRotation))
    for (int k = 0; k < 3; ++k) w[core::kRotation + k] = core::add32(w[core::kRotation + k], w[core::kSpin + k]);
}

void tick_end() {
  State& s = state();
  if (!s.active.load(std::memory_order_relaxed)) return;
  ++s.steps;
  if (s.steps % kActivityPeriod == 0) {
    int32_t active = 0;
    for (std::atomic<int32_t>& c : s.activity) {
      int32_t v = c.load(std::memory_order_relaxed);
      while (!c.compare_exchange_weak(v, v / 2, std::memory_order_relaxed)) {
      }
      if (v / 2 > 1) ++active;
    }
    s.active_machines.store(active, std::memory_order_relaxed);
  }
  // A packet that falls due before the exchange has begun waits for its
  // first tick: until then the outgoing tables hold nothing.
  if (s.send_countdown.fetch_sub(1, std::memory_order_relaxed) <= 1) {
    if (!s.exchanging) {
      s.send_countdown.store(0, std::memory_order_relaxed);
    } else {
      s.send_countdown.store(kSendEvery, std::memory_order_relaxed);
      if (uint8_t* buffer = packet_buffer()) post_state_packet(buffer, build_state_packet(buffer));
    }
  }
  if (s.steps % kMismatchWindow == 0) s.mismatch.store(false, std::memory_order_relaxed);
  pace_headless_run();
}

void global_sync() {
  State& s = state();
  if (!s.active.load(std::memory_order_relaxed)) return;
  int32_t* globals = core::state().pools.globals.as<int32_t>();
  const int32_t listed = s.shared_count.load(std::memory_order_relaxed);
  for (int32_t i = 0; i < listed; ++i)
    if (!owned_here(s.shared[i].word >> 16))
      globals[s.shared[i].word & 0x7FF] = s.shared[i].value.load(std::memory_order_relaxed);
}

}  // namespace net
