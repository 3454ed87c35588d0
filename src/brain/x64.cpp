// The x86-64 back end: each instruction of ir.h becomes a fixed sequence of
// machine code, written straight into the code area.
//
// Encoding decisions
// - Registers inside a brain: EDI = ElementState of the running element
//   (variables are [rdi + disp32]); EAX = the expression value A; the call
//   arguments R1..R5 go to ESI, EDX, ECX, R8D, R9D, so that together with
//   EDI = self a built-in is called with the System V convention directly.
//   RBX keeps a copy of self (callee-saved; EDI is restored from it after
//   every call), R12 = lowest stack pointer a gosub may use, R13D = jumps
//   left before the next clock check, R14 = stack pointer of the entry stub.
// - Every value is 32-bit; arithmetic uses the 32-bit forms, so results wrap
//   and upper register halves are zero.
// - Temporary slots are fixed cells of the arena, addressed absolutely with
//   a SIB byte ([disp32] with ModRM r/m = 100, SIB = 25): plain [disp32]
//   would be RIP-relative in 64-bit mode. The arena lies below 2 GiB, so its
//   addresses fit the sign-extended disp32; the A3 moffs form is not used.
// - Built-ins are called through the handler table at the start of the code
//   area: call [table + 8 * row] (FF 14 25 disp32). The handlers are C++
//   functions far from the arena, out of reach of a rel32 call.
// - Stack: the entry stub pushes four registers, so brain code runs with RSP
//   16-byte aligned and every call to a built-in is aligned. A gosub pushes
//   8 filler bytes before its CALL (push rax / call / pop rcx) to keep that
//   alignment inside subroutines; RET is both "return" and the end of a run.
// - Division never traps: a zero divisor gives 2147483647 and a divisor of
//   -1 negates (so -2147483648 / -1 is -2147483648). A constant divisor is
//   a multiplication by its "magic number" and shifts, no IDIV.
// - Comparisons are CMP, SETcc, MOVZX (1 or 0 in EAX). A negated right
//   operand of a comparison negates the left side and mirrors the test
//   (which differs from negating the right side only at -2147483648); other
//   operators negate the right operand in ECX.
// - An element reference is LEA r32, [rdi + distance]; string literals and
//   constants are MOV r32, imm32.
// - After every binary operation and call the result is also stored in its
//   temporary slot, as later parts of the statement (and brains run in the
//   middle of it) read those cells.
// - Backward gotos and all gosubs count down R13D; at zero the clock-check
//   stub calls clock_check(), which may end the run. A gosub also compares
//   RSP with R12 and ends the run when nesting would pass kMaxGosubDepth.
//   Ending a run restores RSP from R14 in the entry stub, which returns the
//   status to C++.
#include <cstring>

#include "brain/arith.h"
#include "brain/backends.h"
#include "brain/code_area.h"
#include "brain/ir.h"
#include "core/state.h"

