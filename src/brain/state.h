// The brain subsystem's state: the handlers bound to the built-in table,
// the products of the last compile, the bookkeeping of running brains and
// the compiler's working memory.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/gdb_jit.h"
#include "brain/table.h"
#include "brain/workspace.h"
#include "core/pools.h"

namespace brain {

enum class Backend : uint8_t { kNative, kInterpreter };

#if defined(__x86_64__)
constexpr Backend kDefaultBackend = Backend::kNative;
#else
constexpr Backend kDefaultBackend = Backend::kInterpreter;
#endif

struct State {
  std::array<Handler, kRowCount> handlers = [] {
    std::array<Handler, kRowCount> h{};
    h.fill(&unbound_builtin);
    return h;
  }();
  // The routines behind the handlers, as the native back end calls them, and
  // the rows it may write in line (bind_inline).
  std::array<Routine, kRowCount> routines = [] {
    std::array<Routine, kRowCount> r{};
    r.fill(routine_of(&unbound_builtin));
    return r;
  }();
  std::array<bool, kRowCount> in_line{};
  Backend backend = kDefaultBackend;  // back end of the next compile

  // The code now in the code area.
  Backend code_backend = kDefaultBackend;
  bool code_ready = false;                             // the code area holds a finished compile
  uint32_t code_end = 0;                               // first free byte (address)
  std::vector<uint32_t> entries;                       // sorted entry addresses of compiled brains
  std::array<std::string, core::kElementCount> names;  // for run-time messages
  bool picking_needed = false;                         // some brain calls visual_picked
  bool brain_error = false;                            // some brain failed to compile
  uint32_t strings_end = 0;                            // bytes of the string pool in use
  uint32_t literal_begin = 0;                          // addresses of this compile's literals
  uint32_t literal_end = 0;

  // Running brains.
  int run_depth = 0;          // nested runs (execute)
  int64_t run_clock = 0;      // first clock check of the outermost run, ns
  bool run_reported = false;  // the outermost run already showed an error
  // A run-time error box ended the run: no brain runs and no further box is
  // shown until the next compile (one box, at most one watchdog wait).
  bool halted = false;
  uint32_t time_limit_ms = 10000;  // longest real time of one run
  // Shows a run-time error; the engine points it at its runtime error box
  // (which also ends the run). Unset: the platform error box.
  void (*runtime_error)(const std::string& text) = nullptr;

  // General built-ins.
  GeneralServices general;   // engine facts, filled by the shell
  int32_t debug_value = 0;   // last value given to debug
  bool debug_shown = false;  // debug was called in this run: frame drawing shows it
  int32_t push_depth = 0;    // entries on the push stack (0..128)
  int32_t task_pid = 0;      // last run_task child not yet reaped

  Workspace work;
  GdbJit jit;
};

State& state();

// The back end named on the command line ("native" or "interp"); false for
// another name, or for "native" on a host without the x86-64 generator.
bool select_backend(std::string_view name);

}  // namespace brain
