#include "project/records.h"

#include "fixture.h"
#include "project/types.h"

namespace {

using project_test::make_record;

class Records : public project_test::ProjectTest {
 protected:
  void fill(std::initializer_list<std::string> records) {
    for (const std::string& r : records) ASSERT_TRUE(project::insert_record(r, project::last_index() + 1));
  }
};

TEST_F(Records, FieldsAndItems) {
  fill({make_record("Rock"), make_record("Tree")});
  project::set_record(0, "Rock|a|b|c");
  EXPECT_EQ(project::get_field(0, 2), "a");
  EXPECT_EQ(project::get_field(0, 40), "");
  project::set_field(0, 7, "1.500");
  EXPECT_EQ(project::record(0), "Rock|a|b|c|||1.500");
  EXPECT_EQ(project::field_thousandths(0, 7), 1500);
  project::set_field_thousandths(0, 5, -2000);
  EXPECT_EQ(project::get_field(0, 5), "-2.000");

  EXPECT_EQ(project::get_item(1, 37, 6), "20&40");
  project::set_item(1, 38, 2, "7");
  EXPECT_EQ(project::get_field(1, 38), "0/7");
  project::set_item(1, 41, 3, "x");
  EXPECT_EQ(project::get_field(1, 41), "//x");
  EXPECT_EQ(project::element_type(1), 1);

  // Outside the table nothing is read or written.
  project::set_field(2, 1, "ghost");
  project::set_item(-1, 1, 1, "ghost");
  EXPECT_EQ(project::record(2), "");
  EXPECT_EQ(project::get_field(-1, 1), "");
  EXPECT_EQ(project::element_type(5), -1);
  EXPECT_EQ(project::last_index(), 1);
}

TEST_F(Records, TypeNamesAndTags) {
  EXPECT_EQ(project::type_name(0), "CAMERA-type element");
  EXPECT_EQ(project::type_name(12), "BOUNDARY-type element");
  for (int t : {4, 13, -1, 14}) EXPECT_EQ(project::type_name(t), "") << t;
  EXPECT_EQ(project::type_tag(12), "d3m.");
  EXPECT_EQ(project::type_tag(13), "d3x.");
  EXPECT_EQ(project::type_tag(3), "");
}

TEST_F(Records, BaseNamesAndGroups) {
  fill({make_record("Tree (1)"), make_record("  Tree(2) "), make_record("Tree"), make_record("Rock (1)"),
        make_record("Tree")});
  EXPECT_EQ(project::base_name(0), "Tree");
  EXPECT_EQ(project::base_name(1), "Tree");
  EXPECT_EQ(project::base_name(3), "Rock");
  EXPECT_EQ(project::group_end(0), 3);
  EXPECT_EQ(project::group_end(1), 3);
  EXPECT_EQ(project::group_end(3), 4);
  EXPECT_EQ(project::group_end(4), 5);
  EXPECT_EQ(project::group_end(9), 5);
}

TEST_F(Records, InsertRenumbersReferencesShiftsMapAndRange) {
  // Element 0 refers to 3 (kind 1) and holds the integer 3 (kind 2); element
  // 3 refers to 0 and 1; element 2's count claims more than it holds.
  fill({make_record("A", 1, "2/1/3/1020/2/3/1016"), make_record("B"), make_record("C", 1, "9/1/2/1020"),
        make_record("D", 1, "2/1/0/1020/1/1/1016")});
  project::set_channel(0, 2, 5);
  project::set_channel(3, 1, 7);
  project::set_channel(2, 3, 4);
  project::set_channel(0, 1, 9);
  project::set_load_range(2, 3);

  ASSERT_TRUE(project::insert_record(make_record("New", 1, "1/1/2/1020"), 1));
  EXPECT_EQ(project::last_index(), 4);
  EXPECT_EQ(project::base_name(1), "New");
  EXPECT_EQ(project::base_name(4), "D");
  EXPECT_EQ(project::get_field(0, 35), "2/1/4/1020/2/3/1016");
  EXPECT_EQ(project::get_field(3, 35), "9/1/3/1020");
  EXPECT_EQ(project::get_field(4, 35), "2/1/0/1020/1/2/1016");
  EXPECT_EQ(project::get_field(1, 35), "1/1/3/1020");  // the new record is renumbered too

  EXPECT_EQ(project::channel(0, 3), 5);
  EXPECT_EQ(project::channel(2, 4), 7);
  EXPECT_EQ(project::channel(3, 4), 4);
  EXPECT_EQ(project::channel(0, 2), 9);
  for (int e = 0; e <= 4; ++e) EXPECT_EQ(project::channel(1, e), 0) << e;

  EXPECT_EQ(project::range_first(), 3);
  EXPECT_EQ(project::range_last(), 4);
  project::set_load_range(1, 1);
  ASSERT_TRUE(project::insert_record(make_record("E"), 1));
  EXPECT_EQ(project::range_first(), 1);

  // Appending moves nothing and keeps the bytes already in the map.
  project::set_channel(5, 6, 3);
  ASSERT_TRUE(project::insert_record(make_record("F"), 6));
  EXPECT_EQ(project::channel(5, 6), 3);

  EXPECT_FALSE(project::insert_record(make_record("G"), 9));
  EXPECT_FALSE(project::insert_record(make_record("G"), -1));
  EXPECT_FALSE(project::insert_record("no type", 0));
}

TEST_F(Records, LongParameterListIsRenumberedInOnePass) {
  std::string params = "100000";
  for (int j = 0; j < 100000; ++j) params += "/1/0/" + std::to_string(1020 - 4 * (j % 200));
  fill({make_record("A", 1, params)});
  ASSERT_TRUE(project::insert_record(make_record("B"), 0));
  const std::string moved = project::get_field(1, 35);
  EXPECT_EQ(moved.substr(0, 16), "100000/1/1/1020/");
  EXPECT_EQ(moved.size(), params.size());
  EXPECT_EQ(moved.find("/1/0/"), std::string::npos);
}

TEST_F(Records, FullTableRefusesInsert) {
  for (int i = 0; i < core::kElementCount; ++i) ASSERT_TRUE(project::insert_record(make_record("X"), i));
  EXPECT_FALSE(project::insert_record(make_record("Y"), 0));
  EXPECT_EQ(project::last_index(), 255);
}

TEST_F(Records, ReplaceReferencesOnlyTouchesElementParameters) {
  fill({make_record("A", 1, "3/1/2/1020/2/2/1016/1/5/1012"), make_record("B", 1, "1/1/2/1020")});
  project::replace_references(2, 7);
  EXPECT_EQ(project::get_field(0, 35), "3/1/7/1020/2/2/1016/1/5/1012");
  EXPECT_EQ(project::get_field(1, 35), "1/1/7/1020");
}

}  // namespace
