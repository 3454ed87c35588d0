#include <gtest/gtest.h>

#include "core/profile.h"

namespace {

TEST(ProfileStruct, EncodesBytesAndChecksum) {
  EXPECT_EQ(core::profile_struct_encode(63), "3F0000003F");
  EXPECT_EQ(core::profile_struct_encode(0), "0000000000");
  EXPECT_EQ(core::profile_struct_encode(-1), "FFFFFFFFFC");
  EXPECT_EQ(core::profile_struct_encode(0x01020304), "040302010A");
  for (int32_t v : {0, 1, 63, -1, 1024, INT32_MIN, INT32_MAX})
    EXPECT_EQ(core::profile_struct_decode(core::profile_struct_encode(v)), v);
}

TEST(ProfileStruct, RejectsMalformedAndBadChecksum) {
  EXPECT_EQ(core::profile_struct_decode("3F0000003E"), std::nullopt);
  EXPECT_EQ(core::profile_struct_decode("3F000000"), std::nullopt);
  EXPECT_EQ(core::profile_struct_decode("3F0000003F00"), std::nullopt);
  EXPECT_EQ(core::profile_struct_decode("3G0000003F"), std::nullopt);
  EXPECT_EQ(core::profile_struct_decode("3f0000003f"), 63);
}

TEST(Profile, GetMatchesWithoutRegardToCase) {
  std::string text = "; comment\r\n[Other]\r\nKey=1\r\n[My Section]\r\n  key = value one \r\nNext=2\n";
  EXPECT_EQ(core::profile_get(text, "my section", "KEY"), "value one");
  EXPECT_EQ(core::profile_get(text, "MY SECTION", "next"), "2");
  EXPECT_EQ(core::profile_get(text, "other", "key"), "1");
  EXPECT_EQ(core::profile_get(text, "Missing", "key"), std::nullopt);
  EXPECT_EQ(core::profile_get(text, "Other", "Next"), std::nullopt);
}

TEST(Profile, SetKeepsEverythingElse) {
  std::string text = "[A]\r\nx=1\r\n; note\r\n\r\n[B]\r\ny=2\r\n";
  std::string t = core::profile_set(text, "a", "X", "9");
  EXPECT_EQ(t, "[A]\r\nX=9\r\n; note\r\n\r\n[B]\r\ny=2\r\n");
  t = core::profile_set(text, "A", "z", "3");
  EXPECT_EQ(core::profile_get(t, "A", "z"), "3");
  EXPECT_EQ(core::profile_get(t, "B", "y"), "2");
  EXPECT_EQ(t.find("z=3"), t.find("; note") + 8);  // after the section's last line
  t = core::profile_set(text, "C", "w", "4");
  EXPECT_EQ(t, text + "[C]\r\nw=4\r\n");
  EXPECT_EQ(core::profile_set("", "S", "k", "v"), "[S]\r\nk=v\r\n");
  EXPECT_EQ(core::profile_set("[S]", "S", "k", "v"), "[S]\r\nk=v\r\n");
}

TEST(Profile, SetCompletesALastLineEndingInCr) {
  // A file cut off after the CR of its last line: the line break added in
  // front of a new key must not leave that CR in the last value.
  const std::string text = "[A]\r\nx=1\r\n[B]\r\ny=2\r";
  std::string t = core::profile_set(text, "C", "k", "5");
  EXPECT_EQ(t, "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[C]\r\nk=5\r\n");
  EXPECT_EQ(core::profile_get(t, "B", "y"), "2");
  t = core::profile_set(text, "b", "k", "5");
  EXPECT_EQ(t, "[A]\r\nx=1\r\n[B]\r\ny=2\r\nk=5\r\n");
  EXPECT_EQ(core::profile_get(t, "B", "y"), "2");
  EXPECT_EQ(core::profile_set("[S]\r", "S", "k", "v"), "[S]\r\nk=v\r\n");
}

}  // namespace
