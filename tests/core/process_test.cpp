// Starting programs: quoting, waiting, and commands that start nothing.
#include "core/process.h"

#include <gtest/gtest.h>

#include "core/files.h"
#include "support/temp_folder.h"

namespace {

TEST(StartProgram, WaitsForTheProgramAndKeepsQuotedBlanks) {
  testing_support::TempFolder folder("quill-process");
  const std::string target = folder / "a b.txt";
  // `touch` gets one argument with a blank in it, and has run when the call returns.
  ASSERT_EQ(core::start_program("touch \"" + target + "\"", true), 0);
  EXPECT_TRUE(core::file_exists(target));
  EXPECT_FALSE(core::file_exists(folder / "a"));
}

TEST(StartProgram, NothingToStartAnswersMinusOne) {
  EXPECT_EQ(core::start_program("", true), -1);
  EXPECT_EQ(core::start_program("   \t ", false), -1);
  EXPECT_EQ(core::start_program("/nonexistent/quill-no-such-program x", true), -1);
}

}  // namespace
