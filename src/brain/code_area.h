// The code area: its layout, and placing compiled brains in it.
//
//   +0       run-time stubs of the x86-64 back end (entry, clock check, gosub
//            overflow) and a shared empty brain
//   +4096    handler table: one 8-byte routine address per built-in row, then
//            the clock check routine (both back ends call through it)
//   +8192    compiled brains, one after the other
//   end-2048 reserved, so that each failed brain can still get its lone return
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "brain/bind.h"
#include "brain/ir.h"
#include "brain/state.h"
#include "brain/table.h"
#include "core/pools.h"

namespace brain {

constexpr uint32_t kEmptyBrainOffset = 192;  // a lone return, for failures past the reserve
constexpr uint32_t kTableOffset = 4096;
constexpr uint32_t kHeaderBytes = 8192;
constexpr uint32_t kFailureReserve = core::kElementCount * 8;
static_assert(kTableOffset + 8 * (kRowCount + 1) <= kHeaderBytes);

uint32_t code_base();
inline uint32_t table_slot(int row) { return code_base() + kTableOffset + 8u * static_cast<uint32_t>(row); }
inline uint32_t clock_slot() { return table_slot(kRowCount); }
// The table as the back ends read it.
const Handler* handler_table();

// The routine both back ends call every kJumpBudget backward jumps and
// gosubs: 0 to go on, or a RunStatus that ends the run.
int32_t clock_check(uint32_t self);

// Placing compiled brains. A compile runs as begin_compile, any number of
// compile_brain / fail_brain, end_compile; between begin and end the code
// area is writable and no brain may run.
struct BrainResult {
  bool ok = false;
  uint32_t entry = 0;  // a failed brain's entry is a lone return
  std::string error;
};

// Empties the code area and makes it writable; literals go to the string
// pool from `strings_used` bytes on.
void begin_compile(Backend backend, uint32_t strings_used);
// Compiles one brain text and places it after the previous one. `name`
// labels the code for debuggers.
BrainResult compile_brain(std::string_view text, bool editor_mode, std::string_view name = {});
// Places a lone return for a brain that failed before compiling.
BrainResult fail_brain(std::string error);
// Seals the code area (read and execute) and records the literal region.
void end_compile();

}  // namespace brain
