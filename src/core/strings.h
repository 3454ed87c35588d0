// String and array handles of brains: a table of 8192 entries (address and
// size in bytes), the data in the handle heap of the arena. A string
// argument below 8192 is a handle; a value of 8192 or more is the address
// of a zero-terminated string literal.
#pragma once

#include <cstdint>
#include <string_view>

namespace core {

struct HandleEntry {
  uint32_t addr;  // 0: free
  uint32_t size;  // bytes
};

HandleEntry* handle_table();
// The entry of a handle in use, or null.
HandleEntry* handle_entry(int32_t handle);

// The text a string argument names: a handle's bytes up to their first zero,
// or a literal of the string pool. Anything else reads as empty text.
std::string_view string_arg(int32_t value);

}  // namespace core

namespace core {

// The handle heap allocator. Blocks come in power-of-two size classes from
// 16 bytes to the whole heap; a released block goes onto its class's free
// list and is reused by the next request of that class. The allocator's own
// bookkeeping (bump offset and list heads) lives at the start of the heap.

// A new handle for `size` bytes, all 0: the lowest free entry below the
// count, or the count itself (which then grows by 1). -1 when no entry or no
// memory is left; nothing changes then.
int32_t handle_new(uint64_t size);
// Releases a handle in use (anything else is ignored). Releasing the
// highest entry lowers the count by 1.
void handle_release(int32_t handle);
// Forgets every handle and block (start of a run, tests).
void handle_reset();

}  // namespace core
