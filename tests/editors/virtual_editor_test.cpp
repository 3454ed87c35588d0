#include "editors/virtual_editor.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/element_state.h"
#include "core/state.h"
#include "core/text.h"
#include "project/records.h"
#include "project/state.h"
#include "project/types.h"

namespace {

class WriteBack : public ::testing::Test {
 protected:
  void SetUp() override {
    core::init_memory();
    project::state().last = 1;
    for (int e = 0; e < 2; ++e) {
      std::string r = "E" + std::to_string(e) + "|a|b|c";
      for (int f = 5; f <= 44; ++f) r += "|0.000";
      project::set_record(e, r);
      project::set_field(e, project::kFieldType, e == 1 ? "5" : "11");
      std::memset(core::element_state(e), 0, sizeof(core::ElementState));
    }
  }
  int32_t* w(int e) { return core::element_state(e)->w; }
  std::string f(int e, int k) { return project::get_field(e, k); }
};

TEST_F(WriteBack, ConvertsEachValueToRecordText) {
  int32_t* v = w(0);
  v[core::kPosition] = -512000;
  v[core::kPosition + 1] = 768000;
  v[core::kPosition + 2] = -1;  // less than a thousandth
  v[core::kRotation] = 512 * 90;
  v[core::kRotation + 1] = -256;
  v[core::kVelocity] = 17067;
  v[core::kVelocity + 2] = -34134;
  v[core::kSpin + 1] = 1024;
  v[core::kCredits] = -12;
  v[core::kElementId] = 77;
  v[core::kScaleX] = 1500;
  v[core::kScaleY] = 1000;
  v[core::kScaleZ] = 250;
  editors::write_back(0, nullptr);
  EXPECT_EQ(f(0, 5), "-1.000");
  EXPECT_EQ(f(0, 6), "1.500");
  EXPECT_EQ(f(0, 7), "0.000");
  EXPECT_EQ(f(0, 11), "90.000");
  EXPECT_EQ(f(0, 12), "-0.500");
  EXPECT_EQ(f(0, 17), "1.000");
  EXPECT_EQ(f(0, 19), "-2.000");
  EXPECT_EQ(f(0, 24), "10.000");
  EXPECT_EQ(f(0, 29), "-12");
  EXPECT_EQ(f(0, 31), "77");
  EXPECT_EQ(f(0, 42), "1.500");
  EXPECT_EQ(f(0, 44), "0.250");
  // Ranges beside the values are left alone.
  EXPECT_EQ(f(0, 8), "0.000");
}

TEST_F(WriteBack, SpritesKeepPlainIntegersAndScalesStayReadable) {
  int32_t* v = w(1);
  v[core::kPosition] = 100;
  v[core::kPosition + 1] = 50;
  v[core::kRotation] = 3;
  v[core::kScaleX] = 1000;
  editors::write_back(1, nullptr);
  EXPECT_EQ(f(1, 5), "100");
  EXPECT_EQ(f(1, 6), "50");
  EXPECT_EQ(f(1, 11), "3");
  // A scale is read as thousandths for every type: 1000 would read back as
  // a thousand times the size.
  EXPECT_EQ(f(1, 42), "1.000");
}

TEST_F(WriteBack, UnchangedValuesKeepTheirText) {
  project::set_field(0, 23, "1.000");  // a spin that does not survive the units
  core::ElementState loaded{};
  loaded.w[core::kSpin] = 102;
  w(0)[core::kSpin] = 102;
  w(0)[core::kPosition] = 512000;
  editors::write_back(0, loaded.w);
  EXPECT_EQ(f(0, 23), "1.000");
  EXPECT_EQ(f(0, 5), "1.000");
}

TEST_F(WriteBack, StatusTexts) {
  int32_t* v = w(0);
  v[core::kPosition] = 512000;
  v[core::kPosition + 1] = -256000;
  v[core::kRotation + 2] = 512 * 45;
  v[core::kVelocity] = 3 * 17067;
  v[core::kVelocity + 1] = 4 * 17067;
  v[core::kScaleX] = 2000;
  v[core::kScaleY] = 1000;
  v[core::kScaleZ] = 500;
  EXPECT_EQ(editors::position_rotation_status(v), "1.000,-0.500,0.000 meters & 0.000,0.000,45.000 degrees");
  EXPECT_EQ(editors::scale_status(v), "Scale: 2.000,1.000,0.500");
  EXPECT_EQ(editors::position_scale_status(v), "Position: 1.000,-0.500,0.000, scale: 2.000,1.000");
  // The speed is the root of the components in whole 1024ths, so it comes
  // out a little short of 5.
  EXPECT_EQ(editors::velocity_status(v), " (3.000,4.000,0.000 = 4.919 m/sec)");
  EXPECT_EQ(editors::distance_text(2500), " (distance: 2.500 m)");
  v[core::kPosition] = 1024;
  v[core::kPosition + 1] = 512;
  EXPECT_EQ(editors::sprite_status(v, false), "(1024,512)");
  EXPECT_EQ(editors::sprite_status(v, true), "(2,1)");
  EXPECT_EQ(editors::element_title(0), "E0 (DISABLED, NOT VISIBLE)");
  v[core::kFlags] = core::kFlagOn;
  EXPECT_EQ(editors::element_title(0), "E0");
}

TEST(VirtualEditorMenu, ToolTipsInOrder) {
  EXPECT_EQ(editors::menu_tooltip(0), "Sprites editing mode (Clipped/Unclipped switch)");
  EXPECT_EQ(editors::menu_tooltip(3), "Virtual edit mode (F5)");
  EXPECT_EQ(editors::menu_tooltip(10), std::string("Reset X rotation to 0") + static_cast<char>(248));
  EXPECT_EQ(editors::menu_tooltip(17), "Exit Virtual Editor (Esc)");
  EXPECT_EQ(editors::menu_tooltip(18), "");
  EXPECT_STREQ(editors::help_line(8), "A,Z,CurKeys = move camera, Mouse set element position");
  EXPECT_STREQ(editors::help_line(9), "");
}

}  // namespace
