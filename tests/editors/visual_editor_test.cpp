#include "editors/visual_editor.h"

#include <gtest/gtest.h>

#include "core/text.h"

namespace {

using editors::frame_records;
using editors::visual_frame_count;

std::vector<std::string> three_frames() {
  return {editors::new_part_record(1), core::with_field(editors::new_part_record(1), 2, "./images/second.bmp"),
          editors::new_part_record(2), editors::new_part_record(3)};
}

TEST(VisualRecords, NewPartRecordHasTheDefaults) {
  const std::string r = editors::new_part_record(4);
  EXPECT_EQ(core::field_count(r), 31);
  EXPECT_EQ(core::field(r, 1), "4");
  EXPECT_EQ(core::field(r, 3), "./visuals/default_.3ds");
  EXPECT_EQ(core::field(r, 12), "25000");
  EXPECT_EQ(core::field(r, 25), "255");
  EXPECT_EQ(core::field(r, 29), "1");
  EXPECT_EQ(core::field(r, 30), "./visuals/default_.3ds");
}

TEST(VisualRecords, TextSplitsIntoFramesAndBack) {
  const auto r = editors::visual_records("1|a\r\n1|b\n2|c\r\n\r\n3|after the blank line\r\n");
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(visual_frame_count(r), 2);
  EXPECT_EQ(frame_records(r, 0), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(frame_records(r, 1), (std::vector<int32_t>{2}));
  EXPECT_TRUE(frame_records(r, 2).empty());
  EXPECT_EQ(editors::visual_text(r), "1|a\r\n1|b\r\n2|c\r\n");
  // A run ended by a line of no frame starts a new frame with the same number.
  EXPECT_EQ(visual_frame_count(editors::visual_records("1|a\r\n0|x\r\n1|b\r\n")), 2);
}

TEST(VisualRecords, PartsAreInsertedAndDeletedInTheirFrame) {
  auto r = three_frames();
  EXPECT_EQ(editors::insert_part(r, 0), 2);
  EXPECT_EQ(frame_records(r, 0).size(), 3u);
  EXPECT_EQ(core::field(r[2], 1), "1");
  // Past the last frame: a new frame numbered after it.
  EXPECT_EQ(editors::insert_part(r, 3), 5);
  EXPECT_EQ(core::field(r[5], 1), "4");
  EXPECT_EQ(visual_frame_count(r), 4);
  EXPECT_EQ(editors::insert_part(r, 9), -1);
  EXPECT_TRUE(editors::delete_part(r, 5));
  EXPECT_FALSE(editors::delete_part(r, 5));
  EXPECT_FALSE(editors::delete_part(r, -1));
  EXPECT_EQ(visual_frame_count(r), 3);
}

TEST(VisualRecords, FramesAreReArrangedAndRenumbered) {
  auto r = three_frames();
  ASSERT_TRUE(editors::rearrange_frames(r, "3, 1"));
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(core::field(r[0], 1), "1");  // old frame 3
  EXPECT_EQ(core::field(r[2], 2), "./images/second.bmp");
  EXPECT_EQ(core::field(r[2], 1), "2");
  EXPECT_EQ(core::field(r[3], 1), "3");  // old frame 2, left out of the list
  const auto before = r;
  EXPECT_FALSE(editors::rearrange_frames(r, "1,1"));
  EXPECT_FALSE(editors::rearrange_frames(r, "4"));
  EXPECT_EQ(r, before);
}

TEST(VisualFields, LabelsAndValuesFollowTheTextureMode) {
  std::vector<std::string> r = {
      core::with_field(editors::new_part_record(1), 3, "./visuals/a_very_long_model_name.3ds")};
  auto lines = editors::part_field_lines(r, 0, 0, "car.v3d");
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines[0], "VISUAL NAME...: car.v3d");
  EXPECT_EQ(lines[1], "FRAME.........# 1 of 1");
  EXPECT_EQ(lines[2], "PART..........# 1 of 1");
  EXPECT_EQ(lines[3], "PART SOURCE...: a_very_long_mod");
  EXPECT_EQ(lines[7], "TEXTURE MODE..: SIX VIEWS");
  EXPECT_EQ(lines[8], "TRANSPARENCY..: NO");
  EXPECT_EQ(lines[10], "WRAP DIRECTION: -");
  EXPECT_EQ(lines[11], "QUALITY.......: GOURAUD");
  EXPECT_EQ(lines[13], "FACES FLIP....: YES");
  EXPECT_EQ(lines[14], "COLOR.........: -");

  r[0] = core::with_field(core::with_field(r[0], 4, "0"), 30, "");
  lines = editors::part_field_lines(r, 0, 0, "car.v3d");
  EXPECT_EQ(lines[4], "PART TARGET.... [opt]");
  EXPECT_EQ(lines[8], "TRANSPARENCY..: -");
  EXPECT_EQ(lines[10], "WRAP DIRECTION: -");
  EXPECT_EQ(lines[14], "COLOR.........: 255-255-255");

  r[0] = core::with_field(core::with_field(core::with_field(r[0], 4, "3"), 29, "6"), 7, "1");
  lines = editors::part_field_lines(r, 0, 0, "car.v3d");
  EXPECT_EQ(lines[7], "TEXTURE MODE..: CYLINDRICAL WRAP");
  EXPECT_EQ(lines[10], "WRAP DIRECTION: BOTTOM");
  EXPECT_EQ(lines[13], "FACES FLIP....: NO");
  // Out-of-range numbers of a damaged record show the nearest value.
  r[0] = core::with_field(core::with_field(r[0], 29, "99"), 5, "-4");
  lines = editors::part_field_lines(r, 0, 0, "car.v3d");
  EXPECT_EQ(lines[10], "WRAP DIRECTION: BOTTOM");
  EXPECT_EQ(lines[11], "QUALITY.......: WIREFRAME");
}

TEST(VisualFields, WrapShapeShowsOnlyWhereTheTextureIsWrapped) {
  std::vector<std::string> r = {editors::new_part_record(1)};  // six views
  EXPECT_EQ(editors::part_wrap_shape_line(r, 0, 0), "WRAP SHAPE....: -");
  const char* names[] = {"FLAT", "CYLINDER", "SPHERE", "CHROME"};
  for (int mode = 2; mode <= 3; ++mode)
    for (int shape = 0; shape < 4; ++shape) {
      r[0] = core::with_field(core::with_field(r[0], 4, std::to_string(mode)), 28, std::to_string(shape));
      EXPECT_EQ(editors::part_wrap_shape_line(r, 0, 0), std::string("WRAP SHAPE....: ") + names[shape]);
    }
  r[0] = core::with_field(r[0], 28, "17");  // damaged: the nearest name
  EXPECT_EQ(editors::part_wrap_shape_line(r, 0, 0), "WRAP SHAPE....: CHROME");
  r[0] = core::with_field(r[0], 4, "0");
  EXPECT_EQ(editors::part_wrap_shape_line(r, 0, 0), "WRAP SHAPE....: -");
  EXPECT_EQ(editors::part_wrap_shape_line({}, 0, 0), "WRAP SHAPE....: -");
}

TEST(VisualSave, NamesStayInsideMyVisual) {
  EXPECT_EQ(editors::saved_visual_path("/p/", "car"), "/p/visuals/myvisual/car.v3d");
  EXPECT_EQ(editors::saved_visual_path("/p/", "car.old.v3d"), "/p/visuals/myvisual/car.v3d");
  EXPECT_EQ(editors::saved_visual_path("/p/", "  "), "");
  EXPECT_EQ(editors::saved_visual_path("/p/", "../../etc/passwd"), "");
  EXPECT_EQ(editors::saved_visual_path("/p/", "a/b"), "");
}

}  // namespace
