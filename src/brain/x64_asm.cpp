// The encodings of the native back end's instructions. A REX prefix comes
// when a register above 7 (or a 64-bit operation, or the low byte of ESP,
// EBP, ESI or EDI) needs one; memory operands take a one-byte displacement
// when it fits; an absolute address is [disp32] through a SIB byte, since
// plain [disp32] is RIP-relative in 64-bit mode.
#include <cstring>

#include "brain/x64_local.h"

namespace brain::x64 {

namespace {

constexpr const char* kNames32[] = {"eax", "ecx", "edx",  "ebx",  "esp",  "ebp",  "esi",  "edi",
                                    "r8d", "r9d", "r10d", "r11d", "r12d", "r13d", "r14d", "r15d"};
constexpr const char* kNames64[] = {"rax", "rcx", "rdx", "rbx", "rsp", "rbp", "rsi", "rdi",
                                    "r8",  "r9",  "r10", "r11", "r12", "r13", "r14", "r15"};
constexpr const char* kNames8[] = {"al",  "cl",  "dl",   "bl",   "spl",  "bpl",  "sil",  "dil",
                                   "r8b", "r9b", "r10b", "r11b", "r12b", "r13b", "r14b", "r15b"};
constexpr const char* kConds[] = {"o", "no", "b", "ae", "e", "ne", "be", "a",
                                  "s", "ns", "p", "np", "l", "ge", "le", "g"};
constexpr const char* kAlus[] = {"add", "or", "adc", "sbb", "and", "sub", "xor", "cmp"};
const char* shift_name(Shift k) { return k == kShl ? "shl" : k == kShr ? "shr" : "sar"; }

bool fits8(int32_t v) { return v >= -128 && v <= 127; }

std::string num(int32_t v) {
  char buf[24];
  if (v > -4096 && v < 4096)
    std::snprintf(buf, sizeof buf, "%d", v);
  else
    std::snprintf(buf, sizeof buf, "0x%X", static_cast<uint32_t>(v));
  return buf;
}

std::string hex(uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
  return buf;
}

}  // namespace

const char* name32(Reg r) { return kNames32[r]; }
const char* name64(Reg r) { return kNames64[r]; }
const char* name8(Reg r) { return kNames8[r]; }

std::string text(Mem m) {
  if (m.base == kAbsolute) return "[" + hex(static_cast<uint32_t>(m.disp)) + "]";
  std::string s = "[";
  s += kNames64[m.base];
  if (m.disp > 0) s += "+" + num(m.disp);
  if (m.disp < 0) s += num(m.disp);
  return s + "]";
}

// ---- encoding pieces ---------------------------------------------------------

void Asm::rex(bool w, int reg, int base, bool force) {
  const uint32_t r = 0x40u | (w ? 8u : 0u) | ((reg >> 3) & 1u) << 2 | ((base >> 3) & 1u);
  if (r != 0x40u || force) b(r);
}

void Asm::modrm_mem(int reg, Mem m) {
  if (m.base == kAbsolute) {
    b(0x04u | (reg & 7u) << 3);  // r/m = SIB
    b(0x25);                     // no base, no index: disp32
    d32(static_cast<uint32_t>(m.disp));
    return;
  }
  const int base = m.base & 7;
  const bool short_disp = fits8(m.disp);
  b((short_disp ? 0x40u : 0x80u) | (reg & 7u) << 3 | static_cast<uint32_t>(base));
  if (base == 4) b(0x24);  // RSP and R12 need a SIB byte
  if (short_disp)
    b(static_cast<uint32_t>(m.disp));
  else
    d32(static_cast<uint32_t>(m.disp));
}

// The two most common forms are put together in a register first.
void Asm::rr(uint8_t opcode, int reg, int rm, bool w) {
  uint64_t v = 0;
  uint32_t n = 0;
  const uint32_t r = 0x40u | (w ? 8u : 0u) | ((reg >> 3) & 1u) << 2 | ((rm >> 3) & 1u);
  if (r != 0x40u) {
    v = r;
    n = 1;
  }
  v |= uint64_t(opcode) << (8 * n++);
  v |= uint64_t(0xC0u | (reg & 7u) << 3 | (rm & 7u)) << (8 * n++);
  put(v, n);
}

void Asm::rm(uint8_t opcode, int reg, Mem m, bool w) {
  uint64_t v = 0;
  uint32_t n = 0;
  const auto add = [&v, &n](uint64_t x, uint32_t bytes) {
    v |= x << (8 * n);
    n += bytes;
  };
  const int base = m.base == kAbsolute ? 0 : m.base;
  const uint32_t r = 0x40u | (w ? 8u : 0u) | ((reg >> 3) & 1u) << 2 | ((base >> 3) & 1u);
  if (r != 0x40u) add(r, 1);
  add(opcode, 1);
  const auto disp = static_cast<uint32_t>(m.disp);
  if (m.base == kAbsolute) {
    add(0x04u | (reg & 7u) << 3, 1);  // r/m = SIB
    add(0x25, 1);                     // no base, no index: disp32
    add(disp, 4);
  } else {
    const bool short_disp = fits8(m.disp);
    add((short_disp ? 0x40u : 0x80u) | (reg & 7u) << 3 | static_cast<uint32_t>(m.base & 7), 1);
    if ((m.base & 7) == 4) add(0x24, 1);  // RSP and R12 need a SIB byte
    if (short_disp)
      add(disp & 0xFFu, 1);
    else
      add(disp, 4);
  }
  put(v, n);  // at most 8 bytes: REX, opcode, ModRM, SIB, disp32
}

void Asm::rr0f(uint8_t opcode, int reg, int rm, bool byte_rm) {
  rex(false, reg, rm, byte_rm && rm >= 4 && rm < 8);
  b(0x0F);
  b(opcode);
  modrm_reg(reg, rm);
}

void Asm::rm0f(uint8_t opcode, int reg, Mem m) {
  rex(false, reg, m.base == kAbsolute ? 0 : m.base);
  b(0x0F);
  b(opcode);
  modrm_mem(reg, m);
}

void Asm::note(uint32_t start, std::string line) {
  listing_->push_back(MachineLine{base_ + start, pos_ - start, std::move(line)});
}

std::string Asm::target_text(uint32_t target) {
  if (!target_text_.empty()) return std::exchange(target_text_, std::string());
  return target ? hex(target) : std::string("?");
}

// ---- data movement -------------------------------------------------------------

void Asm::mov(Reg d, Reg s) {
  const uint32_t start = pos_;
  rr(0x89, s, d);
  if (listing_) note(start, std::string("mov ") + name32(d) + ", " + name32(s));
}

void Asm::mov(Reg d, int32_t imm) {
  const uint32_t start = pos_;
  rex(false, 0, d);
  b(0xB8u + (d & 7u));
  d32(static_cast<uint32_t>(imm));
  if (listing_) note(start, std::string("mov ") + name32(d) + ", " + num(imm));
}

void Asm::mov(Reg d, Mem m) {
  const uint32_t start = pos_;
  rm(0x8B, d, m);
  if (listing_) note(start, std::string("mov ") + name32(d) + ", " + text(m));
}

void Asm::mov(Mem m, Reg s) {
  const uint32_t start = pos_;
  rm(0x89, s, m);
  if (listing_) note(start, "mov " + text(m) + ", " + name32(s));
}

void Asm::mov(Mem m, int32_t imm) {
  const uint32_t start = pos_;
  rm(0xC7, 0, m);
  d32(static_cast<uint32_t>(imm));
  if (listing_) note(start, "mov dword " + text(m) + ", " + num(imm));
}

void Asm::mov64(Reg d, Reg s) {
  const uint32_t start = pos_;
  rr(0x89, s, d, true);
  if (listing_) note(start, std::string("mov ") + name64(d) + ", " + name64(s));
}

void Asm::mov64(Reg d, uint64_t imm) {
  const uint32_t start = pos_;
  rex(true, 0, d);
  b(0xB8u + (d & 7u));
  d32(static_cast<uint32_t>(imm));
  d32(static_cast<uint32_t>(imm >> 32));
  if (listing_) note(start, std::string("mov ") + name64(d) + ", " + hex(imm));
}

void Asm::lea(Reg d, Mem m) {
  const uint32_t start = pos_;
  rm(0x8D, d, m);
  if (listing_) note(start, std::string("lea ") + name32(d) + ", " + text(m));
}

void Asm::lea64(Reg d, Mem m) {
  const uint32_t start = pos_;
  rm(0x8D, d, m, true);
  if (listing_) note(start, std::string("lea ") + name64(d) + ", " + text(m));
}

void Asm::movsxd(Reg d, Reg s) {
  const uint32_t start = pos_;
  rr(0x63, d, s, true);
  if (listing_) note(start, std::string("movsxd ") + name64(d) + ", " + name32(s));
}

void Asm::xchg(Reg a, Reg s) {
  const uint32_t start = pos_;
  rr(0x87, s, a);
  if (listing_) note(start, std::string("xchg ") + name32(a) + ", " + name32(s));
}

void Asm::push(Reg r) {
  const uint32_t start = pos_;
  rex(false, 0, r);
  b(0x50u + (r & 7u));
  if (listing_) note(start, std::string("push ") + name64(r));
}

void Asm::pop(Reg r) {
  const uint32_t start = pos_;
  rex(false, 0, r);
  b(0x58u + (r & 7u));
  if (listing_) note(start, std::string("pop ") + name64(r));
}

// ---- arithmetic ------------------------------------------------------------------

void Asm::alu(Alu op, Reg d, Reg s) {
  const uint32_t start = pos_;
  rr(static_cast<uint8_t>(op << 3 | 1), s, d);
  if (listing_) note(start, std::string(kAlus[op]) + " " + name32(d) + ", " + name32(s));
}

void Asm::alu(Alu op, Reg d, int32_t imm) {
  const uint32_t start = pos_;
  if (fits8(imm)) {
    rr(0x83, op, d);
    b(static_cast<uint32_t>(imm));
  } else if (d == rax) {
    b(static_cast<uint32_t>(op << 3 | 5));
    d32(static_cast<uint32_t>(imm));
  } else {
    rr(0x81, op, d);
    d32(static_cast<uint32_t>(imm));
  }
  if (listing_) note(start, std::string(kAlus[op]) + " " + name32(d) + ", " + num(imm));
}

void Asm::alu(Alu op, Reg d, Mem m) {
  const uint32_t start = pos_;
  rm(static_cast<uint8_t>(op << 3 | 3), d, m);
  if (listing_) note(start, std::string(kAlus[op]) + " " + name32(d) + ", " + text(m));
}

void Asm::alu(Alu op, Mem m, Reg s) {
  const uint32_t start = pos_;
  rm(static_cast<uint8_t>(op << 3 | 1), s, m);
  if (listing_) note(start, std::string(kAlus[op]) + " " + text(m) + ", " + name32(s));
}

void Asm::alu(Alu op, Mem m, int32_t imm) {
  const uint32_t start = pos_;
  rm(fits8(imm) ? 0x83 : 0x81, op, m);
  if (fits8(imm))
    b(static_cast<uint32_t>(imm));
  else
    d32(static_cast<uint32_t>(imm));
  if (listing_) note(start, std::string(kAlus[op]) + " dword " + text(m) + ", " + num(imm));
}

void Asm::alu64(Alu op, Reg d, Reg s) {
  const uint32_t start = pos_;
  rr(static_cast<uint8_t>(op << 3 | 1), s, d, true);
  if (listing_) note(start, std::string(kAlus[op]) + " " + name64(d) + ", " + name64(s));
}

void Asm::alu64(Alu op, Reg d, int32_t imm) {
  const uint32_t start = pos_;
  rr(fits8(imm) ? 0x83 : 0x81, op, d, true);
  if (fits8(imm))
    b(static_cast<uint32_t>(imm));
  else
    d32(static_cast<uint32_t>(imm));
  if (listing_) note(start, std::string(kAlus[op]) + " " + name64(d) + ", " + num(imm));
}

void Asm::imul(Reg d, Reg s) {
  const uint32_t start = pos_;
  rr0f(0xAF, d, s);
  if (listing_) note(start, std::string("imul ") + name32(d) + ", " + name32(s));
}

void Asm::imul(Reg d, Mem m) {
  const uint32_t start = pos_;
  rm0f(0xAF, d, m);
  if (listing_) note(start, std::string("imul ") + name32(d) + ", " + text(m));
}

void Asm::imul(Reg d, Reg s, int32_t imm) {
  const uint32_t start = pos_;
  rr(fits8(imm) ? 0x6B : 0x69, d, s);
  if (fits8(imm))
    b(static_cast<uint32_t>(imm));
  else
    d32(static_cast<uint32_t>(imm));
  if (listing_) note(start, std::string("imul ") + name32(d) + ", " + name32(s) + ", " + num(imm));
}

void Asm::imul(Reg d, Mem m, int32_t imm) {
  const uint32_t start = pos_;
  rm(fits8(imm) ? 0x6B : 0x69, d, m);
  if (fits8(imm))
    b(static_cast<uint32_t>(imm));
  else
    d32(static_cast<uint32_t>(imm));
  if (listing_) note(start, std::string("imul ") + name32(d) + ", " + text(m) + ", " + num(imm));
}

void Asm::imul64(Reg d, Reg s, int32_t imm) {
  const uint32_t start = pos_;
  rr(0x69, d, s, true);
  d32(static_cast<uint32_t>(imm));
  if (listing_) note(start, std::string("imul ") + name64(d) + ", " + name64(s) + ", " + num(imm));
}

void Asm::imul64(Reg d, Reg s) {
  const uint32_t start = pos_;
  rex(true, d, s);
  b(0x0F);
  b(0xAF);
  modrm_reg(d, s);
  if (listing_) note(start, std::string("imul ") + name64(d) + ", " + name64(s));
}

void Asm::mul64(Reg r) {
  const uint32_t start = pos_;
  rr(0xF7, 4, r, true);
  if (listing_) note(start, std::string("mul ") + name64(r));
}

void Asm::neg(Reg r) {
  const uint32_t start = pos_;
  rr(0xF7, 3, r);
  if (listing_) note(start, std::string("neg ") + name32(r));
}

void Asm::not_(Reg r) {
  const uint32_t start = pos_;
  rr(0xF7, 2, r);
  if (listing_) note(start, std::string("not ") + name32(r));
}

void Asm::inc(Reg r) {
  const uint32_t start = pos_;
  rr(0xFF, 0, r);
  if (listing_) note(start, std::string("inc ") + name32(r));
}

void Asm::dec(Reg r) {
  const uint32_t start = pos_;
  rr(0xFF, 1, r);
  if (listing_) note(start, std::string("dec ") + name32(r));
}

void Asm::test(Reg a, Reg s) {
  const uint32_t start = pos_;
  rr(0x85, s, a);
  if (listing_) note(start, std::string("test ") + name32(a) + ", " + name32(s));
}

void Asm::shift(Shift k, Reg r, int n) {
  const uint32_t start = pos_;
  rr(0xC1, k, r);
  b(static_cast<uint32_t>(n));
  if (listing_) note(start, std::string(shift_name(k)) + " " + name32(r) + ", " + std::to_string(n));
}

void Asm::shift64(Shift k, Reg r, int n) {
  const uint32_t start = pos_;
  rr(0xC1, k, r, true);
  b(static_cast<uint32_t>(n));
  if (listing_) note(start, std::string(shift_name(k)) + " " + name64(r) + ", " + std::to_string(n));
}

void Asm::cdq() {
  const uint32_t start = pos_;
  b(0x99);
  if (listing_) note(start, "cdq");
}

void Asm::idiv(Reg r) {
  const uint32_t start = pos_;
  rr(0xF7, 7, r);
  if (listing_) note(start, std::string("idiv ") + name32(r));
}

void Asm::div(Reg r) {
  const uint32_t start = pos_;
  rr(0xF7, 6, r);
  if (listing_) note(start, std::string("div ") + name32(r));
}

void Asm::setcc(Cond c, Reg r) {
  const uint32_t start = pos_;
  rr0f(static_cast<uint8_t>(0x90 + c), 0, r, true);
  if (listing_) note(start, std::string("set") + kConds[c] + " " + name8(r));
}

void Asm::movzx8(Reg d, Reg s) {
  const uint32_t start = pos_;
  rr0f(0xB6, d, s, true);
  if (listing_) note(start, std::string("movzx ") + name32(d) + ", " + name8(s));
}

void Asm::cmov(Cond c, Reg d, Reg s) {
  const uint32_t start = pos_;
  rr0f(static_cast<uint8_t>(0x40 + c), d, s);
  if (listing_) note(start, std::string("cmov") + kConds[c] + " " + name32(d) + ", " + name32(s));
}

// ---- doubles ---------------------------------------------------------------------

void Asm::xorps_xmm0() {
  const uint32_t start = pos_;
  b(0x0F);
  b(0x57);
  b(0xC0);
  if (listing_) note(start, "xorps xmm0, xmm0");
}

void Asm::cvtsi2sd_xmm0(Reg s) {
  const uint32_t start = pos_;
  b(0xF2);
  rr0f(0x2A, 0, s);
  if (listing_) note(start, std::string("cvtsi2sd xmm0, ") + name32(s));
}

void Asm::sqrtsd_xmm0() {
  const uint32_t start = pos_;
  b(0xF2);
  b(0x0F);
  b(0x51);
  b(0xC0);
  if (listing_) note(start, "sqrtsd xmm0, xmm0");
}

void Asm::mulsd_xmm0(Mem m) {
  const uint32_t start = pos_;
  b(0xF2);
  rm0f(0x59, 0, m);
  if (listing_) note(start, "mulsd xmm0, qword " + text(m));
}

void Asm::cvtsd2si(Reg d) {
  const uint32_t start = pos_;
  b(0xF2);
  rr0f(0x2D, d, 0);
  if (listing_) note(start, std::string("cvtsd2si ") + name32(d) + ", xmm0");
}

// ---- control flow ------------------------------------------------------------------

// The displacement field of a jump to a label: one byte, or four for a far
// label.
void Asm::rel(Label& l) {
  const uint32_t size = l.far ? 4 : 1;
  if (l.at != UINT32_MAX) {
    const int32_t disp = static_cast<int32_t>(l.at - (pos_ + size));
    if (!l.far && !fits8(disp)) __builtin_trap();  // a short label placed too far away
    if (l.far)
      d32(static_cast<uint32_t>(disp));
    else
      b(static_cast<uint32_t>(disp));
    return;
  }
  if (l.pending == static_cast<int>(sizeof l.fix / sizeof l.fix[0])) __builtin_trap();
  l.fix[l.pending++] = pos_;
  if (l.far)
    d32(0);
  else
    b(0);
}

void Asm::jcc(Cond c, Label& l) {
  const uint32_t start = pos_;
  if (l.far) {
    b(0x0F);
    b(0x80u + c);
  } else {
    b(0x70u + c);
  }
  rel(l);
  if (listing_) note(start, std::string("j") + kConds[c] + (l.far ? "" : " short"));
}

void Asm::jmp(Label& l) {
  const uint32_t start = pos_;
  b(l.far ? 0xE9 : 0xEB);
  rel(l);
  if (listing_) note(start, l.far ? "jmp" : "jmp short");
}

void Asm::bind(Label& l) {
  l.at = pos_;
  for (int k = 0; k < l.pending; ++k) {
    const uint32_t f = l.fix[k];
    if (l.far) {
      patch32(f, base_ + pos_);
      continue;
    }
    const int32_t disp = static_cast<int32_t>(pos_ - (f + 1));
    if (!fits8(disp)) __builtin_trap();
    if (f < room_) out_[f] = static_cast<uint8_t>(disp);
  }
  l.pending = 0;
  if (listing_) listing_->push_back(MachineLine{base_ + pos_, 0, ""});  // a break in the listing
}

void Asm::patch32(uint32_t field, uint32_t target) {
  const uint32_t rel = target - (base_ + field + 4);
  if (field + 4 <= room_) std::memcpy(out_ + field, &rel, 4);
}

uint32_t Asm::jcc32(Cond c, uint32_t target) {
  const uint32_t start = pos_;
  b(0x0F);
  b(0x80u + c);
  const uint32_t field = pos_;
  d32(0);
  if (target) patch32(field, target);
  if (listing_) note(start, std::string("j") + kConds[c] + " " + target_text(target));
  return field;
}

uint32_t Asm::jmp32(uint32_t target) {
  const uint32_t start = pos_;
  b(0xE9);
  const uint32_t field = pos_;
  d32(0);
  if (target) patch32(field, target);
  if (listing_) note(start, "jmp " + target_text(target));
  return field;
}

uint32_t Asm::call32(uint32_t target) {
  const uint32_t start = pos_;
  b(0xE8);
  const uint32_t field = pos_;
  d32(0);
  if (target) patch32(field, target);
  if (listing_) note(start, "call " + target_text(target));
  return field;
}

void Asm::jcc_to(Cond c, uint32_t target) {
  const int32_t disp = static_cast<int32_t>(target - (addr() + 2));
  if (target <= addr() && fits8(disp)) {
    const uint32_t start = pos_;
    b(0x70u + c);
    b(static_cast<uint32_t>(disp));
    if (listing_) note(start, std::string("j") + kConds[c] + " " + target_text(target));
    return;
  }
  jcc32(c, target);
}

void Asm::jmp_to(uint32_t target) {
  const int32_t disp = static_cast<int32_t>(target - (addr() + 2));
  if (target <= addr() && fits8(disp)) {
    const uint32_t start = pos_;
    b(0xEB);
    b(static_cast<uint32_t>(disp));
    if (listing_) note(start, "jmp " + target_text(target));
    return;
  }
  jmp32(target);
}

void Asm::call(Mem m) {
  const uint32_t start = pos_;
  rm(0xFF, 2, m);
  if (listing_) note(start, "call qword " + text(m));
}

void Asm::call(Reg r) {
  const uint32_t start = pos_;
  rr(0xFF, 2, r);
  if (listing_) note(start, std::string("call ") + name64(r));
}

void Asm::ret() {
  const uint32_t start = pos_;
  b(0xC3);
  if (listing_) note(start, "ret");
}

// The recommended multi-byte no-operations, longest first.
void Asm::nops(uint32_t n) {
  static constexpr uint8_t kNops[9][9] = {
      {0x90},
      {0x66, 0x90},
      {0x0F, 0x1F, 0x00},
      {0x0F, 0x1F, 0x40, 0x00},
      {0x0F, 0x1F, 0x44, 0x00, 0x00},
      {0x66, 0x0F, 0x1F, 0x44, 0x00, 0x00},
      {0x0F, 0x1F, 0x80, 0x00, 0x00, 0x00, 0x00},
      {0x0F, 0x1F, 0x84, 0x00, 0x00, 0x00, 0x00, 0x00},
      {0x66, 0x0F, 0x1F, 0x84, 0x00, 0x00, 0x00, 0x00, 0x00},
  };
  while (n > 0) {
    const uint32_t k = n > 9 ? 9 : n;
    const uint32_t start = pos_;
    for (uint32_t i = 0; i < k; ++i) b(kNops[k - 1][i]);
    if (listing_) note(start, "nop");
    n -= k;
  }
}

}  // namespace brain::x64
