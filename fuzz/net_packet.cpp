// Arbitrary bytes as a received state packet, read against a scene whose
// elements share different fields and whose project synchronises a few
// variables: the reader never reads past the end, stores nothing from a
// packet it calls malformed, and the tick then blends whatever it stored.
// The same bytes are read as network.ini text too.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/element_state.h"
#include "core/state.h"
#include "engine/state.h"
#include "net/packet.h"
#include "net/session.h"
#include "net/state.h"
#include "net/tick.h"
#include "project/state.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!core::init_memory()) abort();
  engine::state().scene.element_count = 8;
  engine::state().loop.net_counters[0] = 0;
  static const int32_t kSync[8] = {0, 0x7FF, 0x003, 0x030, 0x100, 0x200, 0x400, 0x0CC};
  for (int e = 0; e < 8; ++e) {
    int32_t* w = core::element_state(e)->w;
    w[core::kNetSync] = kSync[e];
    w[core::kNetOwner] = 2;
    w[core::kFrameCount] = 3;
  }
  project::state().scene.shared_vars = "1,2(2),2047(3),5(1)";
  net::set_active_for_test(true, false);
  net::state().machine_number = 1;
  net::scene_setup();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  net::State& s = net::state();
  uint32_t seq[8];
  for (int e = 0; e < 8; ++e) seq[e] = s.remote[e].seq.load();
  // Half the inputs carry the scene's own session code, so that they get
  // past the first check.
  uint8_t buffer[4096];
  const size_t n = size < sizeof buffer ? size : sizeof buffer;
  for (size_t i = 0; i < n; ++i) buffer[i] = data[i];
  if (n >= 4 && (data[0] & 1)) {
    const auto code = static_cast<uint32_t>(s.session_code.load());
    for (int i = 0; i < 4; ++i) buffer[i] = static_cast<uint8_t>(code >> (8 * i));
  }
  const net::ReadResult r = net::read_state_packet(buffer, n);
  if (r != net::ReadResult::kApplied)
    for (int e = 0; e < 8; ++e)
      if (s.remote[e].seq.load() != seq[e]) abort();
  net::tick_start();
  for (int e = 0; e < 8; ++e) {
    net::element_before(e);
    net::element_after(e);
  }
  net::global_sync();
  net::read_settings(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
