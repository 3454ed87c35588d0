// The x86-64 back end: the instruction list of ir.h becomes machine code in
// one pass, with values kept in registers while that is safe.
//
// Registers
// - RBX = the running element's state (variables are [rbx + offset]), kept
//   across calls; R12 = lowest stack pointer a gosub may use; R13D = jumps
//   left before the next clock check; R14 = the entry stub's frame, with
//   4096 bytes above it where temporaries are spilled ([r14 + 4 * number]).
// - Eleven registers hold values: RCX RSI RDI R8 R9 R10 R11 RBP R15 RDX RAX.
//   A register may hold a value the IR names (A, R1..R5), a temporary of
//   the statement that is read later, and copies of variables.
//
// Memory is always current. Every assignment stores its variable at once;
// a register only spares loading it again. The copies are dropped after a
// real call (which may write variables or run a brain) and after a gosub,
// and they meet at jump targets:
// - where only forward jumps and the fall-through arrive (if / else /
//   endif, forward gotos), the copies all paths agree on survive; the
//   fall-through moves its registers to match the jumps' where it can;
// - a loop head (a label a later goto jumps back to) chooses the
//   registers the loop reads first, loads them on entry, and every jump
//   back moves or loads its values into them before it jumps;
// - the target of a gosub starts from nothing.
// The run budget is counted at loop heads and gosubs; the clock-check stub
// saves every register it touches, so a check does not disturb the copies.
//
// Calls. A real call goes to the routine itself (bind.h, Routine), found
// in the handler table at the start of the code area (call [table + 8 *
// row]); the arguments go straight to the System V registers (RDI = self
// when the routine takes it). Rows the IR marks kInline are written as
// machine code here (table.h, InlineForm).
//
// Code shapes
// - A comparison whose only use is the next `if` is CMP + Jcc; an `if`
//   whose body is one goto is one conditional jump; constants are folded
//   and immediates used where they fit.
// - Division never traps: a zero divisor gives 2147483647 and -1 negates; a
//   constant divisor is a multiplication by its magic number.
// - Forward jumps are rel32 and patched once their target is placed; the
//   jumps inside one instruction's code use labels and rel8.
#include <algorithm>
#include <bit>
#include <cstring>

#include "brain/arith.h"
#include "brain/backends.h"
#include "brain/bind.h"
#include "brain/code_area.h"
#include "brain/state.h"
#include "brain/table.h"
#include "brain/x64_local.h"
#include "core/state.h"

namespace brain::x64 {

namespace {

constexpr uint32_t kEntryStub = 0;
constexpr uint32_t kCheckStub = 64;
constexpr uint32_t kOverflowStub = 128;
constexpr uint32_t kConstants = 256;  // 512.0 (for sqrt_512)
static_assert(kConstants + 8 <= kTableOffset && kEmptyBrainOffset < kConstants && kOverflowStub < kEmptyBrainOffset);

// Where the abort path of the entry stub is (set by write_stubs).
uint32_t g_abort_offset = 0;

constexpr Reg kPool[] = {rcx, rsi, rdi, r8, r9, r10, r11, rbp, r15, rdx, rax};
constexpr int kPoolSize = sizeof kPool / sizeof kPool[0];
constexpr Reg kArgRegs[6] = {rdi, rsi, rdx, rcx, r8, r9};
constexpr int kVarsPerReg = 4;
constexpr int kMaxHeadVars = 6;
constexpr int kHeadScan = 256;   // instructions a loop head looks ahead for the variables it reads
constexpr int kJoinScan = 24;    // ... and a join
constexpr int kNames = 6;        // A, R1..R5
constexpr uint8_t kBusy = 0x80;  // register refs: held by the code being written

uint32_t temp_addr(int32_t slot) { return core::state().pools.temp_slots.addr + 4u * static_cast<uint32_t>(slot); }
Mem cell(int32_t slot) { return absolute(temp_addr(slot)); }
Mem spill(int32_t slot) { return at(r14, 4 * slot); }
Mem word(int32_t offset) { return at(rbx, offset); }

// What a name (A, R1..R5) or a temporary stands for.
struct Val {
  enum Type : uint8_t { kNone, kConst, kReg, kVar, kCell, kElem, kSpill };
  Type type = kNone;
  Reg reg = rax;
  int32_t v = 0;  // constant, variable offset, cell or spill number, element distance
};
Val constant(int32_t v) { return {Val::kConst, rax, v}; }
Val in(Reg r) { return {Val::kReg, r, 0}; }

struct RegState {
  int16_t temp = -1;  // the temporary it holds for a later read
  uint8_t refs = 0;   // bit n: name n refers to it; kBusy
  uint8_t nvars = 0;
  uint8_t vars[kVarsPerReg] = {};  // words of the variables it holds
  uint32_t used = 0;               // when last used, for choosing what to drop
};

struct Cached {
  uint8_t word;
  Reg reg;
};
struct CacheState {
  int n = 0;
  Cached e[kPoolSize * kVarsPerReg];
};

// Kinds of jump target.
constexpr uint8_t kForward = 1, kBack = 2, kGosubTarget = 4;

struct Fix {
  uint32_t field;  // rel32 field
  uint32_t insn;   // target instruction
};
struct Cold {
  uint32_t field;   // rel32 field of the jump to the check
  uint32_t resume;  // address to go on at
};

// The translator's tables, kept between brains.
struct Scratch {
  std::vector<uint8_t> target;
  std::vector<int32_t> merge;  // per instruction: index into states, or -1
  std::vector<int32_t> head;   // per instruction: index into states of its head state, or -1
  std::vector<CacheState> states;
  std::vector<uint32_t> join_addr, head_addr;
  std::vector<uint32_t> back_end;  // per loop head: the last jump back to it
  std::vector<uint8_t> has_read;   // per producer: its temporary is read later
  std::vector<int16_t> store_word;
  std::vector<uint8_t> head_vars;  // per instruction kMaxHeadVars + 1 entries for loop heads
  std::vector<Fix> fixes;
  std::vector<Cold> colds;
  std::array<uint32_t, kTempSlots> last_producer;
  std::array<Val, kTempSlots> temps;
};
Scratch g_scratch;

Alu alu_of(BinOp op) {
  switch (op) {
    case BinOp::kSub: return kSub;
    case BinOp::kAdd: return kAdd;
    case BinOp::kOr: return kOr;
    case BinOp::kAnd: return kAnd;
    default: return kXor;
  }
}

Cond condition(BinOp op, bool mirrored) {
  switch (op) {
    case BinOp::kEq: return kE;
    case BinOp::kNe: return kNE;
    case BinOp::kLt: return mirrored ? kG : kL;
    case BinOp::kGt: return mirrored ? kL : kG;
    case BinOp::kLe: return mirrored ? kGE : kLE;
    default: return mirrored ? kLE : kGE;  // kGe
  }
}

// Signed division by a constant d with |d| >= 2 as multiply-high and shift
// (the magic-number method): q = hi(n * m) [+ n or - n], shifted right by
// `shift`, plus 1 when the quotient is negative.
struct Magic {
  int32_t m;
  int shift;
};
Magic magic(int32_t d) {
  const uint32_t two31 = 0x80000000u;
  const uint32_t ad = d < 0 ? 0u - uint32_t(d) : uint32_t(d);
  const uint32_t t = two31 + (uint32_t(d) >> 31);
  const uint32_t anc = t - 1 - t % ad;
  int p = 31;
  uint32_t q1 = two31 / anc, r1 = two31 - q1 * anc;
  uint32_t q2 = two31 / ad, r2 = two31 - q2 * ad, delta;
  do {
    ++p;
    q1 *= 2;
    r1 *= 2;
    if (r1 >= anc) {
      ++q1;
      r1 -= anc;
    }
    q2 *= 2;
    r2 *= 2;
    if (r2 >= ad) {
      ++q2;
      r2 -= ad;
    }
    delta = ad - r2;
  } while (q1 < delta || (q1 == delta && r1 == 0));
  const int32_t m = static_cast<int32_t>(q2 + 1);
  return {d < 0 ? neg32(m) : m, p - 32};
}

// Brains divide by the same few constants again and again: the last
// magic number of each of 16 places is kept.
Magic cached_magic(int32_t d) {
  struct Entry {
    int32_t d = 0;  // 0 is never a divisor here: nothing kept
    Magic m{};
  };
  static Entry kept[16];
  Entry& e = kept[static_cast<uint32_t>(d) & 15u];
  if (e.d != d) e = Entry{d, magic(d)};
  return e.m;
}

class Translator {
 public:
  Translator(const Program& p, Asm& a, std::vector<uint32_t>* insn_addr)
      : p_(p), a_(a), s_(g_scratch), insn_addr_(insn_addr) {}
  void run();

