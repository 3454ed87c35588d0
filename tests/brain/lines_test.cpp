#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <utility>

#include "brain/lines.h"

namespace {

using brain::Line;

TEST(Lines, PreparingCutsTrimsMasksAndLowerCases) {
  Line l;
  brain::prepare_line("\t  X = Print(\"Hello; there\", A) ; comment", 7, l);
  EXPECT_EQ(l.raw, "X = Print(\"Hello");  // the comment starts inside the literal
  brain::prepare_line(" \tS = STR_ADD(s, \"A(b)=C\")\t ", 3, l);
  EXPECT_EQ(l.raw, "S = STR_ADD(s, \"A(b)=C\")");
  EXPECT_EQ(l.text, "s = str_add(s, \"......\")");
  EXPECT_EQ(l.prefix, "s = str_add(s, \"......\") (3)|");
  brain::prepare_line("A\tB \"unpaired", 1, l);
  EXPECT_EQ(l.text, "a b \"unpaired");
}

TEST(Lines, Declarations) {
  EXPECT_EQ(brain::declaration_kind("var speed = 3"), 0);
  EXPECT_EQ(brain::declaration_kind("userele target"), 1);
  EXPECT_EQ(brain::declaration_kind("userspi turn = 10"), 6);
  EXPECT_EQ(brain::declaration_kind("userxyz a"), -1);
  EXPECT_EQ(brain::declaration_kind("variable = 3"), -1);
  EXPECT_EQ(brain::declaration_kind("var"), -1);
  EXPECT_EQ(brain::header_kind("userxyz a"), 0);
  EXPECT_EQ(brain::header_kind("var a"), 7);
  EXPECT_EQ(brain::header_kind("userdeg a"), 4);
  EXPECT_EQ(brain::header_kind("x = 1"), -1);
}

TEST(Lines, StatementForm) {
  std::string first3;
  EXPECT_EQ(brain::statement_form("if a = 1 and b or c xor d", &first3),
            "ifa=1&b\xF5"
            "c\xF8"
            "d");
  EXPECT_EQ(first3, "if ");
  // Unary minus after an operator or opening bracket; binary otherwise.
  EXPECT_EQ(brain::statement_form("x = -y * -z - 3 - -4"),
            "x=\xD1y*\xD1z-3-\xD1"
            "4");
  EXPECT_EQ(brain::statement_form("f(-a, [-b])"),
            "f(\xD1"
            "a,[\xD1"
            "b])");
  EXPECT_EQ(brain::statement_form("if -a"), "if-a");  // "if" precedes it
  EXPECT_EQ(brain::statement_form("x = element#-2 + element#3"), "x=element\\2+element#3");
  EXPECT_EQ(brain::statement_form("a <= b =< c <> d >< e >= f => g < h > i"),
            "a\xA3"
            "b\xA3"
            "c!d!e$f$g<h>i");
  EXPECT_EQ(brain::statement_form("print(1,2,3,4) editor"), "print(1,2,3,4)");
  EXPECT_EQ(brain::statement_form("f(1) editor g(2) editor"), "f(1)g(2)");
  EXPECT_EQ(brain::statement_form("en d if"), "endif");
  EXPECT_EQ(brain::statement_form("band or"), "bandor");  // the words need blanks around them
}

TEST(Lines, BracketNesting) {
  EXPECT_TRUE(brain::brackets_balanced("f([a],(b))"));
  EXPECT_TRUE(brain::brackets_balanced(""));
  EXPECT_FALSE(brain::brackets_balanced("f(a]"));
  EXPECT_FALSE(brain::brackets_balanced("[a"));
  EXPECT_FALSE(brain::brackets_balanced("a)"));
  EXPECT_FALSE(brain::brackets_balanced("([)]"));
  // Past any depth each closing bracket still has to match its own opener.
  const std::string deep = std::string(300, '(') + "[a]" + std::string(300, ')');
  EXPECT_TRUE(brain::brackets_balanced(deep));
  for (size_t at : {size_t(0), size_t(63), size_t(64), size_t(255), size_t(256), size_t(299)}) {
    std::string square = deep;
    square[at] = '[';
    EXPECT_FALSE(brain::brackets_balanced(square)) << at;
    square[deep.size() - 1 - at] = ']';
    EXPECT_TRUE(brain::brackets_balanced(square)) << at;
  }
}

// The compiler reuses one buffer for the statement form of line after line;
// a shorter line after a longer one leaves nothing of it behind, and the
// prefix the compiler builds when it needs it is the one the line carries.
TEST(Lines, StatementFormInAReusedBufferAndLatePrefix) {
  std::string out, first3;
  brain::statement_form("x = limit(a <= b, -1000, 1000) and c", out, &first3);
  EXPECT_EQ(out,
            "x=limit(a\xA3"
            "b,\xD1"
            "1000,1000)&c");
  brain::statement_form("if a", out, &first3);
  EXPECT_EQ(out, "ifa");
  EXPECT_EQ(first3, "if ");
  brain::statement_form("", out, &first3);
  EXPECT_EQ(out, "");
  EXPECT_EQ(first3, "");
  Line l;
  brain::prepare_line("  Goto Far_Away ; later", 12, l, false);
  EXPECT_EQ(l.prefix, "");
  EXPECT_EQ(brain::line_prefix(l.text, 12), "goto far_away (12)|");
}

// The statement form (and its bracket answer) against the plain way of
// writing it: every rewrite over the whole line, one after the other, on
// lines made of the characters that matter to it, in every order.
std::string replaced(std::string s, std::string_view from, std::string_view to) {
  std::string out;
  for (size_t at = 0;;) {
    const size_t hit = s.find(from, at);
    out += s.substr(at, hit == std::string::npos ? std::string::npos : hit - at);
    if (hit == std::string::npos) return out;
    out += to;
    at = hit + from.size();
  }
}
std::string plain_form(std::string s, std::string* first3) {
  if (s.size() >= 8 && s.compare(s.size() - 8, 8, ") editor") == 0) s = replaced(s, ") editor", ")");
  s = replaced(s, " and ", "&");
  s = replaced(s, " or ", "\xF5");
  s = replaced(s, " xor ", "\xF8");
  *first3 = s.substr(0, 3);
  std::string out;
  for (char c : s) {
    if (c == ' ') continue;
    if (c == '-' && !out.empty()) {
      if (out.back() == '#') {
        out.back() = '\\';
        continue;
      }
      if (std::string_view("&(*+,-/<=>[\xF5\xF8").find(out.back()) != std::string_view::npos) c = '\xD1';
    }
    out += c;
  }
  for (const auto& [from, to] :
       {std::pair{"<=", "\xA3"}, {"=<", "\xA3"}, {"<>", "!"}, {"><", "!"}, {">=", "$"}, {"=>", "$"}})
    out = replaced(out, from, to);
  return out;
}

TEST(Lines, StatementFormAgreesWithThePlainRewriting) {
  const std::string_view pieces[] = {" ", "<",     ">",    "=",     "-",   "#",   "(",  ")",        "[",   "]", "a",
                                     "1", " and ", " or ", " xor ", "and", "or ", " x", ") editor", "if ", "&", ","};
  uint32_t x = 12345;
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    for (int n = static_cast<int>(x % 12); n >= 0; --n) {
      x = x * 1103515245u + 12345u;
      text += pieces[(x >> 16) % std::size(pieces)];
    }
    x = x * 1103515245u + 12345u;
    std::string out, first3, plain_first3;
    const bool balanced = brain::statement_form(text, out, &first3);
    ASSERT_EQ(out, plain_form(text, &plain_first3)) << '"' << text << '"';
    ASSERT_EQ(first3, plain_first3) << '"' << text << '"';
    ASSERT_EQ(balanced, brain::brackets_balanced(out)) << '"' << text << '"';
  }
  // Comparisons that overlap are shortened in the fixed order of the rewrites.
  EXPECT_EQ(brain::statement_form("a =<= b"),
            "a=\xA3"
            "b");
  EXPECT_EQ(brain::statement_form("a <=> b"), "a\xA3>b");
  EXPECT_EQ(brain::statement_form("a >=< b"),
            "a>\xA3"
            "b");
}

TEST(Lines, StatementFormChecksBracketsOfAnyDepth) {
  std::string out;
  for (size_t depth : {size_t(1), size_t(63), size_t(64), size_t(65), size_t(300)}) {
    const std::string nested = "x = " + std::string(depth, '[') + "a" + std::string(depth, ']');
    EXPECT_TRUE(brain::statement_form(nested, out, nullptr)) << depth;
    std::string wrong = nested;
    wrong[4] = '(';  // the outermost pair no longer matches
    EXPECT_FALSE(brain::statement_form(wrong, out, nullptr)) << depth;
    EXPECT_FALSE(brain::statement_form(nested + ")", out, nullptr)) << depth;
    EXPECT_FALSE(brain::statement_form("(" + nested, out, nullptr)) << depth;
  }
}

}  // namespace
