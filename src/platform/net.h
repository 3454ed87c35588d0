// A thin layer over the UDP transport of network play: one endpoint bound
// to a port, reliable and unreliable messages on numbered channels to its
// connected peers, and raw datagrams for the session query. Everything of an
// endpoint must be called from one thread at a time (network play calls it
// from its receive thread only, after the session is up).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// An IPv4 address as four bytes a.b.c.d (a in the high byte) and a port.
struct NetAddress {
  uint32_t ip = 0;
  uint16_t port = 0;
};
constexpr uint32_t kLoopbackIp = 0x7F000001u;
constexpr uint32_t kBroadcastIp = 0xFFFFFFFFu;

// Resolves a host name or a dotted address; false when it cannot.
bool net_resolve(const std::string& name, uint32_t& ip);

struct NetEndpoint;

// An endpoint bound to `port` (0: any free port) on every interface, with
// room for `peers` connections and `channels` channels. Null when the port
// cannot be bound. Datagrams that begin with `datagram_tag` (and are at most
// kDatagramMax bytes) are not part of the connection protocol: they are
// handed out as datagram events.
constexpr size_t kDatagramTagBytes = 8;
constexpr size_t kDatagramMax = 512;
NetEndpoint* net_open(uint16_t port, int peers, int channels, const char (&datagram_tag)[kDatagramTagBytes + 1]);
// Leaves every connection at once (no farewell) and releases the endpoint.
void net_close(NetEndpoint* e);
uint16_t net_port(const NetEndpoint* e);

enum class NetEventKind { kNone, kConnected, kDisconnected, kMessage, kDatagram };
struct NetEvent {
  NetEventKind kind = NetEventKind::kNone;
  int peer = -1;                   // the connection (kConnected, kDisconnected, kMessage)
  NetAddress from;                 // the peer's or the datagram's address
  uint32_t data = 0;               // the value a connecting peer sent along
  int channel = 0;                 // kMessage
  const uint8_t* bytes = nullptr;  // kMessage, kDatagram: valid until the next net_service
  size_t size = 0;
};

// Waits up to `timeout_ms` for the next event; kNone when there was none.
NetEvent net_service(NetEndpoint* e, uint32_t timeout_ms);

// Starts a connection; the peer number, or -1. kConnected follows when the
// other side accepts, kDisconnected when it does not.
int net_connect(NetEndpoint* e, NetAddress to, int channels, uint32_t data);
// Asks a peer to leave politely (kDisconnected follows on both sides).
void net_disconnect(NetEndpoint* e, int peer);
// Drops a peer at once.
void net_drop(NetEndpoint* e, int peer);
NetAddress net_peer_address(const NetEndpoint* e, int peer);

// Sends a copy of `bytes` to one peer or to every connected peer.
bool net_send(NetEndpoint* e, int peer, int channel, const void* bytes, size_t size, bool reliable);
void net_send_all(NetEndpoint* e, int channel, const void* bytes, size_t size, bool reliable);
// Sends one raw datagram (must begin with the endpoint's datagram tag).
bool net_send_datagram(NetEndpoint* e, NetAddress to, const void* bytes, size_t size);
// Sends whatever is queued now.
void net_flush(NetEndpoint* e);

}  // namespace platform
