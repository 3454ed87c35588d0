#include <gtest/gtest.h>

#include "platform/input_script.h"
#include "platform/scancodes.h"

namespace {

using platform::MessageKind;

std::vector<platform::Message> deliver(platform::InputScript& s, uint32_t pump) {
  platform::MessageQueue q;
  platform::script_deliver(s, pump, q);
  return {q.items, q.items + q.count};
}

TEST(InputScript, KeyPressesAndReleasesOnePumpLater) {
  platform::InputScript s;
  std::string error;
  ASSERT_TRUE(platform::parse_input_script("5 key 30 a\n3 key 28\n7 text hi 1\n", s, error)) << error;
  auto at3 = deliver(s, 3);
  ASSERT_EQ(at3.size(), 1u);
  EXPECT_EQ(at3[0].kind, MessageKind::KeyDown);
  EXPECT_FALSE(at3[0].char_follows);
  auto at4 = deliver(s, 4);
  ASSERT_EQ(at4.size(), 1u);
  EXPECT_EQ(at4[0].kind, MessageKind::KeyUp);
  auto at5 = deliver(s, 5);
  ASSERT_EQ(at5.size(), 2u);
  EXPECT_TRUE(at5[0].char_follows);
  EXPECT_EQ(at5[1].kind, MessageKind::Char);
  EXPECT_EQ(at5[1].ch, 'a');
  EXPECT_EQ(at5[1].scancode, 30);
  EXPECT_EQ(deliver(s, 6).size(), 1u);  // release of "a"
  auto at7 = deliver(s, 7);
  ASSERT_EQ(at7.size(), 4u);  // "hi 1"
  EXPECT_EQ(at7[2].ch, ' ');
  EXPECT_TRUE(platform::script_exhausted(s));
}

TEST(InputScript, LateEventsWaitAndEarlyOnesComeAtOnce) {
  platform::InputScript s;
  std::string error;
  ASSERT_TRUE(platform::parse_input_script("# comment\r\n\r\n10 wheel 120\r\n2 move 5 6\r\n2 buttons 1\r\n9 quit\r\n",
                                           s, error));
  EXPECT_TRUE(deliver(s, 1).empty());
  auto at20 = deliver(s, 20);  // a pump that skipped ahead gets everything due
  ASSERT_EQ(at20.size(), 4u);
  EXPECT_EQ(at20[0].kind, MessageKind::Mouse);
  EXPECT_EQ(at20[1].kind, MessageKind::Buttons);
  EXPECT_EQ(at20[2].kind, MessageKind::Close);
  EXPECT_EQ(at20[3].value, 120);
}

TEST(InputScript, MalformedLinesAreNamed) {
  platform::InputScript s;
  std::string error;
  EXPECT_FALSE(platform::parse_input_script("1 key 300\n", s, error));
  EXPECT_NE(error.find("line 1"), std::string::npos);
  EXPECT_FALSE(platform::parse_input_script("1 key 2\nx key 2\n", s, error));
  EXPECT_NE(error.find("line 2"), std::string::npos);
  EXPECT_FALSE(platform::parse_input_script("1 jump\n", s, error));
  EXPECT_FALSE(platform::parse_input_script("1 key 2 abc\n", s, error));
  // Every pump pass a recording can name reads back; a key pressed at the
  // top one would have no pass left for its release.
  EXPECT_TRUE(platform::parse_input_script("4294967294 key 2\n4294967295 down 3\n", s, error));
  EXPECT_EQ(s.events[1].pump, 4294967295u);
  EXPECT_EQ(s.events[2].pump, 4294967295u);
  EXPECT_FALSE(platform::parse_input_script("4294967295 key 2\n", s, error));
  EXPECT_FALSE(platform::parse_input_script("4294967296 down 2\n", s, error));
  EXPECT_FALSE(platform::parse_input_script("-1 down 2\n", s, error));
  EXPECT_FALSE(platform::parse_input_script("+1 down 2\n", s, error));
  EXPECT_FALSE(platform::parse_input_script("1 buttons 9\n", s, error));
  EXPECT_FALSE(platform::parse_input_script("1 stall -5\n", s, error));
  EXPECT_FALSE(platform::parse_input_script("1 stall 60001\n", s, error));
  EXPECT_TRUE(platform::parse_input_script("3 stall 60000\n", s, error));
  EXPECT_EQ(s.events[0].message.kind, platform::MessageKind::Stall);
  EXPECT_EQ(s.events[0].message.value, 60000);
  EXPECT_TRUE(platform::parse_input_script("1 key 28 13\n", s, error));
  EXPECT_EQ(s.events[1].message.ch, 13);
}

TEST(InputScript, QueueOverflowCarriesOverToTheNextPump) {
  std::string text;
  for (int i = 0; i < 600; ++i) text += "1 down 30\n";
  platform::InputScript s;
  std::string error;
  ASSERT_TRUE(platform::parse_input_script(text, s, error));
  EXPECT_EQ(deliver(s, 1).size(), size_t(platform::MessageQueue::kCapacity));
  EXPECT_EQ(deliver(s, 2).size(), 600u - platform::MessageQueue::kCapacity);
}

// What an input recording writes for a message reads back as that message
// at the same pump pass, for every kind and at the edges of each range.
TEST(InputScript, RecordedLinesReadBackExactly) {
  using platform::Message;
  std::vector<Message> ms;
  auto add = [&](MessageKind k, auto&& fill) {
    Message m;
    m.kind = k;
    fill(m);
    ms.push_back(m);
  };
  add(MessageKind::KeyDown, [](Message& m) { m.scancode = 255; });
  add(MessageKind::KeyDown, [](Message& m) {
    m.scancode = 30;
    m.char_follows = true;
  });
  add(MessageKind::KeyUp, [](Message& m) { m.scancode = 1; });
  add(MessageKind::Char, [](Message& m) { m.ch = 0; });
  add(MessageKind::Char, [](Message& m) {
    m.ch = 255;
    m.scancode = 83;
  });
  add(MessageKind::Wheel, [](Message& m) { m.value = -32768; });
  add(MessageKind::Mouse, [](Message& m) {
    m.x = INT32_MIN;
    m.y = INT32_MAX;
  });
  add(MessageKind::Buttons, [](Message& m) { m.value = 7; });
  add(MessageKind::Stall, [](Message& m) { m.value = 60000; });
  add(MessageKind::Close, [](Message&) {});
  add(MessageKind::Activate, [](Message&) {});
  add(MessageKind::Deactivate, [](Message&) {});
  for (int field = 0; field < platform::kJoyFieldCount; ++field)
    add(MessageKind::Joystick, [field](Message& m) {
      m.x = field % 2;
      m.y = field;
      m.value = field == platform::kJoyButtons ? -1
                : field >= platform::kJoyHat1 && field <= platform::kJoyHat4
                    ? (field == platform::kJoyHat1 ? -1 : 35999)
                : field == platform::kJoyPresent                         ? 1
                : field >= platform::kJoyXr && field <= platform::kJoyZr ? 65535
                                                                         : -1000;
    });
  std::string text = "# a recording\n";
  for (size_t i = 0; i < ms.size(); ++i) platform::format_script_event(static_cast<uint32_t>(i / 3), ms[i], text);
  platform::InputScript s;
  std::string error;
  ASSERT_TRUE(platform::parse_input_script(text, s, error)) << error << "\n" << text;
  ASSERT_EQ(s.events.size(), ms.size());
  for (size_t i = 0; i < ms.size(); ++i) {
    const Message &a = ms[i], &b = s.events[i].message;
    SCOPED_TRACE(text);
    EXPECT_EQ(s.events[i].pump, i / 3);
    EXPECT_EQ(a.kind, b.kind) << i;
    EXPECT_EQ(a.scancode, b.scancode) << i;
    EXPECT_EQ(a.ch, b.ch) << i;
    EXPECT_EQ(a.char_follows, b.char_follows) << i;
    EXPECT_EQ(a.x, b.x) << i;
    EXPECT_EQ(a.y, b.y) << i;
    EXPECT_EQ(a.value, b.value) << i;
  }
  // A wheel delta beyond 16 bits is written as the low word it acts with.
  Message wide;
  wide.kind = MessageKind::Wheel;
  wide.value = 65536 + 240;
  std::string line;
  platform::format_script_event(4, wide, line);
  EXPECT_EQ(line, "4 wheel 240\n");
  // Clock readings keep their order in the file, apart from the events.
  text.clear();
  platform::format_clock_reading(7, 4294967295u, text);
  platform::format_clock_reading(2, 5, text);
  platform::format_script_event(1, wide, text);
  ASSERT_TRUE(platform::parse_input_script(text, s, error)) << error;
  EXPECT_EQ(s.clock_readings, (std::vector<uint32_t>{4294967295u, 5}));
  ASSERT_EQ(s.events.size(), 1u);
}

TEST(InputScript, JoystickClockAndCharacterLinesAreChecked) {
  platform::InputScript s;
  std::string error;
  ASSERT_TRUE(platform::parse_input_script(
      "5 joy 2 hat3 -1\n5 joy 1 buttons 4294967295\n7 char 200 30\n7 char 9\n7 press 42\n", s, error))
      << error;
  ASSERT_EQ(s.events.size(), 5u);
  EXPECT_EQ(s.events[0].message.x, 1);
  EXPECT_EQ(s.events[0].message.y, platform::kJoyHat1 + 2);
  EXPECT_EQ(s.events[0].message.value, -1);
  EXPECT_EQ(static_cast<uint32_t>(s.events[1].message.value), 0xFFFFFFFFu);
  EXPECT_EQ(s.events[2].message.ch, 200);
  EXPECT_EQ(s.events[2].message.scancode, 30);
  EXPECT_EQ(s.events[3].message.scancode, 0);
  EXPECT_TRUE(s.events[4].message.char_follows);
  EXPECT_EQ(s.events[4].message.kind, MessageKind::KeyDown);
  for (const char* bad : {"1 joy 3 x 0", "1 joy 0 x 0", "1 joy 1 x 1001", "1 joy 1 v -1001", "1 joy 1 hat1 36000",
                          "1 joy 1 hat4 -2", "1 joy 1 w 0", "1 joy 1", "1 joy 1 buttons -1",
                          "1 joy 1 buttons 4294967296", "1 joy 1 present 2", "1 joy 1 xr 65536", "1 clock -1",
                          "1 clock", "1 clock 4294967296", "1 char 256", "1 char 65 256", "1 char", "1 press 256"}) {
    EXPECT_FALSE(platform::parse_input_script(bad, s, error)) << bad;
    EXPECT_NE(error.find("line 1"), std::string::npos) << bad;
  }
}

TEST(Scancodes, SetOneCodesOfCommonKeys) {
  EXPECT_EQ(platform::set1_from_sdl(41), 1);   // Escape
  EXPECT_EQ(platform::set1_from_sdl(40), 28);  // Return
  EXPECT_EQ(platform::set1_from_sdl(4), 30);   // A
  EXPECT_EQ(platform::set1_from_sdl(82), 72);  // Up
  EXPECT_EQ(platform::set1_from_sdl(76), 83);  // Delete
  EXPECT_EQ(platform::set1_from_sdl(-3), 0);
  EXPECT_EQ(platform::set1_from_sdl(100000), 0);
}

}  // namespace
