// Sessions of network play: a full mesh of peers over UDP with one host.
// The host listens on `PortNumber`; a joiner finds the session by a query
// datagram (sent to `IPAddress`:`PortNumber` for `Connection` 1, to the
// local network's broadcast address otherwise), connects to the host,
// learns the other peers from it and connects to each of them. When the
// host leaves, the peer that joined earliest becomes the host.
//
// Threads: start() makes the connection on the calling (main) thread; once
// the session is up a receive thread owns the endpoint until stop(). The
// main thread hands it what to send through single-slot mailboxes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net.h"

namespace net {

// network.ini, section "Settings" (a missing number reads as 0).
struct Settings {
  int32_t connection = 0;  // 1: the host at ip_address:port_number
  int32_t mode = 0;        // 0: host; otherwise join
  int32_t timeout = 0;     // session searches, one second apart
  std::string ip_address;
  int32_t port_number = 0;  // used when its low 16 bits are not 0
  std::string session_name;
  std::string player_name;
};
Settings read_settings(std::string_view file_text);

// The port of a session: the low 16 bits of port_number, else the default.
constexpr uint16_t kDefaultPort = 30150;
uint16_t session_port(const Settings& s);
// The player name: player_name, else the user's login name, else "Player".
std::string player_name(const Settings& s);
// The name of a hosted session: session_name, else the computer's name,
// else "Session".
std::string hosted_session_name(const Settings& s);

// Where session queries go when they are not addressed to one host. Tests
// put a loopback address here: no test sends a packet off this machine.
struct Reach {
  uint32_t broadcast_ip = platform::kBroadcastIp;
  uint32_t search_wait_ms = 1000;  // one search (real time, even headless)
};
Reach& reach();

// A session that answered a query.
struct Found {
  std::string name;
  platform::NetAddress host;
};
// One search: a query to `to`, then the answers within `wait_ms`. False
// when the query could not be sent.
bool search_sessions(platform::NetEndpoint* e, platform::NetAddress to, uint32_t wait_ms, std::vector<Found>& found);

// The kind of network an IPv4 address belongs to: 1 loopback, 2 private,
// 3 link-local, 4 public, 0 for addresses no peer can have (0.x.x.x,
// multicast, reserved, broadcast).
uint32_t network_kind(uint32_t ip);
// Whether a peer the host lists may be connected to: an address a peer can
// have, with a port, in the same kind of network as the host's address.
bool plausible_peer(uint32_t host_ip, platform::NetAddress peer);

// Connects from network.ini settings (hosting or joining); false after
// "Connection failed!".
bool connect_from_settings(const Settings& s);

// The connection dialog: given the connections and a way to search the
// sessions of one, the user hosts a session under a name or joins one of
// those found. The tool screen fills `dialog`; without it there is no
// dialog.
struct DialogChoice {
  bool chosen = false;  // false: cancelled
  bool host = false;
  std::string session_name;  // to host
  Found session;             // to join
};
using SessionSearch = std::vector<Found> (*)(int connection);
using Dialog = DialogChoice (*)(const std::vector<std::string>& connections, SessionSearch search,
                                const std::string& default_name);
extern Dialog dialog;
std::vector<std::string> connection_list();

// Whether start() would show the connection dialog: netmode.ini exists in
// `folder` and network.ini cannot be read. The dialog needs the tool screen,
// so start-up connects this way once the display is up.
bool needs_dialog(const std::string& folder);
// Start-up step 6: networking when `netmode.ini` exists in `folder`. False
// when the user declined to run without a connection (the program ends).
bool start(const std::string& folder);
// Start-up step 12: peers are told that this machine leaves, the receive
// thread ends and the endpoint is released.
void stop();

// A text message to every peer (str_send): 0, the value, the text and its
// zero. False when the mailbox is full.
bool send_text(int32_t value, std::string_view text);
// Takes the oldest received message whose value AND mask is not 0.
bool take_text(int32_t mask, std::string& text);

// Status texts of the receive thread ("X has joined") as notices; the
// tick calls this.
void show_status_texts();
// A headless run of a session keeps the real tick rate, so that machines
// play together rather than each as fast as it can.
void pace_headless_run();

// Tests: a session without a transport, so the tick and the built-ins act
// as in a game (true) or not (false).
void set_active_for_test(bool active, bool host);

}  // namespace net
