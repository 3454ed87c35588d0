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
