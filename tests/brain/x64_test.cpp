// The native back end: the assembler's encodings against the bytes a
// standard assembler gives for the same instructions, and the shapes of the
// code that matter for speed, read from listings.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "brain/bind.h"
#include "brain/listing.h"
#include "brain/x64_local.h"
#include "core/angles.h"
#include "harness.h"

namespace {

using namespace brain::x64;
using brain_test::lines;

struct Encoding {
  std::function<void(Asm&)> emit;
  std::vector<uint8_t> bytes;
  const char* text;
};

std::string hex(const std::vector<uint8_t>& v) {
  std::string s;
  char buf[4];
  for (uint8_t b : v) {
    std::snprintf(buf, sizeof buf, "%02x ", b);
    s += buf;
  }
  return s;
}

TEST(X64, EncodingsMatchTheStandardOnes) {
  // Registers above 7, the low bytes of ESI and EDI, RBP / R13 bases (no
  // plain [base] form), RSP / R12 bases (a SIB byte), absolute addresses,
  // one- and four-byte displacements and immediates, 64-bit forms.
  const Encoding cases[] = {
      {[](Asm& a) { a.mov(rcx, rax); }, {0x89, 0xc1}, "mov ecx, eax"},
      {[](Asm& a) { a.mov(r8, rsi); }, {0x41, 0x89, 0xf0}, "mov r8d, esi"},
      {[](Asm& a) { a.mov(rsi, r9); }, {0x44, 0x89, 0xce}, "mov esi, r9d"},
      {[](Asm& a) { a.mov(r10, r11); }, {0x45, 0x89, 0xda}, "mov r10d, r11d"},
      {[](Asm& a) { a.mov(r9, -1); }, {0x41, 0xb9, 0xff, 0xff, 0xff, 0xff}, "mov r9d, -1"},
      {[](Asm& a) { a.mov(rcx, at(rbx, 1020)); }, {0x8b, 0x8b, 0xfc, 0x03, 0x00, 0x00}, "mov ecx, [rbx+1020]"},
      {[](Asm& a) { a.mov(r8, at(rbx, 12)); }, {0x44, 0x8b, 0x43, 0x0c}, "mov r8d, [rbx+12]"},
      {[](Asm& a) { a.mov(rax, at(r14, 8)); }, {0x41, 0x8b, 0x46, 0x08}, "mov eax, [r14+8]"},
      {[](Asm& a) { a.mov(rdx, at(r12, 4)); }, {0x41, 0x8b, 0x54, 0x24, 0x04}, "mov edx, [r12+4]"},
      {[](Asm& a) { a.mov(rsi, at(rbp, 0)); }, {0x8b, 0x75, 0x00}, "mov esi, [rbp]"},
      {[](Asm& a) { a.mov(rdi, at(r13, 0)); }, {0x41, 0x8b, 0x7d, 0x00}, "mov edi, [r13]"},
      {[](Asm& a) { a.mov(at(r14, 4096), r15); }, {0x45, 0x89, 0xbe, 0x00, 0x10, 0x00, 0x00}, "mov [r14+4096], r15d"},
      {[](Asm& a) { a.mov(at(rbx, 1020), 0); },
       {0xc7, 0x83, 0xfc, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
       "mov dword [rbx+1020], 0"},
      {[](Asm& a) { a.mov(rax, absolute(0x10001000)); }, {0x8b, 0x04, 0x25, 0x00, 0x10, 0x00, 0x10}, "mov eax, [abs]"},
      {[](Asm& a) { a.mov(absolute(0x101C68FC), rax); }, {0x89, 0x04, 0x25, 0xfc, 0x68, 0x1c, 0x10}, "mov [abs], eax"},
      {[](Asm& a) { a.mov64(r14, rsp); }, {0x49, 0x89, 0xe6}, "mov r14, rsp"},
      {[](Asm& a) { a.mov64(rdi, uint64_t{0x55E1DF530640}); },
       {0x48, 0xbf, 0x40, 0x06, 0x53, 0xdf, 0xe1, 0x55, 0x00, 0x00},
       "mov rdi, imm64"},
      {[](Asm& a) { a.lea(rax, at(r8, -1)); }, {0x41, 0x8d, 0x40, 0xff}, "lea eax, [r8-1]"},
      {[](Asm& a) { a.lea64(r12, at(r14, -65544)); },
       {0x4d, 0x8d, 0xa6, 0xf8, 0xff, 0xfe, 0xff},
       "lea r12, [r14-65544]"},
      {[](Asm& a) { a.movsxd(r10, rcx); }, {0x4c, 0x63, 0xd1}, "movsxd r10, ecx"},
      {[](Asm& a) { a.alu(kAdd, rcx, 3); }, {0x83, 0xc1, 0x03}, "add ecx, 3"},
      {[](Asm& a) { a.alu(kSub, rsi, 1000000); }, {0x81, 0xee, 0x40, 0x42, 0x0f, 0x00}, "sub esi, 1000000"},
      {[](Asm& a) { a.alu(kCmp, rax, 100000); }, {0x3d, 0xa0, 0x86, 0x01, 0x00}, "cmp eax, 100000"},
      {[](Asm& a) { a.alu(kAnd, r9, rdi); }, {0x41, 0x21, 0xf9}, "and r9d, edi"},
      {[](Asm& a) { a.alu(kOr, rsi, at(rbx, 1008)); }, {0x0b, 0xb3, 0xf0, 0x03, 0x00, 0x00}, "or esi, [rbx+1008]"},
      {[](Asm& a) { a.alu(kSbb, rcx, rcx); }, {0x19, 0xc9}, "sbb ecx, ecx"},
      {[](Asm& a) { a.alu(kAdd, at(rbx, 12), 5); }, {0x83, 0x43, 0x0c, 0x05}, "add dword [rbx+12], 5"},
      {[](Asm& a) { a.alu(kAdd, at(rbx, 36), rcx); }, {0x01, 0x4b, 0x24}, "add [rbx+36], ecx"},
      {[](Asm& a) { a.alu(kCmp, at(rbx, 1016), 1503); },
       {0x81, 0xbb, 0xf8, 0x03, 0x00, 0x00, 0xdf, 0x05, 0x00, 0x00},
       "cmp dword [rbx+1016], 1503"},
      {[](Asm& a) { a.alu64(kSub, rsp, 4096); }, {0x48, 0x81, 0xec, 0x00, 0x10, 0x00, 0x00}, "sub rsp, 4096"},
      {[](Asm& a) { a.alu64(kCmp, rsp, r12); }, {0x4c, 0x39, 0xe4}, "cmp rsp, r12"},
      {[](Asm& a) { a.imul(rdi, rcx, 7); }, {0x6b, 0xf9, 0x07}, "imul edi, ecx, 7"},
      {[](Asm& a) { a.imul(rcx, at(rbx, 1012), 1110); },
       {0x69, 0x8b, 0xf4, 0x03, 0x00, 0x00, 0x56, 0x04, 0x00, 0x00},
       "imul ecx, [rbx+1012], 1110"},
      {[](Asm& a) { a.imul(r9, r10); }, {0x45, 0x0f, 0xaf, 0xca}, "imul r9d, r10d"},
      {[](Asm& a) { a.imul64(rdx, rdx, 0x40000000); },
       {0x48, 0x69, 0xd2, 0x00, 0x00, 0x00, 0x40},
       "imul rdx, rdx, imm"},
      {[](Asm& a) { a.imul64(rdx, rax); }, {0x48, 0x0f, 0xaf, 0xd0}, "imul rdx, rax"},
      {[](Asm& a) { a.mul64(rdx); }, {0x48, 0xf7, 0xe2}, "mul rdx"},
      {[](Asm& a) { a.neg(r8); }, {0x41, 0xf7, 0xd8}, "neg r8d"},
      {[](Asm& a) { a.dec(r13); }, {0x41, 0xff, 0xcd}, "dec r13d"},
      {[](Asm& a) { a.test(r8, r8); }, {0x45, 0x85, 0xc0}, "test r8d, r8d"},
      {[](Asm& a) { a.shift(kSar, r8, 9); }, {0x41, 0xc1, 0xf8, 0x09}, "sar r8d, 9"},
      {[](Asm& a) { a.shift64(kSar, r10, 32); }, {0x49, 0xc1, 0xfa, 0x20}, "sar r10, 32"},
      {[](Asm& a) { a.div(r11); }, {0x41, 0xf7, 0xf3}, "div r11d"},
      {[](Asm& a) { a.setcc(kG, rsi); }, {0x40, 0x0f, 0x9f, 0xc6}, "setg sil"},
      {[](Asm& a) { a.setcc(kL, r9); }, {0x41, 0x0f, 0x9c, 0xc1}, "setl r9b"},
      {[](Asm& a) { a.setcc(kNE, rcx); }, {0x0f, 0x95, 0xc1}, "setne cl"},
      {[](Asm& a) { a.movzx8(rdi, rdi); }, {0x40, 0x0f, 0xb6, 0xff}, "movzx edi, dil"},
      {[](Asm& a) { a.movzx8(r9, r9); }, {0x45, 0x0f, 0xb6, 0xc9}, "movzx r9d, r9b"},
      {[](Asm& a) { a.cmov(kG, r10, rdi); }, {0x44, 0x0f, 0x4f, 0xd7}, "cmovg r10d, edi"},
      {[](Asm& a) { a.xchg(rcx, r8); }, {0x44, 0x87, 0xc1}, "xchg ecx, r8d"},
      {[](Asm& a) { a.push(r12); }, {0x41, 0x54}, "push r12"},
      {[](Asm& a) { a.pop(r15); }, {0x41, 0x5f}, "pop r15"},
      {[](Asm& a) { a.call(rsi); }, {0xff, 0xd6}, "call rsi"},
      {[](Asm& a) { a.call(absolute(0x10001220)); }, {0xff, 0x14, 0x25, 0x20, 0x12, 0x00, 0x10}, "call [abs]"},
      {[](Asm& a) { a.cvtsi2sd_xmm0(r8); }, {0xf2, 0x41, 0x0f, 0x2a, 0xc0}, "cvtsi2sd xmm0, r8d"},
      {[](Asm& a) { a.mulsd_xmm0(absolute(0x10000100)); },
       {0xf2, 0x0f, 0x59, 0x04, 0x25, 0x00, 0x01, 0x00, 0x10},
       "mulsd xmm0, [abs]"},
      {[](Asm& a) { a.cvtsd2si(r11); }, {0xf2, 0x44, 0x0f, 0x2d, 0xd8}, "cvtsd2si r11d, xmm0"},
  };
  for (const Encoding& c : cases) {
    uint8_t buf[32] = {};
    Asm a(buf, 0x10000000, sizeof buf, nullptr);
    c.emit(a);
    EXPECT_EQ(hex(std::vector<uint8_t>(buf, buf + a.offset())), hex(c.bytes)) << c.text;
  }
}

TEST(X64, JumpsReachTheirLabelsAndNothingIsWrittenPastTheRoom) {
  uint8_t buf[300] = {};
  Asm a(buf, 0x10000000, sizeof buf, nullptr);
  Label back, ahead, far(true);
  a.bind(back);
  a.jcc(kE, ahead);
  a.nops(100);
  a.jmp(back);  // short, backward
  a.bind(ahead);
  a.jcc(kNE, far);
  a.nops(150);  // too far for a short jump
  a.bind(far);
  EXPECT_EQ(buf[0], 0x74);
  EXPECT_EQ(buf[1], 102);  // over the no-operations and the jump back
  EXPECT_EQ(buf[102], 0xEB);
  EXPECT_EQ(static_cast<int8_t>(buf[103]), -104);
  EXPECT_EQ(buf[104], 0x0F);
  EXPECT_EQ(buf[105], 0x85);
  EXPECT_EQ(buf[106] | buf[107] << 8, 150);
  EXPECT_FALSE(a.full());

  uint8_t small[8];
  std::memset(small, 0xAA, sizeof small);
  Asm b(small, 0x10000000, 4, nullptr);
  b.mov(at(rbx, 1020), 0);  // ten bytes into a room of four
  EXPECT_TRUE(b.full());
  EXPECT_EQ(small[4], 0xAA);
}

// The machine instructions the listing shows for the source line `n`.
std::vector<std::string> code_of_line(const std::string& listing, int n) {
  std::vector<std::string> out;
  std::istringstream in(listing);
  std::string l;
  bool inside = false;
  const std::string head = std::to_string(n) + ": ";
  while (std::getline(in, l)) {
    if (!l.empty() && l[0] != ' ') inside = l.rfind(head, 0) == 0;
    if (inside && l.size() > 48 && l.rfind("        ", 0) == 0) out.push_back(l.substr(47));
  }
  return out;
}

int count(const std::vector<std::string>& code, const std::string& prefix) {
  int n = 0;
  for (const std::string& s : code) n += s.rfind(prefix, 0) == 0;
  return n;
}

// Instructions that read a word of the element (variables included).
int reads(const std::vector<std::string>& code) {
  int n = 0;
  for (const std::string& s : code)
    n += s.find("[rbx") != std::string::npos && s.rfind("mov [", 0) != 0 && s.rfind("mov dword [", 0) != 0;
  return n;
}

// The code from the instruction that starts with `mark` on.
std::vector<std::string> after(const std::vector<std::string>& code, const std::string& mark) {
  for (size_t k = 0; k < code.size(); ++k)
    if (code[k].rfind(mark, 0) == 0) return std::vector<std::string>(code.begin() + static_cast<long>(k), code.end());
  return {};
}

class X64Listing : public ::testing::Test {
 protected:
  void SetUp() override {
    brain::unbind_all();
    brain::bind_core_builtins();
  }
  void TearDown() override { brain::bind_core_builtins(); }
};

TEST_F(X64Listing, LoopsKeepTheirVariablesInRegisters) {
  const std::string text = lines({"var i", "var s", "i = 0", "s = 0", "loop:", "s = s + i * 3 + factor_512(i, 7)",
                                  "if s > 1000000", "s = s - 1000000", "endif", "i = i + 1", "if i < 100000",
                                  "goto loop", "endif"});
  const std::string l = brain::listing(text, brain::Backend::kNative);
  // The body reads no variable from memory: i and s are loaded before the
  // loop head (which counts the run budget) and come round in registers;
  // each assignment still stores at once.
  const std::vector<std::string> body = after(code_of_line(l, 6), "dec r13d");
  ASSERT_FALSE(body.empty()) << l;
  EXPECT_EQ(reads(body), 0) << l;
  for (int n : {7, 8, 10, 11}) EXPECT_EQ(reads(code_of_line(l, n)), 0) << n << "\n" << l;
  EXPECT_EQ(count(code_of_line(l, 6), "mov [rbx"), 1) << l;
  EXPECT_EQ(count(code_of_line(l, 10), "mov [rbx"), 1) << l;
  // factor_512 is written in line.
  EXPECT_EQ(count(code_of_line(l, 6), "call"), 0) << l;
  // The comparisons are CMP + Jcc, and "if ... goto ... endif" is one jump back.
  EXPECT_EQ(count(code_of_line(l, 7), "set"), 0) << l;
  EXPECT_EQ(count(code_of_line(l, 7), "j"), 1) << l;
  const std::vector<std::string> tail = code_of_line(l, 11);
  ASSERT_EQ(tail.size(), 2u) << l;
  EXPECT_EQ(tail[0].rfind("cmp", 0), 0u) << l;
  EXPECT_EQ(tail[1].rfind("jl", 0), 0u) << l;
}

TEST_F(X64Listing, CopiesMeetAtJoinsAndAreDroppedAfterCalls) {
  const std::string text = lines({"var a", "var b", "a = b + 1", "if a > 5", "a = a - 1", "else", "a = a + 1", "endif",
                                  "b = a * 2", "print(a, b, 0, 0)", "b = a + b"});
  const std::string l = brain::listing(text, brain::Backend::kNative);
  // After the if / else / endif, a is still in its register.
  EXPECT_EQ(reads(code_of_line(l, 9)), 0) << l;
  // After a call both are read again.
  EXPECT_EQ(reads(code_of_line(l, 11)), 2) << l;
}

TEST_F(X64Listing, ARowBoundAgainIsCalled) {
  const std::string text = lines({"var a", "a = factor_512(a, 3)"});
  EXPECT_EQ(count(code_of_line(brain::listing(text, brain::Backend::kNative), 2), "call"), 0);
  brain::bind("factor_512", &brain::handler<core::factor_512>);
  EXPECT_EQ(count(code_of_line(brain::listing(text, brain::Backend::kNative), 2), "call"), 1);
  // The interpreter's listing names the row it calls.
  EXPECT_NE(brain::listing(text, brain::Backend::kInterpreter).find("factor_512(R1, R2)"), std::string::npos);
}

TEST_F(X64Listing, ErrorsAreListed) {
  EXPECT_EQ(brain::listing(lines({"x = 1"}), brain::Backend::kNative), "error: x = 1 (1)|Unknown variable 'x'!\n");
}

}  // namespace
