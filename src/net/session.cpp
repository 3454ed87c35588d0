#include "net/session.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/files.h"
#include "core/profile.h"
#include "core/state.h"
#include "core/text.h"
#include "engine/state.h"
#include "net/packet.h"
#include "net/state.h"
#include "net/tick.h"
#include "platform/platform.h"

namespace net {

Dialog dialog = nullptr;

namespace {

using Clock = std::chrono::steady_clock;
using platform::NetAddress;
using platform::NetEvent;
using platform::NetEventKind;

// The application identity every peer shares; sessions of anything else
// are neither answered nor joined.
constexpr uint32_t kAppId = 0x71756E65u;
constexpr char kTag[] = "QLSESSN1";
constexpr uint8_t kQuery = 'Q', kAnswer = 'R';
constexpr int kPeerSlots = 128;
// Channels: what arrives on which one says what it is, so a state packet
// whose session code is 0 is never taken for a text message.
constexpr int kStateChannel = 0, kTextChannel = 1, kControlChannel = 2, kChannels = 3;
constexpr uint8_t kHello = 1, kWelcome = 2;
constexpr uint32_t kConnectWaitMs = 5000;
constexpr uint32_t kMeshWaitMs = 3000;
constexpr uint32_t kLeaveWaitMs = 500;
constexpr size_t kNameMax = 255;
constexpr size_t kTextBytes = 1024;  // largest text of a message, its zero included
// A session query is padded with zeros to the size of the largest answer
// (header, name, zero), and a host answers only a query at least as large
// as its answer, so that a query with a forged sender gets nothing larger
// back than it cost.
constexpr size_t kQueryBytes = 13 + kNameMax + 1;

// A single-producer, single-consumer ring of short texts with a value.
template <size_t N, size_t Bytes>
struct Ring {
  struct Slot {
    int32_t value;
    uint32_t size;
    char bytes[Bytes];
  };
  Slot slots[N];
  std::atomic<uint32_t> head{0}, tail{0};

  bool push(int32_t value, const void* data, size_t size) {
    const uint32_t h = head.load(std::memory_order_relaxed);
    if (size > Bytes || h - tail.load(std::memory_order_acquire) >= N) return false;
    Slot& s = slots[h % N];
    s.value = value;
    s.size = static_cast<uint32_t>(size);
    if (size) std::memcpy(s.bytes, data, size);
    head.store(h + 1, std::memory_order_release);
    return true;
  }
  const Slot* front() {
    const uint32_t t = tail.load(std::memory_order_relaxed);
    return t == head.load(std::memory_order_acquire) ? nullptr : &slots[t % N];
  }
  void pop() { tail.store(tail.load(std::memory_order_relaxed) + 1, std::memory_order_release); }
  void clear() { tail.store(head.load(std::memory_order_acquire), std::memory_order_release); }
};

// The text inbox: the receive thread fills free slots, str_poll empties
// them in the order they were filled, picking by value.
struct Inbox {
  static constexpr int kSlots = 32;
  std::atomic<bool> full[kSlots] = {};
  uint32_t order[kSlots] = {};
  int32_t value[kSlots] = {};
  char text[kSlots][kTextBytes] = {};
  uint32_t next = 0;  // the receive thread's
};

struct Peer {
  bool used = false;
  bool outgoing = false;  // this machine asked for the connection
  bool connected = false;
  uint32_t id = 0;  // 0 until its hello
  std::string name;
};

struct Session {
  platform::NetEndpoint* endpoint = nullptr;
  // A host that took over from the one that left listens for session
  // queries on the session's port as well, once that port is free; it
  // answers from `endpoint`, so a joiner connects there.
  platform::NetEndpoint* listener = nullptr;
  uint16_t port = 0;  // the session's port (PortNumber)
  // The host that left may hold the port a little longer: one try a second.
  Clock::time_point next_listen;
  std::string session_name;
  std::string player;
  uint32_t my_id = 0, host_id = 0, top_id = 0;
  bool welcomed = false;
  bool leaving = false;  // this machine leaves: the farewells are not news
  Peer peers[kPeerSlots];
  std::thread thread;
  std::atomic<bool> quit{false};

  uint8_t packet[kMaxPacketBytes] = {};
  std::atomic<uint32_t> packet_size{0};  // 0: the buffer is free
  Ring<16, 8 + kTextBytes> texts_out;
  Ring<32, 300> status;
  Inbox inbox;

