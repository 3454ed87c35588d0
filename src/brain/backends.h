// The two back ends that fill the code area: x86-64 machine code, and the
// portable interpreter's encoding behind the same calling interface. Each
// sizes an instruction (a fixed size for a given instruction), places a
// brain's instruction list at an address, and runs compiled code.
#pragma once

#include <cstdint>
#include <vector>

#include "brain/ir.h"

namespace brain {

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
