#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/state.h"
#include "media/input.h"
#include "media/keys.h"
#include "platform/platform.h"

namespace {

using platform::Message;
using platform::MessageKind;

Message ch(uint8_t c, uint8_t scancode = 0) {
  Message m;
  m.kind = MessageKind::Char;
  m.ch = c;
  m.scancode = scancode;
  return m;
}

Message key_down(uint8_t scancode, bool char_follows) {
  Message m;
  m.kind = MessageKind::KeyDown;
  m.scancode = scancode;
  m.char_follows = char_follows;
  return m;
}

TEST(WindowProcedure, KeyRingEntries) {
  media::Input in;
  media::window_procedure(in, key_down(72, false));  // Up: no character
  media::window_procedure(in, key_down(30, true));   // "a" follows as a character
  media::window_procedure(in, ch('a', 30));
  media::window_procedure(in, ch('7', 71));  // keypad 7 reads as the main-row digit
  media::window_procedure(in, ch('0', 82));
  ASSERT_EQ(in.ring_write, 4);
  EXPECT_EQ(in.key_ring[0], 72u << 16);
  EXPECT_EQ(in.key_ring[1], 'a' | 30u << 16);
  EXPECT_EQ(in.key_ring[2], '7' | 8u << 16);
  EXPECT_EQ(in.key_ring[3], '0' | 11u << 16);
  EXPECT_EQ(in.held[72], 1);
  Message up;
  up.kind = MessageKind::KeyUp;
  up.scancode = 72;
  media::window_procedure(in, up);
  EXPECT_EQ(in.held[72], 0);
  for (int i = 0; i < 13; ++i) media::window_procedure(in, ch('x'));
  EXPECT_EQ(in.ring_write, 1);  // wraps at 16
}

TEST(WindowProcedure, TypedTextIsBoundedAndBackspaceIsSafe) {
  media::Input in;
  media::window_procedure(in, ch(8, 14));  // backspace on empty text
  EXPECT_EQ(in.typed_length, 0);
  media::window_procedure(in, ch('h'));
  media::window_procedure(in, ch(200));  // codes 128-255 are typed text too
  media::window_procedure(in, ch(9));    // control characters are not
  EXPECT_EQ(std::string(in.typed), std::string("h\xC8"));
  media::window_procedure(in, ch(8, 14));
  EXPECT_EQ(std::string(in.typed), "h");
  for (int i = 0; i < 9000; ++i) media::window_procedure(in, ch('z'));
  EXPECT_EQ(in.typed_length, media::kTypedTextBytes - 1);
  EXPECT_EQ(in.typed[media::kTypedTextBytes - 1], 0);
}

TEST(WindowProcedure, WheelActivationAndClose) {
  media::Input in;
  Message m;
  m.kind = MessageKind::Wheel;
  m.value = 120;
  media::window_procedure(in, m);
  EXPECT_EQ(in.wheel, -120);
  m.value = -65536 - 240;  // only the signed low word counts
  media::window_procedure(in, m);
  EXPECT_EQ(in.wheel, 240);
  m.kind = MessageKind::Activate;
  media::window_procedure(in, m);
  EXPECT_EQ(in.activated, 1);
  m.kind = MessageKind::Close;
  media::window_procedure(in, m);  // swallowed: nothing changes
  EXPECT_EQ(in.ring_write, 0);
}

}  // namespace