 private:
  // ---- analysis ----
  void analyse();
  void read_first(uint32_t t, size_t end, uint8_t* out) const;

  // ---- registers ----
  bool is_free(Reg r) const {
    const RegState& s = regs_[r];
    return s.temp < 0 && s.refs == 0 && s.nvars == 0;
  }
  void touch(Reg r) { regs_[r].used = ++stamp_; }
  void drop_vars(Reg r);
  void uncache(int w);
  void cache(int w, Reg r);
  void drop_all();
  void release(int name);
  void set_name(int name, Val v);
  // Marks a register held by the code being written (busy_ lists them, so
  // that unbusy visits only those).
  void busy(Reg r) {
    regs_[r].refs |= kBusy;
    busy_ |= bit(r);
  }
  void unbusy() {
    for (uint32_t m = busy_; m != 0; m &= m - 1) regs_[std::countr_zero(m)].refs &= static_cast<uint8_t>(~kBusy);
    busy_ = 0;
  }
  Reg alloc(uint32_t avoid = 0);
  void take(Reg r, uint32_t avoid = 0);
  Reg to_reg(Val v, uint32_t avoid = 0);
  Reg owned(Val v, int name, uint32_t avoid = 0);
  Val operand(Kind k, int32_t v);
  bool in_memory(const Val& v) const { return v.type == Val::kVar || v.type == Val::kCell || v.type == Val::kSpill; }
  Mem mem_of(const Val& v) const;
  void load_into(Reg d, Val v);

  // ---- instructions ----
  void load(const Insn& i);
  void binary(size_t q, const Insn& i);
  Val arith(BinOp op, Val left, Val right, bool neg_right, int name, bool fuse, Cond* cond);
  Val compare(BinOp op, Val left, Val right, bool neg_right, bool fuse, Cond* cond);
  Val divide(Val left, Val right, bool neg_right, int name);
  void alu_val(Alu op, Reg d, Val r);
  void result(size_t q, const Insn& i, Val res);
  void store(const Insn& i);
  void call(size_t q, const Insn& i);
  void in_line(size_t q, const Insn& i);
  void wrap_core(Reg v, Val lo, Val hi, Reg r, bool ordered, bool nonneg);
  Val random_draw();
  void branch(size_t q, const Insn& i);
  void jump_back(uint32_t t);
  void gosub(const Insn& i);

  // ---- control flow ----
  void snapshot(CacheState& out) const;
  void record_edge(uint32_t t);
  bool conform(const CacheState& target, bool may_load, bool dry_run, CacheState* kept,
               const uint8_t* loadable = nullptr);
  void enter_target(uint32_t t);
  uint32_t fix_to(uint32_t field, uint32_t t) {
    s_.fixes.push_back({field, t});
    return field;
  }
  std::string label(uint32_t t) const { return "L" + std::to_string(t); }

