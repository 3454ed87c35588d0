// Compiling one brain text into the instruction list of ir.h. The list is
// left in state().work.ir; a back end then places it in the code area.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "brain/ir.h"

namespace brain {

struct BrainOptions {
  // Only lines ending in ") editor" produce calls; variables and temporary
  // results read as 0 (the virtual editor's view set-up).
  bool editor_mode = false;
  // Bytes the back end may still fill, and its size of one instruction.
  uint32_t code_room = UINT32_MAX;
  // (It depends on the opcode alone: the compiler asks it once per opcode.)
  uint32_t (*insn_bytes)(const Insn&) = nullptr;
};

// False with the error text (line prefix included where there is one) when
// the brain does not compile. String literals are appended to the string
// pool at state().strings_end.
bool compile_to_ir(std::string_view text, const BrainOptions& options, std::string& error);

}  // namespace brain