namespace {

TEST(KeyNames, TableOrderAnyCaseUnknownIsZero) {
  EXPECT_EQ(media::key_scancode("UP"), 72);
  EXPECT_EQ(media::key_scancode("esc"), 1);
  EXPECT_EQ(media::key_scancode("Esc"), 1);
  EXPECT_EQ(media::key_scancode("F1"), 59);
  EXPECT_EQ(media::key_scancode("f10"), 68);
  EXPECT_EQ(media::key_scancode("F12"), 88);
  EXPECT_EQ(media::key_scancode("PageDown"), 81);
  EXPECT_EQ(media::key_scancode("lshift"), 42);
  EXPECT_EQ(media::key_scancode("0"), 11);
  EXPECT_EQ(media::key_scancode("q"), 16);
  EXPECT_EQ(media::key_scancode("\\"), 43);
  EXPECT_EQ(media::key_scancode("'"), 40);
  EXPECT_EQ(media::key_scancode("/"), 53);
  for (const char* unknown : {"", "ESCAPE", "FF", "F13", "UPP", "U P", "ctrl ", "esc\n"})
    EXPECT_EQ(media::key_scancode(unknown), 0) << unknown;
  EXPECT_EQ(media::key_scancode("f"), 33);  // the letter F, not a prefix of F1
  EXPECT_EQ(media::key_scancode(std::string_view("esc\0x", 5)), 0);
}

// The global input state, fresh for each test.
class GlobalInput : public ::testing::Test {
 protected:
  void SetUp() override { media::input() = media::Input{}; }
  void TearDown() override { media::input() = media::Input{}; }
  static void press(uint8_t scancode, bool down = true) {
    Message m;
    m.kind = down ? MessageKind::KeyDown : MessageKind::KeyUp;
    m.scancode = scancode;
    media::window_procedure(media::input(), m);
  }
};

TEST_F(GlobalInput, ModifierFlagsComeFromTheHeldKeys) {
  EXPECT_EQ(media::modifiers(), 0);
  press(54);  // right Shift
  EXPECT_EQ(media::modifiers(), media::kShift);
  press(29);
  press(56);
  EXPECT_EQ(media::modifiers(), media::kShift | media::kControl | media::kAlt);
  EXPECT_EQ(media::input().modifiers, 15);
  press(54, false);
  press(42);
  press(56, false);
  EXPECT_EQ(media::modifiers(), media::kShift | media::kControl);
  press(42, false);
  press(29, false);
  EXPECT_EQ(media::modifiers(), 0);
}

// Shift, Control, Alt and the punctuation keys are held keys (scancode)
// but not "any key"; a key without a set-1 code is neither held nor an event.
TEST_F(GlobalInput, AnyKeyLeavesOutModifiersAndPunctuation) {
  for (uint8_t code : {42, 54, 29, 56, 12, 39, 51, 70}) press(code);
  EXPECT_EQ(media::any_key(), 0);
  EXPECT_EQ(media::lowest_held_key(), 12);
  EXPECT_FALSE(media::any_input());
  press(88);  // F12
  EXPECT_EQ(media::any_key(), 88);
  press(30);  // A comes before the function keys
  EXPECT_EQ(media::any_key(), 30);
  press(28);  // Enter before the letters
  EXPECT_EQ(media::any_key(), 28);
  EXPECT_TRUE(media::any_input());
  const int ring = media::input().ring_write;
  press(0);
  EXPECT_FALSE(media::key_held(0));
  EXPECT_EQ(media::input().ring_write, ring);
  EXPECT_FALSE(media::key_held(256));
  EXPECT_FALSE(media::key_held(-1));
}

// A full ring keeps the 15 most recent events in order and counts what it
// gave up; it never reads as empty.
TEST_F(GlobalInput, FullRingGivesUpItsOldestEntries) {
  for (int i = 0; i < 20; ++i) media::window_procedure(media::input(), ch(static_cast<uint8_t>('a' + i)));
  EXPECT_EQ(media::input().ring_dropped, 5);
  std::string got;
  while (media::key_event_waiting()) got += static_cast<char>(media::next_key_event());
  EXPECT_EQ(got, "fghijklmnopqrst");
  EXPECT_EQ(media::next_key_event(), 0);
  EXPECT_EQ(media::input().current_scancode, 0);
}

TEST_F(GlobalInput, JoystickMessagesSetTheirFields) {
  Message m;
  m.kind = MessageKind::Joystick;
  m.x = 1;
  m.y = platform::kJoyHat1 + 3;
  m.value = -1;
  media::window_procedure(media::input(), m);
  EXPECT_EQ(media::input().joy[1].hat[3], 0xFFFFFFFFu);
  m.y = platform::kJoyPresent;
  m.value = 1;
  media::window_procedure(media::input(), m);
  EXPECT_TRUE(media::input().joy[1].present);
  m.y = platform::kJoyButtons;
  m.value = 4;
  media::window_procedure(media::input(), m);
  EXPECT_TRUE(media::any_input());
  m.y = platform::kJoyPresent;  // unplugged with the button down: kept, not input
  m.value = 0;
  media::window_procedure(media::input(), m);
  EXPECT_EQ(media::input().joy[1].buttons, 4u);
  EXPECT_FALSE(media::any_input());
  for (int bad : {-1, 2, 1 << 30}) {
    m.x = bad;
    m.y = platform::kJoyX;
    m.value = 5;
    media::window_procedure(media::input(), m);  // no joystick: ignored
  }
  m.x = 0;
  m.y = platform::kJoyFieldCount;
  media::window_procedure(media::input(), m);
  EXPECT_EQ(media::input().joy[0].axis[0], 0);
}

// Headless, flush takes one pump pass when nothing is held; held keys keep
// it pumping until they are released, and the key events pending then are
// gone.
TEST_F(GlobalInput, FlushCountsPassesOnlyWhileItWaits) {
  platform::set_headless(true);
  std::string error;
  ASSERT_TRUE(platform::load_input_script("3 key 30 a\n3 down 31\n9 up 31\n", error)) << error;
  core::state().pump_count = 0;
  media::flush();
  EXPECT_EQ(core::state().pump_count, 1u);
  media::pump();
  media::pump();
  media::pump();  // pass 3: A typed, S down
  EXPECT_TRUE(media::key_event_waiting());
  media::flush();
  EXPECT_EQ(core::state().pump_count, 10u);  // until the pass that releases S
  EXPECT_FALSE(media::key_event_waiting());
  EXPECT_EQ(media::lowest_held_key(), 0);
  ASSERT_TRUE(platform::load_input_script("", error));
  core::state().pump_count = 0;
  platform::set_headless(false);
}

}  // namespace

TEST_F(GlobalInput, AButtonPressedAndReleasedInOnePassStillCounts) {
  auto buttons = [](int32_t mask) {
    Message m;
    m.kind = MessageKind::Buttons;
    m.value = mask;
    media::window_procedure(media::input(), m);
  };
  buttons(1);
  buttons(0);
  buttons(2);
  EXPECT_EQ(media::input().mouse_buttons, 2);
  EXPECT_EQ(media::take_button_presses(), 3);
  EXPECT_EQ(media::take_button_presses(), 0);  // taken once
  buttons(2);                                  // still held: no new press
  EXPECT_EQ(media::take_button_presses(), 0);
  buttons(6);
  EXPECT_EQ(media::take_button_presses(), 4);
}