namespace brain::x64 {

// Emitted instructions keep one a line with their assembly beside them.
// clang-format off
namespace {

constexpr uint32_t kEntryStub = 0;
constexpr uint32_t kCheckStub = 64;
constexpr uint32_t kOverflowStub = 128;
constexpr uint32_t kAbortOffset = 31;  // epilogue inside the entry stub (checked in write_stubs)

// Machine registers of the IR registers A, R1..R5.
constexpr int kReg[6] = {0 /*eax*/, 6 /*esi*/, 2 /*edx*/, 1 /*ecx*/, 8 /*r8d*/, 9 /*r9d*/};

struct Out {
  uint8_t* p = nullptr;  // null: only count
  uint32_t at = 0;       // address of the next byte
  void b(uint32_t x) {
    if (p) *p++ = static_cast<uint8_t>(x);
    ++at;
  }
  void d(uint32_t x) {
    b(x);
    b(x >> 8);
    b(x >> 16);
    b(x >> 24);
  }
  void rel32(uint32_t target) { d(target - (at + 4)); }
};

uint32_t temp_addr(int32_t slot) {
  return core::state().pools.temp_slots.addr + 4u * static_cast<uint32_t>(slot);
}

void rex_r(Out& o, int reg) {
  if (reg >= 8) o.b(0x44);
}
// ModRM + disp32 for [rdi + disp32].
void m_rdi(Out& o, int reg, int32_t disp) {
  o.b(0x80 | ((reg & 7) << 3) | 7);
  o.d(static_cast<uint32_t>(disp));
}
// ModRM + SIB + disp32 for an absolute [disp32].
void m_abs(Out& o, int reg, uint32_t addr) {
  o.b(0x04 | ((reg & 7) << 3));
  o.b(0x25);
  o.d(addr);
}

void mov_imm(Out& o, int reg, uint32_t v) {
  if (reg >= 8) o.b(0x41);
  o.b(0xB8 + (reg & 7));
  o.d(v);
}
void neg(Out& o, int reg) {
  if (reg >= 8) o.b(0x41);
  o.b(0xF7);
  o.b(0xD8 | (reg & 7));
}

void load(Out& o, Kind kind, int reg, int32_t v) {
  switch (kind) {
    case Kind::kConst: mov_imm(o, reg, static_cast<uint32_t>(v)); return;
    case Kind::kVar:
    case Kind::kVarNeg:
      rex_r(o, reg);
      o.b(0x8B);
      m_rdi(o, reg, v);
      break;
    case Kind::kTemp:
    case Kind::kTempNeg:
      rex_r(o, reg);
      o.b(0x8B);
      m_abs(o, reg, temp_addr(v));
      break;
    case Kind::kElem:
      rex_r(o, reg);
      o.b(0x8D);  // lea r32, [rdi + v]
      m_rdi(o, reg, v);
      return;
  }
  if (kind == Kind::kVarNeg || kind == Kind::kTempNeg) neg(o, reg);
}

bool negated(Kind k) { return k == Kind::kVarNeg || k == Kind::kTempNeg; }

// ECX = the right operand, negated when so written.
void right_to_ecx(Out& o, Kind kind, int32_t v) {
  if (kind == Kind::kConst) mov_imm(o, 1, static_cast<uint32_t>(v));
  else load(o, kind, 1, v);
}

// EAX / ECX without traps.
void safe_divide(Out& o) {
  o.b(0x85); o.b(0xC9);              // test ecx, ecx
  o.b(0x74); o.b(0x0E);              // jz  zero
  o.b(0x83); o.b(0xF9); o.b(0xFF);   // cmp ecx, -1
  o.b(0x74); o.b(0x05);              // je  minus
  o.b(0x99);                         // cdq
  o.b(0xF7); o.b(0xF9);              // idiv ecx
  o.b(0xEB); o.b(0x09);              // jmp done
  o.b(0xF7); o.b(0xD8);              // minus: neg eax
  o.b(0xEB); o.b(0x05);              // jmp done
  mov_imm(o, 0, 0x7FFFFFFF);         // zero: mov eax, 2147483647
}                                    // done:

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

void divide_by_constant(Out& o, int32_t d) {
  if (d == 1) return;
  const Magic mg = magic(d);
  o.b(0x89); o.b(0xC1);              // mov ecx, eax (n)
  mov_imm(o, 2, static_cast<uint32_t>(mg.m));
  o.b(0xF7); o.b(0xEA);              // imul edx: edx = hi(n * m)
  if (d > 0 && mg.m < 0) { o.b(0x01); o.b(0xCA); }  // add edx, ecx
  if (d < 0 && mg.m > 0) { o.b(0x29); o.b(0xCA); }  // sub edx, ecx
  if (mg.shift > 0) { o.b(0xC1); o.b(0xFA); o.b(mg.shift); }  // sar edx, shift
  o.b(0x89); o.b(0xD0);              // mov eax, edx
  o.b(0xC1); o.b(0xE8); o.b(0x1F);   // shr eax, 31
  o.b(0x01); o.b(0xD0);              // add eax, edx
}

// Opcodes by operator: eax op imm32, eax op r/m32, r/m32 op r32 (for "op eax, ecx").
struct AluCodes {
  uint8_t imm, rm, mr;
};
AluCodes alu(BinOp op) {
  switch (op) {
    case BinOp::kSub: return {0x2D, 0x2B, 0x29};
    case BinOp::kAdd: return {0x05, 0x03, 0x01};
    case BinOp::kOr: return {0x0D, 0x0B, 0x09};
    case BinOp::kAnd: return {0x25, 0x23, 0x21};
    case BinOp::kXor: return {0x35, 0x33, 0x31};
    default: return {0x3D, 0x3B, 0x39};  // cmp
  }
}

uint8_t condition(BinOp op, bool mirrored) {
  switch (op) {
    case BinOp::kEq: return 0x4;
    case BinOp::kNe: return 0x5;
    case BinOp::kLt: return mirrored ? 0xF : 0xC;
    case BinOp::kGt: return mirrored ? 0xC : 0xF;
    case BinOp::kLe: return mirrored ? 0xD : 0xE;
    default: return mirrored ? 0xE : 0xD;  // kGe
  }
}

// eax = eax <op> [operand], where the operand is an immediate, a variable or a temporary.
void operand_form(Out& o, uint8_t opcode_rm, Kind kind, int32_t v, bool two_byte = false) {
  if (two_byte) o.b(0x0F);
  o.b(opcode_rm);
  if (kind == Kind::kVar || kind == Kind::kVarNeg) m_rdi(o, 0, v);
  else m_abs(o, 0, temp_addr(v));
}

void binary(Out& o, BinOp op, Kind kind, int32_t v) {
  const bool neg_right = negated(kind);
  if (op == BinOp::kDiv) {
    if (kind == Kind::kConst && v == 0) {
      mov_imm(o, 0, 0x7FFFFFFF);
    } else if (kind == Kind::kConst && v == -1) {
      neg(o, 0);
    } else if (kind == Kind::kConst) {
      divide_by_constant(o, v);
    } else {
      right_to_ecx(o, kind, v);
      safe_divide(o);
    }
    return;
  }
  if (op >= BinOp::kEq && op <= BinOp::kGe) {
    if (neg_right) neg(o, 0);
    if (kind == Kind::kConst) {
      o.b(0x3D);
      o.d(static_cast<uint32_t>(v));
    } else {
      operand_form(o, 0x3B, kind, v);
    }
    o.b(0x0F); o.b(0x90 | condition(op, neg_right)); o.b(0xC0);  // setcc al
    o.b(0x0F); o.b(0xB6); o.b(0xC0);                              // movzx eax, al
    return;
  }
  if (neg_right) {
    right_to_ecx(o, kind, v);
    if (op == BinOp::kMul) {
      o.b(0x0F); o.b(0xAF); o.b(0xC1);  // imul eax, ecx
    } else {
      o.b(alu(op).mr);
      o.b(0xC8);  // op eax, ecx
    }
    return;
  }
  if (op == BinOp::kMul) {
    if (kind == Kind::kConst) {
      o.b(0x69); o.b(0xC0);  // imul eax, eax, imm32
      o.d(static_cast<uint32_t>(v));
    } else {
      operand_form(o, 0xAF, kind, v, true);
    }
    return;
  }
  if (kind == Kind::kConst) {
    o.b(alu(op).imm);
    o.d(static_cast<uint32_t>(v));
  } else {
    operand_form(o, alu(op).rm, kind, v);
  }
}

void store_temp(Out& o, int slot) {
  o.b(0x89);
  m_abs(o, 0, temp_addr(slot));
}

void dec_budget(Out& o) {
  o.b(0x41); o.b(0xFF); o.b(0xCD);  // dec r13d
}

// `target` is the address of the jump target (0 while counting).
void encode(Out& o, const Insn& i, uint32_t target) {
  const uint32_t base = code_base();
  const uint8_t op = i.op;
  if (is_load(op)) {
    load(o, kind_of(op), kReg[i.a], i.v);
    return;
  }
  if (is_bin(op)) {
    binary(o, binop_of(op), kind_of(op), i.v);
    store_temp(o, i.slot);
    return;
  }
  switch (op) {
    case kNeg: neg(o, 0); break;
    case kStoreVar:
      o.b(0x89);
      m_rdi(o, 0, i.v);
      break;
    case kCall:
      o.b(0xFF);  // call [table + 8 * row]
      m_abs(o, 2, table_slot(i.v));
      o.b(0x89); o.b(0xDF);  // mov edi, ebx
      store_temp(o, i.slot);
      break;
    case kJz:
      o.b(0x85); o.b(0xC0);  // test eax, eax
      o.b(0x0F); o.b(0x84);  // jz rel32
      o.rel32(target);
      break;
    case kJmp:
      o.b(0xE9);
      o.rel32(target);
      break;
    case kLoop:
      dec_budget(o);
      o.b(0x0F); o.b(0x85);  // jnz target
      o.rel32(target);
      o.b(0xE8);  // call check stub
      o.rel32(base + kCheckStub);
      o.b(0xE9);
      o.rel32(target);
      break;
    case kGosub:
      dec_budget(o);
      o.b(0x75); o.b(0x05);  // jnz over the check
      o.b(0xE8);
      o.rel32(base + kCheckStub);
      o.b(0x4C); o.b(0x39); o.b(0xE4);  // cmp rsp, r12
      o.b(0x0F); o.b(0x86);             // jbe overflow stub
      o.rel32(base + kOverflowStub);
      o.b(0x50);                        // push rax (alignment)
      o.b(0xE8);
      o.rel32(target);
      o.b(0x59);                        // pop rcx
      break;
    case kRet: o.b(0xC3); break;
    default: break;
  }
}

}  // namespace
// clang-format on

uint32_t insn_bytes(const Insn& insn) {
  Out o;
  encode(o, insn, 0);
  return o.at;
}

void write_stubs() {
  const uint32_t base = code_base();
  uint8_t* mem = core::state().pools.code.bytes();
  std::memset(mem, 0xCC, kTableOffset);
  Out o{mem + kEntryStub, base + kEntryStub};
  // entry(self = edi, code = rsi)
  o.b(0x53);  // push rbx
  o.b(0x41);
  o.b(0x54);  // push r12
  o.b(0x41);
  o.b(0x55);  // push r13
  o.b(0x41);
  o.b(0x56);  // push r14
  o.b(0x89);
  o.b(0xFF);  // mov edi, edi (clears the upper half)
  o.b(0x89);
  o.b(0xFB);  // mov ebx, edi
  o.b(0x49);
  o.b(0x89);
  o.b(0xE6);  // mov r14, rsp
  o.b(0x4D);
  o.b(0x8D);
  o.b(0xA6);  // lea r12, [r14 - 8 - 16 * depth]
  o.d(static_cast<uint32_t>(-(8 + 16 * kMaxGosubDepth)));
  o.b(0x41);
  o.b(0xBD);  // mov r13d, budget
  o.d(kJumpBudget);
  o.b(0xFF);
  o.b(0xD6);  // call rsi
  o.b(0x31);
  o.b(0xC0);  // xor eax, eax
  if (o.at != base + kAbortOffset) __builtin_trap();
  o.b(0x4C);
  o.b(0x89);
  o.b(0xF4);  // abort: mov rsp, r14
  o.b(0x41);
  o.b(0x5E);  // pop r14
  o.b(0x41);
  o.b(0x5D);  // pop r13
  o.b(0x41);
  o.b(0x5C);  // pop r12
  o.b(0x5B);  // pop rbx
  o.b(0xC3);

  o = Out{mem + kCheckStub, base + kCheckStub};
  o.b(0x57);  // push rdi
  o.b(0xFF);  // call [clock check]
  m_abs(o, 2, clock_slot());
  o.b(0x5F);  // pop rdi
  o.b(0x85);
  o.b(0xC0);  // test eax, eax
  o.b(0x0F);
  o.b(0x85);  // jnz abort
  o.rel32(base + kAbortOffset);
  o.b(0x41);
  o.b(0xBD);  // mov r13d, budget
  o.d(kJumpBudget);
  o.b(0xC3);

  o = Out{mem + kOverflowStub, base + kOverflowStub};
  mov_imm(o, 0, kRunGosubOverflow);
  o.b(0xE9);
  o.rel32(base + kAbortOffset);
}

uint32_t translate(const std::vector<Insn>& ir, uint32_t dest) {
  // Addresses of all instructions first: every size is fixed.
  std::vector<uint32_t> at(ir.size() + 1);
  at[0] = dest;
  for (size_t k = 0; k < ir.size(); ++k) at[k + 1] = at[k] + insn_bytes(ir[k]);
  const core::Pool& code = core::state().pools.code;
  Out o{code.bytes() + (dest - code.addr), dest};
  for (size_t k = 0; k < ir.size(); ++k) {
    const Insn& i = ir[k];
    encode(o, i, is_jump(i.op) ? at[static_cast<size_t>(i.v)] : 0);
  }
  return o.at - dest;
}

int32_t enter(uint32_t self, uint32_t entry) {
  using Entry = int32_t (*)(uint32_t self, uint64_t code);
  auto fn = reinterpret_cast<Entry>(core::state().pools.code.bytes() + kEntryStub);
  return fn(self, entry);
}

}  // namespace brain::x64
