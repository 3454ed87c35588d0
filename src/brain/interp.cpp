// The portable back end: the instruction list itself is placed in the code
// area (jump targets turned into addresses) and run by a threaded loop. It
// keeps the native code's observable behaviour: the same variables and
// published cells, the same handler table, the same run budget and gosub
// limit. Temporaries that are not published live in an array of the run.
//
// Placing keeps one slot per instruction (so every address stays where the
// list says), but marks what the run needs to know and fuses the common
// sequences into their first slot, which then reads its operands from the
// slots after it:
// - "if" on a comparison: [A = var] [A = A cmp x] [if A = 0 goto] as one
//   step, and [A = A cmp x] [if A = 0 goto] as another;
// - [A = var] [A = A op x] as one step;
// - results that nobody reads later are not kept (kKeep in `a`).
#include <cstring>

#include "brain/arith.h"
#include "brain/backends.h"
#include "brain/code_area.h"
#include "brain/workspace.h"
#include "core/state.h"

namespace brain::interp {

namespace {

constexpr uint8_t kKeep = 0x40;  // a binary operation's or call's result is read later as a temporary

// The fused steps, numbered after the IR's opcodes.
constexpr int kIfVar = kOpCount;       // + cmp * 2 + (0 constant, 1 variable)
constexpr int kIfA = kIfVar + 6 * 2;   // + cmp * 4 + (0 constant, 1 variable, 2 temporary, 3 cell)
constexpr int kVarBin = kIfA + 6 * 4;  // + op * 3 + (0 constant, 1 variable, 2 temporary)
constexpr int kStepCount = kVarBin + kBinOpCount * 3;
static_assert(kStepCount <= 256);

int cmp_index(BinOp op) { return static_cast<int>(op) - static_cast<int>(BinOp::kEq); }

// Which of the fused operand kinds a kind is, or -1.
int small_kind(Kind k, int kinds) {
  switch (k) {
    case Kind::kConst: return 0;
    case Kind::kVar: return 1;
    case Kind::kTemp: return kinds > 2 ? 2 : -1;
    case Kind::kCell: return kinds > 3 ? 3 : -1;
    default: return -1;
  }
}

}  // namespace

uint32_t insn_bytes(const Insn&) { return sizeof(Insn); }

uint32_t translate(const Program& p, uint32_t dest) {
  const core::Pool& code = core::state().pools.code;
  auto* out = reinterpret_cast<Insn*>(code.bytes() + (dest - code.addr));
  const size_t n = p.size;
  // Jump targets, and results read later as temporaries.
  static std::vector<uint8_t> target, keep;
  static std::array<uint32_t, kTempSlots> producer;
  target.assign(n + 1, 0);
  keep.assign(n + 1, 0);
  for (size_t k = 0; k < n; ++k) {
    const Insn& i = p.ir[k];
    if (is_jump(i.op)) target[static_cast<size_t>(i.v)] = 1;
    if (reads_operand(i.op) && is_temp(kind_of(i.op))) keep[producer[static_cast<size_t>(i.v)]] = 1;
    if (is_bin(i.op) || is_call(i.op)) producer[i.slot] = static_cast<uint32_t>(k);
  }
  for (size_t k = 0; k < n; ++k) {
    Insn i = p.ir[k];
    if (is_jump(i.op)) i.v = static_cast<int32_t>(dest + sizeof(Insn) * static_cast<uint32_t>(i.v));
    if ((is_bin(i.op) || is_call(i.op)) && keep[k]) i.a |= kKeep;
    out[k] = i;
  }
  // Fusions: the first slot of a sequence takes the step; the others keep
  // their fields for it to read (and are never run themselves).
  auto plain_cmp = [&](size_t k) {  // a comparison only the next "if" reads
    const Insn& i = p.ir[k];
    return is_bin(i.op) && is_comparison(binop_of(i.op)) && !published(i) && !keep[k] && k + 1 < n &&
           p.ir[k + 1].op == kJz && !target[k + 1];
  };
  for (size_t k = 0; k < n; ++k) {
    const Insn& i = p.ir[k];
    const bool load_a_var = i.op == load_op(Kind::kVar) && i.a == 0 && k + 1 < n && !target[k + 1];
    if (load_a_var && plain_cmp(k + 1) && !target[k + 2]) {
      const int sk = small_kind(kind_of(p.ir[k + 1].op), 2);
      if (sk >= 0) {
        out[k].op = static_cast<uint8_t>(kIfVar + cmp_index(binop_of(p.ir[k + 1].op)) * 2 + sk);
        k += 2;
        continue;
      }
    }
    if (plain_cmp(k)) {
      const int sk = small_kind(kind_of(i.op), 4);
      if (sk >= 0) {
        out[k].op = static_cast<uint8_t>(kIfA + cmp_index(binop_of(i.op)) * 4 + sk);
        k += 1;
        continue;
      }
    }
    if (load_a_var && is_bin(p.ir[k + 1].op)) {
      const int sk = small_kind(kind_of(p.ir[k + 1].op), 3);
      if (sk >= 0) {
        out[k].op = static_cast<uint8_t>(kVarBin + static_cast<int>(binop_of(p.ir[k + 1].op)) * 3 + sk);
        k += 1;
      }
    }
  }
  return static_cast<uint32_t>(n * sizeof(Insn));
}

int32_t run(uint32_t self, uint32_t entry) {
  const Insn* pc = core::at<const Insn>(entry);
  int32_t* const words = core::at<int32_t>(self);
  int32_t* const cells = core::state().pools.temp_slots.as<int32_t>();
  const Handler* const table = handler_table();
  int32_t r[6] = {};
  // Every temporary is written before it is read within its statement, so
  // the array needs no clearing.
  int32_t temps[kTempSlots];
  const Insn* stack[kMaxGosubDepth];
  int depth = 0;
  int32_t budget = kJumpBudget;
  Insn i;

  auto var = [words](int32_t offset) -> int32_t& { return words[offset >> 2]; };
  auto jump_to = [](int32_t address) { return core::at<const Insn>(static_cast<uint32_t>(address)); };

  // The step of each opcode (threaded: every step jumps to the next one's).
  static const void* steps[256];
  static bool ready = false;
  if (!ready) {
    for (const void*& s : steps) s = &&bad;
#define BRAIN_OPERANDS(OP, NAME)                                     \
  steps[bin_op(OP, Kind::kConst)] = &&NAME##_const;                  \
  steps[bin_op(OP, Kind::kVar)] = &&NAME##_var;                      \
  steps[bin_op(OP, Kind::kVarNeg)] = &&NAME##_var_neg;               \
  steps[bin_op(OP, Kind::kTemp)] = &&NAME##_temp;                    \
  steps[bin_op(OP, Kind::kTempNeg)] = &&NAME##_temp_neg;             \
  steps[bin_op(OP, Kind::kCell)] = &&NAME##_cell;                    \
  steps[bin_op(OP, Kind::kCellNeg)] = &&NAME##_cell_neg;             \
  steps[kVarBin + static_cast<int>(OP) * 3 + 0] = &&NAME##_vb_const; \
  steps[kVarBin + static_cast<int>(OP) * 3 + 1] = &&NAME##_vb_var;   \
  steps[kVarBin + static_cast<int>(OP) * 3 + 2] = &&NAME##_vb_temp;
    BRAIN_OPERANDS(BinOp::kDiv, div)
    BRAIN_OPERANDS(BinOp::kMul, mul)
    BRAIN_OPERANDS(BinOp::kSub, sub)
    BRAIN_OPERANDS(BinOp::kAdd, add)
    BRAIN_OPERANDS(BinOp::kEq, eq)
    BRAIN_OPERANDS(BinOp::kNe, ne)
    BRAIN_OPERANDS(BinOp::kLt, lt)
    BRAIN_OPERANDS(BinOp::kGt, gt)
    BRAIN_OPERANDS(BinOp::kLe, le)
    BRAIN_OPERANDS(BinOp::kGe, ge)
    BRAIN_OPERANDS(BinOp::kOr, or)
    BRAIN_OPERANDS(BinOp::kAnd, and)
    BRAIN_OPERANDS(BinOp::kXor, xor)
#undef BRAIN_OPERANDS
#define BRAIN_IFS(OP, NAME)                                     \
  steps[kIfVar + cmp_index(OP) * 2 + 0] = &&NAME##_ifvar_const; \
  steps[kIfVar + cmp_index(OP) * 2 + 1] = &&NAME##_ifvar_var;   \
  steps[kIfA + cmp_index(OP) * 4 + 0] = &&NAME##_ifa_const;     \
  steps[kIfA + cmp_index(OP) * 4 + 1] = &&NAME##_ifa_var;       \
  steps[kIfA + cmp_index(OP) * 4 + 2] = &&NAME##_ifa_temp;      \
  steps[kIfA + cmp_index(OP) * 4 + 3] = &&NAME##_ifa_cell;
    BRAIN_IFS(BinOp::kEq, eq)
    BRAIN_IFS(BinOp::kNe, ne)
    BRAIN_IFS(BinOp::kLt, lt)
    BRAIN_IFS(BinOp::kGt, gt)
    BRAIN_IFS(BinOp::kLe, le)
    BRAIN_IFS(BinOp::kGe, ge)
#undef BRAIN_IFS
    steps[load_op(Kind::kConst)] = &&load_const;
    steps[load_op(Kind::kVar)] = &&load_var;
    steps[load_op(Kind::kVarNeg)] = &&load_var_neg;
    steps[load_op(Kind::kTemp)] = &&load_temp;
    steps[load_op(Kind::kTempNeg)] = &&load_temp_neg;
    steps[load_op(Kind::kElem)] = &&load_elem;
    steps[load_op(Kind::kCell)] = &&load_cell;
    steps[load_op(Kind::kCellNeg)] = &&load_cell_neg;
    steps[kNeg] = &&neg;
    steps[kStoreVar] = &&store_var;
    steps[kCall] = &&call;
    steps[kInline] = &&call;
    steps[kJz] = &&jz;
    steps[kJmp] = &&jmp;
    steps[kLoop] = &&loop;
    steps[kGosub] = &&gosub;
    steps[kRet] = &&ret;
    ready = true;
  }

#define NEXT() \
  i = *pc++;   \
  goto* steps[i.op]
// After a result: the temporary when read later, the cell when published.
#define RESULT()                              \
  if (i.a) {                                  \
    if (i.a & kKeep) temps[i.slot] = r[0];    \
    if (i.a & kPublish) cells[i.slot] = r[0]; \
  }                                           \
  NEXT()

  NEXT();

load_const:
  r[i.a] = i.v;
  NEXT();
load_var:
  r[i.a] = var(i.v);
  NEXT();
load_var_neg:
  r[i.a] = neg32(var(i.v));
  NEXT();
load_temp:
  r[i.a] = temps[i.v];
  NEXT();
load_temp_neg:
  r[i.a] = neg32(temps[i.v]);
  NEXT();
load_cell:
  r[i.a] = cells[i.v];
  NEXT();
load_cell_neg:
  r[i.a] = neg32(cells[i.v]);
  NEXT();
load_elem:
  r[i.a] = static_cast<int32_t>(self + static_cast<uint32_t>(i.v));
  NEXT();

#define BRAIN_BIN(OP, NAME)                                   \
  NAME##_const : r[0] = apply(OP, r[0], i.v, false);          \
  RESULT();                                                   \
  NAME##_var : r[0] = apply(OP, r[0], var(i.v), false);       \
  RESULT();                                                   \
  NAME##_var_neg : r[0] = apply(OP, r[0], var(i.v), true);    \
  RESULT();                                                   \
  NAME##_temp : r[0] = apply(OP, r[0], temps[i.v], false);    \
  RESULT();                                                   \
  NAME##_temp_neg : r[0] = apply(OP, r[0], temps[i.v], true); \
  RESULT();                                                   \
  NAME##_cell : r[0] = apply(OP, r[0], cells[i.v], false);    \
  RESULT();                                                   \
  NAME##_cell_neg : r[0] = apply(OP, r[0], cells[i.v], true); \
  RESULT();                                                   \
  NAME##_vb_const : r[0] = var(i.v);                          \
  i = *pc++;                                                  \
  r[0] = apply(OP, r[0], i.v, false);                         \
  RESULT();                                                   \
  NAME##_vb_var : r[0] = var(i.v);                            \
  i = *pc++;                                                  \
  r[0] = apply(OP, r[0], var(i.v), false);                    \
  RESULT();                                                   \
  NAME##_vb_temp : r[0] = var(i.v);                           \
  i = *pc++;                                                  \
  r[0] = apply(OP, r[0], temps[i.v], false);                  \
  RESULT();
  BRAIN_BIN(BinOp::kDiv, div)
  BRAIN_BIN(BinOp::kMul, mul)
  BRAIN_BIN(BinOp::kSub, sub)
  BRAIN_BIN(BinOp::kAdd, add)
  BRAIN_BIN(BinOp::kEq, eq)
  BRAIN_BIN(BinOp::kNe, ne)
  BRAIN_BIN(BinOp::kLt, lt)
  BRAIN_BIN(BinOp::kGt, gt)
  BRAIN_BIN(BinOp::kLe, le)
  BRAIN_BIN(BinOp::kGe, ge)
  BRAIN_BIN(BinOp::kOr, or)
  BRAIN_BIN(BinOp::kAnd, and)
  BRAIN_BIN(BinOp::kXor, xor)
#undef BRAIN_BIN

// The fused ifs: the comparison's operand in the slot after, the jump's
// target in the one after that.
#define BRAIN_IF(OP, NAME)                                                              \
  NAME##_ifvar_const : r[0] = var(i.v);                                                 \
  if (apply(OP, r[0], pc[0].v, false) == 0)                                             \
    pc = jump_to(pc[1].v);                                                              \
  else                                                                                  \
    pc += 2;                                                                            \
  NEXT();                                                                               \
  NAME##_ifvar_var : r[0] = var(i.v);                                                   \
  if (apply(OP, r[0], var(pc[0].v), false) == 0)                                        \
    pc = jump_to(pc[1].v);                                                              \
  else                                                                                  \
    pc += 2;                                                                            \
  NEXT();                                                                               \
  NAME##_ifa_const : if (apply(OP, r[0], i.v, false) == 0) pc = jump_to(pc[0].v);       \
  else ++pc;                                                                            \
  NEXT();                                                                               \
  NAME##_ifa_var : if (apply(OP, r[0], var(i.v), false) == 0) pc = jump_to(pc[0].v);    \
  else ++pc;                                                                            \
  NEXT();                                                                               \
  NAME##_ifa_temp : if (apply(OP, r[0], temps[i.v], false) == 0) pc = jump_to(pc[0].v); \
  else ++pc;                                                                            \
  NEXT();                                                                               \
  NAME##_ifa_cell : if (apply(OP, r[0], cells[i.v], false) == 0) pc = jump_to(pc[0].v); \
  else ++pc;                                                                            \
  NEXT();
  BRAIN_IF(BinOp::kEq, eq)
  BRAIN_IF(BinOp::kNe, ne)
  BRAIN_IF(BinOp::kLt, lt)
  BRAIN_IF(BinOp::kGt, gt)
  BRAIN_IF(BinOp::kLe, le)
  BRAIN_IF(BinOp::kGe, ge)
#undef BRAIN_IF

neg:
  r[0] = neg32(r[0]);
  NEXT();
store_var:
  var(i.v) = r[0];
  NEXT();
call:
  r[0] = table[i.v](self, r[1], r[2], r[3], r[4], r[5]);
  RESULT();
jz:
  if (r[0] == 0) pc = jump_to(i.v);
  NEXT();
jmp:
  pc = jump_to(i.v);
  NEXT();
loop:
  if (--budget == 0) {
    if (int32_t status = clock_check(self)) return status;
    budget = kJumpBudget;
  }
  pc = jump_to(i.v);
  NEXT();
gosub:
  if (--budget == 0) {
    if (int32_t status = clock_check(self)) return status;
    budget = kJumpBudget;
  }
  if (depth >= kMaxGosubDepth) return kRunGosubOverflow;
  stack[depth++] = pc;
  pc = jump_to(i.v);
  NEXT();
ret:
  if (depth == 0) return kRunOk;
  pc = stack[--depth];
  NEXT();
bad:
  return kRunOk;
#undef RESULT
#undef NEXT
}

}  // namespace brain::interp
