// Registration of compiled brains with gdb's JIT interface: each compile
// publishes one small in-memory ELF object that names every brain
// ("brain:<element name>") and describes its frames, so that a crash inside
// a brain or a built-in it called shows a readable backtrace.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brain {

// gdb's entry record (layout fixed by the debugger).
struct JitCodeEntry {
  JitCodeEntry* next = nullptr;
  JitCodeEntry* prev = nullptr;
  const char* symfile = nullptr;
  uint64_t symfile_size = 0;
};

struct GdbJit {
  struct Symbol {
    uint32_t addr, size;
    std::string name;
  };
  std::vector<Symbol> symbols;
  std::vector<uint8_t> image;
  JitCodeEntry entry;
  bool registered = false;
};

// Unregisters the previous compile's object and starts a new list.
void gdb_jit_clear();
void gdb_jit_add(uint32_t addr, uint32_t size, std::string_view name);
// Builds the object for the listed brains and registers it.
void gdb_jit_publish();
// The object last built (for tests).
const std::vector<uint8_t>& gdb_jit_image();

}  // namespace brain
