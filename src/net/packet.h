// The state packet: what one machine tells the others each time it sends
// (little-endian):
//
//   session code     4 bytes
//   machine number   2 bytes
//   element records  for each element that takes part and that the sender
//                    owns (the host also sends those owned by machine 0):
//                    the element index (4 bytes), then velocity, position,
//                    spin, rotation (3 x 4 bytes each), the flags byte and
//                    the object index (4 bytes), each only when its sync
//                    bit is set
//   terminator       4 bytes, -1
//   variable count   4 bytes
//   variable pairs   8 bytes each: the byte offset of the variable's entry
//                    in the list and its value
// The last three are there only when the project has synchronised
// variables.
#pragma once

#include <cstddef>
#include <cstdint>

namespace net {

// Writes this machine's packet into `out` (room for kMaxPacketBytes) from
// the outgoing tables and the globals; answers its size.
uint32_t build_state_packet(uint8_t* out);

enum class ReadResult { kApplied, kIgnored, kMismatch, kMalformed };

// Reads a received packet into the remote element table and the shared
// variables. Nothing is stored from a packet that is malformed (cut short,
// a variable position outside the list) or has another session code; a
// packet that arrives before the scene is set up is ignored.
ReadResult read_state_packet(const uint8_t* data, size_t size);

// Computes the session code and the list of synchronised variables from
// the loaded project ("3,5(2)": variable 3 owned by the host, variable 5
// by machine 2), and marks the scene ready for packets.
void scene_setup();

// Parses a synchronised-variable list into stored words (owner x 65536 +
// variable AND 0x7FF); answers how many (at most `room`). Empty entries are
// skipped.
int parse_shared_list(const char* text, size_t size, int32_t* words, int room);

}  // namespace net
