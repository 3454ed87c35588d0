#include "net/packet.h"

#include <cstring>
#include <string_view>

#include "core/element_state.h"
#include "core/int32.h"
#include "core/pools.h"
#include "core/state.h"
#include "core/text.h"
#include "engine/state.h"
#include "net/state.h"
#include "project/state.h"

namespace net {

namespace {

void put32(uint8_t*& p, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  p[0] = static_cast<uint8_t>(u);
  p[1] = static_cast<uint8_t>(u >> 8);
  p[2] = static_cast<uint8_t>(u >> 16);
  p[3] = static_cast<uint8_t>(u >> 24);
  p += 4;
}

void put3(uint8_t*& p, const int32_t* v) {
  for (int k = 0; k < 3; ++k) put32(p, v[k]);
}

int32_t get32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24));
}

// Bytes of an element record after its index, for the sync flags.
size_t record_bytes(int32_t sync) {
  size_t n = 0;
  if (sync & kSyncVelocity) n += 12;
  if (sync & kSyncPosition) n += 12;
  if (sync & kSyncSpin) n += 12;
  if (sync & kSyncRotation) n += 12;
  if (sync & (kSyncOn | kSyncShown)) n += 1;
  if (sync & kSyncObject) n += 4;
  return n;
}

bool owned_here(int32_t owner) {
  const State& s = state();
  return owner == s.machine_number || (owner == 0 && s.is_host.load(std::memory_order_relaxed));
}

// Walks a packet; stores what it carries only when `store` is set. False
// when the packet is malformed.
bool walk(const uint8_t* data, size_t size, bool store) {
  State& s = state();
  size_t at = 6;
  const int32_t count = s.element_count.load(std::memory_order_relaxed);
  bool variables = false;
  while (size - at >= 4) {
    const int32_t e = get32(data + at);
    at += 4;
    if (e == -1) {
      variables = true;
      break;
    }
    // An element this machine does not know, or one that does not take
    // part, ends the records.
    if (e < 0 || e >= count) return true;
    const int32_t sync = s.sync_of[e].load(std::memory_order_relaxed);
    if (!takes_part(sync)) return true;
    const size_t n = record_bytes(sync);
    if (size - at < n) return false;
    if (store) {
      RemoteRecord& r = s.remote[e];
      const uint32_t seq = r.seq.load(std::memory_order_relaxed);
      r.seq.store(seq + 1, std::memory_order_relaxed);
      std::atomic_thread_fence(std::memory_order_release);
      r.w[0].store(0, std::memory_order_relaxed);
      const uint8_t* p = data + at;
      int w = 1;
      auto take = [&](int words) {
        for (int k = 0; k < words; ++k, p += 4) r.w[w++].store(get32(p), std::memory_order_relaxed);
      };
      if (sync & kSyncVelocity) take(3);
      if (sync & kSyncPosition) take(3);
      if (sync & kSyncSpin) take(3);
      if (sync & kSyncRotation) take(3);
      if (sync & (kSyncOn | kSyncShown)) r.w[w++].store(*p++, std::memory_order_relaxed);
      if (sync & kSyncObject) take(1);
      r.seq.store(seq + 2, std::memory_order_release);
    }
    at += n;
  }
  if (!variables) return at == size;
  if (size - at < 4) return false;
  const int32_t pairs = get32(data + at);
  at += 4;
  if (pairs < 0 || static_cast<size_t>(pairs) > (size - at) / 8) return false;
  const int32_t listed = s.shared_count.load(std::memory_order_relaxed);
  const int32_t applied = pairs < kMaxSharedVars ? pairs : kMaxSharedVars;
  for (int32_t i = 0; i < applied; ++i, at += 8) {
    const int32_t pos = get32(data + at);
    if (pos < 0 || pos % 4 != 0 || pos / 4 >= listed) return false;
    if (store) s.shared[pos / 4].value.store(get32(data + at + 4), std::memory_order_relaxed);
  }
  return true;
}

}  // namespace

