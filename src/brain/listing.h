// A readable listing of one compiled brain, for reviewing what the compiler
// makes of it: every source line that produced code, the instructions of
// ir.h it became and, for the native back end, the machine code of each
// instruction with its bytes and assembly.
#pragma once

#include <string>
#include <string_view>

#include "brain/state.h"

namespace brain {

// Compiles `text` on its own (with the built-ins bound now) and lists it.
// A brain that does not compile lists its error. Runs outside any project
// compile: the code area is not touched.
std::string listing(std::string_view text, Backend backend);

// One instruction as the listing shows it.
std::string insn_text(const Insn& insn);

}  // namespace brain
