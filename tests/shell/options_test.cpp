#include <gtest/gtest.h>

#include "core/state.h"
#include "shell/options.h"

namespace {

std::vector<int32_t> args(std::string_view line, int capacity = core::kMaxProgramArgs) {
  std::vector<int32_t> v(static_cast<size_t>(capacity) + 1, 99);
  int n = shell::parse_program_args(line, v.data(), capacity);
  v.resize(static_cast<size_t>(n));
  return v;
}

TEST(ProgramArgs, SlashNumbers) {
  EXPECT_EQ(args("/3 /-20 /7"), (std::vector<int32_t>{3, -20, 7}));
  EXPECT_EQ(args("/5 x /6"), (std::vector<int32_t>{5}));
  EXPECT_EQ(args("/12 /x /3"), (std::vector<int32_t>{12, 0, 3}));
  EXPECT_EQ(args("/1/2"), (std::vector<int32_t>{1}));
  EXPECT_EQ(args(""), (std::vector<int32_t>{}));
  EXPECT_EQ(args("abc /4"), (std::vector<int32_t>{}));
  EXPECT_EQ(args("/"), (std::vector<int32_t>{}));
  EXPECT_EQ(args("/7   \t /8"), (std::vector<int32_t>{7, 8}));
  EXPECT_EQ(args("/+4 /"), (std::vector<int32_t>{4}));
}

TEST(ProgramArgs, KeepsAtMostCapacity) {
  std::string line;
  for (int i = 0; i < 300; ++i) line += "/" + std::to_string(i) + " ";
  auto v = args(line);
  ASSERT_EQ(v.size(), 256u);
  EXPECT_EQ(v[255], 255);
  EXPECT_EQ(args("/1 /2 /3", 2).size(), 2u);
}

TEST(Options, OwnOptionsNeverReachTheProgramArguments) {
  const char* argv[] = {"quill", "/3", "--headless", "--ticks", "40", "--messages", "m.json", "/4", "x"};
  shell::Options o = shell::parse_options(9, argv);
  EXPECT_TRUE(o.error.empty());
  EXPECT_TRUE(o.headless);
  EXPECT_EQ(o.ticks, 40);
  EXPECT_EQ(o.messages, "m.json");
  EXPECT_EQ(o.command_line, "/3 /4 x");
}

TEST(Options, Errors) {
  const char* missing[] = {"quill", "--messages"};
  EXPECT_FALSE(shell::parse_options(2, missing).error.empty());
  const char* unknown[] = {"quill", "--bogus"};
  EXPECT_FALSE(shell::parse_options(2, unknown).error.empty());
  const char* ticks[] = {"quill", "--ticks", "-5"};
  EXPECT_FALSE(shell::parse_options(3, ticks).error.empty());
}

}  // namespace
