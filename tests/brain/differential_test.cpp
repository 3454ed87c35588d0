// Random brains run on both back ends, which must agree on every variable,
// temporary, call and status. The generator writes valid programs only, so
// each must also compile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <random>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/builtins/words.h"
#include "core/angles.h"
#include "core/state.h"
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
  // Also the rows the native code writes in line, real calls that write
  // variables or run a brain, and labels that several jumps arrive at.
  bool rich = false;
  // execute(element#1) is written only where element 1 does not reach it
  // itself: its brain is this one, and runs that nest run exponentially long.
  bool may_execute = false;

  explicit Generator(uint32_t seed, bool rich_brains = false) : rng(seed), rich(rich_brains) {}

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

  std::string rich_call(int depth) {
    auto e = [&] { return expr(depth); };
    switch (pick(22)) {
      case 0: return "abs(" + e() + ")";
      case 1: return "absolute_value(" + e() + ")";
      case 2: return "sum(" + e() + ", " + e() + ")";
      case 3: return "subtract(" + e() + "," + e() + ")";
      case 4: return "multiply(" + e() + ", " + e() + ")";
      case 5: return "divide(" + e() + ", " + e() + ")";
      case 6: return "limit(" + e() + ", " + e() + ", " + e() + ")";
      case 7: return "between(" + e() + ", " + e() + ", " + e() + ")";
      case 8: return "wrap(" + e() + ", " + e() + ", " + e() + ")";
      case 9: return "wrap(" + e() + ", -" + std::to_string(pick(100)) + ", " + std::to_string(pick(100)) + ")";
      case 10: return "factor_512(" + e() + ", " + e() + ")";
      case 11: return "sqrt_512(" + e() + ")";
      case 12: return "random(" + e() + ", " + e() + ")";
      case 13: return "random(" + std::to_string(pick(5)) + ", " + std::to_string(pick(300)) + ")";
      case 14: return "position_x(element)";
      case 15: return "velocity_y(element)";
      case 16: return "position_x_add(element, " + e() + ")";
      case 17: return "velocity_y_set(element, " + e() + ")";
      case 18: return "spin_z_add(element#1, " + e() + ")";
      case 19: return "par_get(" + e() + ")";
      case 20: return may_execute ? "execute(element#1)" : "par_get(" + e() + ")";
      default:
        return "local_set(" + std::string(chance(50) ? "element" : "element#1") + ", " + std::to_string(pick(6)) +
               ", " + e() + ")";
    }
  }

  std::string call(int depth) {
    if (rich && chance(70)) return rich_call(depth);
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

  // Labels that several jumps arrive at: a forward label reached from two
  // ifs and the fall-through, and a loop head with two jumps back.
  void joins(int depth) {
    const std::string label = "join" + std::to_string(labels++);
    for (int k = 0; k < 2; ++k) {
      line("if " + condition());
      line("goto " + label);
      line("endif");
      statements(1 + pick(2), depth + 1);
    }
    line(label + ":");
    if (loop_depth >= 2) return;
    const std::string counter = "c" + std::to_string(counter_base + loop_depth + 1);
    const std::string head = "again" + std::to_string(labels++);
    line(counter + " = 0");
    line(head + ":");
    line(counter + " = " + counter + " + 1");
    ++loop_depth;
    statements(1 + pick(2), depth + 1);
    line("if " + counter + " < 3 and [" + condition() + "]");
    line("goto " + head);
    line("endif");
    statements(1 + pick(2), depth + 1);
    --loop_depth;
    line("if " + counter + " < 2");
    line("goto " + head);
    line("endif");
  }

  std::string condition() {
    std::string c = expr(2, true);
    if (c[0] == '-') c = "0+" + c;  // a leading minus is no unary minus there
    return c;
  }

  void statement(int depth) {
    if (rich && depth <= 2 && chance(8)) {
      joins(depth);
      return;
    }
    if (rich && loop_depth == 0 && counter_base == 0 && chance(6)) {  // a brain run in the middle of a statement
      line("if element + 0 <> [element#1 + 0]");
      may_execute = true;
      const std::string v = variable();
      line(v + " = " + expr(1) + " + execute(element#1) * [" + expr(1) + "] - [" + expr(2) + "]");
      may_execute = false;
      line("endif");
      return;
    }
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

// Runs generated brains on both back ends, from the same start.
void agree(uint32_t first, uint32_t last, bool rich) {
  for (uint32_t seed = first; seed <= last; ++seed) {
    const std::string text = Generator(seed, rich).brain();
    SCOPED_TRACE("seed " + std::to_string(seed));
    auto o = run_both(text, [seed] {
      std::mt19937 values(seed);  // the same start for each back end
      for (int e = 0; e < 3; ++e) {
        for (int k = 1; k <= 6; ++k) {
          const auto v = static_cast<int32_t>(values());
          var(e, k) = v >> (values() % 31);
        }
        for (int w = core::kPosition; w < core::kSpin + 3; ++w)
          core::element_state(e)->w[w] = static_cast<int32_t>(values() % 2001) - 1000;
      }
      core::state().random_pos = seed % 2000;
      core::state().pump_count = seed;
    });
    ASSERT_EQ(o.error, "") << "seed " << seed << "\n" << text;
    ASSERT_EQ(o.snap.status, 0) << "seed " << seed << "\n" << text;
  }
}

// The rows the native code writes in line are bound as the engine binds
// them; print, par_get and local_set log their calls, execute runs a brain.
TEST(Differential, InLineRowsJoinsAndCallsThatRunBrainsAgreeOnBothBackEnds) {
  const std::string table = core::make_random_table();
  std::memcpy(core::state().pools.random.bytes(), table.data(), table.size());
  Handlers h;
  BoxCapture boxes;
  brain::general::bind_integers();
  brain::bind_inline<brain::words::get<core::kPosition>>("position_x");
  brain::bind_inline<brain::words::get<core::kVelocity + 1>>("velocity_y");
  brain::bind_inline<brain::words::add<core::kPosition>>("position_x_add");
  brain::bind_inline<brain::words::set<core::kVelocity + 1>>("velocity_y_set");
  brain::bind_inline<brain::words::add<core::kSpin + 2>>("spin_z_add");
  agree(1, 1000, true);
}

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

namespace {

// Every in-line row and operator on the values where 32-bit arithmetic
// turns: INT_MIN, INT_MAX, 0 (divisors), -1 (INT_MIN / -1), 1 and a small
// odd number, each argument written as a variable or as a constant (the
// native code folds constants and picks other instruction forms for them).
// The interpreter calls the routines, so agreeing proves the machine code
// does what they do.
TEST(Differential, InLineRowsAtTheirExtremesAgreeWithTheRoutines) {
  const std::string table = core::make_random_table();
  std::memcpy(core::state().pools.random.bytes(), table.data(), table.size());
  Handlers h;
  BoxCapture boxes;
  brain::general::bind_integers();
  const int32_t values[] = {INT32_MIN, INT32_MAX, 0, -1, 1, 7};
  const char* constants[] = {"0x80000000", "2147483647", "0", "0xffffffff", "1", "7"};
  struct Form {
    const char* text;  // x, y, z stand for the arguments
    int args;
  };
  const Form forms[] = {{"abs(x)", 1},
                        {"sum(x, y)", 2},
                        {"subtract(x, y)", 2},
                        {"multiply(x, y)", 2},
                        {"divide(x, y)", 2},
                        {"limit(x, y, z)", 3},
                        {"between(x, y, z)", 3},
                        {"wrap(x, y, z)", 3},
                        {"factor_512(x, y)", 2},
                        {"random(x, y)", 2},
                        {"x / y", 2},
                        {"x * y", 2},
                        {"x - y", 2},
                        {"x + y", 2},
                        {"-x / y", 2},
                        {"x < y", 2},
                        {"x >= y", 2},
                        {"x xor y", 2},
                        {"wrap(x + y, y, 1000)", 2}};
  constexpr int kOutputs = 100;
  for (const Form& f : forms) {
    // Every choice of values, each argument a variable (v1..v6 hold the
    // values) or a constant.
    std::vector<std::string> statements;
    int combos = 1;
    for (int k = 0; k < f.args; ++k) combos *= 6;
    for (int combo = 0; combo < combos; ++combo)
      for (int written = 0; written < (1 << f.args); ++written) {
        std::string e;
        for (const char* p = f.text; *p; ++p) {
          const int k = *p == 'x' ? 0 : *p == 'y' ? 1 : *p == 'z' ? 2 : -1;
          if (k < 0 || (p > f.text && std::isalpha(static_cast<unsigned char>(p[-1]))) ||
              std::isalpha(static_cast<unsigned char>(p[1]))) {
            e += *p;
            continue;
          }
          int v = combo;
          for (int j = 0; j < k; ++j) v /= 6;
          v %= 6;
          e += (written >> k & 1) ? constants[v] : "v" + std::to_string(v + 1);
        }
        statements.push_back(e);
      }
    for (size_t first = 0; first < statements.size(); first += kOutputs) {
      std::string text;
      for (int k = 1; k <= 6; ++k) text += "var v" + std::to_string(k) + "\r\n";
      for (int k = 1; k <= kOutputs; ++k) text += "var r" + std::to_string(k) + "\r\n";
      for (size_t s = first; s < std::min(statements.size(), first + kOutputs); ++s)
        text += "r" + std::to_string(s - first + 1) + " = " + statements[s] + "\r\n";
      SCOPED_TRACE(std::string(f.text) + " from statement " + std::to_string(first));
      const auto o = run_both(text, [&] {
        for (int k = 1; k <= 6; ++k) var(0, k) = values[k - 1];
        core::state().random_pos = 17;
      });
      ASSERT_EQ(o.error, "") << text;
      ASSERT_EQ(o.snap.status, 0) << text;
    }
  }
}

// Labels reached from several places while values sit in registers: the
// copies each path holds (different ones, in different registers) must meet
// correctly, also after calls that write variables (local_set) or run
// another subroutine, for every way through.
TEST(Differential, RegisterCopiesMeetAtJoinsWithSeveralPredecessors) {
  Handlers h;
  BoxCapture boxes;
  brain::general::bind_integers();
  brain::bind_inline<brain::words::add<core::kPosition>>("position_x_add");
  const std::string brains[] = {
      // A forward label reached by three gotos and the fall-through.
      lines({"var a",
             "var b",
             "var c",
             "var d",
             "var e",
             "a = b + 1",
             "e = a * 3",
             "if c > 0",
             "b = a * 2",
             "if d > 0",
             "goto j",
             "endif",
             "a = a + b",
             "e = b - a",
             "if d = 0",
             "goto j",
             "endif",
             "else",
             "if d < 0",
             "a = 7",
             "goto j",
             "endif",
             "b = b - a",
             "endif",
             "c = c + 1",
             "j:",
             "c = a + b + c + e",
             "d = d + a * b - e"}),
      // A loop head with three jumps back from different branches, with
      // in-line rows in the body.
      lines({"var a",
             "var b",
             "var c",
             "var d",
             "var e",
             "a = 0",
             "top:",
             "a = a + 1",
             "b = b + a * 3 + factor_512(a, 7)",
             "if b > c",
             "e = e + b",
             "b = b - c",
             "if a < 20",
             "goto top",
             "endif",
             "else",
             "d = abs(d - b)",
             "position_x_add(element, d)",
             "if a < 25",
             "goto top",
             "endif",
             "endif",
             "e = wrap(e + d, -5000, 5000)",
             "if a < 30",
             "goto top",
             "endif"}),
      // A call that writes a variable held in a register, in one branch
      // only; a gosub in the other.
      lines({"var a",     "var b",    "var c",
             "var d",     "var e",    "a = b + 1",
             "e = a + c", "if c > 0", "local_set(element, 0, 99)",
             "d = a + e", "else",     "if d < 0",
             "gosub s",   "else",     "b = a - e",
             "endif",     "endif",    "c = a + b + d + e",
             "if d > 0",  "goto j",   "endif",
             "a = a - 1", "j:",       "e = a * e + b",
             "return",    "s:",       "a = a * 2",
             "b = d",     "return"}),
      // Else chains whose sections each end with a jump to the same label.
      lines({"var a",         "var b",
             "var c",         "var d",
             "var e",         "a = c * 5",
             "b = d - 1",     "if c < 0",
             "a = b",         "goto j",
             "else",          "if d < 0",
             "b = a",         "goto j",
             "else",          "e = a + b",
             "goto j",        "endif",
             "endif",         "j:",
             "c = a - b + e", "d = sum(a, b) + limit(e, -3, 3)"}),
  };
  const int32_t picks[] = {-1, 0, 1, INT32_MAX};
  for (size_t n = 0; n < std::size(brains); ++n)
    for (int32_t c : picks)
      for (int32_t d : picks)
        for (int32_t b : {5, INT32_MIN}) {
          SCOPED_TRACE("brain " + std::to_string(n) + " b " + std::to_string(b) + " c " + std::to_string(c) + " d " +
                       std::to_string(d));
          const auto o = run_both(brains[n], [&] {
            var(0, 1) = 3;
            var(0, 2) = b;
            var(0, 3) = c;
            var(0, 4) = d;
            var(0, 5) = -2;
          });
          ASSERT_EQ(o.error, "");
          ASSERT_EQ(o.snap.status, 0);
        }
}

}  // namespace
