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
