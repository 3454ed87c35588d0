// What expressions compute: operator order, unary minus, division, units,
// element references, literals and the order of calls. Every brain here
// runs on both back ends, which must agree.
#include <gtest/gtest.h>

#include <cstring>

#include "brain/arith.h"
#include "core/state.h"
#include "harness.h"

namespace {

using namespace brain_test;

TEST(Expressions, OperatorOrderIsTheLanguagesOwn) {
  Handlers h;
  auto o = run_both(lines({"var a",
                           "var b",
                           "var d",
                           "var x1",
                           "var x2",
                           "var x3",
                           "var x4",
                           "var x5",
                           "var x6",
                           "var x7",
                           "var x8",
                           "var x9",
                           "var x10",
                           "a = 10",
                           "b = 3",
                           "d = 4",
                           "x1 = a*b/d",  // division first: 10*(3/4)
                           "x2 = 2-3+4",
                           "x3 = a-b-d",            // the same operator: leftmost first
                           "x4 = a = b",            // anything after a second "=" is ignored
                           "x5 = 1 or 2 and 4",     // or before and
                           "x6 = 12 xor 10 and 6",  // and before xor
                           "x7 = 8 - 6 / 2 * 3 + 1",
                           "x8 = 1 < 2 <> 0",  // <> before <
                           "x9 = 4 <= 4 >= 5",
                           "X10=A*B"}));  // case does not matter
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(var(0, 4), 0);
  EXPECT_EQ(var(0, 5), 3);
  EXPECT_EQ(var(0, 6), 3);
  EXPECT_EQ(var(0, 7), 10);
  EXPECT_EQ(var(0, 8), 0);
  EXPECT_EQ(var(0, 9), 14);
  EXPECT_EQ(var(0, 10), 0);
  EXPECT_EQ(var(0, 11), 0);
  EXPECT_EQ(var(0, 12), 0);
  EXPECT_EQ(var(0, 13), 30);
}

TEST(Expressions, UnaryMinus) {
  Handlers h;
  auto o = run_both(lines({"var y",
                           "var x1",
                           "var x2",
                           "var x3",
                           "var x4",
                           "var x5",
                           "var x6",
                           "var x7",
                           "var x8",
                           "var x9",
                           "var x10",
                           "var x11",
                           "y = 5",
                           "x1 = -y",
                           "x2 = 3 - -y",
                           "x3 = -3 * -y",
                           "x4 = -sum(y, 1)",
                           "x5 = 2 * -sum(y, 1)",
                           "x6 = -[y + 1]",
                           "x7 = -[y + 1] * 2",
                           "x8 = sum(-y, -[y*2])",
                           "x9 = -[-y]",
                           "x10 = [-sum(y, 1)]",
                           "x11 = - 5"}));
  ASSERT_EQ(o.error, "");
  const int32_t want[] = {-5, 8, 15, -6, -12, -6, -12, -15, 5, -6, -5};
  for (int k = 0; k < 11; ++k) EXPECT_EQ(var(0, k + 2), want[k]) << "x" << k + 1;
}

TEST(Expressions, ComparisonsWithANegatedRightOperand) {
  const std::string brain = lines({"var a", "var b", "var x", "x = a < -b", "var y", "y = a >= -b"});
  for (auto [a, b, x] : {std::tuple{1, 2, 0}, {-3, 2, 1}, {-2, 2, 0}}) {
    run_both(brain, [a = a, b = b] {
      var(0, 1) = a;
      var(0, 2) = b;
    });
    EXPECT_EQ(var(0, 3), x) << a << " < -" << b;
    EXPECT_EQ(var(0, 4), 1 - x);
  }
  // The test compares -a with b, mirrored: at -2147483648 that is what counts.
  run_both(brain, [] {
    var(0, 1) = INT32_MIN;
    var(0, 2) = 1;
  });
  EXPECT_EQ(var(0, 3), 0);
}

TEST(Expressions, DivisionNeverTraps) {
  const std::string brain = lines({"var a", "var b", "var q1", "var q2", "var q3", "var q4", "var q5", "q1 = a / b",
                                   "q2 = a / 0", "q3 = a / -1", "q4 = a / -b", "q5 = -7 / 2"});
  run_both(brain, [] {
    var(0, 1) = 9;
    var(0, 2) = 0;
  });
  EXPECT_EQ(var(0, 3), 2147483647);
  EXPECT_EQ(var(0, 4), 2147483647);
  EXPECT_EQ(var(0, 5), -9);
  EXPECT_EQ(var(0, 6), 2147483647);
  EXPECT_EQ(var(0, 7), -3);
  run_both(brain, [] {
    var(0, 1) = INT32_MIN;
    var(0, 2) = -1;
  });
  EXPECT_EQ(var(0, 3), INT32_MIN);
  EXPECT_EQ(var(0, 5), INT32_MIN);
  EXPECT_EQ(var(0, 6), INT32_MIN);  // a / -(-1)
  run_both(brain, [] {
    var(0, 1) = -7;
    var(0, 2) = 2;
  });
  EXPECT_EQ(var(0, 3), -3);
  EXPECT_EQ(var(0, 6), 3);
}

TEST(Expressions, DivisionByConstants) {
  // Constant divisors compile to multiplications; they must truncate like
  // the division of every other operand.
  std::vector<int32_t> divisors = {2,   3,   5,    6,    7,     9,     10,    12,      25,          100,
                                   125, 641, 1000, 1024, 17067, 65536, 65537, 1 << 30, 2147483647,  1,
                                   0,   -1,  -2,   -3,   -7,    -10,   -1000, -65536,  -2147483647, INT32_MIN};
  std::string text = "var n\r\n";
  for (size_t i = 0; i < divisors.size(); ++i) text += "var q" + std::to_string(i) + "\r\n";
  for (size_t i = 0; i < divisors.size(); ++i) {
    const int32_t d = divisors[i];
    // Negative constants are written with a unary minus; -2147483648 as 2147483648 wraps.
    text += "q" + std::to_string(i) + " = n / " + (d < 0 && d != INT32_MIN ? "-" : "") +
            std::to_string(d == INT32_MIN ? 2147483648u : uint32_t(d < 0 ? -d : d)) + "\r\n";
  }
  std::vector<int32_t> numerators = {0,
                                     1,
                                     -1,
                                     2,
                                     -2,
                                     6,
                                     -6,
                                     7,
                                     -7,
                                     99,
                                     -99,
                                     1000,
                                     -1001,
                                     65535,
                                     -65536,
                                     INT32_MAX,
                                     INT32_MIN,
                                     INT32_MAX - 1,
                                     INT32_MIN + 1};
  uint32_t x = 12345;
  for (int i = 0; i < 60; ++i) numerators.push_back(int32_t(x = x * 1103515245u + 12345u));
  for (int32_t n : numerators) {
    run_both(text, [n] { var(0, 1) = n; });
    for (size_t i = 0; i < divisors.size(); ++i)
      ASSERT_EQ(var(0, int(i) + 2), brain::div32(n, divisors[i])) << n << " / " << divisors[i];
  }
}

TEST(Expressions, NumbersAndUnits) {
  auto o = run_both(lines({"var a", "var b", "var c", "var d", "var e", "var f", "var g", "a = 1.5mt", "b = 90dg",
                           "c = 1ms", "d = 60rm", "e = -1.5mt", "f = 0x1F", "g = 4000000000"}));
  ASSERT_EQ(o.error, "");
  const int32_t want[] = {768000, 46080, 17067, 6144, -768000, 31, int32_t(4000000000u)};
  for (int k = 0; k < 7; ++k) EXPECT_EQ(var(0, k + 1), want[k]);
  EXPECT_EQ(compile(lines({"var a", "a = 1.5"})), "a = 1.5 (2)|Unknown symbol '1.5'!");
}

TEST(Expressions, ElementReferences) {
  Handlers h;
  const std::string brain = lines({"var a", "var b", "var c", "var d", "a = element", "b = element#2", "c = element#-1",
                                   "d = element + 4", "local_set(element#1, 3, 77)"});
  run_both(brain, {}, 1);
  const uint32_t self = core::element_ref(1);
  EXPECT_EQ(uint32_t(var(1, 1)), self);
  EXPECT_EQ(uint32_t(var(1, 2)), core::element_ref(3));
  EXPECT_EQ(uint32_t(var(1, 3)), core::element_ref(0));
  EXPECT_EQ(uint32_t(var(1, 4)), self + 4);
  EXPECT_EQ(var(2, 4), 77);  // local 3 of the next element is its variable 4
  EXPECT_EQ(compile(lines({"var a", "a = 4 + element"})),
            "a = 4 + element (2)|Variable 'element' must be left operand");
  EXPECT_EQ(compile(lines({"var a", "a = -element"})), "a = -element (2)|Unknown symbol '-element'!");
  EXPECT_EQ(compile(lines({"var elementx", "var a", "a = elementx"})), "a = elementx (3)|Unknown symbol 'elementx'!");
  EXPECT_EQ(compile(lines({"var a", "a = element#"})), "a = element# (2)|Unknown symbol 'element#'!");
}

TEST(Expressions, StringLiterals) {
  Handlers h;
  core::State& cs = core::state();
  const std::string saved = cs.folders.program;
  cs.folders.program = "/opt/quill/";
  run_both(lines({"var s", "var t", "var u", "var n", "S = \"Hello World\"", "t = \"a\\nb\\0c\\td\"",
                  "u = \".\\sounds\\x.wav\"", "n = str_len(\"Mixed CASE\")"}));
  cs.folders.program = saved;
  EXPECT_STREQ(core::at<const char>(uint32_t(var(0, 1))), "Hello World");
  const char* t = core::at<const char>(uint32_t(var(0, 2)));
  EXPECT_EQ(std::string(t, 9), std::string("a\nb\0c\\td\0", 9));
  EXPECT_STREQ(core::at<const char>(uint32_t(var(0, 3))), "\\opt\\quill\\sounds\\x.wav");
  EXPECT_EQ(var(0, 4), 10);
  const brain::State& s = brain::state();
  EXPECT_GE(uint32_t(var(0, 1)), s.literal_begin);
  EXPECT_LT(uint32_t(var(0, 4)), s.literal_end);
  EXPECT_EQ(s.literal_begin, cs.pools.strings.addr);

  // Literals are handed out left to right in the order the compiler meets
  // them: the inner call comes first and gets the first literal.
  auto o = run_both(lines({"a_set(\"first\", str_len(\"second!\"), 0)"}));
  ASSERT_EQ(o.error, "");
  ASSERT_EQ(Handlers::log().size(), 2u);
  EXPECT_EQ(Handlers::log()[0].name, "str_len");
  EXPECT_EQ(Handlers::log()[1].args[1], 5);  // strlen("first")
  EXPECT_STREQ(core::at<const char>(uint32_t(Handlers::log()[1].args[0])), "second!");

  EXPECT_EQ(compile(lines({"var n", "n = str_len(\"a;b\")"})), "n = str_len(\"a (2)|Brackets nesting error!");
  EXPECT_EQ(compile(lines({"var n", "n = \"ab\" + 1"})), "n = \"..\" + 1 (2)|Unknown symbol '\"..\"'!");
}

TEST(Expressions, CallsAndTheirArguments) {
  Handlers h;
  auto o = run_both(lines({"var sum", "var r", "sum = 4", "sum = SUM(sum, 1)", "r = PRINT(1, -2, sum, par_get(2))"}));
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(var(0, 1), 5);  // a variable may bear a built-in's name
  EXPECT_EQ(var(0, 2), 7);
  ASSERT_EQ(Handlers::log().size(), 1u);
  EXPECT_EQ(Handlers::log()[0], (Call{"print", core::element_ref(0), {1, -2, 5, 6}}));
  run_both(lines({"a2_set(1, 2, 3, 4, 5)", "a2_set(sum(1, 1), -[3], 4 - 1, [5], element)"}));
  ASSERT_EQ(Handlers::log().size(), 2u);
  EXPECT_EQ(Handlers::log()[1].args, (std::vector<int32_t>{2, -3, 3, 5, int32_t(core::element_ref(0))}));
}

TEST(Expressions, OrderOfCallsAndReads) {
  Handlers h;
  // Calls run in the order of their closing brackets.
  run_both(lines({"print(random(1, 2), random(3, 4), abs(random(5, 6)), 0)"}));
  std::vector<std::string> names;
  for (const Call& c : Handlers::log()) names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::string>{"random", "random", "random", "abs", "print"}));
  EXPECT_EQ(Handlers::log()[4].args, (std::vector<int32_t>{1002, 3004, 5006, 0}));

  // An argument holding an operator is evaluated after the calls inside the
  // call's brackets, just before the call; top-level operators and groups
  // come after every call.
  run_both(lines({"var y", "var x1", "var x2", "var x3", "var x4", "y = 1",
                  "x1 = sum(y + 0, local_set(element, 0, 50))", "x2 = sum(y, local_set(element, 0, 60))",
                  "x3 = y + local_set(element, 0, 70)", "x4 = [y + 0] + sum(local_set(element, 0, 90), 1)"}));
  EXPECT_EQ(var(0, 2), 50);
  EXPECT_EQ(var(0, 3), 60);
  EXPECT_EQ(var(0, 4), 70);
  EXPECT_EQ(var(0, 5), 91);
  EXPECT_EQ(var(0, 1), 90);

  // The condition of "if a=1 and b=2" evaluates both comparisons, then the and.
  auto o = run_both(lines({"var a", "var b", "var r", "a = 1", "b = 2", "if a=1 and b=2", "r = 1", "endif",
                           "if a=1 and b=3", "r = r + 10", "endif"}));
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(var(0, 3), 1);
}

TEST(Expressions, TemporariesAreSharedWithBrainsRunMidStatement) {
  // Element 1 runs element 0's brain through execute in the middle of a
  // statement. The inner run reuses the temporary cells, so the outer
  // statement reads what the inner one left in slot 0 (3, not 500).
  Handlers h;
  auto o = run_both(
      lines({"var r", "var outer", "if outer", "r = sum(abs(500), execute(element#-1))", "else", "r = sum(abs(3), 4)",
             "endif"}),
      [] { var(1, 2) = 1; }, 1);
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(var(0, 1), 7);
  EXPECT_EQ(var(1, 1), 3);
}

}  // namespace
