// The two back ends that fill the code area: x86-64 machine code, and the
// portable interpreter's encoding behind the same calling interface. Each
// places a brain's instruction list at an address, and runs compiled code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brain/ir.h"
#include "brain/workspace.h"

namespace brain {

// A compiled brain as the back ends take it: the instructions, and where
// each source line's code begins (for listings and the register heuristics).
struct Program {
  const Insn* ir = nullptr;
  size_t size = 0;
  const LineMark* lines = nullptr;
  size_t line_count = 0;
};
inline Program program_of(const Workspace& ws) {
  return {ws.ir.data(), ws.ir.size(), ws.lines.data(), ws.lines.size()};
}

// One machine instruction of a listing.
struct MachineLine {
  uint32_t addr;
  uint32_t size;
  std::string text;
};

namespace x64 {
// A typical size of one instruction's code, for the compiler's early check
// of the room left; translate() itself never writes past its limit.
uint32_t insn_bytes(const Insn& insn);
// Writes the run-time stubs at the start of the code area.
void write_stubs();
// Places a brain's code at `dest` (an address of the code area) into `out`,
// which stands for `dest`; at most `room` bytes. Returns the bytes written,
// or 0 when the code does not fit. With `listing`, every instruction is
// also written down, and `insn_addr` receives the address of each
// instruction's code (the address where it would be for dead code).
uint32_t translate(const Program& p, uint32_t dest, uint8_t* out, uint32_t room,
                   std::vector<MachineLine>* listing = nullptr, std::vector<uint32_t>* insn_addr = nullptr);
// Runs compiled code: self in EDI, entry called from the entry stub.
int32_t enter(uint32_t self, uint32_t entry);

// The entry stub's frame, for the debugger's unwind tables: from
// kFrameStart to kFrameEnd the caller's frame is at R14 + kFrameSize, with
// the callee-saved registers pushed below it; brain code runs with its
// return address into the stub just below R14.
constexpr uint32_t kFrameStart = 22;
constexpr uint32_t kFrameEnd = 49;
constexpr uint32_t kFrameSize = 4096 + 56;
}  // namespace x64

namespace interp {
uint32_t insn_bytes(const Insn& insn);
uint32_t translate(const Program& p, uint32_t dest);
int32_t run(uint32_t self, uint32_t entry);
}  // namespace interp

}  // namespace brain
