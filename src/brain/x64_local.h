// A small x86-64 assembler for the native back end: named registers,
// memory operands and condition codes, one function per instruction form,
// short jumps through labels, and an optional listing that writes every
// instruction down beside its bytes. Private to src/brain.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "brain/backends.h"

namespace brain::x64 {

enum Reg : uint8_t { rax, rcx, rdx, rbx, rsp, rbp, rsi, rdi, r8, r9, r10, r11, r12, r13, r14, r15 };
constexpr int kRegCount = 16;
constexpr uint32_t bit(Reg r) { return 1u << r; }

// A memory operand: [base + disp], or with no base the absolute address
// disp (below 2 GiB, as every arena address is).
struct Mem {
  int base;  // a Reg, or kAbsolute
  int32_t disp;
};
constexpr int kAbsolute = -1;
constexpr Mem at(Reg base, int32_t disp) { return {base, disp}; }
constexpr Mem absolute(uint32_t address) { return {kAbsolute, static_cast<int32_t>(address)}; }

enum Cond : uint8_t { kO, kNO, kB, kAE, kE, kNE, kBE, kA, kS, kNS, kP, kNP, kL, kGE, kLE, kG };
constexpr Cond negate(Cond c) { return static_cast<Cond>(c ^ 1); }

// The ALU group, by its ModRM reg field.
enum Alu : uint8_t { kAdd = 0, kOr = 1, kAdc = 2, kSbb = 3, kAnd = 4, kSub = 5, kXor = 6, kCmp = 7 };
enum Shift : uint8_t { kShl = 4, kShr = 5, kSar = 7 };

// A place that jumps inside one instruction's code go to: short (rel8),
// or near (rel32) for a label marked far. Bound once; jumps may come before
// or after.
struct Label {
  explicit Label(bool far_away = false) : far(far_away) {}
  bool far;
  uint32_t at = UINT32_MAX;  // offset once bound
  uint32_t fix[8] = {};      // fields waiting for it
  int pending = 0;
};

class Asm {
 public:
  // Writes into `out`, which stands for the code address `addr`, at most
  // `room` bytes; past that it only counts (full() tells).
  Asm(uint8_t* out, uint32_t addr, uint32_t room, std::vector<MachineLine>* listing)
      : out_(out), base_(addr), room_(room), listing_(listing) {}

  uint32_t addr() const { return base_ + pos_; }
  uint32_t offset() const { return pos_; }
  bool full() const { return full_; }
  bool listing() const { return listing_ != nullptr; }

  // Data movement.
  void mov(Reg d, Reg s);
  void mov(Reg d, int32_t imm);
  void mov(Reg d, Mem m);
  void mov(Mem m, Reg s);
  void mov(Mem m, int32_t imm);
  void mov64(Reg d, Reg s);
  void mov64(Reg d, uint64_t imm);
  void lea(Reg d, Mem m);
  void lea64(Reg d, Mem m);
  void movsxd(Reg d, Reg s);
  void xchg(Reg a, Reg b);
  void push(Reg r);
  void pop(Reg r);

  // Arithmetic (32-bit unless named 64).
  void alu(Alu op, Reg d, Reg s);
  void alu(Alu op, Reg d, int32_t imm);
  void alu(Alu op, Reg d, Mem m);
  void alu(Alu op, Mem m, Reg s);
  void alu(Alu op, Mem m, int32_t imm);
  void alu64(Alu op, Reg d, Reg s);
  void alu64(Alu op, Reg d, int32_t imm);
  void imul(Reg d, Reg s);
  void imul(Reg d, Mem m);
  void imul(Reg d, Reg s, int32_t imm);
  void imul(Reg d, Mem m, int32_t imm);
  void imul64(Reg d, Reg s, int32_t imm);
  void imul64(Reg d, Reg s);
  void mul64(Reg r);
  void neg(Reg r);
  void not_(Reg r);
  void inc(Reg r);
  void dec(Reg r);
  void test(Reg a, Reg b);
  void shift(Shift k, Reg r, int n);
  void shift64(Shift k, Reg r, int n);
  void cdq();
  void idiv(Reg r);
  void div(Reg r);
  void setcc(Cond c, Reg r);
  void movzx8(Reg d, Reg s);
  void cmov(Cond c, Reg d, Reg s);

  // Scalar double arithmetic on XMM0.
  void xorps_xmm0();
  void cvtsi2sd_xmm0(Reg s);
  void sqrtsd_xmm0();
  void mulsd_xmm0(Mem m);
  void cvtsd2si(Reg d);

  // Control flow. The rel32 forms to a target not known yet return the
  // offset of their field for patch32.
  void jcc(Cond c, Label& l);
  void jmp(Label& l);
  void bind(Label& l);
  uint32_t jcc32(Cond c, uint32_t target = 0);
  uint32_t jmp32(uint32_t target = 0);
  uint32_t call32(uint32_t target = 0);
  void jcc_to(Cond c, uint32_t target);  // short when the target is behind and near
  void jmp_to(uint32_t target);
  void patch32(uint32_t field, uint32_t target);
  void call(Mem m);
  void call(Reg r);
  void ret();
  void nops(uint32_t n);

  // Text of the jump targets the caller wants listed (IR labels).
  void set_target_text(std::string text) { target_text_ = std::move(text); }

 private:
  void b(uint32_t x) {
    if (pos_ < room_)
      out_[pos_] = static_cast<uint8_t>(x);
    else
      full_ = true;
    ++pos_;
  }
  // The low n bytes (at most 8) of `v`, first byte lowest: built in a
  // register, stored in at most three pieces.
  void put(uint64_t v, uint32_t n) {
    if (std::endian::native == std::endian::little && room_ >= pos_ && room_ - pos_ >= n) {
      uint8_t* o = out_ + pos_;
      pos_ += n;
      if (n & 8) {
        std::memcpy(o, &v, 8);
        return;
      }
      if (n & 4) {
        const auto w = static_cast<uint32_t>(v);
        std::memcpy(o, &w, 4);
        o += 4;
        v >>= 32;
      }
      if (n & 2) {
        const auto h = static_cast<uint16_t>(v);
        std::memcpy(o, &h, 2);
        o += 2;
        v >>= 16;
      }
      if (n & 1) *o = static_cast<uint8_t>(v);
    } else {
      for (uint32_t i = 0; i < n; ++i) b(static_cast<uint32_t>(v >> (8 * i)));
    }
  }
  void d32(uint32_t x) { put(x, 4); }
  void rex(bool w, int reg, int base, bool force = false);
  void modrm_reg(int reg, int rm) { b(0xC0u | (reg & 7u) << 3 | (rm & 7u)); }
  void modrm_mem(int reg, Mem m);
  // The two forms nearly every instruction goes through are written in
  // line into each instruction's function.
  [[gnu::always_inline]] inline void rr(uint8_t opcode, int reg, int rm, bool w = false);
  [[gnu::always_inline]] inline void rm(uint8_t opcode, int reg, Mem m, bool w = false);
  void rr0f(uint8_t opcode, int reg, int rm, bool byte_rm = false);
  void rm0f(uint8_t opcode, int reg, Mem m);
  void rel(Label& l);
  void note(uint32_t start, std::string text);
  std::string target_text(uint32_t target);

  uint8_t* out_;
  uint32_t base_;
  uint32_t room_;
  uint32_t pos_ = 0;
  bool full_ = false;
  std::vector<MachineLine>* listing_;
  std::string target_text_;
};

const char* name32(Reg r);
const char* name64(Reg r);
const char* name8(Reg r);
std::string text(Mem m);

}  // namespace brain::x64
