// What the compiler produces, byte for byte: a fixed set of brains (long
// game-like ones, generated ones with every kind of statement, operand and
// operator, and broken ones) compiled by each back end, hashed together with
// the error texts, the entries and the literals. Work on the compiler's
// speed must leave every hash as it was recorded.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/builtins/words.h"
#include "brain/code_area.h"
#include "core/angles.h"
#include "core/state.h"
#include "harness.h"

namespace {

using namespace brain_test;

// A small generator of its own, so that the texts never depend on a
// library's random distributions.
struct Writer {
  uint64_t x;
  std::string out;
  int labels = 0;
  bool sound;  // no line meant to fail

  Writer(uint64_t seed, bool sound_lines) : x(seed * 0x9E3779B97F4A7C15ull + 1), sound(sound_lines) {}
  uint32_t next() {
    x = x * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(x >> 33);
  }
  int pick(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
  bool chance(int percent) { return pick(100) < percent; }
  template <size_t N>
  const char* one(const char* const (&list)[N]) {
    return list[pick(static_cast<int>(N))];
  }

  std::string pad() {
    static const char* const pads[] = {"", "", " ", "  ", "\t"};
    return one(pads);
  }
  std::string variable() {
    static const char* const names[] = {"a", "b", "speed", "Heat", "x_1", "VAR9", "score"};
    return one(names);
  }
  std::string constant() {
    static const char* const fixed[] = {"0",       "1",    "7",     "2147483647", "4294967296",
                                        "0x1F",    "0XfF", "1.5mt", "0.25MT",     "90dg",
                                        "3.333ms", "60rm", "12.mt", "0.001mt",    "99999999999"};
    return chance(60) ? std::to_string(pick(5000)) : one(fixed);
  }
  std::string element() {
    static const char* const refs[] = {"element", "element#1", "element#-2", "element#300", "Element#12"};
    return one(refs);
  }
  std::string call(int depth) {
    auto e = [&] { return expr(depth); };
    switch (pick(20)) {
      case 0: return "abs(" + e() + ")";
      case 1: return "sum(" + e() + "," + pad() + e() + ")";
      case 2: return "factor_512(" + e() + ", " + e() + ")";
      case 3: return "limit(" + e() + ", " + e() + ", " + e() + ")";
      case 4: return "wrap(" + e() + ", -1000, 1000)";
      case 5: return "random(0, " + e() + ")";
      case 6: return "position_x(" + element() + ")";
      case 7: return "velocity_y_set(element, " + e() + ")";
      case 8: return "position_x_add(" + element() + ", " + e() + ")";
      case 9: return "print(" + e() + ", " + e() + ", " + e() + ", " + e() + ")";
      case 10: return "str_len(\"text " + std::to_string(pick(9)) + "\")";
      case 11: return "debug(\".\\\\file\\n\")";
      case 12: return "multiply(" + e() + ", " + e() + ")";
      case 13: return "sqrt_512(" + e() + ")";
      case 14: return "divide(" + e() + ", " + e() + ")";
      case 15: return "visual_picked(element)";
      case 16: return "between(" + e() + ", " + e() + ", " + e() + ")";
      case 17: return "Par_Get(" + e() + ")";
      case 18: return "local_set(element#1, 2, " + e() + ")";
      default: return "first_element()";
    }
  }
  std::string leaf(int depth) {
    switch (pick(5)) {
      case 0: return constant();
      case 1: return (chance(8) ? "-" : "") + variable();
      case 2: return depth > 0 ? (chance(8) ? "-" : "") + call(depth - 1) : variable();
      case 3: return depth > 0 ? (chance(8) ? "-" : "") + ("[" + expr(depth - 1) + "]") : constant();
      default: return sound || chance(99) ? variable() : element();
    }
  }
  std::string expr(int depth) {
    static const char* const ops[] = {"/",    "*",     "-",     "+",  "<>", "<",  ">", "<=",   ">=",
                                      " or ", " and ", " xor ", "=<", "=>", "><", "&", " OR ", " And "};
    std::string e = leaf(depth);
    for (int n = pick(4); n > 0; --n) e += pad() + one(ops) + pad() + leaf(depth);
    return e;
  }
  std::string condition() {
    std::string c = expr(2);
    if (c[0] == '-' && (sound || chance(80))) c = "0+" + c;  // a leading minus there is no unary minus
    if (chance(20)) c += " = " + leaf(1);
    return c;
  }
  // Now and then a lone LF, which joins two lines into one.
  void line(const std::string& s) { out += s + (sound || chance(95) ? "\r\n" : "\n"); }

  // Mostly sound lines; now and then one that fails in its own way.
  std::string broken() {
    static const char* const lines[] = {
        "a = = 3",      "a = (3",       "a = [3",      "a = nosuch(1)",   "a = abs(1, 2)",
        "b = 3 +",      "7 = a",        "a = 1 2",     "goto nowhere",    "goto averyveryverylonglabel",
        "endif",        "else",         "a = abs(]",   "a = element - 1", "a = \"s\" + 1",
        "a = -element", "c = 1",        "a = sum(1,)", "a = [1]2",        "a = x(",
        "if",           "a = b(1)",     "a = abs 1",   "a = 1 and",       "a = 0x",
        "a = 1e5",      "a = 3 + 0x1g", "element = 1"};
    return one(lines);
  }

  void statements(int n, int depth) {
    for (int i = 0; i < n; ++i) statement(depth);
  }
  void statement(int depth) {
    switch (pick(depth > 2 ? 4 : 11)) {
      case 0:
      case 1: line(pad() + variable() + pad() + "=" + pad() + expr(2) + (chance(20) ? " ; note" : "")); break;
      case 2: line(call(1)); break;
      case 3: line(chance(50) ? "; a comment" : ""); break;
      case 4:
      case 5:
        line("If " + condition());
        statements(1 + pick(3), depth + 1);
        if (chance(50)) {
          line("else");
          statements(1 + pick(3), depth + 1);
        }
        line(chance(85) ? "endif" : "EndIf");
        break;
      case 6: {
        const std::string label = "lab" + std::to_string(labels++);
        line(label + ":");
        statements(1 + pick(3), depth + 1);
        line("if " + condition());
        line("goto " + label);
        line("endif");
        break;
      }
      case 7: line("gosub sub" + std::to_string(pick(2))); break;
      case 8: {
        const std::string label = "fwd" + std::to_string(labels++);
        line("goto " + label);
        statements(1, depth + 1);
        line(label + ":");
        break;
      }
      case 9: line(!sound && chance(20) ? broken() : call(1) + " editor"); break;
      default: line("score = score + " + call(1) + " - [" + expr(1) + "]"); break;
    }
  }
  std::string brain() {
    static const char* const decls[] = {"var a",   "VAR b = 3",    "var speed=1.5mt",  "var Heat ; hot",
                                        "var x_1", "userele VAR9", "userint score = 7"};
    for (const char* d : decls) out += std::string(d) + "\r\n";
    statements(5 + pick(25), 0);
    line("return");
    for (int s = 0; s < 2; ++s) {
      line("sub" + std::to_string(s) + ":");
      statements(1 + pick(4), 2);
      line("return");
    }
    return out;
  }
};

// The compile benchmark's brains (bench/brain_bench.cpp), copied so that
// the recorded hashes stay put when the benchmark changes its brains.
std::string long_brain(int seed) {
  std::string b = "var a\r\nvar b\r\nvar c\r\nvar d\r\nvar e\r\nvar f\r\n";
  for (int k = 0; k < 13; ++k) {
    const std::string n = std::to_string(seed + k), label = "l" + std::to_string(k);
    b += label + ":\r\n";
    b += "a = a + " + n + " * b\r\n";
    b += "if a > c\r\nb = [a - c] / 3\r\nelse\r\nc = c + abs(b) - " + n + "\r\nendif\r\n";
    b += "d = random(0, 99)\r\n";
    b += "if d < 20\r\ne = e - 3\r\nendif\r\n";
    b += "velocity_x_set(element, factor_512(e, 700))\r\n";
    b += "position_x_add(element, velocity_x(element))\r\n";
    b += "f = wrap(f + d - 50, -1000, 1000)   ; keep the score in range\r\n";
    b += "if f > " + n + " and d = 3\r\ngoto " + label + "\r\nendif\r\n";
    b += "gosub cool\r\n";
    b += "b = b xor " + n + " and 255\r\n";
    b += "; steer towards the middle\r\n";
    b += "c = limit(c - [a + d] / 5, -4000, 4000)\r\n";
  }
  b += "return\r\ncool:\r\n";
  for (int line = 281; line < 299; ++line) b += "e = e - [e + " + std::to_string(line) + "] / 8\r\n";
  return b + "return\r\n";
}

struct Hash {
  uint64_t h = 0xcbf29ce484222325ull;
  void add(const void* data, size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
  }
  void add(const std::string& s) {
    add(s.data(), s.size());
    add("\0", 1);
  }
  void add(uint32_t v) { add(&v, sizeof v); }
};

// Compiles the brains in projects of eight and hashes everything a compile leaves.
uint64_t hash_of(const std::vector<std::string>& texts, brain::Backend backend, bool editor_mode) {
  Hash hash;
  for (size_t first = 0; first < texts.size(); first += 8) {
    brain::CompileRequest req;
    req.backend = backend;
    req.editor_mode = editor_mode;
    for (size_t i = first; i < texts.size() && i < first + 8; ++i)
      req.elements.push_back({"e" + std::to_string(i), "brains/e.brn", texts[i]});
    const brain::CompileReport r = brain::compile_project(req);
    for (size_t i = 0; i < r.errors.size(); ++i) {
      hash.add(r.errors[i]);
      hash.add(static_cast<uint32_t>(r.share[i]));
      hash.add(static_cast<uint32_t>(core::element_state(static_cast<int>(i))->w[core::kBrainEntry]));
    }
    hash.add(static_cast<uint32_t>(r.picking_needed));
    const uint32_t start = brain::code_base() + brain::kHeaderBytes;
    // The native code of random holds the address of the random position,
    // which moves with the program: it counts by its distance from core's state.
    std::vector<uint8_t> code(core::at<const uint8_t>(start), core::at<const uint8_t>(brain::state().code_end));
    const auto state_at = reinterpret_cast<uintptr_t>(&core::state());
    for (size_t k = 0; k + 8 <= code.size(); ++k) {
      uint64_t v;
      std::memcpy(&v, &code[k], 8);
      if (v >= state_at && v < state_at + sizeof(core::State)) {
        v -= state_at;
        std::memcpy(&code[k], &v, 8);
      }
    }
    hash.add(code.data(), code.size());
    hash.add(core::state().pools.strings.bytes(), r.strings_used);
  }
  return hash.h;
}

TEST(CompiledForm, EveryByteStaysAsRecorded) {
  // The hashes hold for the code area where the arena normally lies: its
  // addresses are written into the code.
  if (brain::code_base() != 0x10000000u) GTEST_SKIP() << "the arena lies elsewhere";
  Handlers h;
  BoxCapture boxes;
  brain::general::bind_integers();
  brain::bind_inline<brain::words::get<core::kPosition>>("position_x");
  brain::bind_inline<brain::words::add<core::kPosition>>("position_x_add");
  brain::bind_inline<brain::words::set<core::kVelocity + 1>>("velocity_y_set");
  std::vector<std::string> texts;
  for (int seed = 0; seed < 16; ++seed) texts.push_back(long_brain(seed * 7));
  for (uint64_t seed = 1; seed <= 240; ++seed) texts.push_back(Writer(seed, seed <= 120).brain());
  texts.push_back("");
  texts.push_back("return");
  texts.push_back("var a\r\na = 1");  // no final line break
  texts.push_back(std::string("var a\r\na = 1\0+2\r\n", 18));

  struct Expected {
    brain::Backend backend;
    bool editor_mode;
    uint64_t hash;
  };
  const Expected expected[] = {
      {brain::Backend::kNative, false, 14603404300918708280ull},
      {brain::Backend::kInterpreter, false, 12235800063462202340ull},
      {brain::Backend::kNative, true, 7272215098256426352ull},
  };
  for (const Expected& e : expected)
    EXPECT_EQ(hash_of(texts, e.backend, e.editor_mode), e.hash)
        << (e.backend == brain::Backend::kNative ? "native" : "interpreter") << (e.editor_mode ? ", editor mode" : "");
}

}  // namespace
