// Work run in a limited child process: its reply, and every way it can fail.
#include "platform/sandbox.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <string>

namespace platform {
namespace {

TEST(Sandbox, TheChildsReplyComesBackAndItsFailuresAreTold) {
  SandboxLimits limits;
  limits.seconds = 5;
  limits.reply_bytes = 1000;

  SandboxOutcome out = sandbox_run([](std::string_view request) { return std::string(request) + "!"; }, "ping", limits);
  EXPECT_EQ(out.result, SandboxResult::kDone);
  EXPECT_EQ(out.reply, "ping!");

  // What the job changes stays in the child.
  int touched = 0;
  out = sandbox_run([&touched](std::string_view) { return std::string(++touched == 1 ? "once" : "twice"); }, "",
                    limits);
  EXPECT_EQ(out.reply, "once");
  EXPECT_EQ(touched, 0);

  out = sandbox_run([](std::string_view) { return std::string(1001, 'x'); }, "", limits);
  EXPECT_EQ(out.result, SandboxResult::kReplyTooLong);
  EXPECT_TRUE(out.reply.empty());

  out = sandbox_run(
      [](std::string_view) -> std::string {
        raise(SIGKILL);
        return "never";
      },
      "", limits);
  EXPECT_EQ(out.result, SandboxResult::kSignalled);
  EXPECT_EQ(out.signal, SIGKILL);

  // An exception ends the child with nothing said.
  out = sandbox_run([](std::string_view) -> std::string { throw 1; }, "", limits);
  EXPECT_EQ(out.result, SandboxResult::kDone);
  EXPECT_TRUE(out.reply.empty());

  limits.seconds = 1;
  out = sandbox_run(
      [](std::string_view) {
        sleep(10);
        return std::string("late");
      },
      "", limits);
  EXPECT_EQ(out.result, SandboxResult::kTimedOut);
  EXPECT_TRUE(out.reply.empty());
}

}  // namespace
}  // namespace platform