  bool pacing = false;
  Clock::time_point pace_origin;
  uint64_t paced_units = 0;
};

Session& session() {
  static Session s;
  return s;
}

void put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
}
uint32_t get32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void status(const std::string& text) { session().status.push(0, text.data(), std::min<size_t>(text.size(), 300)); }

std::string quoted_name(const std::string& name) { return "\"" + (name.empty() ? "unknown" : name) + "\""; }

std::string datagram(uint8_t kind) {
  std::string d(kTag, 8);
  d += static_cast<char>(kind);
  put32(d, kAppId);
  return d;
}

void send_control(int peer, const std::string& bytes) {
  platform::net_send(session().endpoint, peer, kControlChannel, bytes.data(), bytes.size(), true);
}

void send_hello(int peer, bool joining) {
  Session& z = session();
  std::string m(1, static_cast<char>(kHello));
  put32(m, z.my_id);
  m += static_cast<char>(joining ? 1 : 0);
  m += z.player.substr(0, kNameMax);
  m += '\0';
  send_control(peer, m);
}

void send_welcome(int peer, uint32_t id) {
  Session& z = session();
  std::string m(1, static_cast<char>(kWelcome));
  put32(m, id);
  put32(m, z.host_id);
  std::string list;
  uint32_t n = 0;
  for (int p = 0; p < kPeerSlots; ++p) {
    const Peer& q = z.peers[p];
    if (p == peer || !q.connected || q.id == 0) continue;
    const NetAddress a = platform::net_peer_address(z.endpoint, p);
    put32(list, q.id);
    put32(list, a.ip);
    list += static_cast<char>(a.port);
    list += static_cast<char>(a.port >> 8);
    ++n;
  }
  put32(m, n);
  send_control(peer, m + list);
}

}  // namespace

uint32_t network_kind(uint32_t ip) {
  const uint32_t a = ip >> 24, b = (ip >> 16) & 0xFFu;
  if (a == 127) return 1;                                                              // loopback
  if (a == 10 || (a == 172 && b >= 16 && b < 32) || (a == 192 && b == 168)) return 2;  // private
  if (a == 169 && b == 254) return 3;                                                  // link-local
  if (a == 0 || a >= 224) return 0;  // this network, multicast, reserved, broadcast
  return 4;                          // public
}

bool plausible_peer(uint32_t host_ip, platform::NetAddress peer) {
  const uint32_t kind = network_kind(peer.ip);
  return kind != 0 && peer.port != 0 && kind == network_kind(host_ip);
}

