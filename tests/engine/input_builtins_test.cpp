// The input built-ins through the table, as a brain calls them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "brain/state.h"
#include "brain/table.h"
#include "core/state.h"
#include "engine/builtins.h"
#include "engine/state.h"
#include "media/input.h"
#include "platform/platform.h"
#include "support/builtin_call.h"

namespace {

using testing_support::call;

class InputRows : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::bind_input_builtins();
    media::input() = media::Input{};
    engine::state().loop.exit_code = -1;
  }
  void TearDown() override {
    media::input() = media::Input{};
    brain::state().literal_begin = brain::state().literal_end = 0;
  }
  static platform::JoystickState& joy(int n) { return media::input().joy[n]; }
  static void hold(int scancode) { media::input().held[scancode] = 1; }
  // Puts `text` among the brain's literals and answers its address.
  static int32_t literal(const char* text) {
    const core::Pool& strings = core::state().pools.strings;
    std::memcpy(strings.bytes(), text, std::strlen(text) + 1);
    brain::state().literal_begin = strings.addr;
    brain::state().literal_end = strings.addr + static_cast<uint32_t>(std::strlen(text)) + 1;
    return static_cast<int32_t>(strings.addr);
  }
};

TEST_F(InputRows, EveryRowIsBoundAndJoyBSharesJoy1B) {
  int rows = 0;
  for (int r = 0; r < brain::kRowCount; ++r)
    if (brain::row(r).family == brain::Family::kInput) {
      ++rows;
      EXPECT_FALSE(brain::is_placeholder(r)) << brain::row(r).name;
    }
  EXPECT_EQ(rows, 39);
  EXPECT_EQ(brain::handler_of(brain::find_row("joy_b")), brain::handler_of(brain::find_row("joy1_b")));
}

// A literal is a key name; any other value is a scan code, and codes
// outside 1..255 are never held.
TEST_F(InputRows, KeyboardTakesAScanCodeOrAKeyName) {
  hold(1);
  EXPECT_EQ(call("keyboard", literal("esc")), -1);
  EXPECT_EQ(call("keyboard", 1), -1);
  EXPECT_EQ(call("keyboard", literal("ESC")), -1);
  EXPECT_EQ(call("keyboard", literal("f1")), 0);
  EXPECT_EQ(call("keyboard", literal("no such key")), 0);  // scan code 0
  EXPECT_EQ(call("keyboard", 257), 0);
  EXPECT_EQ(call("keyboard", -255), 0);
  EXPECT_EQ(call("keyboard", 0), 0);
  // The literal region is what tells a name: its address, once outside the
  // region, is only a (far too large) number.
  const int32_t esc = literal("esc");
  brain::state().literal_end = brain::state().literal_begin;
  EXPECT_EQ(call("keyboard", esc), 0);
  hold(42);
  EXPECT_EQ(call("scancode"), 1);
  media::input().held[1] = 0;
  EXPECT_EQ(call("scancode"), 42);
  EXPECT_EQ(call("any_input"), 0);  // Shift alone
}

TEST_F(InputRows, AxisMappingEndsCentreAndReversedPairs) {
  struct Case {
    int32_t x, a, b, want;
  };
  for (const Case& c :
       {Case{1000, -100, 100, -100}, Case{-1000, -100, 100, 100}, Case{0, -100, 100, 0}, Case{500, -100, 100, -50},
        Case{1000, 100, -100, 100}, Case{-1000, 100, -100, -100}, Case{1000, 50, 0, 50}, Case{-1000, 50, 0, 0},
        Case{999, 0, 10, 0}, Case{1000, INT32_MIN, INT32_MAX, INT32_MIN}, Case{-1000, INT32_MIN, INT32_MAX, INT32_MAX},
        Case{5000, -100, 100, -100}, Case{-5000, -100, 100, 100}}) {
    joy(0).axis[platform::kJoyX] = c.x;
    EXPECT_EQ(call("joy1_x", c.a, c.b), c.want) << c.x << " onto " << c.a << ", " << c.b;
  }
  // Each axis row reads its own axis, of its own joystick.
  const char* rows[] = {"x", "y", "z", "u", "v"};
  const int fields[] = {platform::kJoyX, platform::kJoyY, platform::kJoyZ, platform::kJoyU, platform::kJoyV};
  for (int i = 0; i < 5; ++i) {
    media::input() = media::Input{};
    joy(1).axis[fields[i]] = -1000;
    EXPECT_EQ(call((std::string("joy2_") + rows[i]).c_str(), 0, 10), 10) << rows[i];
    EXPECT_EQ(call((std::string("joy1_") + rows[i]).c_str(), 0, 10), 5) << rows[i];
  }
}

