// Joysticks through SDL: the scalings, and the device path driven by SDL's
// virtual devices (no hardware needed).
#include <gtest/gtest.h>

#include <cstring>

#include "platform/joystick.h"

namespace {

using platform::JoystickState;

TEST(JoystickScaling, AxesHaveADeadZoneAndNoJump) {
  EXPECT_EQ(platform::joystick_axis(0, true), 0);
  EXPECT_EQ(platform::joystick_axis(4915, true), 0);  // 15 % of 32767
  EXPECT_EQ(platform::joystick_axis(-4915, true), 0);
  EXPECT_GT(platform::joystick_axis(5500, true), 0);
  EXPECT_LT(platform::joystick_axis(5500, true), 30);
  EXPECT_EQ(platform::joystick_axis(32767, true), 1000);
  EXPECT_EQ(platform::joystick_axis(-32767, true), -1000);
  EXPECT_EQ(platform::joystick_axis(-32768, true), -1000);
  EXPECT_EQ(platform::joystick_axis(16384, false), 500);
  EXPECT_EQ(platform::joystick_axis(100000, false), 1000);
  int last = -1000;
  for (int raw = -32768; raw <= 32767; raw += 7) {
    const int v = platform::joystick_axis(raw, true);
    ASSERT_GE(v, last) << raw;
    ASSERT_LE(v - last, 2) << raw;  // stretched, never jumping
    last = v;
  }
}

TEST(JoystickScaling, TriggersRotationsAndHats) {
  EXPECT_EQ(platform::joystick_trigger(0), -1000);
  EXPECT_EQ(platform::joystick_trigger(-5), -1000);
  EXPECT_EQ(platform::joystick_trigger(32767), 1000);
  EXPECT_EQ(platform::joystick_rotation(-32768), 0);
  EXPECT_EQ(platform::joystick_rotation(0), 32768);
  EXPECT_EQ(platform::joystick_rotation(32767), 65535);
  EXPECT_EQ(platform::joystick_hat(0), 0xFFFFFFFFu);
  EXPECT_EQ(platform::joystick_hat(platform::kHatUp), 0u);
  EXPECT_EQ(platform::joystick_hat(platform::kHatRight | platform::kHatDown), 13500u);
  EXPECT_EQ(platform::joystick_hat(platform::kHatLeft), 27000u);
  EXPECT_EQ(platform::joystick_hat(platform::kHatLeft | platform::kHatUp), 31500u);
  EXPECT_EQ(platform::joystick_hat(platform::kHatUp | platform::kHatDown), 0xFFFFFFFFu);
}

class VirtualJoysticks : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!platform::joysticks_start()) GTEST_SKIP() << "no joystick support in this SDL";
  }
  void TearDown() override { platform::joysticks_stop(); }
  void read() { platform::joysticks_read(js); }
  JoystickState js[platform::kJoysticks];
};

// One plain joystick: slot 1 reads it, slot 2 stays absent and zero; hats
// it lacks read centred like its own centred hat.
TEST_F(VirtualJoysticks, OneAttachedJoystickFillsSlotOneOnly) {
  const int id = platform::joystick_attach_virtual(false, 8, 12, 2);
  ASSERT_GE(id, 0);
  read();
  EXPECT_TRUE(js[0].present);
  EXPECT_FALSE(js[1].present);
  for (uint32_t h : js[0].hat) EXPECT_EQ(h, 0xFFFFFFFFu);
  ASSERT_TRUE(platform::joystick_virtual_axis(id, 0, 32767));
  ASSERT_TRUE(platform::joystick_virtual_axis(id, 1, -32768));
  ASSERT_TRUE(platform::joystick_virtual_axis(id, 2, 1000));  // inside the dead zone
  ASSERT_TRUE(platform::joystick_virtual_axis(id, 3, 32767));
  ASSERT_TRUE(platform::joystick_virtual_axis(id, 6, 16384));
  ASSERT_TRUE(platform::joystick_virtual_button(id, 0, true));
  ASSERT_TRUE(platform::joystick_virtual_button(id, 11, true));
  ASSERT_TRUE(platform::joystick_virtual_hat(id, 1, platform::kHatRight));
  read();
  EXPECT_EQ(js[0].axis[platform::kJoyX], 1000);
  EXPECT_EQ(js[0].axis[platform::kJoyY], -1000);
  EXPECT_EQ(js[0].axis[platform::kJoyZ], 0);
  EXPECT_EQ(js[0].axis[platform::kJoyXr], 65535);
  EXPECT_EQ(js[0].axis[platform::kJoyU], 500);
  EXPECT_EQ(js[0].buttons, 0x801u);
  EXPECT_EQ(js[0].hat[0], 0xFFFFFFFFu);
  EXPECT_EQ(js[0].hat[1], 9000u);
  const JoystickState none;
  EXPECT_EQ(std::memcmp(js[1].axis, none.axis, sizeof none.axis), 0);
  EXPECT_EQ(js[1].buttons, 0u);
  EXPECT_EQ(js[1].hat[0], 0u);
}