  const Program& p_;
  Asm& a_;
  Scratch& s_;
  std::vector<uint32_t>* insn_addr_;
  RegState regs_[kRegCount];
  int8_t var_reg_[256];
  Val names_[kNames];
  uint32_t stamp_ = 0;
  uint32_t busy_ = 0;  // registers that may be marked kBusy
  bool reachable_ = true;
  bool cond_pending_ = false;
  Cond pending_ = kNE;
  Reg flags_reg_ = rax;             // the register whose value the flags reflect...
  uint32_t flags_at_ = UINT32_MAX;  // ...when nothing was written after offset flags_at_
  int store_word_ = -1;             // the variable the current statement assigns
  bool skip_next_ = false;          // the next instruction was written with this one
};

// ---- analysis -----------------------------------------------------------------

void Translator::analyse() {
  const size_t n = p_.size;
  s_.target.assign(n + 1, 0);
  s_.merge.assign(n + 1, -1);
  s_.head.assign(n + 1, -1);
  s_.join_addr.assign(n + 1, 0);
  s_.head_addr.assign(n + 1, 0);
  s_.back_end.resize(n + 1);  // written below for every loop head, read only for those
  s_.has_read.assign(n + 1, 0);
  s_.store_word.assign(n + 1, -1);
  s_.states.clear();
  s_.fixes.clear();
  s_.colds.clear();
  // Through locals: the byte tables written here could alias anything.
  const Insn* const ir = p_.ir;
  uint8_t* const target = s_.target.data();
  uint8_t* const has_read = s_.has_read.data();
  uint32_t* const back_end = s_.back_end.data();
  uint32_t* const last_producer = s_.last_producer.data();
  for (size_t q = 0; q < n; ++q) {
    const Insn& i = ir[q];
    if (is_jump(i.op)) {
      const auto t = static_cast<uint32_t>(i.v);
      if (i.op == kGosub)
        target[t] |= kGosubTarget;
      else if (t > q)
        target[t] |= kForward;
      else {
        target[t] |= kBack;
        back_end[t] = static_cast<uint32_t>(q);
      }
    }
    if (reads_operand(i.op) && is_temp(kind_of(i.op))) has_read[last_producer[static_cast<size_t>(i.v)]] = 1;
    if (is_bin(i.op) || is_call(i.op)) last_producer[i.slot] = static_cast<uint32_t>(q);
  }
  // The variable each statement assigns, from the line marks.
  int16_t* const store_word = s_.store_word.data();
  for (size_t k = 0; k < p_.line_count; ++k) {
    const size_t begin = p_.lines[k].insn;
    const size_t end = k + 1 < p_.line_count ? p_.lines[k + 1].insn : n;
    if (end > begin && end <= n && ir[end - 1].op == kStoreVar) {
      const auto w = static_cast<int16_t>(ir[end - 1].v / 4);
      for (size_t q = begin; q < end; ++q) store_word[q] = w;
    }
  }
  s_.head_vars.resize((n + 1) * (kMaxHeadVars + 1));  // as back_end
  uint8_t* const head_vars = s_.head_vars.data();
  for (size_t t = 0; t < n; ++t)
    if (target[t] & kBack) read_first(static_cast<uint32_t>(t), back_end[t], &head_vars[t * (kMaxHeadVars + 1)]);
}

// The variables the code from t on (up to `end`) reads before it writes
// them, before anything that drops the registers: at a loop head those are
// worth having in registers, at a join worth loading on the way in.
// out[0] is the count.
void Translator::read_first(uint32_t t, size_t end, uint8_t* out) const {
  uint64_t seen[4] = {};  // the words written or listed so far
  const auto mark = [&seen](int w) {
    const bool was = (seen[(w >> 6) & 3] >> (w & 63)) & 1u;
    seen[(w >> 6) & 3] |= uint64_t(1) << (w & 63);
    return was;
  };
  int nwritten = 0;
  int count = 0;  // (kept here, not in out[0]: a byte store would make every read go to memory again)
  const Insn* const ir = p_.ir;
  end = std::min<size_t>({end, t + kHeadScan, p_.size - 1});
  for (size_t q = t; q <= end && count < kMaxHeadVars; ++q) {
    const Insn& i = ir[q];
    if (i.op == kCall || i.op == kGosub || i.op == kRet) break;
    if (reads_operand(i.op) && is_var(kind_of(i.op))) {
      const int w = i.v / 4;
      if (!mark(w)) out[1 + count++] = static_cast<uint8_t>(w);
    }
    if (i.op == kStoreVar) {
      if (nwritten == kMaxHeadVars * 2) break;  // enough seen
      ++nwritten;
      mark(i.v / 4);
    }
  }
  out[0] = static_cast<uint8_t>(count);
}

// ---- registers ------------------------------------------------------------------

void Translator::drop_vars(Reg r) {
  RegState& s = regs_[r];
  for (int k = 0; k < s.nvars; ++k) var_reg_[s.vars[k]] = -1;
  s.nvars = 0;
}

void Translator::uncache(int w) {
  const int r = var_reg_[w];
  if (r < 0) return;
  RegState& s = regs_[r];
  for (int k = 0; k < s.nvars; ++k)
    if (s.vars[k] == w) {
      s.vars[k] = s.vars[--s.nvars];
      break;
    }
  var_reg_[w] = -1;
}

void Translator::cache(int w, Reg r) {
  uncache(w);
  RegState& s = regs_[r];
  if (s.nvars == kVarsPerReg) {
    var_reg_[s.vars[0]] = -1;
    s.vars[0] = s.vars[--s.nvars];
  }
  s.vars[s.nvars++] = static_cast<uint8_t>(w);
  var_reg_[w] = static_cast<int8_t>(r);
  touch(r);
}

void Translator::drop_all() {
  for (RegState& s : regs_) s = RegState{};
  std::memset(var_reg_, -1, sizeof var_reg_);
  for (Val& v : names_) v = Val{};
  cond_pending_ = false;
}

void Translator::release(int name) {
  Val& v = names_[name];
  if (v.type == Val::kReg) regs_[v.reg].refs &= static_cast<uint8_t>(~(1u << name));
  v = Val{};
}

void Translator::set_name(int name, Val v) {
  release(name);
  names_[name] = v;
  if (v.type == Val::kReg) regs_[v.reg].refs |= static_cast<uint8_t>(1u << name);
}

// A register for a new value: a free one, else one that only holds copies
// of variables (the least recently used), else one whose temporary goes to
// its spill cell. The names and the code being written never hold more
// than ten registers, so one of these is always there.
Reg Translator::alloc(uint32_t avoid) {
  for (Reg r : kPool)
    if (!(avoid & bit(r)) && is_free(r)) return r;
  int best = -1;
  for (Reg r : kPool)
    if (!(avoid & bit(r)) && regs_[r].temp < 0 && regs_[r].refs == 0 && (best < 0 || regs_[r].used < regs_[best].used))
      best = r;
  if (best >= 0) {
    drop_vars(static_cast<Reg>(best));
    return static_cast<Reg>(best);
  }
  for (Reg r : kPool)
    if (!(avoid & bit(r)) && regs_[r].refs == 0) {
      const int16_t t = regs_[r].temp;
      a_.mov(spill(t), r);
      s_.temps[static_cast<size_t>(t)] = Val{Val::kSpill, rax, t};
      regs_[r].temp = -1;
      drop_vars(r);
      return r;
    }
  __builtin_trap();
}

// Empties a register that an instruction needs for itself, moving what it
// holds for later to another one, not one of `avoid` (the other registers
// the instruction needs).
void Translator::take(Reg r, uint32_t avoid) {
  RegState& s = regs_[r];
  if (s.refs == 0 && s.temp < 0) {
    drop_vars(r);
    return;
  }
  const Reg n = alloc(bit(r) | avoid);
  a_.mov(n, r);
  regs_[n] = s;
  if (s.refs & kBusy) busy_ |= bit(n);
  for (int k = 0; k < s.nvars; ++k) var_reg_[s.vars[k]] = static_cast<int8_t>(n);
  for (Val& v : names_)
    if (v.type == Val::kReg && v.reg == r) v.reg = n;
  if (s.temp >= 0) s_.temps[static_cast<size_t>(s.temp)].reg = n;
  s = RegState{};
}

Mem Translator::mem_of(const Val& v) const {
  switch (v.type) {
    case Val::kVar: return word(v.v);
    case Val::kCell: return cell(v.v);
    default: return spill(v.v);
  }
}

// A register that holds the value (perhaps shared with variables or a
// name); marked busy until the instruction is written.
Reg Translator::to_reg(Val v, uint32_t avoid) {
  Reg r;
  switch (v.type) {
    case Val::kReg: r = v.reg; break;
    case Val::kVar:
      if (var_reg_[v.v / 4] >= 0) {
        r = static_cast<Reg>(var_reg_[v.v / 4]);
        touch(r);
        break;
      }
      r = alloc(avoid);
      a_.mov(r, word(v.v));
      cache(v.v / 4, r);
      break;
    case Val::kElem:
      r = alloc(avoid);
      a_.lea(r, word(v.v));
      break;
    case Val::kCell:
    case Val::kSpill:
      r = alloc(avoid);
      a_.mov(r, mem_of(v));
      break;
    default: r = alloc(avoid); a_.mov(r, v.v);
  }
  busy(r);
  return r;
}

// A register holding the value that may be overwritten: the value's own
// register when nothing else needs it (copies of the variable the
// statement assigns may go), else a fresh one.
Reg Translator::owned(Val v, int name, uint32_t avoid) {
  if (v.type == Val::kVar && var_reg_[v.v / 4] >= 0) v = in(static_cast<Reg>(var_reg_[v.v / 4]));
  if (v.type == Val::kReg) {
    RegState& s = regs_[v.reg];
    const uint8_t others = s.refs & static_cast<uint8_t>(~(name >= 0 ? 1u << name : 0u));
    bool vars_ok = true;
    for (int k = 0; k < s.nvars; ++k) vars_ok &= s.vars[k] == store_word_;
    if (others == 0 && s.temp < 0 && vars_ok && !(avoid & bit(v.reg))) {
      drop_vars(v.reg);
      busy(v.reg);
      return v.reg;
    }
    const Reg n = alloc(avoid | bit(v.reg));
    a_.mov(n, v.reg);
    busy(n);
    return n;
  }
  const Reg n = alloc(avoid);
  load_into(n, v);
  busy(n);
  return n;
}

// Writes the value into a given register (no copies recorded).
void Translator::load_into(Reg d, Val v) {
  switch (v.type) {
    case Val::kReg:
      if (v.reg != d) a_.mov(d, v.reg);
      return;
    case Val::kVar:
      if (var_reg_[v.v / 4] >= 0)
        a_.mov(d, static_cast<Reg>(var_reg_[v.v / 4]));
      else
        a_.mov(d, word(v.v));
      return;
    case Val::kElem: a_.lea(d, word(v.v)); return;
    case Val::kCell:
    case Val::kSpill: a_.mov(d, mem_of(v)); return;
    default: a_.mov(d, v.v);
  }
}

// The value of an operand (negation is the caller's): a temporary is
// consumed by its one read.
Val Translator::operand(Kind k, int32_t v) {
  switch (k) {
    case Kind::kConst: return constant(v);
    case Kind::kVar:
    case Kind::kVarNeg:
      if (var_reg_[v / 4] >= 0) {
        touch(static_cast<Reg>(var_reg_[v / 4]));
        return in(static_cast<Reg>(var_reg_[v / 4]));
      }
      return Val{Val::kVar, rax, v};
    case Kind::kTemp:
    case Kind::kTempNeg: {
      Val& t = s_.temps[static_cast<size_t>(v)];
      const Val out = t;
      if (t.type == Val::kReg) {
        regs_[t.reg].temp = -1;
        busy(t.reg);  // until this instruction is written
      }
      t = Val{};
      return out;
    }
    case Kind::kCell:
    case Kind::kCellNeg: return Val{Val::kCell, rax, v};
    default: return Val{Val::kElem, rax, v};
  }
}

// ---- expressions ------------------------------------------------------------------

void Translator::load(const Insn& i) {
  const Kind k = kind_of(i.op);
  Val v = operand(k, i.v);
  if (is_negated(k)) {
    if (v.type == Val::kConst) {
      v.v = neg32(v.v);
    } else {
      const Reg r = owned(v, -1);
      a_.neg(r);
      v = in(r);
    }
  }
  set_name(i.a, v);
}

// d op= the value, as an immediate, a register or memory.
void Translator::alu_val(Alu op, Reg d, Val r) {
  if (r.type == Val::kConst)
    a_.alu(op, d, r.v);
  else if (r.type == Val::kReg)
    a_.alu(op, d, r.reg);
  else if (in_memory(r))
    a_.alu(op, d, mem_of(r));
  else
    a_.alu(op, d, to_reg(r));
}

Val Translator::compare(BinOp op, Val left, Val right, bool neg_right, bool fuse, Cond* cond) {
  const Cond cc = condition(op, neg_right);
  if (neg_right) {
    const Reg l = owned(left, 0, right.type == Val::kReg ? bit(right.reg) : 0);
    a_.neg(l);
    left = in(l);
  }
  if (right.type == Val::kElem) right = in(to_reg(right));
  if (left.type == Val::kConst || left.type == Val::kElem || (in_memory(left) && in_memory(right)))
    left = in(to_reg(left));
  const Reg res = fuse ? rax : alloc();
  if (!fuse) busy(res);
  if (left.type == Val::kReg) {
    alu_val(kCmp, left.reg, right);
  } else if (right.type == Val::kConst) {
    a_.alu(kCmp, mem_of(left), right.v);
  } else {
    a_.alu(kCmp, mem_of(left), right.reg);
  }
  if (fuse) {
    *cond = cc;
    return Val{};
  }
  a_.setcc(cc, res);
  a_.movzx8(res, res);
  return in(res);
}

Val Translator::divide(Val left, Val right, bool neg_right, int name) {
  if (right.type == Val::kConst) {
    const int32_t d = neg_right ? neg32(right.v) : right.v;
    if (d == 0) return constant(2147483647);
    if (d == 1) return in(to_reg(left));
    const Reg n = left.type == Val::kReg ? left.reg : to_reg(left);
    busy(n);
    if (d == -1) {
      const Reg r = owned(in(n), name);
      a_.neg(r);
      return in(r);
    }
    const Magic mg = cached_magic(d);
    const Reg t = alloc();
    busy(t);
    const Reg u = alloc();
    busy(u);
    a_.movsxd(t, n);
    a_.imul64(t, t, mg.m);
    a_.shift64(kSar, t, 32);  // t = hi(n * m)
    if (d > 0 && mg.m < 0) a_.alu(kAdd, t, n);
    if (d < 0 && mg.m > 0) a_.alu(kSub, t, n);
    if (mg.shift > 0) a_.shift(kSar, t, mg.shift);
    a_.mov(u, t);
    a_.shift(kShr, u, 31);
    a_.alu(kAdd, t, u);
    return in(t);
  }
  // EAX / divisor without traps.
  const Reg dv = alloc(bit(rax) | bit(rdx));
  load_into(dv, right);
  busy(dv);
  if (neg_right) a_.neg(dv);
  take(rax, bit(rdx));
  take(rdx, bit(rax));
  busy(rax);
  busy(rdx);
  load_into(rax, name >= 0 ? names_[name] : left);  // where take() left it
  Label zero, minus, done;
  a_.test(dv, dv);
  a_.jcc(kE, zero);
  a_.alu(kCmp, dv, -1);
  a_.jcc(kE, minus);
  a_.cdq();
  a_.idiv(dv);
  a_.jmp(done);
  a_.bind(minus);
  a_.neg(rax);
  a_.jmp(done);
  a_.bind(zero);
  a_.mov(rax, 2147483647);
  a_.bind(done);
  return in(rax);
}

// left op right for the arithmetic and comparison operators; `name` is the
// name `left` came from (it may be overwritten), -1 for none.
Val Translator::arith(BinOp op, Val left, Val right, bool neg_right, int name, bool fuse, Cond* cond) {
  if (left.type == Val::kConst && right.type == Val::kConst) return constant(apply(op, left.v, right.v, neg_right));
  if (is_comparison(op)) return compare(op, left, right, neg_right, fuse, cond);
  if (right.type == Val::kConst && neg_right) {  // a op -c is a op c' for the arithmetic
    right.v = neg32(right.v);
    neg_right = false;
  }
  if (op == BinOp::kDiv) return divide(left, right, neg_right, name);
  // x op x: the right operand must outlive the left one's change.
  const uint32_t keep = right.type == Val::kReg ? bit(right.reg) : 0;
  if (op == BinOp::kMul) {
    Reg res;
    if (right.type == Val::kConst) {
      res = alloc();
      if (left.type == Val::kReg)
        a_.imul(res, left.reg, right.v);
      else if (in_memory(left) && !(left.type == Val::kVar && var_reg_[left.v / 4] >= 0))
        a_.imul(res, mem_of(left), right.v);
      else
        a_.imul(res, to_reg(left), right.v);
    } else {
      res = owned(left, name, keep);
      if (right.type == Val::kReg)
        a_.imul(res, right.reg);
      else if (in_memory(right))
        a_.imul(res, mem_of(right));
      else
        a_.imul(res, to_reg(right));
    }
    busy(res);
    if (neg_right) a_.neg(res);
    return in(res);
  }
  Alu alu = alu_of(op);
  if (neg_right) {
    if (alu == kAdd || alu == kSub) {
      alu = alu == kAdd ? kSub : kAdd;
    } else {
      const Reg r = owned(right, -1);
      a_.neg(r);
      right = in(r);
    }
  }
  if (right.type == Val::kConst && alu != kXor && alu != kOr && alu != kAnd && left.type == Val::kReg) {
    // Adding a constant to a register that must stay: one LEA.
    const RegState& s = regs_[left.reg];
    bool vars_ok = true;
    for (int k = 0; k < s.nvars; ++k) vars_ok &= s.vars[k] == store_word_;
    const uint8_t others = s.refs & static_cast<uint8_t>(~(name >= 0 ? 1u << name : 0u));
    if (others != 0 || s.temp >= 0 || !vars_ok) {
      const Reg res = alloc(bit(left.reg));
      busy(res);
      a_.lea(res, at(left.reg, alu == kAdd ? right.v : neg32(right.v)));
      return in(res);
    }
  }
  const Reg res = owned(left, name, keep);
  alu_val(alu, res, right);
  flags_reg_ = res;
  flags_at_ = a_.offset();
  return in(res);
}

void Translator::binary(size_t q, const Insn& i) {
  const BinOp op = binop_of(i.op);
  const Kind k = kind_of(i.op);
  const Val right = operand(k, i.v);
  const bool fuse = is_comparison(op) && q + 1 < p_.size && p_.ir[q + 1].op == kJz && !published(i) &&
                    !s_.has_read[q] && s_.target[q + 1] == 0;
  Cond cond = kNE;
  const Val res = arith(op, names_[0], right, is_negated(k), 0, fuse, &cond);
  if (fuse && res.type == Val::kNone) {
    release(0);
    cond_pending_ = true;
    pending_ = cond;
    return;
  }
  result(q, i, res);
}

void Translator::result(size_t q, const Insn& i, Val res) {
  set_name(0, res);
  if (published(i)) {
    if (res.type == Val::kConst)
      a_.mov(cell(i.slot), res.v);
    else
      a_.mov(cell(i.slot), res.reg);
  }
  if (s_.has_read[q]) {
    s_.temps[i.slot] = res;
    if (res.type == Val::kReg) regs_[res.reg].temp = static_cast<int16_t>(i.slot);
  }
}

void Translator::store(const Insn& i) {
  const int w = i.v / 4;
  const Val v = names_[0];
  if (v.type == Val::kConst) {
    a_.mov(word(i.v), v.v);
    uncache(w);
  } else {
    const Reg r = to_reg(v);
    a_.mov(word(i.v), r);
    cache(w, r);
  }
  release(0);
}

// ---- calls ------------------------------------------------------------------------

void Translator::call(size_t q, const Insn& i) {
  const Routine rt = routine_at(i.v);
  const int count = std::min<int>(argc_of(i), rt.args);
  struct Move {
    Reg dst;
    Val src;
    bool done;
  } moves[6];
  int n = 0;
  for (int k = 0; k < count; ++k) {
    Val v = names_[k + 1];
    if (v.type == Val::kVar && var_reg_[v.v / 4] >= 0) v = in(static_cast<Reg>(var_reg_[v.v / 4]));
    moves[n++] = {kArgRegs[k + (rt.self ? 1 : 0)], v, false};
  }
  if (rt.self) moves[n++] = {rdi, in(rbx), false};
  // Register to register first, in an order that overwrites no pending
  // source; a cycle turns into exchanges.
  for (;;) {
    bool left = false, progress = false;
    for (int k = 0; k < n; ++k) {
      Move& m = moves[k];
      if (m.done || m.src.type != Val::kReg) continue;
      if (m.src.reg == m.dst) {
        m.done = true;
        continue;
      }
      bool blocked = false;
      for (int j = 0; j < n; ++j)
        blocked |= j != k && !moves[j].done && moves[j].src.type == Val::kReg && moves[j].src.reg == m.dst;
      if (blocked) {
        left = true;
        continue;
      }
      a_.mov(m.dst, m.src.reg);
      m.done = progress = true;
    }
    if (!left) break;
    if (!progress)
      for (int k = 0; k < n; ++k) {
        Move& m = moves[k];
        if (m.done || m.src.type != Val::kReg) continue;
        a_.xchg(m.dst, m.src.reg);
        m.done = true;
        for (int j = 0; j < n; ++j) {
          Val& s = moves[j].src;
          if (moves[j].done || s.type != Val::kReg) continue;
          if (s.reg == m.dst)
            s.reg = m.src.reg;
          else if (s.reg == m.src.reg)
            s.reg = m.dst;
        }
        break;
      }
  }
  for (int k = 0; k < n; ++k)
    if (!moves[k].done) load_into(moves[k].dst, moves[k].src);
  a_.call(absolute(table_slot(i.v)));
  drop_all();
  result(q, i, in(rax));
}

// r = the wrap rule applied to v, in 32-bit unsigned arithmetic (as
// core::wrap_into_range). lo and hi are registers or constants; `ordered`
// when lo < hi is known, `nonneg` when v >= 0 is. EAX and EDX must be free.
// Every register is chosen before the first branch, so that no spill lands
// in one path only.
void Translator::wrap_core(Reg v, Val lo, Val hi, Reg r, bool ordered, bool nonneg) {
  Label below(true), zero(true), done(true);
  const bool fixed_n = lo.type == Val::kConst && hi.type == Val::kConst;
  const uint32_t n = fixed_n ? static_cast<uint32_t>(hi.v) - static_cast<uint32_t>(lo.v) + 1u : 0;
  auto mov_r = [&](Val x) {
    if (x.type == Val::kConst)
      a_.mov(r, x.v);
    else
      a_.mov(r, x.reg);
  };
  auto op = [&](Alu o, Reg d, Val x) {
    if (x.type == Val::kConst)
      a_.alu(o, d, x.v);
    else
      a_.alu(o, d, x.reg);
  };
  // edx = eax mod n
  auto mod = [&] {
    if (fixed_n && (n & (n - 1)) == 0) {
      a_.mov(rdx, rax);
      a_.alu(kAnd, rdx, static_cast<int32_t>(n - 1));
    } else if (fixed_n) {  // by multiplication: ((M * x mod 2^64) * n) >> 64, M = ceil(2^64 / n)
      a_.mov64(rdx, ~uint64_t{0} / n + 1);
      a_.imul64(rdx, rax);
      a_.mov64(rax, rdx);
      a_.mov(rdx, static_cast<int32_t>(n));
      a_.mul64(rdx);
    } else {
      mov_r(hi);
      op(kSub, r, lo);
      a_.inc(r);
      a_.alu(kXor, rdx, rdx);
      a_.div(r);
    }
  };
  if (!ordered) {
    mov_r(hi);
    op(kCmp, lo.reg, hi);
    a_.jcc(kGE, done);  // lo >= hi: hi
  }
  a_.mov(r, v);
  if (!(nonneg && lo.type == Val::kConst && lo.v <= 0)) {
    op(kCmp, v, lo);
    a_.jcc(kL, below);
  }
  op(kCmp, v, hi);
  a_.jcc(kLE, done);  // inside
  a_.mov(rax, v);     // above: lo + (v - hi - 1) mod n
  op(kSub, rax, hi);
  a_.dec(rax);
  mod();
  mov_r(lo);
  a_.alu(kAdd, r, rdx);
  a_.jmp(done);
  a_.bind(below);  // below: lo + (n - (lo - v) mod n) mod n
  if (lo.type == Val::kConst)
    a_.mov(rax, lo.v);
  else
    a_.mov(rax, lo.reg);
  a_.alu(kSub, rax, v);
  mod();
  a_.test(rdx, rdx);
  a_.jcc(kE, zero);
  if (fixed_n) {
    a_.mov(r, static_cast<int32_t>(n));
  } else {
    mov_r(hi);
    op(kSub, r, lo);
    a_.inc(r);
  }
  a_.alu(kSub, r, rdx);
  op(kAdd, r, lo);
  a_.jmp(done);
  a_.bind(zero);
  mov_r(lo);
  a_.bind(done);
}

// random(a, b) as core::random_number on the ordered pair: the position in
// random.bin advances, a word of the table and the pump count make the
// draw, and the draw is wrapped into the range.
Val Translator::random_draw() {
  const Val a1 = names_[1], a2 = names_[2];
  const bool known = a1.type == Val::kConst && a2.type == Val::kConst;
  if (known && a1.v == a2.v) return a1;  // nothing drawn
  take(rax, bit(rdx));
  take(rdx, bit(rax));
  busy(rax);
  busy(rdx);
  const uint32_t fixed = bit(rax) | bit(rdx);
  Val lo, hi;
  if (known) {
    lo = constant(std::min(a1.v, a2.v));
    hi = constant(std::max(a1.v, a2.v));
  } else {
    const Reg a = to_reg(names_[1], fixed), b = to_reg(names_[2], fixed);
    lo = in(alloc(fixed));
    busy(lo.reg);
    hi = in(alloc(fixed));
    busy(hi.reg);
    a_.mov(lo.reg, a);
    a_.mov(hi.reg, b);
    a_.alu(kCmp, a, b);
    a_.cmov(kG, lo.reg, b);
    a_.cmov(kG, hi.reg, a);
  }
  const Reg p = alloc(fixed);
  busy(p);
  const Reg t = alloc(fixed);
  busy(t);
  const Reg r = alloc(fixed);
  busy(r);
  core::State& cs = core::state();
  const auto pos_addr = reinterpret_cast<uint64_t>(&cs.random_pos);
  const auto pump_disp = static_cast<int32_t>(reinterpret_cast<uint64_t>(&cs.pump_count) - pos_addr);
  Label keep, same(true), done(true);
  if (!known) {
    a_.alu(kCmp, lo.reg, hi.reg);
    a_.jcc(kGE, same);
  }
  a_.mov64(p, pos_addr);
  a_.mov(t, at(p, 0));  // position: 1 after 0 or 1996 and above, else one on
  a_.lea(rax, at(t, -1));
  a_.inc(t);
  a_.alu(kCmp, rax, 1995);
  a_.jcc(kB, keep);
  a_.mov(t, 1);
  a_.bind(keep);
  a_.mov(at(p, 0), t);
  a_.mov(rax, at(t, static_cast<int32_t>(cs.pools.random.addr)));  // the table's word there
  a_.mov(rdx, at(p, pump_disp));
  a_.imul(rdx, rdx, 65537);
  a_.alu(kAdd, rdx, rax);
  a_.shift(kShr, rdx, 1);
  a_.mov(t, rdx);
  wrap_core(t, lo, hi, r, true, true);
  if (!known) {
    a_.jmp(done);
    a_.bind(same);
    a_.mov(r, lo.reg);
    a_.bind(done);
  }
  return in(r);
}

void Translator::in_line(size_t q, const Insn& i) {
  const InlineForm f = inline_form(i.v);
  const Val a1 = names_[1], a2 = names_[2], a3 = names_[3];
  const bool all_const = a1.type == Val::kConst && (argc_of(i) < 2 || a2.type == Val::kConst) &&
                         (argc_of(i) < 3 || a3.type == Val::kConst);
  Val res;
  if (all_const && f.kind != InlineKind::kRandom && !is_word_form(f.kind)) {
    const int32_t args[3] = {a1.v, a2.v, a3.v};
    res = constant(pure_value(f.kind, args));
  } else {
    switch (f.kind) {
      case InlineKind::kAbs: {
        const Reg v = to_reg(a1);
        const Reg r = alloc();
        busy(r);
        a_.mov(r, v);
        a_.neg(r);
        a_.cmov(kS, r, v);
        res = in(r);
        break;
      }
      case InlineKind::kSum: res = arith(BinOp::kAdd, a1, a2, false, 1, false, nullptr); break;
      case InlineKind::kSubtract: res = arith(BinOp::kSub, a1, a2, false, 1, false, nullptr); break;
      case InlineKind::kMultiply: res = arith(BinOp::kMul, a1, a2, false, 1, false, nullptr); break;
      case InlineKind::kDivide: res = arith(BinOp::kDiv, a1, a2, false, 1, false, nullptr); break;
      case InlineKind::kLimit: {
        const Reg v = to_reg(a1), lo = to_reg(a2), hi = to_reg(a3);
        const Reg r = alloc();
        busy(r);
        a_.mov(r, v);
        a_.alu(kCmp, v, hi);
        a_.cmov(kGE, r, hi);
        a_.alu(kCmp, v, lo);
        a_.cmov(kL, r, lo);
        res = in(r);
        break;
      }
      case InlineKind::kBetween: {
        const Reg v = to_reg(a1);
        // Registers first: nothing may be chosen between the branches.
        const Val lo = a2.type == Val::kElem ? in(to_reg(a2)) : a2;
        const Val hi = a3.type == Val::kElem ? in(to_reg(a3)) : a3;
        const Reg r = alloc();
        busy(r);
        Label done;
        a_.mov(r, 0);
        alu_val(kCmp, v, lo);
        a_.jcc(kL, done);
        alu_val(kCmp, v, hi);
        a_.jcc(kG, done);
        a_.mov(r, -1);
        a_.bind(done);
        res = in(r);
        break;
      }
      case InlineKind::kWrap: {
        if (a2.type == Val::kConst && a3.type == Val::kConst && a2.v >= a3.v) {
          res = a3;  // lo >= hi: hi, whatever the value
          break;
        }
        take(rax, bit(rdx));
        take(rdx, bit(rax));
        busy(rax);
        busy(rdx);
        const uint32_t fixed = bit(rax) | bit(rdx);
        const Reg v = to_reg(names_[1], fixed);
        const bool known = names_[2].type == Val::kConst && names_[3].type == Val::kConst;
        const Val lo = known ? names_[2] : in(to_reg(names_[2], fixed));
        const Val hi = known ? names_[3] : in(to_reg(names_[3], fixed));
        const Reg r = alloc(fixed);
        busy(r);
        wrap_core(v, lo, hi, r, known, false);
        res = in(r);
        break;
      }
      case InlineKind::kFactor512: {
        const Reg low = alloc();
        busy(low);
        if (a2.type == Val::kConst) {
          a_.imul(low, to_reg(a1), a2.v);
        } else if (a1.type == Val::kConst) {
          a_.imul(low, to_reg(a2), a1.v);
        } else {
          load_into(low, a1);
          if (a2.type == Val::kReg)
            a_.imul(low, a2.reg);
          else if (in_memory(a2))
            a_.imul(low, mem_of(a2));
          else
            a_.imul(low, to_reg(a2));
        }
        const Reg r = alloc();
        busy(r);
        a_.mov(r, low);
        a_.shift(kSar, r, 9);
        a_.alu(kAdd, low, 511);  // low in -511..-1 reads 0, not -1
        a_.alu(kCmp, low, 511);
        a_.alu(kSbb, low, low);
        a_.not_(low);
        a_.alu(kAnd, r, low);
        res = in(r);
        break;
      }
      case InlineKind::kSqrt512: {
        const Reg x = to_reg(a1);
        const Reg r = alloc();
        busy(r);
        Label done;
        a_.mov(r, static_cast<int32_t>(0x80000000u));
        a_.test(x, x);
        a_.jcc(kS, done);
        a_.xorps_xmm0();
        a_.cvtsi2sd_xmm0(x);
        a_.sqrtsd_xmm0();
        a_.mulsd_xmm0(absolute(code_base() + kConstants));
        a_.cvtsd2si(r);
        a_.bind(done);
        res = in(r);
        break;
      }
      case InlineKind::kRandom: res = random_draw(); break;
      case InlineKind::kWordGet: {
        const Reg r = alloc();
        busy(r);
        a_.mov(r, word(4 * f.word));
        res = in(r);
        break;
      }
      case InlineKind::kWordSet:
      case InlineKind::kWordAdd: {
        const Val v = a2;
        if (f.kind == InlineKind::kWordSet) {
          if (v.type == Val::kConst)
            a_.mov(word(4 * f.word), v.v);
          else
            a_.mov(word(4 * f.word), to_reg(v));
        } else {
          if (v.type == Val::kConst)
            a_.alu(kAdd, word(4 * f.word), v.v);
          else
            a_.alu(kAdd, word(4 * f.word), to_reg(v));
        }
        res = constant(0);
        break;
      }
      case InlineKind::kNone: __builtin_trap();
    }
  }
  for (int k = 1; k < kNames; ++k) release(k);
  result(q, i, res);
}

// ---- control flow ------------------------------------------------------------------

void Translator::snapshot(CacheState& out) const {
  out.n = 0;
  for (Reg r : kPool) {
    const RegState& s = regs_[r];
    for (int k = 0; k < s.nvars; ++k) out.e[out.n++] = Cached{s.vars[k], r};
  }
}

// The state a forward jump takes to its target: the copies every jump so
// far agrees on.
void Translator::record_edge(uint32_t t) {
  int32_t& m = s_.merge[t];
  if (m < 0) {
    m = static_cast<int32_t>(s_.states.size());
    s_.states.emplace_back();
    snapshot(s_.states.back());
    return;
  }
  CacheState& st = s_.states[static_cast<size_t>(m)];
  int kept = 0;
  for (int k = 0; k < st.n; ++k)
    if (var_reg_[st.e[k].word] == st.e[k].reg) st.e[kept++] = st.e[k];
  st.n = kept;
}

// Moves (and with `may_load` loads) the copies into the registers `target`
// has them in; what cannot be had is left out of `kept`. Afterwards the
// state is exactly `kept`. A dry run only tells whether any code is needed.
bool Translator::conform(const CacheState& target, bool may_load, bool dry_run, CacheState* kept,
                         const uint8_t* loadable) {
  struct Move {
    Reg dst;
    int src;  // register, or -1: load the word
    int word;
    bool done;
  } moves[kPoolSize * kVarsPerReg];
  int n = 0;
  bool code = false;
  CacheState out;
  for (int k = 0; k < target.n; ++k) {
    const Cached& c = target.e[k];
    const int src = var_reg_[c.word];
    if (src < 0 && !may_load) continue;
    if (src < 0 && loadable) {
      bool listed = false;
      for (int j = 0; j < loadable[0]; ++j) listed |= loadable[1 + j] == c.word;
      if (!listed) continue;
    }
    // Another copy already goes to this register: it must be the same value.
    int same = -1;
    for (int j = 0; j < n; ++j)
      if (moves[j].dst == c.reg) same = j;
    if (same >= 0) {
      if (src < 0 || moves[same].src != src) continue;
    } else {
      moves[n++] = {c.reg, src, c.word, false};
      code |= src != c.reg;
    }
    out.e[out.n++] = c;
  }
  if (dry_run) return code;
  for (;;) {
    bool left = false, progress = false;
    for (int k = 0; k < n; ++k) {
      Move& m = moves[k];
      if (m.done || m.src < 0) continue;
      if (m.src == m.dst) {
        m.done = true;
        continue;
      }
      bool blocked = false;
      for (int j = 0; j < n; ++j) blocked |= j != k && !moves[j].done && moves[j].src == m.dst;
      if (blocked) {
        left = true;
        continue;
      }
      a_.mov(m.dst, static_cast<Reg>(m.src));
      m.done = progress = true;
    }
    if (!left) break;
    if (!progress)
      for (int k = 0; k < n; ++k) {
        Move& m = moves[k];
        if (m.done || m.src < 0) continue;
        a_.xchg(m.dst, static_cast<Reg>(m.src));
        m.done = true;
        for (int j = 0; j < n; ++j) {
          if (moves[j].done || moves[j].src < 0) continue;
          if (moves[j].src == m.dst)
            moves[j].src = m.src;
          else if (moves[j].src == m.src)
            moves[j].src = m.dst;
        }
        break;
      }
  }
  for (int k = 0; k < n; ++k)
    if (moves[k].src < 0) a_.mov(moves[k].dst, word(4 * moves[k].word));
  drop_all();
  for (int k = 0; k < out.n; ++k) cache(out.e[k].word, out.e[k].reg);
  if (kept) *kept = out;
  return code;
}

void Translator::enter_target(uint32_t t) {
  const uint8_t kind = s_.target[t];
  const int32_t m = s_.merge[t];
  if (kind & kGosubTarget) {
    drop_all();
  } else if (m >= 0) {
    CacheState& st = s_.states[static_cast<size_t>(m)];
    if (reachable_) {
      // What the jumps bring and the fall-through lacks is loaded on the
      // way in when the code after the join reads it first.
      uint8_t soon[kMaxHeadVars + 1];
      read_first(t, t + kJoinScan, soon);
      conform(st, true, false, &st, soon);
    } else {
      drop_all();
      for (int k = 0; k < st.n; ++k) cache(st.e[k].word, st.e[k].reg);
    }
  } else if (!reachable_) {
    drop_all();
  }
  reachable_ = true;
  cond_pending_ = false;
  for (int k = 0; k < kNames; ++k) release(k);
  s_.join_addr[t] = a_.addr();
  if (!(kind & kBack)) return;
  // A loop head: the variables the loop reads first go to registers. One
  // variable a register: every jump back must bring each of them, and two
  // that are equal now need not be equal then.
  const uint8_t* vars = &s_.head_vars[static_cast<size_t>(t) * (kMaxHeadVars + 1)];
  for (Reg r : kPool) {
    RegState& st = regs_[r];
    if (st.nvars < 2) continue;
    int keep = 0;
    for (int k = 0; k < st.nvars; ++k)
      for (int j = 0; j < vars[0]; ++j)
        if (st.vars[k] == vars[1 + j]) keep = k;
    const uint8_t w = st.vars[keep];
    drop_vars(r);
    cache(w, r);
  }
  for (int k = 0; k < vars[0]; ++k) {
    const int w = vars[1 + k];
    if (var_reg_[w] >= 0) continue;
    int r = -1;
    for (Reg c : kPool)
      if (is_free(c)) {
        r = c;
        break;
      }
    if (r < 0) break;
    a_.mov(static_cast<Reg>(r), word(4 * w));
    cache(w, static_cast<Reg>(r));
  }
  s_.head[t] = static_cast<int32_t>(s_.states.size());
  s_.states.emplace_back();
  snapshot(s_.states.back());
  s_.head_addr[t] = a_.addr();
  a_.dec(r13);
  s_.colds.push_back({a_.jcc32(kE), a_.addr()});
}

// A jump back to a loop head: the head's registers first.
void Translator::jump_back(uint32_t t) {
  const CacheState head = s_.states[static_cast<size_t>(s_.head[t])];
  conform(head, true, false, nullptr);
  if (a_.listing()) a_.set_target_text(label(t));
  a_.jmp_to(s_.head_addr[t]);
  reachable_ = false;
}

void Translator::branch(size_t q, const Insn& i) {
  const auto t = static_cast<uint32_t>(i.v);
  Cond when_true;
  if (cond_pending_) {
    when_true = pending_;
    cond_pending_ = false;
  } else {
    const Val v = names_[0];
    if (v.type == Val::kConst) {
      release(0);
      if (v.v != 0) return;  // never taken
      record_edge(t);
      if (a_.listing()) a_.set_target_text(label(t));
      fix_to(a_.jmp32(), t);
      reachable_ = false;
      return;
    }
    if (v.type == Val::kReg) {
      if (!(flags_reg_ == v.reg && flags_at_ == a_.offset())) a_.test(v.reg, v.reg);
    } else if (in_memory(v)) {
      a_.alu(kCmp, mem_of(v), 0);
    } else {
      const Reg r = to_reg(v);
      a_.test(r, r);
    }
    when_true = kNE;
  }
  release(0);
  // "if c" / "goto L" / "endif" is one conditional jump to L.
  if (t == q + 2 && (p_.ir[q + 1].op == kJmp || p_.ir[q + 1].op == kLoop) && s_.target[q + 1] == 0) {
    const auto g = static_cast<uint32_t>(p_.ir[q + 1].v);
    skip_next_ = true;
    if (g > q + 1) {
      record_edge(g);
      if (a_.listing()) a_.set_target_text(label(g));
      fix_to(a_.jcc32(when_true), g);
      return;
    }
    const CacheState& head = s_.states[static_cast<size_t>(s_.head[g])];
    if (!conform(head, true, true, nullptr)) {
      if (a_.listing()) a_.set_target_text(label(g));
      a_.jcc_to(when_true, s_.head_addr[g]);
      return;
    }
    CacheState saved;
    snapshot(saved);
    const uint32_t over = a_.jcc32(negate(when_true));
    jump_back(g);
    a_.patch32(over, a_.addr());
    drop_all();
    for (int k = 0; k < saved.n; ++k) cache(saved.e[k].word, saved.e[k].reg);
    reachable_ = true;
    return;
  }
  record_edge(t);
  if (a_.listing()) a_.set_target_text(label(t));
  fix_to(a_.jcc32(negate(when_true)), t);
}

void Translator::gosub(const Insn& i) {
  const auto t = static_cast<uint32_t>(i.v);
  const uint32_t base = code_base();
  a_.dec(r13);
  s_.colds.push_back({a_.jcc32(kE), a_.addr()});
  a_.alu64(kCmp, rsp, r12);
  a_.jcc32(kBE, base + kOverflowStub);
  a_.push(rax);  // keeps the stack aligned inside the subroutine
  if (a_.listing()) a_.set_target_text(label(t));
  const uint32_t field = a_.call32(s_.join_addr[t]);
  if (!s_.join_addr[t]) fix_to(field, t);
  a_.pop(rcx);
  drop_all();
}

void Translator::run() {
  analyse();
  drop_all();
  const uint32_t base = code_base();
  // The tables are read through locals: the code written below could alias
  // them as far as the compiler knows, and would make it read them anew.
  const Insn* const ir = p_.ir;
  const size_t size = p_.size;
  const LineMark* const marks = p_.lines;
  const size_t mark_count = p_.line_count;
  const uint8_t* const target = s_.target.data();
  const int16_t* const store_word = s_.store_word.data();
  size_t line = 0;
  size_t next_mark = mark_count > 0 ? marks[0].insn : SIZE_MAX;
  for (size_t q = 0; q < size; ++q) {
    if (insn_addr_) insn_addr_->push_back(a_.addr());
    // A new statement: nothing of the last one is needed any more.
    if (q >= next_mark) {
      for (; line < mark_count && marks[line].insn <= q; ++line)
        for (int k = 0; k < kNames; ++k) release(k);
      next_mark = line < mark_count ? marks[line].insn : SIZE_MAX;
    }
    if (skip_next_) {
      skip_next_ = false;
      continue;
    }
    if (target[q]) enter_target(static_cast<uint32_t>(q));
    if (!reachable_) continue;  // dead code
    store_word_ = store_word[q];
    const Insn& i = ir[q];
    if (is_load(i.op)) {
      load(i);
    } else if (is_bin(i.op)) {
      binary(q, i);
    } else {
      switch (i.op) {
        case kNeg: {
          const Val v = names_[0];
          if (v.type == Val::kConst) {
            set_name(0, constant(neg32(v.v)));
          } else {
            const Reg r = owned(v, 0);
            a_.neg(r);
            flags_reg_ = r;
            flags_at_ = a_.offset();
            set_name(0, in(r));
          }
          break;
        }
        case kStoreVar: store(i); break;
        case kCall: call(q, i); break;
        case kInline: in_line(q, i); break;
        case kJz: branch(q, i); break;
        case kJmp:
        case kLoop: {
          const auto t = static_cast<uint32_t>(i.v);
          if (t > q) {
            record_edge(t);
            if (a_.listing()) a_.set_target_text(label(t));
            fix_to(a_.jmp32(), t);
            reachable_ = false;
          } else {
            jump_back(t);
          }
          break;
        }
        case kGosub: gosub(i); break;
        case kRet:
          a_.ret();
          reachable_ = false;
          break;
        default: break;
      }
    }
    unbusy();
  }
  if (insn_addr_) insn_addr_->push_back(a_.addr());
  // Out of line: the clock checks of loop heads and gosubs.
  for (const Cold& c : s_.colds) {
    a_.patch32(c.field, a_.addr());
    a_.call32(base + kCheckStub);
    a_.jmp32(c.resume);
  }
  for (const Fix& f : s_.fixes) a_.patch32(f.field, s_.join_addr[f.insn]);
}

}  // namespace

uint32_t insn_bytes(const Insn& insn) {
  if (is_load(insn.op) || insn.op == kStoreVar) return 7;
  if (is_bin(insn.op)) return 12;
  switch (insn.op) {
    case kCall: return 24;
    case kInline: return 24;
    case kJz:
    case kJmp:
    case kLoop: return 12;
    case kGosub: return 24;
    default: return 4;
  }
}

void write_stubs() {
  const uint32_t base = code_base();
  uint8_t* mem = core::state().pools.code.bytes();
  std::memset(mem, 0xCC, kTableOffset);

  // entry(self = edi, code = rsi): saves the callee-saved registers, sets
  // up RBX, R12 to R14 and the spill area, and calls the brain; the abort
  // path (a clock check that ends the run, a gosub too deep) comes back to
  // the frame through R14 with the status in EAX.
  Asm e(mem + kEntryStub, base + kEntryStub, kCheckStub - kEntryStub, nullptr);
  for (Reg r : {rbx, rbp, r12, r13, r14, r15}) e.push(r);
  e.mov(rbx, rdi);  // also clears the upper half
  e.alu64(kSub, rsp, kTempSlots * 4);
  e.mov64(r14, rsp);
  if (e.offset() != kFrameStart) __builtin_trap();
  e.lea64(r12, at(r14, -(8 + 16 * kMaxGosubDepth)));
  e.mov(r13, kJumpBudget);
  e.call(rsi);
  e.alu(kXor, rax, rax);
  g_abort_offset = e.offset();
  e.mov64(rsp, r14);
  e.alu64(kAdd, rsp, kTempSlots * 4);
  if (e.offset() != kFrameEnd) __builtin_trap();
  for (Reg r : {r15, r14, r13, r12, rbp, rbx}) e.pop(r);
  e.ret();

  // The clock check: every register a brain may hold a value in is kept.
  Asm c(mem + kCheckStub, base + kCheckStub, kOverflowStub - kCheckStub, nullptr);
  constexpr Reg kSaved[] = {rax, rcx, rdx, rsi, rdi, r8, r9, r10, r11};
  for (Reg r : kSaved) c.push(r);  // nine: the call below is aligned
  c.mov(rdi, rbx);
  c.call(absolute(clock_slot()));
  c.test(rax, rax);
  c.jcc32(kNE, base + g_abort_offset);
  c.mov(r13, kJumpBudget);
  for (int k = 8; k >= 0; --k) c.pop(kSaved[k]);
  c.ret();

  Asm o(mem + kOverflowStub, base + kOverflowStub, kEmptyBrainOffset - kOverflowStub, nullptr);
  o.mov(rax, kRunGosubOverflow);
  o.jmp32(base + g_abort_offset);

  const double k512 = 512.0;
  std::memcpy(mem + kConstants, &k512, sizeof k512);
  if (e.full() || c.full() || o.full()) __builtin_trap();
}

uint32_t translate(const Program& p, uint32_t dest, uint8_t* out, uint32_t room, std::vector<MachineLine>* listing,
                   std::vector<uint32_t>* insn_addr) {
  Asm a(out, dest, room, listing);
  Translator t(p, a, insn_addr);
  t.run();
  return a.full() ? 0 : a.offset();
}

int32_t enter(uint32_t self, uint32_t entry) {
  using Entry = int32_t (*)(uint32_t self, uint64_t code);
  auto fn = reinterpret_cast<Entry>(core::state().pools.code.bytes() + kEntryStub);
  return fn(self, entry);
}

}  // namespace brain::x64
