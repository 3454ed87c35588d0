// The network steps of the tick (engine::hooks()) and the moment global_set
// writes received globals in (brain GeneralServices::global_sync).
#pragma once

#include <cstdint>

namespace net {

// Tick step 2: status texts of the receive thread are shown; on the one
// tick at which the game starts, the shared globals owned elsewhere are
// taken as they are here; and whether this tick exchanges element state.
void tick_start();
// Tick step 5.1: the synced fields of an element before its brain runs.
void element_before(int32_t element);
// Tick step 5.3: an owned element publishes; any other has its brain's
// changes undone, a fresh received record blended in and moves on by dead
// reckoning.
void element_after(int32_t element);
// Tick step 8: the activity counters, the mismatch window and the send
// countdown; a state packet goes out when it is due.
void tick_end();
// Writes the received values of shared globals owned by other machines.
void global_sync();

// Hands a finished state packet to the receive thread for sending
// (session.cpp); false when the previous one is still waiting.
bool post_state_packet(const uint8_t* bytes, uint32_t size);
// The buffer a state packet is built in (kMaxPacketBytes), owned by the
// session.
uint8_t* packet_buffer();

}  // namespace net
