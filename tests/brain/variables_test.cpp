#include <gtest/gtest.h>

#include "brain/numbers.h"
#include "brain/variables.h"
#include "core/element_state.h"
#include "core/text.h"
#include "harness.h"

namespace {

using brain_test::lines;

TEST(Variables, DeclarationsNumberSlotsInFileOrder) {
  std::vector<brain::Variable> v;
  brain::collect_declarations(lines({"; header", "var speed = 1.5mt", "x = 1", "USERELE Target", "userxyz skipped",
                                     "var speed", "var\ttabbed"}),
                              v);
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[0].name, "speed");
  EXPECT_EQ(v[0].offset, 1020);
  EXPECT_EQ(v[1].name, "target");
  EXPECT_EQ(v[1].kind, 1);
  EXPECT_EQ(v[1].offset, 1016);
  EXPECT_EQ(v[2].name, "speed");  // a second slot, unreachable by name
  EXPECT_EQ(v[3].name, "tabbed");
  EXPECT_EQ(brain::slot_offset(127), 516);
}

TEST(Variables, ParameterList) {
  EXPECT_EQ(brain::parameter_list(lines({"var a=1", "userint b=2", "x = 5", "userdeg c=90"})),
            "3/7/1/1020/2/2/1016/4/90/1012");
  EXPECT_EQ(brain::parameter_list(""), "0");
  // Default text: blanks before kept, after removed, ends at "=" or ";";
  // an unknown user kind is kind 0; separators of the record cannot leak in.
  EXPECT_EQ(brain::parameter_list(lines({"var a = 5 ; note", "userfoo b = x = y", "var c", "var d = 1/2|3"})),
            "4/7/ 5/1020/0/ x/1016/7//1012/7/ 1 2 3/1008");
  std::string many;
  for (int i = 0; i < 140; ++i) many += "var v" + std::to_string(i) + "\r\n";
  EXPECT_EQ(core::field(brain::parameter_list(many), 1, '/'), "129");
}

TEST(Variables, ValueConversionsByKind) {
  EXPECT_EQ(brain::parameter_value(7, " 1.5mt"), 768000);
  EXPECT_EQ(brain::parameter_value(4, "90"), 46080);
  EXPECT_EQ(brain::parameter_value(3, "1.5"), 768000);
  EXPECT_EQ(brain::parameter_value(5, "1"), 17067);
  EXPECT_EQ(brain::parameter_value(6, "60"), 6144);
  EXPECT_EQ(brain::parameter_value(2, " -12.7"), -12);
  EXPECT_EQ(brain::parameter_value(0, "abc"), 0);
  EXPECT_EQ(brain::parameter_value(7, "0x10"), 16);
  EXPECT_EQ(brain::parameter_value(7, " 0x10"), 0);  // a blank before hexadecimal
  EXPECT_EQ(brain::parameter_value(7, " 25"), 25);
  EXPECT_EQ(brain::parameter_value(7, " -5"), -5);
  EXPECT_EQ(brain::parameter_value(7, "12abc"), 12);
  EXPECT_EQ(brain::parameter_value(7, "element"), 0);
  EXPECT_EQ(brain::parameter_value(1, "3"), int32_t(core::element_ref(3)));
  EXPECT_EQ(brain::parameter_value(1, "256"), -1);
  EXPECT_EQ(brain::parameter_value(1, "-1"), -1);
}

