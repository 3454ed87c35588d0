#include "brain/code_area.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "brain/backends.h"
#include "brain/errors.h"
#include "brain/gdb_jit.h"
#include "brain/statements.h"
#include "core/state.h"

namespace brain {

uint32_t code_base() { return core::state().pools.code.addr; }

const Handler* handler_table() {
  return reinterpret_cast<const Handler*>(core::state().pools.code.bytes() + kTableOffset);
}

int32_t clock_check(uint32_t) {
  State& s = state();
  if (s.halted) return kRunHalted;
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const int64_t now = int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
  // The clock starts at the first check of a run: a run that reaches it has
  // made a million jumps already.
  if (s.run_clock == 0) {
    s.run_clock = now;
    return kRunOk;
  }
  return now - s.run_clock > int64_t(s.time_limit_ms) * 1000000 ? kRunTimeout : kRunOk;
}

namespace {

uint32_t code_limit() {
  const core::Pool& code = core::state().pools.code;
  return code.addr + code.size - kFailureReserve;
}

bool native() { return state().code_backend == Backend::kNative; }

// Places a program at `at` (within `room` bytes); 0 when it does not fit.
uint32_t place(const Program& p, uint32_t at, uint32_t room) {
  const core::Pool& code = core::state().pools.code;
  if (native()) return x64::translate(p, at, code.bytes() + (at - code.addr), room);
  if (room < p.size * sizeof(Insn)) return 0;
  return interp::translate(p, at);
}

uint32_t place_return(uint32_t at) {
  const Insn ret{kRet, 0, 0, 0};
  return place(Program{&ret, 1, nullptr, 0}, at, sizeof(Insn));
}

}  // namespace

void begin_compile(Backend backend, uint32_t strings_used) {
  State& s = state();
  core::State& cs = core::state();
  s.code_ready = false;
  s.code_backend = backend;
  s.entries.clear();
  s.picking_needed = false;
  s.brain_error = false;
  s.halted = false;
  s.debug_shown = false;
  s.strings_end = std::min(strings_used, cs.pools.strings.size);
  s.literal_begin = s.literal_end = cs.pools.strings.addr + s.strings_end;
  gdb_jit_clear();
  cs.arena.make_writable(cs.pools.code);
  if (backend == Backend::kNative) x64::write_stubs();
  place_return(code_base() + kEmptyBrainOffset);
  // The interpreter calls the handlers; native code calls the routines
  // themselves, with the arguments each one takes.
  Handler* table = reinterpret_cast<Handler*>(cs.pools.code.bytes() + kTableOffset);
  for (int i = 0; i < kRowCount; ++i)
    table[i] = backend == Backend::kNative ? reinterpret_cast<Handler>(s.routines[i].address) : s.handlers[i];
  int32_t (*check)(uint32_t) = &clock_check;
  static_assert(sizeof check == sizeof(Handler));
  std::memcpy(&table[kRowCount], &check, sizeof check);
  s.code_end = code_base() + kHeaderBytes;
}

BrainResult fail_brain(std::string error) {
  State& s = state();
  BrainResult r;
  r.error = std::move(error);
  s.brain_error = true;
  const core::Pool& code = core::state().pools.code;
  if (code.addr + code.size - s.code_end < sizeof(Insn)) {
    r.entry = code_base() + kEmptyBrainOffset;  // the reserve is spent
  } else {
    r.entry = s.code_end;
    s.code_end += place_return(r.entry);
  }
  s.entries.push_back(r.entry);
  return r;
}

BrainResult compile_brain(std::string_view text, bool editor_mode, std::string_view name) {
  State& s = state();
  BrainOptions options;
  options.editor_mode = editor_mode;
  options.code_room = s.code_end < code_limit() ? code_limit() - s.code_end : 0;
  options.insn_bytes = native() ? &x64::insn_bytes : &interp::insn_bytes;
  const uint32_t strings = s.strings_end;
  std::string error;
  if (!compile_to_ir(text, options, error)) {
    s.strings_end = strings;  // drop the failed brain's literals
    return fail_brain(std::move(error));
  }
  const uint32_t bytes = place(program_of(s.work), s.code_end, options.code_room);
  if (bytes == 0) {
    s.strings_end = strings;
    return fail_brain(s.work.last_prefix + std::string(msg::kCodeAreaFull));
  }
  BrainResult r;
  r.ok = true;
  r.entry = s.code_end;
  s.code_end += bytes;
  s.picking_needed |= s.work.picks;
  s.entries.push_back(r.entry);
  if (native()) gdb_jit_add(r.entry, bytes, name);
  return r;
}

void end_compile() {
  State& s = state();
  core::State& cs = core::state();
  cs.arena.make_executable(cs.pools.code);
  std::sort(s.entries.begin(), s.entries.end());
  s.entries.erase(std::unique(s.entries.begin(), s.entries.end()), s.entries.end());
  s.literal_end = cs.pools.strings.addr + s.strings_end;
  s.code_ready = true;
  gdb_jit_publish();
}

}  // namespace brain