uint32_t build_state_packet(uint8_t* out) {
  State& s = state();
  uint8_t* p = out;
  put32(p, s.session_code.load(std::memory_order_relaxed));
  p[0] = static_cast<uint8_t>(s.machine_number);
  p[1] = static_cast<uint8_t>(s.machine_number >> 8);
  p += 2;
  const int count = engine::state().scene.element_count;
  for (int e = 0; e < count && e < core::kElementCount; ++e) {
    const int32_t* w = core::element_state(e)->w;
    const int32_t sync = s.sync_of[e].load(std::memory_order_relaxed);  // as the tick saw them
    if (!takes_part(sync) || !owned_here(w[core::kNetOwner])) continue;
    const Outgoing& o = s.outgoing[e];
    put32(p, e);
    if (sync & kSyncVelocity) put3(p, o.velocity);
    if (sync & kSyncPosition) put3(p, o.position);
    if (sync & kSyncSpin) put3(p, o.spin);
    if (sync & kSyncRotation) put3(p, o.rotation);
    if (sync & (kSyncOn | kSyncShown)) *p++ = static_cast<uint8_t>(o.flags);
    if (sync & kSyncObject) put32(p, o.object);
  }
  const int32_t listed = s.shared_count.load(std::memory_order_relaxed);
  if (listed > 0) {
    put32(p, -1);
    uint8_t* count_at = p;
    p += 4;
    int32_t pairs = 0;
    const int32_t* globals = core::state().pools.globals.as<int32_t>();
    for (int32_t i = 0; i < listed; ++i) {
      const int32_t word = s.shared[i].word;
      if (!owned_here(word >> 16)) continue;
      put32(p, i * 4);
      put32(p, globals[word & 0x7FF]);
      ++pairs;
    }
    put32(count_at, pairs);
  }
  return static_cast<uint32_t>(p - out);
}

ReadResult read_state_packet(const uint8_t* data, size_t size) {
  State& s = state();
  if (!s.scene_ready.load(std::memory_order_acquire)) return ReadResult::kIgnored;
  if (!data || size < 6) return ReadResult::kMalformed;
  if (get32(data) != s.session_code.load(std::memory_order_relaxed)) return ReadResult::kMismatch;
  if (!walk(data, size, false)) return ReadResult::kMalformed;
  walk(data, size, true);
  const int machine = data[4] | (data[5] << 8);
  if (machine < kMachines) s.activity[machine].fetch_add(1, std::memory_order_relaxed);
  return ReadResult::kApplied;
}

int parse_shared_list(const char* text, size_t size, int32_t* words, int room) {
  std::string_view rest(text, size);
  int n = 0;
  while (!rest.empty() && n < room) {
    const size_t comma = rest.find(',');
    const std::string_view entry = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    if (entry.find_first_not_of(' ') == std::string_view::npos) continue;
    const int32_t variable = core::text_to_int(entry);
    const size_t open = entry.find('(');
    const int32_t owner = open == std::string_view::npos ? 0 : core::text_to_int(entry.substr(open + 1));
    words[n++] = core::wrap32(int64_t{owner} * 65536 + (variable & 0x7FF));
  }
  return n;
}

void scene_setup() {
  State& s = state();
  s.scene_ready.store(false, std::memory_order_release);
  int32_t words[kMaxSharedVars];
  const std::string& list = project::state().scene.shared_vars;
  const int listed = parse_shared_list(list.data(), list.size(), words, kMaxSharedVars);
  const int32_t* globals = core::state().pools.globals.as<int32_t>();
  int32_t code = 0;
  for (int i = 0; i < listed; ++i) {
    s.shared[i].word = words[i];
    s.shared[i].value.store(globals[words[i] & 0x7FF], std::memory_order_relaxed);
    code = core::add32(code, words[i]);
  }
  const int count = engine::state().scene.element_count;
  for (int e = 0; e < core::kElementCount; ++e) {
    const int32_t sync = e < count ? core::element_state(e)->w[core::kNetSync] : 0;
    s.sync_of[e].store(sync, std::memory_order_relaxed);
    if (e < count) code = core::add32(code, sync);
  }
  s.element_count.store(count, std::memory_order_relaxed);
  s.shared_count.store(listed, std::memory_order_relaxed);
  s.session_code.store(code, std::memory_order_relaxed);
  s.scene_ready.store(true, std::memory_order_release);
}

}  // namespace net
