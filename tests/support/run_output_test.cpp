// Reading what a headless run leaves behind: the dump's counters, globals
// and element words, and the message log.
#include "support/run_output.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testing_support::Dump;
using testing_support::Message;

// A dump as the engine writes it, with short word and global lists.
std::string dump_text() {
  std::string words0, words1;
  for (int w = 0; w < 256; ++w) {
    words0 += (w ? "," : "") + std::to_string(w == 255 ? 10 : w == 43 ? 7 : 0);
    words1 += (w ? "," : "") + std::to_string(w == 254 ? -3 : w);
  }
  return "{\"tick_count\":10,\"frames_drawn\":6,\"exit_code\":7,\"scene_colour\":4278190080,"
         "\"globals\":[0,5,-9],\"elements\":[{\"index\":0,\"name\":\"Camera\",\"words\":[" +
         words0 + "]},{\"index\":1,\"name\":\"Ball \\\"2\\\"\",\"words\":[" + words1 + "]}]}";
}

TEST(DumpReader, CountersGlobalsWordsAndVariables) {
  const Dump d = Dump::parse(dump_text());
  ASSERT_TRUE(d.ok()) << d.error();
  EXPECT_EQ(d.value("tick_count"), 10);
  EXPECT_EQ(d.value("scene_colour"), 4278190080LL);
  EXPECT_EQ(d.value("no_such_counter"), std::nullopt);
  EXPECT_EQ(d.value("globals"), std::nullopt);  // not a number
  EXPECT_EQ(d.global(1), 5);
  EXPECT_EQ(d.global(2), -9);
  EXPECT_EQ(d.global(3), std::nullopt);
  EXPECT_EQ(d.global(-1), std::nullopt);
  EXPECT_EQ(d.element_count(), 2);
  EXPECT_EQ(d.name(1), "Ball \"2\"");
  EXPECT_EQ(d.element_named("Ball \"2\""), 1);
  EXPECT_EQ(d.element_named("Nobody"), std::nullopt);
  EXPECT_EQ(d.word(0, 43), 7);
  EXPECT_EQ(d.word(1, 200), 200);
  EXPECT_EQ(d.word(1, 256), std::nullopt);
  EXPECT_EQ(d.word(2, 0), std::nullopt);
  EXPECT_EQ(d.variable(0, 1), 10);  // the first variable is word 255
  EXPECT_EQ(d.variable(1, 2), -3);
  EXPECT_EQ(d.variable(0, 0), std::nullopt);
  EXPECT_EQ(d.variable(0, 129), std::nullopt);
}

TEST(DumpReader, UnreadableDumpsSayWhy) {
  EXPECT_NE(Dump::read("/nonexistent/d.json").error().find("cannot read"), std::string::npos);
  const std::string text = dump_text();
  const Dump cut = Dump::parse(text.substr(0, text.size() / 2));
  EXPECT_FALSE(cut.ok());
  EXPECT_NE(cut.error().find("malformed dump"), std::string::npos) << cut.error();
  EXPECT_EQ(cut.value("tick_count"), std::nullopt);
  EXPECT_EQ(cut.word(0, 0), std::nullopt);
  EXPECT_EQ(cut.element_count(), 0);
  EXPECT_FALSE(Dump::parse("[1,2]").ok());
  EXPECT_FALSE(Dump::parse("{\"elements\":3}").ok());
}

TEST(MessageLog, OneMessageALine) {
  std::vector<Message> m;
  std::string error;
  ASSERT_TRUE(testing_support::parse_messages(
      "{\"kind\":\"notice\",\"text\":\"Loading data, please wait...\",\"buttons\":[],\"answer\":0}\n"
      "\n"
      "{\"kind\":\"box\",\"text\":\"'A' brain ERROR!|x\",\"buttons\":[\" OK \",\"\"],\"answer\":1}\n",
      m, &error))
      << error;
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].kind, "notice");
  EXPECT_TRUE(m[0].buttons.empty());
  EXPECT_EQ(m[1].text, "'A' brain ERROR!|x");
  EXPECT_EQ(m[1].buttons, (std::vector<std::string>{" OK ", ""}));
  EXPECT_EQ(m[1].answer, 1);
  EXPECT_TRUE(testing_support::parse_messages("", m));
  EXPECT_TRUE(m.empty());
}

TEST(MessageLog, ABadLineIsNamed) {
  std::vector<Message> m;
  std::string error;
  EXPECT_FALSE(testing_support::parse_messages("{\"kind\":\"box\",\"text\":\"a\"}\n{\"kind\":", m, &error));
  EXPECT_NE(error.find("message line 2"), std::string::npos) << error;
  EXPECT_FALSE(testing_support::parse_messages("[1]\n", m, &error));
  EXPECT_NE(error.find("not a message object"), std::string::npos) << error;
}

}  // namespace
