// Placing compiled brains in the code area. A compile runs as
// begin_compile, any number of compile_brain / fail_brain, end_compile;
// between begin and end the code area is writable and no brain may run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "brain/state.h"

namespace brain {

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