namespace {

int connect_to(NetAddress to) {
  Session& z = session();
  const int p = platform::net_connect(z.endpoint, to, kChannels, kAppId);
  if (p >= 0 && p < kPeerSlots) z.peers[p] = Peer{true, true, false, 0, {}};
  return p;
}

// The earliest joiner left becomes the host.
void host_left() {
  Session& z = session();
  uint32_t next = z.my_id;
  for (const Peer& q : z.peers)
    if (q.connected && q.id != 0 && q.id < next) next = q.id;
  z.host_id = next;
  if (next == z.my_id && !state().is_host.load()) {
    state().is_host.store(true);
    status("You have become the host");
  }
}

void on_control(int peer, const uint8_t* d, size_t n) {
  Session& z = session();
  if (peer < 0 || peer >= kPeerSlots || n < 1) return;
  Peer& q = z.peers[peer];
  if (d[0] == kHello && n >= 7) {
    uint32_t id = get32(d + 1);
    const bool joining = d[5] != 0;
    const size_t len = strnlen(reinterpret_cast<const char*>(d + 6), std::min(n - 6, kNameMax));
    q.name.assign(reinterpret_cast<const char*>(d + 6), len);
    if (id == 0) {
      // A newcomer: only the host gives out numbers.
      if (!state().is_host.load()) {
        platform::net_drop(z.endpoint, peer);
        q = Peer{};
        return;
      }
      id = ++z.top_id;
      send_welcome(peer, id);
    }
    q.id = id;
    z.top_id = std::max(z.top_id, id);
    if (joining) {
      status(quoted_name(q.name) + " has joined");
      send_hello(peer, false);
    }
  } else if (d[0] == kWelcome && n >= 13 && !z.welcomed && q.outgoing) {
    z.my_id = get32(d + 1);
    z.host_id = get32(d + 5);
    z.top_id = std::max({z.top_id, z.my_id, z.host_id});
    const uint32_t count = get32(d + 9);
    z.welcomed = true;
    if (count > (n - 13) / 10) return;
    // The host's list is trusted no further than a session can reach: at
    // most the other machines of one session, each in the host's own kind
    // of network, never the same address twice.
    const NetAddress host = platform::net_peer_address(z.endpoint, peer);
    NetAddress taken[kMachines];
    int listed = 0;
    for (uint32_t i = 0; i < count && listed < kMachines - 2; ++i) {
      const uint8_t* e = d + 13 + 10 * i;
      const NetAddress a{get32(e + 4), static_cast<uint16_t>(e[8] | (e[9] << 8))};
      const bool seen = std::any_of(taken, taken + listed,
                                    [&](const NetAddress& t) { return t.ip == a.ip && t.port == a.port; });
      if (seen || (a.ip == host.ip && a.port == host.port) || !plausible_peer(host.ip, a)) {
        state().dropped.fetch_add(1, std::memory_order_relaxed);
        continue;
      }
      taken[listed++] = a;
      z.top_id = std::max(z.top_id, get32(e));
      connect_to(a);
    }
  }
}

void on_text(const uint8_t* d, size_t n) {
  State& s = state();
  Session& z = session();
  const size_t len = n > 8 ? strnlen(reinterpret_cast<const char*>(d + 8), n - 8) : 0;
  if (n < 9 || get32(d) != 0 || len == n - 8 || len >= kTextBytes) {
    s.dropped.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  if (!s.active.load(std::memory_order_relaxed)) return;
  Inbox& in = z.inbox;
  for (int i = 0; i < Inbox::kSlots; ++i) {
    if (in.full[i].load(std::memory_order_acquire)) continue;
    in.value[i] = static_cast<int32_t>(get32(d + 4));
    std::memcpy(in.text[i], d + 8, len);
    in.text[i][len] = 0;
    in.order[i] = in.next++;
    in.full[i].store(true, std::memory_order_release);
    return;
  }
}

void on_state(const uint8_t* d, size_t n) {
  State& s = state();
  switch (read_state_packet(d, n)) {
    case ReadResult::kMismatch: s.mismatch.store(true, std::memory_order_relaxed); break;
    case ReadResult::kMalformed: s.dropped.fetch_add(1, std::memory_order_relaxed); break;
    case ReadResult::kApplied:
      if (s.received.fetch_add(1, std::memory_order_relaxed) + 1 >= s.active_machines.load()) {
        s.send_countdown.store(0, std::memory_order_relaxed);
        s.received.store(0, std::memory_order_relaxed);
      }
      break;
    case ReadResult::kIgnored: break;
  }
}

void on_datagram(const NetEvent& ev) {
  Session& z = session();
  if (ev.size < 13 || ev.bytes[8] != kQuery || get32(ev.bytes + 9) != kAppId || !state().is_host.load()) return;
  std::string answer = datagram(kAnswer) + z.session_name.substr(0, kNameMax);
  answer += '\0';
  if (answer.size() > ev.size) return;
  platform::net_send_datagram(z.endpoint, ev.from, answer.data(), answer.size());
}

void handle(const NetEvent& ev) {
  Session& z = session();
  const bool slot = ev.peer >= 0 && ev.peer < kPeerSlots;
  switch (ev.kind) {
    case NetEventKind::kConnected:
      if (!slot) break;
      if (z.peers[ev.peer].used && z.peers[ev.peer].outgoing) {
        z.peers[ev.peer].connected = true;
        send_hello(ev.peer, true);
      } else if (ev.data != kAppId) {
        platform::net_drop(z.endpoint, ev.peer);
      } else {
        z.peers[ev.peer] = Peer{true, false, true, 0, {}};
      }
      break;
    case NetEventKind::kDisconnected:
      if (slot) {
        const Peer gone = z.peers[ev.peer];
        z.peers[ev.peer] = Peer{};
        if (gone.connected && gone.id != 0 && !z.leaving) {
          status(quoted_name(gone.name) + " has left");
          if (gone.id == z.host_id) host_left();
        }
      }
      break;
    case NetEventKind::kMessage:
      if (ev.channel == kStateChannel) on_state(ev.bytes, ev.size);
      if (ev.channel == kTextChannel) on_text(ev.bytes, ev.size);
      if (ev.channel == kControlChannel) on_control(ev.peer, ev.bytes, ev.size);
      break;
    case NetEventKind::kDatagram: on_datagram(ev); break;
    case NetEventKind::kNone: break;
  }
}

// Services the endpoint until `done` or the time is up.
template <typename Done>
bool service_until(uint32_t ms, Done done) {
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0) return false;
    handle(platform::net_service(session().endpoint, static_cast<uint32_t>(std::min<long long>(left, 20))));
  }
  return true;
}

