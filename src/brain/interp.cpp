// The portable back end: the instruction list itself is placed in the code
// area (jump targets turned into addresses) and run by a switch loop. It
// keeps the native code's observable behaviour: the same variables and
// published cells, the same handler table, the same run budget and gosub
// limit. Temporaries that are not published live in an array of the run.
#include <cstring>

#include "brain/arith.h"
#include "brain/backends.h"
#include "brain/code_area.h"
#include "brain/workspace.h"
#include "core/state.h"

namespace brain::interp {

uint32_t insn_bytes(const Insn&) { return sizeof(Insn); }

uint32_t translate(const Program& p, uint32_t dest) {
  const core::Pool& code = core::state().pools.code;
  auto* out = reinterpret_cast<Insn*>(code.bytes() + (dest - code.addr));
  for (size_t k = 0; k < p.size; ++k) {
    Insn i = p.ir[k];
    if (is_jump(i.op)) i.v = static_cast<int32_t>(dest + sizeof(Insn) * static_cast<uint32_t>(i.v));
    out[k] = i;
  }
  return static_cast<uint32_t>(p.size * sizeof(Insn));
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

  auto var = [words](int32_t offset) -> int32_t& { return words[offset >> 2]; };

#define BRAIN_BIN(OP)                                                               \
  case bin_op(OP, Kind::kConst): r[0] = apply(OP, r[0], i.v, false); break;         \
  case bin_op(OP, Kind::kVar): r[0] = apply(OP, r[0], var(i.v), false); break;      \
  case bin_op(OP, Kind::kVarNeg): r[0] = apply(OP, r[0], var(i.v), true); break;    \
  case bin_op(OP, Kind::kTemp): r[0] = apply(OP, r[0], temps[i.v], false); break;   \
  case bin_op(OP, Kind::kTempNeg): r[0] = apply(OP, r[0], temps[i.v], true); break; \
  case bin_op(OP, Kind::kCell): r[0] = apply(OP, r[0], cells[i.v], false); break;   \
  case bin_op(OP, Kind::kCellNeg): r[0] = apply(OP, r[0], cells[i.v], true); break;

  for (;;) {
    const Insn i = *pc++;
    switch (i.op) {
      case load_op(Kind::kConst): r[i.a] = i.v; continue;
      case load_op(Kind::kVar): r[i.a] = var(i.v); continue;
      case load_op(Kind::kVarNeg): r[i.a] = neg32(var(i.v)); continue;
      case load_op(Kind::kTemp): r[i.a] = temps[i.v]; continue;
      case load_op(Kind::kTempNeg): r[i.a] = neg32(temps[i.v]); continue;
      case load_op(Kind::kCell): r[i.a] = cells[i.v]; continue;
      case load_op(Kind::kCellNeg): r[i.a] = neg32(cells[i.v]); continue;
      case load_op(Kind::kElem):
        r[i.a] = static_cast<int32_t>(self + static_cast<uint32_t>(i.v));
        continue;
        BRAIN_BIN(BinOp::kDiv)
        BRAIN_BIN(BinOp::kMul)
        BRAIN_BIN(BinOp::kSub)
        BRAIN_BIN(BinOp::kAdd)
        BRAIN_BIN(BinOp::kEq)
        BRAIN_BIN(BinOp::kNe)
        BRAIN_BIN(BinOp::kLt)
        BRAIN_BIN(BinOp::kGt)
        BRAIN_BIN(BinOp::kLe)
        BRAIN_BIN(BinOp::kGe)
        BRAIN_BIN(BinOp::kOr)
        BRAIN_BIN(BinOp::kAnd)
        BRAIN_BIN(BinOp::kXor)
      case kNeg: r[0] = neg32(r[0]); continue;
      case kStoreVar: var(i.v) = r[0]; continue;
      case kCall:
      case kInline: r[0] = table[i.v](self, r[1], r[2], r[3], r[4], r[5]); break;
      case kJz:
        if (r[0] == 0) pc = core::at<const Insn>(static_cast<uint32_t>(i.v));
        continue;
      case kJmp: pc = core::at<const Insn>(static_cast<uint32_t>(i.v)); continue;
      case kLoop:
        if (--budget == 0) {
          if (int32_t status = clock_check(self)) return status;
          budget = kJumpBudget;
        }
        pc = core::at<const Insn>(static_cast<uint32_t>(i.v));
        continue;
      case kGosub:
        if (--budget == 0) {
          if (int32_t status = clock_check(self)) return status;
          budget = kJumpBudget;
        }
        if (depth >= kMaxGosubDepth) return kRunGosubOverflow;
        stack[depth++] = pc;
        pc = core::at<const Insn>(static_cast<uint32_t>(i.v));
        continue;
      case kRet:
        if (depth == 0) return kRunOk;
        pc = stack[--depth];
        continue;
      default: return kRunOk;
    }
    // After every binary operation and call: the result is the temporary,
    // and its cell where the compiler publishes it.
    temps[i.slot] = r[0];
    if (i.a & kPublish) cells[i.slot] = r[0];
  }
#undef BRAIN_BIN
}

}  // namespace brain::interp
