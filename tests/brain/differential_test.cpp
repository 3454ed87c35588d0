// Random brains run on both back ends, which must agree on every variable,
// temporary, call and status. The generator writes valid programs only, so
// each must also compile.
#include <gtest/gtest.h>

#include <random>

#include "harness.h"

namespace {

using namespace brain_test;

struct Generator {
  std::mt19937 rng;
  std::string out;
  int labels = 0;
  int loop_depth = 0;
  int if_depth = 0;
  int subs = 3;
  int counter_base = 0;  // each subroutine counts its loops in its own variables

  explicit Generator(uint32_t seed) : rng(seed) {}

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  bool chance(int percent) { return pick(100) < percent; }

  std::string spaced(std::string_view op) {
    static const char* pads[] = {"", " ", "  ", "\t"};
    return pads[pick(4)] + std::string(op) + pads[pick(4)];
  }
  std::string variable() { return "v" + std::to_string(1 + pick(6)); }

  std::string constant() {
    static const char* fixed[] = {"0",          "1",          "2",     "7",    "100", "2147483647", "2147483648",
                                  "0x7FFFFFFF", "0xffffffff", "1.5mt", "90dg", "3ms", "60rm",       "0.001mt"};
    return chance(50) ? std::to_string(pick(2000)) : fixed[pick(14)];
  }

  std::string call(int depth) {
    switch (pick(6)) {
      case 0: return "sum(" + expr(depth) + "," + expr(depth) + ")";
      case 1: return "Subtract(" + expr(depth) + ", " + expr(depth) + ")";
      case 2: return "abs(" + expr(depth) + ")";
      case 3: return "random(" + expr(depth) + "," + expr(depth) + ")";
      case 4: return "par_get(" + expr(depth) + ")";
      default:
        return "local_set(" + std::string(chance(50) ? "element" : "element#1") + ", " + std::to_string(pick(6)) +
               ", " + expr(depth) + ")";
    }
  }

  std::string leaf(int depth) {
    switch (pick(4)) {
      case 0: return constant();
      case 1: return (chance(30) ? "-" : "") + variable();
      case 2: return depth > 0 ? (chance(20) ? "-" : "") + call(depth - 1) : variable();
      default: return depth > 0 ? (chance(20) ? "-" : "") + ("[" + expr(depth - 1) + "]") : constant();
    }
  }

  // No "=" here: an assignment's value ends at the next "=".
  std::string expr(int depth, bool comparisons = false) {
    static const char* ops[] = {"/",  "*",    "-",     "+",     "<>", "<",  ">",  "<=",
                                ">=", " or ", " and ", " xor ", "=<", "=>", "><", "&"};
    std::string e = leaf(depth);
    if (chance(15)) e = "element" + std::string(chance(50) ? "" : "#2") + " + " + e;
    const int n = pick(4);
    for (int i = 0; i < n; ++i) {
      std::string op = ops[pick(16)];
      if (comparisons && chance(15)) op = "=";
      e += (op[0] == ' ' ? op : spaced(op)) + leaf(depth);
    }
    return e;
  }

  void line(const std::string& s) { out += s + "\r\n"; }

  void statements(int n, int depth) {
    for (int i = 0; i < n; ++i) statement(depth);
  }

  void statement(int depth) {
    const int kind = pick(depth > 2 ? 3 : 8);
    switch (kind) {
      case 0:
      case 1: line(variable() + spaced("=") + expr(2)); break;
      case 2:
        line(chance(50) ? "print(" + expr(1) + ", " + expr(1) + "," + expr(1) + ", " + expr(1) + ")"
                        : "a2_set(" + expr(1) + "," + expr(1) + "," + expr(1) + "," + expr(1) + "," + expr(1) + ")");
        break;
      case 3:
      case 4: {
        std::string condition = expr(2, true);
        if (condition[0] == '-') condition = "0+" + condition;  // a leading minus is no unary minus there
        line("if " + condition);
        statements(1 + pick(3), depth + 1);
        if (chance(50)) {
          line(chance(80) ? "else" : "el se");
          statements(1 + pick(3), depth + 1);
          if (chance(15)) {
            line("else");
            statements(1, depth + 1);
          }
        }
        line(chance(80) ? "endif" : "End If");
        break;
      }
      case 5: {
        if (loop_depth >= 2) break;
        const std::string counter = "c" + std::to_string(counter_base + loop_depth + 1);
        const std::string label = "loop" + std::to_string(labels++);
        line(counter + " = 0");
        line(label + ":");
        ++loop_depth;
        statements(1 + pick(3), depth + 1);
        --loop_depth;
        line(counter + " = " + counter + " + 1");
        line("if " + counter + " < " + std::to_string(1 + pick(5)));
        line("goto " + label);
        line("endif");
        break;
      }
      case 6:
        if (subs > 0) line("gosub sub" + std::to_string(pick(subs)));
        break;
      default: {
        const std::string label = "skip" + std::to_string(labels++);
        line("goto " + label);
        statements(1, depth + 1);
        line(label + ":");
      }
    }
  }

  std::string brain() {
    for (int i = 1; i <= 6; ++i) line("var v" + std::to_string(i));
    for (int c = 1; c <= 2 * (subs + 1); ++c) line("var c" + std::to_string(c));
    statements(4 + pick(10), 0);
    line("return");
    for (int s = 0; s < subs; ++s) {
      line("sub" + std::to_string(s) + ":");
      const int saved = subs;
      subs = s;  // a subroutine only calls the ones before it
      counter_base = 2 * (s + 1);
      statements(1 + pick(4), 1);
      subs = saved;
      line("return");
    }
    return out;
  }
};

TEST(Differential, RandomBrainsAgreeOnBothBackEnds) {
  Handlers h;
  BoxCapture boxes;
  for (uint32_t seed = 1; seed <= 1000; ++seed) {
    const std::string text = Generator(seed).brain();
    SCOPED_TRACE("seed " + std::to_string(seed));
    auto o = run_both(text, [seed] {
      std::mt19937 values(seed);  // the same start for each back end
      for (int e = 0; e < 3; ++e)
        for (int k = 1; k <= 6; ++k) {
          const auto v = static_cast<int32_t>(values());
          var(e, k) = v >> (values() % 31);
        }
    });
    ASSERT_EQ(o.error, "") << "seed " << seed << "\n" << text;
    ASSERT_EQ(o.snap.status, 0) << "seed " << seed << "\n" << text;
  }
}

}  // namespace
