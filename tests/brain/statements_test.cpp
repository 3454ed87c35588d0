// Lines and statements: labels, jumps, if/else/endif, assignments, editor
// mode, and every compile error with its exact text.
#include <gtest/gtest.h>

#include "brain/statements.h"
#include "brain/state.h"
#include "harness.h"

namespace {

using namespace brain_test;

std::vector<brain::Insn> ir_of(std::string_view text) {
  std::string error;
  brain::BrainOptions options;
  EXPECT_TRUE(brain::compile_to_ir(text, options, error)) << error;
  return brain::state().work.ir;
}

bool same(const std::vector<brain::Insn>& a, const std::vector<brain::Insn>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].op != b[i].op || a[i].a != b[i].a || a[i].slot != b[i].slot || a[i].v != b[i].v) return false;
  return true;
}

TEST(Statements, SpellingDoesNotMatter) {
  EXPECT_TRUE(same(ir_of(lines({"var x", "var y", "X = Y"})), ir_of(lines({"var x", "var y", "x=y"}))));
  EXPECT_TRUE(same(ir_of(lines({"var x", "IF x <= 3 AND x >= 1", "x = 1", "END IF"})),
                   ir_of(lines({"var x", "if x=<3&x=>1  ; comment", "x=1", "endif"}))));
  EXPECT_TRUE(same(ir_of("var x\r\n\tx = 1\t"), ir_of(lines({"var x", "x = 1"}))));
}

TEST(Statements, LinesEndOnlyWithCrLf) {
  auto o = run_both("var x\r\nvar y\r\nx = 5\r\ny = 6");  // last line without CR LF
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(var(0, 1), 5);
  EXPECT_EQ(var(0, 2), 6);
  // A lone LF stays inside the line; blank and comment lines are counted.
  EXPECT_EQ(compile("var x\r\n\r\n; note\r\nx = 1\ny = 2\r\n"), "x = 1\ny = 2 (4)|Unknown symbol '1\ny'!");
}

TEST(Statements, IfElseEndif) {
  const std::string brain = lines(
      {"var c", "var r", "r = 0", "if c", "r = r + 1", "else", "r = r + 10", "else", "r = r + 100", "endif"});
  run_both(brain, [] { var(0, 1) = 5; });
  EXPECT_EQ(var(0, 2), 101);  // first and third sections
  run_both(brain, [] { var(0, 1) = 0; });
  EXPECT_EQ(var(0, 2), 10);
  const std::string nested = lines(
      {"var a", "var b", "var r", "if a", "if b", "r = 1", "else", "r = 2", "endif", "else", "r = 3", "endif"});
  for (auto [a, b, r] : {std::tuple{1, 1, 1}, {1, 0, 2}, {0, 1, 3}, {0, 0, 3}}) {
    run_both(nested, [a = a, b = b] {
      var(0, 1) = a;
      var(0, 2) = b;
    });
    EXPECT_EQ(var(0, 3), r);
  }
}

TEST(Statements, LabelsGotoGosubReturn) {
  Handlers h;
  auto o = run_both(lines({"var i", "var s", "var g", "Loop:", "i = i + 1", "gosub add", "if i < 10", "goto LOOP",
                           "endif", "goto done", "add:", "s = s + i", "return", "done:", "g = 1", "return", "g = 2"}));
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(var(0, 1), 10);
  EXPECT_EQ(var(0, 2), 55);
  EXPECT_EQ(var(0, 3), 1);  // "return" in the main flow ends the run

  const std::string l16 = "abcdefghijklmnop", l17 = l16 + "q";
  o = run_both(lines({"var x", "goto " + l16, "x = 1", l16 + ":", "x = x + 2"}));
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(var(0, 1), 2);
  EXPECT_EQ(compile(lines({l17 + ":"})), l17 + ": (1)|Labels can't be longer than 16 characters");
  EXPECT_EQ(compile(lines({"goto " + l17})), "goto " + l17 + " (1)|Labels can't be longer than 16 characters");
  EXPECT_EQ(compile(lines({"", "gosub " + l17})), "gosub " + l17 + " (2)|Labels can't be longer than 16 characters");
  EXPECT_EQ(compile(lines({"a:", "A:"})), "a: (2)|Label already defined");
  EXPECT_EQ(compile(lines({"goto nowhere"})), "goto nowhere (1)|Label 'nowhere' not found!");
  // Gotos are linked before gosubs; the label is the rest of the line, blanks included.
  EXPECT_EQ(compile(lines({"a:", "gosub b", "goto  a"})), "goto  a (3)|Label ' a' not found!");
  EXPECT_EQ(compile(lines({"a:", "gosub b", "goto a"})), "gosub b (2)|Label 'b' not found!");
}

TEST(Statements, Assignments) {
  EXPECT_EQ(compile(lines({"var x", "y = 1"})), "y = 1 (2)|Unknown variable 'y'!");
  EXPECT_EQ(compile(lines({"var x", "5 = x"})), "5 = x (2)|Unknown variable '5'!");
  EXPECT_EQ(compile(lines({"var x", "x ="})), "x = (2)|Unknown symbol ''!");
  // Declarations may follow their use; the second of two equal names is unreachable.
  auto o = run_both(lines({"a = 3", "var a", "var a", "a = a + 1"}));
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(var(0, 1), 4);
  EXPECT_EQ(var(0, 2), 0);
}

