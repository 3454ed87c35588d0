#include "net/state.h"

namespace net {

State& state() {
  static State s;
  return s;
}

void reset_exchange() {
  State& s = state();
  for (RemoteRecord& r : s.remote) {
    for (std::atomic<int32_t>& w : r.w) w.store(-1, std::memory_order_relaxed);
    r.seq.store(0, std::memory_order_relaxed);
  }
  for (uint32_t& t : s.taken_seq) t = 0;
  for (std::atomic<int32_t>& c : s.activity) c.store(0, std::memory_order_relaxed);
  s.active_machines.store(0, std::memory_order_relaxed);
  s.received.store(0, std::memory_order_relaxed);
  s.send_countdown.store(0, std::memory_order_relaxed);
  s.mismatch.store(false, std::memory_order_relaxed);
  s.dropped.store(0, std::memory_order_relaxed);
  s.exchanging = false;
  s.steps = 0;
}

}  // namespace net