void leave_all() {
  Session& z = session();
  z.leaving = true;
  for (int p = 0; p < kPeerSlots; ++p)
    if (z.peers[p].used) platform::net_disconnect(z.endpoint, p);
  service_until(kLeaveWaitMs, [&] {
    for (const Peer& q : z.peers)
      if (q.used) return false;
    return true;
  });
}

void close_endpoint() {
  Session& z = session();
  platform::net_close(z.endpoint);
  z.endpoint = nullptr;
  if (z.listener) platform::net_close(z.listener);
  z.listener = nullptr;
  z.port = 0;
  for (Peer& q : z.peers) q = Peer{};
  z.welcomed = false;
  z.leaving = false;
  z.my_id = z.host_id = z.top_id = 0;
}

void receive_loop() {
  Session& z = session();
  while (!z.quit.load(std::memory_order_acquire)) {
    if (const uint32_t size = z.packet_size.load(std::memory_order_acquire)) {
      platform::net_send_all(z.endpoint, kStateChannel, z.packet, size, false);
      z.packet_size.store(0, std::memory_order_release);
    }
    while (const auto* t = z.texts_out.front()) {
      platform::net_send_all(z.endpoint, kTextChannel, t->bytes, t->size, true);
      z.texts_out.pop();
    }
    handle(platform::net_service(z.endpoint, 2));
    if (!z.listener && z.port != 0 && state().is_host.load() && Clock::now() >= z.next_listen) {
      z.listener = platform::net_open(z.port, 1, kChannels, kTag);
      z.next_listen = Clock::now() + std::chrono::seconds(1);
    }
    if (z.listener) {
      // Only queries are wanted here; a connection is refused.
      const NetEvent ev = platform::net_service(z.listener, 0);
      if (ev.kind == NetEventKind::kDatagram) on_datagram(ev);
      if (ev.kind == NetEventKind::kConnected) platform::net_drop(z.listener, ev.peer);
    }
  }
  leave_all();
  close_endpoint();
}

bool join(const Found& found, uint16_t port) {
  Session& z = session();
  z.session_name = found.name;
  z.port = port;
  const int host = connect_to(found.host);
  if (host < 0) return false;
  if (!service_until(kConnectWaitMs, [&] { return z.welcomed && z.peers[host].id != 0; })) return false;
  // The rest of the mesh; a peer that does not answer in time is left out.
  service_until(kMeshWaitMs, [&] {
    for (const Peer& q : z.peers)
      if (q.used && (!q.connected || q.id == 0)) return false;
    return true;
  });
  return true;
}

void clear_inbox() {
  for (std::atomic<bool>& f : session().inbox.full) f.store(false, std::memory_order_release);
}

bool search_failed_retry() { return core::box("Could not find host! Retry?", " OK ", " CANCEL ") == 1; }

}  // namespace

Settings read_settings(std::string_view text) {
  Settings s;
  auto number = [&](const char* key) {
    const auto v = core::profile_get(text, "Settings", key);
    return v ? core::text_to_int(*v) : 0;
  };
  auto words = [&](const char* key) {
    const auto v = core::profile_get(text, "Settings", key);
    return v ? v->substr(0, kNameMax) : std::string();
  };
  s.connection = number("Connection");
  s.mode = number("Mode");
  s.timeout = number("Timeout");
  s.ip_address = words("IPAddress");
  s.port_number = number("PortNumber");
  s.session_name = words("SessionName");
  s.player_name = words("PlayerName");
  return s;
}