TEST(Statements, CompileErrorTexts) {
  struct Case {
    std::vector<std::string_view> brain;
    std::string error;
  };
  const Case cases[] = {
      {{"var x", "x = (1+2)*2"}, "x = (1+2)*2 (2)|Square brackets '[' exected but round brackets '(' found instead!"},
      {{"var x", "x = sum(1,2)(3)"},
       "x = sum(1,2)(3) (2)|Square brackets '[' exected but round brackets '(' found instead!"},
      {{"var x", "x = [1+2"}, "x = [1+2 (2)|Brackets nesting error!"},
      {{"var x", "x = sum(1,2]"}, "x = sum(1,2] (2)|Brackets nesting error!"},
      {{"var x", "x = zz + 1"}, "x = zz + 1 (2)|Unknown symbol 'zz'!"},
      {{"var x", "x = first_element"}, "x = first_element (2)|Unknown symbol 'first_element'!"},
      {{"var x", "x = a b"}, "x = a b (2)|Unknown symbol 'ab'!"},
      {{"var x", "x = sum(1,2)x"}, "x = sum(1,2)x (2)|Unknown symbol 'sum(1,2)x'!"},
      {{"var x", "x = 1, 2"}, "x = 1, 2 (2)|Unknown symbol '1,2'!"},
      {{"var x", "if -x", "endif"}, "if -x (2)|Unknown symbol ''!"},
      {{"var x", "x = foo(1)"}, "x = foo(1) (2)|Unknown function/instruction 'foo'!"},
      {{"var x", "x = sum(1)"}, "x = sum(1) (2)|'sum' requires 2 parameter(s)!"},
      {{"var x", "x = first_element(1)"}, "x = first_element(1) (2)|'first_element' requires 0 parameter(s)!"},
      {{"var x", "x = sum(1, zz)"}, "x = sum(1, zz) (2)|Unknown parameter 'zz'!"},
      {{"var x", "x = sum(1, )"}, "x = sum(1, ) (2)|Unknown parameter ''!"},
      {{"var x", "x = sum(1, -element)"}, "x = sum(1, -element) (2)|Unknown parameter '-element'!"},
      {{"var x", "x = sum(zz + 1, 2)"}, "x = sum(zz + 1, 2) (2)|Unknown symbol 'zz'!"},
      {{"var x", "x = x +"}, "x = x + (2)|Variable (or value, or function) expected: x+"},
      {{"var x", "x = 1 + element"}, "x = 1 + element (2)|Variable 'element' must be left operand"},
      {{"userxyz b = 2"}, "userxyz b = 2 (1)|Unknown variable 'userxyzb'!"},
      {{"else"}, "If...endif nesting error!"},
      {{"var x", "if x", "endif", "endif"}, "If...endif nesting error!"},
      {{"var x", "if x", "x = 1"}, "If...endif nesting error!"},
  };
  for (const Case& c : cases) {
    std::string text;
    for (auto l : c.brain) (text += l) += "\r\n";
    EXPECT_EQ(compile(text), c.error) << text;
    EXPECT_EQ(compile(text, brain::Backend::kInterpreter), c.error) << text;
  }
  std::string many;
  for (int i = 0; i < 128; ++i) many += "var v" + std::to_string(i) + "\r\n";
  EXPECT_EQ(compile(many), "Too many variables defined!");
  EXPECT_EQ(compile(many.substr(many.find('\n') + 1)), "");  // 127 declarations
}

TEST(Statements, EditorMode) {
  Handlers h;
  const std::string brain = lines({"var a", "a = 5", "print(1, a, element, \"Txt\") editor", "print(2, 2, 2, 2)",
                                   "if a", "print(3, sum(1, 2), 3 + 1, 3) editor", "endif", "goto nowhere",
                                   "print(random(1, 2), zz, 1, 1) editor", "print( 4, 4, 4, 4 ) editor",
                                   "a = print(5, 5, 5, 5) editor", "x:"});
  clear_elements();
  ASSERT_EQ(compile(brain, brain::kDefaultBackend, true), "");
  run();
  const uint32_t self = core::element_ref(0);
  ASSERT_EQ(Handlers::log().size(), 3u);
  const Call& first = Handlers::log()[0];
  EXPECT_EQ(first.args[0], 1);
  EXPECT_EQ(first.args[1], 0);  // variables read as 0
  EXPECT_EQ(uint32_t(first.args[2]), self);
  EXPECT_STREQ(core::at<const char>(uint32_t(first.args[3])), "Txt");
  EXPECT_EQ(Handlers::log()[1].args, (std::vector<int32_t>{3, 0, 0, 3}));  // temporaries too
  EXPECT_EQ(Handlers::log()[2].args, (std::vector<int32_t>{4, 4, 4, 4}));
  EXPECT_EQ(var(0, 1), 0);
  // Label definitions are still checked.
  EXPECT_EQ(compile(lines({"x:", "x:"}), brain::kDefaultBackend, true), "x: (2)|Label already defined");
  // In an ordinary compile the editor lines are ordinary calls.
  EXPECT_EQ(compile(lines({"print(1, 1, 1, 1) editor"})), "");
}

}  // namespace
