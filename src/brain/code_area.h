// Layout of the code area and the two back ends that fill it.
//
//   +0       run-time stubs of the x86-64 back end (entry, clock check, gosub
//            overflow) and a shared empty brain
//   +4096    handler table: one 8-byte routine address per built-in row, then
//            the clock check routine (both back ends call through it)
//   +8192    compiled brains, one after the other
//   end-2048 reserved, so that each failed brain can still get its lone return
#pragma once

#include <cstdint>
#include <vector>

#include "brain/bind.h"
#include "brain/ir.h"
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

namespace x64 {
// Bytes one instruction takes (fixed for a given instruction).
uint32_t insn_bytes(const Insn& insn);
// Writes the run-time stubs at the start of the code area.
void write_stubs();
// Places a brain's instructions at `dest`; returns the bytes written.
uint32_t translate(const std::vector<Insn>& ir, uint32_t dest);
// Runs compiled code: self in EDI, entry called from the entry stub.
int32_t enter(uint32_t self, uint32_t entry);
}  // namespace x64

namespace interp {
uint32_t insn_bytes(const Insn& insn);
uint32_t translate(const std::vector<Insn>& ir, uint32_t dest);
int32_t run(uint32_t self, uint32_t entry);
}  // namespace interp

}  // namespace brain