uint16_t session_port(const Settings& s) {
  const auto low = static_cast<uint16_t>(s.port_number & 0xFFFF);
  return low != 0 ? low : kDefaultPort;
}

std::string player_name(const Settings& s) {
  if (!s.player_name.empty()) return s.player_name;
  if (const char* login = ::getlogin(); login && *login) return login;
  if (const char* user = std::getenv("USER"); user && *user) return user;
  return "Player";
}

std::string hosted_session_name(const Settings& s) {
  if (!s.session_name.empty()) return s.session_name;
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) == 0 && name[0]) return name;
  return "Session";
}

Reach& reach() {
  static Reach r;
  return r;
}

bool search_sessions(platform::NetEndpoint* e, NetAddress to, uint32_t wait_ms, std::vector<Found>& found) {
  std::string query = datagram(kQuery);
  query.resize(kQueryBytes, '\0');
  if (!platform::net_send_datagram(e, to, query.data(), query.size())) return false;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(wait_ms);
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0) return true;
    const NetEvent ev = platform::net_service(e, static_cast<uint32_t>(std::min<long long>(left, 20)));
    if (ev.kind != NetEventKind::kDatagram || ev.size < 14 || ev.bytes[8] != kAnswer || get32(ev.bytes + 9) != kAppId)
      continue;
    const size_t len = strnlen(reinterpret_cast<const char*>(ev.bytes + 13), ev.size - 13);
    if (len == ev.size - 13) continue;  // no terminating zero
    found.push_back({std::string(reinterpret_cast<const char*>(ev.bytes + 13), len), ev.from});
  }
}

namespace {

// Hosting on `port`: the endpoint is bound and this machine is player 1.
bool host_session(uint16_t port, const std::string& name) {
  Session& z = session();
  z.endpoint = platform::net_open(port, kPeerSlots, kChannels, kTag);
  if (!z.endpoint) return false;
  z.session_name = name;
  z.my_id = z.host_id = z.top_id = 1;
  z.welcomed = true;
  state().is_host.store(true);
  return true;
}

bool open_joiner() {
  Session& z = session();
  state().is_host.store(false);
  z.endpoint = platform::net_open(0, kPeerSlots, kChannels, kTag);
  return z.endpoint != nullptr;
}

void close_failed() {
  if (session().endpoint) close_endpoint();
  state().is_host.store(false);
}

// One search of the dialog: a query to the broadcast address at the
// default port from an endpoint of its own.
std::vector<Found> dialog_search(int connection) {
  std::vector<Found> found;
  if (connection <= 0) return found;
  platform::NetEndpoint* e = platform::net_open(0, 1, kChannels, kTag);
  if (!e) return found;
  if (!search_sessions(e, NetAddress{reach().broadcast_ip, kDefaultPort}, reach().search_wait_ms, found)) {
    // Cancel stops the searches of the dialog.
    if (!search_failed_retry()) found.clear();
  }
  platform::net_close(e);
  return found;
}

// The dialog until a session is up or the user cancels; a failed host or
// join shows its box and the dialog again.
bool connect_with_dialog() {
  Session& z = session();
  while (true) {
    const DialogChoice c = dialog(connection_list(), dialog_search, hosted_session_name(Settings{}));
    if (!c.chosen) return false;
    if (c.host) {
      z.player = "unknown";
      if (host_session(kDefaultPort, c.session_name)) return true;
      close_failed();
      core::box("Could not host session!", " OK ", " OK ");
    } else {
      z.player = player_name(Settings{});
      if (open_joiner() && join(c.session, kDefaultPort)) return true;
      close_failed();
      core::box("Could not join session!", " OK ", " OK ");
    }
  }
}

}  // namespace

bool connect_from_settings(const Settings& s) {
  Session& z = session();
  z.player = player_name(s);
  bool ok = false;
  if (s.mode == 0) {
    ok = host_session(session_port(s), hosted_session_name(s));
  } else if (open_joiner()) {
    Found chosen;
    bool have = false;
    for (int32_t attempt = 0; attempt < s.timeout && !have; ++attempt) {
      NetAddress to{reach().broadcast_ip, session_port(s)};
      std::vector<Found> found;
      const bool sent = (s.connection != 1 || platform::net_resolve(s.ip_address, to.ip)) &&
                        search_sessions(z.endpoint, to, reach().search_wait_ms, found);
      if (!sent) {
        // A retry counts as a search, so that answering OK cannot loop for ever.
        if (!search_failed_retry()) break;
        continue;
      }
      for (const Found& f : found)
        if (f.name == s.session_name) {
          chosen = f;
          have = true;
          break;
        }
    }
    ok = have && join(chosen, session_port(s));
  }
  if (!ok) {
    close_failed();
    core::box("Connection failed!", " OK ", " OK ");
  }
  return ok;
}

