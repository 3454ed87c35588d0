#include "platform/net.h"

#include <enet/enet.h>

#include <cstring>
#include <mutex>

namespace platform {

struct NetEndpoint {
  ENetHost* host = nullptr;
  char tag[kDatagramTagBytes] = {};
  ENetPacket* held = nullptr;  // the packet of the last event, freed at the next service
};

namespace {

constexpr enet_uint8 kDatagramChannel = 0xFF;

bool library_ready() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = enet_initialize() == 0; });
  return ready;
}

ENetAddress to_enet(NetAddress a) {
  ENetAddress out;
  out.host = ENET_HOST_TO_NET_32(a.ip);
  out.port = a.port;
  return out;
}

NetAddress from_enet(const ENetAddress& a) { return NetAddress{ENET_NET_TO_HOST_32(a.host), a.port}; }

NetEndpoint* endpoint_of(ENetHost* host) { return static_cast<NetEndpoint*>(host->compressor.context); }

// Datagrams of the session query are taken out before the connection
// protocol sees them and come back from enet_host_service as a message of
// channel 0xFF without a peer: the sender's address (6 bytes), then the data.
int ENET_CALLBACK intercept(ENetHost* host, ENetEvent* event) {
  const NetEndpoint* e = endpoint_of(host);
  if (!e || host->receivedDataLength < kDatagramTagBytes || host->receivedDataLength > kDatagramMax ||
      std::memcmp(host->receivedData, e->tag, kDatagramTagBytes) != 0)
    return 0;
  if (!event) return 1;
  ENetPacket* p = enet_packet_create(nullptr, host->receivedDataLength + 6, 0);
  if (!p) return 1;
  const NetAddress from = from_enet(host->receivedAddress);
  for (int i = 0; i < 4; ++i) p->data[i] = static_cast<enet_uint8>(from.ip >> (24 - 8 * i));
  p->data[4] = static_cast<enet_uint8>(from.port >> 8);
  p->data[5] = static_cast<enet_uint8>(from.port);
  std::memcpy(p->data + 6, host->receivedData, host->receivedDataLength);
  event->type = ENET_EVENT_TYPE_RECEIVE;
  event->peer = nullptr;
  event->channelID = kDatagramChannel;
  event->packet = p;
  return 1;
}

ENetPeer* peer_at(const NetEndpoint* e, int peer) {
  if (!e || peer < 0 || static_cast<size_t>(peer) >= e->host->peerCount) return nullptr;
  return &e->host->peers[peer];
}

}  // namespace

bool net_resolve(const std::string& name, uint32_t& ip) {
  if (!library_ready() || name.empty()) return false;
  ENetAddress a{};
  if (enet_address_set_host(&a, name.c_str()) != 0) return false;
  ip = ENET_NET_TO_HOST_32(a.host);
  return true;
}

NetEndpoint* net_open(uint16_t port, int peers, int channels, const char (&datagram_tag)[kDatagramTagBytes + 1]) {
  if (!library_ready()) return nullptr;
  ENetAddress a{};
  a.host = ENET_HOST_ANY;
  a.port = port;
  ENetHost* host = enet_host_create(&a, static_cast<size_t>(peers), static_cast<size_t>(channels), 0, 0);
  if (!host) return nullptr;
  auto* e = new NetEndpoint;
  e->host = host;
  std::memcpy(e->tag, datagram_tag, kDatagramTagBytes);
  // The compressor's context is unused without a compressor: it carries the
  // endpoint to the intercept callback.
  host->compressor.context = e;
  host->intercept = intercept;
  return e;
}

void net_close(NetEndpoint* e) {
  if (!e) return;
  if (e->held) enet_packet_destroy(e->held);
  e->host->compressor.context = nullptr;
  enet_host_destroy(e->host);
  delete e;
}

uint16_t net_port(const NetEndpoint* e) { return e ? e->host->address.port : 0; }

NetEvent net_service(NetEndpoint* e, uint32_t timeout_ms) {
  NetEvent out;
  if (!e) return out;
  if (e->held) {
    enet_packet_destroy(e->held);
    e->held = nullptr;
  }
  ENetEvent ev{};
  if (enet_host_service(e->host, &ev, timeout_ms) <= 0) return out;
  if (ev.peer) {
    out.peer = static_cast<int>(ev.peer - e->host->peers);
    out.from = from_enet(ev.peer->address);
  }
  out.data = ev.data;
  switch (ev.type) {
    case ENET_EVENT_TYPE_CONNECT: out.kind = NetEventKind::kConnected; break;
    case ENET_EVENT_TYPE_DISCONNECT: out.kind = NetEventKind::kDisconnected; break;
    case ENET_EVENT_TYPE_RECEIVE:
      e->held = ev.packet;
      if (!ev.peer && ev.channelID == kDatagramChannel) {
        const enet_uint8* d = ev.packet->data;
        out.kind = NetEventKind::kDatagram;
        out.from.ip = (uint32_t{d[0]} << 24) | (uint32_t{d[1]} << 16) | (uint32_t{d[2]} << 8) | d[3];
        out.from.port = static_cast<uint16_t>((d[4] << 8) | d[5]);
        out.bytes = d + 6;
        out.size = ev.packet->dataLength - 6;
      } else {
        out.kind = NetEventKind::kMessage;
        out.channel = ev.channelID;
        out.bytes = ev.packet->data;
        out.size = ev.packet->dataLength;
      }
      break;
    default: break;
  }
  return out;
}

int net_connect(NetEndpoint* e, NetAddress to, int channels, uint32_t data) {
  if (!e) return -1;
  const ENetAddress a = to_enet(to);
  ENetPeer* p = enet_host_connect(e->host, &a, static_cast<size_t>(channels), data);
  return p ? static_cast<int>(p - e->host->peers) : -1;
}

void net_disconnect(NetEndpoint* e, int peer) {
  if (ENetPeer* p = peer_at(e, peer)) enet_peer_disconnect(p, 0);
}

void net_drop(NetEndpoint* e, int peer) {
  if (ENetPeer* p = peer_at(e, peer)) enet_peer_reset(p);
}

NetAddress net_peer_address(const NetEndpoint* e, int peer) {
  const ENetPeer* p = peer_at(e, peer);
  return p ? from_enet(p->address) : NetAddress{};
}

bool net_send(NetEndpoint* e, int peer, int channel, const void* bytes, size_t size, bool reliable) {
  ENetPeer* p = peer_at(e, peer);
  if (!p || p->state != ENET_PEER_STATE_CONNECTED) return false;
  ENetPacket* packet = enet_packet_create(bytes, size, reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
  if (!packet) return false;
  if (enet_peer_send(p, static_cast<enet_uint8>(channel), packet) != 0) {
    enet_packet_destroy(packet);
    return false;
  }
  return true;
}

void net_send_all(NetEndpoint* e, int channel, const void* bytes, size_t size, bool reliable) {
  if (!e) return;
  ENetPacket* packet = enet_packet_create(bytes, size, reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
  if (packet) enet_host_broadcast(e->host, static_cast<enet_uint8>(channel), packet);
}

bool net_send_datagram(NetEndpoint* e, NetAddress to, const void* bytes, size_t size) {
  if (!e || size < kDatagramTagBytes || size > kDatagramMax) return false;
  const ENetAddress a = to_enet(to);
  ENetBuffer b;
  b.data = const_cast<void*>(bytes);
  b.dataLength = size;
  return enet_socket_send(e->host->socket, &a, &b, 1) == static_cast<int>(size);
}

void net_flush(NetEndpoint* e) {
  if (e) enet_host_flush(e->host);
}

}  // namespace platform