TEST_F(InputRows, HatsButtonsAndRotations) {
  for (auto& j : media::input().joy) {
    j.present = true;
    for (uint32_t& h : j.hat) h = 0xFFFFFFFFu;
  }
  for (const char* row :
       {"joy1_dir1", "joy1_dir2", "joy1_dir3", "joy1_dir4", "joy2_dir1", "joy2_dir2", "joy2_dir3", "joy2_dir4"})
    EXPECT_EQ(call(row), -1) << row;
  joy(0).hat[2] = 0x0000FFFFu;  // the low word decides
  EXPECT_EQ(call("joy1_dir3"), -1);
  joy(0).hat[0] = 9000;
  joy(1).hat[3] = 35999;
  EXPECT_EQ(call("joy1_dir1"), 46080);
  EXPECT_EQ(call("joy2_dir4"), 184314);
  joy(0).buttons = 0x80000001u;
  EXPECT_EQ(call("joy_b", -1), 0x18);
  EXPECT_EQ(call("joy1_b", 0x10), 0x10);
  EXPECT_EQ(call("joy2_b", -1), 0);
  joy(1).axis[platform::kJoyZr] = 65535;
  joy(0).axis[platform::kJoyYr] = 7;
  EXPECT_EQ(call("joy2_zr"), 65535);
  EXPECT_EQ(call("joy1_yr"), 7);
  EXPECT_EQ(call("joy1_xr"), 0);
}

// Joystick 2 never attached: its rows read zero, and its (stored) buttons
// would not count for any_input either.
TEST_F(InputRows, OnlyJoystickOneAttachedLeavesJoystickTwoAtZero) {
  joy(0).present = true;
  for (int f = 0; f < 8; ++f) joy(0).axis[f] = 1000;
  for (uint32_t& h : joy(0).hat) h = 0xFFFFFFFFu;
  joy(0).buttons = 1;
  for (const char* row : {"joy2_x", "joy2_y", "joy2_z", "joy2_u", "joy2_v"}) EXPECT_EQ(call(row, -100, 100), 0) << row;
  for (const char* row : {"joy2_xr", "joy2_yr", "joy2_zr", "joy2_dir1", "joy2_dir2", "joy2_dir3", "joy2_dir4"})
    EXPECT_EQ(call(row), 0) << row;
  EXPECT_EQ(call("joy2_b", -1), 0);
  EXPECT_EQ(call("any_input"), -1);
  joy(0).buttons = 0;
  joy(1).buttons = 1;  // absent
  EXPECT_EQ(call("any_input"), 0);
}

TEST_F(InputRows, MouseRowsWheelAndAnyInputExit) {
  platform::set_headless(true);
  media::Input& in = media::input();
  in.mouse_buttons = 2;
  in.wheel = -120;
  EXPECT_EQ(call("mouse_click"), 2);
  EXPECT_EQ(call("mouse_wheel"), -120);
  EXPECT_EQ(call("mouse_wheel"), 0);
  EXPECT_EQ(call("mouse_on"), 0);
  EXPECT_EQ(call("mouse_off"), 0);
  call("mouse_set", 700, -3);  // clamped to the display
  EXPECT_EQ(call("mouse_x"), 639);
  EXPECT_EQ(call("mouse_y"), 0);
  in.mouse_buttons = 0;
  media::note_present();
  EXPECT_EQ(call("any_input_exit", 9), 0);
  EXPECT_EQ(engine::state().loop.exit_code, -1);
  call("mouse_set", 10, 10);
  EXPECT_EQ(call("any_input_exit", 9), -1);
  EXPECT_EQ(engine::state().loop.exit_code, 9);
  media::note_present();
  engine::state().loop.exit_code = -1;
  hold(57);  // Space
  EXPECT_EQ(call("any_input_exit", 4), -1);
  EXPECT_EQ(engine::state().loop.exit_code, 4);
  engine::state().loop.exit_code = -1;
  platform::set_headless(false);
}

TEST_F(InputRows, InputProcessPumpsAndRestartsTheStep) {
  platform::set_headless(true);
  platform::start_clock();
  engine::Loop& loop = engine::state().loop;
  loop.tick_length = 150;
  loop.next_deadline = 0;
  platform::advance_clock(1000);
  const uint32_t pumps = core::state().pump_count;
  EXPECT_EQ(call("input_process"), 0);
  EXPECT_EQ(core::state().pump_count, pumps + 1);
  EXPECT_EQ(loop.next_deadline, platform::now() + 150);
  platform::set_headless(false);
}

}  // namespace
