// The JSON reader of the test support: the shapes the engine writes, and
// malformed or hostile input answered with an error instead of a crash.
#include "support/json.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testing_support::Json;

Json parsed(std::string_view text) {
  std::string error;
  std::optional<Json> j = Json::parse(text, &error);
  EXPECT_TRUE(j.has_value()) << text << ": " << error;
  return j ? *j : Json();
}

TEST(JsonReader, ReadsNestedObjectsArraysAndScalars) {
  const Json j = parsed(
      " {\"tick_count\":10,\"exit_code\":-2147483648,\"scene_colour\":4278190080,\"f\":-1.5e2,"
      "\"ok\":true,\"no\":false,\"none\":null,\"elements\":[{\"index\":0,\"name\":\"Camera\","
      "\"words\":[0,1,-2]},{\"index\":1,\"name\":\"\",\"words\":[]}]}\r\n");
  ASSERT_TRUE(j.is_object());
  EXPECT_EQ(j.size(), 8u);
  EXPECT_EQ(j["tick_count"].integer(), 10);
  EXPECT_EQ(j["exit_code"].integer(), -2147483648LL);
  EXPECT_EQ(j["scene_colour"].integer(), 4278190080LL);
  EXPECT_EQ(j["f"].number(), -150.0);
  EXPECT_EQ(j["f"].integer(), std::nullopt);  // not written as an integer
  EXPECT_EQ(j["ok"].boolean(), true);
  EXPECT_EQ(j["no"].boolean(), false);
  EXPECT_TRUE(j["none"].is_null());
  EXPECT_TRUE(j.contains("none"));
  EXPECT_EQ(j["elements"].size(), 2u);
  EXPECT_EQ(j["elements"][0]["name"].string(), "Camera");
  EXPECT_EQ(j["elements"][0]["words"][2].integer(), -2);
  EXPECT_EQ(j["elements"][1]["name"].string(), "");
  EXPECT_EQ(j["elements"][1]["words"].size(), 0u);
}

TEST(JsonReader, AbsentValuesReadAsNullAtEveryStep) {
  const Json j = parsed("{\"a\":[1,2],\"s\":\"x\"}");
  EXPECT_TRUE(j["missing"].is_null());
  EXPECT_FALSE(j.contains("missing"));
  EXPECT_TRUE(j["a"][2].is_null());
  EXPECT_TRUE(j["a"][-1].is_null());
  EXPECT_TRUE(j["a"]["key"].is_null());  // an array has no members
  EXPECT_TRUE(j["s"][0].is_null());      // a string has no items
  EXPECT_TRUE(j["missing"][3]["deeper"][0].is_null());
  EXPECT_EQ(j["s"].integer(), std::nullopt);
  EXPECT_EQ(j["a"].string(), std::nullopt);
  EXPECT_EQ(j["missing"].size(), 0u);
}

TEST(JsonReader, DecodesEscapesAsTheEngineWritesThem) {
  const Json j = parsed(R"(["a\"b\\c\/d", "\n\r\t\b\f", "caf\u00e9", "\u0001", "\u20ac", "\ud83d\ude00"])");
  EXPECT_EQ(j[0].string(), "a\"b\\c/d");
  EXPECT_EQ(j[1].string(), "\n\r\t\b\f");
  EXPECT_EQ(j[2].string(), "caf\xE9");  // Latin-1 bytes stay single bytes
  EXPECT_EQ(j[3].string(), std::string(1, '\x01'));
  EXPECT_EQ(j[4].string(), "\xE2\x82\xAC");
  EXPECT_EQ(j[5].string(), "\xF0\x9F\x98\x80");
}

TEST(JsonReader, NumbersOutsideSixtyFourBitsAreStillNumbers) {
  const Json j = parsed("[9223372036854775807,-9223372036854775808,9223372036854775808,1e400,0,-0]");
  EXPECT_EQ(j[0].integer(), INT64_MAX);
  EXPECT_EQ(j[1].integer(), INT64_MIN);
  EXPECT_EQ(j[2].integer(), std::nullopt);
  EXPECT_GT(j[2].number().value_or(0), 9.2e18);
  EXPECT_TRUE(j[3].is_number());
  EXPECT_EQ(j[4].integer(), 0);
  EXPECT_EQ(j[5].integer(), 0);
}

TEST(JsonReader, MalformedTextGivesAnErrorNotACrash) {
  const char* const bad[] = {"",
                             " ",
                             "{",
                             "}",
                             "[",
                             "]",
                             "[1,",
                             "[1,]",
                             "[,1]",
                             "{\"a\"}",
                             "{\"a\":}",
                             "{\"a\":1,}",
                             "{a:1}",
                             "{\"a\" 1}",
                             "[1 2]",
                             "\"open",
                             "\"bad \\x escape\"",
                             "\"\\u12\"",
                             "\"\\u12G4\"",
                             "\"\\ud800\"",
                             "\"\\ud800\\u0041\"",
                             "\"\\udc00\"",
                             "\"tab\there\"",
                             "01",
                             "-",
                             "+1",
                             "1.",
                             ".5",
                             "1e",
                             "1e+",
                             "0x10",
                             "tru",
                             "nul",
                             "True",
                             "NaN",
                             "Infinity",
                             "[1]x",
                             "{} {}",
                             "\"\\",
                             "[\"\\u"};
  for (const char* text : bad) {
    std::string error;
    EXPECT_FALSE(Json::parse(text, &error).has_value()) << text;
    EXPECT_NE(error.find("at byte"), std::string::npos) << text;
  }
  // Bytes the reader never expects, and an embedded zero.
  EXPECT_FALSE(Json::parse(std::string("[1,\0 2]", 7)).has_value());
  EXPECT_FALSE(Json::parse("\xFF\xFE").has_value());
}

TEST(JsonReader, DeepNestingIsRefusedWithoutExhaustingTheStack) {
  const int limit = Json::kMaxDepth;
  EXPECT_TRUE(Json::parse(std::string(limit, '[') + std::string(limit, ']')).has_value());
  std::string error;
  EXPECT_FALSE(Json::parse(std::string(limit + 1, '[') + std::string(limit + 1, ']'), &error).has_value());
  EXPECT_NE(error.find("nesting too deep"), std::string::npos) << error;
  EXPECT_FALSE(Json::parse(std::string(1000000, '[')).has_value());
  EXPECT_FALSE(Json::parse(std::string(500000, '{')).has_value());
}

// Every prefix of a valid text is either the same value or an error.
TEST(JsonReader, EveryTruncationOfADumpIsHandled) {
  const std::string text =
      "{\"tick_count\":5,\"globals\":[0,-1],\"elements\":[{\"index\":0,\"name\":\"A\\u00e9\",\"words\":[1,2]}]}";
  ASSERT_TRUE(Json::parse(text).has_value());
  for (size_t n = 0; n < text.size(); ++n) EXPECT_FALSE(Json::parse(text.substr(0, n)).has_value()) << n;
}

}  // namespace
