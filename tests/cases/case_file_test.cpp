// The case format itself: what a case file turns into, and faults named by
// their line so that a broken case says where it is broken.
#include "cases/case_file.h"

#include <gtest/gtest.h>

namespace {

using case_corpus::Case;
using case_corpus::Expectation;
using case_corpus::Fault;

TEST(CaseFormat, ElementsBrainsOptionsAndExpectations) {
  const char* text =
      "# A comment.\n"
      "options: --ticks 20\n"
      "input: 5 key 1 27\n"
      "input: 9 stall 30\n"
      "\n"
      "element Camera\n"
      "  velocity_x = 30   # per second\n"
      "  field 38 = 1/1\n"
      "  brain:\n"
      "    var n\n"
      "\n"
      "    if n = 0\n"
      "      n = 1   ; kept, with its indentation\n"
      "    endif\n"
      "  type = 0\n"
      "element\n"
      "  brain: exit(1)\n"
      "expect:\n"
      "  tick_count = 5\n"
      "  exit_code != 0x10\n"
      "  global 2047 >= -3\n"
      "  element 0 word 3 = 512000\n"
      "  element Camera var 2 < 7\n"
      "  element 1 velocity_y <= 0\n"
      "  message contains \"exit to # sub-project\"   # a comment\n"
      "  message lacks \"ERROR\"\n";
  Case c;
  std::vector<Fault> faults;
  ASSERT_TRUE(case_corpus::parse_case(text, c, faults)) << faults[0].line << ": " << faults[0].what;
  EXPECT_EQ(c.options, "--ticks 20");
  EXPECT_EQ(c.input, (std::vector<std::string>{"5 key 1 27", "9 stall 30"}));
  ASSERT_EQ(c.elements.size(), 2u);
  EXPECT_EQ(c.elements[0].fields, (std::map<int, std::string>{{1, "Camera"}, {17, "30"}, {36, "0"}, {38, "1/1"}}));
  EXPECT_EQ(c.elements[0].brain, "var n\n\nif n = 0\n  n = 1   ; kept, with its indentation\nendif\n");
  EXPECT_TRUE(c.elements[1].fields.empty());
  EXPECT_EQ(c.elements[1].brain, "exit(1)\n");
  ASSERT_EQ(c.expectations.size(), 8u);
  const Expectation& tick = c.expectations[0];
  EXPECT_EQ(tick.kind, Expectation::Kind::kCounter);
  EXPECT_EQ(tick.counter, "tick_count");
  EXPECT_EQ(tick.line, 19);
  EXPECT_EQ(c.expectations[1].op, "!=");
  EXPECT_EQ(c.expectations[1].value, 16);
  EXPECT_TRUE(c.expectations[1].pattern);
  EXPECT_FALSE(c.expectations[2].pattern);
  EXPECT_EQ(c.expectations[2].kind, Expectation::Kind::kGlobal);
  EXPECT_EQ(c.expectations[2].index, 2047);
  EXPECT_EQ(c.expectations[2].value, -3);
  EXPECT_EQ(c.expectations[3].element, "0");
  EXPECT_EQ(c.expectations[3].index, 3);
  EXPECT_EQ(c.expectations[4].element, "Camera");
  EXPECT_EQ(c.expectations[4].index, 254);  // variable 2
  EXPECT_EQ(c.expectations[5].index, 10);
  EXPECT_EQ(c.expectations[6].kind, Expectation::Kind::kMessageContains);
  EXPECT_EQ(c.expectations[6].text, "exit to # sub-project");
  EXPECT_EQ(c.expectations[7].kind, Expectation::Kind::kMessageLacks);
}

TEST(CaseFormat, FaultsNameTheirLines) {
  const char* text =
      "optoins: --ticks 3\n"  // 1: unknown heading
      "  brain: exit(1)\n"    // 2: outside an element
      "element\n"
      "  colour = red\n"  // 4: unknown setting
      "  brain: exit(1)\n"
      "  brain: exit(2)\n"  // 6: a second brain
      "expect:\n"
      "  tick_count = five\n"                  // 8: not an integer
      "  tick_count 5\n"                       // 9: no operator
      "  element 0 var 0 = 1\n"                // 10: variables count from 1
      "  element 0 word 256 = 1\n"             // 11: words end at 255
      "  element 0 speed = 1\n"                // 12: no such word
      "  global 2048 = 0\n"                    // 13
      "  message shows \"x\"\n"                // 14
      "  message contains x\n"                 // 15
      "  exit-code = 1\n"                      // 16
      "  tick_count = 99999999999999999999\n"  // 17: out of range
      "  exit_code = 0x100000000\n"            // 18: more than 32 bits
      "  exit_code = -0x1\n";                  // 19: a pattern has no sign
  Case c;
  std::vector<Fault> faults;
  EXPECT_FALSE(case_corpus::parse_case(text, c, faults));
  std::vector<int> lines;
  for (const Fault& f : faults) lines.push_back(f.line);
  EXPECT_EQ(lines, (std::vector<int>{1, 2, 4, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0}));
  EXPECT_EQ(faults.back().what, "the case expects nothing");
}

TEST(CaseFormat, ComparisonsAndNames) {
  EXPECT_TRUE(case_corpus::holds(5, "=", 5));
  EXPECT_TRUE(case_corpus::holds(4, "!=", 5));
  EXPECT_TRUE(case_corpus::holds(-6, "<", -5));
  EXPECT_TRUE(case_corpus::holds(5, "<=", 5));
  EXPECT_FALSE(case_corpus::holds(5, ">", 5));
  EXPECT_TRUE(case_corpus::holds(5, ">=", 5));
  EXPECT_FALSE(case_corpus::holds(5, "==", 5));
  EXPECT_EQ(case_corpus::field_number("field 17"), 17);
  EXPECT_EQ(case_corpus::field_number("velocity_x"), 17);
  EXPECT_EQ(case_corpus::field_number("field"), 0);
  EXPECT_EQ(case_corpus::field_number("field 0"), 0);
  EXPECT_EQ(case_corpus::word_number("velocity_x"), 9);
  EXPECT_EQ(case_corpus::word_number("timer"), 43);
  EXPECT_EQ(case_corpus::word_number("field"), -1);
}

TEST(CaseFormat, ChecksAgainstADumpAndMessages) {
  std::string words;
  for (int w = 0; w < 256; ++w)
    words += (w ? "," : "") + std::to_string(w == 255 ? 12 : w == 254 ? -2147483647 - 1 : 0);
  const testing_support::Dump dump = testing_support::Dump::parse(
      "{\"tick_count\":6,\"globals\":[0,4],\"elements\":[{\"index\":0,\"name\":\"Cam\",\"words\":[" + words + "]}]}");
  ASSERT_TRUE(dump.ok()) << dump.error();
  const std::vector<testing_support::Message> messages{{"box", "When compiled, exit to end screen", {}, 1}};
  Case c;
  std::vector<Fault> faults;
  ASSERT_TRUE(case_corpus::parse_case(
      "element\nexpect:\n  tick_count = 6\n  tick_count > 6\n  global 1 = 4\n  element Cam var 1 = 12\n"
      "  element Nobody var 1 = 12\n  element 3 timer = 0\n  frames = 0\n  message contains \"end screen\"\n"
      "  message lacks \"end screen\"\n  message contains \"ERROR\"\n  element 0 var 2 = 0x80000000\n"
      "  element 0 var 2 > 0x7FFFFFFF\n  element 0 var 2 < 0\n  element 0 var 1 = 0xC\n",
      c, faults));
  std::vector<bool> passed;
  std::vector<std::string> shown;
  for (const Expectation& e : c.expectations) {
    std::string s;
    passed.push_back(case_corpus::check(e, dump, messages, s));
    shown.push_back(s);
  }
  EXPECT_EQ(passed, (std::vector<bool>{true, false, true, true, false, false, false, true, false, false, true, true,
                                       true, true}));
  EXPECT_EQ(shown[10], "-2147483648 (0x80000000)");
  EXPECT_EQ(shown[1], "6");
  EXPECT_EQ(shown[4], "no element Nobody in the dump");
  EXPECT_EQ(shown[5], "nothing in the dump");
  EXPECT_EQ(shown[6], "nothing in the dump");
  EXPECT_EQ(shown[8], "the message \"When compiled, exit to end screen\"");
  EXPECT_NE(shown[9].find("box: \"When compiled, exit to end screen\""), std::string::npos) << shown[9];
}

}  // namespace