// Unplugged, a joystick's slot turns absent and keeps the last values; a
// device plugged in later takes the free slot.
TEST_F(VirtualJoysticks, UnpluggedKeepsItsStateAndANewDeviceTakesTheSlot) {
  const int first = platform::joystick_attach_virtual(false, 2, 2, 0);
  const int second = platform::joystick_attach_virtual(false, 2, 2, 0);
  ASSERT_GE(second, 0);
  ASSERT_TRUE(platform::joystick_virtual_axis(second, 0, -32767));
  ASSERT_TRUE(platform::joystick_virtual_button(second, 1, true));
  read();
  ASSERT_TRUE(js[0].present && js[1].present);
  EXPECT_EQ(js[1].axis[platform::kJoyX], -1000);
  ASSERT_TRUE(platform::joystick_detach_virtual(second));
  read();
  EXPECT_TRUE(js[0].present);
  EXPECT_FALSE(js[1].present);
  EXPECT_EQ(js[1].axis[platform::kJoyX], -1000);
  EXPECT_EQ(js[1].buttons, 2u);
  const int third = platform::joystick_attach_virtual(false, 2, 2, 0);
  ASSERT_GE(third, 0);
  read();
  EXPECT_TRUE(js[1].present);
  EXPECT_EQ(js[1].axis[platform::kJoyX], 0);
  EXPECT_EQ(js[1].buttons, 0u);
  EXPECT_TRUE(platform::joystick_detach_virtual(first));
  EXPECT_FALSE(platform::joystick_detach_virtual(first));
}

// A gamepad through SDL's controller layout: left stick on X and Y, the
// triggers on Z (left minus right) and on u and v, the right stick on the
// X and Y rotations, the d-pad on hat 1, buttons as docs/input.md lists them.
TEST_F(VirtualJoysticks, GamepadsMapSticksTriggersDpadAndButtons) {
  const int id = platform::joystick_attach_virtual(true, 6, 21, 0);
  ASSERT_GE(id, 0);
  read();  // the slot opens
  ASSERT_TRUE(js[0].present);
  EXPECT_EQ(js[0].axis[platform::kJoyV], -1000);                 // a trigger at rest
  ASSERT_TRUE(platform::joystick_virtual_axis(id, 0, 32767));    // left x
  ASSERT_TRUE(platform::joystick_virtual_axis(id, 1, -32768));   // left y
  ASSERT_TRUE(platform::joystick_virtual_axis(id, 2, 32767));    // right x
  ASSERT_TRUE(platform::joystick_virtual_axis(id, 3, 0));        // right y
  ASSERT_TRUE(platform::joystick_virtual_axis(id, 4, 32767));    // left trigger, full
  ASSERT_TRUE(platform::joystick_virtual_axis(id, 5, -32768));   // right trigger, at rest
  ASSERT_TRUE(platform::joystick_virtual_button(id, 0, true));   // A
  ASSERT_TRUE(platform::joystick_virtual_button(id, 6, true));   // start
  ASSERT_TRUE(platform::joystick_virtual_button(id, 11, true));  // d-pad up
  ASSERT_TRUE(platform::joystick_virtual_button(id, 14, true));  // d-pad right
  read();
  ASSERT_TRUE(js[0].present);
  EXPECT_EQ(js[0].axis[platform::kJoyX], 1000);
  EXPECT_EQ(js[0].axis[platform::kJoyY], -1000);
  EXPECT_EQ(js[0].axis[platform::kJoyZ], 1000);
  EXPECT_EQ(js[0].axis[platform::kJoyXr], 65535);
  EXPECT_EQ(js[0].axis[platform::kJoyYr], 32768);
  EXPECT_EQ(js[0].axis[platform::kJoyU], 1000);
  EXPECT_EQ(js[0].axis[platform::kJoyV], -1000);
  EXPECT_EQ(js[0].hat[0], 4500u);
  EXPECT_EQ(js[0].hat[1], 0xFFFFFFFFu);
  EXPECT_EQ(js[0].buttons, 1u | 1u << 7 | 1u << 17);  // A, start, left trigger past half way
}

}  // namespace