std::vector<std::string> connection_list() { return {"<Select a network connection>", "UDP/IP"}; }

bool needs_dialog(const std::string& folder) {
  std::string text;
  return core::file_exists(folder + "netmode.ini") && !core::read_file(folder + "network.ini", text, 1u << 16);
}

bool start(const std::string& folder) {
  if (!core::file_exists(folder + "netmode.ini")) return true;
  reset_exchange();
  Session& z = session();
  bool ok = false;
  std::string text;
  if (core::read_file(folder + "network.ini", text, 1u << 16)) {
    ok = connect_from_settings(read_settings(text));
  } else if (dialog) {
    ok = connect_with_dialog();
  } else {
    // Only a program without a tool screen (a test of this library) has no
    // dialog; it runs alone.
    if (const auto warn = core::state().notify.warning)
      warn("network.ini is missing and there is no connection dialog: running alone");
    return true;
  }
  if (!ok) return core::box("Could not connect, launch anyway?", " OK ", " CANCEL ") == 1;
  clear_inbox();
  z.texts_out.clear();
  z.quit.store(false);
  state().active.store(true);
  z.thread = std::thread(receive_loop);
  return true;
}

void stop() {
  Session& z = session();
  if (z.thread.joinable()) {
    z.quit.store(true, std::memory_order_release);
    z.thread.join();
  } else if (z.endpoint) {
    close_endpoint();
  }
  state().active.store(false);
  state().is_host.store(false);
  state().scene_ready.store(false);
  show_status_texts();
}

bool send_text(int32_t value, std::string_view text) {
  if (text.empty() || !state().active.load()) return false;
  uint8_t m[8 + kTextBytes];
  const size_t len = std::min(text.size(), kTextBytes - 1);
  std::memset(m, 0, 4);
  for (int i = 0; i < 4; ++i) m[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
  std::memcpy(m + 8, text.data(), len);
  m[8 + len] = 0;
  return session().texts_out.push(value, m, 9 + len);
}

bool take_text(int32_t mask, std::string& text) {
  Inbox& in = session().inbox;
  int best = -1;
  for (int i = 0; i < Inbox::kSlots; ++i) {
    if (!in.full[i].load(std::memory_order_acquire) || (in.value[i] & mask) == 0) continue;
    if (best < 0 || static_cast<int32_t>(in.order[i] - in.order[best]) < 0) best = i;
  }
  if (best < 0) return false;
  text = in.text[best];
  in.full[best].store(false, std::memory_order_release);
  return true;
}

void show_status_texts() {
  Ring<32, 300>& r = session().status;
  while (const auto* s = r.front()) {
    core::notice(std::string(s->bytes, s->size));
    r.pop();
  }
}

void pace_headless_run() {
  Session& z = session();
  if (!platform::headless() || !state().active.load(std::memory_order_relaxed)) return;
  if (!z.pacing) {
    z.pacing = true;
    z.pace_origin = Clock::now();
    z.paced_units = 0;
  }
  z.paced_units += static_cast<uint64_t>(std::max(1, engine::state().loop.tick_length));
  std::this_thread::sleep_until(z.pace_origin + std::chrono::microseconds(z.paced_units * 1000000 / 4500));
}

void set_active_for_test(bool active, bool host) {
  reset_exchange();
  clear_inbox();
  state().active.store(active);
  state().is_host.store(host);
}

uint8_t* packet_buffer() {
  Session& z = session();
  return z.packet_size.load(std::memory_order_acquire) == 0 ? z.packet : nullptr;
}

bool post_state_packet(const uint8_t*, uint32_t size) {
  Session& z = session();
  if (size == 0 || z.packet_size.load(std::memory_order_acquire) != 0) return false;
  z.packet_size.store(size, std::memory_order_release);
  return true;
}

}  // namespace net
