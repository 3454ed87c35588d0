#include <gtest/gtest.h>

#include "media/input.h"

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