TEST(Numbers, BrainNumbers) {
  int32_t v;
  ASSERT_TRUE(brain::parse_number("250", v));
  EXPECT_EQ(v, 250);
  ASSERT_TRUE(brain::parse_number("0x1f", v));
  EXPECT_EQ(v, 31);
  ASSERT_TRUE(brain::parse_number("1.2345mt", v));  // cut, not rounded
  EXPECT_EQ(v, 1234 * 512);
  ASSERT_TRUE(brain::parse_number("1dg", v));
  EXPECT_EQ(v, 512);
  ASSERT_TRUE(brain::parse_number("0.001dg", v));
  EXPECT_EQ(v, 0);
  ASSERT_TRUE(brain::parse_number("4194303mt", v));  // 64-bit product, low 32 bits kept
  EXPECT_EQ(v, int32_t(uint32_t(uint64_t(4194303000u) * 512u)));
  ASSERT_TRUE(brain::parse_number("2147483.647ms", v));
  EXPECT_EQ(v, int32_t(uint32_t(int64_t(2147483647) * 17067 / 1000)));
  ASSERT_TRUE(brain::parse_number("33.3rm", v));
  EXPECT_EQ(v, 33300 * 1024 / 10000);
  ASSERT_TRUE(brain::parse_number("4294967297", v));  // wraps like the number readers
  EXPECT_EQ(v, 1);
  for (const char* bad : {"1.5", "", "0x", "0xg", "mt", ".mt", "1.2.3mt", "1e3", "-1", "12ab"})
    EXPECT_FALSE(brain::parse_number(bad, v)) << bad;
}

TEST(Variables, HeaderSignature) {
  const uint32_t base = brain::header_signature(lines({"var a", "userint b = 2", "x = a"}));
  EXPECT_NE(base, 0u);
  EXPECT_EQ(brain::header_signature(""), 0u);
  EXPECT_NE(brain::header_signature(lines({"var  a", "userint b = 2"})), base);
  // Comments, case, statements and surrounding blanks do not count.
  EXPECT_EQ(brain::header_signature(lines({"VAR A ; first", "  userint b = 2   ;x", "; moved", "y = 1"})), base);
  EXPECT_NE(brain::header_signature(lines({"userint b = 2", "var a"})), base);  // order
  EXPECT_NE(brain::header_signature(lines({"var a", "userint c = 2"})), base);  // renaming
  EXPECT_NE(brain::header_signature(lines({"var a"})), base);                   // removal
  // The line hash: characters from the last, rotated by their distance from the end.
  EXPECT_EQ(brain::header_line_hash("ab"), uint32_t('b') + (uint32_t('a') << 1));
  std::string long_line(40, 'z');
  uint32_t h = 0;
  for (int j = 0; j < 40; ++j) h += std::rotl(uint32_t('z'), j % 32);
  EXPECT_EQ(brain::header_line_hash(long_line), h);
}

TEST(Variables, HeaderChangeRule) {
  brain_test::BoxCapture boxes;
  const std::string brain = lines({"var a=1", "userint b=2", "userdeg c=90"});
  std::string record = "ship|1|2|brains/ship.brn";
  record = core::with_field(record, 35, "1/2/5/1020");
  record = core::with_field(record, 45, "3");
  record = core::with_field(record, 46, "4");
  ASSERT_TRUE(brain::apply_header_rule(record, brain, false));
  EXPECT_EQ(core::field(record, 35), "3/7/1/1020/2/2/1016/4/90/1012");
  EXPECT_EQ(uint32_t(core::text_to_int(core::field(record, 40))), brain::header_signature(brain));
  EXPECT_EQ(core::field(record, 45), "0");
  EXPECT_EQ(core::field(record, 46), "0");
  EXPECT_EQ(core::field(record, 4), "brains/ship.brn");
  EXPECT_TRUE(boxes.boxes.empty());  // assigned in the parameter editor: no message

  // Unchanged header: parameter values survive edits below it.
  record = core::with_field(record, 35, "3/7/9/1020/2/7/1016/4/45/1012");
  EXPECT_FALSE(brain::apply_header_rule(record, brain + lines({"x = 1"}), true));
  EXPECT_EQ(core::field(record, 35), "3/7/9/1020/2/7/1016/4/45/1012");

  // Saved in the brain editor with user parameters: the message names the element.
  ASSERT_TRUE(brain::apply_header_rule(record, lines({"userint b=3"}), true));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0], brain::header_reset_message("ship"));
  EXPECT_EQ(boxes.boxes[0],
            "A brain's header modification has occurred, so the|ship|element configuration (if any) "
            "was reset.|To cofigure again the element, enter the Info panel for it");
  // Only var declarations: rebuilt silently.
  ASSERT_TRUE(brain::apply_header_rule(record, lines({"var q"}), true));
  EXPECT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(core::field(record, 35), "1/7//1020");
}

}  // namespace
