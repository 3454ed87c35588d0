#include <gtest/gtest.h>

#include "core/text.h"
#include "shell/dispatcher.h"
#include "shell/messages.h"

namespace {

TEST(Messages, JsonLines) {
  EXPECT_EQ(shell::message_json("box", "Quit?|Sure", {" YES ", " NO "}, 2),
            R"({"kind":"box","text":"Quit?|Sure","buttons":[" YES "," NO "],"answer":2})");
  EXPECT_EQ(core::json_string("a\"b\\c\n\x01\xE9"), R"("a\"b\\c\n\u0001\u00e9")");
}

TEST(Messages, ExitNotices) {
  EXPECT_EQ(shell::exit_notice(shell::kExitPlain), "");
  EXPECT_EQ(shell::exit_notice(-1), "");
  EXPECT_EQ(shell::exit_notice(-2), "When compiled, exit to end screen");
  EXPECT_EQ(shell::exit_notice(-3), "When compiled, exit directly to Windows");
  EXPECT_EQ(shell::exit_notice(4), "When compiled, exit to sub-project 4");
  EXPECT_EQ(shell::exit_notice(-9), "When compiled, exit to sub-project -9");
}

}  // namespace
